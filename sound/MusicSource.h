#pragma once
// CMusicSource: a music file read whole into memory, read from like a file.

#include "platform/win32/WinTypes.h"

class CMusicSource
{
public:
    // The largest music file kept in memory.
    static constexpr long MAX_MUSIC_BYTES = 64L * 1024 * 1024;

    CMusicSource() = default;
    ~CMusicSource() { Close(); }
    CMusicSource(const CMusicSource&) = delete;
    CMusicSource& operator=(const CMusicSource&) = delete;

    // Reads the whole file: 0, or -1 when it cannot be had.
    int Open(const char* fileName);
    // Copies up to n bytes from the read position; the bytes copied.
    int Read(void* buffer, int n);
    int Tell() const { return m_iPos; }
    // The origin is not used: the position becomes the offset, within 0..size.
    void Seek(int offset, int origin);
    void Close();

    char m_szFileName[MAX_PATH] = {};
    int m_iSize = 0;
    BYTE* m_pData = nullptr;
    int m_iPos = 0;
    BYTE m_bLoaded = 0;
    BYTE m_bEndReached = 0;
};
