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
bool SaveKillCam(FILE* file)
{
    return WriteBool(file, true);
}

bool LoadKillCam(FILE* file)
{
    BYTE allowed = 0;
    return ReadBool(file, &allowed);
}

bool SavePostProcess(FILE* file)
{
    return PostProcess.SaveState(file);
}

bool LoadPostProcess(FILE* file)
{
    return PostProcess.LoadState(file);
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
