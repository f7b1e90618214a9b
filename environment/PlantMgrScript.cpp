// EPlantMgr: construction, the per-world reset and the grass script.
#include "environment/PlantMgr.h"

#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "render/Renderer.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

EPlantMgr g_PlantMgr;

namespace
{
constexpr int kLine = 256;
constexpr float kDefaultDensity = 1.0f;
constexpr float kDefaultRandom = 1.0f;

// A name for a 64-byte slot: a longer one would name another texture or
// object once cut, so it is refused with a line naming the script.
bool FitsSlot(const char* value, size_t size, const char* what, const char* path)
{
    if (std::strlen(value) < size)
        return true;
    g_Console.Print3(what, " name too long in ", path);
    return false;
}
} // namespace

EPlantMgr::EPlantMgr()
{
    std::memset(m_Grass, 0, sizeof m_Grass);
    std::memset(&m_TGrass, 0, sizeof m_TGrass);
}

// The world's release frees everything; at the program's end the tracker
// and the device may be gone, so only the memory goes here.
EPlantMgr::~EPlantMgr()
{
    for (strGrass& g : m_Grass)
        delete[] g.pPlants;
    delete[] m_TGrass.pTPlants;
    if (m_pTSectors)
        for (DWORD i = 0; i < m_dwTSectors; ++i)
            delete[] m_pTSectors[i].pTPlants;
    delete[] m_pTSectors;
    delete[] m_pTGrassIB;
}

void EPlantMgr::Reset()
{
    // A world loaded again without the release between keeps nothing of the
    // earlier one.
    Release();
    m_dwGrass = 0;
    std::memset(m_Grass, 0, sizeof m_Grass);
    std::memset(&m_TGrass, 0, sizeof m_TGrass);
    for (strGrass& g : m_Grass)
        g.fRandom = kDefaultRandom;
    const char* path = FindScript();
    if (path[0])
        ParseScript(path);
}

const char* EPlantMgr::FindScript()
{
    char world[sizeof g_Engine.m_szWorld];
    CopyCut(world, sizeof world, g_Engine.m_szWorld);
    m_szScript[0] = 0;
    WIN32_FIND_DATAA found = {};
    char pattern[64];
    std::snprintf(pattern, sizeof pattern, "%s\\*.txt", SCRIPT_FOLDER);
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return m_szScript;
    char line[kLine + 1];
    do
    {
        if (found.cFileName[0] == '.' || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        char path[sizeof m_szScript];
        const int n = std::snprintf(path, sizeof path, "%s\\%s", SCRIPT_FOLDER, found.cFileName);
        if (n < 0 || static_cast<size_t>(n) >= sizeof path)
            continue;
        FILE* f = TkFopen(path, "rt");
        if (!f)
            continue;
        for (;;)
        {
            ReadLine(f, line, kLine);
            if (IsKeyword(line, "world") && CompareNoCase(GetLineValue(line), world) == 0)
            {
                CopyCut(m_szScript, sizeof m_szScript, path);
                break;
            }
            if (std::feof(f) || std::ferror(f))
                break;
        }
        std::fclose(f);
    } while (!m_szScript[0] && FindNextFileA(find, &found));
    FindClose(find);
    return m_szScript;
}

void EPlantMgr::StartGroup(const char* name)
{
    strGrass& g = m_Grass[m_dwGrass++];
    std::memset(&g, 0, sizeof g);
    CopyCut(g.szName, sizeof g.szName, name);
    g.iTexture = g_Renderer.GetTextureIndex(g.szName, 0, 0, 0);
    g.fDensity = kDefaultDensity;
    g.fRandom = kDefaultRandom;
}

void EPlantMgr::ParseScript(const char* path)
{
    FILE* f = TkFopen(path, "rt");
    if (!f)
        return;
    m_bSkipGroup = false;
    char line[kLine + 1];
    for (;;)
    {
        ReadLine(f, line, kLine);
        const char* value = GetLineValue(line);
        strGrass* g = (m_dwGrass > 0 && !m_bSkipGroup) ? &m_Grass[m_dwGrass - 1] : nullptr;
        if (IsKeyword(line, "texture"))
        {
            if (FitsSlot(value, TGRASS_TEXTURE_NAME_SIZE, "Ground texture", path) &&
                m_TGrass.dwTextures < static_cast<DWORD>(MAX_TGRASS_TEXTURES))
                CopyCut(m_TGrass.szTextures[m_TGrass.dwTextures++], TGRASS_TEXTURE_NAME_SIZE, value);
        }
        else if (IsKeyword(line, "teren"))
        {
            if (FitsSlot(value, TGRASS_TERRAIN_NAME_SIZE, "Terrain object", path))
                CopyCut(m_TGrass.szTerrain, sizeof m_TGrass.szTerrain, value);
        }
        else if (IsKeyword(line, "grows"))
        {
            m_bSkipGroup = m_dwGrass >= static_cast<DWORD>(MAX_GRASS);
            if (m_bSkipGroup)
                g_Console.Print2("Too many grass groups (MAX_GRASS), ignored in ", path);
            else
                StartGroup(value);
        }
        else if (g && IsKeyword(line, "width"))
            g->fWidth = static_cast<float>(std::atof(value));
        else if (g && IsKeyword(line, "height"))
            g->fHeight = static_cast<float>(std::atof(value));
        else if (g && IsKeyword(line, "density"))
            g->fDensity = static_cast<float>(std::atof(value));
        else if (g && IsKeyword(line, "random_seed"))
            g->fJitter = static_cast<float>(std::atof(value));
        else if (g && IsKeyword(line, "random"))
            g->fRandom = static_cast<float>(std::atof(value));
        else if (g && IsKeyword(line, "mesh"))
        {
            if (FitsSlot(value, GRASS_MESH_NAME_SIZE, "Grass mesh", path) &&
                g->dwMeshes < static_cast<DWORD>(MAX_GRASS_MESHES))
                CopyCut(g->szMeshes[g->dwMeshes++], GRASS_MESH_NAME_SIZE, value);
        }
        if (std::feof(f) || std::ferror(f))
            break;
    }
    std::fclose(f);
    m_bSkipGroup = false;
    SplitGroups();
}

// Every group names exactly one mesh object afterwards: a group's last name
// goes to a new group at the end of the table until only its first is left.
void EPlantMgr::SplitGroups()
{
    for (DWORD i = 0; i < m_dwGrass; ++i)
    {
        while (m_Grass[i].dwMeshes >= 2)
        {
            if (m_dwGrass >= static_cast<DWORD>(MAX_GRASS))
            {
                // The rest keep their several names; generation takes the first.
                g_Console.Print("FATAL: Przy rozpakowywaniu meshow trawy przekroczono MAX_GRASS!");
                return;
            }
            strGrass& source = m_Grass[i];
            strGrass& added = m_Grass[m_dwGrass++];
            std::memset(&added, 0, sizeof added);
            CopyCut(added.szName, sizeof added.szName, source.szName);
            added.iTexture = g_Renderer.GetTextureIndex(added.szName, 0, 0, 0);
            added.fWidth = source.fWidth;
            added.fHeight = source.fHeight;
            added.fDensity = source.fDensity;
            added.fJitter = source.fJitter;
            added.fRandom = source.fRandom;
            CopyCut(added.szMeshes[0], GRASS_MESH_NAME_SIZE, source.szMeshes[source.dwMeshes - 1]);
            added.dwMeshes = 1;
            --source.dwMeshes;
            std::memset(source.szMeshes[source.dwMeshes], 0, GRASS_MESH_NAME_SIZE);
        }
    }
}
