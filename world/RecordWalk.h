#pragma once
// Walks the fields of a plain record in their order, each at the next offset
// its width is aligned to (words on four bytes), as the stored records of
// object actions and deaths have always been laid out. One walk function per
// record serves writing, reading and measuring, so they cannot drift apart.

#include "shell/RecordBytes.h"
#include "shell/SaveFile.h"

#include <cstddef>
#include <cstdio>
#include <vector>

class RecordLayoutWalk
{
public:
    explicit RecordLayoutWalk(size_t start = 0) : m_at(start) {}
    size_t Word()
    {
        m_at = (m_at + 3) & ~size_t(3);
        const size_t at = m_at;
        m_at += 4;
        return at;
    }
    size_t Bytes(size_t n)
    {
        const size_t at = m_at;
        m_at += n;
        return at;
    }
    size_t End() const { return m_at; }

private:
    size_t m_at;
};

struct RecordWriter
{
    RecordOut& r;
    RecordLayoutWalk w;
    void U32(const DWORD& v) { r.U32(w.Word(), v); }
    void I32(const int& v) { r.I32(w.Word(), v); }
    void F32(const float& v) { r.F32(w.Word(), v); }
    void U8(const BYTE& v) { r.U8(w.Bytes(1), v); }
    template <size_t N> void Chars(const char (&v)[N]) { r.Chars(w.Bytes(N), v, N); }
};

struct RecordReader
{
    RecordIn& r;
    RecordLayoutWalk w;
    void U32(DWORD& v) { v = r.U32(w.Word()); }
    void I32(int& v) { v = r.I32(w.Word()); }
    void F32(float& v) { v = r.F32(w.Word()); }
    void U8(BYTE& v) { v = r.U8(w.Bytes(1)); }
    template <size_t N> void Chars(char (&v)[N]) { r.Chars(w.Bytes(N), v, N); }
};

// Measures the layout without touching a record.
struct RecordMeasure
{
    RecordLayoutWalk w;
    template <class T> void U32(T&) { w.Word(); }
    template <class T> void I32(T&) { w.Word(); }
    template <class T> void F32(T&) { w.Word(); }
    template <class T> void U8(T&) { w.Bytes(1); }
    template <class T> void Chars(T& v) { w.Bytes(sizeof v); }
};

// One stored record of `size` bytes whose fields `walk` visits, called with a
// RecordWriter, a RecordReader or a RecordMeasure; bytes past the last field
// are written as zero.
template <class Walk> bool WriteWalkedRecord(FILE* file, size_t size, Walk walk)
{
    std::vector<BYTE> b(size);
    RecordOut r(b.data(), b.size());
    RecordWriter w{r, RecordLayoutWalk()};
    walk(w);
    return WriteBytes(file, b.data(), static_cast<DWORD>(size));
}

// Reads the whole record even when it fails short, so the stream stays in step.
template <class Walk> bool ReadWalkedRecord(FILE* file, size_t size, Walk walk)
{
    std::vector<BYTE> b(size, 0);
    const bool ok = ReadBytes(file, b.data(), static_cast<DWORD>(size));
    RecordIn r(b.data(), b.size());
    RecordReader rd{r, RecordLayoutWalk()};
    walk(rd);
    return ok;
}

template <class Walk> size_t MeasureWalkedRecord(Walk walk)
{
    RecordMeasure m{RecordLayoutWalk()};
    walk(m);
    return m.w.End();
}
