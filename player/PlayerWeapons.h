#pragma once
// CPlayerWeapons: the hero's weapons and inventory.
// STAND-IN: only the current weapon view that the "Bron" settings write, and
// the current weapon and aim zoom that the mouse poll reads; the weapons work
// replaces this file with the whole CPlayerWeapons.

struct EItemInstance;

// Where the weapon model sits in the view: three offsets and three angles.
struct WeaponView
{
    float offset[3] = {0.0f, 0.0f, 0.0f};
    float angle[3] = {0.0f, 0.0f, 0.0f};
};

class CPlayerWeapons
{
public:
    virtual ~CPlayerWeapons() = default;

    // STAND-IN: the weapons' level start, frame and level end, and the scope's visibility.
    void Init() {}
    void Update() {}
    void UpdateScopeVisibility() {}
    void Release() {}
    WeaponView* m_pWeaponView = nullptr;       // null while no weapon is held
    EItemInstance* m_pCurrentWeapon = nullptr; // null while no weapon is held
    float m_fAimZoom = 0.0f;                   // 0 when not aiming, rising while aiming
};

extern CPlayerWeapons Bronie;
