// Mesh socket files and socket queries.
#include "mesh/MeshSocketsMgr.h"
#include "mesh/Mesh.h"

#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "world/Object.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace
{
constexpr const char* kFolder = "scripts\\mesh_sockets\\";
constexpr int kSocketValues = 4; // name x y z
} // namespace

int MeshSocketsMgr::LoadAll()
{
    Clear();
    const std::string pattern = std::string(kFolder) + "*.*";
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do
    {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        const std::string path = std::string(kFolder) + data.cFileName;
        if (!LoadFile(path.c_str()))
        {
            char line[MESH_SOCKET_FILE_NAME_SIZE * 2];
            std::snprintf(line, sizeof line, "\nProblem with Mesh Socket file: %s", path.c_str());
            g_Console.Print(line);
        }
        else if (m_dwNumFiles == MAX_FILES_WITH_SOCKETS)
        {
            g_Console.Print("ERROR in  MeshSocketsMgr.cpp: MAX_FILES_WITH_SOCKETS exceeded!");
            break;
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return static_cast<int>(m_dwNumFiles);
}

bool MeshSocketsMgr::LoadFile(const char* path)
{
    if (!path || m_dwNumFiles >= MAX_FILES_WITH_SOCKETS)
        return false;
    FILE* f = TkFopen(path, "rt");
    if (!f)
        return false;
    ++m_dwGeneration;
    strMeshSocketFile& entry = m_Files[m_dwNumFiles];
    entry.dwNumSockets = 0;
    char meshName[MESH_SOCKET_FILE_NAME_SIZE] = {};
    auto line = std::make_unique<char[]>(MESH_SOCKET_LINE + 1);
    while (!std::feof(f) && !std::ferror(f))
    {
        line[0] = 0;
        ReadLine(f, line.get(), MESH_SOCKET_LINE);
        const char* text = line.get();
        while (*text == ' ')
            ++text;
        if (IsKeyword(text, "mesh_filename"))
            CopyCut(meshName, sizeof meshName, GetToken(text, 1));
        else if (IsKeyword(text, "socket"))
        {
            strMeshSocket& s = entry.Sockets[entry.dwNumSockets];
            CopyCut(s.szName, sizeof s.szName, GetToken(text, 1));
            for (int i = 1; i < kSocketValues; ++i)
                s.vPosition[i - 1] = std::strtof(GetToken(text, i + 1), nullptr);
            if (++entry.dwNumSockets == MAX_SOCKETS_IN_ONE_FILE)
            {
                g_Console.Print("ERROR in  MeshSocketsMgr.cpp: MAX_SOCKETS_IN_ONE_FILE exceeded!");
                break;
            }
        }
    }
    CopyCut(entry.szMeshFileName, sizeof entry.szMeshFileName, meshName);
    std::fclose(f);
    ++m_dwNumFiles;
    return true;
}

namespace
{
void PlaceSocket(const EMesh* mesh, const strMeshSocket& s, D3DXVECTOR3* out)
{
    D3DXMATRIX world;
    mesh->GetWorldMatrix(&world);
    const float* p = s.vPosition;
    out->x = p[0] * world._11 + p[1] * world._21 + p[2] * world._31 + world._41;
    out->y = p[0] * world._12 + p[1] * world._22 + p[2] * world._32 + world._42;
    out->z = p[0] * world._13 + p[1] * world._23 + p[2] * world._33 + world._43;
}
} // namespace

bool MeshSocketsMgr::GetSocket(HOBJECT object, const char* socket, D3DXVECTOR3* out, MeshSocketRef* ref) const
{
    if (!object || !socket || !out || object->Type != OT_MESH || !object->Object)
        return false;
    const auto* mesh = static_cast<const EMesh*>(object->Object);
    if (ref && ref->pMesh == mesh && ref->dwMeshSerial == mesh->m_dwSerial &&
        ref->dwTable == m_dwGeneration && ref->dwFile < m_dwNumFiles &&
        ref->dwSocket < m_Files[ref->dwFile].dwNumSockets)
    {
        const strMeshSocket& s = m_Files[ref->dwFile].Sockets[ref->dwSocket];
        if (CompareNoCase(s.szName, socket) == 0)
        {
            PlaceSocket(mesh, s, out);
            return true;
        }
    }
    for (DWORD f = 0; f < m_dwNumFiles; ++f)
    {
        const strMeshSocketFile& file = m_Files[f];
        if (CompareNoCase(file.szMeshFileName, mesh->GetMeshFileName()) != 0)
            continue;
        for (DWORD s = 0; s < file.dwNumSockets; ++s)
        {
            if (CompareNoCase(file.Sockets[s].szName, socket) != 0)
                continue;
            PlaceSocket(mesh, file.Sockets[s], out);
            if (ref)
                *ref = MeshSocketRef{mesh, mesh->m_dwSerial, m_dwGeneration, f, s};
            return true;
        }
    }
    if (ref)
        *ref = MeshSocketRef{};
    return false;
}
