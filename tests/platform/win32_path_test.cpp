#include "win32_fixture.h"

#include "platform/win32/Path.h"

#include <sys/stat.h>

namespace
{
class Win32PathTest : public Win32Test
{
protected:
    void SetUp() override
    {
        Win32Test::SetUp();
        WriteFile("scripts/text_keys.txt", "keys");
        WriteFile("scripts/animations/Walk.TXT", "walk");
        WriteFile("Save/keys.cfg", "cfg");
        EnterTempDir();
    }
};

struct ResolveCase
{
    const char* asked;
    const char* expected;
};

TEST_F(Win32PathTest, ResolvesWindowsNamesCaseBlind)
{
    const ResolveCase cases[] = {
        {"Scripts\\TEXT_KEYS.txt", "scripts/text_keys.txt"},
        {"scripts\\text_keys.txt", "scripts/text_keys.txt"},
        {"SCRIPTS/Animations/walk.txt", "scripts/animations/Walk.TXT"},
        {"save\\KEYS.CFG", "Save/keys.cfg"},
        // A missing component and everything after it keep the asked-for case.
        {"Scripts\\New\\File.TXT", "scripts/New/File.TXT"},
        {"Save\\Video.cfg", "Save/Video.cfg"},
        {"Nowhere\\Scripts", "Nowhere/Scripts"},
        // A trailing separator names the folder itself.
        {"SCRIPTS\\", "scripts"},
        {"scripts\\animations\\\\", "scripts/animations"},
        {".\\Scripts\\Text_Keys.txt", "./scripts/text_keys.txt"},
        {"", ""},
    };
    for (const ResolveCase& c : cases)
        EXPECT_EQ(TkResolvePath(c.asked), c.expected) << "asked: " << c.asked;
}

TEST_F(Win32PathTest, ResolvesAbsolutePaths)
{
    std::string base = m_dir.string();
    EXPECT_EQ(TkResolvePath((base + "\\SCRIPTS\\Text_Keys.TXT").c_str()), base + "/scripts/text_keys.txt");
    EXPECT_EQ(TkResolvePath((base + "/save/missing.sav").c_str()), base + "/Save/missing.sav");
    EXPECT_EQ(TkResolvePath("/"), "/");
}

TEST_F(Win32PathTest, PrefersTheExactCaseThenTheFirstInOrder)
{
    WriteFile("Data/a.txt", "upper");
    WriteFile("data/a.txt", "lower");
    EXPECT_EQ(TkResolvePath("data\\a.txt"), "data/a.txt");
    EXPECT_EQ(TkResolvePath("Data\\a.txt"), "Data/a.txt");
    // Neither matches exactly: the same one every time, by byte order.
    EXPECT_EQ(TkResolvePath("DATA\\a.txt"), "Data/a.txt");
}

TEST_F(Win32PathTest, FopenReadsCaseBlindAndWritesTheAskedName)
{
    FILE* f = TkFopen("SCRIPTS\\Text_Keys.TXT", "rb");
    ASSERT_NE(f, nullptr);
    char buffer[8] = {};
    EXPECT_EQ(std::fread(buffer, 1, sizeof(buffer), f), 4u);
    std::fclose(f);
    EXPECT_STREQ(buffer, "keys");

    f = TkFopen("SAVE\\NamePrefixes.cfg", "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_TRUE(std::filesystem::exists(m_dir / "Save" / "NamePrefixes.cfg"));
    EXPECT_EQ(TkFopen(nullptr, "rb"), nullptr);

    // A folder is no file, by any case and mode.
    for (const char* mode : {"rb", "rt", "r", "r+b"})
        EXPECT_EQ(TkFopen("Scripts\\Animations", mode), nullptr) << mode;
    EXPECT_EQ(TkFopen("SAVE", "wb"), nullptr);
    EXPECT_TRUE(std::filesystem::is_directory(m_dir / "Save"));
}

// A named pipe in place of a settings file would block the game in the open,
// and a link to /dev/zero never ends a line: only regular files open, at once.
TEST_F(Win32PathTest, FopenRefusesPipesAndDevicesWithoutWaiting)
{
    ASSERT_EQ(::mkfifo((m_dir / "tk.cfg").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", m_dir / "Save" / "video.cfg");
    for (const char* mode : {"r", "rb", "r+", "a", "w"})
    {
        EXPECT_EQ(TkFopen("TK.CFG", mode), nullptr) << mode;
        EXPECT_EQ(TkFopen("save\\video.cfg", mode), nullptr) << mode;
    }
    // A link to a plain file is still that file.
    std::filesystem::create_symlink(m_dir / "Save" / "keys.cfg", m_dir / "linked.cfg");
    FILE* f = TkFopen("linked.cfg", "a");
    ASSERT_NE(f, nullptr);
    std::fputs("+", f);
    std::fclose(f);
    EXPECT_EQ(ReadFile("Save/keys.cfg"), "cfg+");
}
} // namespace
