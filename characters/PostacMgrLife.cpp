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

strpostac* CPostacMgr::RespawnCharacter(const char* name, const D3DXVECTOR3* position,
                                        const EOrientation* orientation, const char* faza, HOBJECT respawner)
{
    // STAND-IN: the respawn of the shooting and death work, without the
    // respawner's weapon and shot settings, rockets, laser beams and forced runs.
    if (g_Options.Debug > 0)
    {
        g_Console.Print2("Respawnuje postac ", name ? name : "");
        if (position)
            g_Console.PrintVector("Respawn pos: ", *position);
    }
    strpostac* p = SpawnCharacter(name, position, orientation);
    if (!p)
    {
        g_Console.Print3("RespawnCharacter ", name ? name : "", " failed!");
        return nullptr;
    }
    p->respawner = respawner;
    CopyCut(p->name, sizeof p->name, respawner ? respawner->szName : (name ? name : ""));
    CreateCharacterModel(p, nullptr);
    PlaceModel(p);
    p->target_position = D3DXVECTOR3(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
    p->segment_start = p->position;
    g_PathMgr.FindPlaceFor(p);
    if (faza && faza[0])
    {
        if (g_Options.Debug > 0)
            g_Console.Print2("Setting phase to ", faza);
        SetFaza(p, faza);
    }
    if (g_Options.Debug > 0)
        g_Console.Print2("Koniec respawnu postaci ", p->name);
    return p;
}

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
