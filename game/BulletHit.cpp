// HandleBulletHit and CMainGame::ExplosionNearPlayer: what bullets and blasts
// do once the engine has found where they landed.
#include "game/BulletHit.h"

#include "characters/PostacMgr.h"
#include "environment/FxMgr.h"
#include "environment/FxServices.h"
#include "game/CutScene.h"
#include "game/MainGame.h"
#include "physics/PhysicsMgr.h"
#include "player/ItemDesc.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "render/Renderer.h"
#include "sound/SoundMgr.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{
constexpr const char* RICOCHET_SOUND = "sounds\\weapons\\ryko%i.wav";
constexpr int RICOCHET_SILENT_BITS = 3; // one random number in four has both low bits clear

// The alarms of a hit: a silenced weapon's hit raises the wider one (a loud
// shot has raised its own wide alarm where it was fired).
constexpr BulletHit::AlarmSize kSilencedHit = {2.0f, 10.0f, 0, 30.0f, 1, 1, 0};
constexpr BulletHit::AlarmSize kLoudHit = {1.0f, 1.0f, 0, 1.0f, 1, 1, 0};

// The list each surface kind turns to (the glass list is not used for
// bullets: glass throws up the metal list's sparks); -1 keeps the concrete list.
constexpr int kNoList = -1;
constexpr int IMPACT_LIST_BY_SURFACE[] = {
    kNoList,         // 0: no texture or no kind
    SURFACE_METAL,   // 1 metal
    SURFACE_WOOD,    // 2 wood
    SURFACE_SAND,    // 3 sand
    SURFACE_SNOW,    // 4 snow
    SURFACE_WATER,   // 5 water
    SURFACE_COAL,    // 6 coal
    SURFACE_METAL,   // 7 glass
    SURFACE_PLASTIC, // 8 plastic
};
constexpr DWORD SURFACE_KINDS = sizeof IMPACT_LIST_BY_SURFACE / sizeof IMPACT_LIST_BY_SURFACE[0];

bool CutSceneTakesShot(const EItemDesc* weapon, const RayTestResult* hit, HOBJECT, DWORD)
{
    return g_CutScene.OnBulletHit(weapon, hit);
}

// A hit on a character's model (alive or dead) is the character's.
bool CharactersTakeShot(const EItemDesc* weapon, const RayTestResult* hit, HOBJECT shooter, DWORD,
                        BYTE silenced)
{
    strpostac* p = PMgr.FindCharacterByObject(hit->pObject);
    if (!p || p->player_record)
        return false;
    PMgr.OnBulletHit(p, shooter, &hit->vPoint, hit, weapon, silenced != 0);
    return true;
}

// A truck's chassis.
bool HasVehicleBody(HOBJECT object)
{
    return g_PhysicsMgr.GetTruck(object) != nullptr;
}

void CharactersTakeExplosion(const D3DXVECTOR3* point, float strength)
{
    PMgr.ApplyExplosion(point, strength);
}

float Length(const D3DXVECTOR3& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v)
{
    const float l = Length(v);
    return l > 0.0f && std::isfinite(l) ? v / l : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

const EFxDef* RandomEntry(const ItemFxList& list)
{
    const DWORD n = list.count < ITEM_LIST_ENTRIES ? list.count : ITEM_LIST_ENTRIES;
    return n ? list.defs[static_cast<DWORD>(std::rand()) % n] : list.defs[0];
}
} // namespace

namespace BulletHit
{
const AlarmSize& HitAlarm(BYTE silenced)
{
    return silenced ? kSilencedHit : kLoudHit;
}

void RaiseAlarm(const D3DXVECTOR3& at, const AlarmSize& a)
{
    PMgr.AddAlarm(&at, a.hearing, a.openLine, a.flagA, a.sight, a.life, a.flagB, a.flagC);
}

DWORD SurfaceOf(const RayTestResult& hit)
{
    const DWORD index = FxHitTexture(hit);
    const strtexture* texture = index ? g_Renderer.GetTexture(index) : nullptr;
    return texture ? texture->m_iMaterial : 0;
}

int ImpactListOf(DWORD surfaceKind)
{
    return surfaceKind < SURFACE_KINDS ? IMPACT_LIST_BY_SURFACE[surfaceKind] : kNoList;
}

const EFxDef* ImpactFx(const EItemDesc& weapon, DWORD surfaceKind)
{
    const EFxDef* fx = RandomEntry(weapon.HitFx[SURFACE_CONCRETE]);
    const int list = ImpactListOf(surfaceKind);
    if (list != kNoList && weapon.HitFx[list].count != 0)
        fx = RandomEntry(weapon.HitFx[list]);
    return fx;
}

bool Ricochets(float cameraDistance, int random)
{
    return cameraDistance < RICOCHET_RANGE && (random & RICOCHET_SILENT_BITS) != 0;
}

bool ExplosionReaches(float distance)
{
    return distance <= EXPLOSION_REACH;
}
} // namespace BulletHit

void HandleBulletHit(const EItemDesc* weapon, const RayTestResult* hit, HOBJECT shooter, DWORD detail,
                     BYTE silenced, float damageFactor)
{
    if (!weapon || !hit || !hit->pObject)
        return;
    const HOBJECT object = hit->pObject;
    const D3DXVECTOR3 point = hit->vPoint;
    // 1.
    BulletHit::RaiseAlarm(point, BulletHit::HitAlarm(silenced));
    // 2. Whoever claims the hit.
    if (g_CutScene.m_bPlaying && CutSceneTakesShot(weapon, hit, shooter, detail))
        return;
    if (CharactersTakeShot(weapon, hit, shooter, detail, silenced))
        return;
    if (Player.OnBulletHit(weapon, hit, shooter, static_cast<float>(detail), damageFactor))
        return;
    // The surface is read before the hit handling may take the object away.
    const DWORD surface = BulletHit::SurfaceOf(*hit);
    // 3. A hit on the world: the push along the shot, then the object's damage.
    const D3DXVECTOR3 from = shooter ? shooter->vPosition : hit->vFrom;
    D3DXVECTOR3 direction = Normalised(point - from);
    if (direction == D3DXVECTOR3(0.0f, 0.0f, 0.0f))
        direction = Normalised(hit->vTo - hit->vFrom);
    const D3DXVECTOR3 impulse = direction * BulletHit::WORLD_PUSH;
    if (CPhysicsMgr::HasMovingBody(object))
        g_PhysicsMgr.ApplyImpulseAtPoint(object, &point, &impulse);
    if (HasVehicleBody(object))
    {
        const D3DXVECTOR3 push = impulse * BulletHit::VEHICLE_PUSH_FACTOR;
        g_PhysicsMgr.ApplyImpulseAtPoint(object, &point, &push);
    }
    g_Engine.OnObjectHit(object, &point, &direction, weapon->Hit);
    // 4. The impact effect by surface, and the mark, within sight.
    const D3DXVECTOR3 normal = Normalised(hit->vNormal);
    const D3DXVECTOR3& camera = g_Camera.GetPosition();
    const float cameraDistance = Length(point - camera);
    if (cameraDistance < g_Camera.GetFarPlane())
    {
        const D3DXVECTOR3 at = point + normal * BulletHit::IMPACT_LIFT;
        if (const EFxDef* fx = BulletHit::ImpactFx(*weapon, surface))
        {
            const EOrientation facing =
                normal == D3DXVECTOR3(0.0f, 0.0f, 0.0f) ? EOrientation() : EOrientation(&normal);
            FX.CreateFxFromDef(fx, &at, &facing);
        }
        Bronie.SpawnImpactEffect(weapon, hit);
    }
    // 5. A ricochet near the camera.
    if (BulletHit::Ricochets(cameraDistance, std::rand()))
    {
        char sound[MAX_PATH];
        std::snprintf(sound, sizeof sound, RICOCHET_SOUND, std::rand() % BulletHit::RICOCHET_SOUNDS);
        g_SoundMgr.PlaySound3DOnce(sound, &point, BulletHit::RICOCHET_SOUND_RANGE);
    }
}

void CMainGame::ExplosionNearPlayer(const D3DXVECTOR3* point, float strength)
{
    if (!point)
        return;
    const D3DXVECTOR3 hero(Player.m_vPosition.x, Player.m_vPosition.y, Player.m_vPosition.z);
    if (!BulletHit::ExplosionReaches(Length(hero - *point)))
        return;
    Player.ApplyExplosion(point, strength);
    CharactersTakeExplosion(point, strength);
}
