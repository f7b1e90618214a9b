// STAND-IN: see LoadingScreen.h.
#include "ui/LoadingScreen.h"

CLoadingScreen g_LoadingScreen;
