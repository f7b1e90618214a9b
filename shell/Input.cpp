#include "shell/Input.h"

#include "platform/dinput/DInput.h"
#include "shell/CommandMgr.h"
#include "shell/Mouse.h"
#include "shell/TextUtils.h"
#include "shell/WinMain.h"

EInput g_Input;
IDirectInput8* g_pDirectInput = nullptr;

bool EInput::Create()
{
    if (FAILED(DirectInput8Create(g_hInst, DIRECTINPUT_VERSION, IID_IDirectInput8,
                                  reinterpret_cast<void**>(&g_pDirectInput), nullptr)))
    {
        g_pDirectInput = nullptr;
        AppendLogLine("Could not create Direct Input main object!");
        return false;
    }
    return true;
}

void EInput::Release()
{
    SAFE_RELEASE(g_pDirectInput);
}

void EInput::Poll()
{
    g_Mouse.Poll();
    g_CommandMgr.ReadKeyboard();
}
