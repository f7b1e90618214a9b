// The settings reader ("tk.cfg"): every line runs through the chain of
// settings, on any bytes. Each input starts from the default options and no
// console variables.
#include "FuzzInput.h"

#include "shell/GameOptions.h"
#include "world/Engine.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzinput::StartLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzinput::WriteInput("tk.cfg", data, size);
    g_Console.LoadConfig("tk.cfg");
    g_Console.FreeVariables();
    g_Options = GameOptions();
    g_Engine.m_bWorldChange = 0;
    g_Engine.m_szNextWorld[0] = 0;
    fuzzinput::RemoveLogs();
    return 0;
}
