// EObjectMgr: the wildcards, the ".om" reader, the instance pass that swaps
// instances between scene objects and sprites, and the sprite buffer.
#include "world/ObjectMgr.h"

#include "game/MainGame.h"
#include "mesh/Mesh.h"
#include "platform/win32/Path.h"
#include "render/SkyLight.h"
#include "shell/Console.h"
#include "shell/RecordBytes.h"
#include "shell/TextUtils.h"
#include "ui/Menu.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

EObjectMgr g_ObjectMgr;

namespace
{
constexpr const char* kWildcardFile = "scripts\\multiple_objects.txt";
constexpr int kLineSize = 256;

// Group record offsets.
constexpr size_t G_NAME = 0, G_FLAG_BITS = 255, G_COUNT = 260, G_DISTANCE = 264, G_SPRITES = 268,
                 G_ATLAS_U = 272, G_ATLAS_V = 276;
// Instance record offsets.
constexpr size_t I_NAME = 4, I_POSITION = 68, I_ORIENTATION = 80, I_SCALE = 196, I_FLAGS = 208,
                 I_FLAGS2 = 212, I_STATE = 216, I_SIZE = 220, I_FAR_VISIBLE = 224;

// Flag word 1: bit 2 on and bit 3 off for groups with the flag-bits switch;
// bit 0 marks the object.
constexpr DWORD kFlagBitOn = 0x4, kFlagBitOff = 0x8, kMarkBit = 0x1;

// The sprite limits by object size and distance.
constexpr float kTinySize = 2.0f, kTinyReach = 140.0f;
constexpr float kSmallSize = 5.0f, kSmallReach = 240.0f;
constexpr float kMidSize = 10.0f, kFarReach = 500.0f;
// The sprite's half sizes and their margin.
constexpr float kMaxHalfWidth = 10.0f, kMaxHalfHeight = 15.0f, kSpriteMargin = 1.2f;
constexpr float kSteepSun = 0.99f;
constexpr DWORD kWhite = 0xFFFFFFFF;

bool Alive(HOBJECT o, const DWORD pesel[3])
{
    return o && o->bUsed && o->PESEL[0] == pesel[0] && o->PESEL[1] == pesel[1] && o->PESEL[2] == pesel[2];
}

float DistanceSq(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return D3DXVec3LengthSq(&d);
}
} // namespace

EObjectMgr::EObjectMgr()
{
    LoadWildcards();
}

EObjectMgr::~EObjectMgr()
{
    // Objects and device resources are gone by now; only the memory goes.
    m_Groups.clear();
}

// ---- Wildcards ---------------------------------------------------------------------------------

void EObjectMgr::LoadWildcards()
{
    m_iWildcards = 0;
    // Read during static initialisation: no text keys here, only the raw lines.
    FILE* f = TkFopen(kWildcardFile, "rt");
    if (!f)
        return;
    char line[kLineSize + 1];
    while (!std::feof(f) && !std::ferror(f))
    {
        const int last = ReadLineRaw(f, line, kLineSize);
        for (char* p = line; *p; ++p)
            if (*p == '\t')
                *p = ' ';
        char pattern[kLineSize + 1];
        std::snprintf(pattern, sizeof pattern, "%s", GetToken(line, 0));
        if (pattern[0] && std::strcmp(pattern, "//") != 0)
        {
            if (m_iWildcards >= MAX_OBJECTMGR_WILDCARDS)
            {
                g_Console.Print("MAX_OBJECTMGR_WILDCARDS exceeded!");
                break;
            }
            if (std::strlen(pattern) >= OBJECTMGR_PATTERN_SIZE)
                g_Console.Print2("multiple_objects.txt: pattern too long: ", pattern);
            else
            {
                EObjectWildcard& w = m_Wildcards[m_iWildcards++];
                std::snprintf(w.szPattern, sizeof w.szPattern, "%s", pattern);
                const float distance = static_cast<float>(std::strtod(GetToken(line, 1), nullptr));
                w.fDistance = distance >= 1.0f ? distance : OBJECTMGR_DEFAULT_DISTANCE;
                w.bSprites = std::atoi(GetToken(line, 2)) != 0 ? 1 : 0;
                w.bFlagBits = std::atoi(GetToken(line, 3)) != 0 ? 1 : 0;
            }
        }
        if (last == EOF)
            break;
    }
    std::fclose(f);
}

const EObjectWildcard* EObjectMgr::FindWildcard(const char* name) const
{
    if (!name || !name[0])
        return nullptr;
    for (int i = 0; i < m_iWildcards; ++i)
        if (ContainsNoCase(name, m_Wildcards[i].szPattern))
            return &m_Wildcards[i];
    return nullptr;
}

// ---- The ".om" file ----------------------------------------------------------------------------

bool EObjectMgr::LoadOm(const char* world)
{
    if (!world || !world[0])
        return false;
    ReleaseGroups();
    char name[OBJECT_FILE_NAME_SIZE * 2 + 8];
    if (std::snprintf(name, sizeof name, "%s.om", world) >= static_cast<int>(sizeof name))
        return false;
    FILE* f = TkFopen(name, "rb");
    if (!f)
    {
        g_Console.Print2("Nie moge otworzyc pliku do odczytu: ", name);
        return false;
    }
    std::vector<BYTE> bytes;
    BYTE chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    if (!ReadOm(bytes.data(), bytes.size(), name))
        return false;
    // The meshes load with the world, not when the first copy comes in range.
    for (const EPlacedGroup& group : m_Groups)
        if (!group.Instances.empty())
            g_Engine.PreloadFile(group.szName, EEngine::PRELOAD_MESH);
    return true;
}

bool EObjectMgr::ReadOm(const BYTE* data, size_t size, const char* name)
{
    ReleaseGroups();
    const char* file = name ? name : "";
    RecordIn header(data, size);
    if (size < 4)
    {
        g_Console.Print2("Placed objects: file cut short: ", file);
        return false;
    }
    const DWORD groups = header.U32(0);
    // Every group needs its record: a count the file cannot hold is damage.
    if (groups > MAX_OBJECTMGR_GROUPS || groups > (size - 4) / OM_GROUP_RECORD_SIZE)
    {
        g_Console.Print2("Placed objects: group count does not fit the file: ", file);
        return false;
    }
    std::vector<EPlacedGroup> read;
    read.reserve(groups);
    size_t at = 4;
    for (DWORD g = 0; g < groups; ++g)
    {
        EPlacedGroup group;
        if (size - at < OM_GROUP_RECORD_SIZE)
        {
            g_Console.Print2("Placed objects: file cut short: ", file);
            return false;
        }
        const RecordIn r(data + at, OM_GROUP_RECORD_SIZE);
        r.Chars(G_NAME, group.szName, sizeof group.szName);
        group.bFlagBits = r.U8(G_FLAG_BITS);
        const DWORD count = r.U32(G_COUNT);
        group.fDistance = r.F32(G_DISTANCE);
        group.bSprites = r.U32(G_SPRITES);
        group.fAtlasU = r.F32(G_ATLAS_U);
        group.fAtlasV = r.F32(G_ATLAS_V);
        at += OM_GROUP_RECORD_SIZE;
        if (count > (size - at) / OM_INSTANCE_RECORD_SIZE)
        {
            g_Console.Print2("Placed objects: instance count does not fit the file: ", file);
            return false;
        }
        group.Instances.resize(count);
        for (EPlacedInstance& instance : group.Instances)
        {
            const RecordIn i(data + at, OM_INSTANCE_RECORD_SIZE);
            instance = EPlacedInstance{};
            i.Chars(I_NAME, instance.szName, sizeof instance.szName);
            instance.vPosition = i.Vec3(I_POSITION);
            instance.Orientation = i.Orientation(I_ORIENTATION);
            instance.vScale = i.Vec3(I_SCALE);
            instance.dwFlags = i.U32(I_FLAGS);
            instance.dwFlags2 = i.U32(I_FLAGS2);
            instance.dwState = i.U32(I_STATE);
            instance.fSize = i.F32(I_SIZE);
            instance.bFarVisible = i.U8(I_FAR_VISIBLE);
            at += OM_INSTANCE_RECORD_SIZE;
        }
        // An object cannot carry a longer file name, so the group could never be found.
        if (std::strlen(group.szName) > OBJECT_FILE_NAME_MAX)
        {
            g_Console.Print2("AddObject FileName>126 ", group.szName);
            continue;
        }
        if (const EObjectWildcard* w = FindWildcard(group.szName))
        {
            group.bSprites = w->bSprites;
            group.bFlagBits = w->bFlagBits;
            group.fDistance = w->fDistance;
        }
        read.push_back(std::move(group));
    }
    m_Groups = std::move(read);
    m_bSpritesDirty = 1;
    m_bAtlasRendered = 0;
    m_bAtlasFailed = 0;
    m_bSpriteLimitTold = 0;
    m_bBoundsLimitTold = 0;
    m_iCreated = m_iDeleted = 0;
    ForceUpdate();
    return true;
}

void EObjectMgr::ReleaseGroups()
{
    for (EPlacedGroup& group : m_Groups)
        for (EPlacedInstance& instance : group.Instances)
        {
            if (Alive(instance.hObject, instance.Pesel))
                g_Engine.DeleteObject(instance.hObject);
            instance.hObject = nullptr;
        }
    m_Groups.clear();
    m_Groups.shrink_to_fit();
    m_iSprites = 0;
    m_Vertices.clear();
}

EPlacedGroup* EObjectMgr::FindGroup(const char* name)
{
    if (!name)
        return nullptr;
    for (EPlacedGroup& group : m_Groups)
        if (CompareNoCase(group.szName, name) == 0)
            return &group;
    return nullptr;
}

EPlacedInstance* EObjectMgr::FindInstance(HOBJECT object)
{
    if (!object)
        return nullptr;
    EPlacedGroup* group = FindGroup(object->szFileName);
    if (!group)
        return nullptr;
    for (EPlacedInstance& instance : group->Instances)
        if (instance.hObject == object && Alive(object, instance.Pesel))
            return &instance;
    return nullptr;
}

void EObjectMgr::SyncPosition(HOBJECT object)
{
    if (EPlacedInstance* i = FindInstance(object))
        i->vPosition = object->vPosition;
}

void EObjectMgr::SyncScale(HOBJECT object)
{
    if (EPlacedInstance* i = FindInstance(object))
        g_Engine.GetObjectScale(object, &i->vScale);
}

void EObjectMgr::SyncOrientation(HOBJECT object)
{
    if (EPlacedInstance* i = FindInstance(object))
        i->Orientation = object->Orientation;
}

void EObjectMgr::SyncFlags(HOBJECT object)
{
    if (EPlacedInstance* i = FindInstance(object))
        i->dwFlags = object->dwFlags;
}

void EObjectMgr::SyncFlags2(HOBJECT object)
{
    if (EPlacedInstance* i = FindInstance(object))
        i->dwFlags2 = object->dwFlags2;
}

// ---- The instance pass -------------------------------------------------------------------------

void EObjectMgr::Update()
{
    if (g_MainGame.m_iLevelFrame < OBJECTMGR_FIRST_FRAME)
    {
        ForceUpdate();
        return;
    }
    if (g_Menu.m_bMenuActive)
        return;
    const D3DXVECTOR3 camera = g_Camera.GetPosition();
    if (DistanceSq(camera, m_vCamera) < OBJECTMGR_MOVE_STEP * OBJECTMGR_MOVE_STEP)
        return;
    m_vCamera = camera;
    UpdateInstances(camera);
}

void EObjectMgr::UpdateInstances(const D3DXVECTOR3& camera)
{
    for (DWORD g = 0; g < m_Groups.size(); ++g)
    {
        EPlacedGroup& group = m_Groups[g];
        const float reachSq = group.fDistance * group.fDistance;
        for (EPlacedInstance& instance : group.Instances)
        {
            const bool near = DistanceSq(camera, instance.vPosition) < reachSq;
            if (instance.hObject && !Alive(instance.hObject, instance.Pesel))
            {
                // Deleted by a script, a death or a wipe: it stays away while in range.
                instance.hObject = nullptr;
                instance.bGone = 1;
                m_bSpritesDirty = 1;
            }
            if (!near)
            {
                instance.bGone = 0;
                if (instance.hObject)
                    SwitchOut(instance);
            }
            else if (!instance.hObject && !instance.bGone)
            {
                CreateInstanceObject(g, instance);
                m_bSpritesDirty = 1;
            }
        }
    }
    if (m_bSpritesDirty)
        RebuildSprites(camera);
}

void EObjectMgr::SwitchOut(EPlacedInstance& instance)
{
    HOBJECT o = instance.hObject;
    instance.dwState = o->bDead;
    o->bLoadedMark = 1;
    // A name the record cannot hold leaves the instance its own.
    if (std::strlen(o->szName) < sizeof instance.szName)
        std::snprintf(instance.szName, sizeof instance.szName, "%s", o->szName);
    g_Engine.DeleteObject(o);
    instance.hObject = nullptr;
    ++m_iDeleted;
    m_bSpritesDirty = 1;
}

HOBJECT EObjectMgr::CreateInstanceObject(DWORD g, EPlacedInstance& instance)
{
    EPlacedGroup& group = m_Groups[g];
    if (group.bFlagBits)
        instance.dwFlags = (instance.dwFlags | kFlagBitOn) & ~kFlagBitOff;
    EObjectDesc desc;
    desc.Reset();
    desc.Type = OT_MESH;
    desc.vPosition = instance.vPosition;
    desc.Orientation = instance.Orientation;
    desc.vScale = instance.vScale;
    desc.dwFlags = instance.dwFlags;
    desc.dwFlags2 = instance.dwFlags2;
    std::snprintf(desc.szFileName, sizeof desc.szFileName, "%s", group.szName);
    HOBJECT o = g_Engine.AddObject(&desc);
    instance.hObject = o;
    if (!o)
    {
        g_Console.Print("NIE ma object");
        return nullptr;
    }
    for (int k = 0; k < 3; ++k)
        instance.Pesel[k] = o->PESEL[k];
    ++m_iCreated;
    g_Engine.SetObjectScale(o, &instance.vScale);
    o->bLoadedMark = 1;
    o->bPlacedObject = 1;
    o->bDead = static_cast<BYTE>(instance.dwState);
    std::snprintf(o->szName, sizeof o->szName, "%s", instance.szName);
    // The orientation came with the description; the mesh's extra angles
    // stay 0, or the copy would be turned twice.
    if (const EMesh* mesh = o->Type == OT_MESH ? static_cast<const EMesh*>(o->Object) : nullptr)
    {
        if (g < OBJECTMGR_BOUNDED_GROUPS)
        {
            m_vMin[g] = mesh->m_vMin;
            m_vMax[g] = mesh->m_vMax;
        }
    }
    if (instance.dwFlags & kMarkBit)
        o->bLoadedMark = 1;
    return o;
}

// ---- Sprites -----------------------------------------------------------------------------------

void EObjectMgr::RebuildSprites(const D3DXVECTOR3& camera)
{
    m_iSprites = 0;
    m_Vertices.clear();
    m_Vertices.reserve(static_cast<size_t>(OBJECTMGR_MAX_SPRITES) * OBJECTMGR_SPRITE_VERTICES);
    m_bSpritesDirty = 0;
    // The sprites face the sun across the ground: the sky light's direction
    // is the way its light travels, and a normal along it would leave every
    // impostor in its own shade.
    D3DXVECTOR3 normal(-Env.m_vSkyLightDir.x, -Env.m_vSkyLightDir.y, -Env.m_vSkyLightDir.z);
    D3DXVec3Normalize(&normal, &normal);
    if (normal.y >= kSteepSun || normal.y <= -kSteepSun)
        normal = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    else
    {
        normal.y = 0.0f;
        D3DXVec3Normalize(&normal, &normal);
    }
    for (DWORD g = 0; g < m_Groups.size(); ++g)
    {
        const EPlacedGroup& group = m_Groups[g];
        if (!group.bSprites)
            continue;
        if (g >= OBJECTMGR_BOUNDED_GROUPS)
        {
            // No bounds are kept for it: its far instances are not drawn.
            if (!m_bBoundsLimitTold && !group.Instances.empty())
                g_Console.Print("ObjectMgr: sprite groups past the 256th get no sprites");
            m_bBoundsLimitTold = 1;
            continue;
        }
        for (const EPlacedInstance& instance : group.Instances)
        {
            if (instance.hObject)
                continue;
            const float d = std::sqrt(DistanceSq(camera, instance.vPosition));
            const float s = instance.fSize;
            if ((s < kTinySize && d > kTinyReach) || (s < kSmallSize && d > kSmallReach) ||
                (s < kMidSize && d > kFarReach) || (d > kFarReach && !instance.bFarVisible))
                continue;
            if (m_iSprites >= OBJECTMGR_MAX_SPRITES)
            {
                if (!m_bSpriteLimitTold)
                    g_Console.Print("ObjectMgr: more than 4500 sprites, the rest are not drawn");
                m_bSpriteLimitTold = 1;
                break;
            }
            AddSprite(g, instance, normal);
        }
    }
    if (!m_pVB || m_Vertices.empty())
        return;
    void* p = nullptr;
    if (FAILED(m_pVB->Lock(0, 0, &p, D3DLOCK_DISCARD)) || !p)
    {
        g_Console.Print("ObjectMgr FAILED to lock VB!");
        // The buffer keeps what it held: nothing of it is drawn.
        m_iSprites = 0;
        return;
    }
    // The buffer holds the vertices as the device reads them: the same 36 bytes.
    std::memcpy(p, m_Vertices.data(), m_Vertices.size() * sizeof(EObjectSpriteVertex));
    m_pVB->Unlock();
}

void EObjectMgr::AddSprite(DWORD g, const EPlacedInstance& instance, const D3DXVECTOR3& normal)
{
    const EPlacedGroup& group = m_Groups[g];
    const D3DXVECTOR3& lo = m_vMin[g];
    const D3DXVECTOR3& hi = m_vMax[g];
    float a = std::min((hi.x - lo.x) * instance.vScale.x * 0.5f, kMaxHalfWidth);
    float b = std::min((hi.y - lo.y) * instance.vScale.y * 0.5f, kMaxHalfHeight);
    a = b = std::max(a, b) * kSpriteMargin;
    const D3DXVECTOR3 centre = instance.vPosition + (lo + hi) * 0.5f;
    const float u0 = group.fAtlasU, v0 = group.fAtlasV;
    const float u1 = u0 + OBJECTMGR_CELL_UV, v1 = v0 + OBJECTMGR_CELL_UV;
    const D3DXVECTOR3 up = instance.Orientation.Up * b;
    for (const D3DXVECTOR3& axis : {instance.Orientation.Forward, instance.Orientation.Right})
    {
        const D3DXVECTOR3 side = axis * a;
        const EObjectSpriteVertex corners[4] = {
            {centre - side + up, kWhite, normal, u0, v0},
            {centre + side + up, kWhite, normal, u1, v0},
            {centre + side - up, kWhite, normal, u1, v1},
            {centre - side - up, kWhite, normal, u0, v1},
        };
        for (int k : {0, 1, 2, 0, 2, 3})
            m_Vertices.push_back(corners[k]);
    }
    ++m_iSprites;
}

bool EObjectMgr::PlaceCells(const std::function<void(DWORD, UINT, UINT)>& draw)
{
    UINT x = 0, y = 0;
    for (DWORD g = 0; g < m_Groups.size(); ++g)
    {
        EPlacedGroup& group = m_Groups[g];
        if (group.Instances.empty() || !group.bSprites)
            continue;
        if (y >= OBJECTMGR_ATLAS_SIZE)
            return false;
        if (draw)
            draw(g, x, y);
        group.fAtlasU = static_cast<float>(x) / OBJECTMGR_ATLAS_SIZE;
        group.fAtlasV = static_cast<float>(y) / OBJECTMGR_ATLAS_SIZE;
        x += OBJECTMGR_CELL_SIZE;
        if (x >= OBJECTMGR_ATLAS_SIZE)
        {
            x = 0;
            y += OBJECTMGR_CELL_SIZE;
            if (y >= OBJECTMGR_ATLAS_SIZE)
                g_Console.Print("TOO MANY objects to be rendered as sprites (>64)");
        }
    }
    return true;
}
