#pragma once
// EItemDesc: one entry of the item catalogue "scripts\items.txt": a weapon, an
// ammunition box, a grenade or a pick-up, read once per level and never
// changed until the level ends. Item instances, the hero's weapons, the
// characters' weapons and the HUD read these records.
//
// Field sizes include the terminating zero; the reader cuts a longer value to
// fit and says so. Effect names stay as written next to the definition they
// resolved to, so a list keeps its entries (and its count) even while an
// effect is not loaded.

#include "platform/win32/WinTypes.h"

struct EFxDef;

constexpr int MAX_ROZNYCH_BRONI = 10; // weapon kinds: Unique_Id 0 to 9
constexpr int ITEM_LIST_ENTRIES = 8;  // entries of one effect or sound list
constexpr int ITEM_KEY_SIZE = 32;     // the item's key
constexpr int ITEM_TEXT_SIZE = 64;    // display names, icons, hand sockets
constexpr int ITEM_PATH_SIZE = 256;   // models, icons and sounds
constexpr int ITEM_ANIM_SIZE = 32;    // animation names
constexpr int ITEM_SOCKET_SIZE = 32;  // muzzle and hit sockets
constexpr int ITEM_FX_NAME_SIZE = 64; // one effect name of a list
constexpr int ITEM_ANIMATIONS = 9;    // Anim_Shoot ... Anim_Select
constexpr int ITEM_SURFACES = 10;     // concrete, snow, water, metal, sand, wood, coal, glass, plastic, body
constexpr float ITEM_RANGE_FACTOR = 4.0f; // "zasieg" is stored four times the file value

// The animations of a weapon model, in the order of EItemDesc::Anim.
enum ItemAnimation
{
    ANIM_SHOOT,
    ANIM_LAST_BULLET_SHOOT,
    ANIM_IDLE,
    ANIM_HIT,
    ANIM_HIT2,
    ANIM_RELOAD,
    ANIM_AIM,
    ANIM_BIEG,
    ANIM_SELECT,
};

// The surfaces of the impact and cut lists, in the bullet-hit handler's order.
enum ItemSurface
{
    SURFACE_CONCRETE,
    SURFACE_SNOW,
    SURFACE_WATER,
    SURFACE_METAL,
    SURFACE_SAND,
    SURFACE_WOOD,
    SURFACE_COAL,
    SURFACE_GLASS,
    SURFACE_PLASTIC,
    SURFACE_BODY,
};

// Up to eight effects: the definition each name resolved to (null when that
// effect is not loaded) and the name itself.
struct ItemFxList
{
    EFxDef* defs[ITEM_LIST_ENTRIES];
    char names[ITEM_LIST_ENTRIES][ITEM_FX_NAME_SIZE];
    DWORD count;
};

// Up to eight sound files.
struct ItemSoundList
{
    char names[ITEM_LIST_ENTRIES][ITEM_PATH_SIZE];
    DWORD count;
};

struct EItemDesc
{
    char name[ITEM_KEY_SIZE];
    DWORD Unique_Id;
    char Name[ITEM_TEXT_SIZE];
    char anim_add_name[ITEM_TEXT_SIZE];
    char Ico_Currweap[ITEM_TEXT_SIZE];
    char Ico_Otherweap[ITEM_TEXT_SIZE];
    char EnemySocketR[ITEM_TEXT_SIZE];
    char EnemySocketL[ITEM_TEXT_SIZE];
    float rotateY;
    float rotateY_aim;
    float rotateX;
    float rotateX_aim;
    BYTE fix_empty_nodes;
    BYTE Weapon;
    BYTE silenced;
    BYTE Single_Shot;
    BYTE Lethal;
    BYTE full_ammo;
    BYTE Big_Gun;
    BYTE powerful_bullet;
    float zasieg;
    float predkosc;
    float Hit;
    float Enemy_Hit;
    float Partner_Hit;
    float slow_down;
    BYTE aimAllowed; // set by "Aim_Pos", cleared by "no_aim"
    float Aim_Fov;
    float dispersion;
    float HitBack;
    BYTE Laser;
    BYTE Latarka;
    BYTE Snajper_Celownik;
    BYTE GLauncher_Celownik;
    BYTE MP_Celownik;
    BYTE Bright_Bullet;
    char Light_Socket[ITEM_TEXT_SIZE];
    char Drop_Object[ITEM_PATH_SIZE];
    char Held_Object[ITEM_PATH_SIZE];
    char Top_Icon[ITEM_PATH_SIZE];
    char Ammo_Icon[ITEM_PATH_SIZE];
    DWORD Ammo;
    DWORD Max_Ammo_Carried;
    char Anim[ITEM_ANIMATIONS][ITEM_ANIM_SIZE]; // by ItemAnimation
    char animSpare[ITEM_ANIM_SIZE];
    ItemFxList Enemy_Shoot_FX;
    ItemFxList Player_Shoot_FX;
    ItemFxList Player_After_Shoot_FX;
    ItemSoundList Shoot_Sound_Enemy;
    ItemSoundList Shoot_Sound;
    char Shoot_Socket[ITEM_SOCKET_SIZE];
    char Shoot_Socket_Enemy[ITEM_SOCKET_SIZE];
    float Shoot_Delay;
    float Shoot_Delay_Last;
    char Reload_Sound[ITEM_PATH_SIZE];
    char Draw_Sound[ITEM_PATH_SIZE];
    char Socket_Hit[ITEM_SOCKET_SIZE];
    ItemFxList HitFx[ITEM_SURFACES]; // Hit_Concrete_FX ... Hit_Body_FX, by ItemSurface
    ItemFxList CutFx[ITEM_SURFACES]; // Cut_Concrete_FX ... Cut_Body_FX; coal, glass and plastic stay empty
    float reload_anim_coef;
    BYTE Shotgun;
    BYTE Rocket_Launcher;
    BYTE Grenade_Launcher;
    BYTE Grenade;
    BYTE Painkiller;
    float Carried_Pos[3];
    float Aim_Pos[3];
    float Movement;
    float Scale;
    EItemDesc* newer;
    EItemDesc* older;
};
