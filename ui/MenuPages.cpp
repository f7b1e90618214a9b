// The menu's pages: what each holds and what a click on each item does.
// Positions are virtual 1024 x 768 units, scaled when an item is added.

#include "ui/Menu.h"

#include "game/GameAI.h"
#include "game/MainGame.h"
#include "game/SaveMgr.h"
#include "platform/win32/Win32.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "render/Font.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "sound/GameMusic.h"
#include "ui/Credits.h"
#include "ui/Objective.h"
#include "ui/Panel.h"
#include "world/Engine.h"

#include <algorithm>
#include <cstring>

const int CMenu::KEY_ROW_COMMANDS[MENU_KEY_ROWS] = {3, 4, 5, 6, 1, 8, 34, 18, 71, 19, 17, 14, 25, 16, 23, 24};
const char* const CMenu::KEY_ROW_LABELS[MENU_KEY_ROWS] = {">K01", ">K02", ">K03", ">K04", ">K05", ">K08",
                                                          ">K07", ">K18", ">K17", ">K09", ">K10", ">K11",
                                                          ">K13", ">K14", ">K15", ">K16"};

namespace
{
constexpr float kStep = 36.0f;
constexpr float kLabelStep = 57.0f;
constexpr float kAfterLabel = 76.0f;
constexpr float kListX = 510.0f, kListY = 140.0f, kListRow = 32.0f, kListWidth = 320.0f;
constexpr float kArrow = 32.0f;
constexpr float kArrowRepeat = 0.3f;
constexpr float kKeyRowsY = 100.0f, kKeyRow = 26.0f, kKeyColumnWidth = 140.0f;
constexpr float kKeyColumns[2] = {360.0f, 590.0f};

float SX()
{
    return g_Options.fScreenScaleX;
}
float SY()
{
    return g_Options.fScreenScaleY;
}

bool NewestFirst(const SaveFileRecord* a, const SaveFileRecord* b)
{
    const SYSTEMTIME& x = a->time;
    const SYSTEMTIME& y = b->time;
    const WORD ax[] = {x.wYear, x.wMonth, x.wDay, x.wHour, x.wMinute, x.wSecond, x.wMilliseconds};
    const WORD bx[] = {y.wYear, y.wMonth, y.wDay, y.wHour, y.wMinute, y.wSecond, y.wMilliseconds};
    for (int i = 0; i < 7; ++i)
        if (ax[i] != bx[i])
            return ax[i] > bx[i];
    return false;
}
} // namespace

// ---- Building -----------------------------------------------------------------------------

void CMenu::BuildPage()
{
    const int page = m_iRequestedPage >= 0 ? m_iRequestedPage : m_iPage;
    ClearItems();
    m_fPageFade = 0.0f;
    m_iSliders = 0;
    if (page != PAGE_LOAD)
    {
        ReleaseThumbnail();
        FreeLoadRows();
        m_bConfirmShown = m_bDelete = 0;
        m_bDraggingKnob = 0;
    }
    if (page != PAGE_KEYS)
        m_bCaptureArmed = m_bCaptureWaitRelease = 0;
    m_iPage = page;

    const float sx = SX(), sy = SY();
    const auto text = [](const char* key) { return g_TextMgr.GetText(key); };
    const auto button = [&](const char* key, float x, float y, int group, bool disabled = false,
                            bool indented = false) {
        return AddItem(ITEM_BUTTON, text(key), x * sx, y * sy, 1.0f, false, group, disabled, false, indented);
    };
    const auto title = [&](const char* key, float x, float y)
    { return AddItem(ITEM_LABEL, text(key), x * sx, y * sy, 1.0f, false, -1, false, false, false); };

    switch (page)
    {
    case PAGE_NEW_GAME:
    {
        title(">MS1", 200.0f, 140.0f);
        float y = 276.0f;
        button(">MS2", 120.0f, y, 0);
        y += 2.0f * kStep;
        button(">MS3", 120.0f, y, 0);
        y += kStep;
        button(">MS4", 120.0f, y, 0);
        y += kStep;
        button(">MMBackM", 120.0f, y, 1);
        break;
    }
    case PAGE_LOAD:
    {
        title(">MMLoad", 120.0f, 100.0f);
        button(">SG03", 120.0f, 500.0f, 0);
        button(">SG04", 120.0f, 540.0f, 0);
        char back[MENU_ITEM_TEXT];
        std::snprintf(back, sizeof back, "%s.", text(">MMBackM"));
        AddItem(ITEM_BUTTON, back, 120.0f * sx, 580.0f * sy, 1.0f, false, 1, false, false, false);
        if (!m_bConfirmShown)
        {
            // A fresh visit (not the rebuild after a "No"): the list is read again.
            BuildLoadList();
            m_iLoadFirst = 0;
            SelectLoadRow(0);
        }
        else
        {
            char question[MENU_ITEM_TEXT];
            std::snprintf(question, sizeof question, "%s?", text(">SG05"));
            AddItem(ITEM_LABEL, question, 525.0f * sx, 560.0f * sy, 1.0f, true, -1, false, false, false);
            AddItem(ITEM_BUTTON, text(">MYes"), 477.0f * sx, 600.0f * sy, 1.0f, true, -1, false, false,
                    false);
            AddItem(ITEM_BUTTON, text(">MNo"), 573.0f * sx, 600.0f * sy, 1.0f, true, -1, false, false, false);
        }
        break;
    }
    case PAGE_AUDIO:
    {
        title(">MOAudio", 200.0f, 120.0f);
        float y = 240.0f;
        button(">MAO1", 120.0f, y, 0, false, true);
        y += kLabelStep;
        title(">MAO2", 120.0f, y);
        AddSlider(368.0f * sx, y * sy, 240.0f * sx, 18.0f * sy, &g_Options.MasterVolume);
        y += kAfterLabel;
        button(">MAO3", 120.0f, y, 0, false, true);
        y += kLabelStep;
        title(">MAO4", 120.0f, y);
        AddSlider(368.0f * sx, y * sy, 240.0f * sx, 18.0f * sy, &g_Options.MusicVolume);
        y += kAfterLabel;
        button(">MAO5", 120.0f, y, 0, false, true);
        y += kLabelStep;
        button(">MMBackM", 120.0f, y, 1);
        break;
    }
    case PAGE_GAME_OPTIONS:
    {
        title(">MOGOptions", 200.0f, 120.0f);
        float y = 240.0f;
        button(">MCO1", 120.0f, y, 0, false, true);
        float* values[] = {&g_Options.MouseSensitivity, &g_Options.MenuValueA, &m_fGammaShown};
        const char* labels[] = {">MCO2", ">MCO3", ">MCO4"};
        for (int i = 0; i < 3; ++i)
        {
            y += i == 0 ? kLabelStep : kAfterLabel;
            title(labels[i], 120.0f, y);
            // Under its label, so the label's text stays clear.
            AddSlider(228.0f * sx, (y + 32.0f) * sy, 300.0f * sx, 18.0f * sy, values[i]);
        }
        y += kAfterLabel;
        button(">MMBackM", 120.0f, y, 1);
        break;
    }
    case PAGE_KEYS:
    {
        const float y = 240.0f + 9.0f * kStep;
        AddItem(ITEM_BUTTON, m_szOK, 120.0f * sx, y * sy, 1.0f, false, 0, false, false, false);
        AddItem(ITEM_BUTTON, m_szCancel, 120.0f * sx, (y + 32.0f) * sy, 1.0f, false, 0, false, false, false);
        g_Engine.AcquireInput();
        m_bCaptureArmed = m_bCaptureWaitRelease = 0;
        std::memcpy(m_dwSavedBindings, g_CommandMgr.m_dwBindings, sizeof m_dwSavedBindings);
        break;
    }
    case PAGE_INFO:
    {
        button(">MMBack", 24.0f, 672.0f, 0);
        m_fCreditsScroll = 768.0f;
        m_bReleaseLatch = 1;
        break;
    }
    case PAGE_QUIT:
    {
        AddItem(ITEM_LABEL, text(">MMQuitSure"), 400.0f * sx, 260.0f * sy, 1.0f, true, -1, false, false,
                false);
        AddItem(ITEM_BUTTON, text(">MMQuitYes"), 260.0f * sx, 314.0f * sy, 1.0f, true, 0, false, false,
                false);
        AddItem(ITEM_BUTTON, text(">MMQuitNo"), 540.0f * sx, 314.0f * sy, 1.0f, true, 0, false, false, false);
        break;
    }
    default:
    {
        // The main page (and any page this build does not have).
        m_iPage = PAGE_MAIN;
        const bool real = CMainGame::IsRealLevel();
        const float top = real ? 276.0f : 240.0f;
        title(">MTMain", 200.0f, 140.0f);
        // The list is built and freed only to count the saves.
        BuildLoadList();
        const bool noSaves = m_iLoadRows == 0;
        FreeLoadRows();
        g_SaveMgr.ClearFileList();
        button(">MMNewGame", 120.0f, top, 0);
        button(">MMLoad", 120.0f, top + kStep, 1, noSaves);
        button(">MOAudio", 120.0f, top + 2.0f * kStep, 2);
        button(">MOGOptions", 120.0f, top + 3.0f * kStep, 2);
        button(">MOKeys", 120.0f, top + 4.0f * kStep, 2);
        button(">MMInfo", 120.0f, top + 5.0f * kStep, 3);
        button(">MMQuit", 120.0f, top + 7.0f * kStep, 4);
        m_bBackItem = real ? 1 : 0;
        if (real)
            button(">MQBack", 120.0f, top - kStep, 3);
        break;
    }
    }
    m_iRequestedPage = -1;
}

// ---- Clicks -------------------------------------------------------------------------------

void CMenu::OnClick(strMenuItem* item)
{
    if (!item || item->disabled)
        return;
    const DWORD id = item->id;
    switch (m_iPage)
    {
    case PAGE_MAIN:
    {
        const int targets[] = {-1,        PAGE_NEW_GAME, PAGE_LOAD, PAGE_AUDIO, PAGE_GAME_OPTIONS,
                               PAGE_KEYS, PAGE_INFO,     PAGE_QUIT};
        // Item 8 is ">MQBack", there only while a real level is loaded.
        if (id == 8 && m_bBackItem)
            Close();
        else if (id >= 1 && id <= 7)
            ShowPage(targets[id], 1);
        break;
    }
    case PAGE_NEW_GAME:
        if (id >= 1 && id <= 3)
            StartNewGame(static_cast<int>(id) - 1);
        else if (id == 4)
            ShowPage(PAGE_MAIN, 1);
        break;
    case PAGE_LOAD:
        if (id == 1 && m_pLoadSelection && !m_bConfirmShown)
        {
            char path[sizeof m_pLoadSelection->path];
            CopyCut(path, sizeof path, m_pLoadSelection->path);
            if (g_SaveMgr.CheckSaveFile(path))
            {
                Close();
                ReleaseBackdrop();
                g_SaveMgr.LoadGame(path);
            }
        }
        else if (id == 2 && m_pLoadSelection && !m_bConfirmShown)
        {
            char question[MENU_ITEM_TEXT];
            std::snprintf(question, sizeof question, "%s?", g_TextMgr.GetText(">SG05"));
            const float sx = SX(), sy = SY();
            AddItem(ITEM_LABEL, question, 525.0f * sx, 560.0f * sy, 1.0f, true, -1, false, false, false);
            AddItem(ITEM_BUTTON, g_TextMgr.GetText(">MYes"), 477.0f * sx, 600.0f * sy, 1.0f, true, -1, false,
                    false, false);
            AddItem(ITEM_BUTTON, g_TextMgr.GetText(">MNo"), 573.0f * sx, 600.0f * sy, 1.0f, true, -1, false,
                    false, false);
            m_bConfirmShown = 1;
        }
        else if (id == 3)
            ShowPage(PAGE_MAIN, 1);
        else if (id == 5 && m_bConfirmShown)
        {
            DeleteSelectedSave();
            m_bConfirmShown = 0;
            ShowPage(PAGE_MAIN, 1);
        }
        else if (id == 6 && m_bConfirmShown)
        {
            m_bConfirmShown = 0;
            ShowPage(PAGE_LOAD, 1);
        }
        break;
    case PAGE_AUDIO:
        if (id == 1)
            g_Options.sound = g_Options.sound ? 0 : 1;
        else if (id == 3)
            g_Options.MusicOn = g_Options.MusicOn ? 0 : 1;
        else if (id == 5)
            g_Options.SubtitlesOn = g_Options.SubtitlesOn ? 0 : 1;
        else if (id == 6)
            ShowPage(PAGE_MAIN, 1);
        break;
    case PAGE_GAME_OPTIONS:
        if (id == 1)
            g_Options.MouseOption = g_Options.MouseOption ? 0 : 1;
        else if (id == 5)
            ShowPage(PAGE_MAIN, 1);
        break;
    case PAGE_KEYS:
        if (id == 0)
        {
            m_bCaptureArmed = m_bCaptureWaitRelease = 0;
            g_CommandMgr.SaveKeys();
            ShowPage(PAGE_MAIN, 1);
        }
        else if (id == 1)
        {
            // Cancel puts back the bindings the page opened with.
            m_bCaptureArmed = m_bCaptureWaitRelease = 0;
            std::memcpy(g_CommandMgr.m_dwBindings, m_dwSavedBindings, sizeof m_dwSavedBindings);
            ShowPage(PAGE_MAIN, 1);
        }
        break;
    case PAGE_INFO:
        if (id == 0)
            ShowPage(PAGE_MAIN, 1);
        break;
    case PAGE_QUIT:
        if (id == 1)
        {
            Close();
            g_Engine.RequestQuit();
        }
        else if (id == 2)
            ShowPage(PAGE_MAIN, 1);
        break;
    default:
        break;
    }
}

void CMenu::StartNewGame(int difficulty)
{
    PlayerStats.m_fHealth = PlayerStats.m_fMaxHealth;
    PlayerStats.m_bDead = 0;
    PlayerStats.m_bMissionFailed = 0;
    // A new game starts with every permission the last game's scripts took away.
    PlayerStats.m_bCombatMode = 1;
    PlayerStats.m_bCanRun = 1;
    PlayerStats.m_bCanJump = 1;
    g_Options.UpdateBezier = 1;
    g_Options.Difficulty = difficulty < 0 ? 0 : (difficulty > 2 ? 2 : difficulty);
    Close();
    ReleaseBackdrop();
    Bronie.Reset();
    Bronie.ClearSlots();
    g_GameAI.ResetVariables();
    g_MainGame.m_iLevelFrame = 0;
    g_Objective.Clear();
    g_GameMusic.StopAndReset();
    g_Panel.ResetHint();
    g_Engine.RequestWorldChange(NEW_GAME_WORLD);
}

// ---- Load page ----------------------------------------------------------------------------

void CMenu::FreeLoadRows()
{
    delete[] m_ppLoadRows;
    m_ppLoadRows = nullptr;
    m_iLoadRows = 0;
    m_pLoadSelection = nullptr;
}

void CMenu::BuildLoadList()
{
    g_SaveMgr.ClearFileList();
    g_SaveMgr.BuildFileList();
    SetLoadRows(g_SaveMgr.m_pFileList);
}

void CMenu::SetLoadRows(SaveFileRecord* head)
{
    FreeLoadRows();
    ReleaseThumbnail();
    int count = 0;
    for (SaveFileRecord* r = head; r; r = r->next)
        if (!ContainsNoCase(r->name, "auto"))
            ++count;
    if (!count)
        return;
    m_ppLoadRows = new SaveFileRecord*[static_cast<size_t>(count)];
    int n = 0;
    for (SaveFileRecord* r = head; r && n < count; r = r->next)
        if (!ContainsNoCase(r->name, "auto"))
            m_ppLoadRows[n++] = r;
    std::stable_sort(m_ppLoadRows, m_ppLoadRows + n, NewestFirst);
    for (int i = 0; i < n; ++i)
        if (ContainsNoCase(m_ppLoadRows[i]->name, "quick"))
        {
            SaveFileRecord* quick = m_ppLoadRows[i];
            std::memmove(m_ppLoadRows + i, m_ppLoadRows + i + 1, sizeof(SaveFileRecord*) * (n - i - 1));
            m_ppLoadRows[n - 1] = quick;
            break;
        }
    m_iLoadRows = n;
    m_iLoadFirst = 0;
}

void CMenu::SelectLoadRow(int row)
{
    // A row without a save keeps the selection as it was.
    if (row < 0 || row >= m_iLoadRows)
        return;
    m_iLoadSelected = row;
    m_pLoadSelection = m_ppLoadRows[row];
    LoadThumbnail();
}

void CMenu::ScrollLoadList(int rows)
{
    const int last = m_iLoadRows - m_iLoadVisible;
    m_iLoadFirst += rows;
    if (m_iLoadFirst > last)
        m_iLoadFirst = last;
    if (m_iLoadFirst < 0)
        m_iLoadFirst = 0;
}

void CMenu::PressLoadList()
{
    const float sx = SX(), sy = SY();
    const float cx = m_fCursorX, cy = m_fCursorY;
    const float left = kListX * sx, top = kListY * sy;
    const float barLeft = (kListX + kListWidth - kArrow) * sx, right = (kListX + kListWidth) * sx;
    const float bottom = (kListY + kListRow * MENU_LOAD_ROWS) * sy;
    const bool pressed = m_bButton && !m_bButtonLast;
    if (!m_bButton)
    {
        m_bDraggingKnob = 0;
        m_fArrowTimer = 0.0f;
        return;
    }
    if (m_bConfirmShown)
        return;
    const bool inBar = cx >= barLeft && cx <= right && cy >= top && cy <= bottom;
    if (inBar)
    {
        int direction = 0;
        if (cy <= top + kArrow * sy)
            direction = -1;
        else if (cy >= bottom - kArrow * sy)
            direction = 1;
        if (direction)
        {
            // One row at once, then one every 0.3 s while held.
            if (pressed)
            {
                ScrollLoadList(direction);
                m_fArrowTimer = kArrowRepeat;
            }
            else
            {
                m_fArrowTimer -= m_fFrameTime;
                if (m_fArrowTimer <= 0.0f)
                {
                    ScrollLoadList(direction);
                    m_fArrowTimer = kArrowRepeat;
                }
            }
            return;
        }
        if (pressed)
            m_bDraggingKnob = 1;
    }
    if (m_bDraggingKnob)
    {
        const int scrollable = m_iLoadRows - m_iLoadVisible;
        const float track = bottom - top - 2.0f * kArrow * sy;
        if (scrollable > 0 && track > 0.0f)
        {
            float t = (cy - top - kArrow * sy) / track;
            t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
            m_iLoadFirst = static_cast<int>(t * static_cast<float>(scrollable) + 0.5f);
        }
        return;
    }
    if (pressed && cx >= left && cx < barLeft && cy >= top && cy < bottom)
    {
        const int row = static_cast<int>((cy - top) / (kListRow * sy));
        SelectLoadRow(m_iLoadFirst + row);
    }
}

void CMenu::DeleteSelectedSave()
{
    if (!m_pLoadSelection)
        return;
    // The record keeps both names whole; a name rebuilt from its display
    // field could be cut and point at another file.
    char save[sizeof m_pLoadSelection->path];
    char picture[sizeof m_pLoadSelection->thumbnailPath];
    CopyCut(save, sizeof save, m_pLoadSelection->path);
    CopyCut(picture, sizeof picture, m_pLoadSelection->thumbnailPath);
    ReleaseThumbnail();
    if (save[0] && !DeleteFileA(save))
        g_Console.Print2("ERROR in CMenu::DeleteSelectedSave(): cannot delete ", save);
    if (picture[0])
        DeleteFileA(picture);
    FreeLoadRows();
    g_SaveMgr.ClearFileList();
}

void CMenu::RenderLoadList()
{
    const float sx = SX(), sy = SY();
    if (m_pThumbnail && m_ThumbRect.m_bCreated && m_pLoadSelection)
    {
        m_ThumbRect.Begin2D(false);
        m_ThumbRect.SetRect(80.0f * sx, 140.0f * sy, 480.0f * sx, 440.0f * sy);
        m_ThumbRect.SetColor(0xFFFFFFFF);
        if (g_pD3DInterface)
            g_pD3DInterface->SetTexture(0, m_pThumbnail);
        m_ThumbRect.Render(false);
        m_ThumbRect.Restore2D();
    }
    const float barLeft = (kListX + kListWidth - kArrow) * sx, right = (kListX + kListWidth) * sx;
    const float top = kListY * sy, bottom = (kListY + kListRow * MENU_LOAD_ROWS) * sy;
    if (m_SliderBar.m_bCreated)
    {
        m_SliderBar.Begin2D(true);
        m_SliderBar.SetRect(barLeft, top, right, bottom);
        m_SliderBar.Render(true);
        m_SliderBar.Restore2D();
    }
    const bool held = m_bButton && m_fCursorX >= barLeft && m_fCursorX <= right;
    ERect& up = held && m_fCursorY >= top && m_fCursorY <= top + kArrow * sy ? m_ArrowUpPressed : m_ArrowUp;
    ERect& down =
        held && m_fCursorY <= bottom && m_fCursorY >= bottom - kArrow * sy ? m_ArrowDownPressed : m_ArrowDown;
    if (up.m_bCreated)
    {
        up.Begin2D(false);
        up.SetRect(barLeft, top, right, top + kArrow * sy);
        up.Render(true);
        up.Restore2D();
    }
    if (down.m_bCreated)
    {
        down.Begin2D(false);
        down.SetRect(barLeft, bottom - kArrow * sy, right, bottom);
        down.Render(true);
        down.Restore2D();
    }
    if (m_LoadKnob.m_bCreated)
    {
        const int scrollable = m_iLoadRows - m_iLoadVisible;
        const float track = bottom - top - 2.0f * kArrow * sy - kArrow * sy;
        const float t =
            scrollable > 0 ? static_cast<float>(m_iLoadFirst) / static_cast<float>(scrollable) : 0.0f;
        const float knobTop = top + kArrow * sy + t * track;
        m_LoadKnob.Begin2D(false);
        m_LoadKnob.SetRect(barLeft, knobTop, right, knobTop + kArrow * sy);
        m_LoadKnob.Render(true);
        m_LoadKnob.Restore2D();
    }
    g_Font.BeginText();
    for (int i = 0; i < m_iLoadVisible; ++i)
    {
        const int row = m_iLoadFirst + i;
        if (row >= m_iLoadRows)
            break;
        const DWORD color = row == m_iLoadSelected ? COLOR_HOVERED : COLOR_NORMAL;
        g_Font.DrawText(m_ppLoadRows[row]->name, (kListX + 8.0f) * sx, (kListY + kListRow * i) * sy, color,
                        TEXT_SIZE, FONT, false, false);
    }
    if (m_pLoadSelection)
    {
        const char* lines[] = {m_pLoadSelection->description, m_pLoadSelection->dateText,
                               m_pLoadSelection->difficultyText};
        for (int i = 0; i < 3; ++i)
        {
            char line[sizeof m_pLoadSelection->description + 1];
            CopyCut(line, sizeof line, lines[i]);
            const float width = g_Font.GetTextWidth(line, TEXT_SIZE, FONT);
            g_Font.DrawText(line, 480.0f * sx - width, (460.0f + 34.0f * i) * sy, COLOR_NORMAL, TEXT_SIZE,
                            FONT, false, false);
        }
    }
    g_Font.EndText();
}

// ---- Keys page ----------------------------------------------------------------------------

void CMenu::BindCapturedKey(DWORD code)
{
    if (m_iCaptureRow < 0 || m_iCaptureRow >= MENU_KEY_ROWS || m_iCaptureColumn < 0 || m_iCaptureColumn > 1)
        return;
    for (auto& command : g_CommandMgr.m_dwBindings)
        for (DWORD& bound : command)
            if (bound == code)
                bound = 0;
    g_CommandMgr.m_dwBindings[KEY_ROW_COMMANDS[m_iCaptureRow]][m_iCaptureColumn] = code;
}

void CMenu::UpdateKeyCapture()
{
    const float sx = SX(), sy = SY();
    if (m_bButton && !m_bButtonLast)
    {
        const int row = static_cast<int>((m_fCursorY - kKeyRowsY * sy) / (kKeyRow * sy));
        for (int column = 0; column < 2; ++column)
        {
            const float left = kKeyColumns[column] * sx;
            if (m_fCursorY >= kKeyRowsY * sy && row < MENU_KEY_ROWS && m_fCursorX >= left &&
                m_fCursorX < left + kKeyColumnWidth * sx)
            {
                // The button that armed the capture is still down: the scan
                // waits until it is let go, so it never binds that click.
                m_bCaptureArmed = 1;
                m_bCaptureWaitRelease = 1;
                m_iCaptureRow = row;
                m_iCaptureColumn = column;
            }
        }
    }
    if (!m_bCaptureArmed)
        return;
    const BYTE* keys = g_CommandMgr.m_bKeyState;
    bool anyDown = false;
    for (int code = 1; code < CCommandMgr::KEY_CODES; ++code)
        if (keys[code])
            anyDown = true;
    if (m_bCaptureWaitRelease)
    {
        if (!anyDown)
            m_bCaptureWaitRelease = 0;
        return;
    }
    for (int code = 1; code < CCommandMgr::KEY_CODES; ++code)
        if (keys[code] && g_CommandMgr.m_szKeyNames[code][0])
        {
            BindCapturedKey(static_cast<DWORD>(code));
            m_bCaptureArmed = 0;
            m_bCaptureWaitRelease = 1;
            return;
        }
}

void CMenu::RenderKeyList()
{
    const float sx = SX(), sy = SY();
    for (int row = 0; row < MENU_KEY_ROWS; ++row)
    {
        const float y = (kKeyRowsY + kKeyRow * row) * sy;
        g_Font.DrawText(g_TextMgr.GetText(KEY_ROW_LABELS[row]), 40.0f * sx, y, COLOR_NORMAL, TEXT_SIZE, FONT,
                        false, false);
        for (int column = 0; column < 2; ++column)
        {
            const DWORD code = g_CommandMgr.m_dwBindings[KEY_ROW_COMMANDS[row]][column];
            const char* name = code && code < static_cast<DWORD>(CCommandMgr::KEY_CODES) &&
                                       g_CommandMgr.m_szKeyNames[code][0]
                                   ? g_CommandMgr.m_szKeyNames[code]
                                   : "-----";
            const float left = kKeyColumns[column] * sx;
            DWORD color = COLOR_KEY;
            if (m_bCaptureArmed)
                color = row == m_iCaptureRow && column == m_iCaptureColumn ? COLOR_KEY_ARMED : COLOR_KEY;
            else if (m_fCursorX >= left && m_fCursorX < left + kKeyColumnWidth * sx && m_fCursorY >= y &&
                     m_fCursorY < y + kKeyRow * sy)
                color = COLOR_PRESSED;
            g_Font.DrawText(name, left, y, color, TEXT_SIZE, FONT, false, false);
        }
    }
}

// ---- Check boxes --------------------------------------------------------------------------

void CMenu::RenderChecks()
{
    const float sx = SX(), sy = SY();
    for (strMenuItem* item = m_pItems; item; item = item->next)
    {
        if (!item->indented)
            continue;
        BYTE on = 0;
        if (m_iPage == PAGE_AUDIO)
            on =
                item->id == 1 ? g_Options.sound : (item->id == 3 ? g_Options.MusicOn : g_Options.SubtitlesOn);
        else
            on = g_Options.MouseOption;
        ERect& box = on ? m_Checked : m_Check;
        if (!box.m_bCreated)
            continue;
        box.Begin2D(false);
        box.SetRect(item->x + 8.0f * sx, item->y, item->x + 32.0f * sx, item->y + 24.0f * sy);
        box.SetColor(COLOR_TITLE);
        box.Render(true);
        box.Restore2D();
    }
}
