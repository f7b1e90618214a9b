// Trucks: scene objects whose mesh is a vehicle prefab. Scripts and paths move
// them; here they follow the ground (dropped onto it and tilted toward its
// slope over a fraction of a second), carry a solid chassis box that the hero
// and loose bodies hit, and turn their wheel objects with the distance driven.
#include "physics/PhysicsMgr.h"

#include "mesh/Mesh.h"
#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "shell/Console.h"
#include "shell/FolderFiles.h"
#include "shell/Orientation.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
constexpr const char* kFolder = "scripts\\vehicles";
constexpr int kLineSize = 256;
constexpr float kTraceUp = 4.0f;
constexpr float kTraceDown = 24.0f;
constexpr float kProbeShare = 0.4f;
constexpr float kTurnRate = 4.0f * 3.14159265f;
constexpr float kChassisRaise = 0.4f;
constexpr float kHideDrop = 10.0f;
constexpr float kSmallestMove = 0.01f;
constexpr float kSmallestRadius = 0.01f;
constexpr float kDefaultRadius = 0.5f;
constexpr float kTwoPi = 6.28318531f;
constexpr float kPi = 3.14159265f;
constexpr float kLevelEpsilon = 1e-4f;
// Flag word 3 bit of an object the truck code made (a wheel).
constexpr DWORD kWheelMark = 0x2000;

EMesh* TruckMesh(HOBJECT o)
{
    if (!o || !o->bUsed || o->Type != OT_MESH || !o->Object)
        return nullptr;
    return static_cast<EMesh*>(o->Object);
}

bool Finite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The vector with y = 0, normalized; false when it has no level part.
bool Level(const D3DXVECTOR3& v, D3DXVECTOR3* out)
{
    const D3DXVECTOR3 flat(v.x, 0.0f, v.z);
    const float length = std::sqrt(flat.x * flat.x + flat.z * flat.z);
    if (!(length > kLevelEpsilon) || !std::isfinite(length))
        return false;
    *out = flat / length;
    return true;
}

bool Normalized(const D3DXVECTOR3& v, D3DXVECTOR3* out)
{
    const float length = D3DXVec3Length(&v);
    if (!(length > kLevelEpsilon) || !std::isfinite(length))
        return false;
    *out = v / length;
    return true;
}

template <size_t N> void CopyCut(char (&field)[N], const char* value)
{
    std::snprintf(field, N, "%s", value ? value : "");
}

bool WheelAlive(const ETruck& t, int i)
{
    HOBJECT w = t.hWheel[i];
    return w && w->bUsed && w->PESEL[0] == t.WheelPesel[i][0] && w->PESEL[1] == t.WheelPesel[i][1] &&
           w->PESEL[2] == t.WheelPesel[i][2];
}

// The ground traces skip the truck and its own wheels.
bool NotTruck(HOBJECT candidate, RayTestUser user)
{
    HOBJECT truck = reinterpret_cast<HOBJECT>(user);
    if (candidate == truck)
        return false;
    if (const ETruck* t = g_PhysicsMgr.GetTruck(truck))
        for (DWORD i = 0; i < t->iNumWheels; ++i)
            if (candidate == t->hWheel[i])
                return false;
    return true;
}
} // namespace

// ---- Definitions ----------------------------------------------------------------------------------

void CPhysicsMgr::LoadVehicles()
{
    m_iNumVehicles = 0;
    ForEachFileIn(kFolder, "*.txt", [this](const char* path) { ParseVehicle(path); });
}

void CPhysicsMgr::ParseVehicle(const char* file)
{
    FILE* f = file ? TkFopen(file, "rb") : nullptr;
    if (!f)
        return;
    EVehicleDef* def = nullptr;
    char line[kLineSize + 1];
    while (!std::feof(f) && !std::ferror(f))
    {
        line[0] = 0;
        ReadLineOrSkip(f, line, kLineSize);
        if (IsKeyword(line, "Vehicle"))
        {
            // One slot is always kept free.
            if (m_iNumVehicles >= MAX_VEHICLES - 1)
            {
                g_Console.Print("MAX_VEHICLES exceeded!");
                break;
            }
            def = &m_Vehicles[m_iNumVehicles++];
            std::memset(def, 0, sizeof *def);
            CopyCut(def->szName, GetLineValue(line));
            continue;
        }
        // Lines before the first definition have nothing to change.
        if (!def)
            continue;
        if (IsKeyword(line, "prefab"))
            CopyCut(def->szPrefab, GetToken(line, 1));
        else if (IsKeyword(line, "front_wheel") || IsKeyword(line, "wheel"))
        {
            if (def->iNumWheels >= static_cast<DWORD>(MAX_VEHICLE_WHEELS))
                continue;
            const DWORD i = def->iNumWheels++;
            CopyCut(def->szWheelFile[i], GetToken(line, 1));
            CopyCut(def->szWheelSocket[i], GetToken(line, 2));
            def->bFrontWheel[i] = IsKeyword(line, "front_wheel") ? 1 : 0;
        }
    }
    std::fclose(f);
}

const EVehicleDef* CPhysicsMgr::FindVehicleByPrefab(const char* file) const
{
    if (!file || !file[0])
        return nullptr;
    for (int i = 0; i < m_iNumVehicles; ++i)
        if (m_Vehicles[i].szPrefab[0] && CompareNoCase(m_Vehicles[i].szPrefab, file) == 0)
            return &m_Vehicles[i];
    return nullptr;
}

// ---- Building and freeing -------------------------------------------------------------------------

ETruck* CPhysicsMgr::GetTruck(HOBJECT object)
{
    EObjectPhysics* p = GetObjectPhysics(object);
    return p ? p->pTruck : nullptr;
}

bool CPhysicsMgr::AddTruck(HOBJECT object)
{
    // Only a mesh object with its mesh has the box a chassis is made from.
    if (!TruckMesh(object) || GetTruck(object))
        return false;
    const EVehicleDef* def = FindVehicleByPrefab(object->szFileName);
    if (!def)
        return false;
    BuildTruck(def, object);
    return GetTruck(object) != nullptr;
}

void CPhysicsMgr::BuildTruck(const EVehicleDef* def, HOBJECT object)
{
    EObjectPhysics* p = GetObjectPhysics(object);
    EMesh* mesh = TruckMesh(object);
    if (!def || !p || !mesh)
        return;
    char text[512];
    g_Console.Print2("Add truck for ", object->szName);
    std::snprintf(text, sizeof text, "  position: %.2f %.2f %.2f", object->vPosition.x, object->vPosition.y,
                  object->vPosition.z);
    g_Console.Print(text);
    g_Console.Print2("  name: ", object->szFileName);

    RemoveObjectBody(object);
    FreeTruck(*p);
    ETruck* truck = new ETruck;
    std::memset(truck, 0, sizeof *truck);
    p->pTruck = truck;
    truck->hOwner = object;
    CopyCut(truck->szName, def->szName);
    g_Engine.SetObjectFlags(object, 0, OF_STATIC_BODY);

    // The chassis.
    const D3DXVECTOR3 size = mesh->m_vMax - mesh->m_vMin;
    D3DXVECTOR3 half(std::fabs(0.5f * mesh->m_vScale.x * size.x), std::fabs(0.5f * mesh->m_vScale.y * size.y),
                     std::fabs(0.5f * mesh->m_vScale.z * size.z));
    if (!Finite(half))
        half = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    truck->vHalf = half;
    if (m_dynamicsWorld && Finite(object->vPosition))
    {
        btCollisionShape* shape = new btBoxShape(btVector3(half.x, half.y + kChassisRaise, half.z));
        m_ChassisShapes.push_back(shape);
        const D3DXQUATERNION& q = object->Orientation.Quaternion;
        btQuaternion rotation(q.x, q.y, q.z, q.w);
        if (!std::isfinite(rotation.length2()) || rotation.length2() <= SIMD_EPSILON)
            rotation = btQuaternion::getIdentity();
        const btTransform at(
            rotation.normalized(),
            btVector3(object->vPosition.x, object->vPosition.y + half.y, object->vPosition.z));
        p->pMotionState = new btDefaultMotionState(at);
        btRigidBody::btRigidBodyConstructionInfo info(0.0f, p->pMotionState, shape, btVector3(0, 0, 0));
        btRigidBody* body = new btRigidBody(info);
        body->setUserPointer(object);
        // Moved by the game, never by physics: kinematic from the start.
        body->setCollisionFlags(body->getCollisionFlags() | btCollisionObject::CF_KINEMATIC_OBJECT);
        body->setActivationState(DISABLE_DEACTIVATION);
        m_dynamicsWorld->addRigidBody(body);
        object->pPhysicsBody = body;
        p->bKinematic = 1;
        p->bSwitchedKinematic = 1;
    }
    else
        g_Console.Print("!mRigidBody");

    // The wheels.
    for (DWORD i = 0; i < def->iNumWheels && i < static_cast<DWORD>(MAX_VEHICLE_WHEELS); ++i)
    {
        HOBJECT wheel =
            g_Engine.CreateObject(OT_MESH, def->szWheelFile[i], 1, 0, &object->vPosition.x, nullptr);
        if (!wheel)
        {
            g_Console.Print2("Failed to add wheel ", def->szWheelFile[i]);
            continue;
        }
        g_Engine.SetObjectFlags3(wheel, kWheelMark, kWheelMark);
        const DWORD n = truck->iNumWheels++;
        truck->hWheel[n] = wheel;
        std::memcpy(truck->WheelPesel[n], wheel->PESEL, sizeof truck->WheelPesel[n]);
        float radius = kDefaultRadius;
        if (EMesh* wm = TruckMesh(wheel))
            radius = 0.5f * std::fabs((wm->m_vMax.y - wm->m_vMin.y) * wm->m_vScale.y);
        // A flat wheel mesh would turn by a division by nothing.
        if (!(radius >= kSmallestRadius) || !std::isfinite(radius))
            radius = kDefaultRadius;
        truck->fWheelRadius[n] = radius;
        CopyCut(truck->szSocket[n], def->szWheelSocket[i]);
        truck->bFrontWheel[n] = def->bFrontWheel[i];
    }
    // A first update sees one unit of movement and places the wheels.
    truck->vPrevPosition = object->vPosition - object->Orientation.Forward;
    UpdateTruckWheels(object);
}

void CPhysicsMgr::FreeTruck(EObjectPhysics& p)
{
    delete p.pTruck;
    p.pTruck = nullptr;
}

void CPhysicsMgr::DestroyTruck(HOBJECT object)
{
    EObjectPhysics* p = GetObjectPhysics(object);
    if (!p || !p->pTruck)
    {
        g_Console.Print("DestroyTruck EMPTY");
        return;
    }
    ETruck* truck = p->pTruck;
    // The record goes first: a wheel's deletion never finds it half taken apart.
    p->pTruck = nullptr;
    for (DWORD i = 0; i < truck->iNumWheels; ++i)
        if (WheelAlive(*truck, static_cast<int>(i)))
            g_Engine.DeleteObject(truck->hWheel[i]);
    delete truck;
}

// ---- Driving ------------------------------------------------------------------------------------

namespace
{
RayTestQuery GroundQuery(HOBJECT truck, const D3DXVECTOR3& from, const D3DXVECTOR3& to)
{
    RayTestQuery query;
    query.pFrom = &from.x;
    query.pTo = &to.x;
    query.pfnFilter = NotTruck;
    query.dwUser = reinterpret_cast<RayTestUser>(truck);
    return query;
}

// The traces under the centre and the four probes share one gathering of the
// objects near the truck. The probes stand around the ground point the
// centre's trace finds, somewhere along that trace, or at the centre when it
// finds none; the widening covers the rounding of that point.
void GatherGroundArea(HOBJECT truck, const D3DXVECTOR3& centre, const D3DXVECTOR3& half)
{
    constexpr float kWiden = 1.0f;
    const float reach = kProbeShare * (std::fabs(half.x) + std::fabs(half.z)) + kWiden;
    if (!std::isfinite(reach))
        return;
    const float lo[3] = {centre.x - reach, centre.y - kTraceDown - kTraceDown - kWiden, centre.z - reach};
    const float hi[3] = {centre.x + reach, centre.y + kTraceUp + kTraceUp + kWiden, centre.z + reach};
    const RayTestQuery kind = GroundQuery(truck, centre, centre);
    g_IntersectSegment.GatherArea(&kind, lo, hi);
}
} // namespace

bool CPhysicsMgr::GroundBelow(HOBJECT truck, const D3DXVECTOR3& point, D3DXVECTOR3* out)
{
    *out = point;
    const D3DXVECTOR3 from(point.x, point.y + kTraceUp, point.z);
    const D3DXVECTOR3 to(point.x, point.y - kTraceDown, point.z);
    const RayTestQuery query = GroundQuery(truck, from, to);
    RayTestResult result;
    if (!g_IntersectSegment.Test(&query, &result) || !result.bHit || !Finite(result.vPoint))
        return false;
    *out = result.vPoint;
    return true;
}

void CPhysicsMgr::DriveTruck(HOBJECT object, D3DXVECTOR3* position, EOrientation* orientation)
{
    ETruck* truck = GetTruck(object);
    if (!truck || !position || !orientation || !Finite(*position))
        return;
    GatherGroundArea(object, *position, truck->vHalf);
    D3DXVECTOR3 ground;
    GroundBelow(object, *position, &ground);
    *position = ground;

    D3DXVECTOR3 forward, right;
    // A truck turned straight up or down has no level heading: it keeps its orientation.
    if (!Level(orientation->Forward, &forward) || !Level(orientation->Right, &right))
    {
        *orientation = object->Orientation;
        return;
    }
    const D3DXVECTOR3 along = forward * (kProbeShare * truck->vHalf.z);
    const D3DXVECTOR3 side = right * (kProbeShare * truck->vHalf.x);
    D3DXVECTOR3 frontLeft, frontRight, rearLeft, rearRight;
    GroundBelow(object, *position + along - side, &frontLeft);
    GroundBelow(object, *position + along + side, &frontRight);
    GroundBelow(object, *position - along - side, &rearLeft);
    GroundBelow(object, *position - along + side, &rearRight);
    D3DXVECTOR3 groundForward, groundRight, up;
    const bool fitted =
        Normalized((frontLeft + frontRight) * 0.5f - (rearLeft + rearRight) * 0.5f, &groundForward) &&
        Normalized((frontRight + rearRight) * 0.5f - (frontLeft + rearLeft) * 0.5f, &groundRight);
    D3DXVECTOR3 cross;
    D3DXVec3Cross(&cross, &groundForward, &groundRight);
    if (!fitted || !Normalized(cross, &up))
    {
        *orientation = object->Orientation;
        return;
    }
    if (up.y < 0.0f)
        up = -up;
    EOrientation target = object->Orientation;
    target.SetDirectionAndUp(&groundForward, &up);
    // The factor is held at 1: a long frame never turns past the target.
    const float factor = std::min(std::max(g_Engine.m_fDeltaTime, 0.0f) * kTurnRate, 1.0f);
    EOrientation turned = object->Orientation;
    turned.Slerp(&target.Quaternion, std::isfinite(factor) ? factor : 1.0f);
    *orientation = turned;
}

void CPhysicsMgr::UpdateTruckWheels(HOBJECT object)
{
    ETruck* truck = GetTruck(object);
    if (!truck)
        return;
    const D3DXVECTOR3 moved = object->vPosition - truck->vPrevPosition;
    const float d = D3DXVec3Length(&moved);
    // Slow creeping adds up: the previous position stays until the move is worth turning for.
    if (!(d >= kSmallestMove) || !std::isfinite(d))
        return;
    truck->vPrevPosition = object->vPosition;
    truck->fWheelValue = 0.0f;
    D3DXVECTOR3 facing;
    if (!Level(object->Orientation.Forward, &facing))
        facing = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    D3DXVECTOR3 heading;
    // A move straight up or down has no direction: the front wheels keep the facing one.
    if (!Level(moved, &heading))
        heading = facing;
    // Backing up still steers the front wheels along the truck.
    if (D3DXVec3Dot(&heading, &facing) < 0.0f)
        heading = -heading;
    D3DXVECTOR3 up = object->Orientation.Up;
    // The wheels along the truck share one set of axes, as do the steering
    // ones; two wheels of one kind turned by the same angle share the whole
    // orientation (each is what building it anew gives).
    EOrientation axes[2];
    bool axesMade[2] = {false, false};
    EOrientation turned[MAX_VEHICLE_WHEELS];
    for (DWORD i = 0; i < truck->iNumWheels; ++i)
    {
        if (!WheelAlive(*truck, static_cast<int>(i)))
        {
            truck->hWheel[i] = nullptr;
            continue;
        }
        D3DXMATRIX socket;
        D3DXVECTOR3 at = object->vPosition;
        if (g_Engine.GetObjectSocket(object, truck->szSocket[i], &socket, nullptr, &truck->SocketRef[i]))
            at = D3DXVECTOR3(socket._41, socket._42, socket._43);
        truck->vWheelPosition[i] = at;
        const int kind = truck->bFrontWheel[i] ? 1 : 0;
        if (!axesMade[kind])
        {
            const D3DXVECTOR3 dir = kind ? heading : facing;
            axes[kind].SetDirectionAndUp(&dir, &up);
            axesMade[kind] = true;
        }
        float angle = truck->fWheelAngle[i] + d / (truck->fWheelRadius[i] * kPi / 2.0f);
        angle = std::fmod(angle, kTwoPi);
        if (angle < 0.0f || !std::isfinite(angle))
            angle = std::isfinite(angle) ? angle + kTwoPi : 0.0f;
        truck->fWheelAngle[i] = angle;
        EOrientation& wheel = turned[i];
        DWORD same = 0;
        while (same < i && !(truck->hWheel[same] && (truck->bFrontWheel[same] ? 1 : 0) == kind &&
                             std::memcmp(&truck->fWheelAngle[same], &angle, sizeof angle) == 0))
            ++same;
        if (same < i)
            wheel = turned[same];
        else
        {
            wheel = axes[kind];
            const D3DXVECTOR3 axle = wheel.Right;
            wheel.RotateAxisAngle(&axle, angle);
        }
        g_Engine.SetObjectTransform(truck->hWheel[i], &at, &wheel, 1, 1);
    }
}

// ---- Hiding -------------------------------------------------------------------------------------

void CPhysicsMgr::PlaceTruckBodyAtObject(HOBJECT object)
{
    btRigidBody* body = object ? static_cast<btRigidBody*>(object->pPhysicsBody) : nullptr;
    if (!body)
        return;
    // As a move would place it: raised by the chassis' half height.
    MoveObjectBody(object, &object->vPosition, &object->Orientation);
    if (m_dynamicsWorld && body->getBroadphaseHandle())
        m_overlappingPairCache->getOverlappingPairCache()->cleanProxyFromPairs(
            body->getBroadphaseHandle(), m_dynamicsWorld->getDispatcher());
}

void CPhysicsMgr::PlaceTruckBodyBelowObject(HOBJECT object)
{
    btRigidBody* body = object ? static_cast<btRigidBody*>(object->pPhysicsBody) : nullptr;
    if (!body)
        return;
    // The chassis centre goes that far under the object (the move raises it by its half height).
    const float raise = GetTruck(object) ? GetTruck(object)->vHalf.y : 0.0f;
    const D3DXVECTOR3 below(object->vPosition.x, object->vPosition.y - kHideDrop - raise,
                            object->vPosition.z);
    MoveObjectBody(object, &below, &object->Orientation);
    if (m_dynamicsWorld && body->getBroadphaseHandle())
        m_overlappingPairCache->getOverlappingPairCache()->cleanProxyFromPairs(
            body->getBroadphaseHandle(), m_dynamicsWorld->getDispatcher());
}
