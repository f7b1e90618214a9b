#include "shell/GameOptions.h"

// Constant-initialised: code that runs during static initialisation (the
// text-key table) may read it.
constinit GameOptions g_Options;
