// Painted vertex colours from the ".dat" files of "scripts\multi_texture_painting\".
#include "mesh/MultiTexturePaintingScripts.h"
#include "mesh/Mesh.h"

#include "platform/win32/Path.h"
#include "shell/Console.h"
#include "world/Object.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr size_t kNameChars = 260;
constexpr DWORD kVertexSize = 64;
constexpr DWORD kColourOffset = 12;
constexpr size_t kRecordSize = 48;
constexpr size_t kCornerSize = 16;
constexpr float kMatchDistance = 0.01f;

uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

float LeFloat(const uint8_t* p)
{
    const uint32_t bits = Le32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

bool ReadU32(FILE* f, uint32_t* out)
{
    uint8_t b[4];
    if (std::fread(b, 1, sizeof b, f) != sizeof b)
        return false;
    *out = Le32(b);
    return true;
}

void PrintFatal(const char* what)
{
    g_Console.Print(" ");
    g_Console.Print("INTERNAL FATAL ERROR in");
    g_Console.Print("EMultiTexturePaintingScripts::LoadDataFromScript():");
    g_Console.Print(what);
    g_Console.Print(" ");
}
} // namespace

void EMultiTexturePaintingScripts::GetDataFileName(const char* meshFileName, char* out, size_t size)
{
    char name[kNameChars + 1] = {};
    std::snprintf(name, sizeof name, "%s", meshFileName ? meshFileName : "");
    for (char* p = name; *p; ++p)
        if (*p == '\\' || *p == '.')
            *p = '_';
    std::snprintf(out, size, "scripts\\multi_texture_painting\\%s.dat", name);
}

void EMultiTexturePaintingScripts::LoadDataFromScript(HOBJECT object)
{
    if (!object || object->Type != OT_MESH || !object->Object)
        return;
    auto* mesh = static_cast<EMesh*>(object->Object);
    strmesh* entry = mesh->GetMeshEntry();
    const unsigned epoch = TkPathBatchEpoch();
    if (entry && epoch && entry->uPaintMissingEpoch == epoch)
        return;
    char path[kNameChars + 64];
    GetDataFileName(mesh->GetMeshFileName(), path, sizeof path);
    FILE* f = TkFopen(path, "rb");
    if (!f)
    {
        if (entry)
            entry->uPaintMissingEpoch = epoch;
        return;
    }
    ID3DXMesh* body = mesh->m_pDrawMesh;
    if (!body)
    {
        g_Console.Print(
            "INTERNAL ERROR in EMultiTexturePaintingScripts::LoadDataFromScript(): pMesh is NULL");
        std::fclose(f);
        return;
    }
    void* ib = nullptr;
    void* vb = nullptr;
    if (FAILED(body->LockIndexBuffer(0, &ib)))
    {
        std::fclose(f);
        return;
    }
    if (FAILED(body->LockVertexBuffer(0, &vb)))
    {
        body->UnlockIndexBuffer();
        std::fclose(f);
        return;
    }
    const DWORD stride = body->GetNumBytesPerVertex();
    const DWORD faces = body->GetNumFaces();
    const DWORD vertices = body->GetNumVertices();
    const bool wide = (body->GetOptions() & D3DXMESH_32BIT) != 0;
    // Colours are written in the engine layout only: another vertex size is reported and left alone.
    const bool layoutOk = stride == kVertexSize;
    if (!layoutOk)
        PrintFatal("dwSizeOfVertexInBytes != sizeof(struct TK_VERTEX)");
    uint32_t version = 0, count = 0;
    const bool header = ReadU32(f, &version);
    if (header && version != MULTI_TEXTURE_DATA_VERSION)
        PrintFatal(" NUMER_WERSJI_PLIKU_Z_DANYMI != nr_wersji_Readed ");
    if (layoutOk && header && ReadU32(f, &count))
    {
        const int32_t records = static_cast<int32_t>(count);
        uint8_t record[kRecordSize];
        // The first short read ends the loop, whatever count the file claims.
        for (int32_t i = 0; i < records && std::fread(record, 1, sizeof record, f) == sizeof record; ++i)
        {
            if (static_cast<DWORD>(i) >= faces)
                continue;
            DWORD corner[3];
            bool match = true;
            for (int c = 0; c < 3 && match; ++c)
            {
                const size_t index = size_t(i) * 3 + c;
                corner[c] =
                    wide ? static_cast<const uint32_t*>(ib)[index] : static_cast<const uint16_t*>(ib)[index];
                if (corner[c] >= vertices)
                {
                    match = false;
                    break;
                }
                D3DXVECTOR3 p;
                std::memcpy(&p, static_cast<const uint8_t*>(vb) + size_t(corner[c]) * stride, sizeof p);
                const uint8_t* r = record + c * kCornerSize;
                const D3DXVECTOR3 q(LeFloat(r), LeFloat(r + 4), LeFloat(r + 8));
                const D3DXVECTOR3 d = p - q;
                match = D3DXVec3Length(&d) <= kMatchDistance;
            }
            if (!match)
                continue;
            for (int c = 0; c < 3; ++c)
            {
                const uint32_t colour = Le32(record + c * kCornerSize + 12);
                std::memcpy(static_cast<uint8_t*>(vb) + size_t(corner[c]) * stride + kColourOffset, &colour,
                            sizeof colour);
            }
        }
    }
    body->UnlockVertexBuffer();
    body->UnlockIndexBuffer();
    std::fclose(f);
}
