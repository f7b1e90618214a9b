// EWorldMgr: the parsers of the death, object-light, bezier and FX keys of
// world files (the action keys are in WorldMgrActionKeys.cpp).
// STAND-IN: each parser recognises the keys of its family by their prefix, so
// the loader reads such lines as known and passes them over without a note;
// the object-action and damage work fills the records from them.
#include "world/WorldMgr.h"

#include <cstring>

namespace
{
bool StartsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

void Recognise(EWorldMgr* loader, const char* line, HOBJECT object, const char* prefix)
{
    if (!loader || !line || !object)
        return;
    if (StartsWith(loader->m_szKeyword, prefix))
        loader->m_bMatch = 1;
}
} // namespace

void EWorldMgr::ParseDeathParams(EWorldMgr* loader, const char* line, HOBJECT object)
{
    Recognise(loader, line, object, "death_params_");
}

void EWorldMgr::ParseObjectLights(EWorldMgr* loader, const char* line, HOBJECT object)
{
    Recognise(loader, line, object, "object_light_control");
}

void EWorldMgr::ParseBezierStart(EWorldMgr* loader, const char* line, HOBJECT object)
{
    Recognise(loader, line, object, "bezier_moving_____");
}

void EWorldMgr::ParseObjectFx(EWorldMgr* loader, const char* line, HOBJECT object)
{
    if (!loader || !line || !object)
        return;
    if (std::strcmp(loader->m_szKeyword, "set_fx") == 0)
        loader->m_bMatch = 1;
}
