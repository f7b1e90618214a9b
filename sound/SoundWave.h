#pragma once
// CSoundWave: one RIFF wave file read whole into memory, its format and its
// sample data, ready to be copied into a sound buffer.

#include "platform/dsound/DSound.h"

class CSoundWave
{
public:
    static constexpr int FILE_NAME_SIZE = 256;
    static constexpr int WAVE_SLOTS = 10;

    CSoundWave() = default;
    ~CSoundWave() { Free(); }
    CSoundWave(const CSoundWave&) = delete;
    CSoundWave& operator=(const CSoundWave&) = delete;

    // Reads the file; on failure prints why and leaves the wave empty.
    bool LoadWaveFromFile(const char* fileName);
    // Frees the data and clears the format and the size.
    void Free();

    char m_szFileName[FILE_NAME_SIZE] = {};
    WAVEFORMATEX m_Format = {};
    DWORD m_dwDataSize = 0;
    BYTE* m_pReadedWaveData = nullptr;
    DWORD m_dwSpare = 0;
    BYTE* m_pWave[WAVE_SLOTS] = {}; // nothing fills them; freed when set
};
