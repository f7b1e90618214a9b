// The scripts of tools/ that the two README commands run, on fixtures of
// their own: the shuffled whole runs of the test programs and what they print
// when one fails.
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
const fs::path kTools = fs::path(TK_DATA_DIR).parent_path() / "tools";

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
} // namespace
