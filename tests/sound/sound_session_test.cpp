// A headless session with TK_SOUND_WAV: the mixer runs in real time and what
// it plays (here the bundled wind loop and the main theme) lands in the file.
#include "sound_fixture.h"

#include "sound/SoundWave.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <thread>

namespace
{
const std::string kData = TK_DATA_DIR;

// The root mean square of the left channel over [from, to) frames.
double Rms(const BYTE* bytes, DWORD from, DWORD to)
{
    double sum = 0.0;
    for (DWORD i = from; i < to; ++i)
    {
        int16_t v;
        std::memcpy(&v, bytes + 4 * i, sizeof v);
        sum += static_cast<double>(v) * v;
    }
    return to > from ? std::sqrt(sum / (to - from)) : 0.0;
}
} // namespace

using SoundSessionTest = SoundTest;

TEST_F(SoundSessionTest, WaveFileHoldsWhatWasPlayed)
{
    g_SoundMgr.Release();
    ASSERT_EQ(setenv("TK_SOUND_WAV", "session.wav", 1), 0);
    ASSERT_TRUE(g_SoundMgr.Initialize(reinterpret_cast<HWND>(this)));
    ASSERT_EQ(unsetenv("TK_SOUND_WAV"), 0);

    strSound* wind = g_SoundMgr.CreateSound((kData + "/sounds/ambient/wind_loop.wav").c_str());
    ASSERT_NE(wind, nullptr);
    // The wind at a tenth of its level (-20 dB), the music at full level.
    g_SoundMgr.SetSoundVolume(wind, 0.5f);
    g_SoundMgr.PlaySound(wind, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    g_SoundMgr.Music_Play((kData + "/music/DuskmereMainTheme.ogg").c_str(), true);
    ASSERT_NE(g_SoundMgr.m_pMusic, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    // Releasing the device ends the file.
    g_SoundMgr.Release();

    CSoundWave wave;
    ASSERT_TRUE(wave.LoadWaveFromFile("session.wav"));
    EXPECT_EQ(wave.m_Format.nChannels, 2);
    EXPECT_EQ(wave.m_Format.nSamplesPerSec, TK_SOUND_RATE);
    EXPECT_EQ(wave.m_Format.wBitsPerSample, 16);
    const DWORD frames = wave.m_dwDataSize / 4;
    // Real time: about 1.2 s, however loaded the machine.
    ASSERT_GT(frames, TK_SOUND_RATE / 2);
    // The mixer may have run a moment before the wind started.
    DWORD first = 0;
    while (first < frames && wave.m_pReadedWaveData[4 * first] == 0 &&
           wave.m_pReadedWaveData[4 * first + 1] == 0)
        ++first;
    ASSERT_LT(first, frames / 2);
    const double early = Rms(wave.m_pReadedWaveData, first, first + TK_SOUND_RATE / 10);
    const double late = Rms(wave.m_pReadedWaveData, frames - TK_SOUND_RATE / 5, frames);
    EXPECT_GT(early, 100.0) << "the wind is heard from the start";
    EXPECT_GT(late, 2000.0) << "and the music joins it";
    EXPECT_GT(late, 2.0 * early);
}
