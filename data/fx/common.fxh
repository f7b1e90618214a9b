// Parameters every scene effect shares: the object's matrices and its texture.
// Matrices are row-major, as the engine keeps them; shaders write v * M.

float4x4 g_mWorld : WORLD;
float4x4 g_mWorldViewProjection : WORLDVIEWPROJECTION;
texture g_Texture;

sampler TextureSampler = sampler_state
{
    Texture = <g_Texture>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU = Wrap;
    AddressV = Wrap;
};
