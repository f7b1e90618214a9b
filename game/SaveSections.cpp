// The save sections written for managers that keep no state of their own yet.
#include "game/SaveSections.h"

#include "render/PostProcess.h"
#include "shell/SaveFile.h"
#include "world/ObjectHandle.h"

#include <cmath>

namespace
{
constexpr int kDialogueSlots = 6;
constexpr int kDialogueActors = 3;
constexpr size_t kNameSize = 256;
constexpr BYTE kWantedIdle = 1;

// A name a dialogue slot carries: read and dropped.
bool SkipName(FILE* file)
{
    char name[kNameSize];
    return ReadString(file, name);
}

bool SkipOptionalName(FILE* file)
{
    BYTE present = 0;
    return ReadBool(file, &present) && (!present || SkipName(file));
}
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
    bool ok = true;
    for (int i = 0; i <= kDialogueSlots; ++i)
        ok = WriteBool(file, false) && ok;
    return ok;
}

bool LoadDialogue(FILE* file)
{
    // A slot a later writer filled is read through and not started.
    for (int i = 0; i < kDialogueSlots; ++i)
    {
        BYTE active = 0;
        if (!ReadBool(file, &active))
            return false;
        if (!active)
            continue;
        if (!SkipName(file))
            return false;
        for (int a = 0; a <= kDialogueActors; ++a)
            if (!SkipOptionalName(file))
                return false;
    }
    return SkipOptionalName(file);
}
} // namespace SaveSections
