// "scripts\multiple_objects.txt" read from any bytes: patterns stay within
// their field, the table within its capacity, and a lookup finds only what
// was read.
#include "fuzz/FuzzInput.h"

#include "world/ObjectMgr.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool logging = (fuzzinput::StartLogging(), true);
    (void)logging;
    fuzzinput::WriteInput("scripts/multiple_objects.txt", data, size);
    g_ObjectMgr.LoadWildcards();
    g_ObjectMgr.FindWildcard("prefabs\\House_big.x");
    fuzzinput::RemoveLogs();
    return 0;
}
