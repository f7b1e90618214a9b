// The sun-lit shading shared by the scene techniques of "skylight" and
// "skylightF": the sun (directional, with its shadow), the ambient light, the
// material's detail, normal, specular, environment and painted layers, and
// the fog by distance. The shader that includes it declares the inputs below.

in vec3 vNormal;
in vec3 vTangent;
in vec3 vBinormal;
in vec3 vWorld;
in vec3 vView;
in vec2 vTexCoord;
in vec4 vColor;
in vec3 vLight;
in vec3 vLight0;

// Fog reaches nearly its maximum halfway to the far plane.
const float kFogFalloff = 16.0;
// Depth stored where nothing was drawn into a cascade.
const float kEmptyDepth = 1.0;

// 1 lit, 0 shadowed, -1 outside the cascade. TK_SHADOW_TAPS (1 or 4, set by
// the shader that includes this file) taps of the map around the point.
float CascadeLight(sampler2D map, vec3 c, float epsilon, float texel)
{
    // Direct3D's texture space: v runs down the target.
    vec2 uv = vec2(0.5 * c.x + 0.5, 0.5 - 0.5 * c.y);
    if (uv.x <= 0.0 || uv.x >= 1.0 || uv.y <= 0.0 || uv.y >= 1.0 || c.z >= kEmptyDepth)
        return -1.0;
#if TK_SHADOW_TAPS == 1
    return (c.z - epsilon > texture(map, uv).r) ? 0.0 : 1.0;
#else
    float lit = 0.0;
    for (int i = 0; i < 4; ++i)
    {
        vec2 offset = vec2(float(i & 1) - 0.5, float(i >> 1) - 0.5) * texel;
        lit += (c.z - epsilon > texture(map, uv + offset).r) ? 0.0 : 0.25;
    }
    return lit;
#endif
}

// The sun's share at this point: the near cascade where it covers the point,
// else the wide one, else full sun.
float SunShadow()
{
    if (g_bShadowMap0)
    {
        float near = CascadeLight(ShadowSampler0, vLight0, SHADOW_EPSILON0, SMAP_SIZE0 > 0.0 ? 1.0 / SMAP_SIZE0 : 1.0);
        if (near >= 0.0)
            return near;
    }
    if (g_bShadowMap)
    {
        float wide = CascadeLight(ShadowSampler, vLight, SHADOW_EPSILON, SMAP_SIZE1);
        if (wide >= 0.0)
            return wide;
    }
    return 1.0;
}

vec3 FogBlend(vec3 colour, float distance)
{
    float far = g_fFarZ > 0.0 ? g_fFarZ : 1.0;
    float f = g_fFogMax * (1.0 - exp(-kFogFalloff * g_fFogDistCoef * distance / far));
    return mix(colour, g_FogColor.rgb, clamp(f, 0.0, 1.0));
}

vec3 PaintedLayer(sampler2D layer, int slot, float weight, vec3 colour, vec4 extra)
{
    if (!g_bTextureSlot[slot] || weight <= 0.0)
        return colour;
    vec3 t = texture(layer, vTexCoord * g_fTextureColorDensity[slot]).rgb * g_fTextureColorBrightness[slot];
    float saturation = g_fAdditionalColorSaturation[slot];
    if (saturation > 0.0)
        t = mix(t, extra.rgb * dot(t, vec3(0.333)), clamp(saturation, 0.0, 1.0));
    float w = pow(clamp(weight, 0.0, 1.0), 1.0 / max(g_fTextureColorSharpness[slot], 0.01));
    return mix(colour, t, w);
}

// The lit colour of the material; env and painted pick the variant.
vec4 ShadeScene(bool env, bool painted)
{
    // No discard here: the opaque passes keep the rasteriser's early depth
    // test; cut-out materials have their own pass.
    vec4 texel = texture(TextureSampler, vTexCoord * g_fTextureDensity);
    vec3 albedo = texel.rgb;
    vec3 n = normalize(vNormal);
#ifndef TK_FAST
    if (g_bNormalMap)
    {
        vec3 m = texture(NormalSampler, vTexCoord).rgb * 2.0 - 1.0;
        n = normalize(mat3(normalize(vTangent), normalize(vBinormal), n) * m);
    }
#endif
    float detailMask = 1.0;
    if (g_bDrawDetail)
    {
        vec4 d = texture(DetailSampler, vTexCoord * g_fDetailDensity);
        if (g_bDetailAsNormal)
            n = normalize(n + (d.rgb * 2.0 - 1.0) * 0.5);
        else
            albedo *= d.rgb * 2.0;
        detailMask = d.a;
    }
    if (painted && g_bTextureColor)
    {
        albedo = PaintedLayer(LayerSamplerR, 0, vColor.r, albedo, g_vAdditionalColor0);
        albedo = PaintedLayer(LayerSamplerG, 1, vColor.g, albedo, g_vAdditionalColor1);
        albedo = PaintedLayer(LayerSamplerB, 2, vColor.b, albedo, g_vAdditionalColor2);
    }

    vec3 toSun = -normalize(g_SkyLightDir.xyz);
    float facing = g_bUseSkyLight ? max(dot(n, toSun), 0.0) : 0.0;
    float sun = facing > 0.0 ? facing * SunShadow() : 0.0;
    vec3 light = g_AmbientLightDiffuse.rgb + g_SkyLightDiffuse.rgb * sun;
    if (g_bFullyBrightINM)
        light = max(light, vec3(texel.a));
    vec3 colour = albedo * light;

    vec3 toEye = g_CameraPosition.xyz - vWorld;
    float distance = length(toEye);
    vec3 eye = toEye / max(distance, 0.0001);
    if (g_bDrawSpecular)
    {
        float mask = g_bSpecularInDetailMask ? detailMask : texel.a;
        float s = pow(max(dot(reflect(-toSun, n), eye), 0.0), max(g_SpecularPower, 1.0));
        colour += g_SkyLightDiffuse.rgb * s * g_SpecularCone * mask * (sun > 0.0 ? 1.0 : 0.0);
    }
    if (env)
        colour = mix(colour, texture(EnvironmentSampler, reflect(-eye, n)).rgb * light, 0.35 * texel.a);
    colour += vec3(g_fItemDropped);
    float alpha = (g_bDrawTransparent || g_bDrawTranslucent) ? texel.a : 1.0;
    return vec4(FogBlend(colour, distance), alpha);
}
