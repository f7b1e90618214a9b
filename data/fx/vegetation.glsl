// The vertex shader of the vegetation techniques: the scene's vertex outputs
// of VS_Scene, with the vertex moved before it is projected. Grass (TK_GRASS)
// bends in the wind box: the higher a vertex stands above its model's origin,
// the farther the two wind vectors push it, faded out towards
// g_fGrassDist0. Trees sway their leaves by g_fDrzewoLiscie and the slow
// clock, and lean a little with the first wind vector.

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

// How far one unit of wind moves a vertex one unit above the ground.
const float kGrassBend = 0.02;
const float kTreeLean = 0.004;
const float kTwoPi = 6.2831853;

void main()
{
    vec3 world = (vec4(inPosition, 1.0) * g_mWorld).xyz;
    float height = max(inPosition.y, 0.0);
    float distance = length(world - g_CameraPosition.xyz);
    float reach = g_fGrassDist0 > 0.0 ? clamp(1.0 - distance / g_fGrassDist0, 0.0, 1.0) : 0.0;
#ifdef TK_GRASS
    // Tufts side by side catch different gusts.
    float gust = 0.5 + 0.5 * sin(world.x * 0.37 + world.z * 0.23);
    vec2 wind = mix(vec2(g_fGrassX0, g_fGrassZ0), vec2(g_fGrassX1, g_fGrassZ1), gust);
    world.xz += wind * (kGrassBend * height * reach);
#else
    float phase = g_fCzas01 * kTwoPi * 40.0 + world.x * 0.5 + world.z * 0.7;
    float leaves = g_bDrzewoLiscie ? g_fDrzewoLiscie : 0.0;
    world.x += (leaves * (1.0 + 0.5 * sin(phase)) + g_fGrassX0 * kTreeLean * reach) * height;
    world.z += (leaves * 0.5 * cos(phase * 1.3) + g_fGrassZ0 * kTreeLean * reach) * height;
#endif
    gl_Position = vec4(world, 1.0) * g_mViewProj;
    vNormal = (vec4(inNormal, 0.0) * g_mWorld).xyz;
    vTangent = (vec4(inTangent, 0.0) * g_mWorld).xyz;
    vBinormal = (vec4(inBinormal, 0.0) * g_mWorld).xyz;
    vWorld = world;
    vView = (vec4(world, 1.0) * g_mView).xyz;
    vTexCoord = inTexCoord;
    vColor = inColor;
    vLight = (vec4(vView, 1.0) * g_mViewToLightProj).xyz;
    vLight0 = (vec4(vView, 1.0) * g_mViewToLightProj0).xyz;
    vLight2 = (vec4(vView, 1.0) * g_mViewToLightProj2).xyz;
}
