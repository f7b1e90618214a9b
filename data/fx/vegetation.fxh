// The vegetation of the sun-lit effects: the wind box of the grass and the
// sway of the trees' leaves (see vegetation.glsl), and the techniques of
// cut-out, see-through, grass and tree subsets that both "skylight" and
// "skylightF" carry. The including file declares PS_Scene first.

float g_fGrassX0;
float g_fGrassZ0;
float g_fGrassX1;
float g_fGrassZ1;
float g_fGrassDist0 = 10000.0;
float g_fGrassDist1 = 10000.0;
float4 cShadowResolution = {256.0, 0.00390625, 0.0, 0.0};

vertexshader VS_Grass
{
    #define TK_GRASS 1
    #include "vegetation.glsl"
}

vertexshader VS_Trees
{
    #include "vegetation.glsl"
}

// Cut-out subsets: the alpha test (set by the pass) keeps the solid texels.
technique RenderSceneT
{
    pass P0
    {
        ZEnable = true;
        ZWriteEnable = true;
        ZFunc = LessEqual;
        VertexShader = VS_Scene;
        PixelShader = PS_Scene;
    }
}

// Grass cards bending in the wind; blending and testing follow the material.
technique RenderGrass
{
    pass P0
    {
        ZEnable = true;
        ZFunc = LessEqual;
        VertexShader = VS_Grass;
        PixelShader = PS_Scene;
    }
}

// The leaves of trees, swaying; both faces drawn (the pass turns culling off).
technique RenderTrees
{
    pass P0
    {
        ZEnable = true;
        ZWriteEnable = true;
        ZFunc = LessEqual;
        VertexShader = VS_Trees;
        PixelShader = PS_Scene;
    }
}
