#include "sound/MusicSource.h"

#include "platform/win32/Path.h"
#include "shell/Console.h"
#include "shell/Debug.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace
{
constexpr const char* TAG_MUSIC_DATA = "MusicSource.m_pData";
}

int CMusicSource::Open(const char* fileName)
{
    Close();
    FILE* f = fileName ? TkFopen(fileName, "rb") : nullptr;
    if (!f)
        return -1;
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    if (size < 0 || size > MAX_MUSIC_BYTES)
    {
        std::fclose(f);
        g_Console.Print("ERROR in CMusicSource::Open(): file too large");
        return -1;
    }
    std::snprintf(m_szFileName, sizeof m_szFileName, "%s", fileName);
    m_pData = new (std::nothrow) BYTE[size ? size : 1];
    if (!m_pData)
    {
        std::fclose(f);
        g_Console.Print("ERROR in CMusicSource::Open(): Out of Memory!");
        return -1;
    }
    g_Debug.AddAllocation(TAG_MUSIC_DATA);
    const size_t got = std::fread(m_pData, 1, static_cast<size_t>(size), f);
    std::fclose(f);
    // A file that shrank while read keeps what was there.
    m_iSize = static_cast<int>(got);
    m_iPos = 0;
    m_bLoaded = 1;
    m_bEndReached = 0;
    return 0;
}

int CMusicSource::Read(void* buffer, int n)
{
    if (!buffer || !m_bLoaded || n < 1)
        return 0;
    m_bEndReached = 0;
    if (m_iPos + static_cast<long long>(n) >= m_iSize)
    {
        n = m_iSize - m_iPos;
        m_bEndReached = 1;
    }
    if (n > 0)
        std::memcpy(buffer, m_pData + m_iPos, static_cast<size_t>(n));
    m_iPos += n;
    return n;
}

void CMusicSource::Seek(int offset, int)
{
    m_iPos = offset < 0 ? 0 : (offset > m_iSize ? m_iSize : offset);
}

void CMusicSource::Close()
{
    if (m_pData)
    {
        delete[] m_pData;
        m_pData = nullptr;
        g_Debug.RemoveAllocation(TAG_MUSIC_DATA);
    }
    m_iSize = 0;
    m_iPos = 0;
    m_bLoaded = 0;
    m_bEndReached = 0;
}
