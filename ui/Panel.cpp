// STAND-IN: see Panel.h.
#include "ui/Panel.h"

Panel g_Panel;
