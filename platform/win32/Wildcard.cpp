#include "platform/win32/Wildcard.h"

#include <cctype>
#include <cstring>
#include <string>

namespace
{
bool SameLetter(char a, char b)
{
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// Greedy match with one back-track point: linear in practice, never
// exponential however many stars a pattern holds.
bool Match(const char* p, const char* n)
{
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*n)
    {
        if (*p == '*')
        {
            star = p++;
            resume = n;
        }
        else if (*p == '?' || (*p && SameLetter(*p, *n)))
        {
            ++p;
            ++n;
        }
        else if (star)
        {
            p = star + 1;
            n = ++resume;
        }
        else
            return false;
    }
    while (*p == '*')
        ++p;
    return *p == 0;
}
} // namespace

bool TkMatchWildcard(const char* pattern, const char* name)
{
    if (!pattern || !name)
        return false;
    if (Match(pattern, name))
        return true;
    const size_t length = std::strlen(pattern);
    if (length >= 2 && pattern[length - 2] == '.' && pattern[length - 1] == '*' && !std::strchr(name, '.'))
        return Match(std::string(pattern, length - 2).c_str(), name);
    return false;
}
