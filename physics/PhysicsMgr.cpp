#include "physics/PhysicsMgr.h"

#include "game/SaveMgr.h"
#include "mesh/Mesh.h"
#include "physics/PhysicsDesc.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/Orientation.h"
#include "shell/TextUtils.h"
#include "world/CollisionMgr.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <BulletCollision/CollisionDispatch/btGhostObject.h>
#include <BulletDynamics/Character/btKinematicCharacterController.h>
#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace
{
constexpr int kCollisionPoolSize = 4096;
constexpr float kGravity = -10.0f;
constexpr float kStaticBoxFriction = 0.21f;
constexpr float kTriangleFriction = 2.11f;
constexpr float kMinimumHalfExtent = 0.09f;
constexpr float kMinimumRadius = 0.16f;
// A dynamic body thinner than this has no usable inertia; it is raised to it.
constexpr float kSmallestDynamicHalfExtent = 0.01f;
constexpr float kDefaultMass = 8.0f;
constexpr float kDampedBoxDeactivation = 8.0f;
constexpr float kDeactivation = 5.0f;
constexpr float kDampedBoxLinear = 0.025f;
constexpr float kDampedBoxAngular = 1.0f;
constexpr float kCylinderAngular = 0.7f;
constexpr float kSphereDamping = 0.5f;
constexpr float kSmallSphereAngular = 0.8f;
constexpr float kSmallBodyInertiaFactor = 2.0f;
constexpr float kLowHealth = 2.0f;
constexpr float kPushDefaultY = -0.1f;
constexpr float kPushSpread = 0.06f;
constexpr float kLongestFrame = 1.0f;

// The controller.
constexpr float kCapsuleRadius = 0.5f;
constexpr float kCapsuleHeight = 0.9f;
constexpr float kStepHeight = 0.45f;
constexpr float kCharacterGravity = 20.0f;
constexpr float kJumpSpeed = 8.0f;
constexpr int kCharacterGroup = btBroadphaseProxy::CharacterFilter;
constexpr int kCharacterMask = btBroadphaseProxy::DefaultFilter | btBroadphaseProxy::StaticFilter;

const EPhysicsBox kDefaultBox = {D3DXVECTOR3(-2000.0f, -1000.0f, -1300.0f),
                                 D3DXVECTOR3(2000.0f, 1000.0f, 1300.0f)};

bool Finite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

EMesh* MeshOf(HOBJECT o)
{
    if (!o || !o->bUsed || o->Type != OT_MESH || !o->Object)
        return nullptr;
    return static_cast<EMesh*>(o->Object);
}

const char* NameOf(HOBJECT o)
{
    return o->szName[0] ? o->szName : o->szFileName;
}

void Report(HOBJECT o, const char* what)
{
    const std::string line = std::string("Physics: ") + NameOf(o) + " - " + what;
    g_Console.Print(line.c_str());
}

btTransform ObjectTransform(HOBJECT o)
{
    const D3DXQUATERNION& q = o->Orientation.Quaternion;
    btQuaternion rotation(q.x, q.y, q.z, q.w);
    if (!std::isfinite(rotation.length2()) || rotation.length2() <= SIMD_EPSILON)
        rotation = btQuaternion::getIdentity();
    return btTransform(rotation.normalized(), btVector3(o->vPosition.x, o->vPosition.y, o->vPosition.z));
}

btRigidBody* BodyOf(HOBJECT o)
{
    return o ? static_cast<btRigidBody*>(o->pPhysicsBody) : nullptr;
}
} // namespace

// After the default box above: it is built from it.
CPhysicsMgr g_PhysicsMgr;

CPhysicsMgr::CPhysicsMgr()
    : m_BroadphaseBox(kDefaultBox), m_PlayableBox(kDefaultBox), m_Objects(MAX_OBJECTS),
      m_Vehicles(MAX_VEHICLES)
{
}

CPhysicsMgr::~CPhysicsMgr()
{
    // The engine's table may already be gone at program end; only Bullet's own parts are freed here.
    if (m_character && m_dynamicsWorld)
        m_dynamicsWorld->removeAction(m_character);
    delete m_character;
    if (m_ghostObject && m_dynamicsWorld)
        m_dynamicsWorld->removeCollisionObject(m_ghostObject);
    delete m_ghostObject;
    delete m_characterShape;
    // The flown helicopter's joints go before the bodies they join.
    for (EObjectPhysics& p : m_Objects)
        if (p.pHeli)
            for (btTypedConstraint*& joint : p.pHeli->pConstraint)
            {
                if (joint && m_dynamicsWorld)
                    m_dynamicsWorld->removeConstraint(joint);
                delete joint;
                joint = nullptr;
            }
    if (m_dynamicsWorld)
    {
        btCollisionObjectArray& objects = m_dynamicsWorld->getCollisionObjectArray();
        for (int i = objects.size() - 1; i >= 0; --i)
        {
            btCollisionObject* obj = objects[i];
            m_dynamicsWorld->removeCollisionObject(obj);
            if (btRigidBody* body = btRigidBody::upcast(obj))
                delete body->getMotionState();
            delete obj;
        }
    }
    for (EObjectPhysics& p : m_Objects)
    {
        delete p.pShape;
        delete p.pIndexVertexArray;
        delete p.pTruck;
        if (p.pHeli)
            for (btCollisionShape* shape : p.pHeli->pShape)
                delete shape; // the parts' bodies went with the world's objects above
        delete p.pHeli;
    }
    for (btCollisionShape* shape : m_ChassisShapes)
        delete shape;
    delete m_dynamicsWorld;
    delete m_constraintSolver;
    delete m_overlappingPairCache;
    delete m_ghostPairCallback;
    delete m_dispatcher;
    delete m_collisionConfiguration;
}

int CPhysicsMgr::SlotOf(HOBJECT object) const
{
    if (!object)
        return -1;
    const std::ptrdiff_t slot = object - g_Engine.m_Objects;
    return slot >= 0 && slot < MAX_OBJECTS ? static_cast<int>(slot) : -1;
}

EObjectPhysics* CPhysicsMgr::GetObjectPhysics(HOBJECT object)
{
    const int slot = SlotOf(object);
    return slot < 0 ? nullptr : &m_Objects[slot];
}

int CPhysicsMgr::GetBodyActivation(HOBJECT object)
{
    btRigidBody* body = BodyOf(object);
    return body ? body->getActivationState() : -1;
}

// ---- The world ----------------------------------------------------------------------------------

void CPhysicsMgr::Init()
{
    if (m_dynamicsWorld)
        Shutdown();

    m_PlayableBox = m_BroadphaseBox;
    if (HOBJECT box = g_Engine.FindObject("Physics", 0))
        if (EMesh* mesh = MeshOf(box))
        {
            m_PlayableBox.vMin = mesh->m_vWorldMin;
            m_PlayableBox.vMax = mesh->m_vWorldMax;
        }

    btDefaultCollisionConstructionInfo info;
    info.m_defaultMaxPersistentManifoldPoolSize = kCollisionPoolSize;
    info.m_defaultMaxCollisionAlgorithmPoolSize = kCollisionPoolSize;
    m_collisionConfiguration = new btDefaultCollisionConfiguration(info);
    if (!m_collisionConfiguration)
        g_Console.Print("  m_collisionConfiguration FAILED");
    else if (!(m_dispatcher = new btCollisionDispatcher(m_collisionConfiguration)))
        g_Console.Print("  m_dispatcher FAILED");
    else
    {
        const D3DXVECTOR3& lo = m_BroadphaseBox.vMin;
        const D3DXVECTOR3& hi = m_BroadphaseBox.vMax;
        m_overlappingPairCache = new btAxisSweep3(btVector3(lo.x, lo.y, lo.z), btVector3(hi.x, hi.y, hi.z),
                                                  PHYSICS_BROADPHASE_HANDLES);
        if (!(m_constraintSolver = new btSequentialImpulseConstraintSolver))
            g_Console.Print("  m_constraintSolver FAILED");
        else if (m_overlappingPairCache)
            m_dynamicsWorld = new btDiscreteDynamicsWorld(m_dispatcher, m_overlappingPairCache,
                                                          m_constraintSolver, m_collisionConfiguration);
    }
    // A part that failed ends the start: nothing is built over a missing one.
    if (!m_dynamicsWorld)
    {
        g_Console.Print("FATAL: m_dynamicsWorld NOT CREATED!");
        g_Console.Print("");
        return;
    }
    m_ghostPairCallback = new btGhostPairCallback;
    m_overlappingPairCache->getOverlappingPairCache()->setInternalGhostPairCallback(m_ghostPairCallback);
    m_dynamicsWorld->setGravity(btVector3(0.0f, kGravity, 0.0f));
    LoadVehicles();
}

void CPhysicsMgr::Step()
{
    Step(g_Engine.m_fDeltaTime);
}

void CPhysicsMgr::Step(float frameTime)
{
    m_iLastSubSteps = 0;
    if (!m_dynamicsWorld)
    {
        g_Console.Print("!m_dynamicsWorld");
        return;
    }
    if (!g_Options.UpdatePhysics)
        return;
    // A frame of no time, a negative or a broken one steps nothing.
    if (!(frameTime > 0.0f) || !std::isfinite(frameTime))
        return;
    // Bullet counts the sub-steps a frame is worth in an int; a frame longer
    // than the longest one kept is cut first, it would be dropped anyway.
    frameTime = std::min(frameTime, kLongestFrame);
    const int due = m_dynamicsWorld->stepSimulation(frameTime, PHYSICS_MAX_SUBSTEPS, PHYSICS_FIXED_STEP);
    m_iLastSubSteps = std::min(due, PHYSICS_MAX_SUBSTEPS);

    int physics = 0, active = 0;
    const int high = g_Engine.GetHighWaterMark(OT_MESH);
    for (int slot = FIRST_MESH_SLOT; slot < high && slot < MAX_OBJECTS; ++slot)
    {
        strObject& o = g_Engine.m_Objects[slot];
        btRigidBody* body = o.bUsed ? static_cast<btRigidBody*>(o.pPhysicsBody) : nullptr;
        EObjectPhysics& p = m_Objects[slot];
        if (!body || p.bKinematic || p.bSkipPhysics)
            continue;
        ++physics;
        KeepRestBeforeSleep(body, &p, static_cast<float>(m_iLastSubSteps) * PHYSICS_FIXED_STEP);
        const int state = body->getActivationState();
        if (state == ISLAND_SLEEPING || state == DISABLE_SIMULATION)
            continue;
        D3DXVECTOR3 position;
        EOrientation orientation;
        BodyTransformToObject(body->getWorldTransform(), &position, &orientation);
        g_Engine.SetObjectTransform(&o, &position, &orientation, 1, 0);
        ++active;
    }
    m_iNumPhysicsObjects = physics;
    m_iNumActivePhysicsObjects = active;
    g_Console.SetVariable("NumPhysicsObjects", static_cast<float>(physics), 0);
    g_Console.SetVariable("NumActivePhysicsObjects", static_cast<float>(active), 0);
}

// Bullet puts a body to sleep after one rest time for all bodies. A body
// with a rest time of its own keeps its count here: Bullet's count is set back
// after every step (so Bullet never decides alone), and read at the next step
// to learn whether the body rested the whole step or moved (or was woken)
// during it. Once the body has rested its own time Bullet is handed a count
// past its threshold and puts it to sleep; every later rest counts anew.
void CPhysicsMgr::KeepRestBeforeSleep(btRigidBody* body, EObjectPhysics* p, float stepTime)
{
    if (p->fRestBeforeSleep <= 0.0f || body->getActivationState() == DISABLE_DEACTIVATION ||
        body->getActivationState() == ISLAND_SLEEPING)
        return;
    constexpr float kSlack = 1e-5f;
    const float seen = body->getDeactivationTime();
    if (seen + kSlack >= p->fRestGiven + stepTime)
        p->fRest += stepTime;
    else
        p->fRest = std::min(std::max(seen, 0.0f), stepTime);
    p->fRestGiven = p->fRest >= p->fRestBeforeSleep ? gDeactivationTime + PHYSICS_FIXED_STEP : 0.0f;
    body->setDeactivationTime(p->fRestGiven);
}

void CPhysicsMgr::Shutdown()
{
    if (m_character)
    {
        if (m_dynamicsWorld)
            m_dynamicsWorld->removeAction(m_character);
        delete m_character;
        m_character = nullptr;
    }
    if (m_ghostObject)
    {
        if (m_dynamicsWorld)
            m_dynamicsWorld->removeCollisionObject(m_ghostObject);
        delete m_ghostObject;
        m_ghostObject = nullptr;
    }
    delete m_characterShape;
    m_characterShape = nullptr;
    m_bPlayerFrozen = 0;
    m_hStandObject = nullptr;

    for (int slot = 0; slot < MAX_OBJECTS; ++slot)
    {
        strObject& o = g_Engine.m_Objects[slot];
        if (o.pPhysicsBody || m_Objects[slot].pHeli)
            RemoveObjectBody(&o);
        EObjectPhysics& p = m_Objects[slot];
        // The wheel objects go with the world's objects; only the record goes here.
        FreeTruck(p);
        DeleteShapeAndState(p);
        FreeTriangleCopies(p);
        p = EObjectPhysics();
    }
    if (m_dynamicsWorld)
    {
        // Anything left that no object owns.
        btCollisionObjectArray& objects = m_dynamicsWorld->getCollisionObjectArray();
        for (int i = objects.size() - 1; i >= 0; --i)
        {
            btCollisionObject* obj = objects[i];
            m_dynamicsWorld->removeCollisionObject(obj);
            if (btRigidBody* body = btRigidBody::upcast(obj))
                delete body->getMotionState();
            delete obj;
        }
    }
    for (btCollisionShape* shape : m_ChassisShapes)
        delete shape;
    m_ChassisShapes.clear();
    const bool had = m_dynamicsWorld != nullptr;
    delete m_dynamicsWorld;
    m_dynamicsWorld = nullptr;
    if (m_constraintSolver)
        g_Console.Print("  m_constraintSolver clear");
    delete m_constraintSolver;
    m_constraintSolver = nullptr;
    if (m_overlappingPairCache)
        g_Console.Print("  m_overlappingPairCache clear");
    delete m_overlappingPairCache;
    m_overlappingPairCache = nullptr;
    delete m_ghostPairCallback;
    m_ghostPairCallback = nullptr;
    if (m_dispatcher)
        g_Console.Print("  m_dispatcher clear");
    delete m_dispatcher;
    m_dispatcher = nullptr;
    if (m_collisionConfiguration)
        g_Console.Print("  m_collisionConfiguration clear");
    delete m_collisionConfiguration;
    m_collisionConfiguration = nullptr;
    m_iNumPhysicsObjects = m_iNumActivePhysicsObjects = 0;
    if (had)
        g_Console.Print("Physics deleted OK.");
}

// ---- Bodies -------------------------------------------------------------------------------------

bool CPhysicsMgr::HalfExtents(HOBJECT object, D3DXVECTOR3* out, const char* what)
{
    EMesh* mesh = MeshOf(object);
    if (!mesh)
        return false;
    const D3DXVECTOR3 size = mesh->m_vMax - mesh->m_vMin;
    D3DXVECTOR3 half(std::fabs(0.5f * mesh->m_vScale.x * size.x), std::fabs(0.5f * mesh->m_vScale.y * size.y),
                     std::fabs(0.5f * mesh->m_vScale.z * size.z));
    if (!Finite(half) || !Finite(object->vPosition))
    {
        Report(object, (std::string(what) + ": size or place not finite, no body").c_str());
        return false;
    }
    *out = half;
    return true;
}

btMotionState* CPhysicsMgr::MakeMotionState(HOBJECT object)
{
    return new btDefaultMotionState(ObjectTransform(object));
}

void CPhysicsMgr::DeleteShapeAndState(EObjectPhysics& p)
{
    delete p.pMotionState;
    p.pMotionState = nullptr;
    delete p.pShape;
    p.pShape = nullptr;
}

void CPhysicsMgr::FreeTriangleCopies(EObjectPhysics& p)
{
    delete p.pIndexVertexArray;
    p.pIndexVertexArray = nullptr;
    p.vVertices.clear();
    p.vVertices.shrink_to_fit();
    p.vIndices.clear();
    p.vIndices.shrink_to_fit();
}

btRigidBody* CPhysicsMgr::AddRigidBody(HOBJECT object, float mass, const btVector3& inertia)
{
    EObjectPhysics& p = *GetObjectPhysics(object);
    btRigidBody::btRigidBodyConstructionInfo info(mass, p.pMotionState, p.pShape, inertia);
    btRigidBody* body = new btRigidBody(info);
    if (!body)
    {
        g_Console.Print("!mRigidBody");
        return nullptr;
    }
    body->setUserPointer(object);
    m_dynamicsWorld->addRigidBody(body);
    object->pPhysicsBody = body;
    return body;
}

void CPhysicsMgr::AddStaticBody(HOBJECT object, bool cylinder)
{
    EMesh* mesh = MeshOf(object);
    EObjectPhysics* p = GetObjectPhysics(object);
    if (!mesh || !p)
        return;
    if (!m_dynamicsWorld)
    {
        g_Console.Print("!m_dynamicsWorld - CRASH in 3... 2... 1...");
        return;
    }
    D3DXVECTOR3 half;
    if (!HalfExtents(object, &half, "static body"))
        return;
    // The old body leaves the world before its shape goes, so nothing uses a freed shape.
    RemoveObjectBody(object);
    const btVector3 extents(half.x, half.y, half.z);
    p->pMotionState = MakeMotionState(object);
    p->pShape = cylinder ? static_cast<btCollisionShape*>(new btCylinderShape(extents))
                         : static_cast<btCollisionShape*>(new btBoxShape(extents));
    btRigidBody* body = AddRigidBody(object, 0.0f, btVector3(0, 0, 0));
    if (!body)
    {
        DeleteShapeAndState(*p);
        return;
    }
    body->setFriction(kStaticBoxFriction);
    p->bKinematic = 1;
}

void CPhysicsMgr::AddBoxBody(HOBJECT object)
{
    AddStaticBody(object, false);
}

void CPhysicsMgr::AddCylinderBody(HOBJECT object)
{
    AddStaticBody(object, true);
}

void CPhysicsMgr::CreateTriangleMeshBody(HOBJECT object)
{
    // A truck keeps the chassis the truck code gave it.
    if (!GetObjectPhysics(object) || !MeshOf(object) || GetTruck(object))
        return;
    // The object's triangles as the collision geometry holds them, in mesh space.
    const CollisionRecord* record = g_CollisionMgr.GetRecord(object);
    if (!record)
    {
        g_CollisionMgr.AddObject(object);
        record = g_CollisionMgr.GetRecord(object);
    }
    if (!record || !record->CM_vVerticesLocal || !record->CM_dwFaces)
    {
        Report(object, "no collision triangles, no body");
        return;
    }
    static_assert(sizeof(D3DXVECTOR3) == 3 * sizeof(float), "vertices are three packed floats");
    CreateTriangleMeshBodyFrom(object, &record->CM_vVerticesLocal[0].x, static_cast<int>(record->iVertices),
                               record->CM_dwFaces, static_cast<int>(record->iFaces));
}

void CPhysicsMgr::CreateTriangleMeshBodyFrom(HOBJECT object, const float* vertices, int numVertices,
                                             const WORD* indices, int numTriangles)
{
    EMesh* mesh = MeshOf(object);
    EObjectPhysics* p = GetObjectPhysics(object);
    if (!mesh || !p)
        return;
    if (!m_dynamicsWorld)
    {
        g_Console.Print("!m_dynamicsWorld - CRASH in 3... 2... 1...");
        return;
    }
    if (!Finite(object->vPosition) || !Finite(mesh->m_vScale))
    {
        Report(object, "triangle mesh: place or scale not finite, no body");
        return;
    }
    RemoveObjectBody(object);

    // Copy the triangles that make a surface: indices in range, corners
    // finite, some area. The scale goes into the copies.
    const D3DXVECTOR3 s = mesh->m_vScale;
    std::vector<float>& v = p->vVertices;
    std::vector<int>& ix = p->vIndices;
    int skipped = 0;
    if (vertices && indices && numVertices > 0 && numTriangles > 0)
    {
        v.reserve(static_cast<size_t>(numVertices) * 4);
        for (int i = 0; i < numVertices; ++i)
            v.insert(v.end(),
                     {vertices[i * 3] * s.x, vertices[i * 3 + 1] * s.y, vertices[i * 3 + 2] * s.z, 0.0f});
        for (int t = 0; t < numTriangles; ++t)
        {
            const int a = indices[t * 3], b = indices[t * 3 + 1], c = indices[t * 3 + 2];
            if (a >= numVertices || b >= numVertices || c >= numVertices)
            {
                ++skipped;
                continue;
            }
            const btVector3 pa(v[a * 4], v[a * 4 + 1], v[a * 4 + 2]);
            const btVector3 pb(v[b * 4], v[b * 4 + 1], v[b * 4 + 2]);
            const btVector3 pc(v[c * 4], v[c * 4 + 1], v[c * 4 + 2]);
            const btScalar area2 = (pb - pa).cross(pc - pa).length2();
            if (!std::isfinite(area2) || area2 <= SIMD_EPSILON * SIMD_EPSILON)
            {
                ++skipped;
                continue;
            }
            ix.insert(ix.end(), {a, b, c});
        }
    }
    if (skipped)
        Report(object, (std::to_string(skipped) + " bad triangles left out").c_str());
    if (ix.empty())
    {
        Report(object, "triangle mesh without triangles, no body");
        FreeTriangleCopies(*p);
        return;
    }

    btIndexedMesh part;
    part.m_numTriangles = static_cast<int>(ix.size() / 3);
    part.m_triangleIndexBase = reinterpret_cast<const unsigned char*>(ix.data());
    part.m_triangleIndexStride = 3 * sizeof(int);
    part.m_numVertices = static_cast<int>(v.size() / 4);
    part.m_vertexBase = reinterpret_cast<const unsigned char*>(v.data());
    part.m_vertexStride = 4 * sizeof(float);
    p->pIndexVertexArray = new btTriangleIndexVertexArray;
    if (!p->pIndexVertexArray)
    {
        g_Console.Print("!indvertexArray");
        FreeTriangleCopies(*p);
        return;
    }
    p->pIndexVertexArray->addIndexedMesh(part, PHY_INTEGER);
    const D3DXVECTOR3& lo = m_BroadphaseBox.vMin;
    const D3DXVECTOR3& hi = m_BroadphaseBox.vMax;
    p->pShape = new btBvhTriangleMeshShape(p->pIndexVertexArray, true, btVector3(lo.x, lo.y, lo.z),
                                           btVector3(hi.x, hi.y, hi.z));
    p->pMotionState = MakeMotionState(object);
    btRigidBody* body = AddRigidBody(object, 0.0f, btVector3(0, 0, 0));
    if (!body)
    {
        DeleteShapeAndState(*p);
        FreeTriangleCopies(*p);
        return;
    }
    body->setFriction(kTriangleFriction);
    p->bKinematic = 1;
}

void CPhysicsMgr::CreateObjectBody(HOBJECT object, const EPhysicsDesc* desc)
{
    EObjectPhysics* p = GetObjectPhysics(object);
    if (!p)
        return;
    EPhysicsDesc fallback;
    if (!desc)
    {
        fallback.iShape = PHYSICS_SHAPE_BOX;
        desc = &fallback;
    }
    RemoveObjectBody(object);
    EMesh* mesh = MeshOf(object);
    if (!mesh || desc->iShape < PHYSICS_SHAPE_BOX || desc->iShape > PHYSICS_SHAPE_SPHERE)
        return;
    if (!m_dynamicsWorld)
    {
        g_Console.Print("!m_dynamicsWorld - CRASH in 3... 2... 1...");
        return;
    }
    D3DXVECTOR3 half;
    if (!HalfExtents(object, &half, "dynamic body"))
        return;
    float mass = desc->fMassOrSize;
    if (!std::isfinite(mass) || mass <= 0.0f)
    {
        Report(object, "mass not positive, 8 taken");
        mass = kDefaultMass;
    }

    float deactivation = kDeactivation, linear = 0.0f, angular = 0.0f;
    bool neverSleeps = false;
    float inertiaMass = mass;
    if (desc->iShape == PHYSICS_SHAPE_SPHERE)
    {
        float radius = D3DXVec3Length(&half);
        if (desc->bMinimumSize || desc->bSmallBody)
            radius = std::max(radius, kMinimumRadius);
        if (radius < kSmallestDynamicHalfExtent)
        {
            Report(object, "sphere of no size made larger");
            radius = kSmallestDynamicHalfExtent;
        }
        p->pShape = new btSphereShape(radius);
        if (desc->bSmallBody)
            inertiaMass = kSmallBodyInertiaFactor * mass;
        neverSleeps = true;
        linear = kSphereDamping;
        angular = desc->bSmallBody ? kSmallSphereAngular : kSphereDamping;
    }
    else
    {
        if (desc->iShape == PHYSICS_SHAPE_BOX && desc->bMinimumSize)
        {
            half.x = std::max(half.x, kMinimumHalfExtent);
            half.y = std::max(half.y, kMinimumHalfExtent);
            half.z = std::max(half.z, kMinimumHalfExtent);
        }
        if (half.x < kSmallestDynamicHalfExtent || half.y < kSmallestDynamicHalfExtent ||
            half.z < kSmallestDynamicHalfExtent)
        {
            Report(object, "body of no size in an axis made thicker");
            half.x = std::max(half.x, kSmallestDynamicHalfExtent);
            half.y = std::max(half.y, kSmallestDynamicHalfExtent);
            half.z = std::max(half.z, kSmallestDynamicHalfExtent);
        }
        const btVector3 extents(half.x, half.y, half.z);
        if (desc->iShape == PHYSICS_SHAPE_BOX)
        {
            p->pShape = new btBoxShape(extents);
            if (desc->bDampedBox)
            {
                deactivation = kDampedBoxDeactivation;
                linear = kDampedBoxLinear;
                angular = kDampedBoxAngular;
            }
        }
        else
        {
            p->pShape = new btCylinderShape(extents);
            angular = kCylinderAngular;
        }
    }
    btVector3 inertia(0, 0, 0);
    p->pShape->calculateLocalInertia(inertiaMass, inertia);
    p->pMotionState = MakeMotionState(object);
    btRigidBody* body = AddRigidBody(object, mass, inertia);
    if (!body)
    {
        DeleteShapeAndState(*p);
        return;
    }
    // The body's own rest time before it sleeps is kept by the step (see
    // KeepRestBeforeSleep), from its first rest and after every move.
    p->fRestBeforeSleep = neverSleeps ? 0.0f : deactivation;
    p->fRest = p->fRestGiven = 0.0f;
    body->setDeactivationTime(0.0f);
    body->setDamping(linear, angular);
    if (neverSleeps)
        body->setActivationState(DISABLE_DEACTIVATION);
    p->bKinematic = 0;
    p->bSwitchedKinematic = 0;
    g_Engine.SetObjectFlags(object, OF_DYNAMIC_BODY, OF_DYNAMIC_BODY | OF_STATIC_BODY);
    if (object->fHealth < kLowHealth && !desc->bMinimumSize && !desc->bSmallBody)
        p->bLowHealthBody = 1;
}

void CPhysicsMgr::RebuildObjectBody(HOBJECT object)
{
    if (!GetObjectPhysics(object))
        return;
    RemoveObjectBody(object);
    EMesh* mesh = MeshOf(object);
    if (!mesh || !(object->dwFlags & OF_STATIC_BODY) || mesh->PhysicsDesc().iShape != PHYSICS_SHAPE_NONE)
        return;
    const EObjectPhysics& p = *GetObjectPhysics(object);
    if (p.bCylinder)
        AddCylinderBody(object);
    else if (object->dwFlags & OF_TRIANGLE_BODY)
        CreateTriangleMeshBody(object); // the copies went with the old body and are taken again
    else
        AddBoxBody(object);
}

void CPhysicsMgr::RemoveObjectBody(HOBJECT object)
{
    EObjectPhysics* p = GetObjectPhysics(object);
    if (!p)
        return;
    // The flown helicopter's parts and joints go before the hull they hang on.
    if (p->pHeli)
        FreeHeliPhysics(*p);
    // The body leaves the world before anything it uses is freed.
    if (btRigidBody* body = BodyOf(object))
    {
        if (m_dynamicsWorld)
            m_dynamicsWorld->removeRigidBody(body);
        if (body->getMotionState() != p->pMotionState)
            delete body->getMotionState();
        delete body;
    }
    object->pPhysicsBody = nullptr;
    DeleteShapeAndState(*p);
    FreeTriangleCopies(*p);
    p->bSwitchedKinematic = 0;
    p->fRestBeforeSleep = p->fRest = p->fRestGiven = 0.0f;
    if (m_hStandObject == object)
        m_hStandObject = nullptr;
}

void CPhysicsMgr::OnObjectDeleted(HOBJECT object)
{
    if (GetTruck(object))
        DestroyTruck(object);
    RemoveObjectBody(object);
    if (EObjectPhysics* p = GetObjectPhysics(object))
        *p = EObjectPhysics();
}

void CPhysicsMgr::MoveObjectBody(HOBJECT object, const D3DXVECTOR3* position, const EOrientation* orientation)
{
    EObjectPhysics* p = GetObjectPhysics(object);
    btRigidBody* body = BodyOf(object);
    if (!p || !body || !position || !orientation || !Finite(*position))
        return;
    if (p->bKinematic && !p->bSwitchedKinematic && !g_SaveMgr.loadInProgress)
    {
        body->setCollisionFlags(body->getCollisionFlags() | btCollisionObject::CF_KINEMATIC_OBJECT);
        body->setActivationState(DISABLE_DEACTIVATION);
        p->bSwitchedKinematic = 1;
    }
    const D3DXQUATERNION& q = orientation->Quaternion;
    btQuaternion rotation(q.x, q.y, q.z, q.w);
    if (!std::isfinite(rotation.length2()) || rotation.length2() <= SIMD_EPSILON)
        rotation = btQuaternion::getIdentity();
    // A truck's chassis stands on the ground: its centre is half its height up.
    const float raise = p->pTruck ? p->pTruck->vHalf.y : 0.0f;
    const btTransform transform(rotation.normalized(),
                                btVector3(position->x, position->y + raise, position->z));
    if (p->bKinematic && body->getMotionState())
        body->getMotionState()->setWorldTransform(transform);
    body->setWorldTransform(transform);
}

void CPhysicsMgr::PushObject(HOBJECT object, const D3DXVECTOR3* impulse)
{
    btRigidBody* body = BodyOf(object);
    EObjectPhysics* p = GetObjectPhysics(object);
    if (!body || !p || body->isStaticObject() || p->bKinematic)
        return;
    const D3DXVECTOR3 push = impulse ? *impulse : D3DXVECTOR3(0.0f, kPushDefaultY, 0.0f);
    if (!Finite(push))
        return;
    const btVector3 offset(RandomFloat(kPushSpread), RandomFloat(kPushSpread), RandomFloat(kPushSpread));
    body->activate(true);
    body->applyImpulse(btVector3(push.x, push.y, push.z), offset);
}

void CPhysicsMgr::WorldToLocal(HOBJECT object, const D3DXVECTOR3* point, D3DXVECTOR3* out)
{
    EMesh* mesh = MeshOf(object);
    if (!mesh || !point || !out)
        return;
    D3DXMATRIX inverse;
    if (!D3DXMatrixInverse(&inverse, nullptr, &mesh->m_mWorld))
    {
        *out = *point;
        return;
    }
    D3DXVec3TransformCoord(out, point, &inverse);
}

void CPhysicsMgr::ApplyImpulseAtPoint(HOBJECT object, const D3DXVECTOR3* point, const D3DXVECTOR3* impulse)
{
    btRigidBody* body = BodyOf(object);
    EObjectPhysics* p = GetObjectPhysics(object);
    if (!body || !p || !point || !impulse || p->bKinematic || body->isStaticOrKinematicObject())
        return;
    if (!Finite(*point) || !Finite(*impulse))
        return;
    // Bullet takes the point as an offset from the body's centre in world
    // axes: so a turned or scaled body spins about the axis the hit gives it.
    const btVector3 offset = btVector3(point->x, point->y, point->z) - body->getCenterOfMassPosition();
    body->activate(true);
    body->applyImpulse(btVector3(impulse->x, impulse->y, impulse->z), offset);
}

bool CPhysicsMgr::IsPointInsideObject(HOBJECT object, const D3DXVECTOR3* point)
{
    EMesh* mesh = MeshOf(object);
    if (!mesh || !point)
        return false;
    D3DXVECTOR3 local;
    WorldToLocal(object, point, &local);
    return local.x >= mesh->m_vMin.x && local.x <= mesh->m_vMax.x && local.y >= mesh->m_vMin.y &&
           local.y <= mesh->m_vMax.y && local.z >= mesh->m_vMin.z && local.z <= mesh->m_vMax.z;
}

void CPhysicsMgr::BodyTransformToObject(const btTransform& transform, D3DXVECTOR3* position,
                                        EOrientation* orientation)
{
    if (position)
    {
        const btVector3& o = transform.getOrigin();
        *position = D3DXVECTOR3(o.x(), o.y(), o.z());
    }
    if (orientation)
    {
        const btQuaternion r = transform.getRotation();
        const D3DXQUATERNION q(r.x(), r.y(), r.z(), r.w());
        orientation->SetQuaternion(&q);
    }
}

bool CPhysicsMgr::IsInsidePlayableBox(HOBJECT object)
{
    EMesh* mesh = MeshOf(object);
    if (!mesh)
        return false;
    const D3DXVECTOR3& lo = m_PlayableBox.vMin;
    const D3DXVECTOR3& hi = m_PlayableBox.vMax;
    for (int c = 0; c < 8; ++c)
    {
        const D3DXVECTOR3 corner((c & 1) ? mesh->m_vMax.x : mesh->m_vMin.x,
                                 (c & 2) ? mesh->m_vMax.y : mesh->m_vMin.y,
                                 (c & 4) ? mesh->m_vMax.z : mesh->m_vMin.z);
        D3DXVECTOR3 w;
        D3DXVec3TransformCoord(&w, &corner, &mesh->m_mWorld);
        if (!Finite(w) || w.x < lo.x || w.y < lo.y || w.z < lo.z || w.x > hi.x || w.y > hi.y || w.z > hi.z)
            return false;
    }
    return true;
}

EBodyChoice CPhysicsMgr::GiveLoadedObjectBody(HOBJECT object)
{
    EMesh* mesh = MeshOf(object);
    EObjectPhysics* p = GetObjectPhysics(object);
    if (!mesh || !p)
        return EBodyChoice::None;
    if ((object->dwFlags & OF_STATIC_BODY) && !IsInsidePlayableBox(object))
    {
        Report(object, "outside the playable box, no static body");
        g_Engine.SetObjectFlags(object, 0, OF_STATIC_BODY);
    }
    if (p->pTruck || AddTruck(object))
        return object->pPhysicsBody ? EBodyChoice::Truck : EBodyChoice::None;
    const EPhysicsDesc& desc = mesh->PhysicsDesc();
    EBodyChoice choice = EBodyChoice::None;
    if ((object->dwFlags & OF_STATIC_BODY) && desc.iShape == PHYSICS_SHAPE_NONE)
    {
        if (p->bCylinder)
        {
            AddCylinderBody(object);
            choice = EBodyChoice::Cylinder;
        }
        else if (object->dwFlags & OF_TRIANGLE_BODY)
        {
            CreateTriangleMeshBody(object);
            choice = EBodyChoice::TriangleMesh;
        }
        else
        {
            AddBoxBody(object);
            choice = EBodyChoice::Box;
        }
    }
    if (desc.iShape != PHYSICS_SHAPE_NONE && !object->pPhysicsBody)
    {
        const EPhysicsDesc copy = desc;
        CreateObjectBody(object, &copy);
        choice = EBodyChoice::Dynamic;
    }
    return object->pPhysicsBody ? choice : EBodyChoice::None;
}

// ---- The player's character controller ----------------------------------------------------------

void CPhysicsMgr::CreatePlayerController(const D3DXVECTOR3* position)
{
    if (!m_dynamicsWorld || m_character || !position || !Finite(*position))
        return;
    btTransform start;
    start.setIdentity();
    start.setOrigin(btVector3(position->x, position->y, position->z));
    m_ghostObject = new btPairCachingGhostObject;
    m_ghostObject->setWorldTransform(start);
    m_characterShape = new btCapsuleShape(kCapsuleRadius, kCapsuleHeight);
    m_ghostObject->setCollisionShape(m_characterShape);
    m_ghostObject->setCollisionFlags(btCollisionObject::CF_CHARACTER_OBJECT);
    const btVector3 up(0.0f, 1.0f, 0.0f);
    m_character = new btKinematicCharacterController(m_ghostObject, m_characterShape, kStepHeight, up);
    // This version's controller starts from a z-up frame and turns the ghost
    // to the up axis it is given, which lays a y-up capsule on its side; the
    // capsule stands again with the identity rotation, which the controller
    // keeps from then on (its own warp uses it too).
    m_ghostObject->setWorldTransform(start);
    m_dynamicsWorld->addCollisionObject(m_ghostObject, kCharacterGroup, kCharacterMask);
    m_dynamicsWorld->addAction(m_character);
    m_character->setGravity(btVector3(0.0f, -kCharacterGravity, 0.0f));
    m_bPlayerFrozen = 0;
}

void CPhysicsMgr::SetWalkDirection(const D3DXVECTOR3* walk)
{
    if (!m_character || !walk || !Finite(*walk))
        return;
    m_character->setWalkDirection(btVector3(walk->x, walk->y, walk->z));
}

void CPhysicsMgr::PlayerJump()
{
    if (!m_character)
        return;
    m_character->setJumpSpeed(kJumpSpeed);
    if (m_character->canJump())
        m_character->jump();
}

bool CPhysicsMgr::PlayerCanJump()
{
    if (!m_character)
        return false;
    // A platform that game code moves gives no footing to jump from.
    if (EObjectPhysics* p = GetObjectPhysics(m_hStandObject))
        if (p->bKinematic && p->bSwitchedKinematic)
            return false;
    return m_character->canJump();
}

bool CPhysicsMgr::PlayerOnGround()
{
    return m_character && m_character->onGround();
}

void CPhysicsMgr::GetPlayerPosition(D3DXVECTOR3* out)
{
    if (!out || !m_ghostObject)
        return;
    const btVector3& o = m_ghostObject->getWorldTransform().getOrigin();
    *out = D3DXVECTOR3(o.x(), o.y(), o.z());
}

void CPhysicsMgr::WarpPlayer(const D3DXVECTOR3* position)
{
    if (!position || !m_character || !m_ghostObject || m_bPlayerFrozen || !Finite(*position))
        return;
    btTransform to;
    to.setIdentity();
    to.setOrigin(btVector3(position->x, position->y, position->z));
    m_ghostObject->setWorldTransform(to);
    if (m_dynamicsWorld && m_ghostObject->getBroadphaseHandle())
        m_overlappingPairCache->getOverlappingPairCache()->cleanProxyFromPairs(
            m_ghostObject->getBroadphaseHandle(), m_dynamicsWorld->getDispatcher());
}

void CPhysicsMgr::FreezePlayer()
{
    if (m_character)
        m_bPlayerFrozen = 1;
}

void CPhysicsMgr::UnfreezePlayerAt(const D3DXVECTOR3* position)
{
    if (!m_character)
        return;
    m_bPlayerFrozen = 0;
    WarpPlayer(position);
}
