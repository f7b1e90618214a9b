#pragma once
// Text that must stay on one line (a stderr report, a line of a lock file):
// line breaks become blanks, a null text becomes empty.

#include <string>

inline std::string TkOneLine(const char* text)
{
    std::string s = text ? text : "";
    for (char& c : s)
        if (c == '\n' || c == '\r')
            c = ' ';
    return s;
}
