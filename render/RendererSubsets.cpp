// The small services every mesh pass of ERenderer uses: a material's maps on
// their stages (with its texture animation), one subset of a static mesh, and
// the water maps before the scene.

#include "render/Renderer.h"

#include "mesh/Mesh.h"
#include "render/RenderStates.h"
#include "render/ShadowCubeMaps.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"

#include <cstdio>

namespace
{
constexpr DWORD kDiffuseStage = 0;
constexpr DWORD kNormalStage = 1;
constexpr UINT kMeshStride = sizeof(TK_VERTEX);

void SetStage(DWORD stage, IDirect3DTexture9* texture)
{
    g_RenderStates.SetTexture(stage, texture);
}
} // namespace

void ERenderer::BindSubsetTextures(strtexture* material, bool bindNormal)
{
    m_bBoundNormalMap = 0;
    if (!material)
        return;
    IDirect3DDevice9* device = g_pD3DInterface;
    auto missingNormal = [&](const strtexture* t)
    {
        char line[ONCE_LINE_SIZE];
        std::snprintf(line, sizeof line, "%s - brak normala!", t->m_szName);
        PrintOncePerWorld(line);
    };
    // Stage 1 gets the normal map, or the diffuse texture where there is none.
    auto bindNormalOf = [&](strtexture* frame)
    {
        if (!bindNormal)
            return;
        if (frame->m_pNormalMap)
        {
            SetStage(kNormalStage, frame->m_pNormalMap->m_pTexture);
            m_bBoundNormalMap = frame->m_pNormalMap->m_pTexture ? 1 : 0;
            return;
        }
        if (material->m_bMultitexture || material->m_bAdditive)
            return;
        missingNormal(material);
        SetStage(kNormalStage, frame->m_pTexture);
    };

    if (!material->m_bAnimated)
    {
        if (device)
            device->SetTexture(kDiffuseStage,
                               g_Options.DrawTextures ? material->m_pTexture : m_pWhiteTexture);
        if (g_Options.PostProcessOff)
            return;
        bindNormalOf(material);
        return;
    }

    // Every binding steps the animation, so a material bound by several
    // passes in one frame advances once per pass.
    if (material->m_bAnimPlaying)
    {
        material->m_fAnimTime += m_fFrameTime;
        if (material->m_fAnimTime > material->m_fAnimSpeed)
        {
            material->m_fAnimTime = 0.0f;
            if (++material->m_iAnimFrame > material->m_iAnimFrameCount)
                material->m_iAnimFrame = 0;
        }
    }
    const DWORD state = material->m_iAnimFrame;
    if (state == 0)
    {
        SetStage(kDiffuseStage, g_Options.DrawTextures ? material->m_pTexture : m_pWhiteTexture);
        bindNormalOf(material);
        return;
    }
    if (state > MAX_ANIM_FRAMES)
        return;
    strtexture* frame = material->m_pAnimFrames[state - 1];
    if (!frame)
        return;
    SetStage(kDiffuseStage, frame->m_pTexture);
    bindNormalOf(frame);
}

void ERenderer::DrawMeshSubset(EMesh* mesh, DWORD subset)
{
    IDirect3DDevice9* device = g_pD3DInterface;
    if (!mesh || subset >= MAX_MESH_MATERIALS || !device)
        return;
    const strmesh* entry = mesh->GetMeshEntry();
    if (!entry || !entry->pVB || !entry->pIB)
        return;
    device->SetStreamSource(0, entry->pVB, 0, kMeshStride);
    device->SetIndices(entry->pIB);
    device->SetStreamSource(1, nullptr, 0, kMeshStride);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, entry->dwFirstVertex[subset],
                                 entry->dwVertexCount[subset], entry->dwFirstIndex[subset],
                                 entry->dwPrimitiveCount[subset]);
}

void ERenderer::RenderWaterMaps()
{
    g_ShadowCubeMaps.RenderWaterReflection();
    g_ShadowCubeMaps.RenderWaterRefraction();
}
