// A skinned model's hit-zone files as the model loader reads them: the same
// bytes as "collisions.txt" (spheres, cylinders and prefab meshes) and as the
// "physics.txt" it falls back to. Prefabs name meshes that are not there, so
// each mesh zone reports its prefab and keeps no triangles.

#include "FuzzInput.h"

#include "mesh/SkinMeshCollision.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = (fuzzinput::StartLogging(), true);
    (void)ready;
    fuzzinput::WriteInput("models/fuzz/collisions.txt", data, size);
    strSkinCollisionElements elements;
    ESkinMeshCollision::ReadCollisions("models\\fuzz\\collisions.txt", &elements, "fuzz.x");
    ESkinMeshCollision::ReleaseElements(&elements);
    strSkinCollisionElements spheres;
    ESkinMeshCollision::ReadPhysics("models\\fuzz\\collisions.txt", &spheres);
    ESkinMeshCollision::ReleaseElements(&spheres);
    fuzzinput::RemoveLogs();
    return 0;
}
