#pragma once
// EItemMgr: the item catalogue and every item of the running world: weapons
// and pick-ups lying on the ground, the weapons the hero carries and the
// weapons characters hold. Items live in a fixed table; each has a world
// object (its "drop" model) and, in hands, a held model.
//
// The members live in several files: ItemMgr.cpp (the table, pick-ups,
// gifts), ItemCatalogue.cpp (reading "scripts\items.txt"), ItemSave.cpp (the
// "ItemMgr" section of save games).

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "player/ItemDesc.h"
#include "world/ObjectHandle.h"

#include <cstdio>

class ERect;
struct EOrientation;

constexpr int MAX_ITEMS = 512;
constexpr int MAX_HELD_MODELS = 16; // shared held models, by Unique_Id
constexpr int ITEM_ACTION_SIZE = 64;

// Where an item is.
constexpr DWORD ITEM_LYING = 0;
constexpr DWORD ITEM_CARRIED = 1; // by the hero
constexpr DWORD ITEM_HELD = 2;    // by a character

// The object kind code (flag word 3) of an item's world object.
constexpr DWORD OBJECT_KIND_ITEM = 8;

struct EItemInstance
{
    BYTE m_bUsed;
    BYTE m_bWeapon;
    BYTE m_bSilenced;
    BYTE m_bAimAllowed;
    float m_fAimFov;
    float m_fDispersion;
    BYTE m_bFullAmmo;
    BYTE m_bStaticHeldModel; // the held model is a static mesh and takes no animations
    ERect* m_pCurrentIcon;   // null without an icon name
    ERect* m_pOtherIcon;
    DWORD m_iSlot;
    DWORD m_iUniqueId;
    DWORD m_iState; // ITEM_LYING, ITEM_CARRIED or ITEM_HELD
    BYTE m_bFalling;
    D3DXVECTOR3 m_vFallVelocity;
    HOBJECT m_hWorldObject;
    HOBJECT m_hHeldModel;
    EItemDesc* m_pDesc;
    DWORD m_iMagazine;
    BYTE m_bPainkiller;
    BYTE m_bShotgun;
    float m_fShotTimer; // seconds since the last shot
    float m_fSpare;
    float m_fReloadSpeed;
    D3DXVECTOR3 m_vCarriedPos;
    D3DXVECTOR3 m_vAimPos;
    float m_fMovement;
    float m_fScale;
    float m_fLife; // above 0: seconds left before the item goes
    char m_szAction[ITEM_ACTION_SIZE];
};

class EItemMgr
{
public:
    EItemMgr() = default;
    virtual ~EItemMgr();
    EItemMgr(const EItemMgr&) = delete;
    EItemMgr& operator=(const EItemMgr&) = delete;

    // ---- Lifecycle ---------------------------------------------------------------------
    void Init();
    void Release();
    void Update();
    // The "ItemMgr" section. False when a write or read failed or the section is damaged.
    bool Save(FILE* file);
    bool Load(FILE* file);
    // Drops the catalogue and the table without touching scene objects (the
    // engine's table is emptied with them, as on a world reset).
    void Forget();

    // ---- The catalogue (ItemCatalogue.cpp) ------------------------------------------
    void LoadDescriptions();
    EItemDesc* FindDescription(const char* name);
    EItemDesc* FindDescriptionById(DWORD uniqueId);
    void FreeDescriptions();
    EItemDesc* GetDescriptions() const { return m_pDescriptions; }

    // ---- Items -------------------------------------------------------------------------
    EItemInstance* CreateItem(EItemDesc* desc, const D3DXVECTOR3* position, const EOrientation* orientation);
    void GiveItem(const char* name, DWORD count);
    void DeleteItem(DWORD slot);
    void DeleteAllItems();
    EItemInstance* FindCarriedByUniqueId(DWORD uniqueId);
    EItemInstance* FindItemByObject(HOBJECT object);
    bool IsItemObject(HOBJECT object);
    void ThrowItem(EItemInstance* item);
    void CreateHeldModel(EItemInstance* item);
    // The item lying in the world with this world object goes to the hero.
    void PickUp(HOBJECT worldObject);
    void SpawnWorldItems();
    void CreateHeldModels();
    // Whether the hero could take the lying item now: in sight of the eye and
    // wanted by the weapons.
    bool CanPickUpItem(EItemInstance& item);

    // ---- State -------------------------------------------------------------------------
    float frameTime = 0.0f;
    BYTE worldItemsSpawned = 0;
    HOBJECT heldModels[MAX_HELD_MODELS] = {};
    EItemDesc* m_pDescriptions = nullptr; // the newest description
    EItemInstance items[MAX_ITEMS] = {};

private:
    void TestPickUp(EItemInstance& item);
    void CheckUniqueIds();
};

// EItemMgr::CreateItem by description name; characters get their weapons
// through it and then mark them held.
EItemInstance* AddItem(const char* name, const D3DXVECTOR3* position, const EOrientation* orientation);

extern EItemMgr ItemMgr;
