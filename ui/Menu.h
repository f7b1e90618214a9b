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
    // STAND-IN: opening at a page (at start: the start menu), the frame while
    // open, and the page state a level start resets.
    void Open(int page, BYTE atStart)
    {
        m_bOpen = 1;
        m_iPage = page;
        m_bOpenedAtStart = atStart;
    }
    void Update() {}
    void ResetPage() { m_iPage = 0; }
    int m_iPage = 0;
    BYTE m_bOpenedAtStart = 0;
    void OnKeyDown(WPARAM key) { m_LastKeyDown = key; }
    void OnKeyUp(WPARAM key) { m_LastKeyUp = key; }
    BYTE m_bOpen = 0;
    WPARAM m_LastKeyDown = 0; // the last key press the menu took
    WPARAM m_LastKeyUp = 0;
};

extern CMenu g_Menu;
