// The sky light: one directional light over an ambient term. g_SkyLightDir
// points from the scene towards the sun.
vec3 SkyLighting(vec3 normal)
{
    float facing = g_bUseSkyLight ? max(dot(normal, normalize(g_SkyLightDir.xyz)), 0.0) : 0.0;
    return g_AmbientLightDiffuse.rgb + g_SkyLightDiffuse.rgb * facing;
}
