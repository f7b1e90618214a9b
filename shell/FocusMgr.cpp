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
struct DeviceStep
{
    const char* name;
    void (*run)();
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

// ...and makes them again after a successful one.
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
    TkNoteDeviceCall("EMouse::SaveState");
    g_Mouse.SaveState();
    Env.GetFogColor(&m_dwSavedFogColor);
    TkNoteDeviceCall("EEngine::ReleaseMouse");
    g_Engine.ReleaseMouse();
    if (!g_Console.m_bOpen)
    {
        TkNoteDeviceCall("EEngine::UnacquireInput");
        g_Engine.UnacquireInput();
    }
    TkNoteDeviceCall("EEffectMgr::OnLostDevice");
    g_EffectMgr.OnLostDevice();
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

    TkNoteDeviceCall("EEngine::CreateMouse");
    g_Engine.CreateMouse();
    TkNoteDeviceCall("EMouse::RestoreState");
    g_Mouse.RestoreState();
    // Taken once and let go so that DirectInput forgets the keys held when
    // the device went; kept while the game itself reads the keyboard.
    g_CommandMgr.InitKeyboard(g_Engine.m_hWnd);
    g_CommandMgr.ReleaseKeyboard();
    if (!g_Console.m_bOpen && !g_Menu.m_bOpen)
        g_CommandMgr.InitKeyboard(g_Engine.m_hWnd);
    if (g_Menu.m_bOpen)
    {
        TkNoteDeviceCall("CMenu::OnResetDevice");
        g_Menu.OnResetDevice();
    }
    g_D3DMain.SetDefaultRenderStates();
    g_pD3DInterface->GetRenderTarget(0, &g_pBackBuffer);
    g_Camera.SetGamma(g_Camera.GetGamma());
    g_Camera.UpdateProjection();

    RunSteps(kRecreateOrder);

    Env.SetFogColor(m_dwSavedFogColor);
    m_bOnFocus = 1;
    g_Console.Print("Focus gained");
}
