// The small settings files of the save folder, read and written whole.
#include "shell/SettingsFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
TEST(SettingsFile, WritingMakesTheSaveFolderAndReadingGivesTheBytesBack)
{
    TempDir dir;
    const BYTE bytes[] = {9, 0, 0, 0, 0xFF, 0x00, 0x7F};
    ASSERT_TRUE(WriteSettingsFile("save\\test.cfg", bytes, sizeof bytes));
    EXPECT_EQ(dir.Read("save/test.cfg"), std::string("\x09\0\0\0\xFF\0\x7F", 7));

    // One byte more room than the file holds: the count tells its size.
    BYTE back[sizeof bytes + 1] = {};
    size_t size = 99;
    ASSERT_TRUE(ReadSettingsFile("SAVE\\Test.cfg", back, sizeof back, &size));
    EXPECT_EQ(size, sizeof bytes);
    EXPECT_EQ(std::string(back, back + size), std::string(bytes, bytes + sizeof bytes));

    // A file written again holds only the new bytes.
    ASSERT_TRUE(WriteSettingsFile("save\\test.cfg", bytes, 2));
    EXPECT_EQ(dir.Read("save/test.cfg"), std::string("\x09\0", 2));
}

TEST(SettingsFile, ReadingStopsAtTheCapacity)
{
    TempDir dir;
    dir.Write("save/long.cfg", "abcdefgh");
    BYTE data[5] = {};
    size_t size = 0;
    ASSERT_TRUE(ReadSettingsFile("save\\long.cfg", data, 4, &size));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::string(data, data + 5), std::string("abcd\0", 5));
}

TEST(SettingsFile, MissingFileReadsNothingAndUnwritableFileIsReported)
{
    TempDir dir;
    BYTE data[4] = {};
    size_t size = 99;
    EXPECT_FALSE(ReadSettingsFile("save\\missing.cfg", data, sizeof data, &size));
    EXPECT_EQ(size, 0u);

    // A plain file where the save folder should be: nothing can be written.
    dir.Write("save", "not a folder");
    EXPECT_FALSE(WriteSettingsFile("save\\test.cfg", data, sizeof data));
    EXPECT_EQ(dir.Read("save"), "not a folder");
}
} // namespace
