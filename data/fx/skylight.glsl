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
in vec3 vLight2;

// While the post-process chain has the G-buffer bound (g_bDeferred) the
// scene writes the unlit material to target 0 and leaves the light to the
// chain: the distance from the eye to target 1, the normal with the sun's shadow in alpha
// to target 2, the specular strength and self-lit level to target 3.
layout(location = 1) out vec4 outPosition;
layout(location = 2) out vec4 outNormal;
layout(location = 3) out vec4 outSpecular;

// Fog reaches nearly its maximum halfway to the far plane.
const float kFogFalloff = 16.0;
// Depth stored where nothing was drawn into a cascade.
const float kEmptyDepth = 1.0;

// How the depth of the surface changes across the cascade's texture: found
// once per pixel from the screen derivatives of its cascade position, so a
// surface slanted to the sun compares each tap with its own depth there and
// does not shadow itself in teeth. (du, dv, dz) along x and along y.
vec2 DepthSlope(vec3 dx, vec3 dy)
{
    float det = dx.x * dy.y - dx.y * dy.x;
    if (abs(det) < 1e-12)
        return vec2(0.0);
    return vec2(dy.y * dx.z - dx.y * dy.z, dx.x * dy.z - dy.x * dx.z) / det;
}

// The cascade position in Direct3D's texture space (v runs down the target)
// with its depth.
vec3 CascadeUvz(vec3 c)
{
    return vec3(0.5 * c.x + 0.5, 0.5 - 0.5 * c.y, c.z);
}

// A slope never moves the compared depth by more than this (a surface seen
// edge-on by the sun).
const float kMaxSlopeShift = 0.004;

// 1 lit, 0 shadowed, -1 outside the cascade. Four texels around the point,
// weighted by where the point lies between them, so shadow edges are smooth
// rather than texel blocks; each compared with the surface's depth at that
// texel (`slope`) less `epsilon`.
float CascadeLight(sampler2D map, vec3 c, vec2 slope, float epsilon, float texel)
{
    vec3 p = CascadeUvz(c);
    if (p.x <= 0.0 || p.x >= 1.0 || p.y <= 0.0 || p.y >= 1.0 || p.z >= kEmptyDepth)
        return -1.0;
    float size = texel > 0.0 ? 1.0 / texel : 1.0;
    vec2 st = p.xy * size - 0.5;
    vec2 base = floor(st);
    vec2 f = st - base;
    float lit[4];
    for (int i = 0; i < 4; ++i)
    {
        vec2 at = (base + vec2(float(i & 1), float(i >> 1)) + 0.5) * texel;
        float shift = clamp(dot(slope, at - p.xy), -kMaxSlopeShift, kMaxSlopeShift);
        float bias = epsilon + min(dot(abs(slope), vec2(texel)), kMaxSlopeShift);
        lit[i] = (p.z + shift - bias > texture(map, at).r) ? 0.0 : 1.0;
    }
    return mix(mix(lit[0], lit[1], f.x), mix(lit[2], lit[3], f.x), f.y);
}

vec2 g_SlopeWide;
vec2 g_SlopeNear;
vec2 g_SlopeMoving;

// The slopes of the three cascades, taken where every pixel of the primitive
// runs them (derivatives need it).
void FindDepthSlopes()
{
    g_SlopeWide = DepthSlope(dFdx(CascadeUvz(vLight)), dFdy(CascadeUvz(vLight)));
    g_SlopeNear = DepthSlope(dFdx(CascadeUvz(vLight0)), dFdy(CascadeUvz(vLight0)));
    g_SlopeMoving = DepthSlope(dFdx(CascadeUvz(vLight2)), dFdy(CascadeUvz(vLight2)));
}

// The sun's share at this point: the near cascade where it covers the point,
// else the wide one, else full sun; darkened further where the cascade of the
// moving casters (figures, loose objects) covers it.
float SunShadow()
{
    float sun = 1.0;
    bool found = false;
    if (g_bShadowMap0)
    {
        float near = CascadeLight(ShadowSampler0, vLight0, g_SlopeNear, SHADOW_EPSILON0,
                                  SMAP_SIZE0 > 0.0 ? 1.0 / SMAP_SIZE0 : 1.0);
        if (near >= 0.0)
        {
            sun = near;
            found = true;
        }
    }
    if (!found && g_bShadowMap)
    {
        float wide = CascadeLight(ShadowSampler, vLight, g_SlopeWide, SHADOW_EPSILON, SMAP_SIZE1);
        if (wide >= 0.0)
            sun = wide;
    }
    if (g_bShadowMap2)
    {
        float moving = CascadeLight(ShadowSampler2, vLight2, g_SlopeMoving, SHADOW_EPSILON2,
                                    SMAP_SIZE2 > 0.0 ? 1.0 / SMAP_SIZE2 : 1.0);
        if (moving >= 0.0)
            sun = min(sun, moving);
    }
    return sun;
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
    FindDepthSlopes();
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
    // The sun's shadow here, found once for either way of lighting below.
    float shadow = g_bUseSkyLight ? SunShadow() : 0.0;
    if (g_bDeferred)
    {
        float specular = 0.0;
        if (g_bDrawSpecular)
            specular = (g_bSpecularInDetailMask ? detailMask : texel.a) * g_SpecularCone;
        float selfLit = g_bFullyBrightINM ? texel.a : 0.0;
        vec3 base = albedo;
        if (env)
        {
            vec3 eyeRay = normalize(vWorld - g_CameraPosition.xyz);
            base = mix(base, texture(EnvironmentSampler, reflect(eyeRay, n)).rgb, 0.35 * texel.a);
        }
        outPosition = vec4(max(length(vWorld - g_CameraPosition.xyz), 0.0001), 0.0, 0.0, 1.0);
        outNormal = vec4(n * 0.5 + 0.5, shadow);
        outSpecular = vec4(specular, selfLit, 0.0, 1.0);
        float a = (g_bDrawTransparent || g_bDrawTranslucent) ? texel.a : 1.0;
        return vec4(base + vec3(g_fItemDropped), a);
    }
    outPosition = vec4(0.0);
    outNormal = vec4(0.5, 0.5, 0.5, 0.0);
    outSpecular = vec4(0.0);
    float facing = g_bUseSkyLight ? max(dot(n, toSun), 0.0) : 0.0;
    float sun = facing * shadow;
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
