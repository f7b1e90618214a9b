// EObjectMgr: the device side of the placed objects: the sprite buffer's
// life from world start to reset, the impostor atlas built once per load,
// and the two sprite passes.
#include "world/ObjectMgr.h"

#include "shell/Console.h"
#include "shell/D3DMain.h"

void EObjectMgr::Init()
{
    // Every world start comes here, "*" included: what the last one made goes first.
    ReleaseDeviceResources();
    m_bAtlasRendered = 0;
    m_bAtlasFailed = 0;
    m_bSpritesDirty = 1;
    // A world without placed objects needs no buffer.
    if (g_pD3DInterface && !m_Groups.empty() &&
        (FAILED(g_pD3DInterface->CreateVertexBuffer(OBJECTMGR_VB_SIZE, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED,
                                                    &m_pVB, nullptr)) ||
         !m_pVB))
    {
        m_pVB = nullptr;
        g_Console.Print("ObjectMgr FAILED to create VB");
    }
    // STAND-IN: the managed atlas texture (m_pTexture, 4096 x 4096) is made
    // with the atlas image itself, which waits for the group meshes to be
    // drawn into the cells through "SimplestMesh".
    ForceUpdate();
}

void EObjectMgr::Reset()
{
    m_bAtlasRendered = 0;
    m_bAtlasFailed = 0;
    m_bSpritesDirty = 0;
    ReleaseDeviceResources();
    ReleaseGroups();
}

void EObjectMgr::ReleaseDeviceResources()
{
    if (m_pVB)
        m_pVB->Release();
    m_pVB = nullptr;
    if (m_pTexture)
        m_pTexture->Release();
    m_pTexture = nullptr;
}

void EObjectMgr::Render()
{
    if (m_bAtlasRendered || m_bAtlasFailed || m_Groups.empty())
        return;
    if (!RenderAllObjects())
        m_bAtlasFailed = 1;
}

bool EObjectMgr::RenderAllObjects()
{
    PlaceCells();
    // STAND-IN: the cells are given out, but the group meshes are not drawn
    // into the atlas yet (RenderObject through "SimplestMesh" into a 4096 x
    // 4096 target, read back into m_pTexture); it waits for that drawing.
    m_bAtlasRendered = 1;
    // The sprites take the new cells at the next update.
    m_bSpritesDirty = 1;
    ForceUpdate();
    return true;
}

void EObjectMgr::RenderObject(HOBJECT object)
{
    if (!object)
        g_Console.Print("EObjectMgr::RenderObject hObj==0!");
}

void EObjectMgr::RenderTGrassPass()
{
    // STAND-IN: the sprites are drawn by the "RenderTGrass" technique of
    // "skylightF", which the terrain-grass work brings.
}

void EObjectMgr::RenderGrassPass()
{
    // STAND-IN: the sprites are drawn by the "RenderGrass" and "RenderTGrass"
    // techniques of "skylight", which the terrain-grass work brings.
}
