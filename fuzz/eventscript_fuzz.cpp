// The event script (TK_SCRIPT), on any bytes: read, then its first frames
// played on the headless window layer.
#include "FuzzInput.h"

#include "platform/Backend.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Headless.h"

namespace
{
constexpr uint32_t kFramesPlayed = 16;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzinput::StartLogging();
    TkSetBackend(TkBackend::Headless);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzinput::WriteInput("script.txt", data, size);
    TkHeadlessReset();
    TkLoadScriptFile("script.txt");
    for (uint32_t frame = 1; frame <= kFramesPlayed; ++frame)
        TkPlayScriptFrame(frame);
    TkClearScript();
    TkHeadlessReset();
    fuzzinput::RemoveLogs();
    return 0;
}
