// The shared text and data-file helpers.
#include "shell/console_fixture.h"

#include "shell/TextUtils.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
struct CompareCase
{
    const char* a;
    const char* b;
    int expected;
};

TEST(TextCompare, CompareNoCaseTable)
{
    const CompareCase cases[] = {
        {"abc", "ABC", 0},
        {"ab", "abc", -1},
        {"abc", "ab", 1},
        {"Z", "a", 1},
        {"", "", 0},
        {"", "a", -1},
        {"a", "", 1},
        {"MESH", "mesh", 0},
        {"a_b", "A_B", 0},
        {"abd", "ABC", 1},
        {nullptr, "", 0},
        {"x", nullptr, 1},
        {"\xA5", "\xB9", -1}, // a Polish capital and its small letter
                              // differ here
        {"\xB9", "a", -1},    // bytes of 0x80 and above sort before ASCII
    };
    for (const CompareCase& c : cases)
        EXPECT_EQ(CompareNoCase(c.a, c.b), c.expected)
            << (c.a ? c.a : "(null)") << " vs " << (c.b ? c.b : "(null)");
}

TEST(TextCompare, CharEqualNoCaseFoldsOnlyAscii)
{
    EXPECT_TRUE(CharEqualNoCase('Q', 'q'));
    EXPECT_TRUE(CharEqualNoCase('7', '7'));
    EXPECT_FALSE(CharEqualNoCase('a', 'b'));
    EXPECT_FALSE(CharEqualNoCase('\xA5', '\xB9'));
}

struct KeywordCase
{
    const char* line;
    const char* keyword;
    bool expected;
};

TEST(TextKeyword, IsKeywordTable)
{
    const KeywordCase cases[] = {
        {"mesh a.x", "mesh", true},
        {"MESH\ta.x", "mesh", true},
        {" mesh a.x", "mesh", false},
        {"meshes a.x", "mesh", false},
        {"mesh", "mesh", true},
        {"", "mesh", false},
        {"", "", true},
        {"me", "mesh", false},
        {nullptr, "mesh", false},
    };
    for (const KeywordCase& c : cases)
        EXPECT_EQ(IsKeyword(c.line, c.keyword), c.expected) << (c.line ? c.line : "(null)");
}

TEST(TextKeyword, LongFirstWordIsComparedByItsFirst127Characters)
{
    const std::string word127(127, 'k');
    EXPECT_TRUE(IsKeyword((word127 + "EXTRA value").c_str(), word127.c_str()));
    EXPECT_FALSE(IsKeyword((word127 + "EXTRA value").c_str(), (word127 + "E").c_str()));
}

TEST(TextValue, GetLineValueAndGetToken)
{
    const char* line = "  fog_color \t 1  2\t3   ";
    EXPECT_STREQ(GetLineValue(line), "1  2\t3");
    EXPECT_STREQ(GetToken(line, 0), "fog_color");
    EXPECT_STREQ(GetToken(line, 1), "1");
    EXPECT_STREQ(GetToken(line, 2), "2");
    EXPECT_STREQ(GetToken(line, 3), "3");
    EXPECT_STREQ(GetToken(line, 9), "");
    EXPECT_STREQ(GetToken(line, -1), "");
    EXPECT_STREQ(GetLineValue("keyword"), "");
    EXPECT_STREQ(GetLineValue(""), "");
    EXPECT_STREQ(GetLineValue(nullptr), "");
    EXPECT_STREQ(GetToken(nullptr, 0), "");
}

TEST(TextValue, AResultHandedBackInIsParsedAgain)
{
    // The value of a value, and a word of a value, read from the static buffer itself.
    EXPECT_STREQ(GetLineValue(GetLineValue("  fog 1  2 3 ")), "2 3");
    EXPECT_STREQ(GetLineValue(GetLineValue(GetLineValue("fog 1 2 3"))), "3");
    EXPECT_STREQ(GetToken(GetToken("  a b c", 1), 0), "b");
}

TEST(TextValue, LinesOf511CharactersParseAnd512DoNot)
{
    struct LengthCase
    {
        size_t length;
        bool parsed;
    };
    for (const LengthCase c : {LengthCase{511, true}, LengthCase{512, false}, LengthCase{4000, false}})
    {
        std::string line = "key ";
        line += std::string(c.length - line.size() - 2, 'v');
        line += " z";
        ASSERT_EQ(line.size(), c.length);
        const std::string value = GetLineValue(line.c_str());
        const std::string token = GetToken(line.c_str(), 2);
        if (c.parsed)
        {
            EXPECT_EQ(value, line.substr(4));
            EXPECT_EQ(token, "z");
        }
        else
        {
            EXPECT_EQ(value, "_string too long!");
            EXPECT_EQ(token, "_string too long!");
        }
    }
}

TEST(TextValue, TheTooLongTextIsSharedAndUnchanged)
{
    const std::string line(600, 'x');
    EXPECT_EQ(GetLineValue(line.c_str()), TEXT_TOO_LONG);
    EXPECT_EQ(GetToken(line.c_str(), 0), TEXT_TOO_LONG);
    EXPECT_STREQ(TEXT_TOO_LONG, "_string too long!");
}

// Reads every line of `bytes` with ReadLine(n) until the end of the file.
std::vector<std::string> ReadAllLines(const std::string& bytes, int n)
{
    std::vector<std::string> lines;
    FILE* f = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    std::vector<char> buffer(static_cast<size_t>(n) + 1, '#');
    while (!std::feof(f))
    {
        ReadLine(f, buffer.data(), n);
        lines.emplace_back(buffer.data());
    }
    std::fclose(f);
    return lines;
}

TEST(TextReadLine, LfCrlfAndCrReadTheSame)
{
    const std::vector<std::string> expected = {"first line", "", "third\tx", "last"};
    for (const char* end : {"\n", "\r\n", "\r"})
    {
        std::string bytes;
        for (const char* l : {"first line", "", "third\tx", "last"})
            bytes += std::string(l) + end;
        std::vector<std::string> lines = ReadAllLines(bytes, 64);
        ASSERT_GE(lines.size(), 4u) << "line end " << (end[0] == '\r' ? (end[1] ? "CRLF" : "CR") : "LF");
        EXPECT_EQ(lines[0], "first line");
        EXPECT_EQ(lines[1], "");
        EXPECT_EQ(lines[2], "third x"); // TAB read as a blank
        EXPECT_EQ(lines[3], "last");
        for (size_t i = 4; i < lines.size(); ++i)
            EXPECT_EQ(lines[i], "");
    }
}

TEST(TextReadLine, LimitDropsTheCharacterThatMetItAndGoesOn)
{
    // n = 10 on a 15-character line: 10 stored, the 11th lost, the next call
    // goes on with the 12th.
    const std::vector<std::string> lines = ReadAllLines("ABCDEFGHIJKLMNO\nnext\n", 10);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "ABCDEFGHIJ");
    EXPECT_EQ(lines[1], "LMNO");
    EXPECT_EQ(lines[2], "next");
}

TEST(TextReadLine, LineOfExactlyNCharactersLosesNothing)
{
    const std::vector<std::string> lines = ReadAllLines("0123456789\r\nnext", 10);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "0123456789");
    EXPECT_EQ(lines[1], "next");
}

TEST(TextReadLine, ReadLineRawKeepsTabsAndReportsTheLastCharacter)
{
    FILE* f = std::tmpfile();
    std::fputs("a\tb\nlast", f);
    std::rewind(f);
    char buffer[16];
    EXPECT_EQ(ReadLineRaw(f, buffer, 15), '\n');
    EXPECT_STREQ(buffer, "a\tb");
    EXPECT_EQ(ReadLineRaw(f, buffer, 15), EOF);
    EXPECT_STREQ(buffer, "last");
    std::fclose(f);
}

TEST(TextReadLine, ReadLineOrSkipDropsTheRestOfAnOverlongLine)
{
    FILE* f = std::tmpfile();
    std::fputs("0123456789ABCDEF\r\nnext\n", f);
    std::rewind(f);
    char buffer[11];
    EXPECT_FALSE(ReadLineOrSkip(f, buffer, 10));
    EXPECT_STREQ(buffer, "0123456789");
    EXPECT_TRUE(ReadLineOrSkip(f, buffer, 10));
    EXPECT_STREQ(buffer, "next");
    std::fclose(f);
}

TEST(TextReadLine, BinaryJunkStaysInsideTheBuffer)
{
    std::string junk;
    for (int i = 0; i < 3000; ++i)
        junk += static_cast<char>((i * 73 + 11) & 0xFF);
    FILE* f = std::tmpfile();
    std::fwrite(junk.data(), 1, junk.size(), f);
    std::rewind(f);
    char buffer[33 + 8];
    std::memset(buffer, 'G', sizeof buffer);
    int reads = 0;
    while (!std::feof(f) && reads < 10000)
    {
        ReadLine(f, buffer, 32);
        ++reads;
        EXPECT_LE(std::strlen(buffer), 32u);
        for (size_t i = 33; i < sizeof buffer; ++i)
            ASSERT_EQ(buffer[i], 'G') << "written past the buffer";
    }
    EXPECT_LT(reads, 10000);
    std::fclose(f);
}

TEST(TextReadLine, NullArgumentsDoNothing)
{
    char buffer[4] = "abc";
    ReadLine(nullptr, buffer, 3);
    EXPECT_STREQ(buffer, "");
    ReadLine(nullptr, nullptr, 3);
    EXPECT_EQ(ReadLineRaw(nullptr, nullptr, 3), EOF);
}

TEST(TextWriteLine, WritesAtMostNCharactersAndALineFeed)
{
    FILE* f = std::tmpfile();
    WriteLine(f, "abcdef", 4);
    WriteLine(f, "xy", 10);
    WriteLine(f, nullptr, 10);
    std::rewind(f);
    char data[32] = {};
    const size_t n = std::fread(data, 1, sizeof data - 1, f);
    std::fclose(f);
    EXPECT_EQ(std::string(data, n), "abcd\nxy\n\n");
}

TEST(TextEdit, TrimAndCut)
{
    char a[] = "value \t  ";
    TrimRight(a);
    EXPECT_STREQ(a, "value");
    char b[] = "one two\tthree";
    CutAtBlank(b);
    EXPECT_STREQ(b, "one");
    char c[] = "one\ttwo three";
    CutAtSpace(c);
    EXPECT_STREQ(c, "one\ttwo");
    char d[] = "   ";
    TrimRight(d);
    EXPECT_STREQ(d, "");
    TrimRight(nullptr);
    CutAtBlank(nullptr);
    CutAtSpace(nullptr);
}

TEST(TextEdit, IsPlainName)
{
    EXPECT_TRUE(IsPlainName("meshes\\tree_01-b.x"));
    EXPECT_TRUE(IsPlainName("!opt"));
    EXPECT_TRUE(IsPlainName(""));
    EXPECT_FALSE(IsPlainName(nullptr));
    EXPECT_FALSE(IsPlainName("a b"));
    EXPECT_FALSE(IsPlainName("a/b"));
    EXPECT_FALSE(IsPlainName("\xB9"));
}

TEST(TextEdit, LowerCaseInPlaceKnowsThePolishCapitals)
{
    char text[] = "AZ \xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF az";
    LowerCaseInPlace(text);
    EXPECT_STREQ(text, "az \xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF az");
}

TEST(TextEdit, FindNoCaseLowersBothArguments)
{
    char haystack[] = "Na \x8Cwiat"; // "Na Świat"
    char needle[] = "\x8CWIAT";      // "ŚWIAT"
    EXPECT_TRUE(FindNoCase(haystack, needle));
    EXPECT_STREQ(haystack, "na \x9Cwiat");
    EXPECT_STREQ(needle, "\x9Cwiat");

    char empty[] = "";
    char some[] = "x";
    EXPECT_FALSE(FindNoCase(empty, some));
    char text[] = "abc";
    char none[] = "";
    EXPECT_TRUE(FindNoCase(text, none));
    char other[] = "abd";
    EXPECT_FALSE(FindNoCase(text, other));
    EXPECT_FALSE(FindNoCase(nullptr, other));
}

TEST(TextEdit, CopyCutKeepsWhatFitsAndTerminates)
{
    char out[5];
    CopyCut(out, sizeof out, "abcdefgh");
    EXPECT_STREQ(out, "abcd");
    CopyCut(out, sizeof out, "ab");
    EXPECT_STREQ(out, "ab");
    CopyCut(out, sizeof out, nullptr);
    EXPECT_STREQ(out, "");
    char one[1] = {'x'};
    CopyCut(one, sizeof one, "abc");
    EXPECT_EQ(one[0], 0);
}

// The search that leaves its arguments alone: a match may start after a false start.
TEST(TextEdit, ContainsNoCaseLeavesBothArguments)
{
    const char* text = "Prefabs\\TREES\\pine.x";
    EXPECT_TRUE(ContainsNoCase(text, "trees"));
    EXPECT_STREQ(text, "Prefabs\\TREES\\pine.x");
    EXPECT_TRUE(ContainsNoCase("rrrubbish", "RRUBBISH"));
    EXPECT_TRUE(ContainsNoCase("pine.X", ".x"));
    EXPECT_FALSE(ContainsNoCase("pine.x", "pine.xx")) << "the part runs past the text";
    EXPECT_FALSE(ContainsNoCase("tree", "trees"));
    EXPECT_TRUE(ContainsNoCase("abc", ""));
    EXPECT_FALSE(ContainsNoCase("", ""));
    EXPECT_FALSE(ContainsNoCase(nullptr, "x"));
    EXPECT_FALSE(ContainsNoCase("x", nullptr));
}

TEST(TextNumbers, RandomFloatStaysInRange)
{
    EXPECT_EQ(RandomFloat(0.0f), 0.0f);
    std::srand(7);
    for (int i = 0; i < 20000; ++i)
    {
        const float v = RandomFloat(1.0f);
        ASSERT_GE(v, 0.0f);
        ASSERT_LT(v, 1.0f);
    }
}

TEST(TextNumbers, LerpsClampTheirFactor)
{
    EXPECT_FLOAT_EQ(LerpFloat(2.0f, 4.0f, 0.5f), 3.0f);
    EXPECT_FLOAT_EQ(LerpFloat(2.0f, 4.0f, -3.0f), 2.0f);
    EXPECT_FLOAT_EQ(LerpFloat(2.0f, 4.0f, 7.0f), 4.0f);
    EXPECT_EQ(LerpColor(0x00000000, 0xFF804020, 0.5f), 0x7F402010u);
    EXPECT_EQ(LerpColor(0x10203040, 0x00000000, 2.0f), 0x00000000u);
    EXPECT_EQ(LerpColor(0x10203040, 0xFFFFFFFF, -1.0f), 0x10203040u);
    EXPECT_TRUE(NearlyEqual(1.0f, 1.05f, 0.1f));
    EXPECT_FALSE(NearlyEqual(1.0f, 1.2f, 0.1f));
}

TEST(TextNumbers, PackColor)
{
    const float unit[3] = {1.0f, 0.5f, 0.0f};
    const float bytes[3] = {16.0f, 32.9f, 255.0f};
    EXPECT_EQ(PackColor(unit, true), 0x00FF7F00u);
    EXPECT_EQ(PackColor(bytes, false), 0x001020FFu);
    EXPECT_EQ(PackColor(nullptr, true), 0u);
}

TEST(TextNumbers, TwoDigitString)
{
    EXPECT_STREQ(TwoDigitString(7), "07");
    EXPECT_STREQ(TwoDigitString(0), "00");
    EXPECT_STREQ(TwoDigitString(12), "12");
    EXPECT_STREQ(TwoDigitString(4000000000u), "4000000000");
}

TEST(TextNumbers, FormatFloatTable)
{
    struct FormatCase
    {
        double value;
        int decimals;
        const char* expected;
    };
    const FormatCase cases[] = {
        {-1.996, 2, "-2.00"}, {0.5, 2, "0.50"},      {9.995, 0, "10"},
        {99.96, 1, "100.0"},  {0.125, 2, "0.13"},    {1.25, 1, "1.3"},
        {-0.5, 0, "-1"},      {3.14159, 3, "3.142"}, {1e20, 1, "100000000000000000000.0"},
        {0.0, 3, "0.000"},    {123.0, -2, "123"},
    };
    for (const FormatCase& c : cases)
        EXPECT_STREQ(FormatFloat(c.value, c.decimals), c.expected) << c.value << " with " << c.decimals;
}

TEST(TextNumbers, ParseVector)
{
    float v[3] = {9.0f, 9.0f, 9.0f};
    ParseVector("1 -2.5\t3e1 junk", v);
    EXPECT_FLOAT_EQ(v[0], 1.0f);
    EXPECT_FLOAT_EQ(v[1], -2.5f);
    EXPECT_FLOAT_EQ(v[2], 30.0f);
    ParseVector("7", v);
    EXPECT_FLOAT_EQ(v[0], 7.0f);
    EXPECT_FLOAT_EQ(v[1], 0.0f);
    EXPECT_FLOAT_EQ(v[2], 0.0f);
    ParseVector("", v);
    EXPECT_FLOAT_EQ(v[0], 7.0f);
    ParseVector("1e300 x y", v);
    EXPECT_GT(v[0], 1e38f);
}

class TextLog : public DataFolderTest
{
};

TEST_F(TextLog, AppendLogLineWritesIntoTheStartupDirectory)
{
    std::filesystem::create_directories(m_dir / "elsewhere");
    std::filesystem::current_path(m_dir / "elsewhere");
    AppendLogLine("first");
    AppendLogLine(std::string(300, 'x').c_str());
    AppendLogLine("named", "!other.txt");
    AppendLogLine(nullptr);
    EXPECT_EQ(ReadFile("!error.txt"), "first\n" + std::string(256, 'x') + "\n");
    EXPECT_EQ(ReadFile("!other.txt"), "named\n");
    EXPECT_FALSE(std::filesystem::exists(m_dir / "elsewhere" / "!error.txt"));
}

TEST_F(TextLog, FileExistsGoesThroughTheResolver)
{
    WriteFile("scripts/Some_File.TXT", "x");
    EXPECT_TRUE(FileExists("scripts\\some_file.txt"));
    EXPECT_FALSE(FileExists("scripts\\missing.txt"));
    EXPECT_FALSE(FileExists(nullptr));
}
} // namespace
