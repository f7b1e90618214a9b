#pragma once
// CallJournal: the newest calls a layer of game code noted, oldest first, in a
// fixed ring of lines. Tests and "Debug" traces read it to see which calls
// reached managers that change nothing else yet.

#include <cstdarg>
#include <cstdio>
#include <cstring>

template <int Lines, int LineSize> class CallJournal
{
public:
    int Count() const { return m_iCount; }

    const char* Line(int i) const { return i >= 0 && i < m_iCount ? m_Lines[(m_iFirst + i) % Lines] : ""; }

    // True when a noted call starts with the text.
    bool Called(const char* prefix) const
    {
        const size_t n = prefix ? std::strlen(prefix) : 0;
        for (int i = 0; i < m_iCount; ++i)
            if (std::strncmp(Line(i), prefix ? prefix : "", n) == 0)
                return true;
        return false;
    }

    void Clear() { m_iFirst = m_iCount = 0; }

    // Notes one formatted call, cut to the line; with `skipRepeat` a call the
    // same as the newest one noted is not noted again.
    void Add(bool skipRepeat, const char* format, va_list args)
    {
        char line[LineSize];
        std::vsnprintf(line, sizeof line, format, args);
        if (skipRepeat && m_iCount > 0 && std::strcmp(Line(m_iCount - 1), line) == 0)
            return;
        const int slot = (m_iFirst + m_iCount) % Lines;
        if (m_iCount < Lines)
            ++m_iCount;
        else
            m_iFirst = (m_iFirst + 1) % Lines;
        std::memcpy(m_Lines[slot], line, sizeof line);
    }

private:
    char m_Lines[Lines][LineSize] = {};
    int m_iFirst = 0;
    int m_iCount = 0;
};
