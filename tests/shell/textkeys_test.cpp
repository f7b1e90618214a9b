// The text-key table: loading "scripts\text_keys.txt", lookups and expansion.
#include "support/BuildPaths.h"
#include "shell/console_fixture.h"

#include "shell/TextUtils.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
class TextKeys : public DataFolderTest
{
protected:
    // Writes the key file and reads it into a table of the test's own.
    void LoadKeys(ETextMgr& table, const std::string& bytes)
    {
        WriteFile("scripts/text_keys.txt", bytes);
        table.Load("scripts\\text_keys.txt");
    }

    std::string Expand(const ETextMgr& table, const std::string& line, size_t size = 512)
    {
        std::vector<char> buffer(size + 16, 'G');
        std::snprintf(buffer.data(), size, "%s", line.c_str());
        table.ExpandLabels(buffer.data(), size);
        for (size_t i = size; i < buffer.size(); ++i)
            EXPECT_EQ(buffer[i], 'G') << "written past the caller's buffer";
        return buffer.data();
    }
};

TEST_F(TextKeys, TextIsCleanedAsTheFileIsRead)
{
    ETextMgr table;
    LoadKeys(table, ">Hello   = Good day , friend !\n"
                    ">Tight =x\n"
                    ">Quote It\x92s here\n"
                    ">Two a  , b\n"
                    ">One ?\n");
    EXPECT_STREQ(table.GetText(">Hello"), " Good day, friend!");
    EXPECT_STREQ(table.GetText(">Tight"), "x");
    EXPECT_STREQ(table.GetText(">Quote"), "It's here");
    EXPECT_STREQ(table.GetText(">Two"), "a , b"); // of two blanks before a mark one stays
    EXPECT_STREQ(table.GetText(">One"), "?");
}

TEST_F(TextKeys, OnlyLinesThatBeginWithTheKeyMarkCount)
{
    ETextMgr table;
    LoadKeys(table, "# a comment\r\n"
                    " >Indented no\r\n"
                    "plain >Inside no\r\n"
                    ">Real yes\r\n");
    EXPECT_STREQ(table.GetText(">Real"), "yes");
    EXPECT_STREQ(table.GetText(">Indented"), "");
    EXPECT_STREQ(table.GetText(">Inside"), "");
    int nodes = 0;
    for (const strtext* n = table.m_pHead; n; n = n->next)
        ++nodes;
    EXPECT_EQ(nodes, 1);
}

TEST_F(TextKeys, LfCrlfAndCrFilesGiveTheSameTable)
{
    for (const char* end : {"\n", "\r\n", "\r"})
    {
        ETextMgr table;
        LoadKeys(table, std::string(">A first") + end + ">B second" + end + end + ">C third");
        EXPECT_STREQ(table.GetText(">A"), "first");
        EXPECT_STREQ(table.GetText(">B"), "second");
        EXPECT_STREQ(table.GetText(">C"), "third");
    }
}

TEST_F(TextKeys, GetTextIgnoresCaseAndNeverReturnsNull)
{
    ETextMgr table;
    LoadKeys(table, ">GameName Duskmere 2\n");
    EXPECT_STREQ(table.GetText(">gamename"), "Duskmere 2");
    ASSERT_NE(table.GetText(">Unknown"), nullptr);
    EXPECT_STREQ(table.GetText(">Unknown"), "");
    EXPECT_STREQ(table.GetText(nullptr), "");
}

TEST_F(TextKeys, LastDuplicateWinsAndIsReported)
{
    ETextMgr table;
    LoadKeys(table, ">a x\n>other o\n>A y\n>a z\n");
    // The later node is met first.
    EXPECT_STREQ(table.GetText(">a"), "z");
    EXPECT_STREQ(table.GetText(">A"), "z");
    // Exact lookups: ">A" has its own text.
    EXPECT_EQ(Expand(table, ">a >A"), "z y");
    // One line per duplicate, not one per earlier copy: many copies of one
    // key once made the report grow with the square of their number.
    EXPECT_EQ(ReadFile("!labels.txt"), "Duplicate label >A\n"
                                       "Duplicate label >a\n");

    std::string copies;
    for (int i = 0; i < 300; ++i)
        copies += ">Same text\n";
    WriteFile("!labels.txt", "");
    LoadKeys(table, copies);
    std::string expected;
    for (int i = 1; i < 300; ++i)
        expected += "Duplicate label >Same\n";
    EXPECT_EQ(ReadFile("!labels.txt"), expected);
}

TEST_F(TextKeys, ExpandLabelsReplacesKnownKeysOnly)
{
    ETextMgr table;
    LoadKeys(table, ">Key F1\n>Name Tom\n>Nested >Key\n");
    EXPECT_EQ(Expand(table, "Press >Key to go"), "Press F1 to go");
    EXPECT_EQ(Expand(table, "Press >Missing to go"), "Press >Missing to go");
    EXPECT_EQ(Expand(table, "Ends with >Key"), "Ends with F1");
    EXPECT_EQ(Expand(table, ">Key>Name"), ">KeyTom");    // the whole word is no key; ">Name" inside it is
    EXPECT_EQ(Expand(table, "a>Name b"), "aTom b");      // a key may start inside a word
    EXPECT_EQ(Expand(table, "x >Nested y"), "x >Key y"); // a text is not expanded again
    EXPECT_EQ(Expand(table, "> >"), "> >");
    EXPECT_EQ(Expand(table, ">key"), ">key"); // case matters here
}

TEST_F(TextKeys, ExpandLabelsNeverWritesPastTheCallersBuffer)
{
    ETextMgr table;
    LoadKeys(table, ">Long " + std::string(300, 'L') + "\n");
    const std::string expanded = Expand(table, "ab >Long cd", 40);
    EXPECT_EQ(expanded, "ab " + std::string(36, 'L'));
    EXPECT_TRUE(Printed("ExpandLabels"));

    // Far beyond the 4096-byte work buffer.
    std::string many;
    for (int i = 0; i < 40; ++i)
        many += ">Long ";
    const std::string big = Expand(table, many, 20000);
    EXPECT_EQ(big.size(), 4095u);
    EXPECT_EQ(big.substr(0, 301), std::string(300, 'L') + " ");
}

TEST_F(TextKeys, LinesWithoutKeysAreLeftAloneWhateverTheirLength)
{
    ETextMgr table;
    LoadKeys(table, ">K v\n");
    const std::string line(6000, 'q');
    EXPECT_EQ(Expand(table, line, 7000), line);
}

TEST_F(TextKeys, MissingFileGivesAnEmptyTable)
{
    ETextMgr table;
    table.Load("scripts\\no_such_file.txt");
    EXPECT_EQ(table.m_pHead, nullptr);
    EXPECT_STREQ(table.GetText(">GameName"), "");
    EXPECT_EQ(Expand(table, "Press >Key"), "Press >Key");
}

TEST_F(TextKeys, KeyWithoutTextIsKeptEmptyAndReported)
{
    ETextMgr table;
    LoadKeys(table, ">Empty\n>Equals =\n>Fine ok\n");
    EXPECT_STREQ(table.GetText(">Empty"), "");
    EXPECT_STREQ(table.GetText(">Equals"), "");
    EXPECT_STREQ(table.GetText(">Fine"), "ok");
    EXPECT_TRUE(Printed("no text for >Empty"));
    EXPECT_TRUE(Printed("no text for >Equals"));
}

TEST_F(TextKeys, OverlongLineIsReportedAndItsRestIsNoLineOfItsOwn)
{
    ETextMgr table;
    // 600 characters: the rest after the 512th would begin with ">Tail".
    const std::string longLine = ">Big " + std::string(507, 'b') + ">Tail bad";
    LoadKeys(table, longLine + "\n>After fine\n");
    EXPECT_STREQ(table.GetText(">Big"), "_string too long!");
    EXPECT_STREQ(table.GetText(">Tail"), "");
    EXPECT_STREQ(table.GetText(">After"), "fine");
    EXPECT_TRUE(Printed("scripts\\text_keys.txt"));
}

TEST_F(TextKeys, LinesOfExactlyAndJustOver512CharactersAreReportedAlike)
{
    for (const size_t length : {size_t{512}, size_t{513}})
    {
        SCOPED_TRACE(length);
        ETextMgr table;
        const std::string line = ">Big " + std::string(length - 5, 'b');
        g_Console.Print("mark");
        LoadKeys(table, line + "\n>After fine\n");
        EXPECT_STREQ(table.GetText(">Big"), "_string too long!");
        EXPECT_STREQ(table.GetText(">After"), "fine");
        EXPECT_EQ(Line(1), "mark");
        EXPECT_EQ(Line(0), "ERROR: scripts\\text_keys.txt: line of 512 characters or more for >Big");
    }
}

TEST_F(TextKeys, LongKeysAreCutAndBinaryJunkIsSurvived)
{
    std::string bytes = ">" + std::string(400, 'K') + " text\n";
    for (int i = 0; i < 5000; ++i)
        bytes += static_cast<char>((i * 131 + 7) & 0xFF);
    bytes += "\n>Good yes\n";
    ETextMgr table;
    LoadKeys(table, bytes);
    EXPECT_STREQ(table.GetText(">Good"), "yes");
    for (const strtext* n = table.m_pHead; n; n = n->next)
        EXPECT_LE(std::strlen(n->key), static_cast<size_t>(ETextMgr::MAX_KEY));
}

TEST_F(TextKeys, ReadLineExpandsThroughTheGlobalTable)
{
    LoadKeys(g_TextMgr, ">Key F1\n>Wide " + std::string(100, 'W') + "\n");
    WriteFile("data.txt", "press\t>Key now\r\nsee >Wide end\n");
    FILE* f = std::fopen((m_dir / "data.txt").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    char line[41];
    ReadLine(f, line, 40);
    EXPECT_STREQ(line, "press F1 now");
    std::memset(line, 0, sizeof line);
    ReadLine(f, line, 40);
    EXPECT_EQ(std::string(line), "see " + std::string(36, 'W'));
    std::fclose(f);
}

TEST(TextKeysBundled, TheGameNameComesFromTheBundledData)
{
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(tk::test::DataDir());
    ETextMgr table;
    std::filesystem::current_path(old);
    EXPECT_STREQ(table.GetText(">GameName"), "Duskmere 2");
}
} // namespace
