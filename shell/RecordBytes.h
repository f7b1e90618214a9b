#pragma once
// Builds and takes apart a stored record in its 32-bit little-endian layout,
// one field at a time at its offset. Records keep their stored layout this
// way whatever the compiler does with the in-memory structs. A field that
// would reach past the record is not written (or reads as zero): the layouts
// are fixed tables, so that only happens through a mistake in a table.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "shell/Orientation.h"

#include <cstddef>
#include <cstring>

class RecordOut
{
public:
    RecordOut(BYTE* bytes, size_t size) : m_p(bytes), m_n(size) { std::memset(bytes, 0, size); }

    void U8(size_t at, BYTE v)
    {
        if (Fits(at, 1))
            m_p[at] = v;
    }
    void U32(size_t at, DWORD v)
    {
        if (!Fits(at, 4))
            return;
        for (int i = 0; i < 4; ++i)
            m_p[at + i] = static_cast<BYTE>(v >> (8 * i));
    }
    void I32(size_t at, int v) { U32(at, static_cast<DWORD>(v)); }
    void F32(size_t at, float v)
    {
        DWORD d;
        std::memcpy(&d, &v, 4);
        U32(at, d);
    }
    void F64(size_t at, double v)
    {
        unsigned long long d;
        std::memcpy(&d, &v, 8);
        U32(at, static_cast<DWORD>(d));
        U32(at + 4, static_cast<DWORD>(d >> 32));
    }
    void Vec3(size_t at, const D3DVECTOR& v)
    {
        F32(at, v.x);
        F32(at + 4, v.y);
        F32(at + 8, v.z);
    }
    void Quat(size_t at, const D3DXQUATERNION& q)
    {
        F32(at, q.x);
        F32(at + 4, q.y);
        F32(at + 8, q.z);
        F32(at + 12, q.w);
    }
    // 116 bytes: quaternion, matrix row by row, forward, right, up.
    void Orientation(size_t at, const EOrientation& o)
    {
        Quat(at, o.Quaternion);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                F32(at + 16 + 4 * (4 * r + c), o.Matrix.m[r][c]);
        Vec3(at + 80, o.Forward);
        Vec3(at + 92, o.Right);
        Vec3(at + 104, o.Up);
    }
    // A text field of `size` bytes: at most size - 1 characters, then zeros.
    void Chars(size_t at, const char* text, size_t size)
    {
        if (!Fits(at, size) || size == 0 || !text)
            return;
        size_t n = 0;
        while (n + 1 < size && text[n])
            ++n;
        std::memcpy(m_p + at, text, n);
    }
    void Bytes(size_t at, const void* data, size_t size)
    {
        if (Fits(at, size))
            std::memcpy(m_p + at, data, size);
    }

private:
    bool Fits(size_t at, size_t n) const { return at <= m_n && n <= m_n - at; }
    BYTE* m_p;
    size_t m_n;
};

class RecordIn
{
public:
    RecordIn(const BYTE* bytes, size_t size) : m_p(bytes), m_n(size) {}

    BYTE U8(size_t at) const { return Fits(at, 1) ? m_p[at] : 0; }
    DWORD U32(size_t at) const
    {
        if (!Fits(at, 4))
            return 0;
        return static_cast<DWORD>(m_p[at]) | static_cast<DWORD>(m_p[at + 1]) << 8 |
               static_cast<DWORD>(m_p[at + 2]) << 16 | static_cast<DWORD>(m_p[at + 3]) << 24;
    }
    int I32(size_t at) const { return static_cast<int>(U32(at)); }
    float F32(size_t at) const
    {
        const DWORD d = U32(at);
        float v;
        std::memcpy(&v, &d, 4);
        return v;
    }
    double F64(size_t at) const
    {
        const unsigned long long d =
            static_cast<unsigned long long>(U32(at)) | static_cast<unsigned long long>(U32(at + 4)) << 32;
        double v;
        std::memcpy(&v, &d, 8);
        return v;
    }
    D3DXVECTOR3 Vec3(size_t at) const { return D3DXVECTOR3(F32(at), F32(at + 4), F32(at + 8)); }
    D3DXQUATERNION Quat(size_t at) const
    {
        return D3DXQUATERNION(F32(at), F32(at + 4), F32(at + 8), F32(at + 12));
    }
    EOrientation Orientation(size_t at) const
    {
        EOrientation o;
        o.Quaternion = Quat(at);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                o.Matrix.m[r][c] = F32(at + 16 + 4 * (4 * r + c));
        o.Forward = Vec3(at + 80);
        o.Right = Vec3(at + 92);
        o.Up = Vec3(at + 104);
        return o;
    }
    // Copies a text field of `size` bytes into out (capacity `size` too) and
    // terminates it even when the stored field is not.
    void Chars(size_t at, char* out, size_t size) const
    {
        if (!out || size == 0)
            return;
        out[0] = 0;
        if (!Fits(at, size))
            return;
        std::memcpy(out, m_p + at, size);
        out[size - 1] = 0;
    }
    void Bytes(size_t at, void* out, size_t size) const
    {
        if (Fits(at, size))
            std::memcpy(out, m_p + at, size);
    }

private:
    bool Fits(size_t at, size_t n) const { return at <= m_n && n <= m_n - at; }
    const BYTE* m_p;
    size_t m_n;
};
