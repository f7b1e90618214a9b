// A whole save game, every section, loaded from any bytes: the header's
// checks, each section's reader, the characters' records and the final data.
// The input is the save "save\fuzz.sav" of the running world "worlds\f.w"
// (its name only: no world is loaded), so a header naming that world is read
// section by section. Whatever the bytes, the load ends with its flag clear
// and, when it failed after emptying the game, asks for the world afresh.
// Runs in a scratch folder of its own (see tools/fuzz.sh).

#include "FuzzInput.h"

#include "characters/PostacMgr.h"
#include "game/GameAI.h"
#include "game/SaveMgr.h"
#include "player/ItemMgr.h"
#include "player/PlayerWeapons.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace
{
constexpr const char* kWorld = "worlds\\f.w";
constexpr float kFarPlane = 500.0f;

bool Prepare()
{
    fuzzinput::StartLogging();
    const char descriptions[] = "postac soldier\nmodel m.x\nfaza stoi\n";
    fuzzinput::WriteInput("scripts/postacie.txt", reinterpret_cast<const uint8_t*>(descriptions),
                          sizeof descriptions - 1);
    PMgr.LoadDescriptions();
    PMgr.Init();
    g_Camera.SetFarPlane(kFarPlane);
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = Prepare();
    (void)ready;
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", kWorld);
    g_Engine.m_szNextWorld[0] = 0;
    fuzzinput::WriteInput("save/fuzz.sav", data, size);
    const bool loaded = g_SaveMgr.LoadGame("fuzz");
    if (g_SaveMgr.loadInProgress || g_SaveMgr.loadingWorld)
        __builtin_trap();
    // A load that failed once the game was emptied asks for the world afresh.
    if (!loaded && g_SaveMgr.m_bLoadedFromSave)
        __builtin_trap();
    PMgr.DeleteAllCharacters();
    Bronie = CPlayerWeapons();
    ItemMgr.DeleteAllItems();
    g_Engine.DeleteAllObjects();
    g_GameAI.FreeVariables();
    g_SaveMgr.m_bLoadedFromSave = 0;
    std::remove("save/fuzz.sav");
    fuzzinput::RemoveLogs();
    return 0;
}
