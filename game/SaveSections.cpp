// The save sections written for managers that keep no state of their own yet.
#include "game/SaveSections.h"

#include "game/DialogueMgr.h"
#include "render/PostProcess.h"
#include "shell/SaveFile.h"
#include "world/ObjectHandle.h"

#include <cmath>

namespace
{
constexpr BYTE kWantedIdle = 1;
} // namespace

namespace SaveSections
{
bool SavePostProcess(FILE* file)
{
    const BYTE switches[] = {0, 0, 0, 0, kWantedIdle};
    bool ok = true;
    for (BYTE b : switches)
        ok = WriteBool(file, b != 0) && ok;
    ok = WriteDword(file, 0) && ok;
    const float values[] = {0.0f,
                            0.0f,
                            PostProcess.AODepth,
                            PostProcess.AOIntensity,
                            PostProcess.BloomCone,
                            PostProcess.BloomPower};
    for (float f : values)
        ok = WriteFloat(file, f) && ok;
    return ok;
}

bool LoadPostProcess(FILE* file)
{
    BYTE switches[5] = {};
    for (BYTE& b : switches)
        if (!ReadBool(file, &b))
            return false;
    DWORD count = 0;
    float values[6] = {};
    if (!ReadDword(file, &count))
        return false;
    for (float& f : values)
        if (!ReadFloat(file, &f) || !std::isfinite(f))
            return false;
    // The effect objects a later writer lists are read and dropped.
    for (DWORD i = 0; i < count; ++i)
    {
        HOBJECT o = nullptr;
        if (!ReadPesel(file, &o))
            return false;
    }
    PostProcess.AODepth = values[2];
    PostProcess.AOIntensity = values[3];
    PostProcess.BloomCone = values[4];
    PostProcess.BloomPower = values[5];
    return true;
}

bool SaveDialogue(FILE* file)
{
    return g_DialogueMgr.Save(file);
}

bool LoadDialogue(FILE* file)
{
    return g_DialogueMgr.Load(file);
}
} // namespace SaveSections
