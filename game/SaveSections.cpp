// The save sections written for managers that keep no state of their own yet.
#include "game/SaveSections.h"

#include "game/DialogueMgr.h"
#include "render/PostProcess.h"
#include "shell/SaveFile.h"
#include "world/ObjectHandle.h"

#include <cmath>

namespace SaveSections
{
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
    return g_DialogueMgr.Save(file);
}

bool LoadDialogue(FILE* file)
{
    return g_DialogueMgr.Load(file);
}
} // namespace SaveSections
