// The HUD's services: fades, the blink, the message box, subtitles with and
// without a speaker, the caption, the countdown text, the projection, hit
// markers, and the "Panel" save section with a damaged one.

#include "ui_fixture.h"

#include "characters/Postac.h"
#include "shell/SaveFile.h"
#include "ui/HudLayout.h"
#include "world/Camera.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace uitest
{
namespace
{
using PanelServices = HudTest;

// A character record in use, without a scene object.
strpostac* Speaker(int n)
{
    static strpostac records[16];
    records[n] = strpostac{};
    records[n].used = 1;
    return &records[n];
}

TEST_F(PanelServices, FadesWithADurationOfZeroOrLessOrNotANumberChangeNothing)
{
    const float bad[] = {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()};
    void (Panel::*faders[])(float) = {&Panel::FadeIn, &Panel::FadeOut, &Panel::Fader2In, &Panel::Fader2Out};
    for (auto fader : faders)
        for (float duration : bad)
        {
            g_Panel.m_fFadeAlpha = 0.25f;
            g_Panel.m_White.alpha = 0.25f;
            (g_Panel.*fader)(duration);
            EXPECT_EQ(
                g_Panel.m_bFadeIn | g_Panel.m_bFadeOut | g_Panel.m_White.fadeIn | g_Panel.m_White.fadeOut, 0);
            EXPECT_EQ(g_Panel.m_fFadeAlpha, 0.25f);
            EXPECT_EQ(g_Panel.m_White.alpha, 0.25f);
        }
    g_Panel.FadeIn(-2.0f);
    EXPECT_EQ(g_Panel.m_bFadeIn, 0);
    g_Panel.FadeOut(2.0f);
    EXPECT_EQ(g_Panel.m_bFadeOut, 1);
    EXPECT_EQ(g_Panel.m_fFadeOutDuration, 2.0f);
    EXPECT_EQ(g_Panel.m_fFadeAlpha, 0.0f);
}

TEST_F(PanelServices, TwoFlashesWithinTwoSecondsGiveOneBlink)
{
    g_Panel.StartFlash();
    EXPECT_EQ(g_Panel.m_fCoverAlpha, 1.0f);
    g_Panel.m_fCoverAlpha = 0.0f;
    for (int i = 0; i < 60; ++i)
        g_Panel.Update();
    g_Panel.StartFlash();
    EXPECT_EQ(g_Panel.m_fCoverAlpha, 0.0f) << "one second later: no second blink";
    for (int i = 0; i < 61; ++i)
        g_Panel.Update();
    g_Panel.StartFlash();
    EXPECT_EQ(g_Panel.m_fCoverAlpha, 1.0f);
}

TEST_F(PanelServices, AMessageOfThreeLinesStartsTwentyUnitsHigherThanOneOfTwo)
{
    g_Panel.ShowMessage("one", "two", nullptr);
    const float two = g_Panel.m_fMessageY[0];
    g_Panel.ShowMessage("one", "two", "three");
    const float three = g_Panel.m_fMessageY[0];
    EXPECT_NEAR(two - three, hud::Y(20.0f), 1e-4f);
    EXPECT_NEAR(g_Panel.m_fMessageY[2] - g_Panel.m_fMessageY[0], 2.0f * hud::Y(20.0f), 1e-4f);
    g_Panel.ShowMessage(nullptr, nullptr, nullptr);
    EXPECT_EQ(g_Panel.m_szMessage[0][0], 0);
}

TEST_F(PanelServices, AMessageAfterReleaseOrBeforeInitWritesNoOutline)
{
    g_Panel.Release();
    ASSERT_EQ(g_Panel.m_pOutlineVB, nullptr);
    g_Panel.ShowMessage("after", "release", "ok");
    g_Panel.SetCaption("still fine");
    g_Panel.ShowSubtitle("a line without a speaker", nullptr);
    EXPECT_STREQ(g_Panel.m_szMessage[0], "a line without a speaker");
    g_Panel.Init();
}

TEST_F(PanelServices, ASubtitleWithoutSpeakerWrapsAtColumnEightyOne)
{
    struct Case
    {
        std::string text;
        std::string first, second, third;
    };
    const std::string a81 = std::string(40, 'a') + " " + std::string(40, 'b');   // 81
    const std::string a82 = std::string(40, 'a') + " " + std::string(41, 'b');   // 82
    const std::string noBlank = std::string(82, 'x');                            // 82
    const std::string stars = std::string(40, 'a') + "*" + std::string(41, 'b'); // 82
    const std::string three = a82 + " " + std::string(40, 'c') + " " + std::string(41, 'd');
    const Case cases[] = {
        {a81, a81, "", ""},
        {a82, std::string(40, 'a'), " " + std::string(41, 'b'), ""},
        {noBlank, noBlank, "", ""},
        {stars, std::string(40, 'a'), " " + std::string(41, 'b'), ""},
        {three, std::string(40, 'a'), " " + std::string(41, 'b'),
         " " + std::string(40, 'c') + " " + std::string(41, 'd')},
    };
    for (const Case& c : cases)
    {
        g_Panel.ShowSubtitle(c.text.c_str(), nullptr);
        EXPECT_EQ(g_Panel.m_szMessage[0], c.first) << c.text.size();
        EXPECT_EQ(g_Panel.m_szMessage[1], c.second) << c.text.size();
        EXPECT_EQ(g_Panel.m_szMessage[2], c.third) << c.text.size();
    }
}

TEST_F(PanelServices, LongAndOddSubtitlesAreCutToTheirFields)
{
    std::string text;
    for (int i = 0; i < 4000; ++i)
        text += (i % 7 == 0) ? ' ' : (i % 11 == 0 ? '\t' : static_cast<char>('a' + i % 26));
    g_Panel.ShowSubtitle(text.c_str(), nullptr);
    for (const char* line : g_Panel.m_szMessage)
        EXPECT_LT(std::strlen(line), static_cast<size_t>(PANEL_TEXT_SIZE));
    g_Panel.ShowSubtitle(text.c_str(), Speaker(1));
    EXPECT_LE(g_Panel.m_Subtitles[0].lines, SUBTITLE_LINES);
    g_Panel.SetCaption(text.c_str());
    EXPECT_EQ(std::strlen(g_Panel.m_szCaption), 255u);
    g_Panel.ShowSubtitle(">G01 >G02", nullptr);
    EXPECT_STREQ(g_Panel.m_szMessage[0], ">G01 >G02") << "text keys arrive already looked up";
}

TEST_F(PanelServices, ASpeakersWordsWrapAtThirtyNineAndALongWordIsSplitNotLost)
{
    char lines[SUBTITLE_LINES][SUBTITLE_LINE_SIZE];
    EXPECT_EQ(Panel::WrapSpeakerText("  hello**there   friend ", lines), 1);
    EXPECT_STREQ(lines[0], "hello there friend");

    const std::string word(60, 'w');
    const int n = Panel::WrapSpeakerText(("a " + word + " b").c_str(), lines);
    std::string joined;
    for (int i = 0; i < n; ++i)
        joined += lines[i];
    EXPECT_EQ(n, 3);
    EXPECT_EQ(joined, "a" + word + " b") << "every character of the word is placed";
    for (int i = 0; i < n; ++i)
        EXPECT_LE(std::strlen(lines[i]), 39u);

    // A line ends before it would reach 39 characters.
    const std::string fits = std::string(20, 'a') + " " + std::string(17, 'b'); // 38
    const std::string over = std::string(20, 'a') + " " + std::string(18, 'b'); // 39
    EXPECT_EQ(Panel::WrapSpeakerText(fits.c_str(), lines), 1);
    EXPECT_EQ(Panel::WrapSpeakerText(over.c_str(), lines), 2);
}

TEST_F(PanelServices, TheSameSpeakerReplacesItsSlotAndTenSpeakersFillTheTable)
{
    g_Panel.ShowSubtitle("first", Speaker(0));
    g_Panel.m_Subtitles[0].age = 4.0f;
    g_Panel.ShowSubtitle("second", Speaker(0));
    EXPECT_STREQ(g_Panel.m_Subtitles[0].text[0], "second");
    EXPECT_EQ(g_Panel.m_Subtitles[0].age, 0.0f) << "its 5 s start again";
    EXPECT_EQ(g_Panel.m_Subtitles[1].speaker, nullptr);
    for (int i = 1; i < MAX_SUBTITLES; ++i)
        g_Panel.ShowSubtitle("line", Speaker(i));
    g_Panel.ShowSubtitle("dropped", Speaker(MAX_SUBTITLES));
    for (const PanelSubtitle& slot : g_Panel.m_Subtitles)
        EXPECT_NE(slot.speaker, Speaker(MAX_SUBTITLES));
    g_Panel.ClearSpeaker(Speaker(3));
    EXPECT_EQ(g_Panel.m_Subtitles[3].speaker, nullptr);
    g_Panel.ClearSpeaker(nullptr);
    // Slots run out after five seconds.
    for (int i = 0; i < 301; ++i)
        g_Panel.Update();
    for (const PanelSubtitle& slot : g_Panel.m_Subtitles)
        EXPECT_EQ(slot.speaker, nullptr);
}

TEST_F(PanelServices, ASpeakersSlotKeepsItsSceneObjectAndEndsWithItsRecord)
{
    const float at[3] = {0.0f, 0.0f, 0.0f};
    HOBJECT body = g_Engine.CreateObject(OT_LIGHT, "", 0, 0, at, nullptr);
    ASSERT_NE(body, nullptr);
    strpostac* guard = Speaker(2);
    guard->model = body;
    g_Panel.ShowSubtitle("halt", guard);
    const PanelSubtitle& slot = g_Panel.m_Subtitles[0];
    ASSERT_EQ(slot.speaker, guard);
    EXPECT_EQ(slot.object, body) << "the character's scene object";
    EXPECT_EQ(std::memcmp(slot.pesel, body->PESEL, sizeof slot.pesel), 0);
    g_Panel.Update();
    EXPECT_EQ(slot.speaker, guard);
    // A record no longer in use takes its line with it.
    guard->used = 0;
    g_Panel.Update();
    EXPECT_EQ(slot.speaker, nullptr);
    g_Engine.DeleteObject(body);
}

TEST_F(PanelServices, OnlyTheStorysVoicesAreReadThroughWalls)
{
    struct Case
    {
        const char* what;
        void (*mark)(strpostac&);
        bool heard;
    };
    const Case cases[] = {
        {"a guard", [](strpostac&) {}, false},
        {"a partner", [](strpostac& p) { p.partner = 1; }, false},
        {"a story character", [](strpostac& p) { p.hero_keyword = 1; }, true},
        {"the player's stand-in", [](strpostac& p) { p.player_record = 1; }, true},
    };
    for (const Case& c : cases)
    {
        PanelSubtitle slot;
        slot.speaker = Speaker(4);
        c.mark(*slot.speaker);
        EXPECT_EQ(hud::SpeakerAlwaysHeard(slot), c.heard) << c.what;
    }
    EXPECT_FALSE(hud::SpeakerAlwaysHeard(PanelSubtitle{})) << "an empty slot";
}

TEST_F(PanelServices, APointBehindTheCameraIsNotProjected)
{
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    g_Camera.SetOrientation(EOrientation());
    g_Camera.UpdateProjection();
    g_Camera.UpdateView();
    float x = -7.0f, y = -7.0f;
    const float ahead[3] = {0.0f, 0.0f, 10.0f};
    g_Panel.WorldToScreen(ahead, &x, &y);
    EXPECT_NEAR(x, hud::X(512.0f), 0.01f);
    EXPECT_NEAR(y, hud::Y(384.0f), 0.01f);
    x = y = -7.0f;
    const float behind[3] = {1.0f, 0.0f, -10.0f};
    g_Panel.WorldToScreen(behind, &x, &y);
    EXPECT_EQ(x, -7.0f);
    EXPECT_EQ(y, -7.0f);
    g_Panel.WorldToScreen(nullptr, &x, &y);
    g_Panel.WorldToScreen(ahead, nullptr, &y);
}

TEST_F(PanelServices, TheCountdownReadsMinutesAndSecondsAndHoldsHugeTimes)
{
    struct Case
    {
        float seconds;
        const char* text;
    };
    const Case cases[] = {{10.9f, "00:10"}, {10.0f, "00:10"}, {9.99f, "00:09"},   {0.0f, "00:00"},
                          {-5.0f, "00:00"}, {75.0f, "01:15"}, {3600.0f, "60:00"}, {1e30f, "35791392:00"}};
    for (const Case& c : cases)
    {
        char text[32];
        Panel::CountdownText(c.seconds, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.seconds;
    }
}

TEST_F(PanelServices, HitMarkersTakeTheFirstFreeOfSixtyFourAndLastASecond)
{
    const float at[3] = {1.0f, 2.0f, 3.0f};
    for (int i = 0; i < MAX_HIT_MARKERS + 5; ++i)
        g_Panel.AddHitMarker(at);
    for (const PanelHitMarker& m : g_Panel.m_HitMarkers)
        EXPECT_EQ(m.active, 1);
    for (int i = 0; i < 61; ++i)
        g_Panel.Update();
    for (const PanelHitMarker& m : g_Panel.m_HitMarkers)
        EXPECT_EQ(m.active, 0);
}

class PanelSave : public HudTest
{
protected:
    std::string SaveSection()
    {
        FILE* f = std::tmpfile();
        g_Panel.Save(f);
        std::string bytes(static_cast<size_t>(std::ftell(f)), '\0');
        std::rewind(f);
        EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
        std::fclose(f);
        return bytes;
    }
    void LoadSection(const std::string& bytes)
    {
        FILE* f = std::tmpfile();
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::rewind(f);
        g_Panel.Load(f);
        std::fclose(f);
    }
};

TEST_F(PanelSave, SaveAndLoadKeepLetterboxFaderCoverAndHitMarkerButNotMessages)
{
    g_Panel.m_bPanoramic = 1;
    g_Panel.WideScreen = 1;
    g_Panel.m_fLetterbox = 0.5f;
    g_Panel.FadeIn(3.0f);
    g_Panel.m_fFadeAlpha = 0.75f;
    g_Panel.m_fFadeOutDuration = 2.0f;
    g_Panel.m_fCoverAlpha = 0.4f;
    const float source[3] = {1, 2, 3};
    g_Panel.ShowHitDirection(source);
    g_Panel.m_fHitAlpha = 0.6f;
    g_Panel.ShowMessage("kept?", nullptr, nullptr);
    g_Panel.SetCaption("caption");
    const std::string bytes = SaveSection();
    EXPECT_EQ(bytes.size(), 10u + 7u * 4u + 1u + 4u);

    g_Panel.Release();
    static_cast<PanelState&>(g_Panel) = PanelState();
    g_Panel.Init();
    LoadSection(bytes);
    EXPECT_EQ(g_Panel.m_bPanoramic, 1);
    EXPECT_EQ(g_Panel.WideScreen, 1);
    EXPECT_EQ(g_Panel.m_fLetterbox, 0.5f);
    EXPECT_EQ(g_Panel.m_bFadeIn, 1);
    EXPECT_EQ(g_Panel.m_fFadeAlpha, 0.75f);
    EXPECT_EQ(g_Panel.m_fFadeInDuration, 3.0f);
    EXPECT_EQ(g_Panel.m_fFadeOutDuration, 2.0f);
    EXPECT_EQ(g_Panel.m_fCoverAlpha, 0.4f);
    EXPECT_EQ(g_Panel.m_bHitShown, 1);
    EXPECT_EQ(g_Panel.m_fHitAlpha, 0.6f);
    EXPECT_EQ(g_Panel.m_szMessage[0][0], 0);
    EXPECT_EQ(g_Panel.m_bCaptionShown, 0);
}

TEST_F(PanelSave, ADamagedSectionLoadsIntoAHudWhoseFadesEnd)
{
    std::string bytes(10, '\1');
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float floats[] = {nan, INFINITY, 5.0f, nan, 0.0f, -1.0f, nan};
    for (float f : floats)
        bytes.append(reinterpret_cast<const char*>(&f), 4);
    bytes += '\1';
    bytes.append(reinterpret_cast<const char*>(&nan), 4);
    LoadSection(bytes);
    for (float f : {g_Panel.m_fLetterbox, g_Panel.m_fCoverAlpha, g_Panel.m_fFadeAlpha, g_Panel.m_fSinceBlink,
                    g_Panel.m_fHitAlpha, g_Panel.m_fHintTime})
        EXPECT_TRUE(std::isfinite(f));
    EXPECT_LE(g_Panel.m_fFadeAlpha, 1.0f);
    EXPECT_EQ(g_Panel.m_bFadeIn, 0) << "a fade-in of no length does not run";
    EXPECT_EQ(g_Panel.m_bFadeOut, 0);
    // A truncated section and a null file leave a HUD that still draws.
    LoadSection(bytes.substr(0, 7));
    g_Panel.Load(nullptr);
    g_Panel.Save(nullptr);
    g_Panel.WideScreen = 0;
    g_Panel.m_bPanoramic = 0;
    Frame();
}
} // namespace
} // namespace uitest
