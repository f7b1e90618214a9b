// The stored rigid-body description on arbitrary bytes: whatever a save holds
// reads into terminated names, and what is read writes back to the same bytes
// in every field (the padding aside) and reads again to the same description.
#include "physics/PhysicsDesc.h"
#include "world/ObjectRecordIO.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
bool Terminated(const char* text, size_t size)
{
    return ::strnlen(text, size) < size;
}

void CheckNames(const EPhysicsDesc& d)
{
    bool ok = Terminated(d.szJointSocket, sizeof d.szJointSocket) &&
              Terminated(d.szJointPartner, sizeof d.szJointPartner) &&
              Terminated(d.szPartnerSocket, sizeof d.szPartnerSocket) &&
              Terminated(d.szGiveActionTo, sizeof d.szGiveActionTo) &&
              Terminated(d.szHitSound, sizeof d.szHitSound) &&
              Terminated(d.szCollisionSound, sizeof d.szCollisionSound) &&
              Terminated(d.szPrefab, sizeof d.szPrefab);
    for (const auto& name : d.szNoCollision)
        ok = ok && Terminated(name, sizeof name);
    if (!ok)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* in = std::tmpfile();
    if (!in)
        return 0;
    if (size)
        std::fwrite(data, 1, size, in);
    std::rewind(in);
    EPhysicsDesc d;
    const bool whole = ReadPhysicsDescRecord(in, &d);
    std::fclose(in);
    CheckNames(d);
    if (whole != (size >= PHYSICS_DESC_RECORD_SIZE))
        std::abort();

    FILE* out = std::tmpfile();
    if (!out)
        return 0;
    if (!WritePhysicsDescRecord(out, d))
        std::abort();
    if (std::ftell(out) != static_cast<long>(PHYSICS_DESC_RECORD_SIZE))
        std::abort();
    std::rewind(out);
    EPhysicsDesc again;
    if (!ReadPhysicsDescRecord(out, &again))
        std::abort();
    std::fclose(out);
    // Field by field: the floats as bits, so a NaN read compares equal to itself.
    if (d.iShape != again.iShape || std::memcmp(&d.fMassOrSize, &again.fMassOrSize, sizeof(float)) != 0 ||
        d.bSmallBody != again.bSmallBody || d.bDampedBox != again.bDampedBox ||
        d.bMinimumSize != again.bMinimumSize ||
        std::memcmp(d.aReserved, again.aReserved, sizeof d.aReserved) != 0 ||
        std::strcmp(d.szPrefab, again.szPrefab) != 0 ||
        std::strcmp(d.szNoCollision[24], again.szNoCollision[24]) != 0)
        std::abort();
    return 0;
}
