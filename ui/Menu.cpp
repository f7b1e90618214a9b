// The menu's frame: open and close, the per-frame step, the mouse, the keys,
// text fields and drawing. The pages are in MenuPages.cpp, the backdrop in
// MenuBackdrop.cpp.

#include "ui/Menu.h"

#include "game/MainGame.h"
#include "game/SaveMgr.h"
#include "platform/win32/Win32.h"
#include "render/Font.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "ui/Credits.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <cstring>

CMenu g_Menu;

namespace
{
constexpr double kPi = 3.14159265358979323846;
constexpr const char* kItemTag = "submenu";
constexpr const char* kIndent = "            "; // twelve blanks before an indented item's text
constexpr float kFadeInRate = 6.0f;
constexpr float kPageFadeRate = 2.0f;
constexpr float kCreditsSpeed = 18.0f;
constexpr DWORD kOpaqueBlack = 0xFF000000;
constexpr DWORD kWarning = 0xFFFF0000;
constexpr float kWarningSize = 48.0f;
constexpr DWORD kBarGrey = 0x00505050;
constexpr int CMD_MENU_KEY = 11; // the command that opens the menu in play

float SX()
{
    return g_Options.fScreenScaleX;
}
float SY()
{
    return g_Options.fScreenScaleY;
}
float ScreenW()
{
    return static_cast<float>(g_Options.screenwidth);
}
float ScreenH()
{
    return static_cast<float>(g_Options.screenheight);
}

DWORD WithAlpha(DWORD color, float alpha)
{
    if (!(alpha > 0.0f))
        alpha = 0.0f;
    if (alpha > 1.0f)
        alpha = 1.0f;
    const DWORD a = static_cast<DWORD>(alpha * static_cast<float>(color >> 24) + 0.5f);
    return (color & 0x00FFFFFF) | (a << 24);
}

// The disabled colour combined with the item's own: the channels averaged.
DWORD Disabled(DWORD color)
{
    DWORD out = 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8)
    {
        const DWORD c = (((color >> shift) & 0xFF) + ((CMenu::COLOR_DISABLED >> shift) & 0xFF)) / 2;
        out |= c << shift;
    }
    return out;
}
} // namespace

CMenu::CMenu() = default;

CMenu::~CMenu()
{
    // The heap records go with the program; the device and the engine are
    // gone by then, so nothing of theirs is touched.
    while (m_pItems)
    {
        strMenuItem* next = m_pItems->next;
        delete m_pItems;
        m_pItems = next;
    }
    delete[] m_ppLoadRows;
}

// ---- Items ------------------------------------------------------------------------------

DWORD CMenu::AddItem(DWORD kind, const char* text, float x, float y, float scale, bool centred, int group,
                     bool disabled, bool rightAligned, bool indented)
{
    strMenuItem* item = new strMenuItem{};
    g_Debug.AddAllocation(kItemTag);
    item->next = m_pItems;
    if (m_pItems)
        m_pItems->prev = item;
    m_pItems = item;

    char full[MENU_ITEM_TEXT + 16];
    std::snprintf(full, sizeof full, "%s%s", indented ? kIndent : "", text ? text : "");
    CopyCut(item->text, sizeof item->text, full);
    item->kind = kind;
    item->group = group;
    item->disabled = disabled ? 1 : 0;
    item->indented = indented ? 1 : 0;
    item->id = m_iItemCounter++;
    item->width = g_Font.GetTextWidth(item->text, TEXT_SIZE, FONT) + 48.0f * SX();
    item->scale = scale;
    item->y = y;
    item->anchorX = x;
    item->alpha = 1.0f;
    item->color = 0xFF000000;
    if (group >= 0 && m_bDeferred)
    {
        item->alpha = 0.0f;
        item->color = 0;
    }
    item->x = x;
    if (centred)
        item->x -= item->width * 0.5f;
    else if (rightAligned)
        item->x -= item->width;
    return item->id;
}

void CMenu::SetItemText(DWORD id, const char* text, bool recentre, bool disabled)
{
    strMenuItem* item = FindItem(id);
    if (!item)
        return;
    CopyCut(item->text, sizeof item->text, text ? text : "");
    item->disabled = disabled ? 1 : 0;
    const float width = g_Font.GetTextWidth(item->text, TEXT_SIZE, FONT) * item->scale;
    if (recentre)
        item->x = item->anchorX - width * 0.5f;
    item->width = width;
    if (m_pEdited == item && m_iCaret > static_cast<int>(std::strlen(item->text)))
        m_iCaret = static_cast<int>(std::strlen(item->text));
}

void CMenu::ClearItems()
{
    while (m_pItems)
    {
        strMenuItem* next = m_pItems->next;
        delete m_pItems;
        g_Debug.RemoveAllocation(kItemTag);
        m_pItems = next;
    }
    m_iItemCounter = 0;
    // Nothing may point into the freed list.
    m_pHovered = m_pPressed = m_pEdited = nullptr;
    m_iCaret = 0;
}

strMenuItem* CMenu::FindItem(DWORD id) const
{
    for (strMenuItem* item = m_pItems; item; item = item->next)
        if (item->id == id)
            return item;
    return nullptr;
}

MenuHitBox CMenu::HitBox(const strMenuItem& item)
{
    const float sx = SX(), sy = SY();
    if (item.group >= 0)
        return {item.x - 16.0f * sx, item.y - 8.0f * sy, item.x - 16.0f * sx + 216.0f * sx,
                item.y + 24.0f * sy};
    return {item.x, item.y, item.x + item.width, item.y + 24.0f * sy};
}

int CMenu::AddSlider(float x, float y, float width, float height, float* value)
{
    if (m_iSliders >= MENU_MAX_SLIDERS)
        return -1;
    m_Sliders[m_iSliders] = {x, y, width, height, value};
    return m_iSliders++;
}

// ---- Open and close ---------------------------------------------------------------------

void CMenu::Open(BYTE atStart, int page)
{
    if (m_bMenuActive || m_bOptionsLock)
        return;
    m_fSavedTimeSpeed = g_Options.GlobalTimeSpeed;
    m_SavedMouse = g_Mouse.m_State;
    if (!atStart)
        g_SoundMgr.Music_Pause();

    if (!m_bTexturesLoaded)
        LoadTextures();
    CreateBackdropObjects();
    for (int i = 0; i < MENU_START_PUFFS; ++i)
        AddPuff(true);

    m_fGammaShown = m_fGammaApplied = g_Camera.GetGamma() / 3.0f;
    CopyCut(m_szOK, sizeof m_szOK, g_TextMgr.GetText(">MMOK"));
    CopyCut(m_szCancel, sizeof m_szCancel, g_TextMgr.GetText(">MMCancel"));
    g_Engine.UnacquireInput();
    g_Camera.SaveFrames();

    // The cursor starts in the middle of the screen; a button held while the
    // menu opens does not click.
    g_Mouse.m_State.x = g_Mouse.m_State.y = kPi * 0.5;
    m_bReleaseLatch = 1;
    m_bButton = m_bButtonLast = 0;
    m_dTime = 0.0;
    m_bMenuActive = 1;
    g_Options.GameplayRunning = 0;
    ShowPage(page, 1);
    m_pEdited = nullptr;
    m_fCursorSize = 32.0f;
    m_bShift = m_bCapsLock = 0;
    m_fOpenFade = 1.0f;
    m_bOpenedAtStart = atStart;
    m_bToldEffect = 0;
    m_bOpenKeyHeld = atStart ? 0 : 1;
    m_bCloseOnRelease = 0;
}

void CMenu::Close()
{
    if (!m_bMenuActive)
        return;
    ReleaseBackdrop();
    g_SoundMgr.SetMusicVolume(g_Options.MusicVolume);
    g_SoundMgr.SetMasterVolume(g_Options.MasterVolume);
    g_SaveMgr.CaptureThumbnail();
    g_CommandMgr.SaveKeys();
    g_Mouse.m_State = m_SavedMouse;
    g_Engine.AcquireInput();
    g_Options.GameplayRunning = 1;
    m_bMenuActive = 0;
    g_Camera.RestoreFrames();
    ClearItems();
    ReleaseThumbnail();
    FreeLoadRows();
    m_bConfirmShown = m_bDelete = 0;
    m_bCaptureArmed = m_bCaptureWaitRelease = 0;
    m_iRequestedPage = -1;
    if (CMainGame::IsRealLevel())
        g_SoundMgr.Music_Resume();
    g_Options.GlobalTimeSpeed = m_fSavedTimeSpeed;
}

void CMenu::ShowPage(int page, BYTE deferred)
{
    m_iRequestedPage = page;
    m_bDeferred = deferred;
    if (!deferred)
        BuildPage();
}

void CMenu::OnResetDevice()
{
    ShowPage(m_iPage, 1);
}

void CMenu::ResetPageState()
{
    // The level start deleted every object: the handles name nothing now.
    m_hHero = m_hRifle = nullptr;
}

// ---- Frame ------------------------------------------------------------------------------

void CMenu::Update()
{
    if (!m_bMenuActive)
        return;
    const float dt = g_Engine.m_fDeltaTime;
    m_fFrameTime = dt;
    m_dTime += dt;
    g_Options.GlobalTimeSpeed = 1.0f;

    MovePuffs(dt);
    if (m_iRequestedPage < 0)
        for (strMenuItem* item = m_pItems; item; item = item->next)
            if (item->group >= 0)
            {
                item->alpha += kFadeInRate * dt;
                if (item->alpha > 1.0f)
                    item->alpha = 1.0f;
            }
    m_fPageFade += kPageFadeRate * dt;

    MouseStep();
    if (!m_bMenuActive)
        return;
    if (m_iPage == PAGE_INFO)
        m_fCreditsScroll -= kCreditsSpeed * dt;
    if (m_iPage == PAGE_KEYS)
        UpdateKeyCapture();

    g_SoundMgr.SetMusicVolume(g_Options.MusicVolume);
    g_SoundMgr.SetMasterVolume(g_Options.MasterVolume);
    if (g_Options.MusicOn)
        g_SoundMgr.Music_Resume();
    else
        g_SoundMgr.Music_Pause();
}

void CMenu::MouseStep()
{
    EMouseState& mouse = g_Mouse.m_State;
    if (!(mouse.x >= 0.0))
        mouse.x = 0.0;
    if (mouse.x > kPi)
        mouse.x = kPi;
    if (!(mouse.y >= 0.0))
        mouse.y = 0.0;
    if (mouse.y > kPi)
        mouse.y = kPi;
    const float w = ScreenW(), h = ScreenH();
    m_fCursorX = static_cast<float>(w * (mouse.x / kPi));
    m_fCursorY = static_cast<float>(h * (mouse.y / kPi));
    if (m_fCursorX > w - 8.0f * SX())
        m_fCursorX = w - 8.0f * SX();
    if (m_fCursorY > h - 8.0f * SY())
        m_fCursorY = h - 8.0f * SY();
    if (m_fCursorX < 0.0f)
        m_fCursorX = 0.0f;
    if (m_fCursorY < 0.0f)
        m_fCursorY = 0.0f;

    // The latch holds a press made before it was set as up until the button
    // is let go.
    if (m_bReleaseLatch && !mouse.buttons[0])
        m_bReleaseLatch = 0;
    if (m_iRequestedPage >= 0)
    {
        BuildPage();
        return;
    }

    const BYTE down = mouse.buttons[0] && !m_bReleaseLatch ? 1 : 0;
    m_bButtonLast = m_bButton;
    m_bButton = down;

    strMenuItem* hovered = nullptr;
    const float cx = m_fCursorX, cy = m_fCursorY;
    for (strMenuItem* item = m_pItems; item; item = item->next)
    {
        if (item->kind == ITEM_LABEL || item->disabled)
            continue;
        const MenuHitBox box = HitBox(*item);
        if (cx > box.left && cx < box.right && cy > box.top && cy < box.bottom)
            hovered = item;
    }
    if (hovered && hovered != m_pHovered)
        g_SoundMgr.PlaySoundOnce(HOVER_SOUND, 1.0f, 0.0f);
    m_pHovered = hovered;

    m_pPressed = m_bButton ? m_pHovered : nullptr;
    const bool pressedNow = m_bButton && !m_bButtonLast;
    if (pressedNow)
    {
        if (m_pHovered && m_pHovered->kind == ITEM_TEXT)
        {
            m_pEdited = m_pHovered;
            m_iCaret = static_cast<int>(std::strlen(m_pEdited->text));
        }
        else
            m_pEdited = nullptr;
    }

    if (m_bButton)
        for (int i = 0; i < m_iSliders; ++i)
        {
            const strMenuSlider& s = m_Sliders[i];
            if (!s.value || !(s.width > 0.0f))
                continue;
            if (cx >= s.x && cx <= s.x + s.width && cy >= s.y && cy <= s.y + s.height)
            {
                float v = (cx - s.x) / s.width;
                *s.value = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
            }
        }

    if (m_iPage == PAGE_LOAD)
        PressLoadList();
    if (m_bButtonLast && !m_bButton)
        OnClick(m_pHovered);
}

// ---- Keys -------------------------------------------------------------------------------

void CMenu::OnKeyDown(WPARAM key)
{
    m_LastKeyDown = key;
    if (!m_bMenuActive)
        return;
    // Shift and Caps Lock count for typing too.
    if (key == VK_SHIFT)
        m_bShift = 1;
    else if (key == VK_CAPITAL)
        m_bCapsLock = m_bCapsLock ? 0 : 1;
    if (m_pEdited)
    {
        if (key == VK_ESCAPE)
            m_pEdited = nullptr;
        else
            TypeKey(key);
        return;
    }
    if (!m_bOpenedAtStart && m_bOpenKeyHeld && g_CommandMgr.IsCommandKey(CMD_MENU_KEY, key))
        return;
    if (key == VK_ESCAPE)
    {
        if (!m_bOpenedAtStart)
            m_bCloseOnRelease = 1;
        else if (m_iPage == PAGE_MAIN)
            ShowPage(PAGE_QUIT, 1);
        else
            ShowPage(PAGE_MAIN, 1);
    }
    else if (key == VK_F8)
        g_Engine.m_bScreenshot = 1;
}

void CMenu::OnKeyUp(WPARAM key)
{
    m_LastKeyUp = key;
    if (key == VK_SHIFT)
        m_bShift = 0;
    if (!m_bMenuActive)
        return;
    if (g_CommandMgr.IsCommandKey(CMD_MENU_KEY, key))
        m_bOpenKeyHeld = 0;
    if (key == VK_ESCAPE && m_bCloseOnRelease)
    {
        Close();
        // The table may still hold the key from the last poll.
        g_CommandMgr.ClearKeyboardState();
    }
}

void CMenu::TypeKey(WPARAM key)
{
    char* text = m_pEdited->text;
    int length = static_cast<int>(std::strlen(text));
    if (m_iCaret > length)
        m_iCaret = length;
    if (m_iCaret < 0)
        m_iCaret = 0;
    char typed = 0;
    if (key == 190)
        typed = '.';
    else if (key == 189)
        typed = '-';
    else if (key == 220)
        typed = '\\';
    else if (key >= 'A' && key <= 'Z')
    {
        const bool upper = (m_bShift != 0) != (m_bCapsLock != 0);
        typed = static_cast<char>(upper ? key : key - 'A' + 'a');
    }
    else if ((key >= '0' && key <= '9') || key == VK_SPACE)
        typed = static_cast<char>(key);

    if (typed)
    {
        if (length >= MENU_TEXT_FIELD_LIMIT || length + 1 >= MENU_ITEM_TEXT)
            return;
        std::memmove(text + m_iCaret + 1, text + m_iCaret, static_cast<size_t>(length - m_iCaret) + 1);
        text[m_iCaret++] = typed;
        return;
    }
    switch (key)
    {
    case VK_BACK:
        if (m_iCaret > 0)
        {
            std::memmove(text + m_iCaret - 1, text + m_iCaret, static_cast<size_t>(length - m_iCaret) + 1);
            --m_iCaret;
        }
        break;
    case VK_DELETE:
        if (m_iCaret < length)
            std::memmove(text + m_iCaret, text + m_iCaret + 1, static_cast<size_t>(length - m_iCaret));
        break;
    case VK_LEFT:
        if (m_iCaret > 0)
            --m_iCaret;
        break;
    case VK_RIGHT:
        if (m_iCaret < length)
            ++m_iCaret;
        break;
    case VK_RETURN:
        m_pEdited = nullptr;
        break;
    default:
        break;
    }
}

// ---- Drawing ----------------------------------------------------------------------------

void CMenu::Render()
{
    if (!m_bMenuActive)
        return;
    if (m_fGammaShown != m_fGammaApplied)
    {
        g_Camera.SetGamma(m_fGammaShown * 3.0f);
        m_fGammaApplied = m_fGammaShown;
    }
    const float w = ScreenW(), h = ScreenH();
    if (m_Black.m_bCreated)
    {
        m_Black.Begin2D(false);
        m_Black.SetRect(0.0f, 0.0f, w, h);
        m_Black.SetColor(kOpaqueBlack);
        m_Black.Render(true);
        m_Black.Restore2D();
    }
    RenderBackdrop();
    if (m_iPage == PAGE_KEYS)
    {
        g_Font.BeginText();
        RenderKeyList();
        g_Font.EndText();
    }
    if (m_iPage == PAGE_LOAD)
        RenderLoadList();
    if (m_iPage == PAGE_AUDIO || m_iPage == PAGE_GAME_OPTIONS)
        RenderChecks();
    RenderItems();

    if (m_Cursor.m_bCreated)
    {
        const float size = m_fCursorSize * SX();
        m_Cursor.Begin2D(false);
        m_Cursor.SetRect(m_fCursorX, m_fCursorY, m_fCursorX + size, m_fCursorY + size * SY() / SX());
        m_Cursor.Render(true);
        m_Cursor.Restore2D();
    }

    m_fOpenFade -= m_fFrameTime;
    if (m_fOpenFade > 0.0f && m_OpenFadeLayer.m_bCreated)
    {
        m_OpenFadeLayer.Begin2D(false);
        m_OpenFadeLayer.SetRect(0.0f, 0.0f, w, h);
        m_OpenFadeLayer.SetColor(WithAlpha(kOpaqueBlack, m_fOpenFade));
        m_OpenFadeLayer.Render(true);
        m_OpenFadeLayer.Restore2D();
    }
}

void CMenu::RenderItems()
{
    const float sx = SX(), sy = SY();
    float fade = m_fPageFade;
    if (fade < 0.0f)
        fade = 0.0f;
    if (fade > 1.0f)
        fade = 1.0f;

    // The bars under the items go first, so the texts stay readable on them.
    if (m_ItemBar.m_bCreated)
    {
        m_ItemBar.Begin2D(true);
        for (strMenuItem* item = m_pItems; item; item = item->next)
        {
            if (item->group < 0)
                continue;
            const float shift = item->indented ? 32.0f * sx : 0.0f;
            // The bar's strength: 255 under the hovered item, 180 under the
            // others, times the page fade, on a mid grey.
            const float strength = (item == m_pHovered ? 255.0f : 180.0f) * fade * item->alpha;
            const DWORD a =
                static_cast<DWORD>(strength < 0.0f ? 0.0f : (strength > 255.0f ? 255.0f : strength));
            m_ItemBar.SetRect(item->x - 24.0f * sx + shift, item->y - 2.0f * sy,
                              item->x + 180.0f * sx + shift, item->y + 26.0f * sy);
            m_ItemBar.SetColor((a << 24) | kBarGrey);
            m_ItemBar.Render(true);
        }
        m_ItemBar.Restore2D();
    }
    g_Font.BeginText();
    for (strMenuItem* item = m_pItems; item; item = item->next)
    {
        DWORD color;
        if (item->kind == ITEM_LABEL)
            color = item->group < 0 ? COLOR_TITLE : COLOR_NORMAL;
        else if (item->kind == ITEM_TEXT)
            color = item == m_pEdited ? COLOR_EDITED : (item == m_pHovered ? COLOR_HOVERED : COLOR_NORMAL);
        else
            color = item == m_pPressed ? COLOR_PRESSED : (item == m_pHovered ? COLOR_HOVERED : COLOR_NORMAL);
        if (item->disabled)
            color = Disabled(color);
        const float alpha = item->group >= 0 ? fade * item->alpha : fade;
        char shown[MENU_ITEM_TEXT + 2];
        if (item == m_pEdited)
        {
            const int caret = m_iCaret;
            std::snprintf(shown, sizeof shown, "%.*s|%s", caret, item->text, item->text + caret);
        }
        else
            std::snprintf(shown, sizeof shown, "%s", item->text);
        g_Font.DrawText(shown, item->x, item->y, WithAlpha(color, alpha), TEXT_SIZE, FONT, false, false);
    }
    if (m_iPage == PAGE_INFO)
        g_Credits.RenderLines(m_fCreditsScroll, COLOR_TITLE);
    if (!g_Options.PixelShader20 && !g_Options.PixelShader30)
        g_Font.DrawText(g_TextMgr.GetText(">WARN1"), 512.0f * sx, 730.0f * sy, kWarning, kWarningSize, FONT,
                        true, false);
    g_Font.EndText();

    if (m_SliderBar.m_bCreated && m_iSliders)
    {
        m_SliderBar.Begin2D(true);
        for (int i = 0; i < m_iSliders; ++i)
        {
            const strMenuSlider& s = m_Sliders[i];
            m_SliderBar.SetRect(s.x - 4.0f * sx, s.y - 4.0f * sy, s.x + s.width + 4.0f * sx,
                                s.y + s.height + 4.0f * sy);
            m_SliderBar.Render(true);
        }
        m_SliderBar.Restore2D();
    }
    if (m_SliderKnob.m_bCreated && m_iSliders)
    {
        m_SliderKnob.Begin2D(true);
        for (int i = 0; i < m_iSliders; ++i)
        {
            const strMenuSlider& s = m_Sliders[i];
            float v = s.value ? *s.value : 0.0f;
            if (!(v >= 0.0f))
                v = 0.0f;
            if (v > 1.0f)
                v = 1.0f;
            m_SliderKnob.SetQuad(s.x, s.y, s.x + s.width * v, s.y, s.x + s.width * v, s.y + s.height, s.x,
                                 s.y + s.height, 0.0f, v, 0.0f, 1.0f, 0.0f);
            m_SliderKnob.Render(true);
        }
        m_SliderKnob.Restore2D();
    }
}
