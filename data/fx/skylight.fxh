// Parameters and samplers of the sun-lit scene effects ("skylight" and
// "skylightF"). Samplers take texture stages in the order they are declared,
// so the list below is the engine's stage layout: 0 diffuse, 1 normal map,
// 2 detail, 3 and 5 the water maps, 4 the cascade of the moving casters
// (cascade 2), 6 the sun cascade the pass binds (cascade 1), 7 the sharp
// near cascade (cascade 0), 8 the environment cube, 9 to 11
// the three painted layers, 15 the cloud texture. The passes bind every stage
// themselves; only the diffuse sampler also reads the parameter g_Texture.

#include "common.fxh"

float4x4 g_mView : VIEW;
float4x4 g_mProj : PROJECTION;
float4x4 g_mViewProj : VIEWPROJECTION;
float4x4 g_mViewInv;
float4x4 g_mWorldView : WORLDVIEW;
// Camera space to the light's clip space of the bound cascade(s).
float4x4 g_mViewToLightProj;
float4x4 g_mViewToLightProj0;
float4x4 g_mViewToLightProj2;
float4 g_CameraPosition;
float4 g_CameraModel;

// The sun: its direction (the way its light travels), its colour times its
// power, and the ambient light of the world.
float4 g_SkyLightDir = {-0.8, -0.4, 0.4, 0.0};
float4 g_SkyLightDiffuse = {1.0, 1.0, 1.0, 1.0};
float4 g_AmbientLightDiffuse = {0.2, 0.2, 0.2, 1.0};
bool g_bUseSkyLight = true;
// The scene writes the post-process G-buffer instead of lighting itself.
bool g_bDeferred = false;

// Fog by distance: up to g_fFogMax of the fog colour, thickening with the
// distance over the far plane times g_fFogDistCoef.
float4 g_FogColor = {0.75, 0.8, 0.95, 1.0};
float g_fFogMax = 0.0;
float g_fFogDistCoef = 1.0;
float g_fFarZ = 3000.0;
float g_fFarZ1 = 0.000333;
// The sky's fog by height above the camera.
float g_fSkyFogHeight = 100000.0;
float g_fSkyFogCoef = 0.8;

// Shadow test of the cascade on stage 6 (and stage 7 for the near one,
// stage 4 for the moving casters' one).
bool g_bShadowMap = false;
bool g_bShadowMap0 = false;
bool g_bShadowMap2 = false;
float SHADOW_EPSILON = 0.002;
float SHADOW_EPSILON0 = 0.0002;
float SMAP_SIZE = 1024.0;
float SMAP_SIZE1 = 0.0009765625;
float SMAP_SIZE0 = 2048.0;
float SHADOW_EPSILON2 = 0.0002;
float SMAP_SIZE2 = 2048.0;

// Material block.
bool g_bNormalMap = false;
bool g_bDrawSpecular = false;
float g_SpecularPower = 16.0;
float g_SpecularCone = 0.5;
bool g_bSpecularInDetailMask = false;
bool g_bFullyBrightINM = false;
bool g_bDrawDetail = false;
bool g_bDetailAsNormal = false;
float g_fDetailDensity = 1.0;
float g_fTextureDensity = 1.0;
float g_fItemDropped = 0.0;
float g_fCzas01 = 0.0;
bool g_bWire = false;
bool g_bDrzewo = false;
bool g_bDrzewoLiscie = false;
float g_fDrzewoLiscie = 0.0;
// Set by the render-state cache for cut-out and glass-like materials.
bool g_bDrawTransparent = false;
bool g_bDrawTranslucent = false;

// Painted layers (red, green and blue weights of the vertex colour).
bool g_bTextureColor = false;
bool g_bTextureSlot[7];
float g_fTextureColorDensity[7] = {1, 1, 1, 1, 1, 1, 1};
float g_fTextureColorBrightness[3] = {1, 1, 1};
float g_fTextureColorSharpness[3] = {1, 1, 1};
float g_fAdditionalColorSaturation[3];
float4 g_vAdditionalColor0;
float4 g_vAdditionalColor1;
float4 g_vAdditionalColor2;

sampler NormalSampler = sampler_state { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; };
sampler DetailSampler = sampler_state { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; };
sampler Stage3Sampler = sampler_state { MinFilter = Linear; MagFilter = Linear; };
sampler ShadowSampler2 = sampler_state { MinFilter = Point; MagFilter = Point; MipFilter = None; AddressU = Clamp; AddressV = Clamp; };
sampler Stage5Sampler = sampler_state { MinFilter = Linear; MagFilter = Linear; };
sampler ShadowSampler = sampler_state { MinFilter = Point; MagFilter = Point; MipFilter = None; AddressU = Clamp; AddressV = Clamp; };
sampler ShadowSampler0 = sampler_state { MinFilter = Point; MagFilter = Point; MipFilter = None; AddressU = Clamp; AddressV = Clamp; };
samplerCUBE EnvironmentSampler = sampler_state { MinFilter = Linear; MagFilter = Linear; };
sampler LayerSamplerR = sampler_state { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; };
sampler LayerSamplerG = sampler_state { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; };
sampler LayerSamplerB = sampler_state { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; };
sampler Stage12Sampler = sampler_state { MinFilter = Linear; MagFilter = Linear; };
sampler Stage13Sampler = sampler_state { MinFilter = Linear; MagFilter = Linear; };
sampler Stage14Sampler = sampler_state { MinFilter = Linear; MagFilter = Linear; };
sampler CloudSampler = sampler_state { MinFilter = Linear; MagFilter = Linear; };

// The scene's vertex shader: clip position, world normal and position, the
// camera-space position, the positions in the two cascades' clip spaces and
// the texture coordinates.
vertexshader VS_Scene
{
    layout(location = TK_POSITION) in vec3 inPosition;
    layout(location = TK_COLOR0) in vec4 inColor;
    layout(location = TK_NORMAL) in vec3 inNormal;
    layout(location = TK_TANGENT) in vec3 inTangent;
    layout(location = TK_BINORMAL) in vec3 inBinormal;
    layout(location = TK_TEXCOORD0) in vec2 inTexCoord;
    out vec3 vNormal;
    out vec3 vTangent;
    out vec3 vBinormal;
    out vec3 vWorld;
    out vec3 vView;
    out vec2 vTexCoord;
    out vec4 vColor;
    out vec3 vLight;
    out vec3 vLight0;
    out vec3 vLight2;

    void main()
    {
        gl_Position = vec4(inPosition, 1.0) * g_mWorldViewProjection;
        vNormal = (vec4(inNormal, 0.0) * g_mWorld).xyz;
        vTangent = (vec4(inTangent, 0.0) * g_mWorld).xyz;
        vBinormal = (vec4(inBinormal, 0.0) * g_mWorld).xyz;
        vWorld = (vec4(inPosition, 1.0) * g_mWorld).xyz;
        vView = (vec4(inPosition, 1.0) * g_mWorldView).xyz;
        vTexCoord = inTexCoord;
        vColor = inColor;
        // The cascades' projections are orthographic: their clip positions
        // interpolate exactly, so they are found here once per vertex.
        vLight = (vec4(vView, 1.0) * g_mViewToLightProj).xyz;
        vLight0 = (vec4(vView, 1.0) * g_mViewToLightProj0).xyz;
        vLight2 = (vec4(vView, 1.0) * g_mViewToLightProj2).xyz;
    }
}
