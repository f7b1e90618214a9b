#include "physics/PhysicsDesc.h"

#include <cstring>

void EPhysicsDesc::Reset()
{
    std::memset(this, 0, sizeof *this);
    fMassOrSize = 8.0f;
}
