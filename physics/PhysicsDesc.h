#pragma once
// EPhysicsDesc: the rigid-body description a mesh keeps (world keys that begin
// with "rigid_body_physics_"). The physics manager builds the body from it.

#include "platform/win32/WinTypes.h"

constexpr int PHYSICS_NAME_SIZE = 32;
constexpr int PHYSICS_SOUND_SIZE = 256;
constexpr int PHYSICS_NO_COLLISION_NAMES = 25;
constexpr int PHYSICS_PREFAB_SIZE = 128;
constexpr int PHYSICS_RESERVED_SIZE = 768; // kept and saved; cleared by Reset only

// Body kinds of iShape.
constexpr int PHYSICS_SHAPE_NONE = 0;
constexpr int PHYSICS_SHAPE_BOX = 1;
constexpr int PHYSICS_SHAPE_CYLINDER = 2;
constexpr int PHYSICS_SHAPE_SPHERE = 3;

struct EPhysicsDesc
{
    EPhysicsDesc() { Reset(); }
    void Reset();

    int iShape; // 0 none, 1 box, 2 cylinder, 3 sphere
    float fMassOrSize;
    BYTE bRigidBody;
    BYTE bBulletHits;
    BYTE bExplosions;
    BYTE bNotImportant;
    // Set by game code only, never by a world key: a small sphere (radius at
    // least 0.16, inertia of twice the mass, more damping), a damped box
    // (sleeps later, damped), and a floor on the size (half extents 0.09,
    // radius 0.16).
    BYTE bSmallBody;
    BYTE bDampedBox;
    BYTE bMinimumSize;
    float fFriction;
    BYTE bJoint;
    char szJointSocket[PHYSICS_NAME_SIZE];
    char szJointPartner[PHYSICS_NAME_SIZE];
    char szPartnerSocket[PHYSICS_NAME_SIZE];
    float fJointValue;
    char szGiveActionTo[PHYSICS_NAME_SIZE];
    char szHitSound[PHYSICS_SOUND_SIZE];
    BYTE bHitSound;
    float fHitSoundValue;
    float fHitSoundPause;
    char szCollisionSound[PHYSICS_SOUND_SIZE];
    BYTE aReserved[PHYSICS_RESERVED_SIZE];
    float fCollisionSoundValue;
    BYTE bNoCollisions;
    BYTE bNoCollisionsWithBodies;
    char szNoCollision[PHYSICS_NO_COLLISION_NAMES][PHYSICS_NAME_SIZE];
    char szPrefab[PHYSICS_PREFAB_SIZE];
};
