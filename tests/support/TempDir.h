#pragma once
// A fresh folder for one test's files, removed afterwards. With `enter` the
// test runs inside it (the game reads its data relative to the current folder)
// and the previous folder is restored at the end; the console then logs there too.

#include "support/ConsoleLog.h"

#include <filesystem>
#include <memory>
#include <string>

// Every test program keeps its window and mutex lock files in a folder of its
// own: TK_LOCK_DIR is set before the first test runs and the folder goes at
// exit, so two test programs, or the tests of two checkouts, never see each
// other's windows. Game processes the tests start inherit it.
const std::filesystem::path& ProgramLockDir();
// Points TK_LOCK_DIR back at the program's folder after a test used another.
void RestoreProgramLockDir();

class TempDir
{
public:
    explicit TempDir(bool enter = true);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // Writes a file (folders created as needed) with exactly these bytes.
    void Write(const std::string& relative, const std::string& bytes) const;
    // The whole file, or an empty string when it is missing.
    std::string Read(const std::string& relative) const;
    bool Exists(const std::string& relative) const;

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
    bool m_entered = false;
    std::unique_ptr<ConsoleLogHere> m_log;
};
