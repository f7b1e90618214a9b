// EItemMgr: the "ItemMgr" section of save games.
//
// Per item lying in the world or carried by the hero, in slot order: a marker
// byte 1, then its kind, aim byte, magazine, state, six values, its life, its
// action name, and its world object's place, orientation and two flag words.
// A marker byte 0 ends the section. Items in characters' hands are not
// written: the characters' own section makes them again.
#include "player/ItemMgr.h"

#include "shell/Console.h"
#include "shell/Orientation.h"
#include "shell/SaveFile.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace
{
constexpr BYTE ITEM_MARKER = 1;
constexpr BYTE END_MARKER = 0;
constexpr DWORD NO_OBJECT_FLAGS = 128; // flag word 1 stored for an item without a world object

// One stored item, read whole before anything is made of it.
struct StoredItem
{
    DWORD uniqueId = 0;
    BYTE aimAllowed = 0;
    DWORD magazine = 0;
    DWORD state = 0;
    float aimFov = 0.0f;
    float dispersion = 0.0f;
    float spare = 0.0f;
    float movement = 0.0f;
    float scale = 0.0f;
    float shotTimer = 0.0f;
    float life = 0.0f;
    char action[ITEM_ACTION_SIZE] = {};
    D3DXVECTOR3 position = {0.0f, 0.0f, 0.0f};
    EOrientation orientation;
    DWORD flags = 0;
    DWORD flags2 = 0;
};

bool ReadStoredItem(FILE* file, StoredItem* s)
{
    bool ok = ReadDword(file, &s->uniqueId);
    ok = ok && ReadBool(file, &s->aimAllowed);
    ok = ok && ReadDword(file, &s->magazine);
    ok = ok && ReadDword(file, &s->state);
    ok = ok && ReadFloat(file, &s->aimFov);
    ok = ok && ReadFloat(file, &s->dispersion);
    ok = ok && ReadFloat(file, &s->spare);
    ok = ok && ReadFloat(file, &s->movement);
    ok = ok && ReadFloat(file, &s->scale);
    ok = ok && ReadFloat(file, &s->shotTimer);
    ok = ok && ReadFloat(file, &s->life);
    ok = ok && ReadString(file, s->action);
    ok = ok && ReadVector(file, &s->position);
    ok = ok && ReadOrientation(file, &s->orientation);
    ok = ok && ReadDword(file, &s->flags);
    ok = ok && ReadDword(file, &s->flags2);
    return ok;
}

// How many of the values an item copies from its description the stored item
// still shows for this description.
int Likeness(const EItemDesc& d, const StoredItem& s)
{
    return (d.aimAllowed == s.aimAllowed) + (d.Aim_Fov == s.aimFov) + (d.dispersion == s.dispersion) +
           (d.Movement == s.movement) + (d.Scale == s.scale) + (s.magazine <= d.Ammo);
}

bool Finite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}
} // namespace

bool EItemMgr::Save(FILE* file)
{
    if (!file)
        return false;
    bool ok = true;
    for (const EItemInstance& item : items)
    {
        if (!item.m_bUsed || (item.m_iState != ITEM_LYING && item.m_iState != ITEM_CARRIED))
            continue;
        ok &= WriteBytes(file, &ITEM_MARKER, 1);
        ok &= WriteDword(file, item.m_pDesc ? item.m_pDesc->Unique_Id : item.m_iUniqueId);
        ok &= WriteBool(file, item.m_bAimAllowed != 0);
        ok &= WriteDword(file, item.m_iMagazine);
        ok &= WriteDword(file, item.m_iState);
        ok &= WriteFloat(file, item.m_fAimFov);
        ok &= WriteFloat(file, item.m_fDispersion);
        ok &= WriteFloat(file, item.m_fSpare);
        ok &= WriteFloat(file, item.m_fMovement);
        ok &= WriteFloat(file, item.m_fScale);
        ok &= WriteFloat(file, item.m_fShotTimer);
        ok &= WriteFloat(file, item.m_fLife);
        ok &= WriteString(file, item.m_szAction);
        D3DVECTOR position = {0.0f, 0.0f, 0.0f};
        EOrientation orientation;
        DWORD flags = NO_OBJECT_FLAGS;
        DWORD flags2 = 0;
        if (HOBJECT o = item.m_hWorldObject)
        {
            g_Engine.GetObjectPosition(o, &position);
            g_Engine.GetObjectOrientation(o, &orientation);
            flags = g_Engine.GetObjectFlags(o);
            flags2 = g_Engine.GetObjectFlags2(o);
        }
        ok &= WriteVector(file, &position);
        ok &= WriteOrientation(file, &orientation);
        ok &= WriteDword(file, flags);
        ok &= WriteDword(file, flags2);
    }
    ok &= WriteBytes(file, &END_MARKER, 1);
    return ok;
}

bool EItemMgr::Load(FILE* file)
{
    if (!file)
        return false;
    std::vector<DWORD> made;
    bool complete = false;
    for (;;)
    {
        BYTE marker = END_MARKER;
        if (!ReadBytes(file, &marker, 1))
            break;
        if (marker == END_MARKER)
        {
            complete = true;
            break;
        }
        if (marker != ITEM_MARKER)
        {
            g_Console.Print("ERROR in EItemMgr::Load(): bad item marker");
            break;
        }
        StoredItem s;
        if (!ReadStoredItem(file, &s))
            break;
        // Several descriptions may share a kind (a rifle and its ammunition, a
        // pick-up that never set one): the stored item's own values pick among
        // them, the newest winning a tie.
        EItemDesc* desc = FindDescriptionById(s.uniqueId);
        for (EItemDesc* d = desc; d; d = d->older)
            if (d->Unique_Id == s.uniqueId && Likeness(*d, s) > Likeness(*desc, s))
                desc = d;
        if (!desc)
        {
            g_Console.PrintInt("Brak dsc ", static_cast<int>(s.uniqueId));
            continue;
        }
        const D3DXVECTOR3 position = Finite(s.position) ? s.position : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        EItemInstance* item = CreateItem(desc, &position, &s.orientation);
        if (!item)
        {
            g_Console.Print2("Nie dodano ", desc->name);
            continue;
        }
        made.push_back(item->m_iSlot);
        item->m_bAimAllowed = s.aimAllowed;
        item->m_iMagazine = s.magazine;
        // A state the table does not know would leave the item neither lying nor carried.
        item->m_iState = s.state == ITEM_CARRIED ? ITEM_CARRIED : ITEM_LYING;
        item->m_fAimFov = s.aimFov;
        item->m_fDispersion = s.dispersion;
        item->m_fSpare = s.spare;
        item->m_fMovement = s.movement;
        item->m_fScale = s.scale;
        item->m_fShotTimer = s.shotTimer;
        item->m_fLife = s.life;
        if (item->m_hWorldObject)
        {
            g_Engine.SetObjectFlags(item->m_hWorldObject, s.flags, ~0u);
            g_Engine.SetObjectFlags2(item->m_hWorldObject, s.flags2, ~0u);
        }
        std::memcpy(item->m_szAction, s.action, sizeof item->m_szAction);
    }
    if (complete)
        return true;
    // A damaged section leaves no half of itself behind.
    g_Console.Print("ERROR in EItemMgr::Load(): the ItemMgr section is damaged or cut short");
    for (DWORD slot : made)
        DeleteItem(slot);
    return false;
}
