// STAND-IN: see ItemMgr.h.
#include "player/ItemMgr.h"

#include <cstdio>

EItemMgr ItemMgr;

void EItemMgr::GiveItem(const char* name, int count)
{
    std::snprintf(m_szLastGiven, sizeof m_szLastGiven, "%s", name ? name : "");
    m_iLastCount = count;
}
