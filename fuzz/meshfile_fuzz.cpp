// A mesh file as the game loads it: through the mesh table onto the headless device, under the
// names that change what loading does (a plain mesh, a prefab that is centred, a prefab that is
// rescaled and written back beside itself), then once more through the "!opt" cache it writes
// and reads. Every entry is released again before the next input.
#include "fuzz/FuzzInput.h"
#include "fuzz/WorldFuzz.h"
#include "mesh/MeshMgr.h"
#include "shell/GameOptions.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace
{
const char* const kNames[] = {"meshes\\f.x", "prefabs\\f.x", "prefabs\\f_rescale.x"};
const char* const kFiles[] = {"meshes/f.x", "prefabs/f.x", "prefabs/f_rescale.x"};

void LoadEach()
{
    for (const char* name : kNames)
        g_MeshMgr.LoadMesh(name);
    g_MeshMgr.ReleaseAll();
    if (g_MeshMgr.m_pHead)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartWorldFuzzDevice("MeshFileFuzz");
    fuzzinput::StartLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::error_code ignored;
    std::filesystem::remove_all("!opt", ignored);
    // Each file is written again (a rescaled prefab writes its copy over "prefabs\f.x").
    for (const char* file : kFiles)
        fuzzinput::WriteInput(file, data, size);

    g_Options.UseOPT = 0;
    LoadEach();
    // The cache is written by the first round and read by the second.
    g_Options.UseOPT = 1;
    LoadEach();
    LoadEach();
    fuzzinput::RemoveLogs();
    return 0;
}
