// STAND-IN: see Menu.h.
#include "ui/Menu.h"

CMenu g_Menu;
