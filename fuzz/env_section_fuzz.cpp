// The sky light's section of a save game ("Env"), read from any bytes: a
// section cut short changes nothing, and whatever numbers it holds only reach
// the record, the camera's fog and the console values.
#include "render/SkyLight.h"

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
    Env.LoadState(file);
    std::fclose(file);
    return 0;
}
