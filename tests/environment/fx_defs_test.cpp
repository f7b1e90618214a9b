// Effect definitions read from "afx" files: names, what a file leaves at
// zero, the keyword rules, child links, blood-drop lists, the blend report
// and damaged files.
#include "fx_fixture.h"

#include <cmath>

using namespace fxtest;

TEST_F(FxTest, NamesComeFromTheFileAndAreFoundWithoutRegardToCase)
{
    Afx("Smoke_Big", Lines({"Type Sprite"}));
    Afx("e_ogien_maly", Lines({"Type Sprite"}));
    Load();
    const EFxDef* smoke = FX.FindFxDef("SMOKE_BIG");
    ASSERT_NE(smoke, nullptr);
    EXPECT_STREQ(smoke->Name, "smoke_big");
    EXPECT_EQ(smoke->Fire, 0);
    ASSERT_NE(FX.FindFxDef("E_Ogien_Maly"), nullptr);
    EXPECT_EQ(FX.FindFxDef("e_ogien_maly")->Fire, 1);
    EXPECT_EQ(FX.FindFxDef(""), nullptr);
    EXPECT_EQ(FX.FindFxDef(nullptr), nullptr);
    EXPECT_EQ(FX.FindFxDef("smoke"), nullptr);
}

TEST_F(FxTest, AFileDefinitionStartsFromZerosNotFromTheCodeDefaults)
{
    Afx("bare", Lines({"Type Sprite"}));
    Load();
    const EFxDef* d = FX.FindFxDef("bare");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Type, FX_SPRITE);
    EXPECT_EQ(d->Scale, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(d->Life_Time, 0.0f);
    EXPECT_EQ(d->Spinning_Speed, 0.0f);
    EXPECT_EQ(d->Animated_Sprite_FPS, 0.0f);
    EXPECT_EQ(d->DamageFactor, 0.0f);
    EXPECT_EQ(d->Alpha[0], 0.0f);
    EXPECT_EQ(d->ObjectFlags, 1u);
    // The orientation is the identity, not a zero quaternion without axes.
    EXPECT_EQ(d->Orientation.Quaternion.w, 1.0f);
    EXPECT_EQ(d->Orientation.Forward, D3DXVECTOR3(0, 0, 1));

    const EFxDef code;
    EXPECT_EQ(code.Scale, D3DXVECTOR3(1, 1, 1));
    EXPECT_EQ(code.Life_Time, 1.0f);
    EXPECT_EQ(code.Spinning_Speed, 90.0f);
    EXPECT_EQ(code.Animated_Sprite_FPS, 25.0f);
    EXPECT_EQ(code.Alpha[7], 1.0f);
    EXPECT_EQ(code.DamageFactor, 1.0f);
}

TEST_F(FxTest, KeywordRulesOfTheAfxFormat)
{
    Afx("keys", Lines({
                    "color 0 1 2 3", // before its count: ignored
                    "dwColor 2",        "Color 1 10 20 30",
                    "COLOR_TIME 1 0.5", "dwAlpha 1",
                    "Alpha 0 200",
                    "Alpha 1 100", // past the count
                    "Move TRUE",        "Additive yes",
                    "Multiply 1",       "Light_Sprite true",
                    "Vel 1 2",          "Type Bogus",
                    "Type spark",       "Unknown_Keyword 5",
                    "// a note",        "Life_Time 2.5 and words",
                    "Gravity -abc",     "\tScale 1.5 2.5 3.5",
                }));
    Load();
    const EFxDef* d = FX.FindFxDef("keys");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Color[0], D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(d->Color[1], D3DXVECTOR3(10, 20, 30));
    EXPECT_EQ(d->Color_Time[1], 0.5f);
    EXPECT_EQ(d->Alpha[0], 200.0f);
    EXPECT_EQ(d->Alpha[1], 0.0f);
    EXPECT_EQ(d->Move, 1);
    EXPECT_EQ(d->Additive, 0);
    EXPECT_EQ(d->Multiply, 0);
    EXPECT_EQ(d->Light_Sprite, 1);
    EXPECT_EQ(d->Vel, D3DXVECTOR3(1, 2, 0));
    EXPECT_EQ(d->Type, FX_SPARK);
    EXPECT_EQ(d->Life_Time, 2.5f);
    EXPECT_EQ(d->Gravity, 0.0f);
    // A leading TAB is a blank: the line's first word is empty.
    EXPECT_EQ(d->Scale, D3DXVECTOR3(0, 0, 0));
    // The first line the reader does not know is reported, comments aside.
    EXPECT_NE(ConsoleLog().find("FX definition afx\\keys.afx: line ignored or cut: Unknown_Keyword 5"),
              std::string::npos);
}

TEST_F(FxTest, SlotsBeyondEightAreIgnoredAndChildrenLinkByName)
{
    std::string text;
    for (int i = 0; i < 8; ++i)
        text += "Filename tex" + std::to_string(i) + ".tga\n";
    text += "After 0.5 missing 0\n";
    text += "After 1.0 child 0.25\n";
    for (int i = 0; i < 7; ++i)
        text += "After 1 child 0\n";
    text += "Every 0.01 parent 0\n";
    Afx("parent", text);
    Afx("child", Lines({"Type Spark"}));
    Load();
    const EFxDef* p = FX.FindFxDef("parent");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->FilenameCount, 7u);
    EXPECT_STREQ(p->Filename[6], "tex6.tga");
    EXPECT_STREQ(p->Filename[7], "");
    EXPECT_EQ(p->AfterCount, 8u);
    EXPECT_EQ(p->AfterDef[0], nullptr);
    EXPECT_EQ(p->AfterDef[1], FX.FindFxDef("child"));
    EXPECT_EQ(p->AfterTime[1], 1.0f);
    EXPECT_EQ(p->AfterTimeRand[1], 0.25f);
    EXPECT_EQ(p->EveryCount, 1u);
    EXPECT_EQ(p->EveryDef[0], p); // a definition may name itself, and is told so
    const std::string log = ConsoleLog();
    EXPECT_NE(log.find("FX definition parent: its children lead back to it"), std::string::npos);
    EXPECT_EQ(log.find("FX definition child: its children"), std::string::npos);
    EXPECT_NE(log.find("FX definition afx\\parent.afx: line ignored or cut: Filename tex7.tga"),
              std::string::npos);
}

TEST_F(FxTest, TwoAfterLinesWithTheFirstMissingCountTwo)
{
    Afx("a", Lines({"After 1 nothing_here 0", "After 1 b 0"}));
    Afx("b", Lines({"Type Spark"}));
    Load();
    const EFxDef* a = FX.FindFxDef("a");
    EXPECT_EQ(a->AfterCount, 2u);
    EXPECT_EQ(a->AfterDef[0], nullptr);
    EXPECT_EQ(a->AfterDef[1], FX.FindFxDef("b"));
}

TEST_F(FxTest, DamagedFilesLoadInRangeAndReportOnce)
{
    Afx("bad", Lines({"Type Sprite", "Filename t.tga", "dwColor 12", "dwAlpha -3", "Color 9 1 1 1",
                      "Color 7 300 -5 nan", "Life_Time nan", "Grow inf", "Pos 1e30 2 3", "Vel nan nan nan",
                      "Hurt_Player -4", "Explosion_Power -1"}));
    Load();
    const EFxDef* d = FX.FindFxDef("bad");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->dwColor, 8u);
    EXPECT_EQ(d->dwAlpha, 0u);
    EXPECT_EQ(d->Color[7].x, 300.0f);
    EXPECT_EQ(d->Color[7].z, 0.0f);
    EXPECT_EQ(d->Life_Time, 0.0f);
    EXPECT_EQ(d->Grow, 0.0f);
    EXPECT_EQ(d->Pos.x, 1.0e6f);
    EXPECT_EQ(d->Vel, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(d->Hurt_Player, -4.0f);
    const std::string log = ConsoleLog();
    EXPECT_NE(log.find("Ujemny hurt_player dla bad"), std::string::npos);
    EXPECT_NE(log.find("Ujemny explosion_power dla bad"), std::string::npos);
    // One report line for the file, however many lines were out of range.
    const std::string mark = "FX definition afx\\bad.afx";
    const size_t first = log.find(mark);
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(log.find(mark, first + 1), std::string::npos);

    // Started and run, it makes no NaN anywhere.
    EFxInstance* fx = FX.CreateFxByName("bad", nullptr, nullptr);
    ASSERT_NE(fx, FX.Reserved());
    FX.Update();
    FX.UpdateSprites();
    for (float v : {fx->m_vPos.x, fx->m_vPos.y, fx->m_vPos.z, fx->m_fLifeFraction, fx->m_vAnchor.x})
        EXPECT_TRUE(std::isfinite(v));
    // A life of 0 shows its last key at once; its channels are held to 0..255.
    EXPECT_EQ(fx->m_dwColor & 0xFFFFFF, 0xFF0000u);
}

TEST_F(FxTest, TheTableFullReportsAndEmptyFilesStillTakeASlot)
{
    for (int i = 0; i < MAX_FXCACHE; ++i)
        ClearFxDef(&FX.m_Defs[i]);
    for (int i = 0; i < MAX_FXCACHE; ++i)
        std::snprintf(FX.m_Defs[i].Name, FX_NAME_SIZE, "d%d", i);
    temp->Write("afx/extra.afx", "");
    FX.LoadFxDef("afx\\extra.afx");
    EXPECT_NE(ConsoleLog().find("MAX_FXCACHE exceeded!"), std::string::npos);
    EXPECT_EQ(FX.FindFxDef("extra"), nullptr);

    ClearFxDef(&FX.m_Defs[5]);
    FX.LoadFxDef("afx\\extra.afx");
    EXPECT_EQ(FX.FindFxDef("extra"), &FX.m_Defs[5]);
    FX.LoadFxDef("afx\\missing.afx"); // skipped silently
    EXPECT_EQ(FX.FindFxDef("missing"), nullptr);
}

TEST_F(FxTest, BloodDropListsSkipCommentsAndStopAt32)
{
    std::string first = "// a note\n\n//x\n";
    for (int i = 0; i < 40; ++i)
        first += "drop" + std::to_string(i) + ".tga   \n";
    temp->Write("scripts/BloodDrops.txt", first);
    temp->Write("scripts/BloodDropsOF.txt", "stain.tga\n" + std::string(100, 'n') + "\n");
    Afx("x", "");
    Load();
    EXPECT_EQ(FX.m_BloodDrops[0].m_iCount, 32u);
    EXPECT_STREQ(FX.m_BloodDrops[0].m_szNames[0], "//x");
    EXPECT_STREQ(FX.m_BloodDrops[0].m_szNames[1], "drop0.tga");
    EXPECT_EQ(FX.m_BloodDrops[1].m_iCount, 2u);
    EXPECT_EQ(std::strlen(FX.m_BloodDrops[1].m_szNames[1]), 63u);
}

TEST_F(FxTest, BlendReportListsTexturesUsedAdditiveAndNormal)
{
    Afx("a_glow", Lines({"Type Sprite", "Filename glow.tga", "Additive true"}));
    Afx("b_smoke", Lines({"Type Sprite", "Filename GLOW.tga"}));
    Afx("c_other", Lines({"Type Sprite", "Filename other.tga"}));
    Load();
    EXPECT_EQ(temp->Read("!fx_bugs.txt"), Lines({"*** tekstura glow.tga uzyta jako Additive i Normal!",
                                                 "Jako additive w a_glow", "Jako normal w b_smoke"}));

    ClearFxDef(FX.FindFxDef("b_smoke"));
    FX.CheckTextureBlend();
    EXPECT_FALSE(temp->Exists("!fx_bugs.txt"));
}
