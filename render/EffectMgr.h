#pragma once
// EEffectMgr: every effect file of the folder "fx", loaded once when the
// engine starts, each kept in an EEffect record with the handles of the
// parameters and techniques the engine sets by name. Render code keeps the
// record pointer as its effect handle, so no name is looked up while drawing.

#include "platform/d3dx/Effect.h"

// The record's handles in their fixed order: field, name in the effect,
// parameter (P) or technique (T).
#define TK_EFFECT_HANDLES(P, T)                                                                              \
    P(g_SkyLightDir, "g_SkyLightDir")                                                                        \
    P(g_SkyLightDiffuse, "g_SkyLightDiffuse")                                                                \
    P(g_AmbientLightDiffuse, "g_AmbientLightDiffuse")                                                        \
    P(g_LightPos, "g_LightPos")                                                                              \
    P(g_LightDiffuse, "g_LightDiffuse")                                                                      \
    P(g_LightRange, "g_LightRange")                                                                          \
    P(g_LightPower, "g_LightPower")                                                                          \
    P(g_LightView, "g_LightView")                                                                            \
    P(g_fFarClip, "g_fFarClip")                                                                              \
    P(g_Texture, "g_Texture")                                                                                \
    P(g_Normal, "g_Normal")                                                                                  \
    P(g_Normal2, "g_Normal2")                                                                                \
    P(g_Normal3, "g_Normal3")                                                                                \
    P(g_NormalMask, "g_NormalMask")                                                                          \
    P(g_Environmental, "g_Environmental")                                                                    \
    P(g_Detail, "g_Detail")                                                                                  \
    P(g_AddWaterNormal, "g_AddWaterNormal")                                                                  \
    P(g_mWorld, "g_mWorld")                                                                                  \
    P(g_mView, "g_mView")                                                                                    \
    P(g_mViewProj, "g_mViewProj")                                                                            \
    P(g_mViewInv, "g_mViewInv")                                                                              \
    P(g_mProj, "g_mProj")                                                                                    \
    P(g_mWorldView, "g_mWorldView")                                                                          \
    P(g_mWorldViewProjection, "g_mWorldViewProjection")                                                      \
    P(g_CameraPosition, "g_CameraPosition")                                                                  \
    P(g_CameraModel, "g_CameraModel")                                                                        \
    P(g_fDetailDensity, "g_fDetailDensity")                                                                  \
    P(g_fNormalDensity, "g_fNormalDensity")                                                                  \
    P(g_fDebugLights, "g_fDebugLights")                                                                      \
    P(g_WaterColor, "g_WaterColor")                                                                          \
    P(g_SpecularPower, "g_SpecularPower")                                                                    \
    P(g_SpecularCone, "g_SpecularCone")                                                                      \
    P(g_bSpecularInDetailMask, "g_bSpecularInDetailMask")                                                    \
    P(g_fFogDistCoef, "g_fFogDistCoef")                                                                      \
    P(g_fFogMax, "g_fFogMax")                                                                                \
    P(g_FogColor, "g_FogColor")                                                                              \
    P(g_UseSkyLight, "g_UseSkyLight")                                                                        \
    P(g_fItemDropped, "g_fItemDropped")                                                                      \
    P(g_vLightDir, "g_vLightDir")                                                                            \
    P(g_vLightPos, "g_vLightPos")                                                                            \
    P(g_fCosTheta, "g_fCosTheta")                                                                            \
    P(SHADOW_EPSILON, "SHADOW_EPSILON")                                                                      \
    P(SMAP_SIZE, "SMAP_SIZE")                                                                                \
    P(SMAP_SIZE1, "SMAP_SIZE1")                                                                              \
    P(g_txLight, "g_txLight")                                                                                \
    P(g_txShadow, "g_txShadow")                                                                              \
    P(g_mViewToLightProj, "g_mViewToLightProj")                                                              \
    P(mWorldMatrixArray, "mWorldMatrixArray")                                                                \
    P(CurNumBones, "CurNumBones")                                                                            \
    P(g_bDrawSpecular, "g_bDrawSpecular")                                                                    \
    P(g_fTextureDensity, "g_fTextureDensity")                                                                \
    P(g_bDrawTransparent, "g_bDrawTransparent")                                                              \
    P(g_bDrawTranslucent, "g_bDrawTranslucent")                                                              \
    P(g_bUseSkyLight, "g_bUseSkyLight")                                                                      \
    P(g_bBoss1, "g_bBoss1")                                                                                  \
    P(g_bAddWater, "g_bAddWater")                                                                            \
    P(g_bFullyBrightINM, "g_bFullyBrightINM")                                                                \
    P(g_bDrawDetail, "g_bDrawDetail")                                                                        \
    P(g_bDetailAsNormal, "g_bDetailAsNormal")                                                                \
    P(g_fBumpHeight, "g_fBumpHeight")                                                                        \
    P(g_fDrzewoLiscie, "g_fDrzewoLiscie")                                                                    \
    P(g_DefPos, "g_DefPos")                                                                                  \
    P(g_DefCol, "g_DefCol")                                                                                  \
    P(g_DefRadius, "g_DefRadius")                                                                            \
    P(g_DefPower, "g_DefPower")                                                                              \
    P(g_bUseFog, "g_bUseFog")                                                                                \
    P(g_bUseLight, "g_bUseLight")                                                                            \
    P(g_vLightPos2, "g_vLightPos")                                                                           \
    P(g_fLightRange, "g_fLightRange")                                                                        \
    P(g_vLightDiffuse, "g_vLightDiffuse")                                                                    \
    P(g_fLightPower, "g_fLightPower")                                                                        \
    P(g_bCastShadows, "g_bCastShadows")                                                                      \
    P(g_bUseMinusLight, "g_bUseMinusLight")                                                                  \
    P(g_vMinusLightPos, "g_vMinusLightPos")                                                                  \
    P(g_fMinusLightRange, "g_fMinusLightRange")                                                              \
    P(g_fMinusLightPower, "g_fMinusLightPower")                                                              \
    P(g_bLinearScatter, "g_bLinearScatter")                                                                  \
    P(cShadowResolution, "cShadowResolution")                                                                \
    P(cWorld, "cWorld")                                                                                      \
    P(cWorldIT, "cWorldIT")                                                                                  \
    P(g_fTextureDensityX, "g_fTextureDensityX")                                                              \
    P(g_fTextureDensityY, "g_fTextureDensityY")                                                              \
    P(g_bUseTexture, "g_bUseTexture")                                                                        \
    P(g_LightDir, "g_LightDir")                                                                              \
    P(bCastShadow, "bCastShadow")                                                                            \
    P(g_tMultitextureR, "g_tMultitextureR")                                                                  \
    P(g_tMultitextureRNormal, "g_tMultitextureRNormal")                                                      \
    P(g_fMultitextureDensityR, "g_fMultitextureDensityR")                                                    \
    P(g_tMultitextureG, "g_tMultitextureG")                                                                  \
    P(g_tMultitextureGNormal, "g_tMultitextureGNormal")                                                      \
    P(g_fMultitextureDensityG, "g_fMultitextureDensityG")                                                    \
    P(g_tMultitextureB, "g_tMultitextureB")                                                                  \
    P(g_tMultitextureBNormal, "g_tMultitextureBNormal")                                                      \
    P(g_fMultitextureDensityB, "g_fMultitextureDensityB")                                                    \
    P(g_bTextureColor, "g_bTextureColor")                                                                    \
    P(g_bTextureSlot, "g_bTextureSlot")                                                                      \
    P(g_fTextureColorDensity, "g_fTextureColorDensity")                                                      \
    P(g_fTextureColorSharpness, "g_fTextureColorSharpness")                                                  \
    P(g_fTextureColorBrightness, "g_fTextureColorBrightness")                                                \
    P(g_vAdditionalColor0, "g_vAdditionalColor0")                                                            \
    P(g_vAdditionalColor1, "g_vAdditionalColor1")                                                            \
    P(g_vAdditionalColor2, "g_vAdditionalColor2")                                                            \
    P(g_fAdditionalColorSaturation, "g_fAdditionalColorSaturation")                                          \
    T(RenderSkinMesh20, "RenderSkinMesh20")                                                                  \
    T(RenderSkinMesh, "RenderSkinMesh")                                                                      \
    T(RenderSkinMeshSpecular, "RenderSkinMeshSpecular")                                                      \
    T(RenderSkinMeshT20, "RenderSkinMeshT20")                                                                \
    T(RenderSkinMeshT, "RenderSkinMeshT")                                                                    \
    T(RenderSkinMeshSpecularT, "RenderSkinMeshSpecularT")                                                    \
    T(RenderScene, "RenderScene")                                                                            \
    T(RenderScene20, "RenderScene20")                                                                        \
    T(RenderSceneBase, "RenderSceneBase")                                                                    \
    T(RenderSceneBaseT, "RenderSceneBaseT")                                                                  \
    T(RenderSceneAmbientWater, "RenderSceneAmbientWater")                                                    \
    T(RenderSceneAmbientWater20, "RenderSceneAmbientWater20")                                                \
    P(g_fOcclusionData, "g_fOcclusionData")                                                                  \
    P(g_fVertIncrease, "g_fVertIncrease")                                                                    \
    P(g_bSelectedInEditor, "g_bSelectedInEditor")

struct EEffect
{
    static constexpr int NAME_CHARS = 256;
    static constexpr int PATH_CHARS = 512;

    char m_szName[NAME_CHARS]; // file name without its extension
    char m_szPath[PATH_CHARS]; // "fx\" and the file name
    ID3DXEffect* m_pEffect;
    D3DXHANDLE m_hTechnique; // the first valid technique

#define TK_EFFECT_FIELD(field, name) D3DXHANDLE field;
    TK_EFFECT_HANDLES(TK_EFFECT_FIELD, TK_EFFECT_FIELD)
#undef TK_EFFECT_FIELD

    EEffect* m_pNext;
    EEffect* m_pPrev;
};

// One entry of the handle table: where the handle goes and what it is looked up by.
struct EEffectHandleName
{
    D3DXHANDLE EEffect::*field;
    const char* name;
    bool technique;
};
// Every handle of EEffect in field order, and how many there are.
extern const EEffectHandleName g_EffectHandleNames[];
extern const int g_EffectHandleCount;

class EEffectMgr
{
public:
    EEffectMgr() = default;
    virtual ~EEffectMgr() = default;

    void Init();
    void LoadEffectDirectory();
    EEffect* CreateEffect(const char* name, const char* path);
    EEffect* FindEffect(const char* name);
    void OnLostDevice();
    void OnResetDevice();
    void Release();

    ID3DXEffectPool* m_pEffectPool = nullptr;
    BYTE m_bInitialised = 0;
    EEffect* m_pEffects = nullptr; // most recently loaded first
    DWORD m_iCounter = 0;
};

// Looks `name` up in the effect at the head of the list (the one just created)
// and stores its handle in *field.
void AddEffectParam(D3DXHANDLE* field, const char* name);

extern EEffectMgr g_EffectMgr;
