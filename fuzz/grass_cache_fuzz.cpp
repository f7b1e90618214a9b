// The grass placement cache "<world>.grs", read from any bytes: a cache is
// taken only when its version, counts, names, area and length all fit; a
// taken one is then sorted into sectors and released without reading past
// anything.
#include "fuzz/FuzzInput.h"

#include "environment/PlantMgr.h"
#include "world/Engine.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool logging = (fuzzinput::StartLogging(), true);
    (void)logging;
    std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\fuzz.w");
    fuzzinput::WriteInput("worlds/fuzz.w.grs", data, size);
    EPlantMgr plants;
    // The script's group, which a refused cache leaves as it was.
    plants.m_dwGrass = 1;
    std::snprintf(plants.m_Grass[0].szMeshes[0], GRASS_MESH_NAME_SIZE, "%s", "meadow");
    plants.m_Grass[0].dwMeshes = 1;
    if (plants.LoadCache())
    {
        plants.CreateAndFillTSectors();
        plants.CreateTSectorBuffers();
    }
    plants.Release();
    plants.Release();
    fuzzinput::RemoveLogs();
    return 0;
}
