// The video options file ("save\video.cfg"), on any bytes: the quality levels
// read always name an entry of their lists.
#include "FuzzInput.h"

#include "shell/D3DMain.h"
#include "shell/GameOptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzinput::StartLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr DWORD kQualityEntries = 3;
    fuzzinput::WriteInput("save/video.cfg", data, size);
    g_D3DMain.LoadVideoConfig();
    for (DWORD level :
         {g_Options.VideoLevel1, g_Options.VideoLevel2, g_Options.VideoLevel3, g_Options.VideoLevel4})
        if (level >= kQualityEntries)
            __builtin_trap();
    fuzzinput::RemoveLogs();
    return 0;
}
