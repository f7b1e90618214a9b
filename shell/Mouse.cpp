// STAND-IN: see Mouse.h.
#include "shell/Mouse.h"

EMouse g_Mouse;
