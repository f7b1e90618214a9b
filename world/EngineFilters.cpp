// EEngine: the segment filters the engine's callers hand to EIntersectSegment.
#include "world/Engine.h"

#include "player/Player.h"

namespace
{
constexpr DWORD kKindCharacter = 2;
constexpr DWORD kKind16 = 16;
constexpr DWORD kKindBit8 = 8;
} // namespace

bool EEngine::StaticWorldFilter(HOBJECT candidate, RayTestUser user)
{
    if (!candidate || candidate == Player.m_hObject || candidate == reinterpret_cast<HOBJECT>(user))
        return false;
    const DWORD kind = candidate->dwFlags3;
    return candidate->Type == OT_MESH && kind != kKindCharacter && kind != kKind16 && !(kind & kKindBit8) &&
           !candidate->bDead;
}

bool EEngine::StandardFilter(HOBJECT candidate, RayTestUser)
{
    if (!candidate || candidate == Player.m_hObject || candidate->bHidden)
        return false;
    return candidate->Type == OT_MESH || candidate->Type == OT_SKINMESH;
}

bool EEngine::OneObjectFilter(HOBJECT candidate, RayTestUser user)
{
    return candidate && candidate == reinterpret_cast<HOBJECT>(user);
}
