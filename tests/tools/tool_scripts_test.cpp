// The scripts of tools/ that the two README commands run, on fixtures of
// their own: the shuffled whole runs of the test programs and what they print
// when one fails, and the run folder's copy of the bundled data.
#include "support/BuildPaths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace
{
const fs::path kTools = tk::test::DataDir().parent_path() / "tools";

struct ScriptRun
{
    int exitCode = -1;
    std::string output; // standard output and error together
};

// Runs a shell command line; its exit code and everything it printed.
ScriptRun RunScript(const std::string& command)
{
    ScriptRun run;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer{};
    size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.output.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Quoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

// A stand-in test program: a shell script that prints what a GoogleTest
// program prints and then behaves as `ending` says.
void WriteTestProgram(const TempDir& dir, const std::string& name, const std::string& ending)
{
    dir.Write("tests/" + name, "#!/bin/sh\n"
                               "echo '[==========] Running 2 tests from 1 test suite.'\n"
                               "echo '[ RUN      ] Fake.First'\n"
                               "echo '[       OK ] Fake.First (0 ms)'\n"
                               "echo '[ RUN      ] Fake.Second'\n" +
                                   ending);
    fs::permissions(dir.path() / "tests" / name, fs::perms::owner_all);
}

TEST(ShuffledRuns, AProgramThatDiesPartWayShowsItsLastTestAndMessage)
{
    TempDir dir(false);
    WriteTestProgram(dir, "tests_dies", "echo 'fatal: the device went away' >&2\nkill -ABRT $$\n");
    const ScriptRun run = RunScript(Quoted(kTools / "shuffled.sh") + " " + Quoted(dir.path()));
    EXPECT_NE(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("shuffled run of tests_dies FAILED"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("last test started: Fake.Second"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("fatal: the device went away"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("--gtest_random_seed="), std::string::npos) << run.output;
}

TEST(ShuffledRuns, FailedAssertionsAreListedAndPassingProgramsSayNothing)
{
    TempDir dir(false);
    WriteTestProgram(dir, "tests_fails",
                     "echo 'a_test.cpp:12: Failure'\n"
                     "echo '[  FAILED  ] Fake.Second (1 ms)'\nexit 1\n");
    WriteTestProgram(dir, "tests_passes", "echo '[       OK ] Fake.Second (0 ms)'\nexit 0\n");
    const ScriptRun run = RunScript(Quoted(kTools / "shuffled.sh") + " " + Quoted(dir.path()));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.output.find("a_test.cpp:12: Failure"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("[  FAILED  ] Fake.Second"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("tests_passes"), std::string::npos) << run.output;

    TempDir clean(false);
    WriteTestProgram(clean, "tests_passes", "echo '[       OK ] Fake.Second (0 ms)'\nexit 0\n");
    const ScriptRun passing = RunScript(Quoted(kTools / "shuffled.sh") + " " + Quoted(clean.path()));
    EXPECT_EQ(passing.exitCode, 0);
    EXPECT_EQ(passing.output, "");
}

TEST(ShuffledRuns, TheSeedGivenIsTheSeedEveryProgramRunsWith)
{
    TempDir dir(false);
    dir.Write("tests/tests_seed", "#!/bin/sh\necho \"args: $*\"\nexit 3\n");
    fs::permissions(dir.path() / "tests/tests_seed", fs::perms::owner_all);
    const ScriptRun run =
        RunScript("TK_SHUFFLE_SEED=9145 " + Quoted(kTools / "shuffled.sh") + " " + Quoted(dir.path()));
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.output.find("args: --gtest_shuffle --gtest_random_seed=9145"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("exit code 3"), std::string::npos) << run.output;
}

TEST(ShuffledRuns, TheTestsListedAsStartingTheGameAreLeftOutOnce)
{
    TempDir dir(false);
    dir.Write("tests/tests_listed", "#!/bin/sh\necho \"args: $*\"\nexit 3\n");
    fs::permissions(dir.path() / "tests/tests_listed", fs::perms::owner_all);
    // Each test that starts the game adds its line, and a retried one adds it again.
    dir.Write("game-tests.txt", "Menu.Opens\nDamaged/Files.Load/Junk\nMenu.Opens\n");
    const ScriptRun run = RunScript("TK_GAME_TESTS=" + Quoted(dir.path() / "game-tests.txt") + " " +
                                    Quoted(kTools / "shuffled.sh") + " " + Quoted(dir.path()));
    EXPECT_NE(run.output.find("--gtest_filter=-Damaged/Files.Load/Junk:Menu.Opens\n"), std::string::npos)
        << run.output;

    // No list, or an empty one: every test runs.
    dir.Write("game-tests.txt", "");
    const ScriptRun empty = RunScript("TK_GAME_TESTS=" + Quoted(dir.path() / "game-tests.txt") + " " +
                                      Quoted(kTools / "shuffled.sh") + " " + Quoted(dir.path()));
    EXPECT_EQ(empty.output.find("--gtest_filter"), std::string::npos) << empty.output;
}

std::string CopyData(const TempDir& bundle, const TempDir& run)
{
    const ScriptRun copy =
        RunScript(Quoted(kTools / "copy-data.sh") + " " + Quoted(bundle.path()) + " " + Quoted(run.path()));
    EXPECT_EQ(copy.exitCode, 0) << copy.output;
    return copy.output;
}

TEST(RunFolder, FilesThePlayerOrTheGameChangedAreKeptAndTheRestFollowsTheBundle)
{
    TempDir bundle(false);
    TempDir run(false);
    bundle.Write("tk.cfg", "Windowed 1\n");
    bundle.Write("worlds/level01.w", "mesh a\n");
    bundle.Write("scripts/my texts.txt", "one\n");
    EXPECT_EQ(CopyData(bundle, run), "");
    EXPECT_EQ(run.Read("tk.cfg"), "Windowed 1\n");
    EXPECT_EQ(run.Read("scripts/my texts.txt"), "one\n");

    // The player turns full screen on, the game saves; the bundle moves on.
    run.Write("tk.cfg", "Windowed 0\n");
    run.Write("save/keys.cfg", "bindings");
    bundle.Write("tk.cfg", "Windowed 1\nDebug 0\n");
    bundle.Write("worlds/level01.w", "mesh b\n");
    bundle.Write("worlds/level02.w", "mesh c\n");
    const std::string said = CopyData(bundle, run);
    EXPECT_NE(said.find("keeping " + (run.path() / "tk.cfg").string()), std::string::npos) << said;
    EXPECT_EQ(run.Read("tk.cfg"), "Windowed 0\n");
    EXPECT_EQ(run.Read("save/keys.cfg"), "bindings");
    EXPECT_EQ(run.Read("worlds/level01.w"), "mesh b\n");
    EXPECT_EQ(run.Read("worlds/level02.w"), "mesh c\n");
    EXPECT_EQ(run.Read("scripts/my texts.txt"), "one\n");

    // Still the player's on the next run, and the bundle's again once the player removes it.
    CopyData(bundle, run);
    EXPECT_EQ(run.Read("tk.cfg"), "Windowed 0\n");
    std::filesystem::remove(run.path() / "tk.cfg");
    EXPECT_EQ(CopyData(bundle, run), "");
    EXPECT_EQ(run.Read("tk.cfg"), "Windowed 1\nDebug 0\n");
}

TEST(RunFolder, ARunFolderWithoutARecordKeepsEveryFileThatDiffers)
{
    TempDir bundle(false);
    TempDir run(false);
    bundle.Write("tk.cfg", "Windowed 1\n");
    bundle.Write("a.txt", "same\n");
    run.Write("tk.cfg", "Windowed 0\n");
    run.Write("a.txt", "same\n");
    const std::string said = CopyData(bundle, run);
    EXPECT_NE(said.find("keeping"), std::string::npos);
    EXPECT_EQ(run.Read("tk.cfg"), "Windowed 0\n");
    EXPECT_EQ(run.Read("a.txt"), "same\n");
}
} // namespace
