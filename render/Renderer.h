#pragma once
// ERenderer: the scene passes, the texture table and the draw lists.
// STAND-IN: only the instancing limit the setting "InstancesBoundary" writes;
// the renderer work replaces this file with the whole ERenderer.

#include "platform/win32/WinTypes.h"

class ERenderer
{
public:
    virtual ~ERenderer() = default;

    // STAND-IN: the shadow maps drawn before the scene come with the renderer work.
    void PreRenderScene() {}

    int InstancesBoundary = 200; // meshes drawn instanced from this many copies

    static constexpr int TERRAIN_NAME_SIZE = 256;
    // The world's terrain script name (world key "WorldTerrain"); false when
    // it does not fit, and the name is then left empty.
    bool SetTerrainName(const char* name);
    // STAND-IN: the terrain textures come with the renderer work.
    void LoadTerrainScript() {}
    char m_szTerrainName[TERRAIN_NAME_SIZE] = {};
    BYTE m_bSkyMesh = 0; // the world has a sky mesh

    // The engine's calls, empty until the renderer work.
    void ScanTextureDirectory() {}
    void UpdateTime() {}
    void ResetViewCache() {}
    void ClearTextures() {}
    void PreloadTexture(const char*) {}
    void ResetWorldState() {}
    void InitAmbient() {}
    void RenderScene() {}
    void BeginFrameStates() {}
    void Reset() {}
};

extern ERenderer g_Renderer;
