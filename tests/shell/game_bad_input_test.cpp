// The game started on damaged files: each file it reads at start-up is
// replaced by junk, a truncated copy or one endless line. The game must start,
// run its frames and end as usual.
#include "support/GameProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>

namespace
{
enum class Damage
{
    Junk,      // random bytes, NULs and line ends among them
    Truncated, // the first three bytes of a valid-looking file
    LongLine,  // one line of 100,000 characters, no line end
};

struct BadFile
{
    const char* file;
    Damage damage;
};

std::string Damaged(Damage damage, const std::string& original)
{
    switch (damage)
    {
    case Damage::Junk:
    {
        std::mt19937 random(12345);
        std::string bytes(65536, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random() & 0xFF);
        return bytes;
    }
    case Damage::Truncated:
        return original.substr(0, 3);
    case Damage::LongLine:
        return std::string(100000, 'x');
    }
    return original;
}

class GameOnBadFiles : public ::testing::TestWithParam<BadFile>
{
};

TEST_P(GameOnBadFiles, StartsRunsAndEndsAsUsual)
{
    const BadFile& bad = GetParam();
    TempDir dir(false);
    CopyDataTree(dir.path());
    if (bad.damage == Damage::Truncated && !dir.Exists(bad.file))
    {
        // The game writes its save files on a first run: cut a real one.
        GameProcess first(dir.path(), {{"TK_FRAMES", "2"}});
        ASSERT_EQ(first.Wait(kGameSeconds), 0);
        ASSERT_GT(dir.Read(bad.file).size(), 3u) << bad.file << " was not written by a first run";
    }
    dir.Write(bad.file, Damaged(bad.damage, dir.Read(bad.file)));

    GameProcess game(dir.path(), {{"TK_FRAMES", "20"}});
    ASSERT_EQ(game.Wait(kGameSeconds), 0);
    const auto log = ReadLines(dir.path() / "!console.txt");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Tovak 5 engine out, good bye!");
    // Without its text key the window still gets the game's name, and the log
    // says what was missing.
    if (std::string(bad.file) == "scripts/text_keys.txt")
        EXPECT_NE(std::find(log.begin(), log.end(), "ERROR: no text for >GameName in scripts\\text_keys.txt"),
                  log.end());
}

// The binary settings files are written by the game itself on a first run;
// here they exist from the start, damaged.
const BadFile kBadFiles[] = {
    {"tk.cfg", Damage::Junk},
    {"tk.cfg", Damage::LongLine},
    {"scripts/text_keys.txt", Damage::Junk},
    {"scripts/text_keys.txt", Damage::Truncated},
    {"scripts/text_keys.txt", Damage::LongLine},
    {"misc/fonts/faces.txt", Damage::Junk},
    {"misc/fonts/names.txt", Damage::LongLine},
    {"save/keys.cfg", Damage::Junk},
    {"save/keys.cfg", Damage::Truncated},
    {"save/video.cfg", Damage::Junk},
    {"save/video.cfg", Damage::Truncated},
    {"save/NamePrefixes.cfg", Damage::Junk},
    {"save/NamePrefixes.cfg", Damage::Truncated},
};

std::string CaseName(const ::testing::TestParamInfo<BadFile>& info)
{
    std::string name;
    for (const char* p = info.param.file; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    const char* damage[] = {"Junk", "Truncated", "LongLine"};
    return name + "_" + damage[static_cast<int>(info.param.damage)];
}

INSTANTIATE_TEST_SUITE_P(DamagedFiles, GameOnBadFiles, ::testing::ValuesIn(kBadFiles), CaseName);
} // namespace
