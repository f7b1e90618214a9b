// Physics bodies of the scene objects at world load and respawn.
#include "physics/PhysicsMgr.h"
#include "world/Engine.h"

void EEngine::RespawnObject(HOBJECT object)
{
    if (!object || !object->bUsed || object->Type != OT_MESH || !object->Object)
        return;
    g_PhysicsMgr.GiveLoadedObjectBody(object);
}

void EEngine::RespawnObjects()
{
    for (int i = FIRST_MESH_SLOT; i < m_iHighMesh && i < MAX_OBJECTS; ++i)
        if (m_Objects[i].bUsed && m_Objects[i].Type == OT_MESH)
            RespawnObject(&m_Objects[i]);
}
