// STAND-IN: see EngineObject.h.
#include "world/EngineObject.h"

#include "environment/FxMgr.h"
#include "game/MainGame.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cstdio>

EEngineObject g_EngineObject;

namespace
{
// Looping effects start from this level frame on.
constexpr DWORD kFxStartFrame = 150;
} // namespace

void EEngineObject::Release()
{
    m_hDirectionPointerTarget = m_hExplosiveTarget = nullptr;
    m_szDirectionPointerTarget[0] = m_szExplosiveTarget[0] = 0;
}

void EEngineObject::TieToSocket(HOBJECT object, const char* socket, const char* target)
{
    if (!object || !socket || !target)
        return;
    object->bTied = 1;
    std::snprintf(object->szTieSocket, sizeof object->szTieSocket, "%s", socket);
    std::snprintf(object->szTieObject, sizeof object->szTieObject, "%s", target);
    object->pTiedTo = g_Engine.FindObject(target, 0);
}

void EEngineObject::Untie(HOBJECT object)
{
    if (!object)
        return;
    object->bTied = 0;
    object->pTiedTo = nullptr;
    object->szTieSocket[0] = object->szTieObject[0] = 0;
}

void EEngineObject::ForgetObject(HOBJECT object)
{
    if (object && m_hDirectionPointerTarget == object)
        m_hDirectionPointerTarget = nullptr;
    if (object && m_hExplosiveTarget == object)
        m_hExplosiveTarget = nullptr;
}

void EEngineObject::SetDirectionPointerTarget(const char* name)
{
    std::snprintf(m_szDirectionPointerTarget, sizeof m_szDirectionPointerTarget, "%s", name ? name : "");
    m_hDirectionPointerTarget = m_szDirectionPointerTarget[0] ? g_Engine.FindObject(name, 0) : nullptr;
}

void EEngineObject::SetExplosiveTarget(const char* name)
{
    std::snprintf(m_szExplosiveTarget, sizeof m_szExplosiveTarget, "%s", name ? name : "");
    m_hExplosiveTarget = m_szExplosiveTarget[0] ? g_Engine.FindObject(name, 0) : nullptr;
}

void EEngineObject::Update()
{
    const DWORD frame = g_MainGame.m_iLevelFrame;
    if (frame < kFxStartFrame)
        return;
    for (int i = 0; i < NAMED_OBJECT_SLOTS; ++i)
    {
        strObject& o = g_Engine.m_Objects[i];
        if (!o.bUsed || !o.pFxName || !o.pFxName[0] || (o.pFx && o.pFx->m_bActive))
            continue;
        // A name without a definition is reported once, on the first frame it could start.
        if (!FX.FindFxDef(o.pFxName) && frame != kFxStartFrame)
            continue;
        // SetObjectFx copies the name it is given into pFxName: hand it a copy.
        char name[OBJECT_FX_NAME_SIZE];
        std::snprintf(name, sizeof name, "%s", o.pFxName);
        g_Engine.SetObjectFx(&o, name);
    }
}
