// The key bindings and options file ("save\keys.cfg"), on any bytes. Whatever
// it holds, every binding indexes the key table and the floats are numbers.
#include "FuzzInput.h"

#include "shell/CommandMgr.h"
#include "shell/GameOptions.h"

#include <cmath>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzinput::StartLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzinput::WriteInput("save/keys.cfg", data, size);
    g_CommandMgr.LoadKeys();
    for (const auto& command : g_CommandMgr.m_dwBindings)
        for (DWORD code : command)
            if (code >= static_cast<DWORD>(CCommandMgr::KEY_CODES))
                __builtin_trap();
    for (float value : {g_Options.MouseSensitivity, g_Options.MusicVolume, g_Options.MasterVolume,
                        g_Options.Brightness, g_Options.MenuValueA})
        if (!std::isfinite(value))
            __builtin_trap();
    fuzzinput::RemoveLogs();
    return 0;
}
