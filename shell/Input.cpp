// STAND-IN: see Input.h.
#include "shell/Input.h"

#include "platform/dinput/DInput.h"
#include "shell/WinMain.h"

EInput g_Input;

bool EInput::Create()
{
    return SUCCEEDED(DirectInput8Create(g_hInst, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                        reinterpret_cast<void**>(&m_pDI), nullptr));
}

void EInput::Release()
{
    SAFE_RELEASE(m_pDI);
}
