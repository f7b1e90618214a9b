#pragma once
// The two screen-shake records an object action or a death hands the camera:
// a short shake that dies away over its duration and a constant shake that
// runs while its source object lives.

#include "platform/win32/WinTypes.h"

constexpr int SHAKE_VALUES = 8;
constexpr int CONSTANT_SHAKE_VALUES = 6;

struct EShakeParams
{
    EShakeParams() { Reset(); }
    void Reset()
    {
        static constexpr float defaults[SHAKE_VALUES] = {20.0f, 1.0f, 12.0f, 1.4f, 8.0f, 1.4f, 640.0f, 4.0f};
        bEnabled = 0;
        for (int i = 0; i < SHAKE_VALUES; ++i)
            fValues[i] = defaults[i];
        dwNegative = 0;
    }

    BYTE bEnabled;
    // Angle (degrees) and period (seconds) of axes 1, 2 and 3, then the range
    // and the duration (seconds).
    float fValues[SHAKE_VALUES];
    DWORD dwNegative; // a set low byte forces the negative sign
};

struct EConstantShakeParams
{
    EConstantShakeParams() { Reset(); }
    void Reset()
    {
        static constexpr float defaults[CONSTANT_SHAKE_VALUES] = {0.3f, 0.1f, 0.1f, 0.2f, 0.3f, 1.0f};
        bEnabled = 0;
        for (int i = 0; i < CONSTANT_SHAKE_VALUES; ++i)
            fValues[i] = defaults[i];
        fRange = 0.0f;
    }

    BYTE bEnabled;
    // Angle (degrees) and period (seconds) of axes 1, 2 and 3.
    float fValues[CONSTANT_SHAKE_VALUES];
    float fRange;
};
