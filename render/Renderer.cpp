// The texture registry of ERenderer: loading, slots, mesh lists, the frame's
// texture lists and the flash lights. The texture definitions and scripts are
// in TextureScripts.cpp.

#include "render/Renderer.h"

#include "mesh/Mesh.h"
#include "mesh/SkinMesh.h"
#include "platform/d3dx/Texture.h"
#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "render/SkyShadow.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cstring>
#include <string>

ERenderer g_Renderer;

namespace
{
constexpr size_t kExtensionChars = 4; // ".tga", ".dds"
constexpr DWORD kSkipTwoLevels = D3DX_SKIP_DDS_MIP_LEVELS(2, D3DX_FILTER_LINEAR);
constexpr DWORD kDefaultInstancesBoundary = 200;
constexpr float kFlashLightStart = 0.08f;
constexpr float kFlashLightFull = 1.0f;
constexpr float kFlashLightGoneHeight = -1.0e9f;
constexpr DWORD kBestQuality = 0;
constexpr DWORD kLowestQuality = 2;
constexpr DWORD kMeshFlagShown = 0x1;
constexpr DWORD kDirChars = 1024;
// Where "extractusedtextures" copies every texture a run loads.
constexpr const char* kExtractFolder = "!textures";

const char* const kDefaultTerrain[TERRAIN_LAYERS] = {
    "ter_sand_grass001.tga", "ter_sand_grass002.tga", "ter_sand001.tga", "ter_sand002.tga",
    "ter_sand003.tga",       "ter_rock001.tga",       "ter_stone001.tga"};

// Copies when it fits (terminator included); false and nothing copied otherwise.
bool CopyBounded(char* dst, size_t size, const char* src)
{
    const size_t length = std::strlen(src);
    if (length >= size)
        return false;
    std::memcpy(dst, src, length + 1);
    return true;
}

bool HasExtension(const char* path, const char* extension)
{
    const size_t length = std::strlen(path);
    return length >= kExtensionChars && CompareNoCase(path + length - kExtensionChars, extension) == 0;
}

// Names of the registry match when their first characters are equal exactly
// and the rest, extensions aside, without regard to case.
bool SameTextureName(const char* a, const char* b)
{
    if (a[0] != b[0])
        return false;
    const size_t la = std::strlen(a), lb = std::strlen(b);
    if (la < kExtensionChars || lb < kExtensionChars)
        return CompareNoCase(a, b) == 0;
    if (la != lb)
        return false;
    for (size_t i = 0; i + kExtensionChars < la; ++i)
        if (!CharEqualNoCase(a[i], b[i]))
            return false;
    return true;
}

void ReportTextureError(const char* path, const char* line)
{
    AppendLogLine(path);
    AppendLogLine(line);
}

// An object keeps its textures in the frame once it is set up for drawing
// (the engine's preparation).
bool ObjectReadyForFrame(HOBJECT object)
{
    return object && object->bUsed && object->bPrepared;
}

// The subset a base subset draws as in the object's variant: its mesh's remap
// byte, or the base subset where the mesh has none for it.
DWORD RemappedSubset(HOBJECT object, DWORD baseSubset)
{
    if (!object || object->Type != OT_MESH || !object->Object)
        return baseSubset;
    const EMesh* mesh = static_cast<const EMesh*>(object->Object);
    if (!mesh->m_SubsetRemap || baseSubset >= mesh->SubsetSlots())
        return baseSubset;
    return mesh->m_SubsetRemap[baseSubset];
}

void FreeSkinMeshList(strtexture* texture)
{
    while (strlistaskinmeshy* entry = texture->m_pSkinMeshList)
    {
        texture->m_pSkinMeshList = entry->m_pNext;
        delete entry;
        g_Debug.RemoveAllocation("strlistaskinmeshy");
    }
}

// The record keeps the properties of its definition.
void CopyDefinition(strtexture* t, const strtexturepaths* d)
{
    t->m_bPriority = d->m_bPriority;
    t->m_iAnimFrameCount = d->m_iAnimFrameCount;
    t->m_fAnimSpeed = d->m_fAnimSpeed;
    t->m_fTextureDensity = d->m_fTextureDensity;
    t->m_fBumpHeight = d->m_fBumpHeight;
    t->m_fLavaSpeedUp = d->m_fLavaSpeedUp;
    t->m_fLavaSpeedDown = d->m_fLavaSpeedDown;
    t->m_fLavaMapCoef = d->m_fLavaMapCoef;
    t->m_fAddWaterHeight = d->m_fAddWaterHeight;
    t->m_fNormalDensity = d->m_fNormalDensity;
    t->m_fAddWaterDensity = d->m_fAddWaterDensity;
    t->m_bWater = d->m_bWater;
    t->m_fWaterHeight = d->m_fWaterHeight;
    std::memcpy(t->m_vWaterColor, d->m_vWaterColor, sizeof t->m_vWaterColor);
    t->m_fWaterFogFar = d->m_fWaterFogFar;
    t->m_fWaterFogNear = d->m_fWaterFogNear;
    t->m_fWaterTransparent = d->m_fWaterTransparent;
    t->m_fDetailDensity = d->m_fDetailDensity;
    t->m_bDetailAsNormal = d->m_bDetailAsNormal;
    t->m_bFullyBrightInNormalMask = d->m_bFullyBrightInNormalMask;
    t->m_bGrassTexture = d->m_bGrassTexture;
    t->m_bTransparent = d->m_bTransparent;
    t->m_bTranslucent = d->m_bTranslucent;
    t->m_bAdditive = d->m_bAdditive;
    t->m_bStain = d->m_bStain;
    t->m_bNoIntersect = d->m_bNoIntersect;
    t->m_fAppearDistance = d->m_fAppearDistance;
    t->m_b2Sided = d->m_b2Sided;
    t->m_bSpecular = d->m_bSpecular;
    t->m_fSpecularPower = d->m_fSpecularPower;
    t->m_fSpecularCone = d->m_fSpecularCone;
    t->m_bSpecularInDetailMask = d->m_bSpecularInDetailMask;
    t->m_bNoFog = d->m_bNoFog;
    t->m_bNoLight = d->m_bNoLight;
    t->m_bDoNotRender = d->m_bDoNotRender;
    t->m_bDoNotCastShadow = d->m_bDoNotCastShadow;
    t->m_iMaterial = d->m_iMaterial;
    t->m_bRayOfLight = d->m_bRayOfLight;
}

// The current directory for the length of a texture load.
class StartupDirectory
{
public:
    StartupDirectory()
    {
        m_saved = GetCurrentDirectoryA(kDirChars, m_previous) != 0;
        const char* startup = g_Console.GetStartupDirectory();
        if (m_saved && startup && startup[0])
            SetCurrentDirectoryA(startup);
    }
    ~StartupDirectory()
    {
        if (m_saved)
            SetCurrentDirectoryA(m_previous);
    }

private:
    char m_previous[kDirChars] = {};
    bool m_saved = false;
};
} // namespace

const char* StripTexturePath(const char* name)
{
    static char buffer[TEXTURE_NAME_SIZE];
    buffer[0] = 0;
    if (!name)
        return buffer;
    const char* slash = std::strrchr(name, '\\');
    if (!CopyBounded(buffer, sizeof buffer, slash ? slash + 1 : name))
        return buffer;
    const size_t length = std::strlen(buffer);
    if (length > 3)
    {
        char* last = buffer + length - 3;
        if (CompareNoCase(last, "tga") != 0 && CompareNoCase(last, "dds") != 0)
            std::memcpy(last, "dds", 3);
    }
    return buffer;
}

const char* GetHighVariantPath(const char* path)
{
    static char buffer[TEXTURE_PATH_SIZE];
    static const char kHigh[] = "_high";
    buffer[0] = 0;
    if (!path)
        return buffer;
    const size_t length = std::strlen(path);
    if (length >= kExtensionChars + 1 && length + sizeof kHigh - 1 < sizeof buffer)
    {
        std::memcpy(buffer, path, length - kExtensionChars);
        std::memcpy(buffer + length - kExtensionChars, kHigh, sizeof kHigh - 1);
        std::memcpy(buffer + length - kExtensionChars + sizeof kHigh - 1, path + length - kExtensionChars,
                    kExtensionChars + 1);
        if (FileExists(buffer))
            return buffer;
    }
    CopyBounded(buffer, sizeof buffer, path);
    return buffer;
}

// ---- Construction ------------------------------------------------------------

ERenderer::ERenderer()
{
    std::memcpy(m_szFormat, "DXT5", sizeof m_szFormat);
    m_bFlashLightActive = 0;
    std::memset(m_vFlashLightPos, 0, sizeof m_vFlashLightPos);
    std::memset(m_fFlashLightIntensity, 0, sizeof m_fFlashLightIntensity);
    m_pTextureSubstitutes = nullptr;
    m_pTexturePaths = nullptr;
    m_pTextures = nullptr;
    m_pWhiteTexture = nullptr;
    std::memset(m_Textures, 0, sizeof m_Textures);
    std::memset(m_pMeshTextures, 0, sizeof m_pMeshTextures);
    std::memset(m_pSkinTextures, 0, sizeof m_pSkinTextures);
    std::memset(m_pFrameTextures, 0, sizeof m_pFrameTextures);
    m_iNextFreeSlot = 1;
    m_fFrameTime = 0.0f;
    ResetViewCache();
    m_bFrameHasGrass = m_bFrameHasTrees = 0;
    m_iRenderedOpaqueSubsets = m_iRenderedTransparentSubsets = m_iRenderedInstancedSubsets =
        m_iRenderedNoninstancedSubsets = 0;
    m_fPulsePhase = m_fPulse = 0.0f;
    for (DWORD k = 0; k < SWAY_PHASES; ++k)
        m_fSwayPhase[k] = m_fSwaySpeed[k] = 0.0f;
    m_fCzas01 = 0.0f;
    std::memset(m_ObjectFrame, 0, sizeof m_ObjectFrame);
    std::memset(m_szOnceLines, 0, sizeof m_szOnceLines);
    for (DWORD i = 0; i < TERRAIN_LAYERS; ++i)
    {
        CopyBounded(m_Terrain[i].m_szFile, sizeof m_Terrain[i].m_szFile, kDefaultTerrain[i]);
        m_Terrain[i].m_fTiling = DEFAULT_TERRAIN_TILING;
        m_Terrain[i].m_iTexture = 0;
    }
    m_szTerrainScript[0] = 0;
    m_hAmbient = nullptr;
    m_iInstancesBoundary = kDefaultInstancesBoundary;
    LoadTextureSubstitutes();
}

ERenderer::~ERenderer()
{
    FreeTexturePaths();
    FreeTextureSubstitutes();
}

// ---- Lookups -----------------------------------------------------------------

TextureIndex ERenderer::GetTextureIndex(const char* name, BYTE reduced, BYTE high, BYTE companions)
{
    if (!name || !name[0])
        return 0;
    strtexture* texture = LoadTexture(name, reduced, high, 0, companions);
    return texture ? texture->m_iIndex : 0;
}

strtexture* ERenderer::FindTexture(const char* name)
{
    if (!name || !name[0])
        return nullptr;
    for (strtexture* t = m_pTextures; t; t = t->m_pNext)
        if (SameTextureName(t->m_szName, name))
            return t;
    return nullptr;
}

strtexture* ERenderer::GetTexture(TextureIndex index)
{
    return index < MAX_TEXTURES ? m_Textures[index] : nullptr;
}

HRESULT ERenderer::SetTexture(DWORD stage, TextureIndex index)
{
    strtexture* texture = GetTexture(index);
    if (!texture || !g_pD3DInterface)
        return D3D_OK;
    return g_pD3DInterface->SetTexture(stage, texture->m_pTexture);
}

void ERenderer::AnimationPlay(const char* name)
{
    if (!name)
        return;
    if (strtexture* t = FindTexture(name))
        t->m_bAnimPlaying = 1;
    else
        g_Console.Print2("AnimationPlay: not found ", name);
}

void ERenderer::AnimationPause(const char* name)
{
    if (!name)
        return;
    if (strtexture* t = FindTexture(name))
        t->m_bAnimPlaying = 0;
    else
        g_Console.Print2("AnimationPause: not found ", name);
}

void ERenderer::AnimationStop(const char* name)
{
    if (!name)
        return;
    if (strtexture* t = FindTexture(name))
    {
        t->m_bAnimPlaying = 0;
        t->m_iAnimFrame = 0;
        t->m_fAnimTime = 0.0f;
    }
    else
        g_Console.Print2("AnimationStop: not found ", name);
}

// ---- Loading -----------------------------------------------------------------

strtexture* ERenderer::LoadTexture(const char* name, BYTE reduced, BYTE high, BYTE cube, BYTE companions)
{
    if (!name || !name[0])
        return nullptr;
    // Names come from mesh files and scripts: one that does not fit the
    // record is refused rather than cut into another texture's name.
    const char* slash = std::strrchr(name, '\\');
    if (std::strlen(slash ? slash + 1 : name) >= TEXTURE_NAME_SIZE)
    {
        ReportTextureError(name, "Texture name too long!");
        return nullptr;
    }
    char shortName[TEXTURE_NAME_SIZE];
    CopyBounded(shortName, sizeof shortName, StripTexturePath(name));
    if (!shortName[0])
    {
        // A folder without a file (a name ending in a backslash).
        ReportTextureError(name, "Texture name empty!");
        return nullptr;
    }
    if (strtexture* found = FindTexture(shortName))
        return found;

    strtexturepaths* definition = FindTexturePath(shortName);
    const char* path = definition ? definition->m_szFullPath : name;
    if (std::strlen(path) >= TEXTURE_PATH_SIZE)
    {
        ReportTextureError(path, "Texture name too long!");
        return nullptr;
    }

    StartupDirectory directory;
    DWORD slot = 1;
    while (slot < MAX_TEXTURES && m_Textures[slot])
        ++slot;
    if (slot >= MAX_TEXTURES)
    {
        g_Console.Print("MAX_TEXTURES hit!");
        return nullptr;
    }
    m_iNextFreeSlot = slot;

    if (g_Options.raporttextures)
        AppendLogLine((std::string("texture ") + shortName).c_str(), "!textures.txt");

    strtexture* t = new strtexture();
    g_Debug.AddAllocation("strtexture");
    t->m_pNext = m_pTextures;
    if (m_pTextures)
        m_pTextures->m_pPrev = t;
    m_pTextures = t;
    t->m_iIndex = slot;
    m_Textures[slot] = t;

    if (definition)
    {
        t->m_bHasDefinition = 1;
        D3DXIMAGE_INFO info = {};
        if (SUCCEEDED(D3DXGetImageInfoFromFileA(path, &info)))
        {
            t->m_iWidth = info.Width;
            t->m_iHeight = info.Height;
            t->m_Format = info.Format;
        }
        CopyDefinition(t, definition);
        t->m_bAnimPlaying = 1;
    }
    CopyBounded(t->m_szPath, sizeof t->m_szPath, path);

    bool failed = false;
    if (!FileExists(t->m_szPath))
    {
        ReportTextureError(t->m_szPath, "Texture does not exist!");
        failed = true;
    }
    if (!HasExtension(t->m_szPath, ".tga") && !HasExtension(t->m_szPath, ".dds"))
    {
        ReportTextureError(t->m_szPath, "Bad Format!");
        failed = true;
    }
    t->m_bCube = cube;
    t->m_bTga = ContainsNoCase(name, ".tga");
    t->m_bReducedQuality = reduced;
    t->m_bHighVariant = high;

    if (!failed)
    {
        CreateTextureResource(t);
        // A file that exists but does not load is as broken as a missing one.
        if (g_pD3DInterface && !t->m_pTexture && !t->m_pCubeTexture)
        {
            ReportTextureError(t->m_szPath, "Texture could not be loaded!");
            g_Console.Print2("Texture could not be loaded: ", t->m_szPath);
            failed = true;
        }
        if (g_Options.extractusedtextures && !ContainsNoCase(t->m_szPath, "misc"))
        {
            std::string target = std::string(kExtractFolder) + "\\" + shortName;
            const size_t pathLength = std::strlen(t->m_szPath);
            if (target.size() >= kExtensionChars && pathLength >= kExtensionChars)
                target.replace(target.size() - kExtensionChars, kExtensionChars,
                               t->m_szPath + pathLength - kExtensionChars);
            CreateDirectoryA(kExtractFolder, nullptr); // fails harmlessly when it exists
            CopyFileA(t->m_szPath, target.c_str(), FALSE);
        }
    }
    if (failed)
        g_Engine.RequestQuit();
    CopyBounded(t->m_szName, sizeof t->m_szName, shortName);

    if (companions && !g_Options.PostProcessOff && definition)
        LoadNormalMap(t, definition, 0, 0);
    return t;
}

void ERenderer::CreateTextureResource(strtexture* t)
{
    IDirect3DDevice9* device = g_pD3DInterface;
    if (!device)
        return;
    const bool reducedNow = t->m_bReducedQuality && !t->m_bPriority;
    const char* path = t->m_szPath;
    auto ex = [&](const char* file, DWORD mipFilter)
    {
        D3DXCreateTextureFromFileExA(device, file, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                     D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, mipFilter, 0, nullptr,
                                     nullptr, &t->m_pTexture);
    };
    if (t->m_bCube)
    {
        if (!t->m_bTga && !t->m_bReducedQuality)
            D3DXCreateCubeTextureFromFileA(device, path, &t->m_pCubeTexture);
        else
            D3DXCreateCubeTextureFromFileExA(
                device, path, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                reducedNow ? kSkipTwoLevels : D3DX_FILTER_LINEAR, 0, nullptr, nullptr, &t->m_pCubeTexture);
    }
    else if (t->m_bTga)
    {
        if (t->m_bHighVariant)
            ex(GetHighVariantPath(path), D3DX_DEFAULT);
        else
            ex(path, reducedNow ? kSkipTwoLevels : D3DX_DEFAULT);
    }
    else if (!reducedNow)
        D3DXCreateTextureFromFileA(device, t->m_bHighVariant ? GetHighVariantPath(path) : path,
                                   &t->m_pTexture);
    else if (t->m_bHighVariant)
        ex(GetHighVariantPath(path), 0);
    else
        ex(path, kSkipTwoLevels);
}

void ERenderer::LoadNormalMap(strtexture* texture, strtexturepaths* definition, BYTE reduced, BYTE high)
{
    if (!texture || !definition)
        return;
    if (definition->Names().m_szNormal[0])
        texture->m_pNormalMap = LoadTexture(definition->Names().m_szNormal, reduced, high, 0, 0);
    else
    {
        const size_t length = std::strlen(texture->m_szName);
        if (length > kExtensionChars)
        {
            const std::string base(texture->m_szName, length - kExtensionChars);
            const std::string candidates[] = {base + "_normal" +
                                                  (texture->m_szName + length - kExtensionChars),
                                              base + "_normal.dds", base + "_normal.tga"};
            for (const std::string& candidate : candidates)
                if (!texture->m_pNormalMap && candidate.size() < TEXTURE_NAME_SIZE &&
                    FindTexturePath(candidate.c_str()))
                    texture->m_pNormalMap = LoadTexture(candidate.c_str(), reduced, high, 0, 0);
        }
    }
}

void ERenderer::LoadCompanion(strtexture** field, const char* name, BYTE reduced, BYTE high, BYTE cube)
{
    if (!name[0])
        return;
    // A companion is drawn only where a mesh names it as its own texture, so
    // it keeps the properties its own definition gives it.
    *field = LoadTexture(name, reduced, high, cube, 0);
}

void ERenderer::LoadAnimFrames(strtexture* t, strtexturepaths* d, BYTE reduced)
{
    // Frames fill the array from its start, once: a texture whose meshes come
    // and go reloads nothing and never writes past the array.
    const DWORD count = d->m_pAnimFrameNames ? std::min(d->m_iAnimFrameCount, MAX_ANIM_FRAMES) : 0;
    for (DWORD i = 0; i < count; ++i)
    {
        if (t->m_pAnimFrames[i])
            continue;
        t->m_pAnimFrames[i] = LoadTexture(d->m_pAnimFrameNames[i], reduced, 0, 0, 0);
        if (t->m_pAnimFrames[i])
            LoadNormalMap(t->m_pAnimFrames[i], d, 0, 0);
    }
    t->m_bAnimPlaying = 1;
    t->m_bAnimated = 1;
}

TextureIndex ERenderer::LoadMeshTextures(const char* name, EMesh* mesh, DWORD subset)
{
    const DWORD q = g_Options.VideoLevel3;
    // The registry strips the folders itself, and reports a name that does
    // not fit as the skinned path does.
    strtexture* t = LoadTexture(g_Options.LoadOneLevelTextureOnly ? "checker.tga" : name, q != kBestQuality,
                                q == kBestQuality, 0, 0);
    if (!t)
        return 0;
    const bool hadEntries = t->m_pMeshList || t->m_pSkinMeshList;
    strlistameshy* entry = new strlistameshy();
    g_Debug.AddAllocation("strlistameshy");
    entry->m_hObject = mesh ? mesh->m_hObject : nullptr;
    entry->m_pMesh = mesh;
    entry->m_iSubset = entry->m_iBaseSubset = subset;
    entry->m_pOwner = t;
    entry->m_pNext = t->m_pMeshList;
    if (t->m_pMeshList)
        t->m_pMeshList->m_pPrev = entry;
    t->m_pMeshList = entry;
    m_MeshEntries[mesh].push_back(entry);
    if (!entry->m_hObject)
        g_Console.Print2("No mesh m_hObject! ", mesh ? mesh->GetMeshFileName() : "");

    strtexturepaths* d = FindTexturePath(t->m_szName);
    if (hadEntries || !d)
        return t->m_iIndex;

    const BYTE reduced = q != kBestQuality;
    if (!t->m_pNormalMap)
    {
        if (d->Names().m_szNormal[0])
            LoadCompanion(&t->m_pNormalMap, d->Names().m_szNormal, q == kLowestQuality, q == kBestQuality, 0);
        else
        {
            const size_t length = std::strlen(t->m_szName);
            if (length > kExtensionChars)
            {
                const std::string candidate = std::string(t->m_szName, length - kExtensionChars) + "_normal" +
                                              (t->m_szName + length - kExtensionChars);
                if (candidate.size() < TEXTURE_NAME_SIZE && FindTexturePath(candidate.c_str()))
                    LoadCompanion(&t->m_pNormalMap, candidate.c_str(), q == kLowestQuality, q == kBestQuality,
                                  0);
            }
        }
    }
    for (DWORD i = 0; i < MULTITEXTURE_LAYERS; ++i)
    {
        if (!d->Names().m_szMultitexture[i][0] || t->m_Multitexture[i].m_pTexture)
            continue;
        LoadCompanion(&t->m_Multitexture[i].m_pTexture, d->Names().m_szMultitexture[i], 0, 0, 0);
        if (t->m_Multitexture[i].m_pTexture)
        {
            t->m_bMultitexture = 1;
            t->m_Multitexture[i].m_fDensity = d->m_fMultitextureDensity[i];
            LoadNormalMap(t->m_Multitexture[i].m_pTexture, d, 0, 0);
        }
    }
    if (!t->m_pDetail)
        LoadCompanion(&t->m_pDetail, d->Names().m_szDetail, 0, 0, 0);
    LoadCompanion(&t->m_pLava, d->Names().m_szLava, 0, 0, 0);
    if (!t->m_pGrow)
        LoadCompanion(&t->m_pGrow, d->Names().m_szGrow, reduced, 0, 0);
    if (!t->m_pEnvironment)
        LoadCompanion(&t->m_pEnvironment, d->Names().m_szEnvironment, reduced, 0, 1);
    if (!t->m_pAddWater)
        LoadCompanion(&t->m_pAddWater, d->Names().m_szAddWater, 0, 0, 0);
    if (t->m_iAnimFrameCount)
        LoadAnimFrames(t, d, reduced);
    return t->m_iIndex;
}

TextureIndex ERenderer::LoadSkinMeshTextures(const char* name, ESkinMesh* mesh, DWORD subset)
{
    const DWORD q = g_Options.VideoLevel1;
    strtexture* t = LoadTexture(name, q != kBestQuality, q == kBestQuality, 0, 0);
    if (!t)
    {
        g_Console.Print("CreateTexture failed");
        return 0;
    }
    for (strlistaskinmeshy* e = t->m_pSkinMeshList; e; e = e->m_pNext)
        if (e->m_pSkinMesh == mesh && e->m_iSubset == subset)
            return t->m_iIndex;
    const bool hadEntries = t->m_pMeshList || t->m_pSkinMeshList;
    strlistaskinmeshy* entry = new strlistaskinmeshy();
    g_Debug.AddAllocation("strlistaskinmeshy");
    entry->m_hObject = mesh ? mesh->m_hObject : nullptr;
    entry->m_pSkinMesh = mesh;
    entry->m_iSubset = subset;
    entry->m_pNext = t->m_pSkinMeshList;
    if (t->m_pSkinMeshList)
        t->m_pSkinMeshList->m_pPrev = entry;
    t->m_pSkinMeshList = entry;
    if (!entry->m_hObject)
        g_Console.Print("No skinmesh m_hObject!");

    strtexturepaths* d = FindTexturePath(t->m_szName);
    if (hadEntries || !d)
        return t->m_iIndex;
    if (!t->m_pNormalMap)
    {
        if (d->Names().m_szNormal[0])
            LoadCompanion(&t->m_pNormalMap, d->Names().m_szNormal, q == kLowestQuality, q == kBestQuality, 0);
        else
            LoadNormalMap(t, d, q == kLowestQuality, q == kBestQuality);
    }
    if (!t->m_pDetail)
        LoadCompanion(&t->m_pDetail, d->Names().m_szDetail, 0, 0, 0);
    if (!t->m_pGrow)
        LoadCompanion(&t->m_pGrow, d->Names().m_szGrow, 0, 0, 0);
    if (!t->m_pEnvironment)
        LoadCompanion(&t->m_pEnvironment, d->Names().m_szEnvironment, g_Options.VideoLevel3 != kBestQuality,
                      0, 1);
    if (!t->m_pAddWater)
        LoadCompanion(&t->m_pAddWater, d->Names().m_szAddWater, 0, 0, 1);
    return t->m_iIndex;
}

void ERenderer::UnlinkMeshEntry(strlistameshy* e)
{
    strtexture* t = e->m_pOwner;
    (e->m_pPrev ? e->m_pPrev->m_pNext : t->m_pMeshList) = e->m_pNext;
    if (e->m_pNext)
        e->m_pNext->m_pPrev = e->m_pPrev;
    delete e;
    g_Debug.RemoveAllocation("strlistameshy");
}

void ERenderer::RemoveMeshTextureRefs(EMesh* mesh)
{
    if (!mesh)
        return;
    const auto found = m_MeshEntries.find(mesh);
    if (found == m_MeshEntries.end())
        return;
    for (strlistameshy* e : found->second)
        UnlinkMeshEntry(e);
    m_MeshEntries.erase(found);
}

void ERenderer::RemoveSkinMeshTextureRefs(ESkinMesh* mesh)
{
    if (!mesh)
        return;
    for (strtexture* t = m_pTextures; t; t = t->m_pNext)
        for (strlistaskinmeshy* e = t->m_pSkinMeshList; e;)
        {
            strlistaskinmeshy* next = e->m_pNext;
            if (e->m_pSkinMesh == mesh)
            {
                (e->m_pPrev ? e->m_pPrev->m_pNext : t->m_pSkinMeshList) = next;
                if (next)
                    next->m_pPrev = e->m_pPrev;
                delete e;
                g_Debug.RemoveAllocation("strlistaskinmeshy");
            }
            e = next;
        }
}

void ERenderer::SetMeshSubsetTextures(HOBJECT object, BYTE variant)
{
    for (DWORD i = 0; i < MAX_TEXTURES && m_pMeshTextures[i]; ++i)
        for (strlistameshy* e = m_pMeshTextures[i]->m_pMeshList; e; e = e->m_pNext)
            if (e->m_hObject == object)
                e->m_iSubset = variant ? RemappedSubset(object, e->m_iBaseSubset) : e->m_iBaseSubset;
}

// ---- Freeing -----------------------------------------------------------------

void ERenderer::FreeTexture(strtexture* t)
{
    if (!t)
        return;
    (t->m_pPrev ? t->m_pPrev->m_pNext : m_pTextures) = t->m_pNext;
    if (t->m_pNext)
        t->m_pNext->m_pPrev = t->m_pPrev;
    // Its entries leave their meshes' indexes too.
    for (strlistameshy* e = t->m_pMeshList; e; e = e->m_pNext)
    {
        const auto found = m_MeshEntries.find(e->m_pMesh);
        if (found == m_MeshEntries.end())
            continue;
        std::erase(found->second, e);
        if (found->second.empty())
            m_MeshEntries.erase(found);
    }
    while (strlistameshy* e = t->m_pMeshList)
        UnlinkMeshEntry(e);
    FreeSkinMeshList(t);
    if (t->m_pTexture)
        t->m_pTexture->Release();
    if (t->m_pCubeTexture)
        t->m_pCubeTexture->Release();
    if (t->m_iIndex < MAX_TEXTURES && m_Textures[t->m_iIndex] == t)
        m_Textures[t->m_iIndex] = nullptr;
    delete t;
    g_Debug.RemoveAllocation("strtexture");
}

void ERenderer::ClearTextures()
{
    while (m_pTextures)
        FreeTexture(m_pTextures);
    std::memset(m_pMeshTextures, 0, sizeof m_pMeshTextures);
    std::memset(m_pSkinTextures, 0, sizeof m_pSkinTextures);
    std::memset(m_pFrameTextures, 0, sizeof m_pFrameTextures);
    m_pWhiteTexture = nullptr;
    m_hAmbient = nullptr;
    m_iNextFreeSlot = 1;
    // The terrain layers name their textures again after a world change;
    // their old slots may hold anything by then.
    for (TerrainLayer& layer : m_Terrain)
        layer.m_iTexture = 0;
}

void ERenderer::ResetWorldState()
{
    g_SkyShadow.Release();
    m_pWhiteTexture = nullptr;
    m_hAmbient = nullptr;
}

void ERenderer::SetSkinVertexDeclaration()
{
    if (g_pD3DInterface)
        g_pD3DInterface->SetVertexDeclaration(g_pDeclSkin);
}

// ---- Frame lists -------------------------------------------------------------

namespace
{
// Removes the entries of a null-ended list that `keep` refuses, in place.
template <class Keep> void Prune(strtexture** list, Keep keep)
{
    DWORD i = 0;
    while (i < MAX_TEXTURES && list[i])
    {
        if (keep(list[i]))
        {
            ++i;
            continue;
        }
        DWORD j = i;
        while (j + 1 < MAX_TEXTURES && list[j + 1])
        {
            list[j] = list[j + 1];
            ++j;
        }
        list[j] = nullptr;
    }
}

bool AlwaysDrawn(const strtexture* t)
{
    return t->m_bTransparent || t->m_bTranslucent || t->m_bAdditive || t->m_bStain;
}

// Entries whose mesh has no object keep their place, but nothing reads their object.
template <class Entry> bool AnyObjectShown(const Entry* entry)
{
    for (; entry; entry = entry->m_pNext)
    {
        HOBJECT object = entry->m_hObject;
        if (object && ObjectReadyForFrame(object) &&
            ((object->dwFlags & kMeshFlagShown) || g_Options.DrawPhysics))
            return true;
    }
    return false;
}
} // namespace

void ERenderer::BuildRenderLists()
{
    m_bFrameHasWater = m_bFrameHasLava = m_bFrameHasAdditive = m_bFrameHasAdditiveSkin =
        m_bFrameHasWaterMesh = m_bFrameHasRayOfLight = 0;
    Prune(m_pMeshTextures,
          [this](strtexture* t)
          {
              if (t->m_bRayOfLight)
              {
                  m_bFrameHasRayOfLight = 1;
                  return true;
              }
              return AlwaysDrawn(t) || AnyObjectShown(t->m_pMeshList);
          });
    Prune(m_pSkinTextures,
          [](strtexture* t) { return AlwaysDrawn(t) || AnyObjectShown(t->m_pSkinMeshList); });

    BuildCombinedTextureList();
}

void ERenderer::BuildCombinedTextureList()
{
    m_bFrameHasWater = m_bFrameHasLava = m_bFrameHasAdditive = m_bFrameHasAdditiveSkin =
        m_bFrameHasWaterMesh = 0;
    DWORD n = 0;
    for (DWORD i = 0; i < MAX_TEXTURES && m_pMeshTextures[i] && n < MAX_TEXTURES - 1; ++i)
    {
        strtexture* t = m_pMeshTextures[i];
        m_pFrameTextures[n++] = t;
        if (t->m_bWater)
            m_bFrameHasWater = m_bFrameHasWaterMesh = 1;
        if (t->m_bAdditive)
            m_bFrameHasAdditive = 1;
        if (t->m_pLava)
            m_bFrameHasLava = 1;
    }
    for (DWORD i = 0; i < MAX_TEXTURES && m_pSkinTextures[i] && n < MAX_TEXTURES - 1; ++i)
    {
        strtexture* t = m_pSkinTextures[i];
        m_pFrameTextures[n++] = t;
        if (t->m_bWater)
            m_bFrameHasWater = 1;
        if (t->m_bAdditive)
            m_bFrameHasAdditiveSkin = 1;
    }
    for (DWORD i = n; i < MAX_TEXTURES; ++i)
        m_pFrameTextures[i] = nullptr;
    MoveTranslucentLast(m_pFrameTextures);
}

void ERenderer::MoveTranslucentLast(strtexture** list)
{
    DWORD count = 0;
    while (count < MAX_TEXTURES && list[count])
        ++count;
    if (count < 2)
        return;
    const DWORD last = count - 1;
    for (DWORD i = 0; i < last; ++i)
    {
        if (!list[i]->m_bTranslucent)
            continue;
        DWORD j = last;
        while (j > i && list[j]->m_bTranslucent)
            --j;
        if (j == i)
            return;
        std::swap(list[i], list[j]);
    }
}

// ---- Flash lights ------------------------------------------------------------

void ERenderer::AddFlashLight(const float* position)
{
    if (!position)
        return;
    DWORD slot = 0;
    float lowest = kFlashLightFull;
    for (DWORD i = 0; i < MAX_FLASH_LIGHTS; ++i)
        if (m_fFlashLightIntensity[i] < lowest)
        {
            lowest = m_fFlashLightIntensity[i];
            slot = i;
        }
    std::memcpy(m_vFlashLightPos[slot], position, sizeof m_vFlashLightPos[slot]);
    m_fFlashLightIntensity[slot] = kFlashLightStart;
}

void ERenderer::UpdateFlashLights()
{
    m_bFlashLightActive = 0;
    for (DWORD i = 0; i < MAX_FLASH_LIGHTS; ++i)
    {
        m_fFlashLightIntensity[i] -= m_fFrameTime;
        if (m_fFlashLightIntensity[i] < 0.0f)
        {
            m_fFlashLightIntensity[i] = 0.0f;
            m_vFlashLightPos[i][1] = kFlashLightGoneHeight;
        }
        else
            m_bFlashLightActive = 1;
    }
}
