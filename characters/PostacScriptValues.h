#pragma once
// How the character scripts take values from a line: words split at blanks,
// the rest after a number, and decimal numbers that never read "nan", "inf"
// or hexadecimal as the C library would.

#include "platform/win32/WinTypes.h"
#include "shell/TextUtils.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace postacvalues
{
inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

inline const char* SkipBlanks(const char* text)
{
    while (*text && IsBlank(*text))
        ++text;
    return text;
}

// The line after its first word, without the blanks before it.
inline const char* RestOf(const char* line)
{
    while (*line && !IsBlank(*line))
        ++line;
    return SkipBlanks(line);
}

// The text after its first n words, without the blanks before it.
inline const char* AfterWords(const char* text, int n)
{
    text = SkipBlanks(text);
    for (int i = 0; i < n && *text; ++i)
    {
        while (*text && !IsBlank(*text))
            ++text;
        text = SkipBlanks(text);
    }
    return text;
}

// Word n of the text (0 the first), cut to the field; "" past the last word.
inline void CopyWord(char* out, size_t size, const char* text, int n)
{
    if (size == 0)
        return;
    const char* word = AfterWords(text, n);
    size_t length = 0;
    while (word[length] && !IsBlank(word[length]))
        ++length;
    const size_t kept = length < size ? length : size - 1;
    std::memcpy(out, word, kept);
    out[kept] = 0;
}

// The leading decimal number of the text (sign, digits, a point, digits, an
// exponent); 0.0 when the text does not start with one. after, when given,
// receives the text after the number's word.
inline float LeadingNumber(const char* text, const char** after)
{
    text = SkipBlanks(text);
    const char* p = text;
    if (*p == '+' || *p == '-')
        ++p;
    size_t digits = 0;
    while (*p >= '0' && *p <= '9')
        ++p, ++digits;
    if (*p == '.')
    {
        ++p;
        while (*p >= '0' && *p <= '9')
            ++p, ++digits;
    }
    float value = 0.0f;
    if (digits > 0)
    {
        if (*p == 'e' || *p == 'E')
        {
            const char* e = p + 1;
            if (*e == '+' || *e == '-')
                ++e;
            if (*e >= '0' && *e <= '9')
            {
                while (*e >= '0' && *e <= '9')
                    ++e;
                p = e;
            }
        }
        char number[64];
        const size_t length = static_cast<size_t>(p - text) < sizeof number - 1
                                  ? static_cast<size_t>(p - text)
                                  : sizeof number - 1;
        std::memcpy(number, text, length);
        number[length] = 0;
        const double v = std::strtod(number, nullptr);
        constexpr double kLargest = std::numeric_limits<float>::max();
        value = v > kLargest    ? std::numeric_limits<float>::max()
                : v < -kLargest ? -std::numeric_limits<float>::max()
                                : static_cast<float>(v);
    }
    if (after)
        *after = AfterWords(text, 1);
    return value;
}

// A leading decimal integer; 0 without one, clamped to the u32 range.
inline DWORD LeadingInteger(const char* text)
{
    text = SkipBlanks(text);
    if (*text == '+')
        ++text;
    unsigned long long value = 0;
    while (*text >= '0' && *text <= '9')
    {
        value = value * 10 + static_cast<unsigned>(*text - '0');
        if (value > 0xffffffffull)
            return 0xffffffffu;
        ++text;
    }
    return static_cast<DWORD>(value);
}
} // namespace postacvalues
