// The item catalogue "scripts\items.txt" as the item manager reads it at a
// level start, then the lookups and the start-up check that walk what it read.
// Runs in a scratch folder of its own (see tools/fuzz.sh).

#include "FuzzInput.h"

#include "player/ItemMgr.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = (fuzzinput::StartLogging(), true);
    (void)ready;
    fuzzinput::WriteInput("scripts/items.txt", data, size);
    ItemMgr.LoadDescriptions();
    // Every description is walked the way the game walks them.
    for (const EItemDesc* d = ItemMgr.GetDescriptions(); d; d = d->older)
    {
        if (ItemMgr.FindDescription(d->name) == nullptr)
            __builtin_trap();
        ItemMgr.FindDescriptionById(d->Unique_Id);
        for (const ItemFxList& list : d->HitFx)
            if (list.count > ITEM_LIST_ENTRIES)
                __builtin_trap();
    }
    ItemMgr.FreeDescriptions();
    fuzzinput::RemoveLogs();
    return 0;
}
