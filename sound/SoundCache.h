#pragma once
// CSoundCache: up to 550 waves kept by file name, so that sounds played often
// are copied into new buffers without reading the disk. When full, the wave
// loaded first makes room.

#include "sound/SoundWave.h"

class CSoundCache
{
public:
    static constexpr int MAX_CACHED_WAVES = 550;
    static constexpr int CACHE_NAME_SIZE = 255;

    struct Entry
    {
        BYTE used;
        char fileName[CACHE_NAME_SIZE];
        double loadTime;
        CSoundWave* wave;
        // Loads in order, so that loads at one clock value still leave the
        // oldest first (the headless clock stands still between frames).
        uint64_t loadOrder;
    };

    CSoundCache() = default;
    ~CSoundCache() = default;

    bool LoadToCache(const char* fileName);
    bool Find(const char* fileName, Entry** entry);
    bool Contains(const char* fileName);
    void FreeEntry(unsigned index);
    void Clear();

    Entry m_Entries[MAX_CACHED_WAVES] = {};
    uint64_t m_NextLoad = 0;
};

extern CSoundCache g_SoundCache;
