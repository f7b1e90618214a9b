// The shared skinned models and the common-animation cache.
#include "mesh/SkinMeshMgr.h"
#include "mesh/SkinMesh.h"
#include "mesh/SkinMeshCacheAnimation.h"

#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cstdio>

ESkinMeshMgr g_SkinMeshMgr;

namespace
{
// Every skinned-mesh object of the engine takes the shared pose records again.
void RelinkAllInstances()
{
    for (int i = FIRST_SKINMESH_SLOT; i < FIRST_SKINMESH_SLOT + MAX_SKINMESH_OBJECTS && i < MAX_OBJECTS; ++i)
    {
        const strObject& o = g_Engine.m_Objects[i];
        if (o.bUsed && o.Type == OT_SKINMESH && o.Object)
            static_cast<ESkinMesh*>(o.Object)->LinkNodes();
    }
}
} // namespace

ESkinMeshMgr::~ESkinMeshMgr()
{
    Release();
}

void ESkinMeshMgr::Init()
{
    for (ESkinMeshBase*& base : m_pBases)
        base = nullptr;
    m_iLowestBaseSlot = MAX_SKINMESH_BASES;
    m_pLoadingBase = nullptr;
    m_pLoadingInstance = nullptr;
    ListCommonAnimations();
}

void ESkinMeshMgr::ListCommonAnimations()
{
    m_CommonNames.clear();
    g_SkinMeshCacheAnimation.ListAnimationNames(COMMON_FOLDER, &m_CommonNames);
}

bool ESkinMeshMgr::IsCommonName(const char* name) const
{
    for (const std::string& n : m_CommonNames)
        if (CompareNoCase(n.c_str(), name) == 0)
            return true;
    return false;
}

bool ESkinMeshMgr::LoadSkinMesh(const char* path, ESkinMesh* instance, bool lowPoly)
{
    if (!path || !instance)
        return false;
    m_pLoadingInstance = instance;
    // A new base takes the highest free slot, so the bases fill the table from
    // its end: only the slots from the lowest one ever used are looked at (a
    // model's path is held by one base at a time).
    int freeSlot = m_iLowestBaseSlot > 0 ? m_iLowestBaseSlot - 1 : -1;
    bool seenFree = false;
    for (int i = MAX_SKINMESH_BASES - 1; i >= m_iLowestBaseSlot; --i)
    {
        ESkinMeshBase* base = m_pBases[i];
        if (!base)
        {
            if (!seenFree)
                freeSlot = i;
            seenFree = true;
            continue;
        }
        if (CompareNoCase(base->m_szPath, path) == 0)
        {
            (lowPoly ? instance->m_pBaseLowPoly : instance->m_pBase) = base;
            ++base->m_iReferenceCount;
            m_pLoadingInstance = nullptr;
            return true;
        }
    }
    if (freeSlot < 0)
    {
        g_Console.Print2("ERROR: no free skin mesh slot for ", path);
        m_pLoadingInstance = nullptr;
        return false;
    }
    auto* base = new ESkinMeshBase;
    m_pBases[freeSlot] = base;
    if (freeSlot < m_iLowestBaseSlot)
        m_iLowestBaseSlot = freeSlot;
    m_pLoadingBase = base;
    const bool created = base->Create(path);
    m_pLoadingBase = nullptr;
    m_pLoadingInstance = nullptr;
    if (!created)
    {
        char line[ESkinMeshBase::PATH_SIZE + 64];
        std::snprintf(line, sizeof line, "ERROR: Loading Base Skin Mesh: <%s> Failed...", path);
        g_Console.Print(line);
        delete base;
        m_pBases[freeSlot] = nullptr;
        return false;
    }
    if (lowPoly)
    {
        base->m_bLowPoly = 1;
        instance->m_pBaseLowPoly = base;
    }
    else
        instance->m_pBase = base;
    return true;
}

void ESkinMeshMgr::ReleaseSkinMesh(ESkinMeshBase* base)
{
    if (!base)
    {
        g_Console.Print("ERROR in ESkinMeshMgr::LoadSkinMesh(): pSkinMeshBase==NULL");
        return;
    }
    for (ESkinMeshBase*& slot : m_pBases)
    {
        if (slot != base)
            continue;
        if (base->m_iReferenceCount == 0)
            g_Console.Print("ERROR in ESkinMeshMgr::LoadSkinMesh(): You try to delete SkinMeshBase with "
                            "m_iReferenceCount==0");
        else if (base->m_iReferenceCount > 1)
            --base->m_iReferenceCount;
        else
        {
            base->Destroy();
            delete base;
            slot = nullptr;
        }
        return;
    }
}

void ESkinMeshMgr::Release()
{
    for (ESkinMeshBase*& base : m_pBases)
        if (base)
        {
            base->m_iReferenceCount = 1;
            delete base;
            base = nullptr;
        }
    m_iLowestBaseSlot = MAX_SKINMESH_BASES;
    for (ESkinMeshAnimation*& animation : m_pCommonAnimations)
    {
        delete animation;
        animation = nullptr;
    }
    m_iNumCommonAnimations = 0;
    m_CommonNames.clear();
    FreeLinkFields();
}

void ESkinMeshMgr::LoadAnimationToCommonCache(const char* name)
{
    if (!name)
        return;
    for (int i = 0; i < m_iNumCommonAnimations; ++i)
        if (m_pCommonAnimations[i] && CompareNoCase(m_pCommonAnimations[i]->szName, name) == 0)
            return;
    const int index = g_SkinMeshCacheAnimation.LoadAnimation(COMMON_FOLDER, name, &m_iNumCommonAnimations,
                                                             m_pCommonAnimations, MAX_COMMON_ANIMATIONS);
    if (index < 0 || !m_pCommonAnimations[index])
    {
        g_Console.Print(" ");
        g_Console.Print("INTERNAL ERROR in SkinMeshMgr::LoadAnimationToCommonCache()");
        g_Console.Print(index < 0 ? "#1 SkinMeshCacheAnimation.LoadAnimation() failed..."
                                  : "#2 SkinMeshCacheAnimation.LoadAnimation() failed...");
        g_Console.Print(name);
        g_Console.Print(" ");
        return;
    }
    ESkinMeshAnimation* animation = m_pCommonAnimations[index];
    animation->bCommon = 1;
    for (ESkinMeshBase* base : m_pBases)
    {
        if (!base)
            continue;
        int entry = 0;
        while (entry < MAX_ANIMATIONS_IN_SKINMESHBASE && base->m_pAnimations[entry])
            ++entry;
        if (entry >= MAX_ANIMATIONS_IN_SKINMESHBASE)
        {
            g_Console.Print(" ");
            g_Console.Print("INTERNAL ERROR in SkinMeshMgr::LoadAnimationToCommonCache()");
            g_Console.Print("There's no space for more animations!");
            g_Console.Print(name);
            g_Console.Print(" ");
            continue;
        }
        base->m_pAnimations[entry] = animation;
        if (entry >= base->m_iNumAnimations)
            base->m_iNumAnimations = entry + 1;
    }
    RelinkAllInstances();
}

void ESkinMeshMgr::LoadAnimationForInstance(ESkinMesh* instance, const char* name)
{
    if (!instance || !instance->m_pBase || !name)
        return;
    ESkinMeshBase* base = instance->m_pBase;
    if (base->FindAnimation(name) >= 0)
        return;
    const std::string folder = base->SideFile("\\animations");
    g_SkinMeshCacheAnimation.LoadAnimation(folder.c_str(), name, &base->m_iNumAnimations, base->m_pAnimations,
                                           MAX_ANIMATIONS_IN_SKINMESHBASE);
    instance->LinkNodes();
    RelinkAllInstances();
}
