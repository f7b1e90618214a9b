// What the mixer plays, read from the headless sink.
#include "dsound_fixture.h"

#include <cmath>

namespace
{
constexpr int16_t kLevel = 10000;
constexpr DWORD kVolumeFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN;

std::vector<int16_t> Constant(size_t n, int16_t v)
{
    return std::vector<int16_t>(n, v);
}

std::vector<int16_t> Ramp(size_t n, int step)
{
    std::vector<int16_t> s(n);
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<int16_t>(static_cast<int>(i) * step);
    return s;
}
} // namespace

TEST_F(DSoundTest, VolumeInHundredthsOfADecibelScalesTheSamples)
{
    struct Case
    {
        LONG volume;
        double level;
    };
    const Case cases[] = {{0, kLevel},
                          {-600, kLevel * 0.501187},
                          {-2000, kLevel * 0.1},
                          {-4000, kLevel * 0.01},
                          {DSBVOLUME_MIN, 0.0}};
    LPDIRECTSOUNDBUFFER b = MakeMono(kVolumeFlags, Constant(4410, kLevel));
    ASSERT_NE(b, nullptr);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.volume);
        ASSERT_EQ(b->SetVolume(c.volume), DS_OK);
        ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
        const std::vector<int16_t> out = Advance(100);
        EXPECT_NEAR(out[0], c.level, 1.0);
        EXPECT_NEAR(out[1], c.level, 1.0);
        EXPECT_NEAR(out[198], c.level, 1.0);
    }
    EXPECT_EQ(b->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(b->SetVolume(-10001), DSERR_INVALIDPARAM);
}

TEST_F(DSoundTest, PanAttenuatesTheOtherSide)
{
    LPDIRECTSOUNDBUFFER b = MakeMono(kVolumeFlags, Constant(4410, kLevel));
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    const struct
    {
        LONG pan;
        double left, right;
    } cases[] = {{DSBPAN_RIGHT, 0, kLevel},
                 {DSBPAN_LEFT, kLevel, 0},
                 {2000, kLevel * 0.1, kLevel},
                 {-2000, kLevel, kLevel * 0.1},
                 {DSBPAN_CENTER, kLevel, kLevel}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pan);
        ASSERT_EQ(b->SetPan(c.pan), DS_OK);
        const std::vector<int16_t> out = Advance(10);
        EXPECT_NEAR(out[0], c.left, 1.0);
        EXPECT_NEAR(out[1], c.right, 1.0);
    }
}

TEST_F(DSoundTest, LoopingBufferWrapsWithoutAGap)
{
    const std::vector<int16_t> ramp = Ramp(1000, 7);
    LPDIRECTSOUNDBUFFER b = MakeMono(0, ramp);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    // Odd advances so that the wrap falls inside a mixing block.
    std::vector<int16_t> out = Advance(777);
    for (int i = 0; i < 4; ++i)
    {
        TkSoundSinkAdvance(777);
        const std::vector<int16_t> more = TkSoundSinkTake();
        out.insert(out.end(), more.begin(), more.end());
    }
    ASSERT_EQ(out.size(), 777u * 5 * 2);
    for (size_t i = 0; i < out.size() / 2; ++i)
    {
        ASSERT_EQ(out[2 * i], ramp[i % ramp.size()]) << "frame " << i;
        ASSERT_EQ(out[2 * i + 1], ramp[i % ramp.size()]) << "frame " << i;
    }
    DWORD status = 0;
    ASSERT_EQ(b->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, DWORD(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
}

TEST_F(DSoundTest, OneShotPlaysOnceThenStops)
{
    const std::vector<int16_t> ramp = Ramp(500, 3);
    LPDIRECTSOUNDBUFFER b = MakeMono(0, ramp);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    const std::vector<int16_t> out = Advance(800);
    for (size_t i = 0; i < 500; ++i)
        ASSERT_EQ(out[2 * i], ramp[i]);
    for (size_t i = 500; i < 800; ++i)
        ASSERT_EQ(out[2 * i], 0) << "frame " << i;
    DWORD status = 1;
    ASSERT_EQ(b->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
    // Played again, it starts from the beginning.
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(Advance(1)[0], ramp[0]);
}

TEST_F(DSoundTest, BuffersAtOtherRatesAndFormatsAreResampled)
{
    // At half the output rate each source frame lasts two output frames and
    // the mixer interpolates between them.
    LPDIRECTSOUNDBUFFER slow = MakeMono(DSBCAPS_CTRLFREQUENCY, Ramp(400, 10), TK_SOUND_RATE / 2);
    ASSERT_NE(slow, nullptr);
    ASSERT_EQ(slow->Play(0, 0, 0), DS_OK);
    std::vector<int16_t> out = Advance(600);
    for (size_t i = 0; i < 600; ++i)
        ASSERT_EQ(out[2 * i], static_cast<int16_t>(5 * i)) << "frame " << i;

    // SetFrequency takes over; 0 goes back to the buffer's own rate.
    ASSERT_EQ(slow->SetCurrentPosition(0), DS_OK);
    ASSERT_EQ(slow->SetFrequency(TK_SOUND_RATE), DS_OK);
    out = Advance(300);
    EXPECT_EQ(out[2 * 299], 2990);
    ASSERT_EQ(slow->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
    DWORD frequency = 0;
    ASSERT_EQ(slow->GetFrequency(&frequency), DS_OK);
    EXPECT_EQ(frequency, TK_SOUND_RATE / 2);
    EXPECT_EQ(slow->SetFrequency(DSBFREQUENCY_MIN - 1), DSERR_INVALIDPARAM);
    ASSERT_EQ(slow->Stop(), DS_OK);

    // 8-bit stereo: unsigned around 128, left then right.
    const uint8_t bytes[] = {192, 64, 192, 64, 192, 64, 192, 64};
    LPDIRECTSOUNDBUFFER eight = Make(0, Format(2, TK_SOUND_RATE, 8), bytes, sizeof bytes);
    ASSERT_NE(eight, nullptr);
    ASSERT_EQ(eight->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    out = Advance(2);
    EXPECT_EQ(out[0], 64 * 256);
    EXPECT_EQ(out[1], -64 * 256);
    EXPECT_EQ(eight->SetFrequency(TK_SOUND_RATE), DSERR_CONTROLUNAVAIL);
}

TEST_F(DSoundTest, SourcesAddUpAndClip)
{
    ASSERT_NE(MakeMono(0, Constant(100, 30000)), nullptr);
    ASSERT_NE(MakeMono(0, Constant(100, 30000)), nullptr);
    ASSERT_NE(MakeMono(0, Constant(100, -1000)), nullptr);
    for (LPDIRECTSOUNDBUFFER b : m_buffers)
        ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(Advance(1)[0], 32767);
    m_buffers[0]->Stop();
    EXPECT_EQ(Advance(1)[0], 29000);
}

TEST_F(DSoundTest, SilentBuffersStillMoveOn)
{
    LPDIRECTSOUNDBUFFER once = MakeMono(DSBCAPS_CTRLVOLUME, Constant(1000, kLevel));
    LPDIRECTSOUNDBUFFER loop = MakeMono(DSBCAPS_CTRLVOLUME, Constant(1000, kLevel));
    ASSERT_NE(once, nullptr);
    ASSERT_NE(loop, nullptr);
    for (LPDIRECTSOUNDBUFFER b : {once, loop})
        ASSERT_EQ(b->SetVolume(DSBVOLUME_MIN), DS_OK);
    ASSERT_EQ(once->Play(0, 0, 0), DS_OK);
    ASSERT_EQ(loop->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(Advance(2500)[0], 0);
    DWORD status = 0, play = 0;
    ASSERT_EQ(once->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u) << "a silent one-shot still ends";
    ASSERT_EQ(loop->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, 1000u) << "2500 frames into a 1000-frame loop";
}
