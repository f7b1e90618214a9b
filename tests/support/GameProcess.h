#pragma once
// Runs the game executable as a player would start it, headless, in a folder
// holding a copy of the bundled data tree.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// How long a game run may take before a test calls it hung. Only a guard
// against a hang: sanitizer builds on a loaded machine draw their headless
// frames slowly, so it is generous.
constexpr double kGameSeconds = 300.0;

class GameProcess
{
public:
    // Starts the game in `dir` with TK_VIDEO=headless, TK_LOCK_DIR=`dir` and the
    // extra environment given (NAME, value); with `errors` its standard error
    // goes into that file.
    GameProcess(const std::filesystem::path& dir, const std::vector<std::pair<std::string, std::string>>& env,
                const std::filesystem::path& errors = {});
    ~GameProcess();
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    // Waits at most `seconds`; the exit code, or -1 when it did not end in time
    // (the process is then killed) or ended by a signal.
    int Wait(double seconds);
    bool Running();
    void Kill();

private:
    int m_pid = -1;
    int m_status = -1;
    bool m_done = false;
};

// Copies the bundled data tree into `dir`.
void CopyDataTree(const std::filesystem::path& dir);

// The lines of a text file, line ends (LF, CRLF) removed.
std::vector<std::string> ReadLines(const std::filesystem::path& file);
// Whether a line begins with `head`; the first such line goes into `found`.
bool HasLineStarting(const std::vector<std::string>& lines, const std::string& head,
                     std::string* found = nullptr);
