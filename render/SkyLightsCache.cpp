// CSkyLights: the "<world>.def" cache, its header and both merged tables,
// field by field in 32-bit little-endian order.
#include "render/SkyLights.h"

#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "shell/Console.h"
#include "shell/RecordBytes.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace
{
constexpr size_t kHeaderBytes = 36; // the header's eight fields and count A
constexpr size_t kCountBytes = 4;
constexpr size_t kLightBytes = 24;

char g_szCacheFileName[300];

bool Finite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool GoodStep(float step)
{
    return std::isfinite(step) && step > 0.0f;
}

// Reads one table of `count` lights; false on a short read or a value that is not finite.
bool ReadTable(FILE* f, DWORD count, SkyLight* out)
{
    BYTE bytes[kLightBytes];
    for (DWORD i = 0; i < count; ++i)
    {
        if (std::fread(bytes, 1, kLightBytes, f) != kLightBytes)
            return false;
        const RecordIn in(bytes, kLightBytes);
        out[i] = SkyLight{in.Vec3(0), in.Vec3(12)};
        if (!Finite(out[i].vPosition) || !Finite(out[i].vColor))
            return false;
    }
    return true;
}

bool ReadCount(FILE* f, DWORD* count)
{
    BYTE bytes[kCountBytes];
    if (std::fread(bytes, 1, kCountBytes, f) != kCountBytes)
        return false;
    *count = RecordIn(bytes, kCountBytes).U32(0);
    return *count < MAX_MERGED_SKY_LIGHTS;
}

bool WriteTable(FILE* f, DWORD count, const SkyLight* lights)
{
    BYTE bytes[kCountBytes];
    RecordOut(bytes, kCountBytes).U32(0, count);
    bool ok = std::fwrite(bytes, 1, kCountBytes, f) == kCountBytes;
    BYTE light[kLightBytes];
    for (DWORD i = 0; ok && i < count; ++i)
    {
        RecordOut out(light, kLightBytes);
        out.Vec3(0, lights[i].vPosition);
        out.Vec3(12, lights[i].vColor);
        ok = std::fwrite(light, 1, kLightBytes, f) == kLightBytes;
    }
    return ok;
}
} // namespace

const char* CSkyLights::GetCacheFileName() const
{
    if (!m_szWorldFile[0])
        g_szCacheFileName[0] = 0;
    else
        std::snprintf(g_szCacheFileName, sizeof g_szCacheFileName, "%s.def", m_szWorldFile);
    return g_szCacheFileName;
}

SkyLightCacheHeader CSkyLights::Header() const
{
    return {m_dwFileCheck, m_fGridStep,   m_fLightRadius, m_fParam80,
            m_fMergeStepA, m_fMergeStepB, m_fParam07,     m_fParam08};
}

void CSkyLights::TakeHeader(const SkyLightCacheHeader& h)
{
    m_dwFileCheck = h.dwCheck;
    m_fGridStep = h.fGridStep;
    m_fLightRadius = h.fLightRadius;
    m_fParam80 = h.fParam80;
    m_fMergeStepA = h.fMergeStepA;
    m_fMergeStepB = h.fMergeStepB;
    m_fParam07 = h.fParam07;
    m_fParam08 = h.fParam08;
}

bool CSkyLights::SaveCache()
{
    const std::string target = GetCacheFileName();
    if (target.empty())
        return false;
    const std::string temporary = target + ".tmp";
    FILE* f = TkFopen(temporary.c_str(), "wb");
    bool ok = f != nullptr;
    if (f)
    {
        const SkyLightCacheHeader h = Header();
        BYTE header[kHeaderBytes - kCountBytes];
        RecordOut out(header, sizeof header);
        out.U32(0, h.dwCheck);
        out.F32(4, h.fGridStep);
        out.F32(8, h.fLightRadius);
        out.F32(12, h.fParam80);
        out.F32(16, h.fMergeStepA);
        out.F32(20, h.fMergeStepB);
        out.F32(24, h.fParam07);
        out.F32(28, h.fParam08);
        ok = std::fwrite(header, 1, sizeof header, f) == sizeof header;
        ok = ok && WriteTable(f, m_dwCountA, m_LightsA);
        ok = ok && WriteTable(f, m_dwCountB, m_LightsB);
        ok = std::fclose(f) == 0 && ok;
        ok = ok && MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
        if (!ok)
            DeleteFileA(temporary.c_str());
    }
    if (!ok)
        g_Console.Print2("Can't save ", target.c_str());
    return ok;
}

bool CSkyLights::LoadCache()
{
    const char* name = GetCacheFileName();
    if (!name[0])
        return false;
    FILE* f = TkFopen(name, "rb");
    if (!f)
        return false;
    BYTE bytes[kHeaderBytes - kCountBytes];
    bool ok = std::fread(bytes, 1, sizeof bytes, f) == sizeof bytes;
    const RecordIn in(bytes, sizeof bytes);
    const SkyLightCacheHeader h = {in.U32(0),  in.F32(4),  in.F32(8),  in.F32(12),
                                   in.F32(16), in.F32(20), in.F32(24), in.F32(28)};
    ok = ok && h.dwCheck == CACHE_CHECK && GoodStep(h.fGridStep) && GoodStep(h.fMergeStepA) &&
         GoodStep(h.fMergeStepB) && std::isfinite(h.fLightRadius) && std::isfinite(h.fParam80) &&
         std::isfinite(h.fParam07) && std::isfinite(h.fParam08);
    DWORD countA = 0, countB = 0;
    ok = ok && ReadCount(f, &countA) && ReadTable(f, countA, m_LightsA);
    ok = ok && ReadCount(f, &countB) && ReadTable(f, countB, m_LightsB);
    // Nothing may follow the second table.
    BYTE extra;
    ok = ok && std::fread(&extra, 1, 1, f) == 0;
    std::fclose(f);
    if (!ok)
    {
        Clear();
        return false;
    }
    TakeHeader(h);
    m_dwCountA = countA;
    m_dwCountB = countB;
    return true;
}
