// Wave files as the sound manager reads them: the chunk reader, the cache,
// and a sound made from whatever it accepted, played for a moment.
#include "FuzzInput.h"

#include "platform/Backend.h"
#include "platform/dsound/DSoundHeadless.h"
#include "sound/SoundCache.h"
#include "sound/SoundMgr.h"
#include "sound/SoundWave.h"

#include <cstdint>
#include <cstdio>

namespace
{
constexpr const char* kFile = "fuzz.wav";
constexpr DWORD kListenFrames = 64;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzinput::StartLogging();
    TkSetBackend(TkBackend::Headless);
    g_SoundMgr.Initialize(reinterpret_cast<HWND>(&g_SoundMgr));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzinput::WriteInput(kFile, data, size);

    CSoundWave wave;
    if (wave.LoadWaveFromFile(kFile) && wave.m_dwDataSize)
    {
        // Whatever was accepted is inside what was read.
        volatile uint8_t sum = 0;
        for (DWORD i = 0; i < wave.m_dwDataSize; ++i)
            sum = static_cast<uint8_t>(sum + wave.m_pReadedWaveData[i]);
    }
    g_SoundCache.LoadToCache(kFile);
    if (strSound* s = g_SoundMgr.CreateSound(kFile))
    {
        g_SoundMgr.PlaySound(s, true);
        TkSoundSinkAdvance(kListenFrames);
        g_SoundMgr.DeleteSound(s);
    }
    if (strSound* s = g_SoundMgr.CreateSound3D(kFile))
    {
        g_SoundMgr.PlaySound(s, false);
        TkSoundSinkAdvance(kListenFrames);
        g_SoundMgr.DeleteSound(s);
    }
    TkSoundSinkClear();
    g_SoundCache.Clear();
    fuzzinput::RemoveLogs();
    return 0;
}
