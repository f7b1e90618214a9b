// The "PostProcess" section of a save game: the switches, the effect-object
// list, the hurt values, the AO and bloom settings.
#include "render/PostProcess.h"

#include "shell/Console.h"
#include "shell/SaveFile.h"

#include <cmath>

bool EPostProcess::SaveState(FILE* file)
{
    if (!file)
        return true;
    bool ok = true;
    for (BYTE b : {m_bScripted, m_bBWForced, m_bBW, m_bDark, m_bWanted})
        ok = WriteBool(file, b != 0) && ok;
    const DWORD count = m_iEffectObjects <= MAX_EFFECT_OBJECTS ? m_iEffectObjects : MAX_EFFECT_OBJECTS;
    ok = WriteDword(file, count) && ok;
    for (float f : {m_fRed, m_fHurt, AODepth, AOIntensity, BloomCone, BloomPower})
        ok = WriteFloat(file, f) && ok;
    for (DWORD i = 0; i < count; ++i)
        ok = WritePesel(file, m_aEffectObjects[i]) && ok;
    return ok;
}

bool EPostProcess::LoadState(FILE* file)
{
    if (!file)
        return true;
    // Everything is read before anything is taken, so a refused section
    // leaves the object as it was.
    BYTE switches[5] = {};
    for (BYTE& b : switches)
        if (!ReadBool(file, &b))
            return false;
    DWORD count = 0;
    if (!ReadDword(file, &count))
        return false;
    if (count > MAX_EFFECT_OBJECTS)
    {
        g_Console.PrintFloatB("PostProcess: the save lists too many effect objects: ",
                              static_cast<int>(count));
        return false;
    }
    float values[6] = {};
    for (float& f : values)
        if (!ReadFloat(file, &f) || !std::isfinite(f))
            return false;
    HOBJECT objects[MAX_EFFECT_OBJECTS] = {};
    for (DWORD i = 0; i < count; ++i)
        if (!ReadPesel(file, &objects[i]))
            return false;

    m_bScripted = switches[0];
    m_bBWForced = switches[1];
    m_bBW = switches[2];
    m_bDark = switches[3];
    m_bWanted = switches[4];
    m_iEffectObjects = count;
    for (int i = 0; i < MAX_EFFECT_OBJECTS; ++i)
        m_aEffectObjects[i] = objects[i];
    m_fRed = values[0];
    m_fHurt = values[1];
    AODepth = values[2];
    AOIntensity = values[3];
    BloomCone = values[4];
    BloomPower = values[5];
    return true;
}
