#pragma once
// CPhysicsMgr: the physics world on Bullet and the bodies of scene objects.
// Scene objects stay the authority for what is drawn: each step copies the
// transform of every awake dynamic body back to its object, and objects that
// game code moves carry their bodies along as kinematic bodies. The manager
// also owns the player's capsule character controller.
//
// The per-object physics state (shapes, motion states, triangle copies, the
// kinematic bytes) lives in a table here, one entry per object slot, so the
// scene-object record only carries the body pointer.

#include "mesh/MeshSocketsMgr.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

#include <vector>

struct EPhysicsDesc;
struct EOrientation;

class btAxisSweep3;
class btCollisionDispatcher;
class btSequentialImpulseConstraintSolver;
class btDefaultCollisionConfiguration;
class btDiscreteDynamicsWorld;
class btKinematicCharacterController;
class btPairCachingGhostObject;
class btGhostPairCallback;
class btCollisionShape;
class btCapsuleShape;
class btMotionState;
class btRigidBody;
class btTriangleIndexVertexArray;
class btTypedConstraint;
class btTransform;
class btVector3;

// Flag word 1 bits the body choice reads and writes.
constexpr DWORD OF_STATIC_BODY = 0x4;        // asks for a static body
constexpr DWORD OF_TRIANGLE_BODY = 0x8;      // that static body is a triangle mesh
constexpr DWORD OF_DYNAMIC_BODY = 0x1000000; // the object has a dynamic body

constexpr int PHYSICS_MAX_SUBSTEPS = 2;
constexpr float PHYSICS_FIXED_STEP = 1.0f / 60.0f;
constexpr int PHYSICS_BROADPHASE_HANDLES = 16384;

// A world box: minimum and maximum corner.
struct EPhysicsBox
{
    D3DXVECTOR3 vMin;
    D3DXVECTOR3 vMax;
};

// ---- Trucks ------------------------------------------------------------------------------------
constexpr int MAX_VEHICLES = 64;
constexpr int MAX_VEHICLE_WHEELS = 16;
constexpr int VEHICLE_NAME_SIZE = 256;
constexpr int VEHICLE_SOCKET_SIZE = 64;

// One vehicle definition of "scripts\vehicles\*.txt".
struct EVehicleDef
{
    char szName[VEHICLE_NAME_SIZE];
    char szPrefab[VEHICLE_NAME_SIZE];
    char szWheelFile[MAX_VEHICLE_WHEELS][VEHICLE_NAME_SIZE];
    char szWheelSocket[MAX_VEHICLE_WHEELS][VEHICLE_SOCKET_SIZE];
    BYTE bFrontWheel[MAX_VEHICLE_WHEELS];
    DWORD iNumWheels;
};

// The truck of one object: its wheels and the ground-following state.
struct ETruck
{
    D3DXVECTOR3 vUnused[MAX_VEHICLE_WHEELS];
    D3DXVECTOR3 vWheelPosition[MAX_VEHICLE_WHEELS]; // the sockets at the last wheel update
    D3DXVECTOR3 vPrevPosition;
    char szName[VEHICLE_NAME_SIZE];
    HOBJECT hWheel[MAX_VEHICLE_WHEELS];
    char szSocket[MAX_VEHICLE_WHEELS][VEHICLE_SOCKET_SIZE];
    BYTE bFrontWheel[MAX_VEHICLE_WHEELS];
    float fWheelRadius[MAX_VEHICLE_WHEELS];
    float fWheelAngle[MAX_VEHICLE_WHEELS];
    float fSpare1[MAX_VEHICLE_WHEELS];
    float fSpare2[MAX_VEHICLE_WHEELS];
    DWORD iNumWheels;
    HOBJECT hOwner;
    float fWheelValue;
    D3DXVECTOR3 vHalf; // the chassis: half width, half height, half length
    DWORD WheelPesel[MAX_VEHICLE_WHEELS][3];
    MeshSocketRef SocketRef[MAX_VEHICLE_WHEELS]; // where each wheel's socket was last found
};

// The flown helicopter's six part bodies, each jointed to the hull (the
// object's own body): the first four lift, the last two turn it.
constexpr int HELI_PHYSICS_BODIES = 6;
struct EHeliPhysics
{
    btCollisionShape* pShape[HELI_PHYSICS_BODIES];
    btRigidBody* pBody[HELI_PHYSICS_BODIES];
    btMotionState* pMotionState[HELI_PHYSICS_BODIES];
    btTypedConstraint* pConstraint[HELI_PHYSICS_BODIES];
};

// What the manager keeps of one object slot.
struct EObjectPhysics
{
    BYTE bKinematic = 0;           // the object drives its body; impulses are not applied
    BYTE bSkipPhysics = 0;         // the step leaves the object alone
    BYTE bSwitchedKinematic = 0;   // the body has been switched to kinematic (once)
    BYTE bCylinder = 0;            // a static body of this object is a cylinder
    BYTE bLowHealthBody = 0;       // a weak dynamic body (health below 2)
    float fRestBeforeSleep = 0.0f; // seconds of rest before a dynamic body sleeps (0: Bullet's own)
    float fRest = 0.0f;            // seconds it has rested since it last moved
    float fRestGiven = 0.0f;       // the count Bullet was handed after the last step
    btCollisionShape* pShape = nullptr;
    btMotionState* pMotionState = nullptr;
    // The triangle copies of a triangle-mesh body: 4-float vertices, 3 indices a triangle.
    std::vector<float> vVertices;
    std::vector<int> vIndices;
    btTriangleIndexVertexArray* pIndexVertexArray = nullptr;
    ETruck* pTruck = nullptr;      // the object is a truck
    EHeliPhysics* pHeli = nullptr; // the object is the flown helicopter
};

// Which body the engine gives a loaded object (see GiveLoadedObjectBody).
enum class EBodyChoice
{
    None,
    Box,
    Cylinder,
    TriangleMesh,
    Dynamic,
    Truck,
};

class CPhysicsMgr
{
public:
    CPhysicsMgr();
    ~CPhysicsMgr();
    CPhysicsMgr(const CPhysicsMgr&) = delete;
    CPhysicsMgr& operator=(const CPhysicsMgr&) = delete;

    // ---- The world --------------------------------------------------------------------
    void Init();
    // One step by the engine's frame time.
    void Step();
    // One step by the given time: at most PHYSICS_MAX_SUBSTEPS sub-steps of
    // PHYSICS_FIXED_STEP; the rest of a long frame is dropped, not carried.
    void Step(float frameTime);
    void Shutdown();
    bool HasWorld() const { return m_dynamicsWorld != nullptr; }
    // The object's body can move (a dynamic or kinematic one, not a static one).
    static bool HasMovingBody(HOBJECT object);

    // ---- Bodies ---------------------------------------------------------------------------
    void AddBoxBody(HOBJECT object);
    void AddCylinderBody(HOBJECT object);
    void CreateTriangleMeshBody(HOBJECT object);
    // A static triangle-mesh body from the given triangles in object space
    // (3 floats a vertex, 3 indices a triangle), scaled by the object's scale.
    // Triangles with a bad index, a non-finite corner or no area are left out.
    void CreateTriangleMeshBodyFrom(HOBJECT object, const float* vertices, int numVertices,
                                    const WORD* indices, int numTriangles);
    void CreateObjectBody(HOBJECT object, const EPhysicsDesc* desc);
    void RebuildObjectBody(HOBJECT object);
    void RemoveObjectBody(HOBJECT object);
    void OnObjectDeleted(HOBJECT object);
    void MoveObjectBody(HOBJECT object, const D3DXVECTOR3* position, const EOrientation* orientation);
    void PushObject(HOBJECT object, const D3DXVECTOR3* impulse);
    void ApplyImpulseAtPoint(HOBJECT object, const D3DXVECTOR3* point, const D3DXVECTOR3* impulse);
    bool IsPointInsideObject(HOBJECT object, const D3DXVECTOR3* point);
    void WorldToLocal(HOBJECT object, const D3DXVECTOR3* point, D3DXVECTOR3* out);
    static void BodyTransformToObject(const btTransform& transform, D3DXVECTOR3* position,
                                      EOrientation* orientation);

    // ---- Trucks (PhysicsTrucks.cpp) ---------------------------------------------------
    void LoadVehicles();
    void ParseVehicle(const char* file);
    const EVehicleDef* FindVehicleByPrefab(const char* file) const;
    // The object becomes a truck when it is a mesh object of a vehicle prefab.
    bool AddTruck(HOBJECT object);
    void BuildTruck(const EVehicleDef* def, HOBJECT object);
    void DestroyTruck(HOBJECT object);
    ETruck* GetTruck(HOBJECT object);
    void UpdateTruckWheels(HOBJECT object);
    // The truck object is being moved: the position drops onto the ground and
    // the orientation turns toward the ground's slope.
    void DriveTruck(HOBJECT object, D3DXVECTOR3* position, EOrientation* orientation);
    // The ground under a point (the truck and its wheels are not ground);
    // false with the point itself when nothing is within reach.
    bool GroundBelow(HOBJECT truck, const D3DXVECTOR3& point, D3DXVECTOR3* out);
    void PlaceTruckBodyAtObject(HOBJECT object);
    void PlaceTruckBodyBelowObject(HOBJECT object);
    int GetVehicleCount() const { return m_iNumVehicles; }
    const EVehicleDef& GetVehicle(int i) const { return m_Vehicles[i]; }

    // ---- The flown helicopter's bodies (PhysicsHeli.cpp) ---------------------------
    void AddHelicopter(HOBJECT object);
    EHeliPhysics* GetHeliPhysics(HOBJECT object);

    // The engine's choice of body for an object it loads or respawns: an
    // object asking for a static body that does not lie inside the playable
    // box loses the ask; then a static cylinder, triangle mesh or box when the
    // description has no type, else a dynamic body from the description.
    EBodyChoice GiveLoadedObjectBody(HOBJECT object);
    bool IsInsidePlayableBox(HOBJECT object);

    // The object the engine's pass marked this frame: near the camera, of the
    // marked kind and about to die; with its position. Cleared each frame.
    void ClearNearMarkedObject() { m_hNearMarked = nullptr; }
    void MarkNearObject(HOBJECT object, const D3DXVECTOR3& position)
    {
        m_hNearMarked = object;
        m_vNearMarked = position;
    }
    HOBJECT m_hNearMarked = nullptr;
    D3DXVECTOR3 m_vNearMarked = {0.0f, 0.0f, 0.0f};

    // The manager's state of an object slot; null for a null object.
    EObjectPhysics* GetObjectPhysics(HOBJECT object);
    // The activation state of the object's body, or -1 without body.
    int GetBodyActivation(HOBJECT object);
    // Sub-steps the last Step ran.
    int GetLastSubSteps() const { return m_iLastSubSteps; }

    // ---- The player's character controller --------------------------------------------
    void CreatePlayerController(const D3DXVECTOR3* position);
    void SetWalkDirection(const D3DXVECTOR3* walk);
    void PlayerJump();
    bool PlayerCanJump();
    bool PlayerOnGround();
    void GetPlayerPosition(D3DXVECTOR3* out);
    void WarpPlayer(const D3DXVECTOR3* position);
    void FreezePlayer();
    void UnfreezePlayerAt(const D3DXVECTOR3* position);

    // The world boxes.
    EPhysicsBox m_BroadphaseBox;
    EPhysicsBox m_PlayableBox;

    // The object the hero stands on (the player code's ground probe keeps it).
    HOBJECT m_hStandObject = nullptr;
    int m_iNumPhysicsObjects = 0;
    int m_iNumActivePhysicsObjects = 0;

    // Bullet's world and its parts, each owned here.
    btAxisSweep3* m_overlappingPairCache = nullptr;
    btCollisionDispatcher* m_dispatcher = nullptr;
    btSequentialImpulseConstraintSolver* m_constraintSolver = nullptr;
    btDefaultCollisionConfiguration* m_collisionConfiguration = nullptr;
    btDiscreteDynamicsWorld* m_dynamicsWorld = nullptr;
    btGhostPairCallback* m_ghostPairCallback = nullptr;

    btKinematicCharacterController* m_character = nullptr;
    btPairCachingGhostObject* m_ghostObject = nullptr;
    btCapsuleShape* m_characterShape = nullptr;
    BYTE m_bPlayerFrozen = 0;

private:
    void AddStaticBody(HOBJECT object, bool cylinder);
    // Adds a rigid body on the object's shape and motion state; false when it cannot be made.
    btRigidBody* AddRigidBody(HOBJECT object, float mass, const btVector3& inertia);
    static void KeepRestBeforeSleep(btRigidBody* body, EObjectPhysics* p, float stepTime);
    // Half the scaled local bounding box; false (with a line) for a size that is not finite.
    bool HalfExtents(HOBJECT object, D3DXVECTOR3* out, const char* what);
    btMotionState* MakeMotionState(HOBJECT object);
    void DeleteShapeAndState(EObjectPhysics& p);
    void FreeTriangleCopies(EObjectPhysics& p);
    int SlotOf(HOBJECT object) const;

    void FreeTruck(EObjectPhysics& p);
    void FreeHeliPhysics(EObjectPhysics& p);

    std::vector<EObjectPhysics> m_Objects;
    int m_iLastSubSteps = 0;
    std::vector<EVehicleDef> m_Vehicles;
    int m_iNumVehicles = 0;
    // The trucks' chassis shapes, owned here until Shutdown.
    std::vector<btCollisionShape*> m_ChassisShapes;
};

extern CPhysicsMgr g_PhysicsMgr;
