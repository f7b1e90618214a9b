// The texture definitions of ERenderer: the start-up scan for texture files,
// the texture scripts that describe them, .dds/.tga twins, the substitutes for
// skinned models, the terrain lists and the two reports.

#include "render/Renderer.h"

#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "shell/Console.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <set>
#include <string>
#include <vector>

namespace
{
constexpr size_t kExtensionChars = 4;
constexpr int kScriptLine = 256;
constexpr int kSubstituteLine = 255;
constexpr int kReportLine = 256;
constexpr float kColourScale = 255.0f;
constexpr size_t kMinTexturePath = 5;
// Records per block of definitions (one of them links the blocks).
constexpr DWORD kPathBlockRecords = 256;

// The name without its last four characters (the whole name when shorter).
std::string KeyOf(const char* name)
{
    const size_t length = std::strlen(name);
    return std::string(name, length >= kExtensionChars ? length - kExtensionChars : length);
}

bool HasTextureExtension(const char* path)
{
    const size_t length = std::strlen(path);
    if (length < kExtensionChars)
        return false;
    const char* extension = path + length - kExtensionChars;
    return CompareNoCase(extension, ".tga") == 0 || CompareNoCase(extension, ".dds") == 0;
}

float Number(const char* line)
{
    return std::strtof(GetLineValue(line), nullptr);
}

const struct
{
    const char* keyword;
    DWORD material;
} kMaterials[] = {{"cement", MATERIAL_CEMENT}, {"wood", MATERIAL_WOOD},   {"sand", MATERIAL_SAND},
                  {"metal", MATERIAL_METAL},   {"snow", MATERIAL_SNOW},   {"water", MATERIAL_WATER},
                  {"coal", MATERIAL_COAL},     {"glass", MATERIAL_GLASS}, {"plastic", MATERIAL_PLASTIC}};

void ApplyLine(strtexturepaths* d, const char* line)
{
    auto name = [&](char* field, size_t size) { CopyCut(field, size, GetLineValue(line)); };
    auto flag = [&](const char* keyword, BYTE* field)
    {
        if (IsKeyword(line, keyword))
            *field = 1;
    };
    auto number = [&](const char* keyword, float* field)
    {
        if (IsKeyword(line, keyword))
            *field = Number(line);
    };
    if (IsKeyword(line, "animation_frame") && d->m_iAnimFrameCount < MAX_ANIM_FRAMES)
    {
        if (!d->m_pAnimFrameNames)
            d->m_pAnimFrameNames = new char[MAX_ANIM_FRAMES + 1][ANIM_FRAME_NAME_SIZE]();
        name(d->m_pAnimFrameNames[d->m_iAnimFrameCount++], ANIM_FRAME_NAME_SIZE);
    }
    number("animation_speed", &d->m_fAnimSpeed);
    flag("ray_of_light", &d->m_bRayOfLight);
    flag("priority", &d->m_bPriority);
    number("appear_distance", &d->m_fAppearDistance);
    if (IsKeyword(line, "normal"))
        name(d->EditNames().m_szNormal, sizeof d->EditNames().m_szNormal);
    static const char* const kLayer[MULTITEXTURE_LAYERS] = {"Multitexture_R", "Multitexture_G",
                                                            "Multitexture_B"};
    static const char* const kDensity[MULTITEXTURE_LAYERS] = {
        "Multitexture_Density_R", "Multitexture_Density_G", "Multitexture_Density_B"};
    for (DWORD i = 0; i < MULTITEXTURE_LAYERS; ++i)
    {
        if (IsKeyword(line, kLayer[i]))
            name(d->EditNames().m_szMultitexture[i], sizeof d->EditNames().m_szMultitexture[i]);
        number(kDensity[i], &d->m_fMultitextureDensity[i]);
    }
    flag("no_intersect", &d->m_bNoIntersect);
    number("detail_density", &d->m_fDetailDensity);
    flag("detail_as_normal", &d->m_bDetailAsNormal);
    number("normal_density", &d->m_fNormalDensity);
    flag("fully_bright_in_normal_mask", &d->m_bFullyBrightInNormalMask);
    number("texture_density", &d->m_fTextureDensity);
    number("bump_height", &d->m_fBumpHeight);
    if (IsKeyword(line, "lava"))
        name(d->EditNames().m_szLava, sizeof d->EditNames().m_szLava);
    number("lava_map_coef", &d->m_fLavaMapCoef);
    number("lava_speed_down", &d->m_fLavaSpeedDown);
    number("lava_speed_up", &d->m_fLavaSpeedUp);
    if (IsKeyword(line, "water"))
    {
        d->m_bWater = 1;
        d->m_iMaterial = MATERIAL_WATER;
    }
    number("water_height", &d->m_fWaterHeight);
    number("water_transparent", &d->m_fWaterTransparent);
    if (IsKeyword(line, "water_color"))
        for (int i = 0; i < 3; ++i)
            d->m_vWaterColor[i] = float(std::atoi(GetToken(line, i + 1))) / kColourScale;
    if (IsKeyword(line, "add_water"))
        name(d->EditNames().m_szAddWater, sizeof d->EditNames().m_szAddWater);
    number("add_water_height", &d->m_fAddWaterHeight);
    number("add_water_density", &d->m_fAddWaterDensity);
    number("add_water_param", &d->m_fAddWaterHeight);
    number("water_fog_far", &d->m_fWaterFogFar);
    number("water_fog_near", &d->m_fWaterFogNear);
    flag("transparent", &d->m_bTransparent);
    flag("translucent", &d->m_bTranslucent);
    flag("additive", &d->m_bAdditive);
    flag("stain", &d->m_bStain);
    if (IsKeyword(line, "2sided") || IsKeyword(line, "2_sided"))
        d->m_b2Sided = 1;
    if (IsKeyword(line, "environmental"))
        name(d->EditNames().m_szEnvironment, sizeof d->EditNames().m_szEnvironment);
    if (IsKeyword(line, "specular"))
    {
        d->m_bSpecular = 1;
        const std::string power = GetToken(line, 1);
        if (!power.empty())
        {
            d->m_fSpecularPower = std::strtof(power.c_str(), nullptr);
            const std::string cone = GetToken(line, 2);
            if (!cone.empty())
                d->m_fSpecularCone = std::strtof(cone.c_str(), nullptr);
        }
    }
    flag("Specular_In_Detail_Mask", &d->m_bSpecularInDetailMask);
    flag("no_fog", &d->m_bNoFog);
    flag("no_light", &d->m_bNoLight);
    flag("do_not_render", &d->m_bDoNotRender);
    flag("do_not_cast_shadow", &d->m_bDoNotCastShadow);
    for (const auto& m : kMaterials)
        if (IsKeyword(line, m.keyword))
            d->m_iMaterial = m.material;
    if (IsKeyword(line, "detail"))
        name(d->EditNames().m_szDetail, sizeof d->EditNames().m_szDetail);
    flag("grass_texture", &d->m_bGrassTexture);
    if (IsKeyword(line, "grow") && !g_Options.NoLight)
        name(d->EditNames().m_szGrow, sizeof d->EditNames().m_szGrow);
}

// Names in the case-blind order of directory listings (ASCII letters folded).
int CompareFolded(const std::string& a, const std::string& b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
    {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        x = (x >= 'A' && x <= 'Z') ? static_cast<unsigned char>(x + ('a' - 'A')) : x;
        y = (y >= 'A' && y <= 'Z') ? static_cast<unsigned char>(y + ('a' - 'A')) : y;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// Every file under a folder, sorted case-blind, folders walked depth first.
// The listing's own entry kinds are used, so no file is looked at twice: the
// scan runs over the whole data tree at every start. A folder reached again
// through a link (a link to itself or to a folder above it) is walked once.
void ScanFolder(ERenderer& renderer, const std::string& folder, std::set<std::filesystem::path>& walked)
{
    std::error_code ec;
    const std::filesystem::path resolved = TkResolvePath(folder.c_str());
    const std::filesystem::path real = std::filesystem::canonical(resolved, ec);
    if (ec || !walked.insert(real).second)
        return;
    std::filesystem::directory_iterator it(resolved, ec);
    if (ec)
        return;
    std::vector<std::pair<std::string, bool>> entries;
    for (const std::filesystem::directory_entry& entry : it)
    {
        const std::string& full = entry.path().native();
        const size_t slash = full.find_last_of('/');
        const char* name = full.c_str() + (slash == std::string::npos ? 0 : slash + 1);
        if (!name[0] || name[0] == '.')
            continue;
        std::error_code kind;
        entries.emplace_back(name, entry.is_directory(kind));
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b)
              {
                  const int c = CompareFolded(a.first, b.first);
                  return c != 0 ? c < 0 : a.first < b.first;
              });
    std::string path;
    for (const auto& [name, isFolder] : entries)
    {
        path.assign(folder).append(1, '\\').append(name);
        if (path.size() > MAX_SCAN_PATH)
            continue;
        if (isFolder)
            ScanFolder(renderer, path, walked);
        else
            renderer.AddTexturePath(path.c_str());
    }
}
} // namespace

void ERenderer::ScanTextureDirectory()
{
    std::set<std::filesystem::path> walked;
    ScanFolder(*this, ".", walked);
    LoadTextureScripts();
    LinkDdsToTgaTwins();
}

void ERenderer::AddTexturePath(const char* path)
{
    if (!path || std::strlen(path) < kMinTexturePath || !HasTextureExtension(path))
        return;
    if (!IsPlainName(path))
    {
        AppendLogLine(path);
        g_Engine.RequestQuit();
        return;
    }
    const char* slash = std::strrchr(path, '\\');
    if (!slash || std::strlen(path) >= TEXTURE_DEF_PATH_SIZE || std::strlen(slash + 1) >= TEXTURE_NAME_SIZE)
        return;
    strtexturepaths* d = NewTexturePath();
    g_Debug.AddAllocation("strtexturepaths");
    CopyCut(d->m_szFileName, sizeof d->m_szFileName, slash + 1);
    CopyCut(d->m_szFullPath, sizeof d->m_szFullPath, path);
    CopyCut(d->m_szKey, sizeof d->m_szKey, KeyOf(d->m_szFileName).c_str());
    d->m_fNormalDensity = 1.0f;
    d->m_fBumpHeight = 1.0f;
    d->m_fLavaSpeedUp = d->m_fLavaSpeedDown = d->m_fLavaMapCoef = 1.0f;
    for (float& density : d->m_fMultitextureDensity)
        density = 1.0f;
    d->m_fAnimSpeed = 1.0f;
    d->m_fAddWaterHeight = 1.0f;
    d->m_fAddWaterDensity = 1.0f;
    d->m_fWaterHeight = 16.0f;
    d->m_vWaterColor[0] = d->m_vWaterColor[1] = d->m_vWaterColor[2] = 1.0f;
    d->m_fWaterFogFar = 20000.0f;
    d->m_fWaterTransparent = 1.0f;
    d->m_fSpecularPower = 1.05f;
    d->m_fSpecularCone = 24.0f;
    d->m_fDetailDensity = 16.0f;
    d->m_bDds = CompareNoCase(path + std::strlen(path) - kExtensionChars, ".tga") != 0;
    AppendTextureDefinition(d);
}

strtexturepaths* ERenderer::NewTexturePath()
{
    // Record 0 of a block only links the blocks; records 1 to n - 1 are handed out.
    if (!m_pPathBlocks || m_iPathBlockUsed >= kPathBlockRecords)
    {
        auto* block = static_cast<strtexturepaths*>(std::calloc(kPathBlockRecords, sizeof(strtexturepaths)));
        if (!block)
            throw std::bad_alloc();
        block->m_pNext = m_pPathBlocks;
        m_pPathBlocks = block;
        m_iPathBlockUsed = 1;
    }
    return &m_pPathBlocks[m_iPathBlockUsed++];
}

void ERenderer::AppendTextureDefinition(strtexturepaths* d)
{
    d->m_pNext = m_pTexturePaths;
    if (m_pTexturePaths)
        m_pTexturePaths->m_pPrev = d;
    m_pTexturePaths = d;
}

void ERenderer::LoadTextureScripts()
{
    ParseTextureScript("scripts\\textures.txt");
    WIN32_FIND_DATAA found = {};
    HANDLE find = FindFirstFileA("scripts\\textures\\*.txt", &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::string> files;
    do
    {
        if (found.cFileName[0] != '.' && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.emplace_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(files.begin(), files.end(),
              [](const std::string& a, const std::string& b)
              { return TkCompareNames(a.c_str(), b.c_str()) < 0; });
    for (const std::string& file : files)
        ParseTextureScript(("scripts\\textures\\" + file).c_str());
}

void ERenderer::ParseTextureScript(const char* file)
{
    FILE* f = file ? TkFopen(file, "r") : nullptr;
    if (!f)
        return;
    char line[kScriptLine + 1];
    strtexturepaths* current = nullptr;
    for (;;)
    {
        ReadLine(f, line, kScriptLine);
        if (std::feof(f))
            break;
        if (IsKeyword(line, "texture"))
        {
            const std::string name = GetLineValue(line);
            current = FindTexturePath(name.c_str());
            if (!current)
            {
                g_Console.Print2(name.c_str(), " - tekstury nie ma, a jest opis!");
                break;
            }
            if (current->m_bDescribed)
                g_Console.Print4(current->m_szFileName, " - Kolejny wpis (", file, ")");
            current->m_bDescribed = 1;
            continue;
        }
        if (current)
            ApplyLine(current, line);
    }
    std::fclose(f);
}

void ERenderer::LinkDdsToTgaTwins()
{
    for (strtexturepaths* d = m_pTexturePaths; d; d = d->m_pNext)
    {
        if (!d->m_bDds)
            continue;
        const std::string key = KeyOf(d->m_szFileName);
        for (strtexturepaths* e = d->m_pNext; e; e = e->m_pNext)
        {
            if (e->m_bDds || CompareNoCase(KeyOf(e->m_szFileName).c_str(), key.c_str()) != 0)
                continue;
            d->m_pTgaTwin = e;
            e->m_b2Sided = d->m_b2Sided;
            e->m_bAdditive = d->m_bAdditive;
            e->m_bStain = d->m_bStain;
            e->m_bDoNotRender = d->m_bDoNotRender;
            e->m_bNoFog = d->m_bNoFog;
            e->m_bNoLight = d->m_bNoLight;
            e->m_bSpecular = d->m_bSpecular;
            e->m_bTranslucent = d->m_bTranslucent;
            e->m_bTransparent = d->m_bTransparent;
            e->m_bDds = 1;
            if (d->m_pNames || e->m_pNames)
                std::memcpy(e->EditNames().m_szGrow, d->Names().m_szGrow, GROW_NAME_SIZE);
            break;
        }
    }
}

strtexturepaths* ERenderer::FindTexturePath(const char* name)
{
    if (!name || !name[0])
        return nullptr;
    const std::string key = KeyOf(name);
    for (strtexturepaths* d = m_pTexturePaths; d; d = d->m_pNext)
        if (CompareNoCase(d->m_szKey, key.c_str()) == 0)
            return d->m_bDds && d->m_pTgaTwin ? d->m_pTgaTwin : d;
    return nullptr;
}

void ERenderer::LoadTextureSubstitutes()
{
    FILE* f = TkFopen("scripts\\texture_substitutes.txt", "r");
    if (!f)
        return;
    char line[kSubstituteLine + 1];
    for (;;)
    {
        line[0] = 0;
        ReadLine(f, line, kSubstituteLine);
        const bool atEnd = std::feof(f) != 0;
        if (IsKeyword(line, "texture"))
        {
            strtexturesubstitutes* s = new strtexturesubstitutes();
            g_Debug.AddAllocation("strtexturesubstitutes");
            const char* value = GetLineValue(line);
            CopyCut(s->m_szName, sizeof s->m_szName,
                    std::strlen(value) > kExtensionChars ? KeyOf(value).c_str() : value);
            s->m_pNext = m_pTextureSubstitutes;
            if (m_pTextureSubstitutes)
                m_pTextureSubstitutes->m_pPrev = s;
            m_pTextureSubstitutes = s;
        }
        else if (IsKeyword(line, "substitute") && m_pTextureSubstitutes &&
                 m_pTextureSubstitutes->m_iCount < MAX_TEXTURE_SUBSTITUTES)
        {
            // A substitute before any texture line has nothing to belong to.
            strtexturesubstitutes* s = m_pTextureSubstitutes;
            CopyCut(s->m_szSubstitutes[s->m_iCount++], SUBSTITUTE_NAME_SIZE, GetLineValue(line));
        }
        if (atEnd)
            break;
    }
    std::fclose(f);
}

strtexturesubstitutes* ERenderer::FindTextureSubstitutes(const char* name)
{
    if (!name || std::strlen(name) < kExtensionChars)
        return nullptr;
    const std::string key = KeyOf(name);
    for (strtexturesubstitutes* s = m_pTextureSubstitutes; s; s = s->m_pNext)
        if (CompareNoCase(s->m_szName, key.c_str()) == 0)
            return s->m_iCount ? s : nullptr; // nobody can choose among no substitutes
    return nullptr;
}

void ERenderer::LoadTerrainScript()
{
    if (!m_szTerrainScript[0])
        return;
    char path[TEXTURE_PATH_SIZE];
    std::snprintf(path, sizeof path, "scripts\\terrain\\%s.txt", m_szTerrainScript);
    FILE* f = TkFopen(path, "r");
    if (!f)
        return;
    char line[kScriptLine + 1];
    for (TerrainLayer& layer : m_Terrain)
    {
        line[0] = 0;
        ReadLine(f, line, kScriptLine);
        // Line k is layer k: an empty line leaves the layer without a texture.
        const std::string file = GetToken(line, 0);
        CopyCut(layer.m_szFile, sizeof layer.m_szFile, file.c_str());
        layer.m_fTiling = file.empty() ? DEFAULT_TERRAIN_TILING : std::strtof(GetToken(line, 1), nullptr);
    }
    std::fclose(f);
    for (TerrainLayer& layer : m_Terrain)
        layer.m_iTexture = 0;
}

void ERenderer::ReportUndefinedTextures()
{
    if (FILE* f = TkFopen("UndefinedTextures.txt", "w"))
    {
        WriteLine(f, "Textures not defined in scripts:", kReportLine);
        WriteLine(f, " ", kReportLine);
        for (strtexturepaths* d = m_pTexturePaths; d; d = d->m_pNext)
            if (!d->m_bDescribed)
                WriteLine(f, d->m_szFullPath, kReportLine);
        std::fclose(f);
    }
    g_Options.RaportUndefinedTextures = 0;
}

void ERenderer::ReportDoubleTextures()
{
    if (FILE* f = TkFopen("DoubleTextures.txt", "w"))
    {
        WriteLine(f, "Duplicated textures:", kReportLine);
        WriteLine(f, " ", kReportLine);
        for (strtexturepaths* d = m_pTexturePaths; d; d = d->m_pNext)
        {
            bool first = true;
            for (strtexturepaths* e = d->m_pNext; e; e = e->m_pNext)
            {
                if (CompareNoCase(d->m_szKey, e->m_szKey) != 0)
                    continue;
                if (first)
                {
                    char heading[kReportLine];
                    std::snprintf(heading, sizeof heading, "%i: Found duplicated texture:", 0);
                    WriteLine(f, " ", kReportLine);
                    WriteLine(f, heading, kReportLine);
                    WriteLine(f, d->m_szFullPath, kReportLine);
                    first = false;
                }
                WriteLine(f, e->m_szFullPath, kReportLine);
            }
        }
        std::fclose(f);
    }
    g_Options.RaportDoubleTextures = 0;
}

void ERenderer::FreeTexturePaths()
{
    while (strtexturepaths* d = m_pTexturePaths)
    {
        m_pTexturePaths = d->m_pNext;
        delete[] d->m_pAnimFrameNames;
        delete d->m_pNames;
        g_Debug.RemoveAllocation("strtexturepaths");
    }
    while (strtexturepaths* block = m_pPathBlocks)
    {
        m_pPathBlocks = block->m_pNext;
        std::free(block);
    }
    m_iPathBlockUsed = 0;
}

void ERenderer::FreeTextureSubstitutes()
{
    while (strtexturesubstitutes* s = m_pTextureSubstitutes)
    {
        m_pTextureSubstitutes = s->m_pNext;
        delete s;
        g_Debug.RemoveAllocation("strtexturesubstitutes");
    }
}
