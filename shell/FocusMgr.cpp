#include "shell/FocusMgr.h"

#include "platform/d3d9/D3D9.h"
#include "shell/D3DMain.h"

EFocusMgr g_FocusMgr;

bool EFocusMgr::Check()
{
    if (!m_bOnFocus || !g_pD3DInterface)
        return false;
    return g_pD3DInterface->TestCooperativeLevel() == D3D_OK;
}
