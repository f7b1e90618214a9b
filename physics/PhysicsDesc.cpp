#include "physics/PhysicsDesc.h"

#include <cstring>

namespace
{
constexpr float kDefaultMass = 8.0f;
constexpr float kDefaultFriction = 1.0f;
constexpr float kDefaultJointValue = 1.0f;
} // namespace

void EPhysicsDesc::Reset()
{
    std::memset(this, 0, sizeof *this);
    fMassOrSize = kDefaultMass;
    bRigidBody = 1;
    bBulletHits = 1;
    bExplosions = 1;
    fFriction = kDefaultFriction;
    fJointValue = kDefaultJointValue;
}
