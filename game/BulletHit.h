#pragma once
// Where a bullet lands, the game decides what it does: a running cut-scene,
// the characters or the hero may claim the hit; otherwise it pushes the body
// it struck, hurts the object, throws up the weapon's impact effect for the
// surface, leaves a mark and, near the camera, whines off as a ricochet. Every
// bullet that hits, whoever fired it, ends here. Blasts near the hero reach
// him through CMainGame::ExplosionNearPlayer (in BulletHit.cpp as well).

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

struct EFxDef;
struct EItemDesc;
struct RayTestResult;

// A bullet of `weapon` met what `hit` records. `detail` goes unchanged to the
// handlers that may claim the hit, `silenced` chooses the alarm and tells the
// characters it was quiet, and `damageFactor` scales the hero's damage.
void HandleBulletHit(const EItemDesc* weapon, const RayTestResult* hit, HOBJECT shooter, DWORD detail,
                     BYTE silenced, float damageFactor);

namespace BulletHit
{
constexpr float IMPACT_LIFT = 0.36f;          // the impact effect stands off the surface by this
constexpr float WORLD_PUSH = 20.0f;           // the impulse a bullet gives a body
constexpr float VEHICLE_PUSH_FACTOR = 20.0f;  // a vehicle's body takes this many times more
constexpr float RICOCHET_RANGE = 20.0f;       // ricochets are heard nearer the camera than this
constexpr float RICOCHET_SOUND_RANGE = 40.0f; // and carry this far
constexpr int RICOCHET_SOUNDS = 5;
constexpr float EXPLOSION_REACH = 90.0f; // blasts this near the hero reach him and the characters

// An alarm's size: hearing radius, open-line radius, flag A, sight radius,
// life and flags B and C.
struct AlarmSize
{
    float hearing, openLine;
    BYTE flagA;
    float sight;
    DWORD life;
    BYTE flagB, flagC;
};
// The alarm a bullet raises where it lands: a silenced weapon's hit is the wider one.
const AlarmSize& HitAlarm(BYTE silenced);
// Raises an alarm of that size at the point for the characters.
void RaiseAlarm(const D3DXVECTOR3& at, const AlarmSize& size);
// The surface kind of the face the hit met (its texture's material), 0 without a texture.
DWORD SurfaceOf(const RayTestResult& hit);
// The weapon's impact list a surface kind turns to (an ItemSurface), or -1
// when the kind keeps the concrete list.
int ImpactListOf(DWORD surfaceKind);
// The impact effect of the weapon on a surface: an entry of the concrete list,
// replaced by one of the surface's own list when that list has entries.
const EFxDef* ImpactFx(const EItemDesc& weapon, DWORD surfaceKind);
// Whether a hit this far from the camera ricochets, given a random number.
bool Ricochets(float cameraDistance, int random);
// Whether a blast this far from the hero reaches him and the characters.
bool ExplosionReaches(float distance);
} // namespace BulletHit
