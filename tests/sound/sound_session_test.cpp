// A headless session with TK_SOUND_WAV: the mixer follows the virtual clock
// and what it plays (here the bundled wind loop and the main theme) lands in
// the file, however slowly the machine runs.
#include "support/BuildPaths.h"
#include "sound_fixture.h"

#include "sound/MusicThread.h"
#include "sound/SoundWave.h"

#include "platform/win32/Headless.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <thread>

namespace
{
const std::string kData = tk::test::DataDir().string();

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

// Frames of the game: the virtual clock moves a frame's step, then the sound
// manager's update plays what is due.
void Frames(int n)
{
    for (int i = 0; i < n; ++i)
    {
        TkHeadlessAdvanceFrameClock();
        g_SoundMgr.Update();
    }
}
} // namespace

using SoundSessionTest = SoundTest;

TEST_F(SoundSessionTest, WaveFileHoldsWhatWasPlayedFrameByFrameOfTheVirtualClock)
{
    g_SoundMgr.Release();
    TkHeadlessSetFrameStepMs(1000.0 / 60.0);
    ASSERT_EQ(setenv("TK_SOUND_WAV", "session.wav", 1), 0);
    ASSERT_TRUE(g_SoundMgr.Initialize(reinterpret_cast<HWND>(this)));
    ASSERT_EQ(unsetenv("TK_SOUND_WAV"), 0);
    ASSERT_TRUE(TkSoundFollowsClock());

    strSound* wind = g_SoundMgr.CreateSound((kData + "/sounds/ambient/wind_loop.wav").c_str());
    ASSERT_NE(wind, nullptr);
    // The wind at a tenth of its level (-20 dB), the music at full level.
    g_SoundMgr.SetSoundVolume(wind, 0.5f);
    g_SoundMgr.PlaySound(wind, true);
    Frames(24);
    g_SoundMgr.Music_Play((kData + "/music/DuskmereMainTheme.ogg").c_str(), true);
    ASSERT_NE(g_SoundMgr.m_pMusic, nullptr);
    // The machine's pace plays no part: however long the frames take in real
    // time, the file holds what the clock moved on.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Frames(48);
    EXPECT_EQ(TkSoundPlayedFrames(), TK_SOUND_RATE * 72 / 60);
    // Releasing the device ends the file.
    g_SoundMgr.Release();
    EXPECT_FALSE(TkSoundFollowsClock());

    CSoundWave wave;
    ASSERT_TRUE(wave.LoadWaveFromFile("session.wav"));
    EXPECT_EQ(wave.m_Format.nChannels, 2);
    EXPECT_EQ(wave.m_Format.nSamplesPerSec, TK_SOUND_RATE);
    EXPECT_EQ(wave.m_Format.wBitsPerSample, 16);
    const DWORD frames = wave.m_dwDataSize / 4;
    // 72 frames at 60 a second: 1.2 s to the sample.
    ASSERT_EQ(frames, TK_SOUND_RATE * 72 / 60);
    // The wind plays from the first sample; the music joins it at 0.4 s and
    // plays on to the end without a gap.
    const DWORD musicFrom = TK_SOUND_RATE * 24 / 60;
    const double early = Rms(wave.m_pReadedWaveData, 0, musicFrom);
    EXPECT_GT(Rms(wave.m_pReadedWaveData, 0, TK_SOUND_RATE / 100), 50.0)
        << "the wind is heard from the start";
    EXPECT_GT(early, 100.0);
    constexpr DWORD kTenth = TK_SOUND_RATE / 10;
    for (DWORD from = musicFrom + kTenth; from + kTenth <= frames; from += kTenth)
        EXPECT_GT(Rms(wave.m_pReadedWaveData, from, from + kTenth), 2.0 * early)
            << "the music plays at " << from << " without running dry";
}

TEST_F(SoundSessionTest, MusicRecordedFasterThanRealTimeIsTheTrackItselfWithNoStretchRepeated)
{
    g_SoundMgr.Release();
    TkHeadlessSetFrameStepMs(1000.0 / 60.0);
    ASSERT_EQ(setenv("TK_SOUND_WAV", "music.wav", 1), 0);
    ASSERT_TRUE(g_SoundMgr.Initialize(reinterpret_cast<HWND>(this)));
    ASSERT_EQ(unsetenv("TK_SOUND_WAV"), 0);
    const std::string track = kData + "/music/DuskmereMainTheme.ogg";
    g_SoundMgr.Music_Play(track.c_str(), false);
    ASSERT_NE(g_SoundMgr.m_pMusic, nullptr);
    // Two seconds of frames in a moment: ten times the streaming buffer, so
    // the stream must be refilled as the file is written, not by the worker's
    // real-time naps.
    Frames(120);
    g_SoundMgr.Release();

    CSoundWave wave;
    ASSERT_TRUE(wave.LoadWaveFromFile("music.wav")) << ConsoleLog();
    const DWORD frames = wave.m_dwDataSize / 4;
    ASSERT_EQ(frames, TK_SOUND_RATE * 2);
    auto left = [&](DWORD i)
    {
        int16_t v;
        std::memcpy(&v, wave.m_pReadedWaveData + 4 * i, sizeof v);
        return static_cast<double>(v);
    };
    const std::vector<int16_t> decoded = DecodeOgg(track);
    const size_t trackFrames = decoded.size() / 2;
    ASSERT_GT(trackFrames, static_cast<size_t>(frames));
    // How far into the track the file starts (playback begins inside the
    // streaming buffer's first fill): the best match of the file's first
    // twentieth of a second.
    auto match = [&](DWORD from, DWORD count, size_t into)
    {
        double sum = 0.0, heard = 0.0, want = 0.0;
        for (DWORD i = from; i < from + count; ++i)
        {
            const double w = decoded[2 * (i + into)];
            sum += left(i) * w;
            heard += left(i) * left(i);
            want += w * w;
        }
        return sum / std::sqrt(heard * want + 1e-9);
    };
    size_t into = 0;
    double best = -1.0;
    for (size_t d = 0; d < static_cast<size_t>(CMusicThread::STREAM_FRAMES); ++d)
        if (const double m = match(0, TK_SOUND_RATE / 20, d); m > best)
        {
            best = m;
            into = d;
        }
    ASSERT_GT(best, 0.99);
    // Every later tenth of a second is the track's own stretch at the same
    // offset, never an earlier stretch played again.
    constexpr DWORD kTenth = TK_SOUND_RATE / 10;
    for (DWORD from = 0; from + kTenth <= frames; from += kTenth)
        EXPECT_GT(match(from, kTenth, into), 0.99) << "at " << from;
}

TEST_F(SoundSessionTest, ATrackIsSeenToEndInTheFrameItsEndIsPlayedWhateverTheWorkersPace)
{
    g_SoundMgr.Release();
    // Frames of one mixing stretch each, so every frame ends on a stretch.
    TkHeadlessSetFrameStepMs(1000.0 * CSoundMgr::CLOCK_STEP_FRAMES / TK_SOUND_RATE);
    ASSERT_EQ(setenv("TK_SOUND_WAV", "once.wav", 1), 0);
    ASSERT_TRUE(g_SoundMgr.Initialize(reinterpret_cast<HWND>(this)));
    ASSERT_EQ(unsetenv("TK_SOUND_WAV"), 0);
    m_dir.Write("music/once.ogg", OggFile(1, 44100, 4410));
    g_SoundMgr.Music_Play("music\\once.ogg", false);
    ASSERT_NE(g_SoundMgr.m_pMusic, nullptr);
    // What the game sees of the music changes only in its own frames: the
    // worker's real-time naps between them play no part.
    int frames = 0;
    for (bool playing = true; playing && frames < 100; ++frames)
    {
        Frames(1);
        playing = g_SoundMgr.Music_IsPlaying();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_EQ(g_SoundMgr.Music_IsPlaying(), playing)
            << "between frames " << frames << " and " << frames + 1;
    }
    // A tenth of a second of track, played from its 512th frame on, with the
    // streaming buffer's silence after it: it ends within the buffer's length.
    EXPECT_GE(frames, 9);
    EXPECT_LE(frames, 10 + CMusicThread::STREAM_FRAMES / static_cast<int>(CSoundMgr::CLOCK_STEP_FRAMES) + 1);
}
