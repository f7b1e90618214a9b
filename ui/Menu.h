#pragma once
// CMenu: the main and in-game menu. One global, g_Menu, that while open
// replaces the world on screen, stops the game update and takes the window's
// key presses. It is built of pages, each a list of text items (titles,
// buttons, text fields) with optional sliders and check boxes, laid out on the
// virtual 1024 x 768 screen. Behind the pages stands the backdrop: a picture,
// drifting smoke puffs and the hero with his rifle.
//
// The code is split by topic: Menu.cpp (open, close, frame, mouse, keys, text
// fields, drawing), MenuPages.cpp (what each page holds and what its items
// do) and MenuBackdrop.cpp (textures, puffs, the figure and the picture).

#include "platform/d3d9/D3D9.h"
#include "platform/win32/WinTypes.h"
#include "render/Rect.h"
#include "shell/Mouse.h"
#include "shell/Orientation.h"
#include "world/ObjectHandle.h"

struct SaveFileRecord;

constexpr int MENU_ITEM_TEXT = 130;
constexpr int MENU_MAX_SLIDERS = 16;
constexpr int MENU_CAPTION = 64;
constexpr int MENU_TEXT_FIELD_LIMIT = 79; // a text field takes no more characters
constexpr int MENU_KEY_ROWS = 16;
constexpr int MENU_LOAD_ROWS = 9;
constexpr int MENU_START_PUFFS = 20;

// One item of a page.
struct strMenuItem
{
    DWORD id;
    DWORD kind; // 0 title or label, 1 button, 2 text field
    int group;  // -1 for titles; 0 or above fades in and gets the item bar
    BYTE disabled;
    BYTE indented;
    char text[MENU_ITEM_TEXT];
    float x; // left edge after alignment
    float alpha;
    DWORD color;
    float y;
    float anchorX;
    float width;
    float scale;
    strMenuItem* prev;
    strMenuItem* next;
};

// Where the cursor counts as over an item, in pixels.
struct MenuHitBox
{
    float left, top, right, bottom;
};

struct strMenuSlider
{
    float x, y, width, height; // pixels
    float* value;              // 0..1
};

// One drifting smoke puff of the backdrop.
struct strMenuPuff
{
    D3DXVECTOR3 position; // virtual pixels
    D3DXVECTOR3 velocity; // per second
    EOrientation rotation;
    float spin;
    float size;
    float size2;
    float alpha;
    float alpha2;
    ERect rect;
    strMenuPuff* prev;
    strMenuPuff* next;
};

// Everything of the menu but its rectangles (a test snapshot copies it).
struct MenuState
{
    // ---- State --------------------------------------------------------------------------
    BYTE m_bMenuActive = 0;
    int m_iPage = 0;
    int m_iRequestedPage = -1;
    BYTE m_bDeferred = 0;
    BYTE m_bOpenedAtStart = 0;
    BYTE m_bOptionsLock = 0; // nothing sets it; Open does nothing while it is on
    float m_fSavedTimeSpeed = 1.0f;
    double m_dTime = 0.0;
    float m_fFrameTime = 0.0f;
    float m_fPageFade = 0.0f;
    float m_fOpenFade = 0.0f;

    strMenuItem* m_pItems = nullptr; // head: the last added
    DWORD m_iItemCounter = 0;
    strMenuItem* m_pHovered = nullptr;
    strMenuItem* m_pPressed = nullptr;
    strMenuItem* m_pEdited = nullptr;
    int m_iCaret = 0;

    float m_fCursorX = 0.0f, m_fCursorY = 0.0f;
    BYTE m_bButton = 0, m_bButtonLast = 0;
    BYTE m_bReleaseLatch = 0;
    float m_fCursorSize = 32.0f;
    BYTE m_bShift = 0, m_bCapsLock = 0;

    strMenuSlider m_Sliders[MENU_MAX_SLIDERS] = {};
    int m_iSliders = 0;
    float m_fGammaShown = 0.0f, m_fGammaApplied = 0.0f;

    // Load page.
    int m_iLoadFirst = 0, m_iLoadSelected = 0, m_iLoadVisible = MENU_LOAD_ROWS, m_iLoadRows = 0;
    SaveFileRecord* m_pLoadSelection = nullptr;
    BYTE m_bConfirmShown = 0, m_bDelete = 0;
    float m_fArrowTimer = 0.0f;
    SaveFileRecord** m_ppLoadRows = nullptr; // the shown order, m_iLoadRows entries
    BYTE m_bDraggingKnob = 0;
    IDirect3DTexture9* m_pThumbnail = nullptr; // the selection's picture, never in the registry

    // Keys page.
    BYTE m_bCaptureArmed = 0, m_bCaptureWaitRelease = 0;
    int m_iCaptureRow = 0, m_iCaptureColumn = 0;
    DWORD m_dwSavedBindings[260][2] = {}; // the bindings when the page was built (Cancel)

    float m_fCreditsScroll = 768.0f;
    BYTE m_bBackItem = 0; // the main page has its ">MQBack" item

    // Backdrop.
    BYTE m_bTexturesLoaded = 0;
    HOBJECT m_hHero = nullptr;
    HOBJECT m_hRifle = nullptr;
    strMenuPuff* m_pPuffs = nullptr;
    BYTE m_bToldEffect = 0; // the missing-effect line of this opening was printed

    char m_szOK[MENU_CAPTION] = {};
    char m_szCancel[MENU_CAPTION] = {};
    EMouseState m_SavedMouse;

    // In game: the key that opened the menu is still held (its repeats do
    // not close it), and Escape closes the menu once it is let go, so the
    // game never sees the menu key still down and opens it again.
    BYTE m_bOpenKeyHeld = 0;
    BYTE m_bCloseOnRelease = 0;
    WPARAM m_LastKeyDown = 0; // the last key press the menu took
    WPARAM m_LastKeyUp = 0;
};

class CMenu : public MenuState
{
public:
    enum Page
    {
        PAGE_MAIN = 0,
        PAGE_NEW_GAME = 1,
        PAGE_LOAD = 2,
        PAGE_VIDEO = 3,
        PAGE_AUDIO = 4,
        PAGE_GAME_OPTIONS = 5,
        PAGE_KEYS = 6,
        PAGE_INFO = 7,
        PAGE_QUIT = 100,
    };
    enum ItemKind
    {
        ITEM_LABEL = 0,
        ITEM_BUTTON = 1,
        ITEM_TEXT = 2,
    };
    static constexpr DWORD COLOR_TITLE = 0xFFD9D5BF;
    static constexpr DWORD COLOR_DISABLED = 0xFF808080;
    static constexpr DWORD COLOR_HOVERED = 0xFFFCEC96;
    static constexpr DWORD COLOR_PRESSED = 0xFFD2C386;
    static constexpr DWORD COLOR_NORMAL = 0xFFCCC7A7;
    static constexpr DWORD COLOR_EDITED = 0xFFA3CF74;
    static constexpr DWORD COLOR_KEY = 0xFFB0B070;
    static constexpr DWORD COLOR_KEY_ARMED = 0xFF00FF00;
    static constexpr float TEXT_SIZE = 24.0f;
    // The bitmap font of the menu's texts: this build's font 1 is drawn from
    // the small 18-pixel face, too small to read at size 24; font 0 is the
    // large one.
    static constexpr int FONT = 0;
    static constexpr const char* NEW_GAME_WORLD = "worlds\\l01.w";
    static constexpr const char* HOVER_SOUND = "sounds\\special\\menu.wav";
    // The commands of the keys page, row by row, with their labels.
    static const int KEY_ROW_COMMANDS[MENU_KEY_ROWS];
    static const char* const KEY_ROW_LABELS[MENU_KEY_ROWS];

    CMenu();
    virtual ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // ---- Open, close, frame -------------------------------------------------------------
    // Opens on a page; atStart: no running game to return to.
    void Open(BYTE atStart, int page);
    void Close();
    void Update();
    void Render();
    void OnKeyDown(WPARAM key);
    void OnKeyUp(WPARAM key);
    // Requests a page; deferred 0 builds it at once.
    void ShowPage(int page, BYTE deferred);
    void BuildPage();
    void OnResetDevice();
    // At level start: the backdrop handle is cleared.
    void ResetPageState();

    // ---- Items --------------------------------------------------------------------------
    DWORD AddItem(DWORD kind, const char* text, float x, float y, float scale, bool centred, int group,
                  bool disabled, bool rightAligned, bool indented);
    void SetItemText(DWORD id, const char* text, bool recentre, bool disabled);
    void ClearItems();
    strMenuItem* FindItem(DWORD id) const;
    // The box of the screen where the cursor is over `item`: buttons of the
    // item groups take a wide bar round their text, the rest their text.
    static MenuHitBox HitBox(const strMenuItem& item);
    int AddSlider(float x, float y, float width, float height, float* value);

    // ---- Backdrop -----------------------------------------------------------------------
    // The picture over the whole screen, its u range fitted to the aspect.
    void DrawBackground(ERect* image);
    // The u range of the picture at a screen aspect (width / height).
    static void BackgroundRange(float aspect, float* uLeft, float* uRight);
    void LoadTextures();
    void CreateBackdropObjects();
    void ReleaseBackdrop();
    void AddPuff(bool atStart);
    void MovePuffs(float dt);
    int PuffCount() const;

    // ---- Pages (MenuPages.cpp) ----------------------------------------------------------
    void OnClick(strMenuItem* item);
    void StartNewGame(int difficulty);
    // The Load page's list: the save manager's records without the "auto"
    // saves, newest first, the first "quick" save last.
    void BuildLoadList();
    // The rows of a list of save records (the save manager's, or a test's).
    void SetLoadRows(SaveFileRecord* head);
    void SelectLoadRow(int row);
    void ScrollLoadList(int rows);
    void PressLoadList();
    void DeleteSelectedSave();
    void UpdateKeyCapture();
    // Puts key code `code` into the armed cell, taking it from every command.
    void BindCapturedKey(DWORD code);

private:
    void MouseStep();
    void TypeKey(WPARAM key);
    void RenderItems();
    void RenderBackdrop();
    void RenderFigure();
    void RenderLoadList();
    void RenderKeyList();
    void RenderChecks();
    void ReleaseThumbnail();
    void LoadThumbnail();
    void FreeLoadRows();

public:
    ERect m_Background, m_Black, m_OpenFadeLayer, m_Cursor, m_Check, m_Checked, m_SliderBar, m_SliderKnob,
        m_LoadKnob, m_ArrowUp, m_ArrowUpPressed, m_ArrowDown, m_ArrowDownPressed, m_White, m_ItemBar,
        m_ThumbRect;
};

extern CMenu g_Menu;
