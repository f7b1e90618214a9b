// The world's ambient sound with its cross-fade, action voices, and the
// respawner data file of a world.
#include "support/BuildPaths.h"
#include "worldfile_fixture.h"

#include "game/MainGame.h"
#include "platform/Backend.h"
#include "platform/dsound/DSoundHeadless.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "sound/SoundMgr.h"
#include "world/EngineObject.h"
#include "world/ObjectActionCalls.h"
#include "world/ObjectActionParams.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace worldtest
{
namespace
{
class Ambient : public WorldFile
{
protected:
    void SetUp() override
    {
        WorldFile::SetUp();
        // Real sounds on the headless sound device: two of the bundled waves.
        TkSetBackend(TkBackend::Headless);
        TkSoundResetHeadless();
        g_Options.sound = 1;
        ASSERT_TRUE(g_SoundMgr.Initialize(reinterpret_cast<HWND>(this)));
        g_EngineObject.Release();
        ActionCalls::ClearJournal();
        std::filesystem::create_directories("sounds");
        const std::filesystem::path data(tk::test::DataDir());
        std::filesystem::copy_file(data / "sounds" / "ambient" / "wind_loop.wav", "sounds/wind.wav");
        std::filesystem::copy_file(data / "sounds" / "pickup" / "ammo.wav", "sounds/rain.wav");
    }
    void TearDown() override
    {
        g_EngineObject.Release();
        g_SoundMgr.Release();
        EXPECT_EQ(TkSoundLiveBuffers(), 0u) << "a sound outlived the ambient state";
        TkSoundResetHeadless();
        WorldFile::TearDown();
    }
    // The ambient sound plays, looping, at the volume the fade has reached.
    static void ExpectPlaying(float volume)
    {
        strSound* s = g_EngineObject.m_pAmbientSound;
        ASSERT_NE(s, nullptr);
        EXPECT_TRUE(g_SoundMgr.IsPlaying(s));
        EXPECT_NEAR(s->fVolume, volume, 1e-4f);
    }
    static void Frames(int n)
    {
        for (int i = 0; i < n; ++i)
            g_EngineObject.UpdateAmbientSound(0.1f);
    }
    static bool Logged(const char* text) { return ConsoleLog().find(text) != std::string::npos; }
    static HOBJECT Obj(const char* name) { return g_Engine.FindObject(name, 0); }
};

TEST_F(Ambient, ASoundFadesInAndAChangeFadesTheOldOneOutFirst)
{
    EEngineObject& e = g_EngineObject;
    e.SetAmbientSound("sounds\\wind.wav", 0.8f);
    Frames(1);
    EXPECT_STREQ(e.m_szAmbientName, "sounds\\wind.wav");
    EXPECT_EQ(e.m_szAmbientRequested[0], 0);
    ExpectPlaying(0.0f);
    Frames(10);
    EXPECT_NEAR(e.m_fAmbientVolume, 0.5f, 1e-4f) << "half a unit a second";
    ExpectPlaying(0.5f);
    Frames(10);
    EXPECT_FLOAT_EQ(e.m_fAmbientVolume, 0.8f) << "and it stops at the target";
    ExpectPlaying(0.8f);

    // The same sound in other letters changes only the target.
    e.SetAmbientSound("SOUNDS\\WIND.WAV", 0.4f);
    EXPECT_EQ(e.m_szAmbientRequested[0], 0);
    Frames(2);
    EXPECT_NEAR(e.m_fAmbientVolume, 0.7f, 1e-4f);

    // Another sound: the wind fades to nothing, then the rain starts.
    e.SetAmbientSound("sounds\\rain.wav", 1.0f);
    Frames(13);
    EXPECT_STREQ(e.m_szAmbientName, "sounds\\wind.wav");
    Frames(2);
    EXPECT_STREQ(e.m_szAmbientName, "sounds\\rain.wav");
    ExpectPlaying(0.05f);

    // A sound that does not exist: the old one ends and silence stays.
    e.SetAmbientSound("sounds\\missing.wav", 1.0f);
    Frames(40);
    EXPECT_EQ(e.m_szAmbientName[0], 0);
    EXPECT_EQ(e.m_szAmbientRequested[0], 0);
    EXPECT_EQ(e.m_fAmbientVolume, 0.0f);
    EXPECT_TRUE(Logged("Ambient sound missing: sounds\\missing.wav"));
    EXPECT_EQ(e.m_pAmbientSound, nullptr);
    // Asking for the lost sound again starts it again.
    e.SetAmbientSound("sounds\\rain.wav", 1.0f);
    EXPECT_STREQ(e.m_szAmbientRequested, "sounds\\rain.wav");
    Frames(1);
    ExpectPlaying(0.0f);
}

// A file that is there but is no sound: the old sound ends, nothing ramps up
// in its place, and the name can be asked for again once it is mended.
TEST_F(Ambient, AFileThatWillNotLoadIsNoSoundAndCanBeAskedForAgain)
{
    EEngineObject& e = g_EngineObject;
    temp->Write("sounds/broken.wav", "RIFF");
    e.SetAmbientSound("sounds\\wind.wav", 1.0f);
    Frames(5);
    e.SetAmbientSound("sounds\\broken.wav", 1.0f);
    Frames(20);
    EXPECT_TRUE(Logged("Ambient sound cannot be loaded: sounds\\broken.wav"));
    EXPECT_EQ(e.m_pAmbientSound, nullptr);
    EXPECT_EQ(e.m_szAmbientName[0], 0);
    EXPECT_EQ(e.m_fAmbientVolume, 0.0f) << "no volume ramps with nothing playing";
    std::filesystem::copy_file("sounds/wind.wav", "sounds/broken.wav",
                               std::filesystem::copy_options::overwrite_existing);
    e.SetAmbientSound("sounds\\broken.wav", 1.0f);
    EXPECT_STREQ(e.m_szAmbientRequested, "sounds\\broken.wav");
    Frames(3);
    ExpectPlaying(0.1f);
    EXPECT_STREQ(e.m_szAmbientName, "sounds\\broken.wav");
}

TEST_F(Ambient, TheMetroWorldKeepsItsAmbientSoundDown)
{
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\Metro_Train_02.w");
    g_EngineObject.SetAmbientSound("sounds\\wind.wav", 1.0f);
    EXPECT_FLOAT_EQ(g_EngineObject.m_fAmbientTarget, 0.7f);
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\level01.w");
    g_EngineObject.SetAmbientSound("sounds\\wind.wav", 1.0f);
    EXPECT_FLOAT_EQ(g_EngineObject.m_fAmbientTarget, 1.0f);
}

TEST_F(Ambient, TheAmbientStateComesBackFromASave)
{
    g_EngineObject.SetAmbientSound("sounds\\wind.wav", 0.6f);
    Frames(5);
    g_EngineObject.SetAmbientSound("sounds\\rain.wav", 0.9f);
    FILE* f = std::fopen("ambient.bin", "w+b");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(g_EngineObject.SaveAmbientSound(f));
    g_EngineObject.Release();
    std::rewind(f);
    ASSERT_TRUE(g_EngineObject.LoadAmbientSound(f));
    std::fclose(f);
    EXPECT_STREQ(g_EngineObject.m_szAmbientName, "sounds\\wind.wav");
    EXPECT_STREQ(g_EngineObject.m_szAmbientRequested, "sounds\\rain.wav");
    EXPECT_FLOAT_EQ(g_EngineObject.m_fAmbientTarget, 0.9f);
    EXPECT_NEAR(g_EngineObject.m_fAmbientVolume, 0.2f, 1e-4f) << "four frames of fade-in";

    // A save cut short loads nothing.
    f = std::fopen("short.bin", "w+b");
    ASSERT_NE(f, nullptr);
    std::fputs("cut", f);
    std::rewind(f);
    EXPECT_FALSE(g_EngineObject.LoadAmbientSound(f));
    std::fclose(f);
    EXPECT_EQ(g_EngineObject.m_szAmbientName[0], 0);
}

TEST_F(Ambient, VoicesTakeTheFirstLineAndSayWhatIsMissing)
{
    temp->Write("voices/Dialogues/hero_hi.wav", "RIFF");
    ASSERT_TRUE(Load({"mesh meshes\\box.x", "name talker", "action_general_opt 1 0",
                      "action_voice_fletch hero_hi", "action_voice_other stranger", "mesh meshes\\box.x",
                      "name quiet", "action_general_opt 1 0", "action_voice_enemy gone"}));
    g_EngineObject.PlayActionVoice(Obj("talker"));
    EXPECT_TRUE(ActionCalls::Called("CDialogueMgr::SayHeroLine 1 voices\\Dialogues\\hero_hi.wav >hero_hi"));
    g_EngineObject.PlayActionVoice(Obj("quiet"));
    EXPECT_TRUE(Logged("voices\\Dialogues\\gone.wav nie istnieje!"));
    EObjectActionParams none;
    none.dwEnabled = 1;
    g_Engine.SetObjectActionParams(Obj("quiet"), &none);
    g_EngineObject.PlayActionVoice(Obj("quiet"));
    EXPECT_TRUE(Logged("Nie ma klucza"));
}

TEST_F(Ambient, RespawnerDataIsWrittenOnlyWhenThereIsSomethingToKeep)
{
    ASSERT_TRUE(Load({"mesh meshes\\box.x", "name spawner", "action_general_opt 1 0",
                      "action_respawn_character_name soldier"}));
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\t.w");
    // Nothing cached: no file, so the next start caches again.
    g_Engine.StepRespawnerData();
    EXPECT_FALSE(temp->Exists("worlds/t.w.gen"));
    EXPECT_TRUE(ActionCalls::Called("CPathMgr::CacheNearest spawner"));
    EXPECT_TRUE(Logged("spawner nie skeszowal sciezek!"));

    // A path without its place: still nothing to keep, and it says so.
    HOBJECT spawner = Obj("spawner");
    spawner->bRespawnCached = 1;
    spawner->iRespawnPlace = -1;
    g_Engine.SaveRespawners();
    EXPECT_FALSE(temp->Exists("worlds/t.w.gen"));
    EXPECT_TRUE(Logged("spawnernie ma skeszowanego miejsca!"));

    spawner->iRespawnPath[0] = 3;
    spawner->iRespawnPath[1] = -7;
    spawner->iRespawnPath[2] = 12;
    spawner->iRespawnPlace = 5;
    g_Engine.SaveRespawners();
    EXPECT_EQ(temp->Read("worlds/t.w.gen"), "spawner\n3\n-7\n12\n5\n");
}

TEST_F(Ambient, RespawnerRecordsThatDoNotResolveAreReportedAndTheRestRead)
{
    ASSERT_TRUE(Load({"mesh meshes\\box.x", "name spawner", "action_general_opt 1 0",
                      "action_respawn_character_name soldier"}));
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\t.w");
    temp->Write("worlds/t.w.gen",
                "ghost\r\n1\r\n2\r\n3\r\n4\r\nspawner\r\n1\r\n2\r\n3\r\n4\r\nspawner\r\n99");
    g_Engine.StepRespawnerData();
    EXPECT_TRUE(Logged("Nie znalazlem respawnera ghost"));
    EXPECT_TRUE(Logged("spawner ma zapisany zly path respawnu!"));
    EXPECT_EQ(Obj("spawner")->bRespawnCached, 0);
}
} // namespace
} // namespace worldtest
