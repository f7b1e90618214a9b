// The "ItemMgr" and "Bronie" sections of a save game, read from any bytes
// against a small catalogue: each ends at the end of the data, and what a
// damaged section leaves behind is cleared for the next input. Every item of
// the catalogue is then given to the hero ("Gimme"), which counts the
// cartridges of what he carries already, whatever the save marked carried.
// Runs in a scratch folder of its own (see tools/fuzz.sh).

#include "FuzzInput.h"

#include "player/ItemMgr.h"
#include "player/PlayerWeapons.h"
#include "world/Engine.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace
{
bool Prepare()
{
    fuzzinput::StartLogging();
    const char catalogue[] = "item p99\nWeapon\nUnique_Id 0\nAmmo 15\nMax_Ammo_Carried 150\n"
                             "item AW\nWeapon\nUnique_Id 1\nAmmo 30\nMax_Ammo_Carried 300\n"
                             "item ammo_aw\nWeapon\nUnique_Id 1\nAmmo 30\n"
                             "item granat\nWeapon\nGrenade\nUnique_Id 7\n"
                             "item medkit\nPainkiller\n"
                             "item badge\nUnique_Id 10\n"
                             "item relic\nUnique_Id 4000000000\n";
    fuzzinput::WriteInput("scripts/items.txt", reinterpret_cast<const uint8_t*>(catalogue),
                          sizeof catalogue - 1);
    ItemMgr.LoadDescriptions();
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = Prepare();
    (void)ready;
    if (size == 0)
        return 0;
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file)
        return 0;
    // The item section, then the weapons from whatever follows it, as a save game holds them.
    ItemMgr.Load(file);
    Bronie.Load(file);
    std::fclose(file);
    for (const EItemInstance* s : Bronie.slots)
        if (s && !s->m_bUsed)
            __builtin_trap();
    for (const char* name : {"p99", "AW", "ammo_aw", "granat", "medkit", "badge", "relic"})
        ItemMgr.GiveItem(name, 1);
    Bronie = CPlayerWeapons();
    ItemMgr.DeleteAllItems();
    g_Engine.DeleteAllObjects();
    fuzzinput::RemoveLogs();
    return 0;
}
