#include "shell/Mouse.h"

#include "game/MainGame.h"
#include "platform/dinput/DInput.h"
#include "platform/win32/Win32.h"
#include "player/ItemMgr.h"
#include "player/PlayerWeapons.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/FocusMgr.h"
#include "shell/GameOptions.h"
#include "shell/Input.h"
#include "ui/LoadingScreen.h"
#include "ui/Menu.h"
#include "ui/Panel.h"
#include "world/Camera.h"

static_assert(sizeof(EMouseState) == 88, "the mouse state is an 88-byte record");

EMouse g_Mouse;

void EMouseState::Reset()
{
    for (BYTE& b : buttons)
        b = 0;
    x = y = z = 0.0;
    dx = dy = dz = 0.0;
    last = 0.005;
}

EMouse::~EMouse()
{
    SAFE_RELEASE(m_pDevice);
}

bool EMouse::Create(HWND hwnd)
{
    Release();
    m_hWnd = hwnd;
    m_bCreated = 1;
    m_bToldAcquire = 0;
    bool ready = false;
    if (g_pDirectInput)
    {
        const char* failure = nullptr;
        DIPROPDWORD buffer = {};
        buffer.diph.dwSize = sizeof buffer;
        buffer.diph.dwHeaderSize = sizeof buffer.diph;
        buffer.diph.dwObj = 0;
        buffer.diph.dwHow = DIPH_DEVICE;
        buffer.dwData = BUFFER_EVENTS;
        if (FAILED(g_pDirectInput->CreateDevice(GUID_SysMouse, &m_pDevice, nullptr)))
        {
            m_pDevice = nullptr;
            failure = "CreateDevice(mouse) failed!";
        }
        else if (FAILED(m_pDevice->SetDataFormat(&c_dfDIMouse)))
            failure = "mouse SetDataFormat failed";
        else if (FAILED(m_pDevice->SetCooperativeLevel(hwnd, DISCL_FOREGROUND | DISCL_EXCLUSIVE)))
            failure = "mouse SetCooperativeLevel failed";
        else if (FAILED(m_pDevice->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph)))
            failure = "mouse SetProperty(DIPROP_BUFFERSIZE) failed";
        if (failure)
        {
            g_Console.Print(failure);
            SAFE_RELEASE(m_pDevice);
        }
        else
        {
            m_pDevice->Acquire();
            ready = true;
        }
    }
    SetTimer(hwnd, TIMER_ID, TIMER_MS, nullptr);
    return ready;
}

void EMouse::Release()
{
    if (m_bCreated && m_hWnd)
        KillTimer(m_hWnd, TIMER_ID);
    if (m_pDevice)
    {
        m_pDevice->Unacquire();
        m_pDevice->Release();
        m_pDevice = nullptr;
    }
    m_bCreated = 0;
}

void EMouse::SaveState()
{
    m_SavedState = m_State;
}

void EMouse::RestoreState()
{
    m_State = m_SavedState;
}

void EMouse::Reacquire()
{
    // DirectInput may keep answering that the input is lost (the window is
    // not in front yet): the events are lost either way, and the next poll
    // tries again, so the tries here are few.
    for (int i = 0; i < ACQUIRE_TRIES; ++i)
        if (m_pDevice->Acquire() != DIERR_INPUTLOST)
            return;
    if (!m_bToldAcquire)
    {
        m_bToldAcquire = 1;
        g_Console.Print("EMouse::Poll(): the mouse answers input lost; trying again later");
    }
}

// The aim zoom slows the view; a sniper sight (and no launcher or machine-gun
// sight on the same weapon) slows it four times more.
double EMouse::ZoomDivisor() const
{
    if (g_Menu.m_bMenuActive)
        return 0.0;
    double z = static_cast<double>(Bronie.aimProgress) * 2.0;
    const EItemInstance* weapon = Bronie.current;
    const EItemDesc* desc = weapon ? weapon->m_pDesc : nullptr;
    if (desc && desc->Snajper_Celownik && !desc->GLauncher_Celownik && !desc->MP_Celownik)
        z *= 4.0;
    return z;
}

void EMouse::Poll()
{
    if (!m_bCreated || !g_FocusMgr.m_bOnFocus)
        return;
    if (!(g_Options.MouseSensitivity >= MIN_SENSITIVITY))
        g_Options.MouseSensitivity = MIN_SENSITIVITY;
    m_State.dx = m_State.dy = m_State.dz = 0.0;
    if (!m_pDevice)
        return;

    static DIDEVICEOBJECTDATA events[BUFFER_EVENTS];
    DWORD count = BUFFER_EVENTS;
    if (FAILED(m_pDevice->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), events, &count, 0)))
    {
        Reacquire();
        return;
    }

    const bool menu = g_Menu.m_bMenuActive != 0;
    const bool loading = g_LoadingScreen.m_bActive != 0;
    const bool playing = !menu && !loading;
    BYTE* keys = g_CommandMgr.m_bKeyState;
    if (playing && g_MainGame.m_iLevelFrame < BUTTONS_FROM_LEVEL_FRAME)
    {
        // While the level starts up no click gets through.
        for (BYTE& b : m_State.buttons)
            b = 0;
        for (int i = 0; i < CCommandMgr::MOUSE_BUTTON_CODES; ++i)
            keys[CCommandMgr::MOUSE_BUTTON_CODE + i] = 0;
        return;
    }

    const double sensitivity = g_Options.MouseSensitivity;
    const double scope = g_Panel.m_bSniperScope ? 2.0 : 0.0;
    const double pitchFactor = !menu && g_Options.Difficulty == 0 ? 1.0 : 2.0;
    const bool inverted = g_Options.MouseOption && !menu;
    for (DWORD i = 0; i < count; ++i)
    {
        const double divisor = scope + 1.0 + ZoomDivisor();
        const double v = static_cast<double>(static_cast<LONG>(events[i].dwData));
        const BYTE down = (events[i].dwData & 0x80) ? 1 : 0;
        switch (events[i].dwOfs)
        {
        case DIMOFS_X:
            m_State.dx += v / divisor;
            m_State.rawX += sensitivity * v * 0.01;
            break;
        case DIMOFS_Y:
            m_State.dy += (inverted ? -1.0 : 1.0) * pitchFactor * v / divisor;
            m_State.rawY += sensitivity * v * 0.01;
            break;
        case DIMOFS_Z:
            m_State.dz += v;
            m_State.rawZ += sensitivity * v * 0.01;
            break;
        case DIMOFS_BUTTON0:
        case DIMOFS_BUTTON1:
        case DIMOFS_BUTTON2:
        {
            const int button = static_cast<int>(events[i].dwOfs - DIMOFS_BUTTON0);
            m_State.buttons[button] = down;
            keys[CCommandMgr::MOUSE_BUTTON_CODE + button] = down;
            break;
        }
        case DIMOFS_BUTTON3:
            m_State.buttons[3] = down;
            break;
        default:
            break;
        }
    }

    // The view stays still while the level settles, in the letterbox view and
    // while the screen is faded out.
    if (playing && !g_Camera.m_bLookFrom &&
        (g_MainGame.m_iLevelFrame < MOVEMENT_FROM_LEVEL_FRAME || g_Panel.m_bPanoramic ||
         g_Panel.FadedPast(0.3f)))
        m_State.dx = m_State.dy = m_State.dz = 0.0;

    const double k = sensitivity * 0.01;
    m_State.x += m_State.dx * k;
    m_State.y += m_State.dy * k;
    m_State.z += m_State.dz * k;

    if (playing)
    {
        if (m_State.y > PITCH_LIMIT)
            m_State.y = PITCH_LIMIT;
        if (m_State.y < -PITCH_LIMIT)
            m_State.y = -PITCH_LIMIT;
        // Play resumes after the letterbox view with the pitch level.
        if (g_MainGame.letterboxFrames < LEVEL_PITCH_FRAMES)
            m_State.dy = m_State.y = m_State.rawY = 0.0;
    }
}
