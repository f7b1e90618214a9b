// The characters' eyes file ("scripts\character_eyes.txt") on any bytes:
// the table never holds more models than it has room for, and every value
// ends inside its field.
#include "FuzzInput.h"

#include "world/Engine.h"
#include "world/EngineObject.h"

#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzinput::StartLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzinput::WriteInput("scripts/character_eyes.txt", data, size);
    g_Engine.LoadCharacterEyes();
    const EEngineObject& logic = g_EngineObject;
    if (logic.m_iNumEyes < 0 || logic.m_iNumEyes > EEngineObject::MAX_EYE_MODELS)
        __builtin_trap();
    for (const strCharacterEyes& e : logic.m_Eyes)
        if (std::strlen(e.szModel) >= sizeof e.szModel || std::strlen(e.szLeft2) >= sizeof e.szLeft2 ||
            std::strlen(e.szRight2) >= sizeof e.szRight2)
            __builtin_trap();
    fuzzinput::RemoveLogs();
    return 0;
}
