// The whole game, headless, on a copy of the data tree: the level's start sets
// off the respawners, and the soldier behind the hero, the partner beside him
// and the civilian by the houses exist with their hats; the soldier fights
// the hero and sees him, the hero's shot raises alarms, the turned-round
// picture shows the soldier where a world without respawners shows the
// grass, and the designers' switch draws the soldier's state over his head.
#include "support/Bitmap.h"
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include "tools/worldgen/DemoWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace
{
constexpr double kYawPerCount = 0.004; // radians a mouse count turns the look
// The soldier's part of the 800 x 600 picture when the hero looks at him, and
// the sky above it where his state is written.
constexpr int kFigure[4] = {370, 290, 430, 385};
constexpr int kLabel[4] = {300, 200, 500, 300};

struct CharacterLine
{
    std::map<std::string, std::string> fields;
    std::string operator[](const std::string& key) const
    {
        const auto it = fields.find(key);
        return it == fields.end() ? "" : it->second;
    }
};

// The "characters" lines of one report: "Character NAME key value ...".
std::vector<std::vector<CharacterLine>> Reports(const std::vector<std::string>& log)
{
    std::vector<std::vector<CharacterLine>> reports(1);
    for (const std::string& line : log)
    {
        if (line.rfind("Alarms raised ", 0) == 0)
        {
            CharacterLine alarms;
            alarms.fields["alarms"] = line.substr(14);
            reports.back().push_back(alarms);
            reports.emplace_back();
            continue;
        }
        if (line.rfind("Character ", 0) != 0)
            continue;
        std::istringstream in(line.substr(10));
        CharacterLine c;
        in >> c.fields["name"];
        for (std::string key, value; in >> key >> value;)
            c.fields[key] = value;
        reports.back().push_back(c);
    }
    reports.pop_back();
    return reports;
}

const CharacterLine* Find(const std::vector<CharacterLine>& report, const std::string& name)
{
    for (const CharacterLine& c : report)
        if (c["name"] == name)
            return &c;
    return nullptr;
}

int Alarms(const std::vector<CharacterLine>& report)
{
    return report.empty() ? -1 : std::stoi(report.back()["alarms"]);
}

bool Contains(const std::vector<std::string>& log, const std::string& text)
{
    return std::any_of(log.begin(), log.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

Bitmap Picture(const TempDir& dir, const char* name)
{
    Bitmap b;
    EXPECT_TRUE(b.Parse(dir.Read(name))) << name;
    return b;
}

int Differing(const Bitmap& a, const Bitmap& b, const int (&r)[4])
{
    int n = 0;
    for (int y = r[1]; y < r[3]; ++y)
        for (int x = r[0]; x < r[2]; ++x)
        {
            const uint32_t p = a.Pixel(x, y), q = b.Pixel(x, y);
            for (int shift : {0, 8, 16})
                if (std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF)) >
                    30)
                {
                    ++n;
                    break;
                }
        }
    return n;
}

// Runs the level: the hero taken to the lookout, the report there, a turn
// towards the soldier, a picture, a shot, a report, and with the labels on a
// second picture.
std::vector<std::string> PlayLevel(const TempDir& dir, bool respawners)
{
    CopyDataTree(dir.path());
    std::string world = dir.Read("worlds/level01.w");
    if (!respawners)
    {
        // Without the characters' descriptions named, the respawners make nobody.
        for (size_t at; (at = world.find("action_respawn_character_name")) != std::string::npos;)
            world.replace(at, std::string("action_respawn_character_name").size(),
                          "action_respawn_character_none");
        dir.Write("worlds/level01.w", world);
    }
    dir.Write("tk.cfg", dir.Read("tk.cfg") + "\r\nDrawCharacterPaths 1\r\n");
    using namespace worldgen;
    const double bearing =
        std::atan2(DEMO_SOLDIER_AT[0] - DEMO_LOOKOUT_AT[0], DEMO_SOLDIER_AT[1] - DEMO_LOOKOUT_AT[1]);
    // The hero is taken to the lookout on the road, where he and the soldier
    // on guard see each other.
    dir.Write("run.txt", "frame 2: wait level frame 200\n"
                         "frame 3: key press Space\n"
                         "frame 4: key press Grave\n"
                         "frame 5: keys Teleport " +
                             std::string(DEMO_LOOKOUT) +
                             "\n"
                             "frame 6: key press Enter\n"
                             "frame 7: key press Grave\n"
                             "frame 8: wait level frame 300\n"
                             "frame 9: characters\n"
                             "frame 10: mouse move " +
                             std::to_string(std::lround(bearing / kYawPerCount)) +
                             " 0\n"
                             "frame 11: wait level frame 320\n"
                             "frame 12: screenshot\n"
                             "frame 14: mouse down 0\n"
                             "frame 15: wait level frame 324\n"
                             "frame 16: mouse up 0\n"
                             "frame 17: wait level frame 326\n"
                             "frame 18: characters\n"
                             "frame 19: wait level frame 420\n"
                             "frame 20: screenshot\n"
                             "frame 22: quit\n");
    GameProcess game(dir.path(), {{"TK_FRAMES", "4000"}, {"TK_SCRIPT", (dir.path() / "run.txt").string()}});
    EXPECT_EQ(game.Wait(kGameSeconds), 0);
    return ReadLines(dir.path() / "!console.txt");
}

TEST(CharactersGame, TheDemoPeopleLiveFightAndShowTheirState)
{
    TempDir with(false);
    const auto log = PlayLevel(with, true);
    for (const char* failure :
         {"Nie ma description", "Failed creating model", "Failed weapon", " - brak animacji",
          "Failed to read czapka socket", "Failed to read OkoL Socket", "Failed to read OkoP Socket",
          "Could not find a wav file", "MAX_ALARMOW exceeded!", "Nie znaleziono fazy", "brak socketa broni",
          "nie czyta socketa", "Sound loading problem"})
        EXPECT_FALSE(Contains(log, failure)) << failure;

    const auto reports = Reports(log);
    ASSERT_EQ(reports.size(), 2u);
    const auto& start = reports[0];
    int fakeHeroes = 0;
    for (const CharacterLine& c : start)
        fakeHeroes += c["player"] == "1" ? 1 : 0;
    EXPECT_EQ(fakeHeroes, 1);
    struct Expected
    {
        const char* name;
        const char* desc;
        const char* phase;
        const char* later; // the phase that may follow by then
    };
    for (const Expected& e :
         {Expected{worldgen::DEMO_SOLDIER_SPAWN, worldgen::DEMO_SOLDIER, worldgen::DEMO_SOLDIER_GUARD_PHASE,
                   worldgen::DEMO_SOLDIER_GUARD_PHASE},
          Expected{worldgen::DEMO_PARTNER_SPAWN, worldgen::DEMO_PARTNER, "stoi", "stoi"},
          Expected{worldgen::DEMO_CIVILIAN_SPAWN, worldgen::DEMO_CIVILIAN,
                   worldgen::DEMO_CIVILIAN_FIRST_PHASE, "czujny_idzie"}})
    {
        SCOPED_TRACE(e.name);
        const CharacterLine* c = Find(start, e.name);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ((*c)["desc"], e.desc);
        EXPECT_TRUE((*c)["phase"] == e.phase || (*c)["phase"] == e.later) << (*c)["phase"];
        EXPECT_EQ((*c)["model"], "1");
        EXPECT_EQ((*c)["hat"], "1");
        EXPECT_EQ((*c)["dead"], "0");
    }
    const CharacterLine* soldier = Find(start, worldgen::DEMO_SOLDIER_SPAWN);
    ASSERT_NE(soldier, nullptr);
    EXPECT_EQ((*soldier)["weapon"], "1");
    EXPECT_EQ((*soldier)["target"], "hero");
    EXPECT_EQ((*soldier)["sees"], "1");
    EXPECT_EQ((*soldier)["engaged"], "1");
    const CharacterLine* partner = Find(start, worldgen::DEMO_PARTNER_SPAWN);
    ASSERT_NE(partner, nullptr);
    EXPECT_EQ((*partner)["target"], worldgen::DEMO_SOLDIER_SPAWN) << "a partner fights the nearest enemy";
    // The hero's shot raised alarms, and the soldier heard it: he left his post.
    EXPECT_GT(Alarms(reports[1]), Alarms(reports[0]));
    const CharacterLine* alarmed = Find(reports[1], worldgen::DEMO_SOLDIER_SPAWN);
    ASSERT_NE(alarmed, nullptr);
    EXPECT_NE((*alarmed)["phase"], worldgen::DEMO_SOLDIER_GUARD_PHASE);

    TempDir without(false);
    const auto emptyLog = PlayLevel(without, false);
    const auto emptyReports = Reports(emptyLog);
    ASSERT_EQ(emptyReports.size(), 2u);
    EXPECT_EQ(Find(emptyReports[0], worldgen::DEMO_SOLDIER_SPAWN), nullptr);

    const Bitmap soldierShown = Picture(with, "tk_screen0000.bmp");
    const Bitmap labelled = Picture(with, "tk_screen0001.bmp");
    const Bitmap grass = Picture(without, "tk_screen0000.bmp");
    const Bitmap unlabelled = Picture(without, "tk_screen0001.bmp");
    ASSERT_EQ(soldierShown.width, 800);
    ASSERT_EQ(soldierShown.height, 600);
    EXPECT_GT(Differing(soldierShown, grass, kFigure), 300) << "the soldier stands where the grass was";
    // Labels are drawn from level frame 400: the later picture of the same
    // view has text above the soldier. The empty world's two pictures differ
    // there only by what the shot left in the air.
    const int labelChange = Differing(labelled, soldierShown, kLabel);
    const int otherChange = Differing(unlabelled, grass, kLabel);
    EXPECT_GT(labelChange, 3 * otherChange + 150) << "his state written above him; " << otherChange;
}
} // namespace
