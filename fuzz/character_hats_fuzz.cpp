// The hats file "scripts\character_hats.txt" as each level start reads it:
// at most eight records of eight hats, every name ended inside its field.
// Runs in a scratch folder of its own (see tools/fuzz.sh).

#include "FuzzInput.h"

#include "characters/PostacMgr.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = (fuzzinput::StartLogging(), true);
    (void)ready;
    fuzzinput::WriteInput("scripts/character_hats.txt", data, size);
    PMgr.LoadHats();
    if (PMgr.m_iCzapki > static_cast<DWORD>(MAX_CZAPEK))
        __builtin_trap();
    for (DWORD i = 0; i < PMgr.m_iCzapki; ++i)
    {
        const strCzapki& c = PMgr.m_Czapki[i];
        if (c.hat_count > static_cast<DWORD>(MAX_CZAPEK) || !std::memchr(c.model, 0, sizeof c.model) ||
            !std::memchr(c.socket, 0, sizeof c.socket))
            __builtin_trap();
        for (DWORD h = 0; h < c.hat_count; ++h)
            if (!std::memchr(c.hats[h], 0, sizeof c.hats[h]))
                __builtin_trap();
    }
    PMgr.ClearHats();
    fuzzinput::RemoveLogs();
    return 0;
}
