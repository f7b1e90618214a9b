#include "shell/FocusMgr.h"

#include "environment/FxMgr.h"
#include "platform/d3d9/D3D9.h"
#include "render/AmbientProbe.h"
#include "render/EffectMgr.h"
#include "render/Font.h"
#include "render/PostProcess.h"
#include "render/ShadowCubeMaps.h"
#include "render/SkyLight.h"
#include "render/SkyShadow.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/DeviceCallLog.h"
#include "shell/Mouse.h"
#include "shell/TTFontMgr.h"
#include "ui/AutoMap.h"
#include "ui/Menu.h"
#include "world/Camera.h"
#include "world/Engine.h"

EFocusMgr g_FocusMgr;

namespace
{
// One manager call of a fixed order; `when`, if given, says whether it runs
// this time. The runner notes each call it makes in the device call log.
struct DeviceStep
{
    const char* name;
    void (*run)();
    bool (*when)() = nullptr;
};

bool ConsoleClosed()
{
    return !g_Console.m_bOpen;
}

bool MenuOpen()
{
    return g_Menu.m_bMenuActive != 0;
}

// What the loss takes from the game: the mouse (its state kept), the
// keyboard unless the console has it, the fog colour and the effects.
const DeviceStep kLoseFocusOrder[] = {
    {"EMouse::SaveState", [] { g_Mouse.SaveState(); }},
    {"EFocusMgr::SaveFogColor", [] { Env.GetFogColor(&g_FocusMgr.m_dwSavedFogColor); }},
    {"EEngine::ReleaseMouse", [] { g_Engine.ReleaseMouse(); }},
    {"EEngine::UnacquireInput", [] { g_Engine.UnacquireInput(); }, ConsoleClosed},
    {"EEffectMgr::OnLostDevice", [] { g_EffectMgr.OnLostDevice(); }},
};

// Every owner of default-pool resources lets them go before Reset...
const DeviceStep kReleaseOrder[] = {
    {"CShadowCubeMaps::OnLostDevice", [] { g_ShadowCubeMaps.OnLostDevice(); }},
    {"ESkyShadow::OnLostDevice", [] { g_SkyShadow.OnLostDevice(); }},
    {"EPostProcess::OnDeviceLost", [] { PostProcess.OnDeviceLost(); }},
    {"PAutoMap::ReleaseDeviceObjectsThunk", [] { PAutoMap::ReleaseDeviceObjectsThunk(); }},
    {"EFont::OnLostDevice", [] { g_Font.OnLostDevice(); }},
    {"EFxMgr::OnLostDevice", [] { g_FxMgr.OnLostDevice(); }},
    {"CAmbientProbe::OnLostDevice", [] { g_AmbientProbe.OnLostDevice(); }},
    {"ETTFontMgr::OnLostDevice", [] { g_TTFontMgr.OnLostDevice(); }},
};

// After a successful Reset the input and the device's own state come back...
const DeviceStep kAfterResetOrder[] = {
    {"EEngine::CreateMouse", [] { g_Engine.CreateMouse(); }},
    {"EMouse::RestoreState", [] { g_Mouse.RestoreState(); }},
    // Taken once and let go so that DirectInput forgets the keys held when
    // the device went; kept while the game itself reads the keyboard.
    {"CCommandMgr::RefreshKeyboard",
     []
     {
         g_CommandMgr.InitKeyboard(g_Engine.m_hWnd);
         g_CommandMgr.ReleaseKeyboard();
         if (!g_Console.m_bOpen && !g_Menu.m_bMenuActive)
             g_CommandMgr.InitKeyboard(g_Engine.m_hWnd);
     }},
    {"CMenu::OnResetDevice", [] { g_Menu.OnResetDevice(); }, MenuOpen},
    {"D3DMain::SetDefaultRenderStates", [] { g_D3DMain.SetDefaultRenderStates(); }},
    {"IDirect3DDevice9::GetRenderTarget", [] { g_pD3DInterface->GetRenderTarget(0, &g_pBackBuffer); }},
    {"ECamera::SetGamma", [] { g_Camera.SetGamma(g_Camera.GetGamma()); }},
    {"ECamera::UpdateProjection", [] { g_Camera.UpdateProjection(); }},
};

// ...and the owners of default-pool resources make them again.
const DeviceStep kRecreateOrder[] = {
    {"EEffectMgr::OnResetDevice", [] { g_EffectMgr.OnResetDevice(); }},
    {"EFxMgr::OnResetDevice", [] { g_FxMgr.OnResetDevice(); }},
    {"EFont::OnResetDevice", [] { g_Font.OnResetDevice(); }},
    {"PAutoMap::CreateDeviceObjectsThunk", [] { PAutoMap::CreateDeviceObjectsThunk(); }},
    {"CShadowCubeMaps::OnResetDevice", [] { g_ShadowCubeMaps.OnResetDevice(); }},
    {"ESkyShadow::OnResetDevice", [] { g_SkyShadow.OnResetDevice(); }},
    {"EPostProcess::Recreate", [] { PostProcess.Recreate(); }},
    {"CAmbientProbe::OnResetDevice", [] { g_AmbientProbe.OnResetDevice(); }},
    {"ETTFontMgr::OnResetDevice", [] { g_TTFontMgr.OnResetDevice(); }},
};

template <size_t N> void RunSteps(const DeviceStep (&steps)[N])
{
    for (const DeviceStep& step : steps)
    {
        if (step.when && !step.when())
            continue;
        TkNoteDeviceCall(step.name);
        step.run();
    }
}

void PrintResetFailure(HRESULT hr)
{
    g_Console.Print("Reset failed!");
    switch (hr)
    {
    case D3DERR_INVALIDCALL:
        g_Console.Print("Invalid call!");
        break;
    case D3DERR_OUTOFVIDEOMEMORY:
        g_Console.Print("Out of video memory!");
        break;
    case E_OUTOFMEMORY:
        g_Console.Print("Out of memory!");
        break;
    case D3DERR_DEVICEREMOVED:
        g_Console.Print("Device removed");
        break;
    case D3DERR_DEVICELOST:
        g_Console.Print("Device lost");
        break;
    case D3DERR_DRIVERINTERNALERROR:
        g_Console.Print("Driver internal error");
        break;
    default:
        break;
    }
}
} // namespace

bool EFocusMgr::Check()
{
    if (!g_pD3DInterface)
        return false;
    switch (g_pD3DInterface->TestCooperativeLevel())
    {
    case D3D_OK:
        if (m_bOnFocus)
            return true;
        g_Console.Print("*** TestCooperativeLevel()==D3D_OK, but m_bOnFocus==false!");
        GainFocus();
        return false;
    case D3DERR_DEVICELOST:
        if (m_bOnFocus)
            LoseFocus();
        return false;
    case D3DERR_DEVICENOTRESET:
        // A loss that passed between two checks was never seen as lost: the
        // effects would still hold their resources, Reset would be refused
        // for good, and the fog colour restored would be a stale one.
        if (m_bOnFocus)
            LoseFocus();
        g_Console.Print("hr==D3DERR_DEVICENOTRESET, trying to gain focus");
        GainFocus();
        return false;
    default:
        return true;
    }
}

void EFocusMgr::LoseFocus()
{
    RunSteps(kLoseFocusOrder);
    m_bOnFocus = 0;
}

void EFocusMgr::GainFocus()
{
    g_Console.Print("Probuje FocusMgr::GainFocus");
    if (!g_pD3DInterface)
        return;

    RunSteps(kReleaseOrder);
    SAFE_RELEASE(g_pBackBuffer);

    TkNoteDeviceCall("IDirect3DDevice9::Reset");
    const HRESULT hr = g_pD3DInterface->Reset(&g_d3dpp);
    if (FAILED(hr))
    {
        PrintResetFailure(hr);
        return;
    }
    g_Console.Print("g_pD3DInterface->Reset(&g_d3dpp) succeeded!");

    RunSteps(kAfterResetOrder);
    RunSteps(kRecreateOrder);

    TkNoteDeviceCall("EFocusMgr::RestoreFogColor");
    Env.SetFogColor(m_dwSavedFogColor);
    m_bOnFocus = 1;
    g_Console.Print("Focus gained");
}
