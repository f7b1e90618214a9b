#include "sound/SoundWave.h"

#include "platform/win32/Path.h"
#include "shell/Console.h"
#include "shell/Debug.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace
{
constexpr const char* TAG_WAVE_DATA = "m_pReadedWaveData";
constexpr const char* TAG_WAVE_SLOT = "CSoundWave_m_pWave";
constexpr long kRiffHeaderBytes = 12;
constexpr uint32_t kFormatBytes = 16;

uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t Le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// Closes the file whatever way the reader leaves.
struct FileCloser
{
    FILE* f;
    ~FileCloser()
    {
        if (f)
            std::fclose(f);
    }
};
} // namespace

void CSoundWave::Free()
{
    for (BYTE*& slot : m_pWave)
    {
        if (slot)
        {
            delete[] slot;
            slot = nullptr;
            g_Debug.RemoveAllocation(TAG_WAVE_SLOT);
        }
    }
    if (m_pReadedWaveData)
    {
        delete[] m_pReadedWaveData;
        m_pReadedWaveData = nullptr;
        g_Debug.RemoveAllocation(TAG_WAVE_DATA);
    }
    m_Format = {};
    m_dwDataSize = 0;
}

bool CSoundWave::LoadWaveFromFile(const char* fileName)
{
    FILE* probe = fileName ? TkFopen(fileName, "rb") : nullptr;
    if (!probe)
    {
        g_Console.Print("ERR #1: There's no disk file!");
        return false;
    }
    std::fseek(probe, 0, SEEK_END);
    const long fileSize = std::ftell(probe);
    std::fclose(probe);
    FileCloser file{TkFopen(fileName, "rb")};
    if (!file.f || fileSize < 0)
    {
        g_Console.Print("ERR #1: There's no disk file!");
        return false;
    }

    Free();
    std::snprintf(m_szFileName, sizeof m_szFileName, "%s", fileName);

    bool formatFound = false;
    bool dataFound = false;
    bool dataBroken = false;
    // The RIFF header's three words say nothing the chunks do not.
    long pos = kRiffHeaderBytes;
    while (pos + 8 <= fileSize && !dataBroken)
    {
        uint8_t head[8];
        if (std::fseek(file.f, pos, SEEK_SET) != 0 || std::fread(head, 1, sizeof head, file.f) != sizeof head)
            break;
        const uint32_t size = Le32(head + 4);
        const long dataPos = pos + 8;
        const long long rest = static_cast<long long>(fileSize) - dataPos;
        if (std::memcmp(head, "fmt ", 4) == 0)
        {
            uint8_t f[kFormatBytes];
            // A chunk too short for the format, or one the file cuts, gives no format.
            if (size >= kFormatBytes && rest >= kFormatBytes &&
                std::fread(f, 1, sizeof f, file.f) == sizeof f)
            {
                WAVEFORMATEX w{};
                w.wFormatTag = Le16(f);
                w.nChannels = Le16(f + 2);
                w.nSamplesPerSec = Le32(f + 4);
                w.nAvgBytesPerSec = Le32(f + 8);
                w.nBlockAlign = Le16(f + 12);
                w.wBitsPerSample = Le16(f + 14);
                // Without channels, rate or block size there is nothing to play.
                if (w.nChannels && w.nSamplesPerSec && w.nBlockAlign)
                {
                    m_Format = w;
                    formatFound = true;
                }
            }
        }
        else if (std::memcmp(head, "data", 4) == 0)
        {
            if (m_pReadedWaveData)
            {
                delete[] m_pReadedWaveData;
                m_pReadedWaveData = nullptr;
                m_dwDataSize = 0;
                g_Debug.RemoveAllocation(TAG_WAVE_DATA);
                dataFound = false;
            }
            // A size past the end of the file (or past what a buffer can
            // hold) is damage, not a promise: the load fails.
            if (static_cast<long long>(size) > rest || size > DSBSIZE_MAX)
            {
                dataBroken = true;
                break;
            }
            m_pReadedWaveData = new (std::nothrow) BYTE[size ? size : 1];
            if (!m_pReadedWaveData)
            {
                dataBroken = true;
                break;
            }
            g_Debug.AddAllocation(TAG_WAVE_DATA);
            if (std::fread(m_pReadedWaveData, 1, size, file.f) != size)
            {
                dataBroken = true;
                break;
            }
            m_dwDataSize = size;
            dataFound = true;
        }
        // RIFF pads odd chunks to an even size.
        const long long next = static_cast<long long>(dataPos) + size + (size & 1u);
        if (next > fileSize)
            break;
        pos = static_cast<long>(next);
    }

    if (formatFound && dataFound && !dataBroken)
        return true;
    if (!formatFound)
        g_Console.Print("ERR #2: format chunk wrong");
    if (!dataFound || dataBroken)
        g_Console.Print("ERR #3: data chunk wrong");
    Free();
    return false;
}
