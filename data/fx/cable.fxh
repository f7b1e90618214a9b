// The power-line cables ("RenderCable"), shared by "skylight" and "skylightF".
// A cable vertex carries in its colour the sway weight of its end of the
// segment (lowest byte, blue) and the span's own phase (second byte, green);
// the third byte marks the upper edge of the vertical ribbon and is not read,
// so both edges of a ribbon swing alike. The cable pass sets the wind's phase
// (g_fGrassX0, radians) every frame; the cables take the sun from above and
// the ambient light, and fade into the fog with distance. The wind's phase is
// the vegetation's (vegetation.fxh, included before this file).

vertexshader VS_Cable
{
    layout(location = TK_POSITION) in vec3 inPosition;
    layout(location = TK_COLOR0) in vec4 inColor;
    layout(location = TK_TEXCOORD0) in vec2 inTexCoord;
    out vec2 vTexCoord;
    out vec3 vLit;
    out float vDistance;

    // How far the middle of a span (weight 0.4) swings: about half a unit.
    const float kSwing = 1.25;

    void main()
    {
        float weight = inColor.b;
        float phase = inColor.g * 6.2831855;
        float swing = weight * kSwing * sin(g_fGrassX0 + phase);
        vec3 p = inPosition + vec3(0.8 * swing, -0.15 * abs(swing), 0.6 * swing);
        gl_Position = vec4(p, 1.0) * g_mWorldViewProjection;
        vTexCoord = inTexCoord;
        vec3 world = (vec4(p, 1.0) * g_mWorld).xyz;
        vDistance = length(world - g_CameraPosition.xyz);
        // A thin cable shows its lit side from everywhere: half the sun, more
        // the higher it stands.
        float sun = g_bUseSkyLight ? 0.5 + 0.5 * max(-g_SkyLightDir.y, 0.0) : 0.0;
        vLit = g_AmbientLightDiffuse.rgb + g_SkyLightDiffuse.rgb * sun;
    }
}

pixelshader PS_Cable
{
    in vec2 vTexCoord;
    in vec3 vLit;
    in float vDistance;
    layout(location = 0) out vec4 outColor;
    #include "gbuffer.glsl"

    const float kCableFogFalloff = 16.0;

    void main()
    {
        MarkLit();
        vec4 texel = texture(TextureSampler, vTexCoord);
        if (texel.a < 0.5)
            discard;
        float fog = g_fFogMax * (1.0 - exp(-kCableFogFalloff * g_fFogDistCoef * vDistance * g_fFarZ1));
        outColor = vec4(mix(texel.rgb * vLit, g_FogColor.rgb, clamp(fog, 0.0, 1.0)), 1.0);
    }
}

technique RenderCable
{
    pass P0
    {
        ZEnable = true;
        ZWriteEnable = true;
        ZFunc = LessEqual;
        CullMode = None;
        AlphaTestEnable = true;
        AlphaRef = 128;
        AlphaFunc = GreaterEqual;
        VertexShader = VS_Cable;
        PixelShader = PS_Cable;
    }
}
