// For scene shaders that light their surface themselves (sky, water, lava,
// cables): with the post-process G-buffer bound, the surface is marked as
// already lit (depth 0), so the chain passes its colour through unchanged.

layout(location = 1) out vec4 outPosition;
layout(location = 2) out vec4 outNormal;
layout(location = 3) out vec4 outSpecular;

void MarkLit()
{
    outPosition = vec4(0.0);
    outNormal = vec4(0.5, 0.5, 0.5, 0.0);
    outSpecular = vec4(0.0);
}
