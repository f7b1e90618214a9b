// STAND-IN: see EngineObject.h.
#include "world/EngineObject.h"

#include "world/Engine.h"
#include "world/Object.h"

#include <cstdio>

EEngineObject g_EngineObject;

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
