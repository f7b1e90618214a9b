#include "shell/GameOptions.h"

GameOptions g_Options;
