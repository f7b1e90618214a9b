#include "shell/TextUtils.h"

#include "platform/win32/Path.h"
#include "shell/Console.h"
#include "shell/TextMgr.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

const char* const TEXT_TOO_LONG = "_string too long!";

namespace
{
bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Reads one line; LF, CRLF and CR all end it. `cut` tells whether the line
// went on past the n characters stored. Returns the last character read.
int ReadLineCore(FILE* file, char* buffer, int n, bool tabsToBlanks, bool* cut)
{
    if (cut)
        *cut = false;
    if (!buffer)
        return EOF;
    buffer[0] = 0;
    if (!file)
        return EOF;
    // A negative limit stores nothing but still moves on, so a caller's loop ends.
    if (n < 0)
        n = 0;
    int stored = 0;
    int c = EOF;
    for (;;)
    {
        c = std::fgetc(file);
        if (c == EOF || c == '\n')
            break;
        if (c == '\r')
        {
            const int next = std::fgetc(file);
            if (next != '\n' && next != EOF)
                std::ungetc(next, file);
            c = '\n';
            break;
        }
        if (stored >= n)
        {
            if (cut)
                *cut = true;
            break;
        }
        if (tabsToBlanks && c == '\t')
            c = ' ';
        buffer[stored++] = static_cast<char>(c);
    }
    buffer[stored] = 0;
    return c;
}

void SkipToLineEnd(FILE* file)
{
    for (;;)
    {
        const int c = std::fgetc(file);
        if (c == EOF || c == '\n')
            return;
        if (c == '\r')
        {
            const int next = std::fgetc(file);
            if (next != '\n' && next != EOF)
                std::ungetc(next, file);
            return;
        }
    }
}

// Copies the line into `buffer` (512 bytes) with the blanks at both ends
// removed; false when the line is too long to parse.
bool CopyTrimmed(const char* line, char* buffer)
{
    if (strnlen(line, TEXT_LINE_LIMIT) >= TEXT_LINE_LIMIT)
        return false;
    while (IsBlank(*line))
        ++line;
    // The line may be this very buffer, as when a caller hands one result back
    // in (the value of a value): the copy must allow the overlap.
    std::memmove(buffer, line, std::strlen(line) + 1);
    TrimRight(buffer);
    return true;
}

char* SkipWord(char* p)
{
    while (*p && !IsBlank(*p))
        ++p;
    while (IsBlank(*p))
        ++p;
    return p;
}

// Float to int by truncation, without the undefined results of an
// out-of-range conversion.
int TruncToInt(float v)
{
    if (!(v == v))
        return 0;
    if (v >= 2147483520.0f)
        return INT_MAX;
    if (v <= -2147483648.0f)
        return INT_MIN;
    return static_cast<int>(v);
}

float ToFloatClamped(double v)
{
    if (v > FLT_MAX)
        return FLT_MAX;
    if (v < -FLT_MAX)
        return -FLT_MAX;
    return static_cast<float>(v);
}
} // namespace

int CompareNoCase(const char* a, const char* b)
{
    if (!a)
        a = "";
    if (!b)
        b = "";
    for (;; ++a, ++b)
    {
        if (!*a)
            return *b ? -1 : 0;
        if (!*b)
            return 1;
        if (*a == *b)
            continue;
        const signed char fa = static_cast<signed char>(FoldAscii(*a));
        const signed char fb = static_cast<signed char>(FoldAscii(*b));
        if (fa < fb)
            return -1;
        if (fa > fb)
            return 1;
    }
}

bool CharEqualNoCase(char a, char b)
{
    return FoldAscii(a) == FoldAscii(b);
}

bool IsKeyword(const char* line, const char* keyword)
{
    if (!line || !keyword)
        return false;
    char word[128];
    size_t n = 0;
    while (n < sizeof word - 1 && line[n] && !IsBlank(line[n]))
    {
        word[n] = line[n];
        ++n;
    }
    word[n] = 0;
    return CompareNoCase(keyword, word) == 0;
}

const char* GetLineValue(const char* line)
{
    static char buffer[TEXT_LINE_LIMIT];
    if (!line)
        return "";
    if (!CopyTrimmed(line, buffer))
        return TEXT_TOO_LONG;
    return SkipWord(buffer);
}

const char* GetToken(const char* line, int n)
{
    static char buffer[TEXT_LINE_LIMIT];
    if (!line || n < 0)
        return "";
    if (!CopyTrimmed(line, buffer))
        return TEXT_TOO_LONG;
    char* p = buffer;
    for (int i = 0; i < n && *p; ++i)
        p = SkipWord(p);
    CutAtBlank(p);
    return p;
}

void ReadLine(FILE* file, char* buffer, int n)
{
    ReadLineCore(file, buffer, n, true, nullptr);
    if (buffer)
        g_TextMgr.ExpandLabels(buffer, n > 0 ? static_cast<size_t>(n) + 1 : 1);
}

int ReadLineRaw(FILE* file, char* buffer, int n)
{
    return ReadLineCore(file, buffer, n, false, nullptr);
}

bool ReadLineOrSkip(FILE* file, char* buffer, int n)
{
    bool cut = false;
    ReadLineCore(file, buffer, n, true, &cut);
    if (cut)
        SkipToLineEnd(file);
    if (buffer)
        g_TextMgr.ExpandLabels(buffer, n > 0 ? static_cast<size_t>(n) + 1 : 1);
    return !cut;
}

void WriteLine(FILE* file, const char* text, int n)
{
    if (!file)
        return;
    if (text && n > 0)
        std::fwrite(text, 1, strnlen(text, static_cast<size_t>(n)), file);
    std::fputc('\n', file);
}

void TrimRight(char* text)
{
    if (!text)
        return;
    size_t n = std::strlen(text);
    while (n > 0 && IsBlank(text[n - 1]))
        text[--n] = 0;
}

void CutAtBlank(char* text)
{
    if (!text)
        return;
    for (; *text; ++text)
        if (IsBlank(*text))
        {
            *text = 0;
            return;
        }
}

void CutAtSpace(char* text)
{
    if (!text)
        return;
    if (char* space = std::strchr(text, ' '))
        *space = 0;
}

bool IsPlainName(const char* text)
{
    if (!text)
        return false;
    for (; *text; ++text)
    {
        const char c = *text;
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '!' || c == '_' || c == '\\' || c == '.' || c == '-';
        if (!ok)
            return false;
    }
    return true;
}

void LowerCaseInPlace(char* text)
{
    // 'A'-'Z' and the code-page-1250 capitals A-ogonek, C-acute, E-ogonek,
    // L-stroke, N-acute, O-acute, S-acute, Z-acute, Z-dot, with their small letters.
    static const unsigned char upper[35] = {
        'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I',  'J',  'K',  'L',  'M',  'N',  'O',  'P',  'Q', 'R',
        'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z', 0xA5, 0xC6, 0xCA, 0xA3, 0xD1, 0xD3, 0x8C, 0x8F, 0xAF};
    static const unsigned char lower[35] = {
        'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i',  'j',  'k',  'l',  'm',  'n',  'o',  'p',  'q', 'r',
        's', 't', 'u', 'v', 'w', 'x', 'y', 'z', 0xB9, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3, 0x9C, 0x9F, 0xBF};
    if (!text)
        return;
    for (; *text; ++text)
    {
        const unsigned char c = static_cast<unsigned char>(*text);
        for (int i = 0; i < 35; ++i)
            if (upper[i] == c)
            {
                *text = static_cast<char>(lower[i]);
                break;
            }
    }
}

bool FindNoCase(char* haystack, char* needle)
{
    if (!haystack || !needle)
        return false;
    LowerCaseInPlace(haystack);
    LowerCaseInPlace(needle);
    if (!*haystack)
        return false;
    return std::strstr(haystack, needle) != nullptr;
}

void CopyCut(char* out, size_t size, const char* text)
{
    if (!out || size == 0)
        return;
    const size_t n = text ? strnlen(text, size - 1) : 0;
    std::memmove(out, text ? text : "", n);
    out[n] = 0;
}

bool ContainsNoCase(const char* text, const char* part)
{
    if (!text || !part)
        return false;
    const auto fold = [](char c)
    { return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
    const size_t n = std::strlen(part);
    if (n == 0)
        return *text != 0;
    const unsigned char first = fold(part[0]);
    for (const char* t = text; *t; ++t)
    {
        if (fold(*t) != first)
            continue;
        size_t i = 1;
        while (i < n && t[i] && fold(t[i]) == fold(part[i]))
            ++i;
        if (i == n)
            return true;
    }
    return false;
}

bool FileExists(const char* name)
{
    FILE* f = TkFopen(name, "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

float RandomFloat(float max)
{
    if (max == 0.0f)
        return 0.0f;
    const float unit = static_cast<float>(std::rand() & 0x7FFF) * (1.0f / 32768.0f);
    return unit * max;
}

bool NearlyEqual(float a, float b, float epsilon)
{
    return std::fabs(a - b) <= epsilon;
}

float LerpFloat(float a, float b, float t)
{
    if (!(t > 0.0f))
        t = 0.0f;
    if (t > 1.0f)
        t = 1.0f;
    return a + (b - a) * t;
}

DWORD LerpColor(DWORD c1, DWORD c2, float t)
{
    if (!(t > 0.0f))
        t = 0.0f;
    if (t > 1.0f)
        t = 1.0f;
    DWORD result = 0;
    for (int shift = 0; shift < 32; shift += 8)
    {
        const int a = static_cast<int>((c1 >> shift) & 0xFF);
        const int b = static_cast<int>((c2 >> shift) & 0xFF);
        const int v = static_cast<int>(static_cast<float>(a) + static_cast<float>(b - a) * t);
        result |= static_cast<DWORD>(v & 0xFF) << shift;
    }
    return result;
}

DWORD PackColor(const float* rgb, bool scale)
{
    if (!rgb)
        return 0;
    const float k = scale ? 255.0f : 1.0f;
    const DWORD r = static_cast<DWORD>(TruncToInt(rgb[0] * k));
    const DWORD g = static_cast<DWORD>(TruncToInt(rgb[1] * k));
    const DWORD b = static_cast<DWORD>(TruncToInt(rgb[2] * k));
    return (r << 16) | (g << 8) | b;
}

const char* TwoDigitString(unsigned value)
{
    static char buffer[256];
    std::snprintf(buffer, sizeof buffer, value < 10 ? "0%u" : "%u", value);
    return buffer;
}

const char* FormatFloat(double value, int n)
{
    static char result[400];
    if (n < 0)
        n = 0;
    if (n > 40)
        n = 40;
    if (!std::isfinite(value))
    {
        std::snprintf(result, sizeof result, "%f", value);
        return result;
    }
    // The decimal expansion far enough past the n-th decimal that the digit
    // after it decides the rounding, then the carry runs by hand.
    char digits[512];
    std::snprintf(digits, sizeof digits, "%.*f", n + 25, std::fabs(value));
    char* point = std::strchr(digits, '.');
    if (!point)
        return std::strcpy(result, "0");
    const bool roundUp = point[1 + n] >= '5';
    std::string number(digits, point);
    std::string fraction(point + 1, point + 1 + n);
    if (roundUp)
    {
        std::string all = number + fraction;
        int i = static_cast<int>(all.size()) - 1;
        for (; i >= 0; --i)
        {
            if (all[i] == '9')
                all[i] = '0';
            else
            {
                ++all[i];
                break;
            }
        }
        if (i < 0)
            all.insert(all.begin(), '1');
        number = all.substr(0, all.size() - n);
        fraction = all.substr(all.size() - n);
    }
    std::string text = value < 0.0 ? "-" : "";
    text += number;
    if (n > 0)
        text += "." + fraction;
    std::snprintf(result, sizeof result, "%s", text.c_str());
    return result;
}

void ParseVector(const char* text, float* out)
{
    if (!text || !*text || !out)
        return;
    char first[256];
    char second[TEXT_LINE_LIMIT];
    char third[TEXT_LINE_LIMIT];
    std::snprintf(first, sizeof first, "%s", text);
    std::snprintf(second, sizeof second, "%s", GetLineValue(first));
    std::snprintf(third, sizeof third, "%s", GetLineValue(second));
    out[0] = ToFloatClamped(std::strtod(first, nullptr));
    out[1] = ToFloatClamped(std::strtod(second, nullptr));
    out[2] = ToFloatClamped(std::strtod(third, nullptr));
}

void AppendLogLine(const char* text, const char* name, int maxChars)
{
    if (!text)
        return;
    // Logs go to the folder the game started in, whatever folder is current now.
    std::string path = g_Console.GetStartupDirectory();
    if (!path.empty() && path.back() != '/')
        path += '/';
    path += name ? name : "!error.txt";
    if (FILE* f = TkFopen(path.c_str(), "a"))
    {
        WriteLine(f, text, maxChars);
        std::fclose(f);
    }
}
