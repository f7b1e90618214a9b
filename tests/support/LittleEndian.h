#pragma once
// Fields of stored files as the engine keeps them: 32-bit little-endian words
// and floats, read from and written into the bytes of a file. The caller
// makes sure the bytes are long enough.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

inline uint32_t Le32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint32_t Le32(const std::string& bytes, size_t at)
{
    return Le32(reinterpret_cast<const unsigned char*>(bytes.data()) + at);
}

inline uint32_t Le32(const std::vector<unsigned char>& bytes, size_t at)
{
    return Le32(bytes.data() + at);
}

inline uint16_t Le16(const std::string& bytes, size_t at)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                 static_cast<unsigned char>(bytes[at + 1]) << 8);
}

template <class Bytes> float LeFloat(const Bytes& bytes, size_t at)
{
    const uint32_t bits = Le32(bytes, at);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

inline void PutLe32(std::string& bytes, size_t at, uint32_t v)
{
    for (size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(v >> (8 * i));
}

inline void PutLeFloat(std::string& bytes, size_t at, float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    PutLe32(bytes, at, bits);
}
