// The skinned figures' share of the sun-lit effects ("SkyLightSkinmesh" and
// "SkyLightSkinmeshF"): the parameters of skylight.fxh, the bone palette of
// the attribute group being drawn (up to 64 bones, each the bone's offset
// times its node's world matrix) with the number of weights its vertices
// carry, and the vertex shader that blends up to four bones per vertex.

#include "skylight.fxh"

float4x4 mWorldMatrixArray[64];
int CurNumBones = 4;

vertexshader VS_Skin
{
    layout(location = TK_POSITION) in vec3 inPosition;
    layout(location = TK_BLENDWEIGHT) in vec4 inWeights;
    layout(location = TK_BLENDINDICES) in vec4 inIndices;
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
        // The last weight in use is what the others leave, so the weights
        // always add up to one.
        int bones = clamp(CurNumBones, 1, 4);
        mat4 skin = mat4(0.0);
        float left = 1.0;
        for (int i = 0; i < bones; ++i)
        {
            float w = (i == bones - 1) ? left : inWeights[i];
            left -= w;
            skin += mWorldMatrixArray[clamp(int(inIndices[i]), 0, 63)] * w;
        }
        vec4 world = vec4(inPosition, 1.0) * skin;
        vec4 view = world * g_mView;
        gl_Position = view * g_mProj;
        vWorld = world.xyz;
        vView = view.xyz;
        vNormal = (vec4(inNormal, 0.0) * skin).xyz;
        vTangent = (vec4(inTangent, 0.0) * skin).xyz;
        vBinormal = (vec4(inBinormal, 0.0) * skin).xyz;
        vTexCoord = inTexCoord;
        vColor = vec4(1.0);
        vLight = (view * g_mViewToLightProj).xyz;
        vLight0 = (view * g_mViewToLightProj0).xyz;
        vLight2 = (view * g_mViewToLightProj2).xyz;
    }
}
