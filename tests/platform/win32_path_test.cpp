#include "win32_fixture.h"

#include "platform/win32/Path.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

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
// Folders already read are remembered; any change made to them afterwards, by
// this program behind the resolver's back or by another one, is seen at the
// next lookup: a file made a moment ago is found, a removed one is not.
TEST_F(Win32PathTest, SeesEveryChangeMadeAfterAFolderWasRead)
{
    namespace fs = std::filesystem;
    // Each lookup first reads the folders and remembers the answer.
    EXPECT_EQ(TkFopen("Scripts\\NEW.TXT", "rb"), nullptr);
    EXPECT_EQ(TkResolvePath("Scripts\\NEW.TXT"), "scripts/NEW.TXT");
    EXPECT_EQ(TkResolvePath("Levels\\L01.W"), "Levels/L01.W");

    WriteFile("scripts/new.txt", "made later");
    EXPECT_EQ(TkResolvePath("Scripts\\NEW.TXT"), "scripts/new.txt");
    FILE* f = TkFopen("Scripts\\NEW.TXT", "rb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);

    // A folder made later, and a file in it.
    WriteFile("levels/l01.w", "world");
    EXPECT_EQ(TkResolvePath("Levels\\L01.W"), "levels/l01.w");

    // Removed, renamed, and a case twin that sorts first.
    fs::remove(m_dir / "scripts" / "new.txt");
    EXPECT_EQ(TkFopen("Scripts\\NEW.TXT", "rb"), nullptr);
    EXPECT_EQ(TkResolvePath("Scripts\\NEW.TXT"), "scripts/NEW.TXT");
    fs::rename(m_dir / "levels" / "l01.w", m_dir / "levels" / "L01_old.w");
    EXPECT_EQ(TkResolvePath("Levels\\L01.W"), "levels/L01.W");
    EXPECT_EQ(TkResolvePath("levels\\l01_OLD.w"), "levels/L01_old.w");
    WriteFile("levels/L01_OLD.w", "twin");
    EXPECT_EQ(TkResolvePath("levels\\l01_old.w"), "levels/L01_OLD.w");

    // The folder itself replaced by another of the same name.
    fs::remove_all(m_dir / "levels");
    WriteFile("LEVELS/l02.w", "other");
    EXPECT_EQ(TkResolvePath("levels\\L02.W"), "LEVELS/l02.w");
    EXPECT_EQ(TkResolvePath("levels\\l01_old.w"), "LEVELS/l01_old.w");

    // Made by another process, then read here.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        // The child resolves through its own copy of what the parent had read.
        const bool seen = TkResolvePath("levels\\L02.W") == "LEVELS/l02.w";
        std::FILE* made = std::fopen((m_dir / "LEVELS" / "From_Child.w").c_str(), "w");
        if (made)
            std::fclose(made);
        ::_exit(seen && made ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(TkResolvePath("levels\\FROM_CHILD.W"), "LEVELS/From_Child.w");
}

// A batch of lookups reads the file system's changes once; the files the
// program makes through TkFopen meanwhile are found at once, and after the
// batch every change is seen again. The batch's epoch changes exactly when
// what was learned of the files may no longer hold.
TEST_F(Win32PathTest, ABatchFindsTheFilesItMakesAndEveryChangeAfterIt)
{
    EXPECT_EQ(TkPathBatchEpoch(), 0u) << "nothing may be kept outside a batch";
    unsigned written = 0;
    {
        const TkPathBatch batch;
        const unsigned begun = TkPathBatchEpoch();
        EXPECT_NE(begun, 0u);
        EXPECT_EQ(TkResolvePath("Scripts\\NEW.TXT"), "scripts/NEW.TXT");
        EXPECT_EQ(TkPathBatchEpoch(), begun) << "a lookup changes nothing";
        FILE* made = TkFopen("scripts\\new.txt", "wb");
        ASSERT_NE(made, nullptr);
        std::fclose(made);
        written = TkPathBatchEpoch();
        EXPECT_NE(written, begun) << "a file was made";
        EXPECT_NE(written, 0u);
        const TkPathBatch inner;
        EXPECT_EQ(TkPathBatchEpoch(), written) << "an inner batch keeps the outer one's view";
        EXPECT_EQ(TkResolvePath("Scripts\\NEW.TXT"), "scripts/new.txt");
        FILE* read = TkFopen("SCRIPTS\\New.txt", "rb");
        ASSERT_NE(read, nullptr);
        std::fclose(read);
        EXPECT_EQ(TkPathBatchEpoch(), written) << "reading changes nothing";
        // Made behind the resolver's back, while the batch lasts.
        WriteFile("scripts/behind.txt", "x");
    }
    EXPECT_EQ(TkPathBatchEpoch(), 0u);
    EXPECT_EQ(TkResolvePath("SCRIPTS\\BEHIND.TXT"), "scripts/behind.txt");
    // A batch follows the folder changes the program makes.
    WriteFile("other/Scripts/Behind.txt", "other");
    {
        const TkPathBatch batch;
        const unsigned begun = TkPathBatchEpoch();
        EXPECT_NE(begun, written) << "a new batch learns the files afresh";
        EXPECT_EQ(TkResolvePath("SCRIPTS\\BEHIND.TXT"), "scripts/behind.txt");
        ASSERT_TRUE(SetCurrentDirectoryA("OTHER"));
        EXPECT_NE(TkPathBatchEpoch(), begun) << "the current folder changed";
        EXPECT_EQ(TkResolvePath("SCRIPTS\\BEHIND.TXT"), "Scripts/Behind.txt");
        ASSERT_TRUE(SetCurrentDirectoryA(".."));
    }
    std::filesystem::remove(m_dir / "scripts" / "new.txt");
    EXPECT_EQ(TkFopen("Scripts\\NEW.TXT", "rb"), nullptr);
}

// The current folder is part of what a relative name means.
TEST_F(Win32PathTest, FollowsTheCurrentFolder)
{
    WriteFile("other/Scripts/Text_Keys.txt", "other keys");
    EXPECT_EQ(TkResolvePath("SCRIPTS\\TEXT_KEYS.TXT"), "scripts/text_keys.txt");
    std::filesystem::current_path(m_dir / "other");
    EXPECT_EQ(TkResolvePath("SCRIPTS\\TEXT_KEYS.TXT"), "Scripts/Text_Keys.txt");
    std::filesystem::current_path(m_dir);
    EXPECT_EQ(TkResolvePath("SCRIPTS\\TEXT_KEYS.TXT"), "scripts/text_keys.txt");
}

// Threads (the music stream reads files beside the game) resolve at the same time.
TEST_F(Win32PathTest, ResolvesFromSeveralThreadsAtOnce)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 200;
    std::vector<std::thread> threads;
    std::vector<int> wrong(kThreads, 0);
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(
            [t, &wrong, this]
            {
                for (int i = 0; i < kRounds; ++i)
                {
                    if (TkResolvePath("SCRIPTS\\Animations\\WALK.txt") != "scripts/animations/Walk.TXT")
                        ++wrong[t];
                    if (t == 0 && i % 20 == 0)
                        WriteFile("scripts/made" + std::to_string(i) + ".txt", "x");
                }
            });
    for (std::thread& th : threads)
        th.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(wrong[t], 0) << "thread " << t;
    EXPECT_EQ(TkResolvePath("Scripts\\MADE180.TXT"), "scripts/made180.txt");
}
} // namespace
