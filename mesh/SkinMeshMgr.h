#pragma once
// ESkinMeshMgr: the shared skinned models, found by path and counted by their users, and the cache of
// the animations every model shares (the common folder).

#include "mesh/SkinMeshBase.h"

#include <string>
#include <vector>

class ESkinMesh;

constexpr int MAX_SKINMESH_BASES = 1000;
constexpr int MAX_COMMON_ANIMATIONS = 1000;

class ESkinMeshMgr
{
public:
    // The folder of the animations every model shares.
    static constexpr const char* COMMON_FOLDER = ".\\models\\common";

    ESkinMeshMgr() = default;
    virtual ~ESkinMeshMgr();
    ESkinMeshMgr(const ESkinMeshMgr&) = delete;
    ESkinMeshMgr& operator=(const ESkinMeshMgr&) = delete;

    void Init();
    // Finds or creates the base of the path and stores it in the instance (its low-poly base when
    // lowPoly is set).
    bool LoadSkinMesh(const char* path, ESkinMesh* instance, bool lowPoly);
    void ReleaseSkinMesh(ESkinMeshBase* base);
    void Release();

    void ListCommonAnimations();
    void LoadAnimationToCommonCache(const char* name);
    // Loads the base's own animation of that name (when it is not loaded yet) and relinks nodes.
    void LoadAnimationForInstance(ESkinMesh* instance, const char* name);
    bool IsCommonName(const char* name) const;

    // The base under construction: the hierarchy callbacks build its containers.
    ESkinMeshBase* m_pLoadingBase = nullptr;
    ESkinMesh* m_pLoadingInstance = nullptr;
    ESkinMeshBase* m_pBases[MAX_SKINMESH_BASES] = {};
    // Every slot below it is free (bases take the highest free slot).
    int m_iLowestBaseSlot = MAX_SKINMESH_BASES;
    // Statistics of the loaded animations.
    long long m_iAnimationBytes = 0;
    int m_iLoadedAnimations = 0;
    int m_iNumCommonAnimations = 0;
    ESkinMeshAnimation* m_pCommonAnimations[MAX_COMMON_ANIMATIONS] = {};
    std::vector<std::string> m_CommonNames;
};

extern ESkinMeshMgr g_SkinMeshMgr;
