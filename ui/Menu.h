#pragma once
// CMenu: the main and in-game menus.
// STAND-IN: the menu-open byte only; the menus come with the screens work.

#include "platform/win32/WinTypes.h"

class CMenu
{
public:
    virtual ~CMenu() = default;
    void Render() {}
    void OnResetDevice() {}
    void OnKeyDown(WPARAM) {}
    void OnKeyUp(WPARAM) {}
    BYTE m_bOpen = 0;
};

extern CMenu g_Menu;
