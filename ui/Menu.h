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
    void OnKeyDown(WPARAM key) { m_LastKeyDown = key; }
    void OnKeyUp(WPARAM key) { m_LastKeyUp = key; }
    BYTE m_bOpen = 0;
    WPARAM m_LastKeyDown = 0; // the last key press the menu took
    WPARAM m_LastKeyUp = 0;
};

extern CMenu g_Menu;
