// The post-process object's section of a save game ("PostProcess"), read from
// any bytes: a section cut short or listing more objects than the list holds
// is refused and changes nothing; nothing is written past the list.
#include "render/PostProcess.h"

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
    PostProcess.LoadState(file);
    std::fclose(file);
    return 0;
}
