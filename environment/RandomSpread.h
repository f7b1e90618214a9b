#pragma once
// A random offset along one axis of an area: a random sign times a 15-bit
// draw of rand() times the extent / 65536, so under half the extent either
// way; nothing for an extent that is not positive.

#include <cstdlib>

inline float RandomSpread(float extent)
{
    if (extent <= 0.0f)
        return 0.0f;
    const float sign = (std::rand() & 1) ? 1.0f : -1.0f;
    return sign * static_cast<float>(std::rand() & 0x7FFF) * extent / 65536.0f;
}
