#pragma once
// ESkinMeshMgr: the shared skinned-model resources.
// STAND-IN: the calls of the engine's start and end; the skinned-mesh work replaces it.

class ESkinMeshMgr
{
public:
    virtual ~ESkinMeshMgr() = default;
    void Init() {}
    void Release() {}
};

inline ESkinMeshMgr g_SkinMeshMgr;
