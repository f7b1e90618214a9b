// The terrain grass ("RenderTGrass"), shared by "skylight" and "skylightF":
// tufts of three blades built once into static buffers in world space. The
// vertex colour's alpha is how far up the blade a vertex stands (0 at the
// root, about a quarter at the bend, nearly 1 at the tip); the wind vectors
// g_fGrassX0/Z0 and g_fGrassX1/Z1 (set by the grass pass at a fifth of the
// sway) push the upper vertices, mixed by a gust that varies across the
// ground. Lit as the ground under it (the vertex normal is the ground's) by
// the including file's PS_Scene; the alpha test (reference 96) cuts the
// blades out of the texture. Reads the wind, g_fCzas01 and the scene
// parameters of skylight.fxh.

vertexshader VS_TGrass
{
    layout(location = TK_POSITION) in vec3 inPosition;
    layout(location = TK_COLOR0) in vec4 inColor;
    layout(location = TK_NORMAL) in vec3 inNormal;
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

    // How far one unit of wind moves the tip of a blade.
    const float kTGrassBend = 1.5;
    const float kTwoPi = 6.2831853;

    void main()
    {
        vec3 world = (vec4(inPosition, 1.0) * g_mWorld).xyz;
        float gust = 0.5 + 0.5 * sin(world.x * 0.37 + world.z * 0.23 + g_fCzas01 * kTwoPi * 20.0);
        vec2 wind = mix(vec2(g_fGrassX0, g_fGrassZ0), vec2(g_fGrassX1, g_fGrassZ1), gust);
        world.xz += wind * (kTGrassBend * inColor.a);
        // The tufts are built in world space: the pass sets the world to identity.
        gl_Position = vec4(world, 1.0) * g_mWorldViewProjection;
        vNormal = (vec4(inNormal, 0.0) * g_mWorld).xyz;
        vTangent = vec3(1.0, 0.0, 0.0);
        vBinormal = vec3(0.0, 0.0, 1.0);
        vWorld = world;
        vView = (vec4(world, 1.0) * g_mView).xyz;
        vTexCoord = inTexCoord;
        vColor = vec4(1.0);
        vLight = (vec4(vView, 1.0) * g_mViewToLightProj).xyz;
        vLight0 = (vec4(vView, 1.0) * g_mViewToLightProj0).xyz;
        vLight2 = (vec4(vView, 1.0) * g_mViewToLightProj2).xyz;
    }
}

technique RenderTGrass
{
    pass P0
    {
        ZEnable = true;
        ZWriteEnable = true;
        ZFunc = LessEqual;
        CullMode = None;
        VertexShader = VS_TGrass;
        PixelShader = PS_Scene;
    }
}
