// STAND-IN: see PlayerWeapons.h.
#include "player/PlayerWeapons.h"

CPlayerWeapons Bronie;
