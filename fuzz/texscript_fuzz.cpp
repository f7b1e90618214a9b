// The texture scripts as the renderer reads them: the same bytes as a texture
// script over a few known definitions, as the substitutes file and as a
// terrain list. Runs in a scratch folder of its own (see tools/fuzz.sh).

#include "render/Renderer.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace
{
void WriteFile(const char* path, const uint8_t* data, size_t size)
{
    if (FILE* f = std::fopen(path, "wb"))
    {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

bool Prepare()
{
    std::filesystem::create_directories("scripts/terrain");
    for (const char* path : {".\\t\\wall.tga", ".\\t\\wall.dds", ".\\u\\pool.tga", ".\\u\\fire.dds"})
        g_Renderer.AddTexturePath(path);
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = Prepare();
    (void)ready;
    WriteFile("scripts/textures.txt", data, size);
    g_Renderer.ParseTextureScript("scripts\\textures.txt");
    g_Renderer.LinkDdsToTgaTwins();

    WriteFile("scripts/texture_substitutes.txt", data, size);
    g_Renderer.LoadTextureSubstitutes();
    g_Renderer.FindTextureSubstitutes("wall.tga");
    g_Renderer.FreeTextureSubstitutes();

    WriteFile("scripts/terrain/f.txt", data, size);
    std::snprintf(g_Renderer.m_szTerrainScript, sizeof g_Renderer.m_szTerrainScript, "f");
    g_Renderer.LoadTerrainScript();
    return 0;
}
