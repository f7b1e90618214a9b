// EEngine: the table of scene objects (add, delete, find, name prefixes).
#include "world/Engine.h"

#include "environment/FxMgr.h"
#include "environment/RiverMgr.h"
#include "game/BezierFollowState.h"
#include "game/DialogueMgr.h"
#include "mesh/Mesh.h"
#include "mesh/MeshMgr.h"
#include "mesh/SkinMesh.h"
#include "physics/HeliMgr.h"
#include "physics/PhysicsMgr.h"
#include "physics/PlayerHeli.h"
#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "render/ShadowCubeMaps.h"
#include "render/SpriteMgr.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "shell/SettingsFile.h"
#include "sound/SoundMgr.h"
#include "world/Camera.h"
#include "world/CollisionMgr.h"
#include "world/DeathParams.h"
#include "world/EngineObject.h"
#include "world/IntersectSegment.h"
#include "world/ObjectActionParams.h"
#include "world/TrackedAlloc.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <numbers>

namespace
{
constexpr const char* NAME_PREFIX_FILE = "save\\NamePrefixes.cfg";
constexpr char DEFAULT_NAME_PREFIXES[4][EEngine::NAME_PREFIX_SIZE] = {"m", "sm", "l", "spr"};
constexpr float LIGHT_DISAPPEAR_RANGE = 80.0f;
constexpr float TWO_PI = 2.0f * std::numbers::pi_v<float>;

bool EqualNoCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

// The description's range truncated toward zero; a value no int holds (a
// damaged world line) is held at the int's ends instead of overflowing.
int DisappearRangeOf(float range)
{
    if (!(range == range))
        return 0;
    if (range >= 2147483648.0f)
        return INT_MAX;
    if (range < -2147483648.0f)
        return INT_MIN;
    return static_cast<int>(range);
}

int PrefixIndex(BYTE type)
{
    switch (type)
    {
    case OT_MESH:
        return 0;
    case OT_SKINMESH:
        return 1;
    case OT_LIGHT:
        return 2;
    case OT_SPRITE:
        return 3;
    default:
        return -1;
    }
}
} // namespace

EEngine::EEngine()
{
    LoadNamePrefixes();
}

EEngine::~EEngine() = default;

int* EEngine::HighWaterMark(BYTE type)
{
    switch (type)
    {
    case OT_MESH:
        return &m_iHighMesh;
    case OT_SKINMESH:
        return &m_iHighSkinMesh;
    case OT_LIGHT:
        return &m_iHighLight;
    case OT_SPRITE:
        return &m_iHighSprite;
    default:
        return nullptr;
    }
}

int EEngine::GetHighWaterMark(BYTE type) const
{
    return const_cast<EEngine*>(this)->HighWaterMark(type) ? *const_cast<EEngine*>(this)->HighWaterMark(type)
                                                           : 0;
}

HOBJECT EEngine::GetObjectBySlot(int slot)
{
    if (slot < 0 || slot >= MAX_OBJECTS || !m_Objects[slot].bUsed)
        return nullptr;
    return &m_Objects[slot];
}

// ---- Adding ---------------------------------------------------------------------------------

HOBJECT EEngine::AddObject(EObjectDesc* desc)
{
    if (!desc)
        return nullptr;
    int first = 0, count = 0;
    const bool hasRange = GetObjectSlotRange(desc->Type, &first, &count);
    if (desc->Type == OT_LIGHT && desc->fDisappearRange == 0.0f)
        desc->fDisappearRange = LIGHT_DISAPPEAR_RANGE;

    int slot = hasRange ? FindFreeSlot(desc->Type, first, count) : -1;
    if (slot < 0)
    {
        g_Console.Print("*** Over Objects Limit!");
        return nullptr;
    }

    strObject* o = &m_Objects[slot];
    *o = strObject{};
    o->pBezierFollow = NewTracked<BezierFollowState>(TAG_BEZIER_FOLLOW);
    o->pBezierMove = NewTracked<BezierMoveState>(TAG_BEZIER_MOVE);

    o->iIndex2 = slot;
    o->iIndex = slot;
    o->dwStartDword = 256;
    o->fStartAngle = TWO_PI;
    o->bStartByte = 0xFF;
    // The description's field may come unterminated: it is cut to what fits.
    const size_t length = strnlen(desc->szFileName, sizeof desc->szFileName);
    if (length > static_cast<size_t>(OBJECT_FILE_NAME_MAX))
        g_Console.Print("AddObject FileName>126");
    const size_t kept = length < sizeof o->szFileName ? length : sizeof o->szFileName - 1;
    std::memcpy(o->szFileName, desc->szFileName, kept);
    o->szFileName[kept] = 0;

    o->PESEL[0] = timeGetTime();
    o->PESEL[1] = static_cast<DWORD>(std::rand());
    o->PESEL[2] = static_cast<DWORD>(slot);
    o->Type = desc->Type;

    o->fLightValue = o->fLightValue2 = 2.0f;
    o->fRadius = 8.0f;
    o->bUsed = 1;
    o->fStartOnes[0] = o->fStartOnes[1] = o->fStartOnes[2] = 1.0f;

    if (!CreateObjectOfType(o, desc))
    {
        // Nothing of a refused object stays behind: the slot is free again.
        FreeSubRecords(o);
        *o = strObject{};
        NoteFreeSlot(desc->Type, slot);
        return nullptr;
    }

    o->dwFlags = desc->dwFlags;
    o->bFlag0 = static_cast<BYTE>(o->dwFlags & OF_PHYSICS);
    o->dwFlags2 = desc->dwFlags2;
    o->dwFlags3 = desc->dwFlags3;
    o->iDisappearRange = DisappearRangeOf(desc->fDisappearRange);
    ++m_iNumObjects;

    int* mark = HighWaterMark(o->Type);
    if (mark && slot >= *mark)
        *mark = slot + 1;
    if (m_bWorldLoaded)
        PrepareObject(o); // made during play: it can be hit at once
    return o;
}

bool EEngine::CreateObjectOfType(HOBJECT o, EObjectDesc* desc)
{
    switch (desc->Type)
    {
    case OT_MESH:
    {
        EMesh* mesh = NewTracked<EMesh>(TAG_MESH);
        o->Object = mesh;
        mesh->SetOwner(o);
        if (!mesh->Create(o->szFileName))
        {
            DeleteTracked(mesh, TAG_MESH);
            o->Object = nullptr;
            g_Console.Print(o->szFileName);
            g_Console.Print("Mesh Nie Created!");
            return false;
        }
        CopyCut(o->szMeshFileName, sizeof o->szMeshFileName, mesh->GetMeshFileName());
        o->pMeshEntry = mesh->GetMeshEntry();
        o->fRadius = mesh->GetRadius();
        o->dwFlags = desc->dwFlags;
        o->bFlag0 = static_cast<BYTE>(o->dwFlags & OF_PHYSICS);
        o->dwFlags2 = desc->dwFlags2;
        o->Type = OT_MESH;
        // Scaled first, so placing it builds its transform once.
        mesh->SetScaleOnly(desc->vScale.x, desc->vScale.y, desc->vScale.z);
        SetObjectTransform(o, &desc->vPosition, &desc->Orientation, 0, 1);
        g_MeshMgr.UpdateObject(o);
        if (ContainsNoCase(o->szFileName, "trees") || ContainsNoCase(o->szFileName, "rubbish"))
            g_MeshMgr.AddUpdateObject(o);
        return true;
    }
    case OT_SKINMESH:
    {
        ESkinMesh* skin = NewTracked<ESkinMesh>(TAG_SKINMESH);
        o->Object = skin;
        skin->SetOwner(o);
        if (!skin->Create(o->szFileName))
        {
            skin->Destroy();
            DeleteTracked(skin, TAG_SKINMESH);
            o->Object = nullptr;
            g_Console.Print(o->szFileName);
            g_Console.Print("SkinMesh Nie Created!");
            return false;
        }
        o->fRadius = skin->GetRadius();
        o->Type = OT_SKINMESH;
        o->dwFlags = desc->dwFlags;
        o->dwFlags2 = desc->dwFlags2;
        SetObjectTransform(o, &desc->vPosition, &desc->Orientation, 0, 1);
        SetObjectScale(o, &desc->vScale);
        return true;
    }
    case OT_SPRITE:
        g_SpriteMgr.AddSprite(o, desc);
        if (!o->Object || !o->pSprite)
        {
            g_SpriteMgr.RemoveSprite(o);
            o->Object = nullptr;
            o->pSprite = nullptr;
            return false;
        }
        o->Type = OT_SPRITE;
        SetObjectTransform(o, &desc->vPosition, &desc->Orientation, 0, 1);
        return true;
    case OT_LIGHT:
        o->bIsLight = o->bIsLight2 = 1;
        o->fLightValue = o->fLightValue2 = desc->fLightValue;
        o->Type = OT_LIGHT;
        o->fRadius = desc->fRadius;
        SetObjectTransform(o, &desc->vPosition, &desc->Orientation, 0, 1);
        return true;
    default:
        return false;
    }
}

HOBJECT EEngine::CreateObject(BYTE type, const char* fileName, DWORD flags, DWORD flags2,
                              const float* position, const float* scale)
{
    static EObjectDesc desc;
    desc.Reset();
    desc.Type = type;
    if (fileName)
    {
        // A longer name is cut to the field; AddObject says so once, as the
        // cut name is still longer than 126 characters.
        const size_t n = strnlen(fileName, sizeof desc.szFileName);
        const size_t kept = n < sizeof desc.szFileName ? n : sizeof desc.szFileName - 1;
        std::memcpy(desc.szFileName, fileName, kept);
        desc.szFileName[kept] = 0;
    }
    desc.dwFlags = flags;
    desc.dwFlags2 = flags2;
    if (position)
        desc.vPosition = D3DXVECTOR3(position);
    if (scale)
        desc.vScale = D3DXVECTOR3(scale);
    return AddObject(&desc);
}

// ---- Deleting ---------------------------------------------------------------------------------

void EEngine::FreeSubRecords(HOBJECT o)
{
    DeleteTracked(o->pRoadParams, TAG_ROAD);
    DeleteTracked(o->pTexturePaint, TAG_TEXTURE_PAINT);
    DeleteTracked(o->pBlinking, TAG_BLINKING);
    if (o->pSound)
    {
        g_SoundMgr.StopSound(o->pSound->pSound);
        g_SoundMgr.DeleteSound(o->pSound->pSound);
        DeleteTracked(o->pSound, TAG_SOUND);
    }
    if (EFxInstance* fx = HeldFx(o))
        g_FxMgr.ReleaseFx(fx);
    o->pFx = nullptr;
    DeleteTrackedName(o->pPendingTieSocket, TAG_TIE_SOCKET);
    DeleteTrackedName(o->pPendingTieObject, TAG_TIE_OBJECT);
    DeleteTrackedName(o->pFxName, TAG_FX_NAME);
    DeleteTracked(o->pLightControl, TAG_LIGHT_CONTROL);
    DeleteTracked(o->pActionParams, TAG_ACTION);
    DeleteTracked(o->pDeathParams, TAG_DEATH);
    DeleteTracked(o->pBezierFollow, TAG_BEZIER_FOLLOW);
    DeleteTracked(o->pBezierMove, TAG_BEZIER_MOVE);
}

void EEngine::ReleaseObjectOfType(HOBJECT o)
{
    switch (o->Type)
    {
    case OT_MESH:
        if (auto* mesh = static_cast<EMesh*>(o->Object))
        {
            mesh->ReleaseMaterials();
            DeleteTracked(mesh, TAG_MESH);
        }
        break;
    case OT_LIGHT:
        if (o->bHasShadowSlot)
            g_ShadowCubeMaps.RemoveLight(o);
        break;
    case OT_SPRITE:
        g_SpriteMgr.RemoveSprite(o);
        break;
    case OT_SKINMESH:
        if (auto* skin = static_cast<ESkinMesh*>(o->Object))
        {
            skin->Destroy();
            DeleteTracked(skin, TAG_SKINMESH);
        }
        break;
    default:
        break;
    }
    o->Object = nullptr;
}

void EEngine::DeleteObject(HOBJECT o)
{
    if (!o || !o->bUsed)
        return;

    if (g_PlayerHeli.m_hObject == o)
        g_PlayerHeli.Exit();
    if (o->bTied)
        g_EngineObject.Untie(o);
    for (HOBJECT* linked : {&o->pLinked1, &o->pLinked2})
    {
        HOBJECT child = *linked;
        *linked = nullptr;
        if (child && child != o)
        {
            child->bLinked = 0;
            DeleteObject(child);
        }
    }
    // A child linked back to this object has deleted it already; going on
    // would free the emptied slot a second time.
    if (!o->bUsed)
        return;

    g_DialogueMgr.StopDialogueOf(o, 0);
    g_Camera.RemoveObject(o);
    g_RiverMgr.RemoveObject(o);
    g_EngineObject.ForgetObject(o);
    g_HeliMgr.ReleaseHeliOfObject(o);
    g_PhysicsMgr.OnObjectDeleted(o);
    if (o->Type == OT_MESH && o->pPhysicsBody)
        g_PhysicsMgr.RemoveObjectBody(o);
    if (m_pLookFrom == o)
        m_pLookFrom = nullptr;
    if (m_pLookAt == o)
        m_pLookAt = nullptr;

    if (o->Type == OT_MESH || o->Type == OT_SKINMESH)
    {
        for (int i = 0; i < NAMED_OBJECT_SLOTS; ++i)
        {
            strObject& other = m_Objects[i];
            if (!other.bUsed || &other == o || !other.bTied || other.pTiedTo != o)
                continue;
            g_EngineObject.Untie(&other);
            if (other.Type == OT_MESH)
            {
                // A zero push wakes the body that hung on the socket.
                const D3DXVECTOR3 zero(0.0f, 0.0f, 0.0f);
                g_PhysicsMgr.PushObject(&other, &zero);
            }
        }
    }

    if (o->Type != OT_SPRITE)
    {
        g_CollisionMgr.RemoveObject(o);
        g_IntersectSegment.RemoveObject(o);
    }

    ReleaseObjectOfType(o);

    o->bUsed = 0;
    o->fRadius = 0.0f;
    if (o->Type != OT_LIGHT)
    {
        for (HOBJECT light : o->apLights)
            if (light)
                light->bLightCacheValid = 0;
    }
    else
    {
        for (int i = 0; i < m_iHighSkinMesh && i < MAX_OBJECTS; ++i)
        {
            strObject& other = m_Objects[i];
            for (DWORD k = 0; k < OBJECT_MAX_LIGHTS; ++k)
                if (other.apLights[k] == o)
                    other.apLights[k] = nullptr;
        }
    }

    int first = 0;
    GetObjectSlotRange(o->Type, &first, nullptr);
    if (int* mark = HighWaterMark(o->Type); mark && o->iIndex + 1 == *mark)
    {
        int m = o->iIndex;
        while (m > first && !m_Objects[m - 1].bUsed)
            --m;
        *mark = m;
    }

    NoteFreeSlot(o->Type, o->iIndex);
    FreeSubRecords(o);
    *o = strObject{};
    if (m_iNumObjects)
        --m_iNumObjects;
}

void EEngine::DeleteAllObjects()
{
    for (int i = FIRST_MESH_SLOT; i < FIRST_MESH_SLOT + MAX_MESH_OBJECTS; ++i)
        DeleteObject(&m_Objects[i]);
    for (int i = FIRST_LIGHT_SLOT; i < FIRST_LIGHT_SLOT + MAX_LIGHT_OBJECTS; ++i)
        DeleteObject(&m_Objects[i]);
    for (strObject& o : m_Objects)
        DeleteObject(&o);
}

void EEngine::DeleteFlaggedObjects()
{
    for (strObject& o : m_Objects)
        if (o.bUsed && (o.dwFlags & OF_NOT_IMPORTANT))
            DeleteObject(&o);
}

void EEngine::DeletePendingObjects()
{
    for (strObject& o : m_Objects)
        if (o.bUsed && o.bDeletePending)
        {
            o.bDeletePending = 0;
            DeleteObject(&o);
        }
}

void EEngine::WipeOut(float distance)
{
    const D3DXVECTOR3& camera = g_Camera.GetPosition();
    for (strObject& o : m_Objects)
    {
        if (!o.bUsed)
            continue;
        D3DXVECTOR3 d;
        D3DXVec3Subtract(&d, &o.vPosition, &camera);
        if (D3DXVec3Length(&d) - o.fRadius > distance)
            DeleteObject(&o);
    }
    g_Console.PrintFloat("WipeOut complete for ", distance);
}

int EEngine::DeleteNotImportantObjects()
{
    int n = 0;
    for (strObject& o : m_Objects)
        if (o.bUsed && (o.dwFlags & OF_NOT_IMPORTANT))
        {
            o.bDeletePending = 1;
            ++n;
        }
    return n;
}

int EEngine::DeleteWindowObjects()
{
    int n = 0;
    for (strObject& o : m_Objects)
        if (o.bUsed && ContainsNoCase(o.szFileName, "windows"))
        {
            o.bDeletePending = 1;
            ++n;
        }
    return n;
}

// ---- Finding and naming ---------------------------------------------------------------------------

HOBJECT EEngine::FindObject(const char* name, BYTE filter)
{
    if (!name)
        return nullptr;
    for (int i = 0; i < NAMED_OBJECT_SLOTS; ++i)
    {
        strObject& o = m_Objects[i];
        if (!o.bUsed)
            continue;
        if (filter && o.Type != OT_MESH && o.Type != OT_LIGHT && o.Type != OT_SKINMESH)
            continue;
        if (!o.szName[0])
            continue;
        if (EqualNoCase(o.szName, name))
            return &o;
    }
    return nullptr;
}

// The whole table: a saved reference to a sprite must find it as well.
HOBJECT EEngine::FindObjectByPesel(DWORD time, DWORD random, DWORD slot)
{
    // Object references (save games) point at meshes, skinned meshes and
    // lights; the sprite slots above them are not searched.
    for (int i = 0; i < FIRST_SPRITE_SLOT; ++i)
    {
        strObject& o = m_Objects[i];
        if (o.bUsed && o.PESEL[0] == time && o.PESEL[1] == random && o.PESEL[2] == slot)
            return &o;
    }
    return nullptr;
}

void EEngine::SetObjectName(HOBJECT o, const char* name)
{
    if (!o || !name)
        return;
    const size_t n = strnlen(name, OBJECT_NAME_MAX);
    std::memcpy(o->szName, name, n);
    o->szName[n] = 0;
}

const char* EEngine::GetNamePrefix(BYTE type) const
{
    const int i = PrefixIndex(type);
    return i < 0 ? "" : m_szNamePrefixes[i];
}

void EEngine::LoadNamePrefixes()
{
    FILE* f = TkFopen(NAME_PREFIX_FILE, "rb");
    if (!f)
    {
        std::memcpy(m_szNamePrefixes, DEFAULT_NAME_PREFIXES, sizeof m_szNamePrefixes);
        SaveNamePrefixes();
        return;
    }
    char prefixes[4][NAME_PREFIX_SIZE] = {};
    const size_t got = std::fread(prefixes, 1, sizeof prefixes, f);
    std::fclose(f);
    if (got != sizeof prefixes)
    {
        g_Console.Print2("ERROR: short file, default name prefixes used: ", NAME_PREFIX_FILE);
        std::memcpy(m_szNamePrefixes, DEFAULT_NAME_PREFIXES, sizeof m_szNamePrefixes);
        return;
    }
    // A prefix that fills its four bytes would have no terminator.
    for (auto& p : prefixes)
        p[NAME_PREFIX_SIZE - 1] = 0;
    std::memcpy(m_szNamePrefixes, prefixes, sizeof m_szNamePrefixes);
}

void EEngine::SaveNamePrefixes()
{
    // On a first run the save folder does not exist yet; the writer makes it.
    if (!WriteSettingsFile(NAME_PREFIX_FILE, reinterpret_cast<const BYTE*>(m_szNamePrefixes),
                           sizeof m_szNamePrefixes))
        g_Console.Print2("ERROR: cannot write ", NAME_PREFIX_FILE);
}
