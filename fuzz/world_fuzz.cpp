// The world-file reader on arbitrary bytes: the bytes are a world file in the
// current folder, beside one small mesh the file may name ("m.x"), loaded on
// the headless device. Every object it makes is deleted again before the next
// input.
#include "platform/Backend.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/XMesh.h"
#include "platform/win32/Headless.h"
#include "platform/win32/Path.h"
#include "render/SkyLight.h"
#include "tests/support/GameWindow.h"
#include "world/Engine.h"
#include "world/WorldMgr.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{
constexpr const char* WORLD = "f.w";
constexpr const char* MESH = "m.x";
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Mesh objects load onto the headless device, so the keys of mesh objects are reached.
    TkSetBackend(TkBackend::Headless);
    TkHeadlessReset();
    TkD3D9ResetHeadless();
    OpenGameWindow("WorldFuzz", 64, 48);
    if (!CreateGameDevice() || !g_pD3DInterface)
        std::abort();
    tk::xfile::XMeshDesc tri;
    tri.positions = {0, 0, 0, 0, 1, 0, 1, 0, 0};
    tri.indices = {0, 1, 2};
    tri.materials.resize(1);
    if (!tk::xfile::XWriteMeshFile(MESH, tri, tk::xfile::XFormat::Text))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = TkFopen(WORLD, "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
    g_WorldMgr.LoadWorld(WORLD);
    if (g_WorldMgr.m_iErrorCount < 0 || g_WorldMgr.m_iErrorCount > EWorldMgr::MAX_ERROR_LINES)
        std::abort();
    Env.DeleteSkyMesh();
    g_Engine.DeleteAllObjects();
    if (g_Engine.GetObjectCount() != 0)
        std::abort();
    return 0;
}
