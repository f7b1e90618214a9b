#include "platform/win32/EventScript.h"

#include "platform/win32/Path.h"

#include <algorithm>
#include <map>

namespace
{
struct NoCase
{
    bool operator()(const std::string& a, const std::string& b) const
    {
        return TkCompareNames(a.c_str(), b.c_str()) < 0;
    }
};

std::map<std::string, TkScriptHandler, NoCase>& Actions()
{
    static std::map<std::string, TkScriptHandler, NoCase> actions;
    return actions;
}

std::map<std::string, TkScriptValue, NoCase>& Values()
{
    static std::map<std::string, TkScriptValue, NoCase> values;
    return values;
}
} // namespace

void TkRegisterScriptAction(const char* verb, TkScriptHandler handler)
{
    if (verb && handler)
        Actions()[verb] = handler;
}

size_t TkLongestScriptVerbWords()
{
    size_t longest = 0;
    for (const auto& [verb, handler] : Actions())
    {
        size_t words = 0;
        bool inWord = false;
        for (char c : verb)
        {
            const bool blank = c == ' ' || c == '\t';
            words += !blank && !inWord;
            inWord = !blank;
        }
        longest = std::max(longest, words);
    }
    return longest;
}

bool TkRunScriptAction(const std::string& verb, const std::string& args)
{
    auto it = Actions().find(verb);
    return it != Actions().end() && it->second(args);
}

bool TkHasScriptAction(const std::string& verb)
{
    return Actions().count(verb) != 0;
}

void TkRegisterScriptValue(const char* name, TkScriptValue read)
{
    if (name && *name && read)
        Values()[name] = read;
}

bool TkReadScriptValue(const std::string& name, uint32_t& out)
{
    auto it = Values().find(name);
    if (it == Values().end())
        return false;
    out = it->second();
    return true;
}
