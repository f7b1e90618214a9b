#pragma once
// EItemMgr: the item catalogue and the items of the running world.
// STAND-IN: only "Gimme"'s call, remembering the last item asked for; the item
// work replaces this file with the whole EItemMgr.

#include "platform/win32/WinTypes.h"

// STAND-IN: the sight bytes of an item description the mouse poll reads; the
// item work replaces this with the whole description.
struct EItemDesc
{
    BYTE Snajper_Celownik = 0;
    BYTE GLauncher_Celownik = 0;
    BYTE MP_Celownik = 0;
};

// STAND-IN: an item in the world, as far as its description.
struct EItemInstance
{
    EItemDesc* m_pDesc = nullptr;
};

class EItemMgr
{
public:
    virtual ~EItemMgr() = default;

    void GiveItem(const char* name, int count);
    // STAND-IN: the items' level start, frame and level end.
    void Init() {}
    void Update() {}
    void Release() {}

    char m_szLastGiven[64] = {};
    int m_iLastCount = 0;
};

extern EItemMgr ItemMgr;
