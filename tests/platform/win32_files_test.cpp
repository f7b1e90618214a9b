#include "win32_fixture.h"

#include "platform/win32/Wildcard.h"

namespace
{
class Win32FilesTest : public Win32Test
{
protected:
    void SetUp() override
    {
        Win32Test::SetUp();
        EnterTempDir();
    }

    // Every name FindFirstFileA/FindNextFileA list for the pattern, in order.
    std::vector<std::string> List(const char* pattern)
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(pattern, &data);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do
            names.push_back(data.cFileName);
        while (FindNextFileA(find, &data));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
        EXPECT_TRUE(FindClose(find));
        return names;
    }
};

TEST(Win32Wildcard, MatchesStarsAndQuestionMarksCaseBlind)
{
    struct Case
    {
        const char* pattern;
        const char* name;
        bool match;
    };
    const Case cases[] = {
        {"*", "anything.txt", true},
        {"*.sav", "Slot1.SAV", true},
        {"*.sav", "slot1.sav.bak", false},
        {"slot?.sav", "SLOT7.sav", true},
        {"slot?.sav", "slot10.sav", false},
        // '?' takes nothing before the name's '.' or at its end, never the '.'.
        {"slot?.sav", "slot.sav", true},
        {"slot??", "slot1", true},
        {"slot??", "slot123", false},
        {"a?b", "a.b", false},
        {"a?b", "axb", true},
        {"*a*b*c", "xxAyyBzzC", true},
        {"*a*b*c", "xxAyyBzz", false},
        {"a*", "", false},
        {"", "", true},
        {"*.*", "noextension", true},
        {"*.*", ".hidden", true},
        {"*.*", "a.b.c", true},
        {"*.", "noextension", true},
        {"*.", "some.ext", false},
        {"*.txt", "a.b.TXT", true},
        {"*.txt", ".txt", true},
        {"*.txt", "a.txtx", false},
        {"walk.*", "WALK.anim", true},
        {"walk.*", "walking", false},
        {"*.txt.*", "a.txt", true},
        {"*.*", "some.ext", true},
        {"walk.*", "walk", true},
        {"*.txt", "txt", false},
        {"**?", "x", true},
        {"*aaaaaaaaaaaaaaaaaaaab", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TkMatchWildcard(c.pattern, c.name), c.match) << c.pattern << " vs " << c.name;
}

TEST_F(Win32FilesTest, FindListsInOneCaseBlindOrder)
{
    for (const char* name : {"b.sav", "A.sav", "c.SAV", "a2.sav", "Z.txt", "readme"})
        WriteFile(std::string("Save/") + name, name);
    std::filesystem::create_directories(m_dir / "Save" / "old.sav");

    EXPECT_EQ(List("save\\*.sav"),
              (std::vector<std::string>{"A.sav", "a2.sav", "b.sav", "c.SAV", "old.sav"}));
    EXPECT_EQ(List("SAVE\\?.sav"), (std::vector<std::string>{"A.sav", "b.sav", "c.SAV"}));
    EXPECT_EQ(List("save/*"), (std::vector<std::string>{".", "..", "A.sav", "a2.sav", "b.sav", "c.SAV",
                                                        "old.sav", "readme", "Z.txt"}));
    EXPECT_EQ(List("save\\README"), (std::vector<std::string>{"readme"}));
}

TEST_F(Win32FilesTest, FindDescribesEntries)
{
    WriteFile("data/Mesh.x", std::string(1234, 'x'));
    std::filesystem::create_directories(m_dir / "data" / "Sub");
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("DATA\\m*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "Mesh.x");
    EXPECT_EQ(data.nFileSizeLow, 1234u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_GT(data.ftLastWriteTime.dwHighDateTime, 0u);
    FindClose(find);

    find = FindFirstFileA("data\\sub", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    FindClose(find);
}

TEST_F(Win32FilesTest, FindFailsCleanly)
{
    WriteFile("data/a.txt", "a");
    WIN32_FIND_DATAA data;
    EXPECT_EQ(FindFirstFileA("data\\*.none", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA("missing\\*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA(nullptr, &data), INVALID_HANDLE_VALUE);
    // Handles that were never given out, or already closed, are refused.
    HANDLE find = FindFirstFileA("data\\*.txt", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FindClose(find));
    EXPECT_FALSE(FindNextFileA(find, &data));
    EXPECT_FALSE(FindClose(find));
    EXPECT_FALSE(FindNextFileA(INVALID_HANDLE_VALUE, &data));
}

TEST_F(Win32FilesTest, CopyAndDeleteByCaseBlindNames)
{
    WriteFile("save/Slot1.sav", "first");
    EXPECT_TRUE(CopyFileA("SAVE\\slot1.SAV", "Save\\Backup.sav", TRUE));
    EXPECT_EQ(ReadFile("save/Backup.sav"), "first");

    // failIfExists refuses an existing target under any case; otherwise it is replaced.
    WriteFile("save/Slot1.sav", "second");
    EXPECT_FALSE(CopyFileA("save\\slot1.sav", "SAVE\\BACKUP.SAV", TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_EQ(ReadFile("save/Backup.sav"), "first");
    EXPECT_TRUE(CopyFileA("save\\slot1.sav", "SAVE\\BACKUP.SAV", FALSE));
    EXPECT_EQ(ReadFile("save/Backup.sav"), "second");

    // A file copied onto itself must survive.
    EXPECT_FALSE(CopyFileA("save\\slot1.sav", "SAVE\\SLOT1.SAV", FALSE));
    EXPECT_EQ(ReadFile("save/Slot1.sav"), "second");

    EXPECT_FALSE(CopyFileA("save\\none.sav", "save\\x.sav", FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    EXPECT_TRUE(DeleteFileA("SAVE\\backup.SAV"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "save" / "Backup.sav"));
    EXPECT_FALSE(DeleteFileA("save\\backup.sav"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileA("SAVE"));
    EXPECT_TRUE(std::filesystem::exists(m_dir / "save"));
}

TEST_F(Win32FilesTest, MoveReplacingAnExistingFileTakesItsPlaceInOneStep)
{
    WriteFile("logs/report.tmp", "new whole text");
    WriteFile("logs/Report.txt", "old text");
    // Without the flag the existing file stays.
    EXPECT_FALSE(MoveFileExA("LOGS\\report.tmp", "logs\\report.txt", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(MoveFileExA("LOGS\\report.tmp", "logs\\report.txt", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(ReadFile("logs/Report.txt"), "new whole text");
    EXPECT_FALSE(std::filesystem::exists(m_dir / "logs" / "report.tmp"));

    // A folder is never replaced, and unknown flags are refused.
    WriteFile("logs/other.tmp", "x");
    EXPECT_TRUE(CreateDirectoryA("logs\\kept", nullptr));
    EXPECT_FALSE(MoveFileExA("logs\\other.tmp", "logs\\kept", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(std::filesystem::is_directory(m_dir / "logs" / "kept"));
    EXPECT_FALSE(MoveFileExA("logs\\other.tmp", "logs\\moved.tmp", 0x8));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Win32FilesTest, MoveFolderAndAttributes)
{
    WriteFile("save/old.sav", "old");
    WriteFile("save/taken.sav", "taken");
    EXPECT_FALSE(MoveFileA("SAVE\\OLD.sav", "save\\Taken.sav"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(MoveFileA("SAVE\\OLD.sav", "save\\New.sav"));
    EXPECT_EQ(ReadFile("save/New.sav"), "old");
    // A change of case only renames the file.
    EXPECT_TRUE(MoveFileA("save\\new.sav", "save\\NEW.SAV"));
    EXPECT_EQ(ReadFile("save/NEW.SAV"), "old");
    EXPECT_FALSE(std::filesystem::exists(m_dir / "save" / "New.sav"));

    EXPECT_TRUE(CreateDirectoryA("Save\\Slots", nullptr));
    EXPECT_TRUE(std::filesystem::is_directory(m_dir / "save" / "Slots"));
    EXPECT_FALSE(CreateDirectoryA("SAVE\\slots\\", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(CreateDirectoryA("missing\\deeper", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    EXPECT_EQ(GetFileAttributesA("SAVE"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesA("save\\new.sav"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA("save\\none.sav"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Win32FilesTest, CurrentDirectory)
{
    std::filesystem::create_directories(m_dir / "models" / "Soldier");
    ASSERT_TRUE(SetCurrentDirectoryA("MODELS\\soldier"));
    const std::string expected = std::filesystem::canonical(m_dir / "models" / "Soldier").string();

    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    EXPECT_EQ(needed, expected.size() + 1);
    std::vector<char> small(expected.size(), 'x');
    EXPECT_EQ(GetCurrentDirectoryA(static_cast<DWORD>(small.size()), small.data()), expected.size() + 1);
    std::vector<char> buffer(needed);
    EXPECT_EQ(GetCurrentDirectoryA(needed, buffer.data()), expected.size());
    EXPECT_EQ(std::string(buffer.data()), expected);

    EXPECT_FALSE(SetCurrentDirectoryA("no\\such\\folder"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    ASSERT_TRUE(SetCurrentDirectoryA(".."));
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(m_dir / "models"));
}
} // namespace
