#pragma once
// ERenderer: the texture registry (every texture the game draws, loaded once
// into a numbered slot with the properties its scripts give it), the texture
// definitions found at start-up, the per-frame texture lists, the flash lights
// and the terrain texture set; and the scene frame driver with the sun-lit
// passes that it runs (RendererFrame.cpp, RendererSkyLit.cpp,
// RendererSkyDepth.cpp, RendererSubsets.cpp).

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/D3DXMath.h"
#include "world/Object.h"
#include "world/ObjectHandle.h"

#include <cstdint>
#include <type_traits>
#include <unordered_map>
#include <vector>

class EMesh;
class ESkinMesh;

// A slot of the registry; 0 is no texture.
typedef DWORD TextureIndex;

constexpr DWORD MAX_TEXTURES = 1024;
constexpr DWORD MAX_ANIM_FRAMES = 127;
constexpr DWORD MAX_FLASH_LIGHTS = 5;
constexpr DWORD TERRAIN_LAYERS = 7;
constexpr float DEFAULT_TERRAIN_TILING = 10.0f;
constexpr DWORD MAX_TEXTURE_SUBSTITUTES = 31;
constexpr DWORD MULTITEXTURE_LAYERS = 3;
constexpr DWORD TEXTURE_NAME_SIZE = 256;
constexpr DWORD TEXTURE_PATH_SIZE = 512;
constexpr DWORD TEXTURE_DEF_PATH_SIZE = 1024;
constexpr DWORD ANIM_FRAME_NAME_SIZE = 128;
constexpr DWORD SUBSTITUTE_NAME_SIZE = 64;
constexpr DWORD GROW_NAME_SIZE = 259;
// The start-up scan admits files whose path has at most this many characters.
constexpr DWORD MAX_SCAN_PATH = 768;

// Surface material codes of the texture scripts.
enum ETextureMaterial : DWORD
{
    MATERIAL_CEMENT = 0,
    MATERIAL_METAL = 1,
    MATERIAL_WOOD = 2,
    MATERIAL_SAND = 3,
    MATERIAL_SNOW = 4,
    MATERIAL_WATER = 5,
    MATERIAL_COAL = 6,
    MATERIAL_GLASS = 7,
    MATERIAL_PLASTIC = 8,
};

struct strtexture;

struct strlistameshy
{
    HOBJECT m_hObject;
    EMesh* m_pMesh;
    DWORD m_iSubset;      // current subset
    DWORD m_iBaseSubset;  // subset of the mesh file
    BYTE m_bSkip;         // read by the static-mesh passes; nothing sets it
    strtexture* m_pOwner; // the texture whose list holds the entry
    strlistameshy* m_pNext;
    strlistameshy* m_pPrev;
};

struct strlistaskinmeshy
{
    HOBJECT m_hObject;
    ESkinMesh* m_pSkinMesh;
    DWORD m_iSubset;
    strlistaskinmeshy* m_pNext;
    strlistaskinmeshy* m_pPrev;
};

// The names of a texture's companion maps, as its scripts give them.
struct strtexturenames
{
    char m_szEnvironment[TEXTURE_NAME_SIZE]; // "environmental"
    char m_szNormal[TEXTURE_NAME_SIZE];      // "normal"
    char m_szLava[TEXTURE_NAME_SIZE];        // "lava"
    char m_szMultitexture[MULTITEXTURE_LAYERS][TEXTURE_NAME_SIZE];
    char m_szAddWater[TEXTURE_NAME_SIZE]; // "add_water"
    char m_szDetail[TEXTURE_NAME_SIZE];   // "detail"
    char m_szGrow[GROW_NAME_SIZE];        // "grow"
};

// Every name empty: what a definition without companion names reads.
inline const strtexturenames g_NoTextureNames = {};

// One texture file found at start-up, with what the scripts say about it.
// Thousands are made at every start, so the companion names, which few
// textures have, live in a block made with the first of them.
struct strtexturepaths
{
    char m_szFileName[TEXTURE_NAME_SIZE];
    char m_szFullPath[TEXTURE_DEF_PATH_SIZE];
    char m_szKey[TEXTURE_NAME_SIZE]; // file name without its last four characters
    float m_fNormalDensity;
    float m_fBumpHeight;
    float m_fLavaSpeedUp, m_fLavaSpeedDown, m_fLavaMapCoef;
    float m_fMultitextureDensity[MULTITEXTURE_LAYERS];
    char (*m_pAnimFrameNames)[ANIM_FRAME_NAME_SIZE]; // MAX_ANIM_FRAMES + 1 names, made with the first
    float m_fAnimSpeed;
    DWORD m_iAnimFrameCount;
    float m_fAddWaterHeight;
    float m_fAddWaterDensity;
    DWORD m_bWater;
    float m_fWaterHeight;
    float m_vWaterColor[3];
    float m_fWaterFogFar, m_fWaterFogNear, m_fWaterTransparent;
    float m_fTextureDensity;
    BYTE m_bDds;
    strtexturepaths* m_pTgaTwin;
    BYTE m_bDescribed;
    BYTE m_bPriority, m_bGrassTexture, m_bTransparent, m_bNoIntersect, m_bTranslucent, m_bAdditive;
    float m_fAppearDistance;
    BYTE m_bStain, m_b2Sided, m_bDoNotRender, m_bDoNotCastShadow, m_bSpecular;
    float m_fSpecularPower, m_fSpecularCone;
    BYTE m_bSpecularInDetailMask, m_bNoFog, m_bNoLight, m_bFullyBrightInNormalMask;
    float m_fDetailDensity;
    BYTE m_bDetailAsNormal;
    DWORD m_iMaterial;
    BYTE m_bRayOfLight;
    strtexturenames* m_pNames; // null until a script names a companion map
    strtexturepaths* m_pPrev;
    strtexturepaths* m_pNext;

    const strtexturenames& Names() const { return m_pNames ? *m_pNames : g_NoTextureNames; }
    strtexturenames& EditNames()
    {
        if (!m_pNames)
            m_pNames = new strtexturenames();
        return *m_pNames;
    }
};
static_assert(std::is_trivially_default_constructible_v<strtexturepaths>, "definitions start as zero bytes");

struct strtexturesubstitutes
{
    char m_szName[SUBSTITUTE_NAME_SIZE]; // without its last four characters
    char m_szSubstitutes[MAX_TEXTURE_SUBSTITUTES][SUBSTITUTE_NAME_SIZE];
    DWORD m_iCount;
    strtexturesubstitutes* m_pPrev;
    strtexturesubstitutes* m_pNext;
};

// One loaded texture.
struct strtexture
{
    DWORD m_iIndex;
    char m_szName[TEXTURE_NAME_SIZE];
    DWORD m_iWidth, m_iHeight;
    DWORD m_Format;
    char m_szPath[TEXTURE_PATH_SIZE];
    BYTE m_bCube;
    BYTE m_bTga;
    BYTE m_bReducedQuality;
    BYTE m_bPriority;
    BYTE m_bHighVariant;
    BYTE m_bAnimated;
    DWORD m_iAnimFrame;
    DWORD m_iAnimFrameCount;
    float m_fAnimSpeed;
    float m_fAnimTime;
    BYTE m_bAnimPlaying;
    float m_fTextureDensity;
    float m_fBumpHeight;
    float m_fLavaSpeedUp, m_fLavaSpeedDown, m_fLavaMapCoef;
    IDirect3DTexture9* m_pTexture;
    IDirect3DCubeTexture9* m_pCubeTexture;
    strtexture* m_pAnimFrames[MAX_ANIM_FRAMES];
    strtexture* m_pLava;
    strtexture* m_pNormalMap;
    strtexture* m_pDetail;
    strtexture* m_pGrow;
    strtexture* m_pEnvironment;
    strtexture* m_pAddWater;
    float m_fAddWaterHeight, m_fNormalDensity, m_fAddWaterDensity;
    BYTE m_bMultitexture;
    struct
    {
        strtexture* m_pTexture;
        float m_fDensity;
    } m_Multitexture[MULTITEXTURE_LAYERS];
    DWORD m_bWater;
    float m_fWaterHeight;
    float m_vWaterColor[3];
    float m_fWaterFogFar, m_fWaterFogNear, m_fWaterTransparent;
    float m_fDetailDensity;
    BYTE m_bDetailAsNormal;
    strlistameshy* m_pMeshList;
    strlistaskinmeshy* m_pSkinMeshList;
    BYTE m_bFullyBrightInNormalMask, m_bGrassTexture, m_bTransparent, m_bTranslucent, m_bAdditive, m_bStain,
        m_bNoIntersect;
    float m_fAppearDistance;
    BYTE m_b2Sided, m_bSpecular;
    float m_fSpecularPower, m_fSpecularCone;
    BYTE m_bSpecularInDetailMask, m_bNoFog, m_bNoLight, m_bDoNotRender, m_bDoNotCastShadow;
    DWORD m_iMaterial;
    BYTE m_bRayOfLight;
    BYTE m_bHasDefinition; // a definition was found when it loaded
    BYTE m_bListed;        // in this frame's static-mesh list
    BYTE m_bProbeMark;     // the ambient probe draws it white (a ground the grass grows on)
    strtexture* m_pNext;
    strtexture* m_pPrev;
};

struct EEffect;

// What the frame knows of one engine object slot: set by the engine's
// per-frame list builder (visibility, motion) and by the lighting constants
// before the passes run (matrices).
struct strobjectframe
{
    BYTE m_bVisible;       // in use, shown and in view this frame
    BYTE m_bInView;        // inside the camera's view volume
    BYTE m_bMoving;        // skinned, or driven by a physics body
    BYTE m_bDynamicShadow; // drawn into the dynamic sun cascade
    BYTE m_bCounted;       // its faces are in this frame's polygon total
    D3DXMATRIX m_mWorldViewProjection;
    D3DXMATRIX m_mWorld;
    D3DXMATRIX m_mWorldView;
    D3DXVECTOR4 m_vCameraModel; // the camera in the object's own space
};

class ERenderer
{
public:
    ERenderer();
    virtual ~ERenderer();
    // One registry: its records and definitions are owned, never shared.
    ERenderer(const ERenderer&) = delete;
    ERenderer& operator=(const ERenderer&) = delete;

    // ---- Registry ---------------------------------------------------------
    TextureIndex GetTextureIndex(const char* name, BYTE reduced = 0, BYTE high = 0, BYTE companions = 0);
    strtexture* LoadTexture(const char* name, BYTE reduced, BYTE high, BYTE cube, BYTE companions);
    strtexture* FindTexture(const char* name);
    strtexture* GetTexture(TextureIndex index);
    HRESULT SetTexture(DWORD stage, TextureIndex index);
    void AnimationPlay(const char* name);
    void AnimationPause(const char* name);
    void AnimationStop(const char* name);
    TextureIndex LoadMeshTextures(const char* name, EMesh* mesh, DWORD subset);
    TextureIndex LoadSkinMeshTextures(const char* name, ESkinMesh* mesh, DWORD subset);
    void RemoveMeshTextureRefs(EMesh* mesh);
    void RemoveSkinMeshTextureRefs(ESkinMesh* mesh);
    void SetMeshSubsetTextures(HOBJECT object, BYTE variant);
    void FreeTexture(strtexture* texture);
    void ClearTextures();
    void BuildRenderLists();
    // The static and then the skinned frame textures in one list, translucent
    // ones last; sets the water, lava and additive frame flags.
    void BuildCombinedTextureList();
    void MoveTranslucentLast(strtexture** list);
    void AddFlashLight(const float* position);
    void UpdateFlashLights();
    void ResetWorldState();
    void SetSkinVertexDeclaration();
    void LoadNormalMap(strtexture* texture, strtexturepaths* definition, BYTE reduced, BYTE high = 0);
    // The engine's start-up preload of a texture by name.
    void PreloadTexture(const char* name) { GetTextureIndex(name); }

    // ---- Texture scripts --------------------------------------------------
    void ScanTextureDirectory();
    void AddTexturePath(const char* path);
    void LoadTextureScripts();
    void ParseTextureScript(const char* file);
    void LinkDdsToTgaTwins();
    strtexturepaths* FindTexturePath(const char* name);
    void LoadTextureSubstitutes();
    strtexturesubstitutes* FindTextureSubstitutes(const char* name);
    void LoadTerrainScript();
    void ReportUndefinedTextures();
    void ReportDoubleTextures();
    void FreeTexturePaths();
    void FreeTextureSubstitutes();

    // ---- Frame driver ----------------------------------------------------------
    void UpdateTime();
    void CollectFrameTextures();
    void PreRenderScene();
    void RenderScene();
    void RenderSceneRealistic();
    void RenderSceneFast();
    void RenderLateForwardPasses();
    // The engine's effect layer starts with the late forward passes.
    void BeginFrameStates() { RenderLateForwardPasses(); }
    // The engine update clears the fifteen frame flags together.
    void ResetViewCache();
    // World start: clocks, lists and phases; the white and ambient textures.
    void InitAmbient();
    // Per frame before the passes: every visible object's matrices and the
    // sun, ambient and fog values of the sun-lit effects.
    void UpdateLightingConstants();
    // Program end: the registry is emptied.
    void Reset() { ClearTextures(); }
    strobjectframe& ObjectFrame(HOBJECT object);

    // ---- Sun cascades (depth) --------------------------------------------------
    // The static cascades are kept while the camera stays; they are drawn
    // again when the set of their casters changed since they were drawn.
    void ForgetChangedStaticCasters();
    std::uint64_t StaticCasterSignature();
    std::uint64_t m_uStaticCasters = 0;
    void RenderSkyDepth(DWORD cascade);
    bool RenderSkyDepthStatic(const D3DXMATRIX* lightViewProj);
    void RenderSkyDepthStaticTransparent(const D3DXMATRIX* lightViewProj);
    void RenderSkyDepthSkinMeshes(const D3DXMATRIX* lightViewProj);
    bool RenderSkyDepthDynamic(const D3DXMATRIX* lightViewProj);
    void RenderSkyDepthDynamicTransparent(const D3DXMATRIX* lightViewProj);

    // ---- Sun-lit passes ---------------------------------------------------------
    void RenderSceneSkyLightF();
    void RenderSceneSkyLight();
    void RenderSceneSkyLightMultitexture();
    void RenderTerrainSkyLight();
    void RenderTerrainSkyLightF();
    void RenderSkinMeshesSkyLightF();
    void RenderSkinMeshesSkyLight();
    void RenderSkinMeshesSkyLightTransl();
    void RenderSceneTransparentSkyLightF();
    void RenderSceneTransparentSkyLight();
    void RenderTranslucentSkyLight();
    void RenderGrassSkyLightF();
    void RenderGrassSkyLight();
    void RenderTreesSkyLightF();
    void RenderTreesSkyLight();

    // ---- Ambient-effect passes (glows, light shafts, water, lava) ---------------
    void RenderSceneAdditive();
    void RenderSceneRayOfLight();
    void RenderSceneAmbientWater();
    void RenderSceneAmbientWaterReflection();
    void RenderSceneAmbientLava();

    // ---- Subsets ------------------------------------------------------------------
    void BindSubsetTextures(strtexture* material, bool bindNormal);
    static void DrawMeshSubset(EMesh* mesh, DWORD subset);
    void RenderWaterMaps();

    // ---- Helpers the passes share ------------------------------------------------
    // The pass's effect, or null with one line per world.
    EEffect* FindPassEffect(const char* name);
    // Stages unbound, no shaders, the mesh declaration, the effect begun.
    void BeginSkyLitFrame(EEffect* effect);
    // One cascade's map and values; suffix "" for the wide one, "0" for the
    // near one, "2" for the moving casters' one.
    void SetCascadeInputs(EEffect* effect, DWORD cascade, const char* suffix);
    // The cascades a sun-lit pass reads: the wide one (Fast), or all three.
    void SetSunShadowInputs(EEffect* effect, bool realistic);
    // A material's maps and values, once per texture group.
    void BindMaterial(EEffect* effect, strtexture* t, bool realistic);
    // The material's specular inputs of a sun-lit effect (off without specular).
    static void SetSpecular(EEffect* effect, const strtexture* t);
    void SetPaintedLayers(EEffect* effect, HOBJECT object);
    void DrawTerrain(EEffect* effect);
    // The statistics of "PrintPolygonCount": one drawn subset in its size
    // class, and an object's faces once per frame.
    static void CountSubset(EMesh* mesh, DWORD subset);
    static void CountObjectPolygons(EMesh* mesh, strobjectframe& f);
    // A texture found by name, loaded only when the texture scan knows its
    // file (a missing texture file ends the game).
    static strtexture* OptionalTexture(const char* name, BYTE companions);
    // "tc_clouds.tga" on its stage when the data has it.
    static void BindClouds();
    // A console line printed once per world, however often it recurs.
    void PrintOncePerWorld(const char* line);

    // ---- Data (names as the rest of the program reads them) -------------------
    char m_szFormat[4];
    BYTE m_bFlashLightActive;
    float m_vFlashLightPos[MAX_FLASH_LIGHTS][3];
    float m_fFlashLightIntensity[MAX_FLASH_LIGHTS];
    strtexturesubstitutes* m_pTextureSubstitutes;
    strtexturepaths* m_pTexturePaths;
    strtexture* m_pTextures;
    IDirect3DTexture9* m_pWhiteTexture;
    strtexture* m_Textures[MAX_TEXTURES];
    strtexture* m_pMeshTextures[MAX_TEXTURES];
    strtexture* m_pSkinTextures[MAX_TEXTURES];
    strtexture* m_pFrameTextures[MAX_TEXTURES];
    DWORD m_iNextFreeSlot;
    float m_fFrameTime;
    // The fifteen frame flags in their fixed order (ResetViewCache clears them).
    BYTE m_bFrameHasSkyLitMeshes, m_bFrameHasTransparent, m_bFrameHasSkyLitSkinMeshes, m_bFrameHasTranslucent,
        m_bFrameHasTranslucentSkin, m_bFrameHasWater, m_bFrameHasLava, m_bFrameHasAdditive,
        m_bFrameHasAdditiveSkin, m_bFrameHasWaterMesh, m_bFrameHasRayOfLight, m_bFrameHasMultitexture,
        m_bDetailedShadowMeshes, m_bDetailedShadowSkinMeshes, m_bFrameHasTerrain;
    BYTE m_bFrameHasGrass, m_bFrameHasTrees;
    DWORD m_iRenderedOpaqueSubsets, m_iRenderedTransparentSubsets, m_iRenderedInstancedSubsets,
        m_iRenderedNoninstancedSubsets;
    float m_fPulsePhase, m_fPulse;
    static constexpr DWORD SWAY_PHASES = 4;
    float m_fSwayPhase[SWAY_PHASES];
    float m_fSwaySpeed[SWAY_PHASES];
    float m_fCzas01;
    strobjectframe m_ObjectFrame[MAX_OBJECTS];
    BYTE m_bBoundNormalMap = 0; // the last BindSubsetTextures put a real normal map on stage 1
    // While on, the engine's visibility pass marks near moving objects for detailed sky shadows.
    BYTE m_bDetailedSkyShadows = 1;
    struct TerrainLayer
    {
        char m_szFile[TEXTURE_NAME_SIZE];
        float m_fTiling;
        TextureIndex m_iTexture;
    } m_Terrain[TERRAIN_LAYERS];
    char m_szTerrainScript[TEXTURE_NAME_SIZE];
    IDirect3DCubeTexture9* m_hAmbient;
    int m_iInstancesBoundary; // the setting "InstancesBoundary" (200)

private:
    // Definitions are made by the thousand at start-up and freed together, so
    // they come from blocks rather than one heap allocation each.
    strtexturepaths* NewTexturePath();
    strtexturepaths* m_pPathBlocks = nullptr; // each block's first record links the next block
    DWORD m_iPathBlockUsed = 0;

    void CreateTextureResource(strtexture* texture);
    void LoadCompanion(strtexture** field, const char* name, BYTE reduced, BYTE high, BYTE cube);
    void LoadAnimFrames(strtexture* texture, strtexturepaths* definition, BYTE reduced);
    void AppendTextureDefinition(strtexturepaths* definition);

    void InsertFrameTexture(strtexture** list, DWORD* count, strtexture* texture, bool skinned);
    // Each mesh's entries in the textures' lists, so a mesh leaves them
    // without a walk over every texture.
    std::unordered_map<const EMesh*, std::vector<strlistameshy*>> m_MeshEntries;
    void UnlinkMeshEntry(strlistameshy* entry);
    // Lines already printed in this world.
    static constexpr DWORD ONCE_LINES = 64;
    static constexpr DWORD ONCE_LINE_SIZE = TEXTURE_NAME_SIZE + 64;
    char m_szOnceLines[ONCE_LINES][ONCE_LINE_SIZE];
    DWORD m_iOnceLines = 0;
    BYTE m_bOnceLinesFull = 0;
};

// The registry name of a texture: the part after the last backslash, with an
// extension other than tga or dds turned into dds. One static buffer.
const char* StripTexturePath(const char* name);
// The "_high" variant of a path when that file exists, else the path; one static buffer.
const char* GetHighVariantPath(const char* path);

extern ERenderer g_Renderer;
