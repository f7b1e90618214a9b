// What "SimplestMesh" and "SimplestSkinmesh" share: the water images' plain
// look (texture, sun and ambient light, fog) and the clipping against the
// water plane that stands in for user clip planes: below the plane when the
// image is the reflection, above it when it is the refraction.

#include "common.fxh"

float4x4 g_mView : VIEW;
float4x4 g_mViewInv;
float4x4 g_mProj : PROJECTION;
float4x4 g_mWorldView : WORLDVIEW;
float4 g_CameraPosition;
float4 g_SkyLightDir = {-0.8, -0.4, 0.4, 0.0};
float4 g_SkyLightDiffuse = {1.0, 1.0, 1.0, 1.0};
float4 g_AmbientLightDiffuse = {0.3, 0.3, 0.3, 1.0};
float4 g_FogColor = {0.75, 0.8, 0.95, 1.0};
float g_fFogMax = 0.0;
bool g_bUseSkyLight = true;
bool g_bUseSkyLightX = true;
bool g_bUseLight = false;
bool g_bFullyBrightINM = false;
bool g_bDrawSpecular = false;
float g_SpecularPower = 16.0;
float g_SpecularCone = 0.5;
float g_fTextureDensity = 1.0;
bool g_bDrawTransparent = false;
bool g_bDrawTranslucent = false;
bool g_bReflection = false;
bool g_bRefraction = false;
float g_fWaterHeight = 0.0;
float g_fFarZ = 3000.0;
float g_fFarZ1 = 0.000333;

pixelshader PS_Simplest
{
    in vec2 vTexCoord;
    in vec3 vNormal;
    in vec3 vWorld;
    layout(location = 0) out vec4 outColor;

    void main()
    {
        // A small margin keeps the shore line free of gaps.
        if (g_bReflection && vWorld.y < g_fWaterHeight - 0.05)
            discard;
        if (g_bRefraction && vWorld.y > g_fWaterHeight + 0.05)
            discard;
        vec4 texel = texture(TextureSampler, vTexCoord * g_fTextureDensity);
        vec3 n = normalize(vNormal);
        float sun = g_bUseSkyLight ? max(dot(n, -normalize(g_SkyLightDir.xyz)), 0.0) : 0.0;
        vec3 colour = texel.rgb * (g_AmbientLightDiffuse.rgb + g_SkyLightDiffuse.rgb * sun);
        float distance = length(g_CameraPosition.xyz - vWorld);
        float fog = g_fFogMax * (1.0 - exp(-16.0 * distance * g_fFarZ1));
        outColor = vec4(mix(colour, g_FogColor.rgb, clamp(fog, 0.0, 1.0)), g_bDrawTransparent ? texel.a : 1.0);
    }
}
