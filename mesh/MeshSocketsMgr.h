#pragma once
// MeshSocketsMgr: named attachment points of static meshes.
// STAND-IN: knows no sockets; the mesh-socket work replaces it.

#include "platform/d3dx/D3DXMath.h"

class MeshSocketsMgr
{
public:
    virtual ~MeshSocketsMgr() = default;
    void LoadAll() {}
    bool GetSocket(const char*, const char*, D3DXMATRIX*) const { return false; }
};

inline MeshSocketsMgr g_MeshSockets;
