#pragma once
// ERenderer: the scene passes, the texture table and the draw lists.
// STAND-IN: only the instancing limit the setting "InstancesBoundary" writes;
// the renderer work replaces this file with the whole ERenderer.

class ERenderer
{
public:
    virtual ~ERenderer() = default;

    // STAND-IN: the shadow maps drawn before the scene come with the renderer work.
    void PreRenderScene() {}

    int InstancesBoundary = 200; // meshes drawn instanced from this many copies

    // STAND-IN: the terrain script named by the world key "WorldTerrain"; its
    // seven layers are read by the texture work.
    static constexpr int TERRAIN_SCRIPT_SIZE = 256;
    char m_szTerrainScript[TERRAIN_SCRIPT_SIZE] = {};
    void LoadTerrainScript() {}

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
