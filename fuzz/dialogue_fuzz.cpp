// The dialogue scripts, read from any bytes as both kinds: the read must end,
// cut every name to its field and free all it made. Each dialogue read is
// then played for a few frames by three characters, and each hero dialogue
// by the hero; last, the same bytes are read as a "Dialogue" save section.
#include "fuzz/FuzzInput.h"

#include "characters/PostacMgr.h"
#include "game/DialogueMgr.h"
#include "shell/SaveFile.h"
#include "world/Engine.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool logging = (fuzzinput::StartLogging(), true);
    (void)logging;
    fuzzinput::WriteInput("scripts/dialogues/fuzz.txt", data, size);
    fuzzinput::WriteInput("scripts/hero_dialogues/fuzz.txt", data, size);
    g_DialogueMgr.LoadAll();
    for (const strDialogue* d = g_DialogueMgr.m_pDialogues; d; d = d->older)
    {
        if (std::strlen(d->name) >= DIALOGUE_NAME_SIZE)
            std::abort();
        DWORD lines = 0;
        for (const strDialogueLine* l = d->lines; l; l = l->older, ++lines)
            if (l->speaker >= DIALOGUE_ACTORS || l->number >= d->lineCount)
                std::abort();
        if (lines != d->lineCount)
            std::abort();
    }

    // Three speakers, the second missing, so lines of actor 1 fall to actor 0.
    strpostac* actors[3] = {&PMgr.m_Postacie[0], nullptr, &PMgr.m_Postacie[2]};
    for (int i : {0, 2})
    {
        PMgr.m_Postacie[i] = strpostac{};
        PMgr.m_Postacie[i].used = 1;
        PMgr.m_Postacie[i].slot = static_cast<DWORD>(i);
        std::snprintf(PMgr.m_Postacie[i].name, sizeof PMgr.m_Postacie[i].name, "actor%d", i);
    }
    constexpr int kFrames = 6;
    g_Engine.m_fDeltaTime = 0.7f;
    for (const strDialogue* d = g_DialogueMgr.m_pDialogues; d; d = d->older)
    {
        g_DialogueMgr.StartDialogue(d->name, actors[0], actors[1], actors[2]);
        for (int frame = 0; frame < kFrames; ++frame)
        {
            g_DialogueMgr.Update();
            g_DialogueMgr.UpdateSoundsAndListeners();
        }
    }
    for (const strHeroDialogue* d = g_DialogueMgr.m_pHeroDialogues; d; d = d->older)
    {
        g_DialogueMgr.StartHeroDialogue(d->name);
        for (int frame = 0; frame < kFrames; ++frame)
            g_DialogueMgr.Update();
    }

    fuzzinput::WriteInput("section.bin", data, size);
    if (FILE* f = std::fopen("section.bin", "rb"))
    {
        g_DialogueMgr.StopAll();
        g_DialogueMgr.Load(f);
        std::fclose(f);
    }
    ResetSaveFileErrors();
    g_DialogueMgr.FreeAll();
    PMgr.m_Postacie[0] = strpostac{};
    PMgr.m_Postacie[2] = strpostac{};
    fuzzinput::RemoveLogs();
    return 0;
}
