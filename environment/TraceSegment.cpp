// TraceSegment: what a segment hits first in the scene, skipping up to two
// objects and chosen kinds of objects.
#include "environment/FxMgr.h"

#include "environment/FxServices.h"
#include "world/Object.h"

#include <cmath>

namespace
{
constexpr float kShortestTrace = 1.0f;
constexpr DWORD kKindCharacter = 2;
constexpr DWORD kKind4 = 4;
constexpr DWORD kKind16 = 16;

// The filter has only the candidate and the user value to go on, so the
// rest of the call's choices wait here: the trace is not re-entrant.
struct TraceChoices
{
    HOBJECT skip1 = nullptr;
    HOBJECT skip2 = nullptr;
    bool skipKind4 = false;
    bool skipCharacters = false;
    bool skipKind16 = false;
};
TraceChoices g_trace;

bool TraceFilter(HOBJECT o, RayTestUser)
{
    if (!o || o == g_trace.skip1 || o == g_trace.skip2)
        return false;
    const DWORD kind = o->dwFlags3;
    if ((g_trace.skipKind4 && kind == kKind4) || (g_trace.skipCharacters && kind == kKindCharacter) ||
        (g_trace.skipKind16 && kind == kKind16))
        return false;
    return !FxObjectDead(o) && !FxObjectSeeThrough(o);
}
} // namespace

int TraceSegment(D3DXVECTOR3* from, D3DXVECTOR3* to, HOBJECT skip1, BYTE skipKind4, HOBJECT skip2,
                 BYTE skipCharacters, BYTE skipKind16, BYTE queryOption)
{
    if (!from || !to)
        return 0;
    if (std::fabs(from->x - to->x) + std::fabs(from->y - to->y) + std::fabs(from->z - to->z) < kShortestTrace)
        return 0;
    g_trace.skip1 = skip1;
    g_trace.skip2 = skip2;
    g_trace.skipKind4 = skipKind4 != 0;
    g_trace.skipCharacters = skipCharacters != 0;
    g_trace.skipKind16 = skipKind16 != 0;

    RayTestQuery query;
    query.Init();
    query.pFrom = &from->x;
    query.pTo = &to->x;
    query.pfnFilter = TraceFilter;
    query.dwUser = reinterpret_cast<RayTestUser>(skip1);
    query.bSeeThrough = queryOption;
    query.bOption = 0;
    RayTestResult result;
    if (!FxSegmentTest(&query, &result) || !result.bHit || !result.pObject)
        return 0;
    *from = result.vPoint;
    *to = result.vNormal;
    return result.pObject->Type != OT_MESH ? 2 : 1;
}
