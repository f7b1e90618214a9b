// EItemMgr: the item table, the items placed in the world, pick-ups and gifts.
#include "player/ItemMgr.h"

#include "game/SaveMgr.h"
#include "physics/PhysicsDesc.h"
#include "physics/PhysicsMgr.h"
#include "player/ItemTrace.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "render/Rect.h"
#include "render/SkyShadow.h"
#include "shell/Console.h"
#include "shell/Orientation.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"
#include "world/ObjectActionParams.h"
#include "world/TrackedAlloc.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

EItemMgr ItemMgr;

namespace
{
constexpr const char* TAG_ITEM_ICON = "ItemIcon";
constexpr const char* MARKER_MODEL = "prefabs\\special\\marker.x";
constexpr const char* PAINKILLER_NAME = "PainKiller";
constexpr const char* DROP_NAME_PREFIX = "drop for ";
constexpr DWORD DROP_FLAGS = 0x101001;
constexpr DWORD HELD_FLAGS = 0x120180;
constexpr DWORD HELD_FLAGS2 = 0x18001040;
constexpr DWORD HELD_MODEL_FLAGS = 1;
constexpr DWORD HELD_MODEL_KIND = 1024;
constexpr DWORD HELD_OBJECT_KIND = 256;
constexpr DWORD SNIPER_KIND = 3; // its skinned model refreshes its nodes
constexpr float kHeldScale = 0.01f;
constexpr float kOutOfSight = -1e8f;
constexpr float kGiftPlace = 1e8f;
constexpr float kIconSize = 64.0f;
constexpr DWORD kIconColor = 0xFFFFFFFF;
constexpr float kHeroBoxMargin = 0.4f;
constexpr float kItemHalfWidth = 0.5f;
constexpr float kItemHalfHeight = 0.8f;
constexpr float kSightRaise = 0.2f;
constexpr int kBonusGrenadeChance = 12;
constexpr DWORD kBonusGrenadeBelow = 5;
constexpr int kPushRange = 24;
constexpr float kPushScale = 65536.0f;
constexpr float kPushSideways = -6.0f;
constexpr float kThrownMass = 8.0f;
constexpr DWORD kRand16 = 0xFFFF;

ERect* MakeIcon(const char* texture)
{
    if (!texture || !texture[0])
        return nullptr;
    ERect* r = NewTracked<ERect>(TAG_ITEM_ICON);
    r->Create(texture, 0.0f, 0.0f, kIconSize, kIconSize, kIconColor);
    return r;
}

void FreeIcon(ERect*& r)
{
    if (r)
        r->Release();
    DeleteTracked(r, TAG_ITEM_ICON);
}

// A random push component under ±range.
float RandomPush()
{
    const float v = static_cast<float>(std::rand() & kRand16) * kPushRange / kPushScale;
    return (std::rand() & 1) ? v : -v;
}
} // namespace

EItemMgr::~EItemMgr()
{
    // The scene objects are gone by now; only our own records are freed.
    for (EItemInstance& item : items)
    {
        FreeIcon(item.m_pCurrentIcon);
        FreeIcon(item.m_pOtherIcon);
    }
    FreeDescriptions();
}

// ---- Lifecycle ----------------------------------------------------------------------------

void EItemMgr::Init()
{
    worldItemsSpawned = 0;
    LoadDescriptions();
    if (!g_SaveMgr.loadInProgress)
        SpawnWorldItems();
    CreateHeldModels();
    CheckUniqueIds();
}

void EItemMgr::Release()
{
    for (HOBJECT& o : heldModels)
    {
        g_Engine.DeleteObject(o);
        o = nullptr;
    }
    DeleteAllItems();
    FreeDescriptions();
}

void EItemMgr::Forget()
{
    for (EItemInstance& item : items)
    {
        FreeIcon(item.m_pCurrentIcon);
        FreeIcon(item.m_pOtherIcon);
        item = EItemInstance{};
    }
    for (HOBJECT& o : heldModels)
        o = nullptr;
    FreeDescriptions();
    worldItemsSpawned = 0;
    frameTime = 0.0f;
}

void EItemMgr::Update()
{
    if (!worldItemsSpawned)
        SpawnWorldItems();
    frameTime = g_Engine.m_fDeltaTime;
    for (EItemInstance& item : items)
    {
        if (!item.m_bUsed)
            continue;
        TestPickUp(item);
        if (!item.m_bUsed)
            continue;
        if (item.m_iState == ITEM_CARRIED && !item.m_hHeldModel)
            CreateHeldModel(&item);
        if (item.m_fLife > 0.0f)
        {
            item.m_fLife -= frameTime;
            if (item.m_fLife <= 0.0f)
                DeleteItem(item.m_iSlot);
        }
    }
}

// ---- World items ----------------------------------------------------------------------------

void EItemMgr::SpawnWorldItems()
{
    worldItemsSpawned = 1;
    for (int slot = FIRST_MESH_SLOT; slot < FIRST_MESH_SLOT + MAX_MESH_OBJECTS; ++slot)
    {
        strObject& o = g_Engine.m_Objects[slot];
        if (!o.bUsed || o.bDeletePending || IsItemObject(&o))
            continue;
        EItemDesc* desc = nullptr;
        for (EItemDesc* d = m_pDescriptions; d && !desc; d = d->older)
            if (d->Drop_Object[0] && CompareNoCase(d->Drop_Object, o.szFileName) == 0)
                desc = d;
        if (!desc)
            continue;
        if (CompareNoCase(desc->name, PAINKILLER_NAME) != 0)
        {
            D3DXVECTOR3 position = o.vPosition;
            EOrientation orientation;
            g_Engine.GetObjectOrientation(&o, &orientation);
            D3DXVECTOR3 scale(1.0f, 1.0f, 1.0f);
            g_Engine.GetObjectScale(&o, &scale);
            if (EItemInstance* item = CreateItem(desc, &position, &orientation); item && item->m_hWorldObject)
            {
                g_Engine.SetObjectScale(item->m_hWorldObject, &scale);
                g_Engine.SetObjectRotation(item->m_hWorldObject, &orientation);
                // The placed object's action after pick-up becomes the item's.
                if (o.pActionParams && o.pActionParams->action_after_pickup[0])
                    std::snprintf(item->m_szAction, sizeof item->m_szAction, "%s",
                                  o.pActionParams->action_after_pickup);
            }
        }
        g_Engine.DeleteObject(&o);
    }
}

void EItemMgr::CreateHeldModels()
{
    for (EItemDesc* d = m_pDescriptions; d; d = d->older)
    {
        if (!d->Weapon || !d->Held_Object[0] || d->Unique_Id >= MAX_HELD_MODELS)
            continue;
        HOBJECT& slot = heldModels[d->Unique_Id];
        g_Engine.DeleteObject(slot);
        const float away[3] = {kOutOfSight, kOutOfSight, kOutOfSight};
        slot = g_Engine.CreateObject(OT_SKINMESH, d->Held_Object, HELD_MODEL_FLAGS, 0, away, nullptr);
        g_Engine.SetObjectFlags3(slot, HELD_MODEL_KIND, ~0u);
        if (d->Drop_Object[0])
            g_Engine.PreloadFile(d->Drop_Object, EEngine::PRELOAD_MESH);
    }
}

// ---- The table ------------------------------------------------------------------------------

EItemInstance* EItemMgr::CreateItem(EItemDesc* desc, const D3DXVECTOR3* position,
                                    const EOrientation* orientation)
{
    if (!desc)
        return nullptr;
    EItemInstance* item = nullptr;
    for (EItemInstance& candidate : items)
        if (!candidate.m_bUsed)
        {
            item = &candidate;
            break;
        }
    if (!item)
    {
        g_Console.Print("MAX_ITEMS exceeded!");
        return nullptr;
    }
    *item = EItemInstance{};
    item->m_bUsed = 1;
    item->m_iSlot = static_cast<DWORD>(item - items);
    item->m_pDesc = desc;
    item->m_iUniqueId = desc->Unique_Id;
    item->m_bWeapon = desc->Weapon;
    item->m_bSilenced = desc->silenced;
    item->m_bAimAllowed = desc->aimAllowed;
    item->m_fAimFov = desc->Aim_Fov;
    item->m_fDispersion = desc->dispersion;
    item->m_bFullAmmo = desc->full_ammo;
    item->m_bPainkiller = desc->Painkiller;
    item->m_bShotgun = desc->Shotgun;
    item->m_fReloadSpeed = desc->reload_anim_coef;
    item->m_vCarriedPos = D3DXVECTOR3(desc->Carried_Pos);
    item->m_vAimPos = D3DXVECTOR3(desc->Aim_Pos);
    item->m_fMovement = desc->Movement;
    item->m_fScale = desc->Scale;
    item->m_iState = ITEM_LYING;
    item->m_iMagazine = desc->Ammo;
    item->m_fLife = 0.0f;

    EObjectDesc od;
    od.Type = OT_MESH;
    const char* model = desc->Drop_Object[0] ? desc->Drop_Object : MARKER_MODEL;
    const size_t length = strnlen(model, sizeof od.szFileName);
    if (length >= sizeof od.szFileName)
        g_Console.Print2("Drop_Object too long for an object, cut: ", model);
    const size_t kept = length < sizeof od.szFileName ? length : sizeof od.szFileName - 1;
    std::memcpy(od.szFileName, model, kept);
    od.szFileName[kept] = 0;
    od.dwFlags = DROP_FLAGS;
    od.dwFlags2 = 0;
    if (position)
        od.vPosition = *position;
    if (orientation)
        od.Orientation = *orientation;
    item->m_hWorldObject = g_Engine.AddObject(&od);
    if (item->m_hWorldObject)
    {
        g_Engine.SetObjectFlags3(item->m_hWorldObject, OBJECT_KIND_ITEM, ~0u);
        char name[OBJECT_NAME_SIZE];
        std::snprintf(name, sizeof name, "%s%s", DROP_NAME_PREFIX, desc->Name);
        g_Engine.SetObjectName(item->m_hWorldObject, name);
    }
    item->m_pCurrentIcon = MakeIcon(desc->Ico_Currweap);
    item->m_pOtherIcon = MakeIcon(desc->Ico_Otherweap);
    return item;
}

EItemInstance* AddItem(const char* name, const D3DXVECTOR3* position, const EOrientation* orientation)
{
    EItemDesc* desc = ItemMgr.FindDescription(name);
    if (!desc)
    {
        g_Console.Print3("AddItem ", name ? name : "", " failed - no item description!");
        return nullptr;
    }
    return ItemMgr.CreateItem(desc, position, orientation);
}

void EItemMgr::DeleteItem(DWORD slot)
{
    if (slot >= MAX_ITEMS)
        return;
    EItemInstance& item = items[slot];
    g_Engine.DeleteObject(item.m_hWorldObject);
    g_Engine.DeleteObject(item.m_hHeldModel);
    FreeIcon(item.m_pCurrentIcon);
    FreeIcon(item.m_pOtherIcon);
    // The weapons never keep a pointer to a record that is gone.
    for (EItemInstance*& s : Bronie.slots)
        if (s == &item)
            s = nullptr;
    if (Bronie.current == &item)
        Bronie.current = nullptr;
    if (Bronie.pending == &item)
        Bronie.pending = nullptr;
    item = EItemInstance{};
}

void EItemMgr::DeleteAllItems()
{
    for (DWORD i = 0; i < MAX_ITEMS; ++i)
        if (items[i].m_bUsed)
            DeleteItem(i);
}

EItemInstance* EItemMgr::FindCarriedByUniqueId(DWORD uniqueId)
{
    for (EItemInstance& item : items)
        if (item.m_bUsed && item.m_iState == ITEM_CARRIED && item.m_pDesc &&
            item.m_pDesc->Unique_Id == uniqueId)
            return &item;
    return nullptr;
}

EItemInstance* EItemMgr::FindItemByObject(HOBJECT object)
{
    if (!object)
        return nullptr;
    for (EItemInstance& item : items)
        if (item.m_bUsed && item.m_hWorldObject == object)
            return &item;
    return nullptr;
}

bool EItemMgr::IsItemObject(HOBJECT object)
{
    return FindItemByObject(object) != nullptr;
}

void EItemMgr::CreateHeldModel(EItemInstance* item)
{
    if (!item || !item->m_pDesc || item->m_hHeldModel || !item->m_pDesc->Held_Object[0])
        return;
    const EItemDesc& d = *item->m_pDesc;
    char path[ITEM_PATH_SIZE];
    std::snprintf(path, sizeof path, "%s", d.Held_Object);
    char models[] = "models";
    const bool skinned = FindNoCase(path, models);
    item->m_bStaticHeldModel = skinned ? 0 : 1;
    const float scale[3] = {kHeldScale, kHeldScale, kHeldScale * d.Scale};
    item->m_hHeldModel = g_Engine.CreateObject(skinned ? OT_SKINMESH : OT_MESH, d.Held_Object, HELD_FLAGS,
                                               HELD_FLAGS2, nullptr, scale);
    if (!item->m_hHeldModel)
    {
        g_Console.Print2(d.name, " held model FAILED.");
        return;
    }
    g_Engine.SetObjectName(item->m_hHeldModel, d.name);
    if (skinned && d.Unique_Id == SNIPER_KIND)
        g_Engine.UpdateSkinMeshNodes(item->m_hHeldModel);
    g_Engine.SetObjectFlags3(item->m_hHeldModel, HELD_OBJECT_KIND, ~0u);
}

// ---- Gifts and pick-ups -----------------------------------------------------------------------

void EItemMgr::GiveItem(const char* name, DWORD count)
{
    if (!name || !name[0])
        return;
    EItemDesc* desc = FindDescription(name);
    if (!desc)
    {
        g_Console.Print2("No dsc found for ", name);
        return;
    }
    // A kind the hero's tables do not hold is never handed to him.
    if (desc->Weapon && desc->Unique_Id >= MAX_ROZNYCH_BRONI)
        return;
    for (EItemInstance& item : items)
    {
        if (!item.m_bUsed || item.m_iState != ITEM_CARRIED || item.m_pDesc != desc)
            continue;
        // Only a weapon kind has a counter (a save may mark any item carried).
        if (desc->Unique_Id >= MAX_ROZNYCH_BRONI)
            return;
        DWORD& counter = Bronie.counters[desc->Unique_Id];
        if (counter >= desc->Max_Ammo_Carried)
            return;
        counter = counter + count > desc->Max_Ammo_Carried ? desc->Max_Ammo_Carried : counter + count;
        return;
    }
    const D3DXVECTOR3 place(kGiftPlace, kGiftPlace, kGiftPlace);
    const EOrientation identity;
    EItemInstance* item = CreateItem(desc, &place, &identity);
    if (!item)
        return;
    const DWORD slot = item->m_iSlot;
    if (item->m_hWorldObject)
        PickUp(item->m_hWorldObject);
    else if (Bronie.PickUp(item))
        DeleteItem(slot);
    if (!items[slot].m_bUsed || items[slot].m_pDesc != desc)
        return;
    // A gift the hero did not take would lie out of sight for good and set the
    // counter of a kind he does not carry: it goes again.
    if (items[slot].m_iState != ITEM_CARRIED || desc->Unique_Id >= MAX_ROZNYCH_BRONI)
    {
        DeleteItem(slot);
        return;
    }
    DWORD& counter = Bronie.counters[desc->Unique_Id];
    counter = count;
    CreateHeldModel(&items[slot]);
    if (counter > desc->Max_Ammo_Carried)
        counter = desc->Max_Ammo_Carried;
}

void EItemMgr::PickUp(HOBJECT worldObject)
{
    EItemInstance* item = FindItemByObject(worldObject);
    if (!item)
        return;
    if (!Bronie.PickUp(item))
        return;
    char action[ITEM_ACTION_SIZE];
    std::memcpy(action, item->m_szAction, sizeof action);
    DeleteItem(item->m_iSlot);
    if (action[0])
        g_Engine.RunObjectAction(action, 0);
    // The item's shadow leaves the first sun-shadow cascade with it.
    g_SkyShadow.m_bRendered[0] = 0;
    if (std::rand() % kBonusGrenadeChance == 0 && Bronie.grenades < kBonusGrenadeBelow)
        ++Bronie.grenades;
}

void EItemMgr::TestPickUp(EItemInstance& item)
{
    if (item.m_iState != ITEM_LYING || !item.m_hWorldObject)
        return;
    const D3DVECTOR& hero = Player.m_vPosition;
    const D3DVECTOR& half = Player.m_vHalfExtents;
    D3DVECTOR at = {0.0f, 0.0f, 0.0f};
    g_Engine.GetObjectPosition(item.m_hWorldObject, &at);
    const bool overlap = std::abs(hero.x - at.x) <= half.x + kHeroBoxMargin + kItemHalfWidth &&
                         std::abs(hero.y - at.y) <= half.y + kHeroBoxMargin + kItemHalfHeight &&
                         std::abs(hero.z - at.z) <= half.z + kHeroBoxMargin + kItemHalfWidth;
    if (!overlap)
        return;
    ItemTraceFilter filter;
    filter.skip1 = item.m_hWorldObject;
    filter.skip2 = Player.m_hObject;
    if (ItemSegmentBlocked(g_Camera.GetPosition(), D3DXVECTOR3(hero.x, hero.y, hero.z), filter))
        return;
    if (!CanPickUpItem(item))
        return;
    PickUp(item.m_hWorldObject);
}

bool EItemMgr::CanPickUpItem(EItemInstance& item)
{
    if (!item.m_hWorldObject)
        return false;
    D3DVECTOR at = {0.0f, 0.0f, 0.0f};
    g_Engine.GetObjectPosition(item.m_hWorldObject, &at);
    ItemTraceFilter filter;
    filter.skip1 = item.m_hWorldObject;
    filter.skip2 = Player.m_hObject;
    filter.skipItems = true;
    if (ItemSegmentBlocked(g_Camera.GetPosition(), D3DXVECTOR3(at.x, at.y + kSightRaise, at.z), filter))
        return false;
    if (!item.m_pDesc)
        return false;
    if (item.m_pDesc->Grenade)
        return Bronie.grenades < MAX_GRENADES;
    if (item.m_bWeapon)
        return Bronie.CanPickUp(&item);
    return false;
}

void EItemMgr::ThrowItem(EItemInstance* item)
{
    if (!item || !item->m_hWorldObject)
        return;
    HOBJECT o = item->m_hWorldObject;
    const D3DXVECTOR3 random(RandomPush(), RandomPush(), RandomPush());
    g_PhysicsMgr.RemoveObjectBody(o);
    EPhysicsDesc desc;
    desc.iShape = PHYSICS_SHAPE_BOX;
    desc.fMassOrSize = kThrownMass;
    desc.bRigidBody = 0;
    desc.bMinimumSize = 1;
    g_Engine.SetObjectPhysicsDesc(o, &desc);
    g_PhysicsMgr.CreateObjectBody(o, &desc);
    const D3DXVECTOR3 impulse = random + kPushSideways * o->Orientation.Right;
    g_PhysicsMgr.PushObject(o, &impulse);
}
