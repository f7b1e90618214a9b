// The vehicle and helicopter definitions, read from any bytes: the read must
// end, keep every table within its room and every name terminated, and a
// lookup of each name read must find a definition.
#include "fuzz/FuzzInput.h"

#include "physics/HeliMgr.h"
#include "physics/PhysicsMgr.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
template <size_t N> void Terminated(const char (&field)[N])
{
    if (!std::memchr(field, 0, N))
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool logging = (fuzzinput::StartLogging(), true);
    (void)logging;
    fuzzinput::WriteInput("scripts/vehicles/fuzz.txt", data, size);
    fuzzinput::WriteInput("scripts/helicopters/fuzz.txt", data, size);

    g_PhysicsMgr.LoadVehicles();
    if (g_PhysicsMgr.GetVehicleCount() < 0 || g_PhysicsMgr.GetVehicleCount() > MAX_VEHICLES - 1)
        std::abort();
    for (int i = 0; i < g_PhysicsMgr.GetVehicleCount(); ++i)
    {
        const EVehicleDef& v = g_PhysicsMgr.GetVehicle(i);
        Terminated(v.szName);
        Terminated(v.szPrefab);
        if (v.iNumWheels > static_cast<DWORD>(MAX_VEHICLE_WHEELS))
            std::abort();
        for (DWORD w = 0; w < v.iNumWheels; ++w)
        {
            Terminated(v.szWheelFile[w]);
            Terminated(v.szWheelSocket[w]);
        }
        if (v.szPrefab[0] && !g_PhysicsMgr.FindVehicleByPrefab(v.szPrefab))
            std::abort();
    }

    g_HeliMgr.LoadAll();
    if (g_HeliMgr.m_iNumDefs >= static_cast<DWORD>(MAX_HELI_CREATE_PARAMS))
        std::abort();
    for (DWORD i = 1; i <= g_HeliMgr.m_iNumDefs; ++i)
    {
        const EHeliDef& d = g_HeliMgr.m_Defs[i];
        Terminated(d.szName);
        if (d.iNumAttachments > static_cast<DWORD>(MAX_HELI_ATTACHMENTS))
            std::abort();
        for (DWORD a = 0; a < d.iNumAttachments; ++a)
        {
            Terminated(d.szFile[a]);
            Terminated(d.szSocket[a]);
            Terminated(d.szAnimation[a]);
        }
        if (d.szName[0] && !g_HeliMgr.FindHeliDef(d.szName))
            std::abort();
    }
    fuzzinput::RemoveLogs();
    return 0;
}
