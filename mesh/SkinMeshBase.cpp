// A skinned model shared by its instances: loading, bone set-up, side files and destruction.
#include "mesh/SkinMeshBase.h"
#include "mesh/SkinMeshAllocateHierarchy.h"
#include "mesh/SkinMeshCacheAnimation.h"
#include "mesh/SkinMeshMgr.h"

#include "platform/win32/Path.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/FileCache.h"
#include "shell/TextUtils.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr int kSideLineChars = 2000;
constexpr int kVariantRange = 100;
constexpr const char* kSockets = "\\sockets.txt";
constexpr const char* kDescriptions = "\\animations\\animations_desc.txt";
constexpr const char* kCollisions = "\\collisions.txt";
constexpr const char* kPhysics = "\\physics.txt";
constexpr const char* kAnimations = "\\animations";
constexpr const char* kDeathFiles[] = {"\\death\\particles.txt", "\\death\\distance_constraints.txt",
                                       "\\death\\selfcollision_constraints.txt"};

void NumberFrames(D3DXFRAME_DERIVED* frame, DWORD* counter)
{
    // A frame, then its sibling chain, then its children: the order every instance's nodes follow.
    while (frame)
    {
        frame->iFrameIdx = static_cast<int>((*counter)++);
        if (frame->pFrameFirstChild)
        {
            // Siblings first: number the rest of this chain before descending.
            D3DXFRAME_DERIVED* next = static_cast<D3DXFRAME_DERIVED*>(frame->pFrameSibling);
            NumberFrames(next, counter);
            NumberFrames(static_cast<D3DXFRAME_DERIVED*>(frame->pFrameFirstChild), counter);
            return;
        }
        frame = static_cast<D3DXFRAME_DERIVED*>(frame->pFrameSibling);
    }
}

void Collect(D3DXFRAME_DERIVED* frame, std::vector<D3DXFRAME_DERIVED*>* frames)
{
    for (; frame; frame = static_cast<D3DXFRAME_DERIVED*>(frame->pFrameSibling))
    {
        if (frame->iFrameIdx >= 0 && static_cast<size_t>(frame->iFrameIdx) < frames->size())
            (*frames)[frame->iFrameIdx] = frame;
        Collect(static_cast<D3DXFRAME_DERIVED*>(frame->pFrameFirstChild), frames);
    }
}

DWORD CountFrames(const D3DXFRAME* frame)
{
    DWORD n = 0;
    for (; frame; frame = frame->pFrameSibling)
        n += 1 + CountFrames(frame->pFrameFirstChild);
    return n;
}
} // namespace

void CollectFrames(D3DXFRAME_DERIVED* root, std::vector<D3DXFRAME_DERIVED*>* frames)
{
    frames->assign(CountFrames(root), nullptr);
    Collect(root, frames);
}

ESkinMeshBase::ESkinMeshBase() = default;

ESkinMeshBase::~ESkinMeshBase()
{
    Destroy();
    // A base whose creation failed still frees what it loaded.
    FreeHierarchy();
}

std::string ESkinMeshBase::SideFile(const char* relative) const
{
    return std::string(m_szFolder) + relative;
}

bool ESkinMeshBase::SetupBoneMatrixPointers(D3DXFRAME_DERIVED* frame)
{
    for (; frame; frame = static_cast<D3DXFRAME_DERIVED*>(frame->pFrameSibling))
    {
        for (D3DXMESHCONTAINER* m = frame->pMeshContainer; m; m = m->pNextMeshContainer)
        {
            auto* c = static_cast<D3DXMESHCONTAINER_DERIVED*>(m);
            if (!c->pSkinInfo)
                continue;
            const DWORD bones = c->pSkinInfo->GetNumBones();
            delete[] c->tBonesIndexes;
            c->tBonesIndexes = new int[bones ? bones : 1]();
            for (DWORD b = 0; b < bones; ++b)
            {
                if (c->bRigid)
                {
                    c->tBonesIndexes[b] = frame->iFrameIdx;
                    continue;
                }
                const char* bone = c->pSkinInfo->GetBoneName(b);
                auto* driver = static_cast<D3DXFRAME_DERIVED*>(D3DXFrameFind(m_pFrameRoot, bone));
                if (!driver)
                {
                    g_Console.Print(" ");
                    g_Console.Print("ERROR in SkinMeshBase: Frame Not Found! Bad Bone Name:");
                    g_Console.Print(bone ? bone : "");
                    return false;
                }
                c->tBonesIndexes[b] = driver->iFrameIdx;
            }
        }
        if (!SetupBoneMatrixPointers(static_cast<D3DXFRAME_DERIVED*>(frame->pFrameFirstChild)))
            return false;
    }
    return true;
}

void ESkinMeshBase::FreeHierarchy()
{
    if (m_pFrameRoot)
    {
        ESkinMeshAllocateHierarchy alloc(nullptr);
        D3DXFrameDestroy(m_pFrameRoot, &alloc);
        m_pFrameRoot = nullptr;
    }
    if (m_pAnimController)
    {
        m_pAnimController->Release();
        m_pAnimController = nullptr;
    }
}

bool ESkinMeshBase::Create(const char* path)
{
    if (m_bCreated || !path)
        return false;
    m_bCreated = 0;
    std::snprintf(m_szPath, sizeof m_szPath, "%s", path);
    const char* slash = std::strrchr(m_szPath, '\\');
    std::snprintf(m_szFileName, sizeof m_szFileName, "%s", slash ? slash + 1 : m_szPath);
    if (slash)
        std::snprintf(m_szFolder, sizeof m_szFolder, "%.*s", static_cast<int>(slash - m_szPath), m_szPath);
    else
        std::snprintf(m_szFolder, sizeof m_szFolder, "%s", m_szPath);

    char line[ESkinMeshBase::PATH_SIZE + 128];
    {
        // The model is read by its whole path: the process's current folder is never changed.
        ESkinMeshAllocateHierarchy alloc(this);
        D3DXFRAME* root = nullptr;
        const HRESULT hr = D3DXLoadMeshHierarchyFromX(m_szPath, D3DXMESH_MANAGED, g_pD3DInterface, &alloc,
                                                      nullptr, &root, &m_pAnimController);
        m_pFrameRoot = static_cast<D3DXFRAME_DERIVED*>(root);
        if (FAILED(hr))
        {
            std::snprintf(line, sizeof line, "D3DXLoadMeshHierarchyFromX failed, File=%s", m_szFileName);
            g_Console.Print(line);
            FreeHierarchy();
            return false;
        }
        if (!m_pFrameRoot)
        {
            std::snprintf(line, sizeof line, "ERROR in ESkinMeshBase::Create(): m_pFrameRoot==NULL, File=%s",
                          m_szFileName);
            g_Console.Print(line);
            FreeHierarchy();
            return false;
        }
    }
    m_iFrameCounter = 0;
    NumberFrames(m_pFrameRoot, &m_iFrameCounter);
    if (!SetupBoneMatrixPointers(m_pFrameRoot))
    {
        std::snprintf(line, sizeof line, "SetupBoneMatrixPointers failed, File=%s", m_szFileName);
        g_Console.Print(line);
        FreeHierarchy();
        return false;
    }
    m_iReferenceCount = 1;
    m_bCreated = 1;
    if (m_pAnimController)
    {
        m_pAnimController->Release();
        m_pAnimController = nullptr;
    }
    g_FileCache.AddToCache(SideFile(kDescriptions).c_str());
    g_FileCache.AddToCache(SideFile(kSockets).c_str());

    m_iNumAnimations = 0;
    for (int i = 0; i < g_SkinMeshMgr.m_iNumCommonAnimations && g_SkinMeshMgr.m_pCommonAnimations[i]; ++i)
        m_pAnimations[m_iNumAnimations++] = g_SkinMeshMgr.m_pCommonAnimations[i];

    m_szDefaultAnimation[0] = 0;
    m_szAnimationNames.clear();
    g_SkinMeshCacheAnimation.ListAnimationNames(SideFile(kAnimations).c_str(), &m_szAnimationNames);
    std::snprintf(m_szDefaultAnimation, sizeof m_szDefaultAnimation, "%s",
                  g_SkinMeshCacheAnimation.m_szDefaultName);
    for (size_t i = 0; i < m_szAnimationNames.size(); ++i)
    {
        for (size_t j = i + 1; j < m_szAnimationNames.size(); ++j)
            if (CompareNoCase(m_szAnimationNames[i].c_str(), m_szAnimationNames[j].c_str()) == 0)
            {
                g_Console.Print(" ");
                g_Console.Print("ERROR: Two animations with the same name!!!");
                g_Console.Print2("Duplicated name: ", m_szAnimationNames[i].c_str());
                g_Console.Print2("Skinmesh: ", m_szFileName);
                g_Console.Print(" ");
            }
        if (g_SkinMeshMgr.IsCommonName(m_szAnimationNames[i].c_str()))
        {
            g_Console.Print(" ");
            g_Console.Print("ERROR: Animation's name conflict with common animation!!!");
            g_Console.Print2("Duplicated name: ", m_szAnimationNames[i].c_str());
            g_Console.Print2("Skinmesh: ", m_szFileName);
            g_Console.Print(" ");
        }
    }

    ReadDescriptions();
    ReadSockets();
    ReadHitZones();
    g_FileCache.RemoveFromCache(SideFile(kDescriptions).c_str());
    for (const char* death : kDeathFiles)
        g_FileCache.AddToCache(SideFile(death).c_str());
    for (int& counter : m_iTextureVariantCounters)
        counter = std::rand() % kVariantRange;
    return true;
}

void ESkinMeshBase::ReadDescriptions()
{
    strCachedFile* file = g_FileCache.Open(SideFile(kDescriptions).c_str());
    if (!file)
        return;
    static char line[kSideLineChars + 1];
    while (!g_FileCache.Eof(file) && m_Descriptions.size() < MAX_ANIMATIONS_IN_SKINMESHBASE)
    {
        g_FileCache.ReadLine(file, line, kSideLineChars);
        const char* name = GetToken(line, 0);
        if (!name[0])
            continue;
        strAnimationDesc desc;
        std::snprintf(desc.szName, sizeof desc.szName, "%s", name);
        desc.Params.ParseWords(line, 1);
        m_Descriptions.push_back(desc);
    }
    g_FileCache.Close(file);
}

void ESkinMeshBase::ReadSockets()
{
    strCachedFile* file = g_FileCache.Open(SideFile(kSockets).c_str());
    if (!file)
        return;
    static char line[kSideLineChars + 1];
    while (!g_FileCache.Eof(file))
    {
        g_FileCache.ReadLine(file, line, kSideLineChars);
        strSkinMeshSocket socket;
        // Both names are cut to their fields.
        std::snprintf(socket.szName, sizeof socket.szName, "%s", GetToken(line, 0));
        if (!socket.szName[0])
            continue;
        std::snprintf(socket.szNodeName, sizeof socket.szNodeName, "%s", GetToken(line, 1));
        float* fields[] = {&socket.vOffset.x, &socket.vOffset.y, &socket.vOffset.z,
                           &socket.vAngles.x, &socket.vAngles.y, &socket.vAngles.z};
        int word = 2;
        for (float* f : fields)
            *f = static_cast<float>(std::strtod(GetToken(line, word++), nullptr));
        AddSocket(socket);
    }
    g_FileCache.Close(file);
}

void ESkinMeshBase::ReadHitZones()
{
    if (!ESkinMeshCollision::ReadCollisions(SideFile(kCollisions).c_str(), &m_Collisions, m_szFileName))
        ESkinMeshCollision::ReadPhysics(SideFile(kPhysics).c_str(), &m_Collisions);
}

void ESkinMeshBase::Destroy()
{
    if (!m_bCreated)
        return;
    if (m_iReferenceCount > 1)
    {
        char line[FILE_NAME_SIZE + 128];
        std::snprintf(line, sizeof line,
                      "ERROR in ESkinMeshBase::Destroy(): You are trying to delete SkinMeshBase: %s with "
                      "m_iReferenceCount>1",
                      m_szFileName);
        g_Console.Print(line);
        return;
    }
    FreeHierarchy();
    for (int i = 0; i < m_iNumAnimations; ++i)
    {
        if (m_pAnimations[i] && !m_pAnimations[i]->bCommon)
            delete m_pAnimations[i];
        m_pAnimations[i] = nullptr;
    }
    m_iNumAnimations = 0;
    m_szAnimationNames.clear();
    m_Descriptions.clear();
    RemoveAllSockets();
    ESkinMeshCollision::ReleaseElements(&m_Collisions);
    for (const char* death : kDeathFiles)
        g_FileCache.RemoveFromCache(SideFile(death).c_str());
    g_FileCache.RemoveFromCache(SideFile(kSockets).c_str());
    m_bCreated = 0;
}

void ESkinMeshBase::AddSocket(const strSkinMeshSocket& socket)
{
    auto* copy = new strSkinMeshSocket(socket);
    copy->iNode = -1;
    copy->pNext = m_pSockets;
    m_pSockets = copy;
}

void ESkinMeshBase::RemoveSocket(const char* name)
{
    for (strSkinMeshSocket** at = &m_pSockets; *at; at = &(*at)->pNext)
        if (CompareNoCase((*at)->szName, name) == 0)
        {
            strSkinMeshSocket* gone = *at;
            *at = gone->pNext;
            delete gone;
            return;
        }
}

void ESkinMeshBase::RemoveAllSockets()
{
    while (m_pSockets)
    {
        strSkinMeshSocket* next = m_pSockets->pNext;
        delete m_pSockets;
        m_pSockets = next;
    }
}

int ESkinMeshBase::FindAnimation(const char* name) const
{
    if (!name)
        return -1;
    for (int i = 0; i < m_iNumAnimations; ++i)
        if (m_pAnimations[i] && CompareNoCase(m_pAnimations[i]->szName, name) == 0)
            return i;
    return -1;
}

bool ESkinMeshBase::HasAnimationName(const char* name) const
{
    for (const std::string& n : m_szAnimationNames)
        if (CompareNoCase(n.c_str(), name) == 0)
            return true;
    return false;
}
