// STAND-IN: see RenderStates.h.
#include "render/RenderStates.h"

#include "platform/d3d9/D3D9.h"
#include "shell/D3DMain.h"

ERenderStates g_RenderStates;

void ERenderStates::SetCullCCW()
{
    if (g_pD3DInterface)
        g_pD3DInterface->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    m_bCulling = 1;
}
