// A picture file through every texture loader the game uses, on the headless device: the 2D
// and cube loaders with their defaults and with the sizes, formats and colour key the game asks
// for, the image information, a surface load, and the texture registry (a plain texture, a
// reduced one and a cube). Every texture is released again before the next input.
#include "fuzz/FuzzInput.h"
#include "fuzz/WorldFuzz.h"
#include "platform/d3dx/Texture.h"
#include "render/Renderer.h"
#include "shell/D3DMain.h"
#include "world/Engine.h"

#include <cstdint>
#include <cstdlib>

namespace
{
const char* const kFiles[] = {"textures/f.tga", "textures/f.dds"};
const char* const kPaths[] = {"textures\\f.tga", "textures\\f.dds"};
constexpr UINT kSurfaceEdge = 8;

template <class T> void Release(T*& p)
{
    if (p)
        p->Release();
    p = nullptr;
}

void ThroughTheLoaders(const char* path)
{
    IDirect3DDevice9* device = g_pD3DInterface;
    D3DXIMAGE_INFO info = {};
    D3DXGetImageInfoFromFileA(path, &info);

    IDirect3DTexture9* texture = nullptr;
    D3DXCreateTextureFromFileA(device, path, &texture);
    Release(texture);
    D3DXCreateTextureFromFileExA(device, path, D3DX_DEFAULT_NONPOW2, D3DX_DEFAULT_NONPOW2, D3DX_FROM_FILE, 0,
                                 D3DFMT_FROM_FILE, D3DPOOL_MANAGED, D3DX_FILTER_POINT,
                                 D3DX_FILTER_BOX | (1u << D3DX_SKIP_DDS_MIP_LEVELS_SHIFT), 0xFF000000u, &info,
                                 nullptr, &texture);
    Release(texture);
    D3DXCreateTextureFromFileExA(device, path, 16, 4, 0, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                 D3DX_DEFAULT, 0, nullptr, nullptr, &texture);
    Release(texture);

    IDirect3DCubeTexture9* cube = nullptr;
    D3DXCreateCubeTextureFromFileA(device, path, &cube);
    Release(cube);
    D3DXCreateCubeTextureFromFileExA(device, path, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_BOX,
                                     D3DX_FILTER_NONE, 0, nullptr, nullptr, &cube);
    Release(cube);

    IDirect3DSurface9* surface = nullptr;
    if (SUCCEEDED(device->CreateOffscreenPlainSurface(kSurfaceEdge, kSurfaceEdge, D3DFMT_A8R8G8B8,
                                                      D3DPOOL_SYSTEMMEM, &surface, nullptr)))
    {
        D3DXLoadSurfaceFromFileA(surface, nullptr, nullptr, path, nullptr, D3DX_FILTER_BOX, 0, nullptr);
        Release(surface);
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartWorldFuzzDevice("TexFileFuzz");
    fuzzinput::StartLogging();
    for (const char* file : kFiles)
        fuzzinput::WriteInput(file, nullptr, 0);
    g_Renderer.ScanTextureDirectory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const char* file : kFiles)
        fuzzinput::WriteInput(file, data, size);
    for (const char* path : kPaths)
        ThroughTheLoaders(path);
    // The registry, as materials, the terrain and the ambient cube ask it.
    g_Renderer.LoadTexture("f.tga", 0, 0, 0, 0);
    g_Renderer.LoadTexture("f.dds", 1, 0, 0, 0);
    g_Renderer.LoadTexture("f.dds", 0, 1, 1, 0);
    g_Renderer.ClearTextures();
    // A picture the registry cannot load ends the game; the next input starts afresh.
    g_Engine.m_bQuit = 0;
    fuzzinput::RemoveLogs();
    return 0;
}
