// The character description scripts "scripts\postacie.txt" as the game reads
// them once at start, then the walks the phase machine makes over them: every
// description and phase found by its name, the lists within their counts,
// every text field ended inside its field.
// Runs in a scratch folder of its own (see tools/fuzz.sh).

#include "FuzzInput.h"

#include "characters/PostacMgr.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace
{
template <size_t N> void CheckEnded(const char (&field)[N])
{
    if (std::memchr(field, 0, N) == nullptr)
        __builtin_trap();
}

void CheckList(const strFazaList& list)
{
    if (list.count > FAZA_LIST_SIZE)
        __builtin_trap();
    for (DWORD i = 0; i < list.count; ++i)
        CheckEnded(list.names[i]);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = (fuzzinput::StartLogging(), true);
    (void)ready;
    fuzzinput::WriteInput("scripts/postacie.txt", data, size);
    PMgr.LoadDescriptions();
    if (!PMgr.FindDescription(CPostacMgr::FAKE_HERO_DESCRIPTION) &&
        !PMgr.m_Descriptions[MAX_POSTAC_DESCRIPTIONS - 1].used)
        __builtin_trap();
    for (int i = 0; i < MAX_POSTAC_DESCRIPTIONS; ++i)
    {
        const strPostacDsc& d = PMgr.m_Descriptions[i];
        if (!d.used)
            continue;
        CheckEnded(d.name);
        CheckEnded(d.weapon);
        if (d.model_count > DSC_MAX_MODELS || d.anim_speed_count > DSC_MAX_ANIM_SPEEDS ||
            d.random_attachment_count > DSC_MAX_ATTACHMENTS ||
            d.global_health_detect_count > DSC_MAX_HEALTH_PHASES)
            __builtin_trap();
        for (DWORD m = 0; m < d.model_count; ++m)
            CheckEnded(d.models[m]);
        DWORD phases = 0;
        for (const strFaza* f = d.newest; f; f = f->previous)
        {
            ++phases;
            CheckEnded(f->name);
            if (CPostacMgr::FindFaza(&d, f->name) == nullptr)
                __builtin_trap();
            if (f->animacja_count > FAZA_MAX_ANIMATIONS || f->strzal_hero_count > FAZA_MAX_STRZAL_HERO ||
                f->health_detect_count > FAZA_LIST_SIZE)
                __builtin_trap();
            CheckList(f->on_kontakt);
            CheckList(f->on_koniec);
            CheckList(f->on_koniec_widzi);
            CheckList(f->on_shooting);
            CheckList(f->on_closer);
            CheckList(f->on_closer_widzi);
            CheckEnded(f->sound);
            CheckEnded(f->run_to[3]);
        }
        if (phases != d.faza_count)
            __builtin_trap();
    }
    PMgr.FreeDescriptions();
    fuzzinput::RemoveLogs();
    return 0;
}
