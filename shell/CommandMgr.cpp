#include "shell/CommandMgr.h"

#include "platform/d3d9/D3D9.h"
#include "platform/dinput/DInput.h"
#include "platform/win32/Win32.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "shell/Input.h"
#include "shell/Mouse.h"
#include "shell/RecordBytes.h"
#include "shell/SettingsFile.h"
#include "shell/TextMgr.h"
#include "world/Camera.h"

#include <cmath>
#include <cstdio>
#include <cstring>

CCommandMgr g_CommandMgr;

namespace
{
const char* const kKeysFile = "save\\keys.cfg";

// Where the fields of "save\keys.cfg" lie.
constexpr size_t kBindingsAt = 4;
constexpr size_t kMouseOptionAt = 2084;
constexpr size_t kSensitivityAt = 2085;
constexpr size_t kMenuValueAAt = 2089;
constexpr size_t kMusicOnAt = 2093;
constexpr size_t kSoundAt = 2094;
constexpr size_t kSubtitlesAt = 2095;
constexpr size_t kMusicVolumeAt = 2096;
constexpr size_t kMasterVolumeAt = 2100;
constexpr size_t kGammaAt = 2104; // a file may end here: gamma 1.0 and the rest as it is
constexpr size_t kKeyOptionAt = 2108;
constexpr size_t kBrightnessAt = 2109;
constexpr size_t kPlayerByteAt = 2113;
static_assert(kPlayerByteAt + 1 == CCommandMgr::KEYS_FILE_BYTES);

// The floats of the file and the values they may take: one out of range is
// held at the nearer end, one that is no number (NaN, infinite) takes its
// default; either way a console line says so.
struct StoredFloat
{
    const char* name;
    float low;
    float high;
    float fallback;
};
constexpr StoredFloat kSensitivityRange = {"mouse sensitivity", 0.0f, 100.0f, 0.4f};
constexpr StoredFloat kMenuValueRange = {"menu value", 0.0f, 1.0f, 0.2f};
constexpr StoredFloat kMusicVolumeRange = {"music volume", 0.0f, 1.0f, 0.65f};
constexpr StoredFloat kMasterVolumeRange = {"master volume", 0.0f, 1.0f, 0.8f};
constexpr StoredFloat kGammaRange = {"gamma", 0.5f, 3.0f, 1.0f};
constexpr StoredFloat kBrightnessRange = {"brightness", 0.0f, 4.0f, 1.0f};

float Checked(float value, const StoredFloat& range)
{
    float checked = value;
    if (!std::isfinite(value))
        checked = range.fallback;
    else if (value < range.low)
        checked = range.low;
    else if (value > range.high)
        checked = range.high;
    if (checked != value)
    {
        char line[EConsole::PRINT_MAX + 1];
        std::snprintf(line, sizeof line, "ERROR in CCommandMgr::LoadKeys(): %s: %s %g out of range, %g used",
                      kKeysFile, range.name, static_cast<double>(value), static_cast<double>(checked));
        g_Console.Print(line);
    }
    return checked;
}
static_assert(kBindingsAt + CCommandMgr::MAX_COMMANDS * CCommandMgr::KEYS_PER_COMMAND * 4 == kMouseOptionAt);

struct DefaultBinding
{
    int command;
    DWORD first;
    DWORD second;
};

const DefaultBinding kDefaultBindings[] = {
    {1, DIK_LSHIFT, 0},
    {3, DIK_W, DIK_UP},
    {4, DIK_S, DIK_DOWN},
    {5, DIK_A, 0},
    {6, DIK_D, 0},
    {8, DIK_SPACE, 0},
    {9, DIK_L, 0},
    {10, DIK_GRAVE, 0},
    {11, DIK_ESCAPE, 0},
    {12, DIK_F10, 0},
    {13, DIK_F8, 0},
    {14, CCommandMgr::MOUSE_BUTTON_CODE + 1, 0},
    {15, DIK_1, 0},
    {16, DIK_G, 0},
    {17, DIK_Q, 0},
    {18, DIK_E, 0},
    {CCommandMgr::FIRE_COMMAND, CCommandMgr::MOUSE_BUTTON_CODE, 0},
    {23, DIK_RBRACKET, 0},
    {24, DIK_LBRACKET, 0},
    {25, DIK_R, 0},
    {34, DIK_LCONTROL, DIK_C},
    {37, DIK_F1, 0},
    {64, DIK_HOME, 0},
    {65, DIK_END, 0},
    {66, DIK_F5, 0},
    {67, DIK_F9, 0},
    {68, DIK_F2, 0},
    {69, DIK_F3, 0},
    {70, DIK_H, 0},
    {71, DIK_TAB, DIK_O},
    {72, DIK_F4, 0},
    {73, DIK_F5, 0},
};

struct KeyName
{
    DWORD code;
    const char* textKey;
};

const KeyName kKeyNames[] = {
    {DIK_TAB, ">CMDTAB"},
    {DIK_A, ">CMDA"},
    {DIK_B, ">CMDB"},
    {DIK_C, ">CMDC"},
    {DIK_D, ">CMDD"},
    {DIK_E, ">CMDE"},
    {DIK_F, ">CMDF"},
    {DIK_G, ">CMDG"},
    {DIK_H, ">CMDH"},
    {DIK_I, ">CMDI"},
    {DIK_J, ">CMDJ"},
    {DIK_K, ">CMDK"},
    {DIK_L, ">CMDL"},
    {DIK_M, ">CMDM"},
    {DIK_N, ">CMDN"},
    {DIK_O, ">CMDO"},
    {DIK_P, ">CMDP"},
    {DIK_Q, ">CMDQ"},
    {DIK_R, ">CMDR"},
    {DIK_S, ">CMDS"},
    {DIK_T, ">CMDT"},
    {DIK_U, ">CMDU"},
    {DIK_V, ">CMDV"},
    {DIK_W, ">CMDW"},
    {DIK_X, ">CMDX"},
    {DIK_Y, ">CMDY"},
    {DIK_Z, ">CMDZ"},
    {DIK_LSHIFT, ">CMDLeftShift"},
    {DIK_RSHIFT, ">CMDRightShift"},
    {DIK_LMENU, ">CMDAlt"},
    {DIK_SPACE, ">CMDSpace"},
    {DIK_RETURN, ">CMDEnter"},
    {DIK_NUMPAD0, ">CMDNum0"},
    {DIK_NUMPAD1, ">CMDNum1"},
    {DIK_NUMPAD2, ">CMDNum2"},
    {DIK_NUMPAD3, ">CMDNum3"},
    {DIK_NUMPAD4, ">CMDNum4"},
    {DIK_NUMPAD5, ">CMDNum5"},
    {DIK_NUMPAD6, ">CMDNum6"},
    {DIK_NUMPAD7, ">CMDNum7"},
    {DIK_NUMPAD8, ">CMDNum8"},
    {DIK_NUMPAD9, ">CMDNum9"},
    {DIK_UP, ">CMDUpArrow"},
    {DIK_DOWN, ">CMDDownArrow"},
    {DIK_LEFT, ">CMDLeftArrow"},
    {DIK_RIGHT, ">CMDRightArrow"},
    {DIK_DELETE, ">CMDDelete"},
    {DIK_INSERT, ">CMDInsert"},
    {DIK_DECIMAL, ">CMDNumDel"},
    {DIK_NUMPADENTER, ">CMDNumEnter"},
    {DIK_ADD, ">CMDNumPlus"},
    {DIK_SUBTRACT, ">CMDNumMinus"},
    {DIK_COMMA, ">CMDComma"},
    {DIK_PERIOD, ">CMDDot"},
    {DIK_SLASH, ">CMDSlash"},
    {DIK_SEMICOLON, ">CMDSemicolon"},
    {DIK_APOSTROPHE, ">CMDApostrophe"},
    {DIK_LBRACKET, ">CMDSqBracketLeft"},
    {DIK_RBRACKET, ">CMDSqBracketRight"},
    {DIK_BACKSLASH, ">CMDBackSlash"},
    {DIK_MINUS, ">CMDMinus"},
    {DIK_EQUALS, ">CMDEquals"},
    {DIK_LCONTROL, ">CMDLeftControl"},
    {DIK_RCONTROL, ">CMDRightControl"},
    {CCommandMgr::MOUSE_BUTTON_CODE, ">CMDMButton0"},
    {CCommandMgr::MOUSE_BUTTON_CODE + 1, ">CMDMButton1"},
    {CCommandMgr::MOUSE_BUTTON_CODE + 2, ">CMDMButton2"},
};
} // namespace

CCommandMgr::~CCommandMgr()
{
    // The DirectInput object may already be gone at exit; the device holds
    // nothing of it.
    SAFE_RELEASE(m_pKeyboard);
}

// ---- The keyboard ------------------------------------------------------------------------
void CCommandMgr::InitKeyboard(HWND hwnd)
{
    ReleaseKeyboard();
    if (!g_pDirectInput)
        return;
    if (FAILED(g_pDirectInput->CreateDevice(GUID_SysKeyboard, &m_pKeyboard, nullptr)))
    {
        m_pKeyboard = nullptr;
        g_Console.Print("CreateDevice(keyboard) failed!");
        return;
    }
    if (FAILED(m_pKeyboard->SetDataFormat(&c_dfDIKeyboard)))
    {
        g_Console.Print("keyboard SetDataFormat failed");
        return;
    }
    if (FAILED(m_pKeyboard->SetCooperativeLevel(hwnd, DISCL_FOREGROUND | DISCL_EXCLUSIVE)))
    {
        g_Console.Print("keyboard SetCooperativeLevel failed");
        return;
    }
    // A window without the focus cannot have the keyboard yet; the engine
    // asks again each frame.
    m_pKeyboard->Acquire();
    m_bKeyboardReady = 1;
}

void CCommandMgr::ReleaseKeyboard()
{
    if (m_pKeyboard)
    {
        m_pKeyboard->Unacquire();
        m_pKeyboard->Release();
        m_pKeyboard = nullptr;
    }
    m_bKeyboardReady = 0;
}

void CCommandMgr::ClearKeyboardState()
{
    for (int code = 0; code < 256; ++code)
        m_bKeyState[code] = 0;
}

void CCommandMgr::AcquireKeyboard(HWND hwnd)
{
    if (!m_bKeyboardReady)
        InitKeyboard(hwnd);
    else if (m_pKeyboard)
        m_pKeyboard->Acquire();
}

void CCommandMgr::ReadKeyboard()
{
    if (g_pD3DInterface && FAILED(g_pD3DInterface->TestCooperativeLevel()))
        return;
    m_bKeyState[DIK_ESCAPE] = 0;
    if (!m_bKeyboardReady || !m_pKeyboard)
        return;
    BYTE state[256];
    if (FAILED(m_pKeyboard->GetDeviceState(sizeof state, state)))
        return;
    for (int code = 0; code < 256; ++code)
        m_bKeyState[code] = (state[code] & 0x80) ? 1 : 0;
    if (m_bFireLatch)
    {
        bool held = false;
        for (DWORD code : m_dwBindings[FIRE_COMMAND])
            held = held || (code && code < static_cast<DWORD>(KEY_CODES) && m_bKeyState[code]);
        if (!held)
            m_bFireLatch = 0;
    }
}

// ---- Commands -------------------------------------------------------------------------------
bool CCommandMgr::IsCommandDown(int command, int keyOffset) const
{
    if (command < 0 || command >= MAX_COMMANDS)
        return false;
    if (command == FIRE_COMMAND && m_bFireLatch)
        return false;
    for (DWORD code : m_dwBindings[command])
    {
        if (!code)
            continue;
        const long long key = static_cast<long long>(code) + keyOffset;
        if (key >= 0 && key < KEY_CODES && m_bKeyState[key])
            return true;
    }
    return false;
}

bool CCommandMgr::IsCommandKey(int command, WPARAM vk) const
{
    if (command < 0 || command >= MAX_COMMANDS || vk == 0 || vk > 0xFF)
        return false;
    // Bindings are DirectInput codes: the scan code, with 0x80 for an extended key.
    const UINT scan = MapVirtualKeyA(static_cast<UINT>(vk), MAPVK_VK_TO_VSC_EX);
    if (scan == 0)
        return false;
    const DWORD code = (scan & 0x7Fu) | ((scan >> 8) == 0xE0u ? 0x80u : 0u);
    for (DWORD bound : m_dwBindings[command])
        if (bound == code)
            return true;
    return false;
}

BYTE CCommandMgr::GetMouseButton(int n) const
{
    if (n < 0 || n >= EMouseState::BUTTONS)
        return 0;
    return g_Mouse.m_State.buttons[n];
}

// ---- Bindings and "save\keys.cfg" --------------------------------------------------------------
void CCommandMgr::FillKeyNames()
{
    std::memset(m_szKeyNames, 0, sizeof m_szKeyNames);
    for (const KeyName& k : kKeyNames)
        std::snprintf(m_szKeyNames[k.code], KEY_NAME_CHARS, "%s", g_TextMgr.GetText(k.textKey));
}

void CCommandMgr::SetDefaultKeys()
{
    std::memset(m_dwBindings, 0, sizeof m_dwBindings);
    for (const DefaultBinding& b : kDefaultBindings)
    {
        m_dwBindings[b.command][0] = b.first;
        m_dwBindings[b.command][1] = b.second;
    }
    FillKeyNames();
}

void CCommandMgr::LoadKeys()
{
    // One byte more than a whole file tells a longer one apart.
    BYTE data[KEYS_FILE_BYTES + 1];
    size_t size = 0;
    if (!ReadSettingsFile(kKeysFile, data, sizeof data, &size))
    {
        SetDefaultKeys();
        SaveKeys();
        return;
    }
    const RecordIn in(data, size);

    const char* problem = nullptr;
    if (size < 4)
        problem = " has no version; default keys written";
    else if (in.U32(0) != m_dwVersion)
        problem = " is of another version; default keys written";
    else if (size < kGammaAt)
        problem = " is cut short; default keys written";
    if (problem)
    {
        g_Console.Print3("ERROR in CCommandMgr::LoadKeys(): ", kKeysFile, problem);
        SetDefaultKeys();
        SaveKeys();
        return;
    }
    if (size > KEYS_FILE_BYTES)
        g_Console.Print3("ERROR in CCommandMgr::LoadKeys(): ", kKeysFile,
                         " is too long; the rest is ignored");

    FillKeyNames();
    int outside = 0;
    size_t at = kBindingsAt;
    for (auto& command : m_dwBindings)
        for (DWORD& code : command)
        {
            code = in.U32(at);
            at += 4;
            // A code outside the key table would index past it: no key.
            if (code >= static_cast<DWORD>(KEY_CODES))
            {
                code = 0;
                ++outside;
            }
        }
    if (outside)
    {
        char line[160];
        std::snprintf(line, sizeof line,
                      "ERROR in CCommandMgr::LoadKeys(): %s: %d key codes outside the key table unbound",
                      kKeysFile, outside);
        g_Console.Print(line);
    }

    g_Options.MouseOption = in.U8(kMouseOptionAt);
    g_Options.MouseSensitivity = Checked(in.F32(kSensitivityAt), kSensitivityRange);
    g_Options.MenuValueA = Checked(in.F32(kMenuValueAAt), kMenuValueRange);
    g_Options.MusicOn = in.U8(kMusicOnAt);
    g_Options.sound = in.U8(kSoundAt);
    g_Options.SubtitlesOn = in.U8(kSubtitlesAt);
    g_Options.MusicVolume = Checked(in.F32(kMusicVolumeAt), kMusicVolumeRange);
    g_Options.MasterVolume = Checked(in.F32(kMasterVolumeAt), kMasterVolumeRange);
    g_Camera.SetGamma(size >= kGammaAt + 4 ? Checked(in.F32(kGammaAt), kGammaRange) : kGammaRange.fallback);
    if (size > kKeyOptionAt)
        g_Options.KeyOption = in.U8(kKeyOptionAt);
    if (size >= kBrightnessAt + 4)
        g_Options.Brightness = Checked(in.F32(kBrightnessAt), kBrightnessRange);
    if (size > kPlayerByteAt)
        PlayerStats.m_bRealisticUnlocked = in.U8(kPlayerByteAt);
}

void CCommandMgr::SaveKeys()
{
    BYTE data[KEYS_FILE_BYTES];
    RecordOut out(data, sizeof data);
    out.U32(0, m_dwVersion);
    size_t at = kBindingsAt;
    for (const auto& command : m_dwBindings)
        for (DWORD code : command)
        {
            out.U32(at, code);
            at += 4;
        }
    out.U8(kMouseOptionAt, g_Options.MouseOption);
    out.F32(kSensitivityAt, g_Options.MouseSensitivity);
    out.F32(kMenuValueAAt, g_Options.MenuValueA);
    out.U8(kMusicOnAt, g_Options.MusicOn);
    out.U8(kSoundAt, g_Options.sound);
    out.U8(kSubtitlesAt, g_Options.SubtitlesOn);
    out.F32(kMusicVolumeAt, g_Options.MusicVolume);
    out.F32(kMasterVolumeAt, g_Options.MasterVolume);
    out.F32(kGammaAt, g_Camera.GetGamma());
    out.U8(kKeyOptionAt, g_Options.KeyOption);
    out.F32(kBrightnessAt, g_Options.Brightness);
    out.U8(kPlayerByteAt, PlayerStats.m_bRealisticUnlocked);

    if (!WriteSettingsFile(kKeysFile, data, sizeof data))
        g_Console.Print3("ERROR in CCommandMgr::SaveKeys(): ", kKeysFile, " could not be written");
}
