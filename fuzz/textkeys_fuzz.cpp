// The text-key reader ("scripts\text_keys.txt") and the expansion of keys in
// a line, on any bytes.
#include "FuzzInput.h"

#include "shell/TextMgr.h"

#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzinput::StartLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzinput::WriteInput("scripts/text_keys.txt", data, size);
    ETextMgr table; // reads "scripts\text_keys.txt" as it is made
    char line[ETextMgr::EXPAND_BUFFER] = ">GameName and >Lt01 >";
    table.ExpandLabels(line, sizeof line);
    if (std::strlen(line) >= sizeof line)
        __builtin_trap();
    fuzzinput::RemoveLogs();
    return 0;
}
