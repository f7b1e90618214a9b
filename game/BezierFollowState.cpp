#include "game/BezierFollowState.h"

#include <cstring>

void BezierFollowState::Init()
{
    std::memset(this, 0, sizeof *this);
    bOption1 = 1;
    bStopAtBlockers = 1;
    bFlag2 = 1;
}
