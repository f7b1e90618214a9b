#pragma once
// The sound tests: a sound manager on the headless sink inside a temporary
// folder, with wave and Ogg Vorbis files written by the tests themselves.

#include "support/ConsoleLog.h"
#include "support/Globals.h"
#include "support/TempDir.h"

#include "game/MainGame.h"
#include "platform/Backend.h"
#include "platform/dsound/DSoundHeadless.h"
#include "shell/GameOptions.h"
#include "sound/SoundCache.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "world/Engine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// A RIFF wave file from its chunks, each given as identifier and bytes.
struct WaveChunk
{
    std::string id;
    std::string bytes;
    // The size word; by default the size of the bytes.
    int64_t declaredSize = -1;
};
std::string RiffFile(const std::vector<WaveChunk>& chunks);
std::string FormatChunk(uint16_t channels, uint32_t rate, uint16_t bits);
std::string Samples16(const std::vector<int16_t>& samples);
// A whole 16-bit PCM wave file.
std::string WaveFile(uint16_t channels, uint32_t rate, const std::vector<int16_t>& samples);

// An Ogg Vorbis file of `frames` frames of a tone per channel, encoded with libvorbis.
std::string OggFile(int channels, long rate, long frames, float hz = 440.0f);
// The file decoded with libvorbisfile, as 16-bit samples truncated toward zero.
std::vector<int16_t> DecodeOgg(const std::string& path);

class SoundTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TkSetBackend(TkBackend::Headless);
        TkSoundResetHeadless();
        g_Options.sound = 1;
        g_Engine.m_bSkipCutscene = 0;
        g_Panel.m_bPanoramic = 0;
        g_MainGame.m_iLevelFrame = CSoundMgr::SILENT_3D_FRAMES;
        ASSERT_TRUE(g_SoundMgr.Initialize(reinterpret_cast<HWND>(this)));
    }

    void TearDown() override
    {
        g_SoundMgr.Release();
        EXPECT_EQ(g_SoundMgr.m_pSounds, nullptr);
        EXPECT_EQ(TkSoundLiveBuffers(), 0u);
        TkSoundResetHeadless();
    }

    static LONG Volume(strSound* s)
    {
        LONG v = 1;
        EXPECT_EQ(s->pBuffer->GetVolume(&v), DS_OK);
        return v;
    }

    static std::vector<int16_t> Advance(DWORD frames)
    {
        TkSoundSinkClear();
        TkSoundSinkAdvance(frames);
        return TkSoundSinkTake();
    }

    GlobalsSnapshot m_globals; // the settings and game state the tests change come back
    TempDir m_dir;
};
