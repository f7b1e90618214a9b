#pragma once
// EItemMgr: the item catalogue and the items of the running world.
// STAND-IN: only "Gimme"'s call, remembering the last item asked for; the item
// work replaces this file with the whole EItemMgr.

class EItemMgr
{
public:
    virtual ~EItemMgr() = default;

    void GiveItem(const char* name, int count);

    char m_szLastGiven[64] = {};
    int m_iLastCount = 0;
};

extern EItemMgr ItemMgr;
