// EWorldMgr: the FX key of world files (the action keys are in
// WorldMgrActionKeys.cpp, the death, object-light and bezier keys in
// WorldMgrDeathKeys.cpp).
#include "world/WorldMgr.h"

#include "world/Engine.h"

void EWorldMgr::ParseObjectFx(EWorldMgr* loader, const char* line, HOBJECT object)
{
    if (!loader || !line || !object)
        return;
    if (!loader->Key("set_fx"))
        return;
    // The engine bounds the name to its field and says so when it does not fit.
    constexpr unsigned kFxNameCapacity = 255;
    char name[kFxNameCapacity] = {};
    if (loader->CopyText("set_fx", kFxNameCapacity, name, loader->GetValue(loader->m_pLine)))
        g_Engine.SetObjectFx(object, name);
}
