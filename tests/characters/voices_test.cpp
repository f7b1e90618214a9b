// Character voices, the AI map data file and the debug labels.
#include "characters_fixture.h"

#include "characters/AiMapData.h"
#include "shell/Console.h"
#include "shell/TextMgr.h"
#include "ui/Panel.h"

#include <cstring>
#include <vector>

using namespace chartest;

TEST_F(CharactersTest, AlarmShoutsComeFromTheVoiceSetOfTheModel)
{
    Scripts("postac arab\nmodel arab.x\npostac marine\nmodel marine.x\npostac other\nmodel soldier.x\n");
    struct Case
    {
        const char* desc;
        int number;
        const char* file;
    };
    const Case cases[] = {
        {"arab", 7, "voices\\EnemyAQN\\EN07.wav"},
        {"arab", 12, "voices\\EnemyAQN\\EN12.wav"},
        {"marine", 15, "voices\\USA\\15.wav"},
        {"other", 3, "voices\\Enemies\\alarm3.wav"},
    };
    for (const Case& c : cases)
    {
        strpostac* p = Character(c.desc, D3DXVECTOR3(0, 0, 0));
        char file[64];
        CPostacMgr::AlarmShoutFile(p, c.number, file, sizeof file);
        EXPECT_STREQ(file, c.file);
    }
}

TEST_F(CharactersTest, ACharacterThatShoutedShoutsAgainRarelyAndNotInContact)
{
    Scripts("postac a\nfaza quiet\nshut_up\n");
    strpostac* p = Character("a", D3DXVECTOR3(0, 0, 0));
    p->camera_distance = 10.0f;
    constexpr int kCalls = 3000;
    int first = 0;
    for (int i = 0; i < kCalls; ++i)
    {
        p->has_shouted = 0;
        PMgr.ShoutAlarm(p);
        first += p->has_shouted;
    }
    EXPECT_NEAR(first, kCalls * 2 / 3, kCalls / 15) << "two in three the first time";
    int again = 0;
    for (int i = 0; i < kCalls; ++i)
    {
        p->has_shouted = 1;
        p->since_shout = 10.0f;
        PMgr.ShoutAlarm(p);
        again += p->since_shout == 0.0f ? 1 : 0;
    }
    EXPECT_NEAR(again, kCalls / 10, kCalls / 30) << "one in ten after";
    // Within 4 s with the contact byte set: never.
    p->contact = 1;
    for (int i = 0; i < 200; ++i)
    {
        p->since_shout = 3.9f;
        PMgr.ShoutAlarm(p);
        ASSERT_FLOAT_EQ(p->since_shout, 3.9f);
    }
    // Too far, dead, or told to keep quiet: never.
    p->contact = 0;
    p->has_shouted = 0;
    const auto silent = [&]
    {
        for (int i = 0; i < 100; ++i)
        {
            PMgr.ShoutAlarm(p);
            if (p->has_shouted)
                return false;
        }
        return true;
    };
    p->camera_distance = 31.0f;
    EXPECT_TRUE(silent());
    p->camera_distance = 10.0f;
    p->dead = 1;
    EXPECT_TRUE(silent());
    p->dead = 0;
    p->faza = CPostacMgr::FindFaza(p->desc, "quiet");
    EXPECT_TRUE(silent());
    p->faza = nullptr;
    g_MainGame.m_iLevelFrame = 19;
    EXPECT_TRUE(silent()) << "not in the level's first frames";
}

TEST_F(CharactersTest, CriesWaitForEachOtherUnlessForced)
{
    Scripts("postac a\n");
    strpostac* p = Character("a", D3DXVECTOR3(0, 0, 0));
    p->camera_distance = 50.0f;
    p->since_cry = 1.0f;
    PMgr.CryWounded(p, false);
    EXPECT_FLOAT_EQ(p->since_cry, 1.0f);
    PMgr.CryWounded(p, true);
    EXPECT_FLOAT_EQ(p->since_cry, 0.0f);
    p->since_cry = 5.0f;
    p->camera_distance = 61.0f;
    PMgr.CryWounded(p, true);
    EXPECT_FLOAT_EQ(p->since_cry, 5.0f) << "beyond 60";
    PMgr.CryDeath(p);
    EXPECT_FLOAT_EQ(p->since_cry, 0.0f) << "death cries carry to 100";
    p->since_cry = 5.0f;
    p->camera_distance = 101.0f;
    PMgr.CryDeath(p);
    EXPECT_FLOAT_EQ(p->since_cry, 5.0f);
}

TEST_F(CharactersTest, DialogueLinesAreFoundByLabelAndVariant)
{
    temp->Write("voices/Hero/both.wav", "x");
    temp->Write("voices/Dialogues/both.wav", "x");
    temp->Write("voices/Dialogues/line.wav", "x");
    temp->Write("voices/Dialogues/linea.wav", "x");
    temp->Write("voices/Dialogues/gap.wav", "x");
    temp->Write("voices/Dialogues/gapb.wav", "x");
    temp->Write("voices/Dialogues/three.wav", "x");
    temp->Write("voices/Dialogues/threea.wav", "x");
    temp->Write("voices/Dialogues/threeb.wav", "x");
    struct Case
    {
        const char* label;
        int counter;
        bool variants;
        const char* expected;
    };
    const Case cases[] = {
        {"both", 0, false, "voices\\Hero\\both.wav"},
        {"line", 0, true, "voices\\Dialogues\\line.wav"},
        {"line", 1, true, "voices\\Dialogues\\linea.wav"},
        {"line", 2, true, "voices\\Dialogues\\line.wav"},
        {"line", 1, false, "voices\\Dialogues\\line.wav"},
        {"gap", 1, true, "voices\\Dialogues\\gap.wav"},
        {"gap", 2, true, "voices\\Dialogues\\gap.wav"},
        {"three", 2, true, "voices\\Dialogues\\threeb.wav"},
        {"three", 4, true, "voices\\Dialogues\\threea.wav"},
        {"", 0, false, ""},
        {"missing", 0, false, ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.label) + " " + std::to_string(c.counter));
        EXPECT_STREQ(CPostacMgr::FindDialogueWav(&c.counter, c.label, c.variants), c.expected);
    }
    EXPECT_STREQ(CPostacMgr::FindDialogueWav(nullptr, "line", true), "voices\\Dialogues\\line.wav");
    EXPECT_EQ(Count(ConsoleLog(), "Could not find a wav file for label missing"), 1u);
}

TEST_F(CharactersTest, ALineWithASubtitleShowsTheKeysTextOnlyWhenBothAreGiven)
{
    temp->Write("scripts/keys.txt", ">R01 Radio check, over\n");
    g_TextMgr.Load("scripts\\keys.txt");
    struct FreeKeys
    {
        ~FreeKeys() { g_TextMgr.Free(); }
    } freeKeys;
    g_Panel.m_szMessage[0][0] = 0;
    PMgr.PlaySoundWithSubtitle("", ">R01");
    PMgr.PlaySoundWithSubtitle("voices\\radio.wav", "");
    EXPECT_STREQ(g_Panel.m_szMessage[0], "") << "nothing without both the sound and the key";
    PMgr.PlaySoundWithSubtitle("voices\\radio.wav", ">R01");
    EXPECT_STREQ(g_Panel.m_szMessage[0], "Radio check, over");
}

TEST_F(CharactersTest, TheAiMapDataLoadsOnlyWithItsKey)
{
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\level01.w");
    EXPECT_STREQ(CAiMapData::GetFileName(), "worlds\\level01.w.ai");
    auto file = [](DWORD key, size_t records, float value)
    {
        std::string bytes;
        auto u32 = [&](DWORD v)
        {
            for (int i = 0; i < 4; ++i)
                bytes.push_back(static_cast<char>(v >> (8 * i)));
        };
        u32(key);
        for (size_t r = 0; r < records; ++r)
        {
            bytes += std::string(28, '\x7');
            DWORD bits;
            std::memcpy(&bits, &value, 4);
            for (int f = 0; f < 29; ++f)
                u32(bits);
            bytes += std::string(12, '\x9');
        }
        return bytes;
    };
    auto ai = std::make_unique<CAiMapData>();
    EXPECT_FALSE(ai->LoadFile()) << "no file";
    temp->Write("worlds/level01.w.ai", file(1, 1024, 2.0f));
    EXPECT_FALSE(ai->LoadFile());
    EXPECT_FLOAT_EQ(ai->m_Records[0].orientation.Forward.x, 0.0f) << "a wrong key leaves the table";
    temp->Write("worlds/level01.w.ai", file(0, 1024, 2.0f));
    EXPECT_TRUE(ai->LoadFile());
    EXPECT_FLOAT_EQ(ai->m_Records[1023].orientation.Up.z, 2.0f);
    EXPECT_EQ(ai->m_Records[1023].head[27], 7);
    EXPECT_EQ(ai->m_Records[1023].tail[11], 9);
    // A short file is read as far as it goes; the rest stays as it was.
    ai->Clear();
    std::string shortFile = file(0, 2, 3.0f);
    shortFile.resize(shortFile.size() - 100);
    temp->Write("worlds/level01.w.ai", shortFile);
    EXPECT_TRUE(ai->LoadFile());
    EXPECT_FLOAT_EQ(ai->m_Records[0].orientation.Quaternion.x, 3.0f);
    EXPECT_FLOAT_EQ(ai->m_Records[1].orientation.Quaternion.x, 3.0f);
    EXPECT_EQ(ai->m_Records[1].tail[0], 0) << "the cut part reads as zeros";
    EXPECT_FLOAT_EQ(ai->m_Records[2].orientation.Quaternion.x, 0.0f);
    ai->Load();
    EXPECT_FLOAT_EQ(ai->m_Records[1].orientation.Quaternion.x, 3.0f) << "level start: cleared, then read";
    ai->Release();
    EXPECT_FLOAT_EQ(ai->m_Records[0].orientation.Quaternion.x, 0.0f);
}

TEST_F(CharactersTest, TheDebugLabelNamesTheCharactersState)
{
    Scripts("postac a\nfaza bot_stoi\nbot\nestimate_do_mesha spot\n");
    strpostac* p = Character("a", D3DXVECTOR3(0, 0, 0), "s1");
    char text[1024];
    PMgr.FormatCharacterLabel(p, text, sizeof text);
    EXPECT_STREQ(text, "Brak targetu!\nNO PHASE");
    const float at[3] = {0, 0, 0};
    p->target = g_Engine.CreateObject(OT_MESH, BOX_MESH, 0, 0, at, nullptr);
    g_Engine.SetObjectName(p->target, "hero_object");
    p->faza = CPostacMgr::FindFaza(p->desc, "bot_stoi");
    p->sees_target = 1;
    p->may_shoot = 1;
    p->suspended = 1;
    p->bot_stand_time = 1.5f;
    CopyCut(p->look_at, sizeof p->look_at, "house");
    PMgr.FormatCharacterLabel(p, text, sizeof text);
    const std::string label = text;
    for (const char* line :
         {"hTarget: hero_object", "Suspended", "BotStoi. Czas: 1.500000.", "Can see target",
          "Can shoot in this phase", "LookAt \"house\"", "EstimateDoMesha \"spot\"", "Faza: bot_stoi"})
        EXPECT_NE(label.find(line), std::string::npos) << line << " in " << label;
    // A small buffer is filled and ended, never overrun.
    char small[20];
    PMgr.FormatCharacterLabel(p, small, sizeof small);
    EXPECT_LT(std::strlen(small), sizeof small);
}
