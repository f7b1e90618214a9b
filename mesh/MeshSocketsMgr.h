#pragma once
// MeshSocketsMgr: named points on static meshes (muzzles, seats, hooks), read once at start-up from
// the socket files of "scripts\mesh_sockets\" and answered in world space for mesh objects.

#include "platform/d3dx/D3DXMath.h"
#include "world/ObjectHandle.h"

constexpr int MAX_FILES_WITH_SOCKETS = 200;
constexpr int MAX_SOCKETS_IN_ONE_FILE = 60;
constexpr int MESH_SOCKET_NAME_SIZE = 44;
constexpr int MESH_SOCKET_FILE_NAME_SIZE = 256;
constexpr int MESH_SOCKET_LINE = 5000;

struct strMeshSocket
{
    char szName[MESH_SOCKET_NAME_SIZE];
    float vPosition[3];
};

struct strMeshSocketFile
{
    char szMeshFileName[MESH_SOCKET_FILE_NAME_SIZE];
    DWORD dwNumSockets;
    strMeshSocket Sockets[MAX_SOCKETS_IN_ONE_FILE];
};

class MeshSocketsMgr
{
public:
    virtual ~MeshSocketsMgr() = default;
    // Every file of the folder, in directory order; the number of files loaded.
    int LoadAll();
    // False only when the file does not open.
    bool LoadFile(const char* path);
    // The socket's position in world space; false for no such socket or no mesh object.
    bool GetSocket(HOBJECT object, const char* socket, D3DXVECTOR3* out) const;
    void Clear() { m_dwNumFiles = 0; }

    DWORD m_dwNumFiles = 0;
    strMeshSocketFile m_Files[MAX_FILES_WITH_SOCKETS] = {};
};

inline MeshSocketsMgr g_MeshSockets;
