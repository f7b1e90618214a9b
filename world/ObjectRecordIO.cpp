// Stored layouts of the scene-object record and its sub-records.
#include "world/ObjectRecordIO.h"

#include "game/BezierFollowState.h"
#include "physics/PhysicsDesc.h"
#include "shell/RecordBytes.h"
#include "shell/SaveFile.h"
#include "world/DeathParams.h"
#include "world/ObjectLogicIO.h"

#include <cmath>
#include <vector>

namespace
{
// ---- The object record (2496 bytes) ----------------------------------------------
// The fields of the table in their order; the area from O_SPARE on belongs to
// the per-object logic's own fields and is stored as zeros until they exist.
enum ObjectOffsets : size_t
{
    O_USED = 0,
    O_INDEX = 4,
    O_TYPE = 8,
    O_FLAGS = 12,
    O_FLAGS2 = 16,
    O_FLAGS3 = 20,
    O_SAVED = 24,
    O_LOADED_MARK = 25,
    O_PLACED = 26,
    O_ROAD = 28,
    O_PHYSICS_BODY = 32,
    O_MESH_ENTRY = 36,
    O_POSITION = 40,
    O_ORIENTATION = 52,
    O_OBJECT = 168,
    O_PESEL = 172,
    O_NAME = 184,
    O_ANIMATION = 312,
    O_ANIMATION_LOOP = 376,
    O_FILE_NAME = 377,
    O_MESH_FILE_NAME = 505,
    O_TIED = 633,
    O_TIE_SOCKET = 634,
    O_TIE_OBJECT = 698,
    O_TIED_TO = 764,
    // 768: the tie orientation (116 bytes) and its use byte at 884, kept by the tie step.
    O_DISAPPEAR = 888,
    O_HEALTH = 892,
    O_LIGHT_VALUE = 896,
    O_LIGHT_VALUE2 = 900,
    O_LIGHT_CACHE = 904,
    O_SHADOW_SLOT = 905,
    O_START_POSITION = 908,
    O_LINKED1 = 920,
    O_LINKED2 = 924,
    O_TEXTURE_PAINT = 928,
    O_NUM_LIGHTS = 932,
    O_FLAG0 = 936,
    O_IS_LIGHT = 937,
    O_IS_LIGHT2 = 938,
    O_SOUND = 940,
    O_FX_NAME = 944,
    O_FX = 948,
    O_ACTION = 952,
    O_DEATH = 956,
    O_RADIUS = 960,
    O_LIGHTS = 964,
    O_DELETE_PENDING = 976,
    O_SPRITE = 980,
    O_BEZIER_FOLLOW = 984,
    O_BEZIER_MOVE = 988,
    O_PENDING_TIE_SOCKET = 992,
    O_PENDING_TIE_OBJECT = 996,
    O_LINKED = 1000,
    O_BLINKING = 1004,
    O_LIGHT_CONTROL = 1008,
    O_INDEX2 = 1012,
    O_START_DWORD = 1016,
    O_START_ANGLE = 1020,
    O_START_BYTE = 1024,
    O_START_ONES = 1028,
    O_SPARE = 1040,
};

DWORD Present(const void* p)
{
    return p ? 1u : 0u;
}

template <size_t N> bool Put(FILE* file, const BYTE (&bytes)[N])
{
    return WriteBytes(file, bytes, N);
}

template <size_t N> bool Get(FILE* file, BYTE (&bytes)[N])
{
    std::memset(bytes, 0, N);
    return ReadBytes(file, bytes, N);
}
} // namespace

bool WriteObjectRecord(FILE* file, const strObject& o)
{
    BYTE b[OBJECT_RECORD_SIZE];
    RecordOut r(b, sizeof b);
    r.U8(O_USED, o.bUsed);
    r.I32(O_INDEX, o.iIndex);
    r.U8(O_TYPE, o.Type);
    r.U32(O_FLAGS, o.dwFlags);
    r.U32(O_FLAGS2, o.dwFlags2);
    r.U32(O_FLAGS3, o.dwFlags3);
    r.U8(O_SAVED, o.bSaved);
    r.U8(O_LOADED_MARK, o.bLoadedMark);
    r.U8(O_PLACED, o.bPlacedObject);
    r.U32(O_ROAD, Present(o.pRoadParams));
    r.U32(O_PHYSICS_BODY, Present(o.pPhysicsBody));
    r.U32(O_MESH_ENTRY, Present(o.pMeshEntry));
    r.Vec3(O_POSITION, o.vPosition);
    r.Orientation(O_ORIENTATION, o.Orientation);
    r.U32(O_OBJECT, Present(o.Object));
    for (int i = 0; i < 3; ++i)
        r.U32(O_PESEL + 4 * i, o.PESEL[i]);
    r.Chars(O_NAME, o.szName, OBJECT_NAME_SIZE);
    r.Chars(O_ANIMATION, o.szAnimation, OBJECT_ANIMATION_SIZE);
    r.U8(O_ANIMATION_LOOP, o.bAnimationLoop);
    r.Chars(O_FILE_NAME, o.szFileName, OBJECT_FILE_NAME_SIZE);
    r.Chars(O_MESH_FILE_NAME, o.szMeshFileName, OBJECT_FILE_NAME_SIZE);
    r.U8(O_TIED, o.bTied);
    r.Chars(O_TIE_SOCKET, o.szTieSocket, OBJECT_TIE_NAME_SIZE);
    r.Chars(O_TIE_OBJECT, o.szTieObject, OBJECT_TIE_NAME_SIZE);
    r.U32(O_TIED_TO, Present(o.pTiedTo));
    r.I32(O_DISAPPEAR, o.iDisappearRange);
    r.F32(O_HEALTH, o.fHealth);
    r.F32(O_LIGHT_VALUE, o.fLightValue);
    r.F32(O_LIGHT_VALUE2, o.fLightValue2);
    r.U8(O_LIGHT_CACHE, o.bLightCacheValid);
    r.U8(O_SHADOW_SLOT, o.bHasShadowSlot);
    r.Vec3(O_START_POSITION, o.vStartPosition);
    r.U32(O_LINKED1, Present(o.pLinked1));
    r.U32(O_LINKED2, Present(o.pLinked2));
    r.U32(O_TEXTURE_PAINT, Present(o.pTexturePaint));
    r.U32(O_NUM_LIGHTS, o.iNumLights);
    r.U8(O_FLAG0, o.bFlag0);
    r.U8(O_IS_LIGHT, o.bIsLight);
    r.U8(O_IS_LIGHT2, o.bIsLight2);
    r.U32(O_SOUND, Present(o.pSound));
    r.U32(O_FX_NAME, Present(o.pFxName));
    r.U32(O_FX, Present(o.pFx));
    r.U32(O_ACTION, Present(o.pActionParams));
    r.U32(O_DEATH, Present(o.pDeathParams));
    r.F32(O_RADIUS, o.fRadius);
    for (int i = 0; i < OBJECT_MAX_LIGHTS; ++i)
        r.U32(O_LIGHTS + 4 * i, Present(o.apLights[i]));
    r.U8(O_DELETE_PENDING, o.bDeletePending);
    r.U32(O_SPRITE, Present(o.pSprite));
    r.U32(O_BEZIER_FOLLOW, Present(o.pBezierFollow));
    r.U32(O_BEZIER_MOVE, Present(o.pBezierMove));
    r.U32(O_PENDING_TIE_SOCKET, Present(o.pPendingTieSocket));
    r.U32(O_PENDING_TIE_OBJECT, Present(o.pPendingTieObject));
    r.U8(O_LINKED, o.bLinked);
    r.U32(O_BLINKING, Present(o.pBlinking));
    r.U32(O_LIGHT_CONTROL, Present(o.pLightControl));
    r.I32(O_INDEX2, o.iIndex2);
    r.U32(O_START_DWORD, o.dwStartDword);
    r.F32(O_START_ANGLE, o.fStartAngle);
    r.U8(O_START_BYTE, o.bStartByte);
    for (int i = 0; i < 3; ++i)
        r.F32(O_START_ONES + 4 * i, o.fStartOnes[i]);
    WriteObjectLogicFields(r, o);
    return Put(file, b);
}

bool ReadObjectRecord(FILE* file, strObject* out, StoredObjectPointers* pointers)
{
    BYTE b[OBJECT_RECORD_SIZE];
    const bool ok = Get(file, b);
    RecordIn r(b, sizeof b);
    strObject o{};
    o.bUsed = r.U8(O_USED);
    o.iIndex = r.I32(O_INDEX);
    o.Type = r.U8(O_TYPE);
    o.dwFlags = r.U32(O_FLAGS);
    o.dwFlags2 = r.U32(O_FLAGS2);
    o.dwFlags3 = r.U32(O_FLAGS3);
    o.bSaved = r.U8(O_SAVED);
    o.bLoadedMark = r.U8(O_LOADED_MARK);
    o.bPlacedObject = r.U8(O_PLACED);
    o.vPosition = r.Vec3(O_POSITION);
    o.Orientation = r.Orientation(O_ORIENTATION);
    for (int i = 0; i < 3; ++i)
        o.PESEL[i] = r.U32(O_PESEL + 4 * i);
    r.Chars(O_NAME, o.szName, OBJECT_NAME_SIZE);
    r.Chars(O_ANIMATION, o.szAnimation, OBJECT_ANIMATION_SIZE);
    o.bAnimationLoop = r.U8(O_ANIMATION_LOOP);
    r.Chars(O_FILE_NAME, o.szFileName, OBJECT_FILE_NAME_SIZE);
    r.Chars(O_MESH_FILE_NAME, o.szMeshFileName, OBJECT_FILE_NAME_SIZE);
    o.bTied = r.U8(O_TIED);
    r.Chars(O_TIE_SOCKET, o.szTieSocket, OBJECT_TIE_NAME_SIZE);
    r.Chars(O_TIE_OBJECT, o.szTieObject, OBJECT_TIE_NAME_SIZE);
    o.iDisappearRange = r.I32(O_DISAPPEAR);
    o.fHealth = r.F32(O_HEALTH);
    o.fLightValue = r.F32(O_LIGHT_VALUE);
    o.fLightValue2 = r.F32(O_LIGHT_VALUE2);
    o.bLightCacheValid = r.U8(O_LIGHT_CACHE);
    o.bHasShadowSlot = r.U8(O_SHADOW_SLOT);
    o.vStartPosition = r.Vec3(O_START_POSITION);
    o.iNumLights = r.U32(O_NUM_LIGHTS);
    o.bFlag0 = r.U8(O_FLAG0);
    o.bIsLight = r.U8(O_IS_LIGHT);
    o.bIsLight2 = r.U8(O_IS_LIGHT2);
    o.fRadius = r.F32(O_RADIUS);
    o.bDeletePending = r.U8(O_DELETE_PENDING);
    o.bLinked = r.U8(O_LINKED);
    o.iIndex2 = r.I32(O_INDEX2);
    o.dwStartDword = r.U32(O_START_DWORD);
    o.fStartAngle = r.F32(O_START_ANGLE);
    o.bStartByte = r.U8(O_START_BYTE);
    for (int i = 0; i < 3; ++i)
        o.fStartOnes[i] = r.F32(O_START_ONES + 4 * i);
    ReadObjectLogicFields(r, &o);
    if (out)
        *out = o;
    if (pointers)
    {
        pointers->bObject = r.U32(O_OBJECT) != 0;
        pointers->bTexturePaint = r.U32(O_TEXTURE_PAINT) != 0;
        pointers->bSound = r.U32(O_SOUND) != 0;
        pointers->bFxName = r.U32(O_FX_NAME) != 0;
        pointers->bActionParams = r.U32(O_ACTION) != 0;
        pointers->bDeathParams = r.U32(O_DEATH) != 0;
    }
    return ok;
}

// ---- Texture painting (1136 bytes) ---------------------------------------------------
namespace
{
enum TexturePaintOffsets : size_t
{
    TP_USED = 0,
    TP_TEXTURES = 3,
    TP_SUBSETS = 771,
    TP_ADD_COLOR = 1028,
    TP_SATURATION = 1064,
    TP_BRIGHTNESS = 1076,
    TP_SPARE = 1088,
    TP_DENSITY = 1112,
    TP_SHARPNESS = 1124,
};
} // namespace

bool WriteTexturePaintRecord(FILE* file, const ETexturePaintParams& p)
{
    BYTE b[TEXTURE_PAINT_RECORD_SIZE];
    RecordOut r(b, sizeof b);
    for (int s = 0; s < TEXTURE_PAINT_SLOTS; ++s)
    {
        r.U8(TP_USED + s, p.bUsed[s]);
        r.Chars(TP_TEXTURES + s * TEXTURE_PAINT_NAME_SIZE, p.szTextures[s], TEXTURE_PAINT_NAME_SIZE);
        for (int c = 0; c < 3; ++c)
            r.F32(TP_ADD_COLOR + 4 * (3 * s + c), p.fAddColor[s][c]);
        r.F32(TP_SATURATION + 4 * s, p.fAddSaturation[s]);
        r.F32(TP_BRIGHTNESS + 4 * s, p.fBrightness[s]);
        r.F32(TP_DENSITY + 4 * s, p.fDensity[s]);
        r.F32(TP_SHARPNESS + 4 * s, p.fSharpness[s]);
    }
    r.Bytes(TP_SUBSETS, p.bSubsetUsed, sizeof p.bSubsetUsed);
    for (int i = 0; i < 6; ++i)
        r.F32(TP_SPARE + 4 * i, p.fSpare[i]);
    return Put(file, b);
}

bool ReadTexturePaintRecord(FILE* file, ETexturePaintParams* p)
{
    BYTE b[TEXTURE_PAINT_RECORD_SIZE];
    const bool ok = Get(file, b);
    if (!p)
        return ok;
    RecordIn r(b, sizeof b);
    for (int s = 0; s < TEXTURE_PAINT_SLOTS; ++s)
    {
        p->bUsed[s] = r.U8(TP_USED + s);
        r.Chars(TP_TEXTURES + s * TEXTURE_PAINT_NAME_SIZE, p->szTextures[s], TEXTURE_PAINT_NAME_SIZE);
        for (int c = 0; c < 3; ++c)
            p->fAddColor[s][c] = r.F32(TP_ADD_COLOR + 4 * (3 * s + c));
        p->fAddSaturation[s] = r.F32(TP_SATURATION + 4 * s);
        p->fBrightness[s] = r.F32(TP_BRIGHTNESS + 4 * s);
        p->fDensity[s] = r.F32(TP_DENSITY + 4 * s);
        p->fSharpness[s] = r.F32(TP_SHARPNESS + 4 * s);
    }
    r.Bytes(TP_SUBSETS, p->bSubsetUsed, sizeof p->bSubsetUsed);
    for (int i = 0; i < 6; ++i)
        p->fSpare[i] = r.F32(TP_SPARE + 4 * i);
    return ok;
}

// ---- Bezier follow state (160 bytes) -------------------------------------------------
bool WriteBezierFollowRecord(FILE* file, const BezierFollowState& s)
{
    BYTE b[BEZIER_FOLLOW_RECORD_SIZE];
    RecordOut r(b, sizeof b);
    r.U8(0, s.bOn);
    r.U8(1, s.bOption1);
    r.U8(2, s.bOption2);
    r.U8(3, s.bPaused);
    r.Chars(4, s.szStartNode, BEZIER_NODE_NAME_SIZE);
    r.I32(136, s.iValue);
    r.U8(140, s.bFlag1);
    r.U8(141, s.bFlag2);
    r.F32(144, s.fValue1);
    r.F32(148, s.fValue2);
    return Put(file, b);
}

bool ReadBezierFollowRecord(FILE* file, BezierFollowState* s)
{
    BYTE b[BEZIER_FOLLOW_RECORD_SIZE];
    const bool ok = Get(file, b);
    if (!s)
        return ok;
    RecordIn r(b, sizeof b);
    s->bOn = r.U8(0);
    s->bOption1 = r.U8(1);
    s->bOption2 = r.U8(2);
    s->bPaused = r.U8(3);
    r.Chars(4, s->szStartNode, BEZIER_NODE_NAME_SIZE);
    s->iValue = r.I32(136);
    s->bFlag1 = r.U8(140);
    s->bFlag2 = r.U8(141);
    s->fValue1 = r.F32(144);
    s->fValue2 = r.F32(148);
    return ok;
}

// ---- Bezier move state (248 bytes; doubles on 8-byte boundaries) --------------------
bool WriteBezierMoveRecord(FILE* file, const BezierMoveState& s)
{
    BYTE b[BEZIER_MOVE_RECORD_SIZE];
    RecordOut r(b, sizeof b);
    r.U8(0, s.bActive);
    r.Quat(4, s.qRotation);
    r.U32(20, s.iNode);
    r.U32(24, s.iNextNode);
    r.U32(28, s.iSegment);
    r.F64(32, s.dTime);
    r.F64(40, s.dParam);
    r.F64(48, s.dDistance);
    r.Vec3(56, s.vVelocity);
    r.Orientation(68, s.Orientation);
    r.U8(184, s.bFlag1);
    r.F64(192, s.dValue);
    r.U8(200, s.bRunning);
    r.U8(201, s.bFlag2);
    r.U32(204, s.iCount);
    r.U8(208, s.bFlag3);
    r.F64(216, s.dValue2);
    r.U32(224, s.iSpeedMode);
    r.F64(232, s.dSpeed);
    r.F64(240, s.dTargetSpeed);
    return Put(file, b);
}

bool ReadBezierMoveRecord(FILE* file, BezierMoveState* s)
{
    BYTE b[BEZIER_MOVE_RECORD_SIZE];
    const bool ok = Get(file, b);
    if (!s)
        return ok;
    RecordIn r(b, sizeof b);
    s->bActive = r.U8(0);
    s->qRotation = r.Quat(4);
    s->iNode = r.U32(20);
    s->iNextNode = r.U32(24);
    s->iSegment = r.U32(28);
    s->dTime = r.F64(32);
    s->dParam = r.F64(40);
    s->dDistance = r.F64(48);
    s->vVelocity = r.Vec3(56);
    s->Orientation = r.Orientation(68);
    s->bFlag1 = r.U8(184);
    s->dValue = r.F64(192);
    s->bRunning = r.U8(200);
    s->bFlag2 = r.U8(201);
    s->iCount = r.U32(204);
    s->bFlag3 = r.U8(208);
    s->dValue2 = r.F64(216);
    s->iSpeedMode = r.U32(224);
    s->dSpeed = r.F64(232);
    s->dTargetSpeed = r.F64(240);
    return ok;
}

// ---- Blinking (28 bytes) ---------------------------------------------------------------
bool WriteBlinkingRecord(FILE* file, const EBlinkingParams& p)
{
    BYTE b[BLINKING_RECORD_SIZE];
    RecordOut r(b, sizeof b);
    r.U8(0, p.bEnabled);
    for (int i = 0; i < 6; ++i)
        r.F32(4 + 4 * i, p.fValues[i]);
    return Put(file, b);
}

bool ReadBlinkingRecord(FILE* file, EBlinkingParams* p)
{
    BYTE b[BLINKING_RECORD_SIZE];
    const bool ok = Get(file, b);
    if (!p)
        return ok;
    RecordIn r(b, sizeof b);
    p->bEnabled = r.U8(0);
    // A value that is no number (a damaged or edited save) reads as 0.
    for (int i = 0; i < 6; ++i)
    {
        const float v = r.F32(4 + 4 * i);
        p->fValues[i] = std::isfinite(v) ? v : 0.0f;
    }
    return ok;
}

// ---- Sound (332 bytes) -------------------------------------------------------------------
bool WriteObjectSoundRecord(FILE* file, const EObjectSound& s)
{
    BYTE b[OBJECT_SOUND_RECORD_SIZE];
    RecordOut r(b, sizeof b);
    r.Chars(4, s.szFile, OBJECT_SOUND_FILE_SIZE);
    r.F32(264, s.fValue);
    r.Chars(268, s.szCondition, OBJECT_SOUND_STORED_CONDITION);
    r.U8(331, s.bLooping);
    return Put(file, b);
}

bool ReadObjectSoundRecord(FILE* file, EObjectSound* s)
{
    BYTE b[OBJECT_SOUND_RECORD_SIZE];
    const bool ok = Get(file, b);
    if (!s)
        return ok;
    RecordIn r(b, sizeof b);
    s->pSound = nullptr;
    r.Chars(4, s->szFile, OBJECT_SOUND_FILE_SIZE);
    s->fValue = r.F32(264);
    std::memset(s->szCondition, 0, sizeof s->szCondition);
    r.Chars(268, s->szCondition, OBJECT_SOUND_STORED_CONDITION);
    s->bLooping = r.U8(331);
    return ok;
}

// ---- Effect name (64 bytes) -----------------------------------------------------------
bool WriteFxNameRecord(FILE* file, const char* name)
{
    BYTE b[FX_NAME_RECORD_SIZE];
    RecordOut r(b, sizeof b);
    r.Chars(0, name ? name : "", FX_NAME_RECORD_SIZE);
    return Put(file, b);
}

bool ReadFxNameRecord(FILE* file, char name[FX_NAME_RECORD_SIZE])
{
    BYTE b[FX_NAME_RECORD_SIZE];
    const bool ok = Get(file, b);
    RecordIn(b, sizeof b).Chars(0, name, FX_NAME_RECORD_SIZE);
    return ok;
}

// Object actions (5608 bytes): world/ObjectActionParams.cpp.

// Damage and death (2784 bytes): world/DeathParams.cpp.

// ---- Rigid-body description (2384 bytes) ------------------------------------------------
namespace
{
enum PhysicsOffsets : size_t
{
    PD_SHAPE = 0,
    PD_MASS = 4,
    PD_RIGID_BODY = 8,
    PD_BULLET_HITS = 9,
    PD_EXPLOSIONS = 10,
    PD_NOT_IMPORTANT = 11,
    PD_SMALL_BODY = 12,
    PD_DAMPED_BOX = 13,
    PD_MINIMUM_SIZE = 14,
    // 15: padding
    PD_FRICTION = 16,
    PD_JOINT = 20,
    PD_JOINT_SOCKET = 21,
    PD_JOINT_PARTNER = PD_JOINT_SOCKET + PHYSICS_NAME_SIZE,
    PD_PARTNER_SOCKET = PD_JOINT_PARTNER + PHYSICS_NAME_SIZE,
    // 117: padding
    PD_JOINT_VALUE = 120,
    PD_GIVE_ACTION = 124,
    PD_HIT_SOUND = PD_GIVE_ACTION + PHYSICS_NAME_SIZE,
    PD_HIT_SOUND_ON = PD_HIT_SOUND + PHYSICS_SOUND_SIZE,
    // 413: padding
    PD_HIT_SOUND_VALUE = 416,
    PD_HIT_SOUND_PAUSE = 420,
    PD_COLLISION_SOUND = 424,
    PD_RESERVED = PD_COLLISION_SOUND + PHYSICS_SOUND_SIZE,
    PD_COLLISION_VALUE = PD_RESERVED + PHYSICS_RESERVED_SIZE,
    PD_NO_COLLISIONS = PD_COLLISION_VALUE + 4,
    PD_NO_COLLISIONS_BODIES = PD_NO_COLLISIONS + 1,
    PD_NO_COLLISION_LIST = PD_NO_COLLISIONS + 2,
    PD_PREFAB = PD_NO_COLLISION_LIST + PHYSICS_NO_COLLISION_NAMES * PHYSICS_NAME_SIZE,
    PD_END = PD_PREFAB + PHYSICS_PREFAB_SIZE,
};
static_assert(PD_PARTNER_SOCKET + PHYSICS_NAME_SIZE <= PD_JOINT_VALUE && PD_HIT_SOUND_ON < PD_HIT_SOUND_VALUE,
              "the fields follow each other");
static_assert(PD_COLLISION_VALUE == 1448, "the fields after the reserved block keep their place");
static_assert((PD_END + 3) / 4 * 4 == PHYSICS_DESC_RECORD_SIZE, "the rigid-body record is 2384 bytes");
} // namespace

bool WritePhysicsDescRecord(FILE* file, const EPhysicsDesc& d)
{
    std::vector<BYTE> b(PHYSICS_DESC_RECORD_SIZE);
    RecordOut r(b.data(), b.size());
    r.I32(PD_SHAPE, d.iShape);
    r.F32(PD_MASS, d.fMassOrSize);
    r.U8(PD_RIGID_BODY, d.bRigidBody);
    r.U8(PD_BULLET_HITS, d.bBulletHits);
    r.U8(PD_EXPLOSIONS, d.bExplosions);
    r.U8(PD_NOT_IMPORTANT, d.bNotImportant);
    r.U8(PD_SMALL_BODY, d.bSmallBody);
    r.U8(PD_DAMPED_BOX, d.bDampedBox);
    r.U8(PD_MINIMUM_SIZE, d.bMinimumSize);
    r.F32(PD_FRICTION, d.fFriction);
    r.U8(PD_JOINT, d.bJoint);
    r.Chars(PD_JOINT_SOCKET, d.szJointSocket, PHYSICS_NAME_SIZE);
    r.Chars(PD_JOINT_PARTNER, d.szJointPartner, PHYSICS_NAME_SIZE);
    r.Chars(PD_PARTNER_SOCKET, d.szPartnerSocket, PHYSICS_NAME_SIZE);
    r.F32(PD_JOINT_VALUE, d.fJointValue);
    r.Chars(PD_GIVE_ACTION, d.szGiveActionTo, PHYSICS_NAME_SIZE);
    r.Chars(PD_HIT_SOUND, d.szHitSound, PHYSICS_SOUND_SIZE);
    r.U8(PD_HIT_SOUND_ON, d.bHitSound);
    r.F32(PD_HIT_SOUND_VALUE, d.fHitSoundValue);
    r.F32(PD_HIT_SOUND_PAUSE, d.fHitSoundPause);
    r.Chars(PD_COLLISION_SOUND, d.szCollisionSound, PHYSICS_SOUND_SIZE);
    r.Bytes(PD_RESERVED, d.aReserved, sizeof d.aReserved);
    r.F32(PD_COLLISION_VALUE, d.fCollisionSoundValue);
    r.U8(PD_NO_COLLISIONS, d.bNoCollisions);
    r.U8(PD_NO_COLLISIONS_BODIES, d.bNoCollisionsWithBodies);
    for (int i = 0; i < PHYSICS_NO_COLLISION_NAMES; ++i)
        r.Chars(PD_NO_COLLISION_LIST + i * PHYSICS_NAME_SIZE, d.szNoCollision[i], PHYSICS_NAME_SIZE);
    r.Chars(PD_PREFAB, d.szPrefab, PHYSICS_PREFAB_SIZE);
    return WriteBytes(file, b.data(), PHYSICS_DESC_RECORD_SIZE);
}

bool ReadPhysicsDescRecord(FILE* file, EPhysicsDesc* d)
{
    std::vector<BYTE> b(PHYSICS_DESC_RECORD_SIZE, 0);
    const bool ok = ReadBytes(file, b.data(), PHYSICS_DESC_RECORD_SIZE);
    if (!d)
        return ok;
    RecordIn r(b.data(), b.size());
    d->iShape = r.I32(PD_SHAPE);
    d->fMassOrSize = r.F32(PD_MASS);
    d->bRigidBody = r.U8(PD_RIGID_BODY);
    d->bBulletHits = r.U8(PD_BULLET_HITS);
    d->bExplosions = r.U8(PD_EXPLOSIONS);
    d->bNotImportant = r.U8(PD_NOT_IMPORTANT);
    d->bSmallBody = r.U8(PD_SMALL_BODY);
    d->bDampedBox = r.U8(PD_DAMPED_BOX);
    d->bMinimumSize = r.U8(PD_MINIMUM_SIZE);
    d->fFriction = r.F32(PD_FRICTION);
    d->bJoint = r.U8(PD_JOINT);
    r.Chars(PD_JOINT_SOCKET, d->szJointSocket, PHYSICS_NAME_SIZE);
    r.Chars(PD_JOINT_PARTNER, d->szJointPartner, PHYSICS_NAME_SIZE);
    r.Chars(PD_PARTNER_SOCKET, d->szPartnerSocket, PHYSICS_NAME_SIZE);
    d->fJointValue = r.F32(PD_JOINT_VALUE);
    r.Chars(PD_GIVE_ACTION, d->szGiveActionTo, PHYSICS_NAME_SIZE);
    r.Chars(PD_HIT_SOUND, d->szHitSound, PHYSICS_SOUND_SIZE);
    d->bHitSound = r.U8(PD_HIT_SOUND_ON);
    d->fHitSoundValue = r.F32(PD_HIT_SOUND_VALUE);
    d->fHitSoundPause = r.F32(PD_HIT_SOUND_PAUSE);
    r.Chars(PD_COLLISION_SOUND, d->szCollisionSound, PHYSICS_SOUND_SIZE);
    r.Bytes(PD_RESERVED, d->aReserved, sizeof d->aReserved);
    d->fCollisionSoundValue = r.F32(PD_COLLISION_VALUE);
    d->bNoCollisions = r.U8(PD_NO_COLLISIONS);
    d->bNoCollisionsWithBodies = r.U8(PD_NO_COLLISIONS_BODIES);
    for (int i = 0; i < PHYSICS_NO_COLLISION_NAMES; ++i)
        r.Chars(PD_NO_COLLISION_LIST + i * PHYSICS_NAME_SIZE, d->szNoCollision[i], PHYSICS_NAME_SIZE);
    r.Chars(PD_PREFAB, d->szPrefab, PHYSICS_PREFAB_SIZE);
    return ok;
}

// ---- Light control (1026 bytes) ----------------------------------------------------------
bool WriteLightControlRecord(FILE* file, const ELightControlParams& p)
{
    BYTE b[LIGHT_CONTROL_RECORD_SIZE];
    RecordOut r(b, sizeof b);
    r.U8(0, p.bEnabled);
    r.U8(1, p.bFlag2);
    // A name may fill all 32 bytes of its slot without a terminator: the
    // slots are stored whole, so such a name comes back whole.
    for (int i = 0; i < LIGHT_CONTROL_NAMES; ++i)
        r.Bytes(2 + i * LIGHT_CONTROL_NAME_SIZE, p.szLights[i], LIGHT_CONTROL_NAME_SIZE);
    return Put(file, b);
}

bool ReadLightControlRecord(FILE* file, ELightControlParams* p)
{
    BYTE b[LIGHT_CONTROL_RECORD_SIZE];
    const bool ok = Get(file, b);
    if (!p)
        return ok;
    RecordIn r(b, sizeof b);
    p->bEnabled = r.U8(0);
    p->bFlag2 = r.U8(1);
    for (int i = 0; i < LIGHT_CONTROL_NAMES; ++i)
        r.Bytes(2 + i * LIGHT_CONTROL_NAME_SIZE, p->szLights[i], LIGHT_CONTROL_NAME_SIZE);
    return ok;
}
