// What the whole-game checks of the hero read back: the hero's positions in
// the headless game's console, whether a line was printed, and how much of a
// screenshot's region is the weapon's dark iron.
#pragma once

#include "support/Bitmap.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace herogame
{
struct HeroAt
{
    double x = 0.0, y = 0.0, z = 0.0, yaw = 0.0, pitch = 0.0;
};

inline std::vector<HeroAt> Positions(const std::vector<std::string>& log)
{
    std::vector<HeroAt> found;
    for (const std::string& line : log)
    {
        HeroAt h;
        if (std::sscanf(line.c_str(), "Hero position %lf %lf %lf look %lf %lf", &h.x, &h.y, &h.z, &h.yaw,
                        &h.pitch) == 5)
            found.push_back(h);
    }
    return found;
}

inline bool Contains(const std::vector<std::string>& log, const std::string& text)
{
    return std::any_of(log.begin(), log.end(),
                       [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

// Share of a region's pixels that are dark iron: near grey and darker than
// anything the sunlit ground, road, houses or sky show.
inline double IronShare(const Bitmap& b, int x0, int y0, int x1, int y1)
{
    constexpr int kDark = 60;
    constexpr int kGrey = 12;
    int iron = 0, all = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
        {
            const uint32_t p = b.Pixel(x, y);
            const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, bl = p & 0xFF;
            const int hi = std::max({r, g, bl}), lo = std::min({r, g, bl});
            iron += hi < kDark && hi - lo < kGrey ? 1 : 0;
            ++all;
        }
    return all ? static_cast<double>(iron) / all : 0.0;
}
} // namespace herogame
