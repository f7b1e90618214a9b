// The game object's section of a save game, read from any bytes: it ends at
// the end of the data, and only numbers reach the camera.
#include "game/MainGame.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file)
        return 0;
    g_MainGame.Load(file);
    std::fclose(file);
    return 0;
}
