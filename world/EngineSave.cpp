// EEngine: the "Engine" section of save games.
//
// Per saved object: a marker byte 1, the object record, the bezier node id,
// orientation and scale, then the sub-records, each behind a flag byte
// (world/ObjectRecordIO.h has their layouts); after the last object a marker
// byte 0 and the two target names of the object logic.
#include "world/Engine.h"

#include "game/BezierFollowState.h"
#include "game/BezierMgr.h"
#include "mesh/Mesh.h"
#include "mesh/SkinMesh.h"
#include "physics/PhysicsDesc.h"
#include "shell/Console.h"
#include "shell/SaveFile.h"
#include "world/DeathParams.h"
#include "world/EngineObject.h"
#include "world/IntersectSegment.h"
#include "world/ObjectActionParams.h"
#include "world/ObjectLogicIO.h"
#include "world/ObjectRecordIO.h"

#include <cstring>
#include <memory>

namespace
{
constexpr DWORD NO_BEZIER_NODE = 0xFFFFFFFFu;

// The sub-records of one stored object, read whole before the object is looked
// up, so that a record no object takes still leaves the file in step.
struct StoredSubRecords
{
    BYTE bTexturePaint = 0;
    ETexturePaintParams TexturePaint;
    BYTE bBezierFollow = 0;
    BezierFollowState BezierFollow;
    BYTE bBezierMove = 0;
    BezierMoveState BezierMove;
    BYTE bBlinking = 0;
    EBlinkingParams Blinking;
    BYTE bSound = 0;
    EObjectSound Sound;
    BYTE bFxName = 0;
    char szFxName[FX_NAME_RECORD_SIZE] = {};
    BYTE bActionParams = 0;
    EObjectActionParams ActionParams;
    BYTE bDeathParams = 0;
    EDeathParams DeathParams;
    BYTE bPhysicsDesc = 0; // no flag of its own in the file: mesh objects with a mesh
    EPhysicsDesc PhysicsDesc;
    BYTE bLightControl = 0;
    ELightControlParams LightControl;
};

bool ReadFlag(FILE* file, BYTE* flag)
{
    bool value = false;
    const bool ok = ReadBool(file, &value);
    *flag = value ? 1 : 0;
    return ok;
}

bool ReadSubRecords(FILE* file, const strObject& stored, const StoredObjectPointers& pointers,
                    StoredSubRecords* s)
{
    bool ok = true;
    ok &= ReadFlag(file, &s->bTexturePaint);
    if (s->bTexturePaint)
        ok &= ReadTexturePaintRecord(file, &s->TexturePaint);
    ok &= ReadFlag(file, &s->bBezierFollow);
    if (s->bBezierFollow)
        ok &= ReadBezierFollowRecord(file, &s->BezierFollow);
    ok &= ReadFlag(file, &s->bBezierMove);
    if (s->bBezierMove)
        ok &= ReadBezierMoveRecord(file, &s->BezierMove);
    ok &= ReadFlag(file, &s->bBlinking);
    if (s->bBlinking)
        ok &= ReadBlinkingRecord(file, &s->Blinking);
    ok &= ReadFlag(file, &s->bSound);
    if (s->bSound)
        ok &= ReadObjectSoundRecord(file, &s->Sound);
    ok &= ReadFlag(file, &s->bFxName);
    if (s->bFxName)
        ok &= ReadFxNameRecord(file, s->szFxName);
    ok &= ReadFlag(file, &s->bActionParams);
    if (s->bActionParams)
        ok &= ReadActionParamsRecord(file, &s->ActionParams);
    ok &= ReadFlag(file, &s->bDeathParams);
    if (s->bDeathParams)
        ok &= ReadDeathParamsRecord(file, &s->DeathParams);
    if (stored.Type == OT_MESH && pointers.bObject)
    {
        s->bPhysicsDesc = 1;
        ok &= ReadPhysicsDescRecord(file, &s->PhysicsDesc);
    }
    ok &= ReadFlag(file, &s->bLightControl);
    if (s->bLightControl)
        ok &= ReadLightControlRecord(file, &s->LightControl);
    return ok;
}
} // namespace

bool EEngine::Save(FILE* file)
{
    if (!file)
        return false;
    bool ok = true;
    for (strObject& o : m_Objects)
    {
        if (!o.bUsed || !o.bSaved || o.bPlacedObject)
            continue;
        ok &= WriteBool(file, true);
        ok &= WriteObjectRecord(file, o);
        const bool moving = o.pBezierMove && o.pBezierMove->bActive;
        // The current node's number, by which the load re-links the move.
        ok &= WriteDword(file, moving ? o.pBezierMove->iNextNode : NO_BEZIER_NODE);
        EOrientation orientation = o.Orientation;
        GetObjectOrientation(&o, &orientation);
        D3DXVECTOR3 scale(1.0f, 1.0f, 1.0f);
        GetObjectScale(&o, &scale);
        ok &= WriteOrientation(file, &orientation);
        ok &= WriteVector(file, &scale);

        ok &= WriteBool(file, o.pTexturePaint != nullptr);
        if (o.pTexturePaint)
            ok &= WriteTexturePaintRecord(file, *o.pTexturePaint);
        ok &= WriteBool(file, o.pBezierFollow != nullptr);
        if (o.pBezierFollow)
            ok &= WriteBezierFollowRecord(file, *o.pBezierFollow);
        ok &= WriteBool(file, o.pBezierMove != nullptr);
        if (o.pBezierMove)
            ok &= WriteBezierMoveRecord(file, *o.pBezierMove);
        ok &= WriteBool(file, o.pBlinking != nullptr);
        if (o.pBlinking)
            ok &= WriteBlinkingRecord(file, *o.pBlinking);
        ok &= WriteBool(file, o.pSound != nullptr);
        if (o.pSound)
            ok &= WriteObjectSoundRecord(file, *o.pSound);
        ok &= WriteBool(file, o.pFxName != nullptr);
        if (o.pFxName)
            ok &= WriteFxNameRecord(file, o.pFxName);
        ok &= WriteBool(file, o.pActionParams != nullptr);
        if (o.pActionParams)
            ok &= WriteActionParamsRecord(file, *o.pActionParams);
        ok &= WriteBool(file, o.pDeathParams != nullptr);
        if (o.pDeathParams)
            ok &= WriteDeathParamsRecord(file, *o.pDeathParams);
        if (o.Type == OT_MESH && o.Object)
        {
            EPhysicsDesc desc;
            static_cast<EMesh*>(o.Object)->GetPhysicsDesc(&desc);
            ok &= WritePhysicsDescRecord(file, desc);
        }
        ok &= WriteBool(file, o.pLightControl != nullptr);
        if (o.pLightControl)
            ok &= WriteLightControlRecord(file, *o.pLightControl);
        if (o.Type == OT_SKINMESH && o.Object)
            ok &= static_cast<ESkinMesh*>(o.Object)->SaveState(file);
    }
    ok &= WriteBool(file, false);
    ok &= WriteString(file, g_EngineObject.m_szDirectionPointerTarget);
    ok &= WriteString(file, g_EngineObject.m_szExplosiveTarget);
    return ok;
}

bool EEngine::Load(FILE* file)
{
    if (!file)
        return false;
    for (strObject& o : m_Objects)
        o.bLoadedMark = 0;

    bool complete = false;
    for (;;)
    {
        BYTE marker = 0;
        if (!ReadBytes(file, &marker, 1))
            break;
        if (marker == 0)
        {
            complete = true;
            break;
        }
        if (marker != 1)
        {
            g_Console.Print(
                "ERROR in EEngine::Load(): bad object marker, the rest of the section is skipped");
            break;
        }
        if (!LoadObjectRecord(file))
            break;
    }
    if (!complete)
    {
        g_Console.Print("ERROR in EEngine::Load(): the Engine section is cut short");
        return false;
    }

    // Saved objects the save game does not hold did not exist when it was made.
    for (strObject& o : m_Objects)
        if (o.bUsed && o.bSaved && !o.bPlacedObject && !o.bLoadedMark)
            DeleteObject(&o);

    char direction[EEngineObject::TARGET_NAME_SIZE] = {};
    char explosive[EEngineObject::TARGET_NAME_SIZE] = {};
    bool ok = ReadString(file, direction);
    ok &= ReadString(file, explosive);
    g_EngineObject.SetDirectionPointerTarget(direction);
    g_EngineObject.SetExplosiveTarget(explosive);
    PrepareObjects();
    return ok;
}

// One stored object. False only when the file gave out; an object that cannot
// be added is reported and its record skipped whole.
bool EEngine::LoadObjectRecord(FILE* file)
{
    strObject stored{};
    StoredObjectPointers pointers{};
    bool ok = ReadObjectRecord(file, &stored, &pointers);
    DWORD node = NO_BEZIER_NODE;
    ok &= ReadDword(file, &node);
    EOrientation orientation;
    D3DXVECTOR3 scale(1.0f, 1.0f, 1.0f);
    ok &= ReadOrientation(file, &orientation);
    ok &= ReadVector(file, &scale);
    auto subs = std::make_unique<StoredSubRecords>();
    ok &= ReadSubRecords(file, stored, pointers, subs.get());
    if (!ok)
        return false;

    // Every slot, sprites too: a saved sprite is the same sprite again, while
    // object references (FindObjectByPesel) never lead to one.
    HOBJECT o = nullptr;
    for (strObject& candidate : m_Objects)
        if (candidate.bUsed && std::memcmp(candidate.PESEL, stored.PESEL, sizeof candidate.PESEL) == 0)
        {
            o = &candidate;
            break;
        }
    if (!o)
    {
        EObjectDesc desc;
        desc.Type = stored.Type;
        desc.dwFlags = stored.dwFlags;
        desc.dwFlags2 = stored.dwFlags2;
        desc.dwFlags3 = stored.dwFlags3;
        std::memcpy(desc.szFileName, stored.szFileName, sizeof desc.szFileName);
        desc.vPosition = stored.vPosition;
        desc.Orientation = orientation;
        desc.vScale = scale;
        desc.fRadius = stored.fRadius;
        desc.fLightValue = stored.fLightValue;
        desc.fDisappearRange = static_cast<float>(stored.iDisappearRange);
        o = AddObject(&desc);
        if (!o)
        {
            g_Console.Print2("Load: Nie powiodlo sie dodanie obiektu ", stored.szFileName);
            if (stored.Type == OT_SKINMESH && pointers.bObject)
                return ESkinMesh::SkipState(file);
            return true;
        }
        o->bSaved = 1;
        std::memcpy(o->PESEL, stored.PESEL, sizeof o->PESEL);
    }
    else if (o->bLoadedMark)
    {
        char line[OBJECT_NAME_SIZE + 32];
        std::snprintf(line, sizeof line, "Juz jest obiekt PESEL! \"%s\"", o->szName);
        g_Console.Print(line);
    }

    o->bLoadedMark = 1;
    SetObjectFlags(o, stored.dwFlags, 0xFFFFFFFFu);
    SetObjectFlags2(o, stored.dwFlags2, 0xFFFFFFFFu);
    o->dwFlags3 = stored.dwFlags3;
    std::memcpy(o->szName, stored.szName, sizeof o->szName);
    std::memcpy(o->szAnimation, stored.szAnimation, sizeof o->szAnimation);
    o->bAnimationLoop = stored.bAnimationLoop;
    o->bTied = stored.bTied;
    std::memcpy(o->szTieSocket, stored.szTieSocket, sizeof o->szTieSocket);
    std::memcpy(o->szTieObject, stored.szTieObject, sizeof o->szTieObject);
    o->iDisappearRange = stored.iDisappearRange;
    o->fLightValue = stored.fLightValue;
    o->fLightValue2 = stored.fLightValue2;
    o->fRadius = stored.fRadius;
    o->bLightCacheValid = 0;
    o->bDeletePending = stored.bDeletePending;
    o->bLinked = stored.bLinked;
    o->dwStartDword = stored.dwStartDword;
    o->fStartAngle = stored.fStartAngle;
    o->bStartByte = stored.bStartByte;
    std::memcpy(o->fStartOnes, stored.fStartOnes, sizeof o->fStartOnes);
    SetObjectTransform(o, &stored.vPosition, &orientation, 1, 1);
    o->vStartPosition = stored.vStartPosition;
    SetObjectScale(o, &scale);

    SetObjectTexturePaint(o, subs->bTexturePaint ? &subs->TexturePaint : nullptr);
    if (subs->bBezierFollow)
        SetObjectBezierFollowState(o, &subs->BezierFollow);
    if (subs->bBezierMove && o->pBezierMove)
    {
        *o->pBezierMove = subs->BezierMove;
        // Re-linked to the stored current node (a number this world does not
        // know leaves the move to start over at its start node, found by name).
        if (o->pBezierMove->bActive && node != NO_BEZIER_NODE &&
            g_BezierMgr.FindNodeById(static_cast<int>(node)))
            o->pBezierMove->iNextNode = node;
    }
    SetObjectBlinking(o, subs->bBlinking ? &subs->Blinking : nullptr);
    if (subs->bSound)
        SetObjectSound(o, subs->Sound.szFile, subs->Sound.fValue, subs->Sound.szCondition,
                       subs->Sound.bLooping);
    else
        SetObjectSound(o, nullptr, 0.0f, nullptr, 0);
    SetObjectFx(o, subs->bFxName ? subs->szFxName : nullptr);
    SetObjectActionParams(o, subs->bActionParams ? &subs->ActionParams : nullptr);
    SetObjectDeathParams(o, subs->bDeathParams ? &subs->DeathParams : nullptr);
    // The hit points of the record are the full health; the object keeps what it had left.
    o->fHealth = stored.fHealth;
    CopyObjectLogicFields(o, stored);
    if (o->Type == OT_MESH && !o->Object)
        g_Console.Print("Engine.Load: OT_MESH nie ma h->Object");
    else if (subs->bPhysicsDesc && o->Type == OT_MESH)
        SetObjectPhysicsDesc(o, &subs->PhysicsDesc);
    if (o->Type != OT_LIGHT)
        SetObjectLightControl(o, subs->bLightControl ? &subs->LightControl : nullptr);

    if (stored.Type == OT_SKINMESH && pointers.bObject)
    {
        if (o->Type == OT_SKINMESH && o->Object)
            return static_cast<ESkinMesh*>(o->Object)->LoadState(file);
        return ESkinMesh::SkipState(file);
    }
    return true;
}
