#include "sound/SoundCache.h"

#include "shell/Console.h"
#include "shell/Debug.h"
#include "shell/Timer.h"

#include <cstdio>
#include <cstring>

CSoundCache g_SoundCache;

namespace
{
constexpr const char* TAG_WAVE = "CSoundWave";

bool SameName(const char* a, const char* b)
{
    for (;; ++a, ++b)
    {
        unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return false;
        if (!x)
            return true;
    }
}
} // namespace

bool CSoundCache::Find(const char* fileName, Entry** entry)
{
    if (!fileName)
        return false;
    for (Entry& e : m_Entries)
    {
        if (e.used && SameName(e.fileName, fileName))
        {
            if (entry)
                *entry = &e;
            return true;
        }
    }
    return false;
}

bool CSoundCache::Contains(const char* fileName)
{
    return Find(fileName, nullptr);
}

void CSoundCache::FreeEntry(unsigned index)
{
    if (index >= MAX_CACHED_WAVES || !m_Entries[index].used)
        return;
    Entry& e = m_Entries[index];
    if (e.wave)
    {
        delete e.wave;
        g_Debug.RemoveAllocation(TAG_WAVE);
    }
    e = {};
}

void CSoundCache::Clear()
{
    for (unsigned i = 0; i < MAX_CACHED_WAVES; ++i)
        FreeEntry(i);
}

bool CSoundCache::LoadToCache(const char* fileName)
{
    if (!fileName)
        return false;
    if (Contains(fileName))
        return true;
    // A name the entry cannot hold whole would never be found again.
    if (std::strlen(fileName) >= CACHE_NAME_SIZE)
    {
        g_Console.Print("ERROR in CSoundCache::LoadToCache(): file name too long");
        return false;
    }

    int slot = -1;
    for (int i = 0; i < MAX_CACHED_WAVES && slot < 0; ++i)
        if (!m_Entries[i].used)
            slot = i;
    if (slot < 0)
    {
        // Full: the oldest load goes, whatever its use since.
        slot = 0;
        for (int i = 1; i < MAX_CACHED_WAVES; ++i)
        {
            const Entry& e = m_Entries[i];
            const Entry& best = m_Entries[slot];
            if (e.loadTime < best.loadTime || (e.loadTime == best.loadTime && e.loadOrder < best.loadOrder))
                slot = i;
        }
        FreeEntry(static_cast<unsigned>(slot));
    }

    CSoundWave* wave = new CSoundWave();
    g_Debug.AddAllocation(TAG_WAVE);
    if (!wave->LoadWaveFromFile(fileName))
    {
        g_Console.Print("ERROR in CSoundCache::LoadToCache(): LoadWaveFromFile() failed...");
        g_Console.Print(fileName);
        delete wave;
        g_Debug.RemoveAllocation(TAG_WAVE);
        return false;
    }
    Entry& e = m_Entries[slot];
    e.used = 1;
    std::snprintf(e.fileName, sizeof e.fileName, "%s", fileName);
    e.loadTime = Timer(TIMER_GETABSOLUTETIME);
    e.wave = wave;
    e.loadOrder = ++m_NextLoad;
    return true;
}
