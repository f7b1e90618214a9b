// Sounds in 2D and 3D: the volume curve, the game's own distance gain, the
// play-once purge, stopping, lost buffers, and failures that must leave the
// sound lock free.
#include "sound_fixture.h"

#include "sound/MusicThread.h"
#include "sound/SoundWave.h"

#include <cmath>

namespace
{
constexpr int16_t kLevel = 12000;

std::vector<int16_t> Tone(size_t n)
{
    return std::vector<int16_t>(n, kLevel);
}
} // namespace

using SoundMgrTest = SoundTest;

TEST_F(SoundMgrTest, VolumeCurveInHundredthsOfADecibel)
{
    m_dir.Write("s.wav", WaveFile(1, 22050, Tone(100)));
    strSound* s = g_SoundMgr.CreateSound("s.wav");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(Volume(s), 0);
    const struct
    {
        float volume;
        LONG centibels;
    } cases[] = {{1.0f, 0},      {0.5f, -2000},  {0.25f, -4500}, {0.125f, -7000},
                 {0.0f, -10000}, {0.75f, -1000}, {2.0f, 0},      {-1.0f, -10000}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.volume);
        g_SoundMgr.SetSoundVolume(s, c.volume);
        EXPECT_EQ(Volume(s), c.centibels);
        EXPECT_EQ(s->fVolume, c.volume);
    }
    // The master volume is kept as a square root: 0.25 halves every level.
    g_SoundMgr.SetMasterVolume(0.25f);
    g_SoundMgr.SetSoundVolume(s, 1.0f);
    EXPECT_EQ(Volume(s), -2000);
    g_SoundMgr.SetMasterVolume(1.0f);
    EXPECT_EQ(Volume(s), 0) << "the master volume reapplies the stored volume";
    // The base volume takes effect at the next SetSoundVolume.
    g_SoundMgr.SetSoundBaseVolume(s, 0.5f);
    EXPECT_EQ(Volume(s), 0);
    g_SoundMgr.SetSoundVolume(s, 1.0f);
    EXPECT_EQ(Volume(s), -2000);
    g_SoundMgr.SetSoundBaseVolume(s, 7.0f);
    EXPECT_EQ(s->fBaseVolume, 1.0f);

    // The pan in hundredths of a decibel, held within -1..1.
    const struct
    {
        float pan;
        LONG value;
    } pans[] = {{2.0f, 10000}, {-0.5f, -5000}, {0.12345f, 1234}};
    for (const auto& p : pans)
    {
        g_SoundMgr.SetSoundPan(s, p.pan);
        LONG got = 0;
        ASSERT_EQ(s->pBuffer->GetPan(&got), DS_OK);
        EXPECT_EQ(got, p.value);
    }

    // And the level reaches the sink: -2000 is a tenth.
    g_SoundMgr.SetSoundPan(s, 0.0f);
    g_SoundMgr.SetSoundVolume(s, 0.5f);
    g_SoundMgr.PlaySound(s, true);
    const std::vector<int16_t> out = Advance(10);
    EXPECT_NEAR(out[8], kLevel / 10.0, 1.0);
    g_SoundMgr.DeleteSound(s);
}

TEST_F(SoundMgrTest, ThreeDGainFollowsTheDistance)
{
    m_dir.Write("sounds/hum.wav", WaveFile(1, 22050, Tone(100)));
    m_dir.Write("voices/hey.wav", WaveFile(1, 22050, Tone(100)));
    const D3DVECTOR origin = {0, 0, 0};
    g_SoundMgr.SetListenerPosition(origin);
    strSound* s = g_SoundMgr.CreateSound3D("sounds\\hum.wav");
    strSound* voice = g_SoundMgr.CreateSound3D("VOICES\\hey.wav");
    ASSERT_NE(s, nullptr);
    ASSERT_NE(voice, nullptr);
    EXPECT_EQ(s->fDistance, 640.0f);
    EXPECT_FALSE(s->bVoice);
    EXPECT_TRUE(voice->bVoice);

    auto volumeAt = [&](strSound* sound, float x)
    {
        g_SoundMgr.SetSoundPosition(sound, {x, 0, 0});
        return Volume(sound);
    };
    // 1.1 capped at 1; (1 - 500/640) x 1.1 = 0.2406 on the curve; 0.0687 is below 0.1.
    EXPECT_EQ(volumeAt(s, 0), 0);
    EXPECT_EQ(volumeAt(s, 500), -4687);
    EXPECT_EQ(volumeAt(s, 600), -10000);
    EXPECT_EQ(volumeAt(s, 5000), -10000);
    // A voice is 1.4 times louder, yet 0.096 is still silence ...
    EXPECT_EQ(volumeAt(voice, 600), -10000);
    // ... unless the letterbox view is on (either of its bytes), where
    // voices stay at 0.95.
    for (BYTE* bars : {&g_Panel.m_bPanoramic, &g_Panel.WideScreen})
    {
        *bars = 1;
        EXPECT_NEAR(volumeAt(voice, 600), -200, 1);
        EXPECT_EQ(volumeAt(s, 600), -10000);
        *bars = 0;
    }
    g_Panel.m_bPanoramic = 1;
    // The first 210 level frames keep every 3D sound silent.
    g_MainGame.m_iLevelFrame = CSoundMgr::SILENT_3D_FRAMES - 1;
    EXPECT_EQ(volumeAt(voice, 0), -10000);
    EXPECT_EQ(volumeAt(s, 0), -10000);
    g_MainGame.m_iLevelFrame = CSoundMgr::SILENT_3D_FRAMES;
    g_Panel.m_bPanoramic = 0;

    // The range is at least 1 and is both ends of the DirectSound range.
    g_SoundMgr.SetSoundDistance(s, 0.5f);
    EXPECT_EQ(s->fDistance, 1.0f);
    g_SoundMgr.SetSoundDistance(s, 100.0f);
    float minD = 0, maxD = 0;
    ASSERT_EQ(s->p3DBuffer->GetMinDistance(&minD), DS_OK);
    ASSERT_EQ(s->p3DBuffer->GetMaxDistance(&maxD), DS_OK);
    EXPECT_EQ(minD, 100.0f);
    EXPECT_EQ(maxD, 100.0f);

    // The listener moves and Update attenuates again.
    EXPECT_NEAR(volumeAt(s, 50), -1800, 1);
    const D3DVECTOR near = {50, 0, 0};
    g_SoundMgr.SetListenerPosition(near);
    g_SoundMgr.Update();
    EXPECT_EQ(Volume(s), 0);
}

TEST_F(SoundMgrTest, ThreeDSoundToTheRightIsLouderOnTheRightAndFades)
{
    m_dir.Write("hum.wav", WaveFile(1, 44100, Tone(4410)));
    const D3DVECTOR origin = {0, 0, 0};
    const D3DVECTOR front = {0, 0, 1};
    const D3DVECTOR top = {0, 1, 0};
    g_SoundMgr.SetListenerPosition(origin);
    g_SoundMgr.SetListenerOrientation(front, top);
    const D3DVECTOR right = {100, 0, 0};
    strSound* s = g_SoundMgr.CreateSound3DAt("hum.wav", &right, 640.0f, true, true);
    ASSERT_NE(s, nullptr);
    std::vector<int16_t> out = Advance(8);
    const int leftNear = out[14], rightNear = out[15];
    EXPECT_GT(rightNear, leftNear * 2);
    EXPECT_GT(leftNear, 0);

    const D3DVECTOR farther = {400, 0, 0};
    g_SoundMgr.SetSoundPosition(s, farther);
    g_SoundMgr.Update();
    out = Advance(8);
    EXPECT_LT(out[15], rightNear / 2);
    EXPECT_GT(out[15], out[14]);

    // Beyond the range DirectSound mutes it as well.
    const D3DVECTOR gone = {700, 0, 0};
    g_SoundMgr.SetSoundPosition(s, gone);
    g_SoundMgr.Update();
    out = Advance(8);
    EXPECT_EQ(out[14], 0);
    EXPECT_EQ(out[15], 0);
    EXPECT_EQ(g_SoundMgr.CreateSound3DAt("missing.wav", &right, 640.0f, true, false), nullptr);
    EXPECT_EQ(g_SoundMgr.CreateSound3DAt("hum.wav", nullptr, 640.0f, true, false), nullptr);
}

TEST_F(SoundMgrTest, OneShotsArePurgedAndOthersStay)
{
    m_dir.Write("step.wav", WaveFile(1, 44100, Tone(441)));
    strSound* kept = g_SoundMgr.CreateSound("step.wav");
    ASSERT_NE(kept, nullptr);
    g_SoundMgr.PlaySound(kept, false);
    g_SoundMgr.PlaySoundOnce("step.wav", 1.0f, 0.0f);
    const D3DVECTOR at = {1, 2, 3};
    g_SoundMgr.PlaySound3DOnce("step.wav", &at, 100.0f);
    ASSERT_NE(g_SoundMgr.m_pSounds, nullptr);
    EXPECT_TRUE(g_SoundMgr.m_pSounds->bAutoDelete);
    EXPECT_TRUE(g_SoundMgr.m_pSounds->b3D);
    EXPECT_EQ(g_SoundMgr.m_pSounds->vPosition.y, 2.0f);

    g_SoundMgr.Update();
    EXPECT_EQ(g_SoundMgr.m_pSounds->pNext->pNext, kept) << "still playing: nothing purged";
    TkSoundSinkAdvance(500);
    g_SoundMgr.Update();
    EXPECT_EQ(g_SoundMgr.m_pSounds, kept);
    EXPECT_EQ(kept->pNext, nullptr);
    EXPECT_FALSE(g_SoundMgr.IsPlaying(kept));
    g_SoundMgr.DeleteSound(kept);
    EXPECT_EQ(g_SoundMgr.m_pSounds, nullptr);
}

TEST_F(SoundMgrTest, StopAllLeavesLoopsPlaying)
{
    m_dir.Write("loop.wav", WaveFile(1, 44100, Tone(441)));
    strSound* loop = g_SoundMgr.CreateSound("loop.wav");
    strSound* once = g_SoundMgr.CreateSound("loop.wav");
    g_SoundMgr.PlaySound(loop, true);
    g_SoundMgr.PlaySound(once, false);
    g_SoundMgr.StopAllSounds();
    EXPECT_TRUE(g_SoundMgr.IsPlaying(loop));
    EXPECT_FALSE(g_SoundMgr.IsPlaying(once));
    g_SoundMgr.DeleteAllSounds();
    EXPECT_EQ(g_SoundMgr.m_pSounds, nullptr);
}

TEST_F(SoundMgrTest, NothingIsMadeWhileSoundIsOffOrACutSceneStops)
{
    m_dir.Write("s.wav", WaveFile(1, 44100, Tone(441)));
    strSound* s = g_SoundMgr.CreateSound("s.wav");
    ASSERT_NE(s, nullptr);
    g_Options.sound = 0;
    EXPECT_EQ(g_SoundMgr.CreateSound("s.wav"), nullptr);
    g_SoundMgr.PlaySound(s, true);
    EXPECT_FALSE(g_SoundMgr.IsPlaying(s));
    g_Options.sound = 1;
    g_Engine.m_bSkipCutscene = 1;
    EXPECT_EQ(g_SoundMgr.CreateSound3D("s.wav"), nullptr);
    g_SoundMgr.PlaySoundOnce("s.wav", 1.0f, 0.0f);
    EXPECT_EQ(g_SoundMgr.m_pSounds, s);
    g_Engine.m_bSkipCutscene = 0;
    EXPECT_EQ(g_SoundMgr.CreateSound(""), nullptr);
    EXPECT_EQ(g_SoundMgr.CreateSound(nullptr), nullptr);
    // Every call takes a null sound.
    g_SoundMgr.PlaySound(nullptr, true);
    g_SoundMgr.SetSoundVolume(nullptr, 1.0f);
    g_SoundMgr.SetSoundPosition(nullptr, {1, 2, 3});
    g_SoundMgr.DeleteSound(nullptr);
    EXPECT_FALSE(g_SoundMgr.IsPlaying(nullptr));
}

TEST_F(SoundMgrTest, FailedCreationsPrintTheirLinesAndLeaveTheLockFree)
{
    // A music thread makes the lock real: a leaked lock would hang the next call.
    m_dir.Write("music/m.ogg", OggFile(2, 44100, 44100));
    g_SoundMgr.Music_Play("music\\m.ogg", true);
    ASSERT_NE(g_SoundMgr.m_pMusic, nullptr);

    m_dir.Write("stereo.wav", WaveFile(2, 44100, Tone(100)));
    m_dir.Write("broken.wav", RiffFile({{"fmt ", FormatChunk(1, 44100, 16)}}));
    m_dir.Write("odd.wav", RiffFile({{"fmt ", FormatChunk(1, 44100, 24)}, {"data", "abcdef"}}));
    struct Case
    {
        const char* file;
        bool threeD;
        std::vector<const char*> lines;
    };
    const Case cases[] = {
        {"missing.wav",
         false,
         {"ERROR: SoundMgr.cpp  *** Sound loading problem!", "WaveFileName: missing.wav"}},
        {"broken.wav", true, {"ERR #3: data chunk wrong", "WaveFileName: broken.wav"}},
        {"stereo.wav",
         true,
         {"ERROR in SoundMgr.cpp:", "CreateSoundBuffer() failed...", "DSERR_INVALIDPARAM",
          "---> 3D Sound has to be mono!"}},
        {"odd.wav", false, {"CreateSoundBuffer() failed...", "DSERR_BADFORMAT"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.file);
        const size_t before = ConsoleLog().size();
        strSound* s = c.threeD ? g_SoundMgr.CreateSound3D(c.file) : g_SoundMgr.CreateSound(c.file);
        EXPECT_EQ(s, nullptr);
        const std::string log = ConsoleLog().substr(before);
        for (const char* line : c.lines)
            EXPECT_NE(log.find(line), std::string::npos) << line << " in " << log;
        // The lock is free again: this call would never return otherwise.
        EXPECT_TRUE(g_SoundMgr.Music_IsPlaying());
    }
    EXPECT_EQ(g_SoundMgr.m_pSounds, nullptr);
    m_dir.Write("mono.wav", WaveFile(1, 44100, Tone(100)));
    strSound* s = g_SoundMgr.CreateSound3D("mono.wav");
    ASSERT_NE(s, nullptr);
    g_SoundMgr.PlaySound(s, false);
    g_SoundMgr.DeleteSound(s);
}

TEST_F(SoundMgrTest, LostBuffersComeBackAtTheNextPlay)
{
    m_dir.Write("cached.wav", WaveFile(1, 44100, Tone(4410)));
    m_dir.Write("disk.wav", WaveFile(1, 44100, std::vector<int16_t>(4410, -kLevel)));
    ASSERT_TRUE(g_SoundMgr.PreloadSound("cached.wav"));
    strSound* cached = g_SoundMgr.CreateSound("cached.wav");
    strSound* disk = g_SoundMgr.CreateSound("disk.wav");
    ASSERT_NE(cached, nullptr);
    ASSERT_NE(disk, nullptr);
    TkSoundLoseBuffers();

    // While the device stays away the play is skipped after a bounded wait.
    TkSoundSetDeviceAvailable(false);
    g_SoundMgr.PlaySound(cached, true);
    EXPECT_FALSE(g_SoundMgr.IsPlaying(cached));
    BYTE restored = 0;
    EXPECT_EQ(g_SoundMgr.RestoreBuffer(cached->pBuffer, &restored), DSERR_BUFFERLOST);
    EXPECT_EQ(restored, 0);

    TkSoundSetDeviceAvailable(true);
    g_SoundMgr.PlaySound(cached, true);
    std::vector<int16_t> out = Advance(4);
    EXPECT_EQ(out[0], kLevel) << "refilled from the cache";
    g_SoundMgr.StopSound(cached);
    // The file changed on disk since: the refill copies no more than the buffer holds.
    m_dir.Write("disk.wav", WaveFile(1, 44100, std::vector<int16_t>(9000, kLevel / 2)));
    g_SoundMgr.PlaySound(disk, false);
    out = Advance(4500);
    EXPECT_EQ(out[0], kLevel / 2) << "refilled from the disk";
    EXPECT_EQ(out[2 * 4409], kLevel / 2);
    EXPECT_EQ(out[2 * 4410], 0);
    EXPECT_EQ(g_SoundMgr.RestoreBuffer(nullptr, nullptr), CO_E_NOTINITIALIZED);
    EXPECT_EQ(g_SoundMgr.RestoreBuffer(disk->pBuffer, nullptr), 1);
    EXPECT_EQ(g_SoundMgr.FillBuffer(nullptr, disk->pBuffer), 1);
}

TEST_F(SoundMgrTest, InitializeFailureLeavesNoDevice)
{
    g_SoundMgr.Release();
    TkSoundFailCreate(true);
    EXPECT_FALSE(g_SoundMgr.Initialize(reinterpret_cast<HWND>(this)));
    EXPECT_NE(ConsoleLog().find("Sound Initialize Failed... (DirectSoundCreate8)"), std::string::npos);
    EXPECT_EQ(g_SoundMgr.m_pDS, nullptr);
    m_dir.Write("s.wav", WaveFile(1, 44100, Tone(10)));
    EXPECT_EQ(g_SoundMgr.CreateSound("s.wav"), nullptr);
    g_SoundMgr.Music_Play("s.wav", true);
    EXPECT_EQ(g_SoundMgr.m_pMusic, nullptr);
    TkSoundFailCreate(false);
    EXPECT_FALSE(g_SoundMgr.Initialize(nullptr));
    EXPECT_NE(ConsoleLog().find("Sound Initialize Failed... (SetCooperativeLevel)"), std::string::npos);
    EXPECT_EQ(g_SoundMgr.m_pDS, nullptr);
}
