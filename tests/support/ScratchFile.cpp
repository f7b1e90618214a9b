#include "support/ScratchFile.h"

#include <gtest/gtest.h>

std::vector<unsigned char> Contents(FILE* f)
{
    std::fflush(f);
    const long end = std::ftell(f);
    EXPECT_GE(end, 0) << "the file's position cannot be told";
    std::vector<unsigned char> bytes(end > 0 ? static_cast<size_t>(end) : 0);
    std::rewind(f);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    return bytes;
}

FILE* FileWith(const std::vector<unsigned char>& bytes)
{
    FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr) << "no temporary file";
    if (!f)
        return nullptr;
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    return f;
}
