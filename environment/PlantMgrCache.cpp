// EPlantMgr: the placement cache "<world>.grs", written and read field by
// field in 32-bit little-endian records; pointer and padding bytes are 0.
#include "environment/PlantMgr.h"

#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "render/Renderer.h"
#include "shell/Console.h"
#include "shell/Debug.h"
#include "world/Engine.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace
{
// A cache longer than this is not one of ours.
constexpr long kLargestCache = 512L * 1024L * 1024L;

// ---- Writing -------------------------------------------------------------------------------

class Writer
{
public:
    explicit Writer(std::vector<BYTE>& out) : m_out(out) {}
    void U32(DWORD v)
    {
        for (int i = 0; i < 4; ++i)
            m_out.push_back(static_cast<BYTE>(v >> (8 * i)));
    }
    void F32(float f)
    {
        DWORD d;
        std::memcpy(&d, &f, 4);
        U32(d);
    }
    void Vec(const D3DXVECTOR3& v)
    {
        F32(v.x);
        F32(v.y);
        F32(v.z);
    }
    void Byte(BYTE b) { m_out.push_back(b); }
    void Bytes(const void* p, size_t n)
    {
        const BYTE* b = static_cast<const BYTE*>(p);
        m_out.insert(m_out.end(), b, b + n);
    }
    void Zeros(size_t n) { m_out.insert(m_out.end(), n, 0); }

private:
    std::vector<BYTE>& m_out;
};

void WriteGrass(Writer& w, const strGrass& g)
{
    w.Bytes(g.szName, sizeof g.szName);
    w.U32(g.iTexture);
    w.Vec(g.vPosition);
    w.Vec(g.vScale);
    w.F32(g.fDensity);
    w.F32(g.fRadius);
    w.F32(g.fExtentX);
    w.F32(g.fExtentZ);
    w.U32(g.m_Szer);
    w.U32(g.m_Wys);
    w.U32(g.dwTableSize);
    w.Bytes(g.szMeshes, sizeof g.szMeshes);
    w.U32(g.dwMeshes);
    w.F32(g.fWidth);
    w.F32(g.fHeight);
    w.F32(g.fJitter);
    w.F32(g.fRandom);
    w.Byte(g.bHasPlants);
    w.Zeros(3);
    w.U32(g.dwPlants);
    w.Zeros(12); // the two reserved words and the plant pointer
}

void WritePlant(Writer& w, const strPlant& p)
{
    w.Vec(p.vPosition);
    w.Vec(p.vNormal);
    w.Byte(p.bValid);
    w.Zeros(3);
    for (const D3DXVECTOR3& c : p.vCorners)
        w.Vec(c);
    w.Bytes(p.bTexCoord, sizeof p.bTexCoord);
    w.Bytes(p.bShade, sizeof p.bShade);
}

void WriteTGrass(Writer& w, const strTGrass& t)
{
    w.Bytes(t.szTextures, sizeof t.szTextures);
    w.U32(t.dwTextures);
    w.Bytes(t.szTerrain, sizeof t.szTerrain);
    w.F32(t.fMinX);
    w.F32(t.fMinZ);
    w.F32(t.fMaxX);
    w.F32(t.fMaxZ);
    w.F32(t.fStep);
    w.U32(t.dwSzer);
    w.U32(t.dwWys);
    w.U32(0); // the tuft pointer
    w.U32(t.pTPlants ? t.dwTPlants : 0);
}

void WriteTPlant(Writer& w, const strTPlant& p)
{
    w.Vec(p.vPosition);
    w.Vec(p.vNormal);
    w.U32(p.dwColour);
    w.Byte(p.bUsed);
    w.Zeros(3);
}

// ---- Reading -------------------------------------------------------------------------------

class Reader
{
public:
    Reader(const BYTE* bytes, size_t length) : m_p(bytes), m_left(length) {}
    bool Has(size_t n) const { return n <= m_left; }
    size_t Left() const { return m_left; }
    DWORD U32()
    {
        DWORD v = 0;
        if (Has(4))
        {
            v = static_cast<DWORD>(m_p[0]) | static_cast<DWORD>(m_p[1]) << 8 |
                static_cast<DWORD>(m_p[2]) << 16 | static_cast<DWORD>(m_p[3]) << 24;
            Skip(4);
        }
        else
            m_bad = true;
        return v;
    }
    float F32()
    {
        const DWORD d = U32();
        float f;
        std::memcpy(&f, &d, 4);
        if (!std::isfinite(f))
            m_bad = true;
        return f;
    }
    D3DXVECTOR3 Vec()
    {
        const float x = F32(), y = F32(), z = F32();
        return D3DXVECTOR3(x, y, z);
    }
    BYTE Byte()
    {
        BYTE b = 0;
        if (Has(1))
        {
            b = *m_p;
            Skip(1);
        }
        else
            m_bad = true;
        return b;
    }
    void Bytes(void* out, size_t n)
    {
        if (!Has(n))
        {
            m_bad = true;
            std::memset(out, 0, n);
            return;
        }
        std::memcpy(out, m_p, n);
        Skip(n);
    }
    // A name field: it must end within itself.
    void Name(char* out, size_t n)
    {
        Bytes(out, n);
        if (!std::memchr(out, 0, n))
        {
            m_bad = true;
            out[0] = 0;
        }
    }
    void Skip(size_t n)
    {
        if (!Has(n))
        {
            m_bad = true;
            m_left = 0;
            return;
        }
        m_p += n;
        m_left -= n;
    }
    bool Bad() const { return m_bad; }
    void Fail() { m_bad = true; }

private:
    const BYTE* m_p;
    size_t m_left;
    bool m_bad = false;
};

void ReadGrass(Reader& r, strGrass& g)
{
    std::memset(&g, 0, sizeof g);
    r.Name(g.szName, sizeof g.szName);
    r.U32(); // the texture index is looked up again
    g.vPosition = r.Vec();
    g.vScale = r.Vec();
    g.fDensity = r.F32();
    g.fRadius = r.F32();
    g.fExtentX = r.F32();
    g.fExtentZ = r.F32();
    g.m_Szer = r.U32();
    g.m_Wys = r.U32();
    g.dwTableSize = r.U32();
    for (auto& mesh : g.szMeshes)
        r.Name(mesh, sizeof mesh);
    g.dwMeshes = r.U32();
    g.fWidth = r.F32();
    g.fHeight = r.F32();
    g.fJitter = r.F32();
    g.fRandom = r.F32();
    g.bHasPlants = r.Byte();
    r.Skip(3);
    g.dwPlants = r.U32();
    r.Skip(12);
    if (g.dwMeshes > static_cast<DWORD>(GRASS_MESH_SLOTS))
        r.Fail();
}

void ReadPlant(Reader& r, strPlant& p)
{
    p.vPosition = r.Vec();
    p.vNormal = r.Vec();
    p.bValid = r.Byte();
    r.Skip(3);
    for (D3DXVECTOR3& c : p.vCorners)
        c = r.Vec();
    r.Bytes(p.bTexCoord, sizeof p.bTexCoord);
    r.Bytes(p.bShade, sizeof p.bShade);
}

void ReadTGrass(Reader& r, strTGrass& t)
{
    std::memset(&t, 0, sizeof t);
    for (auto& name : t.szTextures)
        r.Name(name, sizeof name);
    t.dwTextures = r.U32();
    r.Name(t.szTerrain, sizeof t.szTerrain);
    t.fMinX = r.F32();
    t.fMinZ = r.F32();
    t.fMaxX = r.F32();
    t.fMaxZ = r.F32();
    t.fStep = r.F32();
    t.dwSzer = r.U32();
    t.dwWys = r.U32();
    r.U32(); // the tuft pointer
    t.dwTPlants = r.U32();
    if (t.dwTextures > static_cast<DWORD>(TGRASS_TEXTURE_SLOTS) || !(t.fMinX <= t.fMaxX) ||
        !(t.fMinZ <= t.fMaxZ))
        r.Fail();
    // The area sizes the sectors: one far larger than any world is damage.
    const float widest = EPlantMgr::SECTOR_SIZE * 4096.0f;
    if (t.fMaxX - t.fMinX > widest || t.fMaxZ - t.fMinZ > widest)
        r.Fail();
}

void ReadTPlant(Reader& r, strTPlant& p)
{
    p.vPosition = r.Vec();
    p.vNormal = r.Vec();
    p.dwColour = r.U32();
    p.bUsed = r.Byte();
    r.Skip(3);
}

struct PlantArray
{
    std::unique_ptr<strPlant[]> plants;
};
} // namespace

const char* EPlantMgr::GetCacheFileName()
{
    static char name[256];
    const int n = std::snprintf(name, sizeof name, "%s.grs", g_Engine.m_szWorld);
    if (n < 0 || static_cast<size_t>(n) >= sizeof name)
        name[0] = 0;
    return name;
}

void EPlantMgr::CacheBytes(std::vector<BYTE>& out) const
{
    out.clear();
    Writer w(out);
    w.U32(CACHE_VERSION);
    w.U32(m_dwGrass);
    for (DWORD i = 0; i < m_dwGrass; ++i)
    {
        const strGrass& g = m_Grass[i];
        strGrass stored = g;
        // Only plants that exist are written, and the count says so.
        if (!g.pPlants)
            stored.dwPlants = 0;
        WriteGrass(w, stored);
        for (DWORD p = 0; p < stored.dwPlants; ++p)
            WritePlant(w, g.pPlants[p]);
    }
    WriteTGrass(w, m_TGrass);
    if (m_TGrass.pTPlants)
        for (DWORD t = 0; t < m_TGrass.dwTPlants; ++t)
            WriteTPlant(w, m_TGrass.pTPlants[t]);
}

void EPlantMgr::SaveCache()
{
    const char* name = GetCacheFileName();
    if (!name[0])
        return;
    std::vector<BYTE> bytes;
    CacheBytes(bytes);
    // Written whole under another name first: a game stopped half-way
    // leaves the old cache or none, never a cut one. A failure is only a
    // missing cache, so nothing is reported.
    const std::string target = name;
    const std::string temporary = target + ".tmp";
    FILE* f = TkFopen(temporary.c_str(), "wb");
    if (!f)
        return;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    ok = ok && MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!ok)
        DeleteFileA(temporary.c_str());
}

bool EPlantMgr::LoadCache()
{
    const char* name = GetCacheFileName();
    if (!name[0])
        return false;
    FILE* f = TkFopen(name, "rb");
    if (!f)
        return false;
    long length = -1;
    if (std::fseek(f, 0, SEEK_END) == 0)
        length = std::ftell(f);
    bool ok = length >= 0 && length <= kLargestCache && std::fseek(f, 0, SEEK_SET) == 0;
    std::vector<BYTE> bytes;
    if (ok)
    {
        bytes.resize(static_cast<size_t>(length));
        ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    }
    std::fclose(f);
    ok = ok && ReadCache(bytes.data(), bytes.size());
    if (!ok)
        g_Console.Print2("Grass cache refused, building it again: ", name);
    return ok;
}

bool EPlantMgr::ReadCache(const BYTE* bytes, size_t length)
{
    Reader r(bytes, length);
    if (r.U32() != CACHE_VERSION || r.Bad())
        return false;
    const DWORD groups = r.U32();
    if (r.Bad() || groups > static_cast<DWORD>(MAX_GRASS))
        return false;
    // Everything is read aside first: a refused cache changes nothing.
    std::unique_ptr<strGrass[]> read(new (std::nothrow) strGrass[MAX_GRASS]);
    std::unique_ptr<PlantArray[]> plants(new (std::nothrow) PlantArray[MAX_GRASS]);
    if (!read || !plants)
        return false;
    for (DWORD i = 0; i < groups; ++i)
    {
        strGrass& g = read[i];
        ReadGrass(r, g);
        if (r.Bad() || g.dwPlants > MAX_GRID_CELLS || !r.Has(static_cast<size_t>(g.dwPlants) * PLANT_RECORD))
            return false;
        if (g.dwPlants == 0)
            continue;
        plants[i].plants.reset(new (std::nothrow) strPlant[g.dwPlants]);
        if (!plants[i].plants)
            return false;
        for (DWORD p = 0; p < g.dwPlants; ++p)
            ReadPlant(r, plants[i].plants[p]);
        if (r.Bad())
            return false;
    }
    strTGrass tgrass;
    ReadTGrass(r, tgrass);
    if (r.Bad() || tgrass.dwTPlants > MAX_GRID_CELLS ||
        r.Left() != static_cast<size_t>(tgrass.dwTPlants) * TPLANT_RECORD)
        return false;
    std::unique_ptr<strTPlant[]> tufts;
    if (tgrass.dwTPlants)
    {
        tufts.reset(new (std::nothrow) strTPlant[tgrass.dwTPlants]);
        if (!tufts)
            return false;
        for (DWORD t = 0; t < tgrass.dwTPlants; ++t)
            ReadTPlant(r, tufts[t]);
        if (r.Bad())
            return false;
    }

    FreeGroups();
    FreeTGrass();
    m_dwGrass = groups;
    for (DWORD i = 0; i < groups; ++i)
    {
        m_Grass[i] = read[i];
        m_Grass[i].iTexture = KnownTexture(m_Grass[i].szName);
        m_Grass[i].pPlants = plants[i].plants.release();
        if (m_Grass[i].pPlants)
            g_Debug.AddAllocation(PLANTS_TAG);
    }
    m_TGrass = tgrass;
    m_TGrass.pTPlants = tufts.release();
    if (m_TGrass.pTPlants)
        g_Debug.AddAllocation(TPLANTS_TAG);
    return true;
}
