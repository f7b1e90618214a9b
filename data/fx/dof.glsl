// Shared code of the "dof" pixel shaders: the world position of a G-buffer
// pixel from its depth and the frustum corners, and the bodies several
// techniques share (light volumes, blurs, scale-down steps).

#define TK_DEFERRED_HELPERS                                                                              \
    vec3 RayAt(vec2 uv)                                                                                  \
    {                                                                                                    \
        vec3 top = mix(g_vFrustumCorners[0].xyz, g_vFrustumCorners[1].xyz, uv.x);                         \
        vec3 bottom = mix(g_vFrustumCorners[3].xyz, g_vFrustumCorners[2].xyz, uv.x);                      \
        return mix(top, bottom, uv.y);                                                                   \
    }                                                                                                    \
    vec3 WorldAt(vec2 uv, float depth) { return g_CameraPosition.xyz + normalize(RayAt(uv)) * depth; }      \
    vec3 NormalAt(vec2 uv) { return normalize(texture(NormalSampler, uv).rgb * 2.0 - 1.0); }

// A light volume's share at this pixel: albedo times the light's colour, its
// facing and a linear fall-off to its range. Reads the G-buffer at the pixel
// (the volume is drawn into a target of the G-buffer's size, so the pixel's
// own texel holds its distance). Most pixels a volume covers lie out of the
// light's reach: they are sent away on the squared distance, before any other
// read. A cube face not drawn since its creation (0) shadows nothing.
#define TK_VOLUME_LIGHT(POS, COLOUR, RANGE, POWER, SHADOWED, LINEAR)                                      \
    layout(location = 0) out vec4 outColor;                                                              \
    TK_DEFERRED_HELPERS                                                                                  \
    void main()                                                                                          \
    {                                                                                                    \
        float depth = texelFetch(PositionSampler, ivec2(gl_FragCoord.xy), 0).r;                          \
        if (depth <= 0.0)                                                                                \
            discard;                                                                                     \
        vec2 uv = gl_FragCoord.xy * depthBufferDimensions.xy;                                            \
        vec3 world = WorldAt(uv, depth);                                                                 \
        vec3 toLight = POS.xyz - world;                                                                  \
        float range = max(RANGE, 0.001);                                                                 \
        float distance2 = dot(toLight, toLight);                                                         \
        if (distance2 >= range * range)                                                                  \
            discard;                                                                                     \
        float distance = sqrt(distance2);                                                                \
        float fall = 1.0 - distance / range;                                                             \
        if (LINEAR)                                                                                      \
            fall = sqrt(fall);                                                                           \
        vec3 n = NormalAt(uv);                                                                           \
        float facing = dot(n, toLight / max(distance, 0.0001));                                          \
        if (facing <= 0.0)                                                                               \
            discard;                                                                                     \
        float lit = 1.0;                                                                                 \
        if (SHADOWED)                                                                                    \
        {                                                                                                \
            float stored = texture(ShadowCubeSampler, -toLight).r * range;                               \
            lit = (stored > 0.0 && stored + 0.05 < distance) ? 0.0 : 1.0;                                \
        }                                                                                                \
        vec3 albedo = texture(AmbientSampler, uv).rgb;                                                   \
        outColor = vec4(albedo * COLOUR.rgb * (POWER * fall * facing * lit), 1.0);                       \
    }

// A 7-tap blur along x or y of tSceneColor, at the Texel2H / Texel2V offsets.
#define TK_BLUR(OFFSETS, AXIS)                                                                           \
    in vec2 vTexCoord;                                                                                   \
    layout(location = 0) out vec4 outColor;                                                              \
    void main()                                                                                          \
    {                                                                                                    \
        const float kWeights[7] = float[7](0.06, 0.12, 0.18, 0.28, 0.18, 0.12, 0.06);                      \
        vec4 sum = vec4(0.0);                                                                            \
        for (int i = 0; i < 7; ++i)                                                                      \
            sum += texture(SceneSampler, vTexCoord + AXIS * OFFSETS[i]) * kWeights[i];                   \
        outColor = sum * BloomScale;                                                                     \
    }

// The mean of a 4 x 4 grid over this pixel's share of the source.
#define TK_SCALE_DOWN(EXTRA)                                                                             \
    in vec2 vTexCoord;                                                                                   \
    layout(location = 0) out vec4 outColor;                                                              \
    void main()                                                                                          \
    {                                                                                                    \
        vec2 source = vec2(textureSize(SceneSampler, 0));                                                \
        vec2 footprint = abs(dFdx(vTexCoord)) + abs(dFdy(vTexCoord));                                    \
        vec4 sum = vec4(0.0);                                                                            \
        for (int y = 0; y < 4; ++y)                                                                      \
            for (int x = 0; x < 4; ++x)                                                                  \
            {                                                                                            \
                vec2 at = vTexCoord + (vec2(float(x), float(y)) - 1.5) * 0.25 * max(footprint, 1.0 / source); \
                sum += texture(SceneSampler, at);                                                        \
            }                                                                                            \
        outColor = vec4(sum.rgb / 16.0 + EXTRA, 1.0);                                                      \
    }

// The mean luminance of the small measuring target (every texel of it).
float MeanLuminance()
{
    ivec2 size = textureSize(LumSampler, 0);
    vec3 sum = vec3(0.0);
    for (int y = 0; y < size.y; ++y)
        for (int x = 0; x < size.x; ++x)
            sum += texelFetch(LumSampler, ivec2(x, y), 0).rgb;
    return dot(sum / float(max(size.x * size.y, 1)), vec3(0.299, 0.587, 0.114));
}
