// CPostacMgr: characters made by respawners, and whether a respawner's
// character still lives.
#include "characters/PostacMgr.h"

#include "characters/PathMgr.h"

#include "characters/PostacSockets.h"
#include "mesh/SkinMesh.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"
#include "world/Engine.h"

bool CPostacMgr::IsAliveFrom(HOBJECT respawner)
{
    if (!respawner)
        return false;
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        const strpostac& p = m_Postacie[i];
        if (p.used && !p.dead && p.respawner == respawner)
            return true;
    }
    return false;
}
