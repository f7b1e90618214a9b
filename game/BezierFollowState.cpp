#include "game/BezierFollowState.h"

#include <cstring>

void BezierFollowState::Init()
{
    std::memset(this, 0, sizeof *this);
}
