// STAND-IN: see CommandMgr.h.
#include "shell/CommandMgr.h"

CCommandMgr g_CommandMgr;
