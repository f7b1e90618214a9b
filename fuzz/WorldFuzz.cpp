#include "fuzz/WorldFuzz.h"

#include "platform/Backend.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/XMesh.h"
#include "platform/win32/Headless.h"
#include "platform/win32/Path.h"
#include "tests/support/GameWindow.h"

#include <cstdio>
#include <cstdlib>

void StartWorldFuzzDevice(const char* windowTitle)
{
    // Mesh objects load onto the headless device, so the keys of mesh objects are reached.
    TkSetBackend(TkBackend::Headless);
    TkHeadlessReset();
    TkD3D9ResetHeadless();
    OpenGameWindow(windowTitle, 64, 48);
    if (!CreateGameDevice() || !g_pD3DInterface)
        std::abort();
    tk::xfile::XMeshDesc tri;
    tri.positions = {0, 0, 0, 0, 1, 0, 1, 0, 0};
    tri.indices = {0, 1, 2};
    tri.materials.resize(1);
    if (!tk::xfile::XWriteMeshFile("m.x", tri, tk::xfile::XFormat::Text))
        std::abort();
}

void WriteFuzzWorld(const char* file, const uint8_t* data, size_t size)
{
    FILE* f = TkFopen(file, "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
}
