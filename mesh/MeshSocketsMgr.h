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

// Where a socket was found for one mesh instance, kept by a caller that asks
// for the same socket every frame. A zero record has found nothing yet.
struct MeshSocketRef
{
    const void* pMesh;  // the instance it was found for
    DWORD dwMeshSerial; // that instance's creation
    DWORD dwTable;      // the table's generation then
    DWORD dwFile;
    DWORD dwSocket;
};

class MeshSocketsMgr
{
public:
    virtual ~MeshSocketsMgr() = default;
    // Every file of the folder, in directory order; the number of files loaded.
    int LoadAll();
    // False only when the file does not open.
    bool LoadFile(const char* path);
    // The socket's position in world space; false for no such socket or no
    // mesh object. With `ref`, the socket is taken from the place it
    // remembers while that still holds for the object's mesh instance, the
    // table and the socket's name; found by name otherwise, and remembered. A
    // missing socket is looked for again at every call.
    bool GetSocket(HOBJECT object, const char* socket, D3DXVECTOR3* out, MeshSocketRef* ref = nullptr) const;
    void Clear()
    {
        m_dwNumFiles = 0;
        ++m_dwGeneration;
    }
    const strMeshSocketFile& File(DWORD i) const { return m_Files[i]; }

private:
    DWORD m_dwNumFiles = 0;
    // Changes whenever files are loaded or cleared, the only ways the table
    // changes: a remembered place is then looked for again.
    DWORD m_dwGeneration = 1;
    strMeshSocketFile m_Files[MAX_FILES_WITH_SOCKETS] = {};
};

inline MeshSocketsMgr g_MeshSockets;
