#pragma once
// CCredits: the scrolling credits.
// STAND-IN: nothing scrolls; the screens work replaces it.

class CCredits
{
public:
    virtual ~CCredits() = default;
    void Reset() {}
    void Render() {}
};

inline CCredits g_Credits;
