// A skinned-mesh instance: nodes, animation slots with blends, transforms, sockets, palettes and saves.
#include "mesh/SkinMesh.h"

#include "game/MainGame.h"
#include "mesh/SkinMeshMgr.h"

#include "platform/win32/Path.h"
#include "render/EffectMgr.h"
#include "render/Renderer.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/RecordBytes.h"
#include "shell/SaveFile.h"
#include "shell/TextUtils.h"
#include "ui/Menu.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr float kDegToRad = 3.1415927f / 180.0f;
constexpr float kHeadTurn = 3.1415f;
const D3DXVECTOR3 kHeadTranslation(3.4662719f, 0.00490125f, -0.490605f);
constexpr int kSlotOrder[] = {2, 1, 3};
constexpr const char* kLowPolySuffix = "_lowpoly.x";

// Offsets of the saved record.
constexpr size_t kSaveFrameTime = 0, kSaveTrunk = 4, kSaveReserved = 52, kSaveSlots = 180,
                 kSavePosition = 1076, kSaveOrientation = 1088, kSaveScale = 1204, kSaveCreated = 1216,
                 kSaveRadius = 1217, kSaveCameraDistance = 1221, kSaveSpare = 1225, kSaveSpareVector = 1229,
                 kSaveBoxMin = 1241, kSaveBoxMax = 1253, kSaveVisible = 1265, kSaveFlags = 1266,
                 kSaveFlags2 = 1270, kSaveWorld = 1274, kSaveStates = 1338, kSaveReservedFlag = 1354,
                 kSaveReservedFlag2 = 1355, kSaveLowPoly = 1356, kSaveTrunkFlag = 1357, kSaveTimeScale = 1358,
                 kSaveBindPose = 1366;
constexpr size_t kNodeReference = 0, kNodeAxis = 48, kNodeReferenceFlag = 52, kNodeReferenceMatrices = 53,
                 kNodeBlendStart = 245, kNodeBlendTarget = 285, kNodeLocal = 325, kNodeWorld = 389,
                 kNodePose = 453;
constexpr size_t kVec3 = 12, kQuat = 16, kMatrix = 64, kF64 = 8, kU32 = 4;

void PutMatrix(RecordOut& out, size_t at, const D3DXMATRIX& m)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out.F32(at + kU32 * (4 * r + c), m.m[r][c]);
}

D3DXMATRIX GetMatrix(const RecordIn& in, size_t at)
{
    D3DXMATRIX m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m.m[r][c] = in.F32(at + kU32 * (4 * r + c));
    return m;
}

void PutPose(RecordOut& out, size_t at, const D3DXVECTOR3& t, const D3DXQUATERNION& r, const D3DXVECTOR3& s)
{
    out.Vec3(at, t);
    out.Quat(at + kVec3, r);
    out.Vec3(at + kVec3 + kQuat, s);
}

void GetPose(const RecordIn& in, size_t at, D3DXVECTOR3* t, D3DXQUATERNION* r, D3DXVECTOR3* s)
{
    *t = in.Vec3(at);
    *r = in.Quat(at + kVec3);
    *s = in.Vec3(at + kVec3 + kQuat);
}

// The distance from the position to the farther corner of the box.
// The distance from the position to the farthest corner of the box. The two
// corners lo and hi alone fall short when the position is near lo on one axis
// and near hi on another, and segment tests would then miss zones in the
// corners they leave out.
float BoxRadius(const D3DXVECTOR3& lo, const D3DXVECTOR3& hi, const D3DXVECTOR3& position)
{
    const D3DXVECTOR3 a = lo - position, b = hi - position;
    const D3DXVECTOR3 far(std::max(std::fabs(a.x), std::fabs(b.x)), std::max(std::fabs(a.y), std::fabs(b.y)),
                          std::max(std::fabs(a.z), std::fabs(b.z)));
    return D3DXVec3Length(&far);
}

D3DXMATRIX Compose(const D3DXVECTOR3& t, const D3DXQUATERNION& r, const D3DXVECTOR3& s)
{
    D3DXMATRIX m;
    D3DXMatrixTransformation(&m, nullptr, nullptr, &s, nullptr, &r, &t);
    return m;
}
} // namespace

ESkinMesh::ESkinMesh()
{
    D3DXMatrixIdentity(&m_mWorld);
    ResetSlots();
}

ESkinMesh::~ESkinMesh()
{
    Destroy();
}

// ---- Creation --------------------------------------------------------------------------------------

bool ESkinMesh::Create(const char* path)
{
    if (m_bCreated || !path)
        return false;
    m_fCountdown = 0.0f;
    if (!g_SkinMeshMgr.LoadSkinMesh(path, this, false) || !m_pBase)
    {
        char line[ESkinMeshBase::PATH_SIZE + 64];
        std::snprintf(line, sizeof line, "ERROR in ESkinMesh::Create(): skin mesh=%s loading error!", path);
        g_Console.Print(line);
        return false;
    }
    if (!FillNodes())
    {
        char line[ESkinMeshBase::PATH_SIZE + 96];
        std::snprintf(line, sizeof line,
                      "ERROR in ESkinMesh::Create(): m_iNumNodes==0 - Nie ma Nodesow..., file=%s", path);
        g_Console.Print(line);
        g_SkinMeshMgr.ReleaseSkinMesh(m_pBase);
        m_pBase = nullptr;
        return false;
    }
    SetMasks();
    BuildMeshRecords();
    LinkNodes();
    ResetSlots();
    D3DXMatrixIdentity(&m_mWorld);
    ESkinMeshCollision::BindInstance(this);
    UpdateNodeTransforms();
    FindNamedBones();
    m_iHeadNode = NamedBone("Bip01_Head");
    m_bCreated = 1;
    CopySockets();

    for (int i = 0; i < m_pBase->m_iNumAnimations; ++i)
        if (m_pBase->m_pAnimations[i] && m_pBase->m_pAnimations[i]->bDefault)
        {
            SetAnimationNoBlend(m_pBase->m_pAnimations[i]->szName, 1);
            break;
        }
    if (m_pBase->m_szDefaultAnimation[0])
        SetAnimationNoBlend(m_pBase->m_szDefaultAnimation, 1);

    AssignTextures();

    const std::string lowPoly = std::string(path) + kLowPolySuffix;
    if (FILE* f = TkFopen(lowPoly.c_str(), "rb"))
    {
        std::fclose(f);
        char line[ESkinMeshBase::PATH_SIZE + 96];
        if (!g_SkinMeshMgr.LoadSkinMesh(lowPoly.c_str(), this, true))
        {
            std::snprintf(line, sizeof line,
                          "ERROR in ESkinMesh::Create(): LOW POLY skin mesh=%s loading error 1",
                          lowPoly.c_str());
            g_Console.Print(line);
            m_bLowPolyDrawing = 0;
        }
        else if (!m_pBaseLowPoly)
        {
            std::snprintf(line, sizeof line,
                          "ERROR in ESkinMesh::Create(): LOW POLY skin mesh=%s loading error 2",
                          lowPoly.c_str());
            g_Console.Print(line);
            m_bLowPolyDrawing = 0;
        }
        else
        {
            std::vector<D3DXFRAME_DERIVED*> frames;
            CollectFrames(m_pBaseLowPoly->m_pFrameRoot, &frames);
            m_LowPolyNodes.assign(frames.size(), -1);
            for (D3DXFRAME_DERIVED* frame : frames)
            {
                const int node = frame ? FindNode(frame->Name) : -1;
                if (node < 0)
                {
                    g_Console.Print("WARNING #1 in ESkinMesh::FillNodesTableLowPoly():");
                    g_Console.Print("Niezgodnosc szkieletow pomiedzy wersja high i low poly !!!");
                    g_Console.Print("Sprobuje to naprawic, ale skutek nieznany!");
                    g_Console.Print2("Low Poly Frame Name: ", frame && frame->Name ? frame->Name : "");
                    continue;
                }
                m_pNodes[node].pFrameLowPoly = frame;
                m_pNodes[node].pMeshContainerLowPoly =
                    static_cast<D3DXMESHCONTAINER_DERIVED*>(frame->pMeshContainer);
                if (frame->iFrameIdx >= 0 && static_cast<size_t>(frame->iFrameIdx) < m_LowPolyNodes.size())
                    m_LowPolyNodes[frame->iFrameIdx] = node;
            }
            int counter = 0;
            BuildLowPolyRecords(&counter);
            // A model with a low-poly version is drawn as that version.
            m_bLowPolyDrawing = m_pMeshes_LowPoly.empty() ? 0 : 1;
        }
    }
    return true;
}

bool ESkinMesh::FillNodes()
{
    std::vector<D3DXFRAME_DERIVED*> frames;
    CollectFrames(m_pBase->m_pFrameRoot, &frames);
    m_pNodes.assign(frames.size(), strSkinNode());
    if (frames.empty())
        return false;
    // Parents come from a walk of the hierarchy; indices are the frames' own numbers.
    struct Walker
    {
        std::vector<strSkinNode>& nodes;
        void Walk(D3DXFRAME_DERIVED* frame, int parent, int depth)
        {
            for (; frame; frame = static_cast<D3DXFRAME_DERIVED*>(frame->pFrameSibling))
            {
                const int i = frame->iFrameIdx;
                strSkinNode& node = nodes[i];
                std::snprintf(node.szName, sizeof node.szName, "%s", frame->Name ? frame->Name : "");
                node.iIndex = i;
                node.iParent = parent;
                node.iDepth = depth;
                node.pFrame = frame;
                node.pMeshContainer = static_cast<D3DXMESHCONTAINER_DERIVED*>(frame->pMeshContainer);
                if (frame->pMeshContainer && frame->pMeshContainer->pNextMeshContainer)
                    g_Console.Print(
                        "Dziwna sprawa w ESkinMesh::FillNodesTable(): pNextMeshContainer nie jest NULL...");
                node.iNextSibling = frame->pFrameSibling
                                        ? static_cast<D3DXFRAME_DERIVED*>(frame->pFrameSibling)->iFrameIdx
                                        : -1;
                node.iFirstChild = frame->pFrameFirstChild
                                       ? static_cast<D3DXFRAME_DERIVED*>(frame->pFrameFirstChild)->iFrameIdx
                                       : -1;
                node.mBind = frame->TransformationMatrix;
                node.mLocal = frame->TransformationMatrix;
                D3DXMatrixIdentity(&node.mWorld);
                for (D3DXMATRIX& m : node.mReference)
                    D3DXMatrixIdentity(&m);
                if (parent >= 0)
                    ++nodes[parent].iNumChildren;
                Walk(static_cast<D3DXFRAME_DERIVED*>(frame->pFrameFirstChild), i, depth + 1);
            }
        }
    } walker{m_pNodes};
    walker.Walk(m_pBase->m_pFrameRoot, -1, 0);
    return true;
}

void ESkinMesh::SetMasks()
{
    // Applies fn to the node, its later siblings and all their descendants.
    auto fromNode = [this](int start, auto&& fn)
    {
        auto subtree = [this, &fn](int n, auto&& self) -> void
        {
            for (int c = m_pNodes[n].iFirstChild; c >= 0; c = m_pNodes[c].iNextSibling)
            {
                fn(m_pNodes[c]);
                self(c, self);
            }
        };
        for (int n = start; n >= 0; n = m_pNodes[n].iNextSibling)
        {
            fn(m_pNodes[n]);
            subtree(n, subtree);
        }
    };
    for (strSkinNode& node : m_pNodes)
    {
        node.bMask[0] = 0;
        node.bMask[1] = node.iParent >= 0 ? 1 : 0;
        node.bMask[2] = 0;
    }
    if (const int spine = FindNode("Bip01_Spine1"); spine >= 0)
    {
        m_pNodes[spine].bMask[0] = 1;
        m_pNodes[spine].bMask[1] = 0;
    }
    fromNode(FindNode("Bip01_Neck"),
             [](strSkinNode& n)
             {
                 n.bMask[0] = 1;
                 n.bMask[1] = 0;
             });
    fromNode(FindNode("Bip01_HeadNub"), [](strSkinNode& n) { n.bMask[2] = 1; });
    fromNode(FindNode("Bip01_L_UpperArm"), [](strSkinNode& n) { n.bMask[2] = 0; });
    fromNode(FindNode("Bip01_R_UpperArm"), [](strSkinNode& n) { n.bMask[2] = 0; });
}

namespace
{
// One record of a node's container with identity palettes for its first groups.
strSkinMeshRecord MeshRecord(DWORD node, D3DXMESHCONTAINER_DERIVED* c)
{
    strSkinMeshRecord record;
    record.iNode = node;
    record.pMeshContainer = c;
    DWORD groups = c->NumAttributeGroups;
    if (groups > MAX_NUM_ATTRIBUTE_GROUPS)
    {
        // Only the first groups get palettes and are drawn.
        g_Console.Print("ERROR in SkinMesh: MAX_NUM_ATTRIBUTE_GROUPS exceeded!");
        groups = MAX_NUM_ATTRIBUTE_GROUPS;
    }
    record.iNumPalettes = groups;
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (DWORD g = 0; g < groups; ++g)
        record.pBoneMatrices[g].assign(c->NumPaletteEntries, identity);
    return record;
}

// Each palette entry: the bone's offset times the world matrix of the node that drives it.
// `nodeOfFrame` maps the container's frame indexes to nodes when they are another model's.
void ComputePalettes(std::vector<strSkinMeshRecord>& records, const std::vector<strSkinNode>& nodes,
                     const std::vector<int>* nodeOfFrame)
{
    for (strSkinMeshRecord& record : records)
    {
        const D3DXMESHCONTAINER_DERIVED* c = record.pMeshContainer;
        if (!c || !c->pBoneCombination || !c->tBonesIndexes)
            continue;
        for (DWORD g = 0; g < record.iNumPalettes; ++g)
        {
            const D3DXBONECOMBINATION& combination = c->pBoneCombination[g];
            for (DWORD p = 0; p < c->NumPaletteEntries && p < record.pBoneMatrices[g].size(); ++p)
            {
                const DWORD bone = combination.BoneId[p];
                if (bone >= c->NumBones)
                    continue;
                int node = c->tBonesIndexes[bone];
                if (nodeOfFrame)
                    node = node >= 0 && static_cast<size_t>(node) < nodeOfFrame->size() ? (*nodeOfFrame)[node]
                                                                                        : -1;
                if (node < 0 || static_cast<size_t>(node) >= nodes.size())
                    continue;
                D3DXMatrixMultiply(&record.pBoneMatrices[g][p], &c->pBoneOffsetMatrices[bone],
                                   &nodes[node].mWorld);
            }
        }
    }
}
} // namespace

void ESkinMesh::BuildMeshRecords()
{
    m_pMeshes.clear();
    for (const strSkinNode& node : m_pNodes)
        if (node.pMeshContainer)
            m_pMeshes.push_back(MeshRecord(static_cast<DWORD>(node.iIndex), node.pMeshContainer));
}

// The low-poly model's skinned containers, on the nodes their frames matched, with their textures
// listed for drawing as the full model's are.
void ESkinMesh::BuildLowPolyRecords(int* textureCounter)
{
    m_pMeshes_LowPoly.clear();
    for (const strSkinNode& node : m_pNodes)
    {
        D3DXMESHCONTAINER_DERIVED* c = node.pMeshContainerLowPoly;
        if (!c || !c->pSkinInfo)
            continue;
        strSkinMeshRecord record = MeshRecord(static_cast<DWORD>(node.iIndex), c);
        record.pTextureIDs.assign(c->NumMaterials, 0);
        for (DWORD m = 0; m < c->NumMaterials; ++m)
            if (c->pTextureNames && c->pTextureNames[m][0])
                record.pTextureIDs[m] = static_cast<int>(g_Renderer.LoadSkinMeshTextures(
                    ChooseTexture(c->pTextureNames[m], textureCounter), this, m));
        m_pMeshes_LowPoly.push_back(std::move(record));
    }
}

void ESkinMesh::LinkNodes()
{
    for (strSkinNode& node : m_pNodes)
    {
        node.pLink = node.szName[0] ? FindLinkField(node.szName) : nullptr;
        if (node.pLink)
            std::memcpy(node.pLink->bMask, node.bMask, sizeof node.bMask);
    }
}

void ESkinMesh::ResetSlots()
{
    for (int s = 0; s < SKIN_ANIMATION_SLOTS; ++s)
    {
        m_Slots[s] = strAnimationSlot();
        m_Slots[s].iMask = s;
        m_iSlotState[s] = SLOT_IDLE;
    }
}

void ESkinMesh::CopySockets()
{
    strSkinMeshSocket** tail = &m_pSockets;
    for (const strSkinMeshSocket* s = m_pBase->m_pSockets; s; s = s->pNext)
    {
        auto* copy = new strSkinMeshSocket(*s);
        copy->pNext = nullptr;
        copy->iNode = FindNode(copy->szNodeName);
        *tail = copy;
        tail = &copy->pNext;
    }
}

void ESkinMesh::AssignTextures()
{
    int counter = 0;
    for (strSkinNode& node : m_pNodes)
    {
        D3DXMESHCONTAINER_DERIVED* c = node.pMeshContainer;
        if (!c)
            continue;
        node.pTextureIDs.assign(c->NumMaterials, 0);
        if (!c->pSkinInfo)
        {
            g_Console.Print("ERROR in SkinMesh: pMeshContainer->pSkinInfo is NULL!");
            continue;
        }
        for (DWORD m = 0; m < c->NumMaterials; ++m)
        {
            // A material without a texture has nothing to be listed under and is not drawn.
            if (!c->pTextureNames || !c->pTextureNames[m][0])
                continue;
            const char* name = ChooseTexture(c->pTextureNames[m], &counter);
            node.pTextureIDs[m] = static_cast<int>(g_Renderer.LoadSkinMeshTextures(name, this, m));
        }
    }
}

// The texture this instance shows for `name`: the variant it already chose, else one of the
// definition's variants taken from the model's counters (so successive figures cycle through them),
// else the name itself.
const char* ESkinMesh::ChooseTexture(const char* name, int* counter)
{
    for (const auto& s : m_TextureSubstitutions)
        if (CompareNoCase(s.first.c_str(), name) == 0)
            return s.second.c_str();
    const int c = *counter;
    *counter = (c + 1) % TEXTURE_VARIANT_COUNTERS;
    const strtexturesubstitutes* variants = g_Renderer.FindTextureSubstitutes(name);
    if (!variants || !m_pBase || m_TextureSubstitutions.size() >= MAX_TEXTURE_SUBSTITUTIONS)
        return name;
    int& value = m_pBase->m_iTextureVariantCounters[c];
    const DWORD variant = static_cast<DWORD>(value < 0 ? 0 : value) % variants->m_iCount;
    value = static_cast<int>((variant + 1) % variants->m_iCount);
    m_TextureSubstitutions.emplace_back(name, variants->m_szSubstitutes[variant]);
    return m_TextureSubstitutions.back().second.c_str();
}

void ESkinMesh::Render(DWORD texture, DWORD part, EEffect* effect)
{
    if (!m_bCreated || !m_pBase || !g_Options.DrawModels || !effect || !effect->m_pEffect)
        return;
    if (m_hObject && ((m_hObject->dwFlags3 & KIND_NEVER_ANIMATED) ||
                      ((m_hObject->dwFlags3 & KIND_BACKGROUND) && g_Panel.LetterboxOn())))
        return;
    ID3DXEffect* fx = effect->m_pEffect;
    const bool lowPoly = m_bLowPolyDrawing && m_pBaseLowPoly && !m_pMeshes_LowPoly.empty();
    for (const strSkinMeshRecord& record : lowPoly ? m_pMeshes_LowPoly : m_pMeshes)
    {
        const D3DXMESHCONTAINER_DERIVED* c = record.pMeshContainer;
        if (!c || !c->MeshData.pMesh || !c->pBoneCombination || record.iNode >= m_pNodes.size())
            continue;
        const std::vector<int>& textures = lowPoly ? record.pTextureIDs : m_pNodes[record.iNode].pTextureIDs;
        for (DWORD g = 0; g < record.iNumPalettes; ++g)
        {
            const DWORD material = c->pBoneCombination[g].AttribId;
            if (material != part || material >= textures.size() ||
                static_cast<DWORD>(textures[material]) != texture)
                continue;
            const std::vector<D3DXMATRIX>& palette = record.pBoneMatrices[g];
            fx->SetMatrixArray(effect->mWorldMatrixArray, palette.data(), static_cast<UINT>(palette.size()));
            fx->SetInt(effect->CurNumBones, static_cast<int>(c->NumInfl));
            fx->CommitChanges();
            c->MeshData.pMesh->DrawSubset(g);
        }
    }
}

void ESkinMesh::Destroy()
{
    // The renderer's lists must not keep an instance that is going away.
    if (m_bCreated || m_pBase)
        g_Renderer.RemoveSkinMeshTextureRefs(this);
    m_TextureSubstitutions.clear();
    while (m_pSockets)
    {
        strSkinMeshSocket* next = m_pSockets->pNext;
        delete m_pSockets;
        m_pSockets = next;
    }
    ESkinMeshCollision::ReleaseInstance(this);
    m_pMeshes.clear();
    m_pMeshes_LowPoly.clear();
    m_LowPolyNodes.clear();
    m_pNodes.clear();
    m_bCreated = 0;
    if (m_pBase)
        g_SkinMeshMgr.ReleaseSkinMesh(m_pBase);
    if (m_pBaseLowPoly)
        g_SkinMeshMgr.ReleaseSkinMesh(m_pBaseLowPoly);
    m_pBase = nullptr;
    m_pBaseLowPoly = nullptr;
}

// ---- Transform -------------------------------------------------------------------------------------

void ESkinMesh::RebuildWorld()
{
    D3DXMatrixTransformation(&m_mWorld, nullptr, nullptr, &m_vScale, nullptr, &m_Orientation.Quaternion,
                             &m_vPosition);
    ESkinMeshCollision::UpdateInstance(this);
    m_fRadius = BoxRadius(m_vBoxMin, m_vBoxMax, m_vPosition);
    UpdateCameraDistance();
    g_IntersectSegment.RefreshObject(m_hObject);
}

void ESkinMesh::SetPosition(const D3DXVECTOR3* position)
{
    if (!position)
        return;
    m_vPosition = *position;
    RebuildWorld();
}

void ESkinMesh::SetOrientation(const EOrientation* orientation)
{
    if (!orientation)
        return;
    m_Orientation = *orientation;
    RebuildWorld();
}

void ESkinMesh::SetScale(const D3DXVECTOR3* scale)
{
    if (!scale)
        return;
    m_vScale = *scale;
    RebuildWorld();
}

void ESkinMesh::UpdateNodeTransforms()
{
    if (m_pNodes.empty() || !m_pBase)
        return;
    for (strSkinNode& node : m_pNodes)
    {
        if (node.iParent < 0)
            D3DXMatrixMultiply(&node.mWorld, &node.mLocal, &m_mWorld);
        else
            D3DXMatrixMultiply(&node.mWorld, &node.mLocal, &m_pNodes[node.iParent].mWorld);
    }
    ESkinMeshCollision::UpdateInstance(this);
    m_fRadius = BoxRadius(m_vBoxMin, m_vBoxMax, m_vPosition);
    UpdateCameraDistance();
    g_IntersectSegment.RefreshObject(m_hObject);
}

void ESkinMesh::UpdateCameraDistance()
{
    const D3DXVECTOR3 d = m_vPosition - g_Camera.GetPosition();
    m_fCameraDistance = D3DXVec3Length(&d);
}

void ESkinMesh::ComputeBoneMatrices()
{
    if (!m_bCreated)
        return;
    ComputePalettes(m_pMeshes, m_pNodes, nullptr);
    if (!m_pMeshes_LowPoly.empty())
        ComputePalettes(m_pMeshes_LowPoly, m_pNodes, &m_LowPolyNodes);
}

// ---- Nodes and sockets -----------------------------------------------------------------------------

const char* const ESkinMesh::NAMED_BONE_NAMES[NAMED_BONES] = {
    "Bip01",
    "Bip01_Pelvis",
    "Bip01_Spine",
    "Bip01_Spine1",
    "Bip01_Spine2",
    "Bip01_L_Thigh",
    "Bip01_R_Thigh",
    "Bip01_R_Calf",
    "Bip01_R_Foot",
    "Bip01_R_Toe0",
    "Bip01_R_Toe0Nub",
    "Bip01_L_Calf",
    "Bip01_L_Foot",
    "Bip01_L_Toe0",
    "Bip01_L_Toe0Nub",
    "Bip01_Neck",
    "Bip01_Head",
    "Bip01_HeadNub",
    "Bip01_L_Clavicle",
    "Bip01_R_Clavicle",
    "Bip01_R_UpperArm",
    "Bip01_R_Forearm",
    "Bip01_R_Hand",
    "Bip01_L_UpperArm",
    "Bip01_L_Forearm",
    "Bip01_L_Hand",
    "Bip01_R_Finger0",
    "Bip01_R_Finger01",
    "Bip01_R_Finger02",
    "Bip01_R_Finger0Nub",
    "Bip01_R_Finger1",
    "Bip01_R_Finger11",
    "Bip01_R_Finger12",
    "Bip01_R_Finger1Nub",
    "Bip01_R_Finger2",
    "Bip01_R_Finger21",
    "Bip01_R_Finger22",
    "Bip01_R_Finger2Nub",
    "Bip01_L_Finger0",
    "Bip01_L_Finger01",
    "Bip01_L_Finger02",
    "Bip01_L_Finger0Nub",
    "Bip01_L_Finger1",
    "Bip01_L_Finger11",
    "Bip01_L_Finger12",
    "Bip01_L_Finger1Nub",
    "Bip01_L_Finger2",
    "Bip01_L_Finger21",
    "Bip01_L_Finger22",
    "Bip01_L_Finger2Nub",
    "Bip01_L_ForeTwist",
    "Bip01_L_ForeTwist1",
    "Bip01_R_ForeTwist",
    "Bip01_R_ForeTwist1",
};

void ESkinMesh::FindNamedBones()
{
    for (int i = 0; i < NAMED_BONES; ++i)
        m_iNamedBones[i] = FindNode(NAMED_BONE_NAMES[i]);
    const int head = NamedBone("Bip01_Head");
    if (head < 0)
        for (int i = 0; i < NAMED_BONES; ++i)
            if (std::strcmp(NAMED_BONE_NAMES[i], "Bip01_Head") == 0)
                m_iNamedBones[i] = FindNode("Bip01_glowa");
}

int ESkinMesh::NamedBone(const char* name) const
{
    for (int i = 0; name && i < NAMED_BONES; ++i)
        if (CompareNoCase(NAMED_BONE_NAMES[i], name) == 0)
            return m_iNamedBones[i];
    return -1;
}

int ESkinMesh::FindNode(const char* name) const
{
    if (!name || !name[0])
        return -1;
    for (size_t i = 0; i < m_pNodes.size(); ++i)
        if (CompareNoCase(m_pNodes[i].szName, name) == 0)
            return static_cast<int>(i);
    return -1;
}

bool ESkinMesh::GetNodePosition(const char* name, D3DXVECTOR3* out) const
{
    const int node = FindNode(name);
    if (node < 0 || !out)
        return false;
    const D3DXMATRIX& m = m_pNodes[node].mWorld;
    *out = D3DXVECTOR3(m._41, m._42, m._43);
    return true;
}

bool ESkinMesh::GetSocketMatrix(const char* name, D3DXVECTOR3* position, EOrientation* orientation)
{
    strSkinMeshSocket* socket = m_pSockets;
    while (socket && CompareNoCase(socket->szName, name) != 0)
        socket = socket->pNext;
    if (!socket)
        return false;
    if (socket->iNode < 0)
        socket->iNode = FindNode(socket->szNodeName);
    if (socket->iNode < 0)
        return false;
    const D3DXMATRIX& m = m_pNodes[socket->iNode].mWorld;
    if (position)
        D3DXVec3TransformCoord(position, &socket->vOffset, &m);
    if (orientation)
    {
        const D3DXVECTOR3 forward(m._31, m._32, m._33), up(m._21, m._22, m._23);
        EOrientation node;
        node.SetDirectionAndUp(&forward, &up);
        D3DXQUATERNION turn;
        D3DXQuaternionRotationYawPitchRoll(&turn, socket->vAngles.y * kDegToRad,
                                           socket->vAngles.x * kDegToRad, socket->vAngles.z * kDegToRad);
        D3DXQUATERNION q;
        D3DXQuaternionMultiply(&q, &turn, &node.Quaternion);
        orientation->SetQuaternion(&q);
    }
    return true;
}

bool ESkinMesh::GetSocket(const char* name, D3DXMATRIX* out)
{
    D3DXVECTOR3 position;
    EOrientation orientation;
    if (!GetSocketMatrix(name, &position, &orientation))
        return false;
    if (out)
    {
        *out = orientation.Matrix;
        out->_41 = position.x;
        out->_42 = position.y;
        out->_43 = position.z;
        out->_44 = 1.0f;
    }
    return true;
}

// ---- Animation -------------------------------------------------------------------------------------

ESkinMeshAnimation* ESkinMesh::SlotAnimation(int slot) const
{
    const int index = m_Slots[slot].iAnimation;
    if (!m_pBase || index < 0 || index >= m_pBase->m_iNumAnimations)
        return nullptr;
    return m_pBase->m_pAnimations[index];
}

bool ESkinMesh::HasAnimation(const char* name, bool ownOnly) const
{
    if (!m_pBase || !name)
        return false;
    return m_pBase->HasAnimationName(name) || (!ownOnly && g_SkinMeshMgr.IsCommonName(name));
}

int ESkinMesh::ResolveAnimation(const char* name)
{
    if (!m_pBase || !name || !name[0])
        return -1;
    int index = m_pBase->FindAnimation(name);
    if (index >= 0)
        return index;
    if (m_pBase->HasAnimationName(name))
        g_SkinMeshMgr.LoadAnimationForInstance(this, name);
    else if (g_SkinMeshMgr.IsCommonName(name))
        g_SkinMeshMgr.LoadAnimationToCommonCache(name);
    return m_pBase->FindAnimation(name);
}

DWORD ESkinMesh::MarkSlotLinks(int slot)
{
    // One number per sampling pass; 0 means "every record" to the sampler.
    static DWORD s_iPass = 0;
    if (++s_iPass == 0)
        s_iPass = 1;
    for (strSkinNode& node : m_pNodes)
    {
        strLinkField* link = node.pLink;
        if (!link || !InSlot(node, slot))
            continue;
        // The rest pose, for nodes the animation has no track for.
        link->vTranslation = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        D3DXQuaternionIdentity(&link->qRotation);
        link->vScale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
        D3DXMatrixIdentity(&link->mLocal);
        link->iWanted = s_iPass;
    }
    return s_iPass;
}

bool ESkinMesh::InSlot(const strSkinNode& node, int slot) const
{
    return slot == 0 || node.bMask[slot - 1];
}

bool ESkinMesh::StartSlot(int slot, const char* name, BYTE loop, double blendTime, double speed, int state)
{
    const int index = ResolveAnimation(name);
    if (index < 0)
        return false;
    if (slot == 0)
        for (int s = 1; s < SKIN_ANIMATION_SLOTS; ++s)
            m_iSlotState[s] = SLOT_STOPPED;
    strAnimationSlot& s = m_Slots[slot];
    s = strAnimationSlot();
    s.iMask = slot;
    s.iAnimation = index;
    s.bLoop = loop;
    s.dSpeed = speed;
    s.dBlendTime = blendTime;
    s.dBlendRemaining = blendTime;
    std::snprintf(s.szName, sizeof s.szName, "%s", m_pBase->m_pAnimations[index]->szName);
    m_iSlotState[slot] = state;
    if (state == SLOT_BLENDING)
        BeginBlend(slot);
    return true;
}

bool ESkinMesh::SetAnimation(const char* name, BYTE loop, double blendTime, double speed)
{
    return StartSlot(0, name, loop, blendTime, speed, SLOT_BLENDING);
}

bool ESkinMesh::SetAnimationSlot1(const char* name, BYTE loop, double blendTime)
{
    return StartSlot(1, name, loop, blendTime, 1.0, SLOT_BLENDING);
}

bool ESkinMesh::SetAnimationSlot2(const char* name, BYTE loop, double blendTime)
{
    return StartSlot(2, name, loop, blendTime, 1.0, SLOT_BLENDING);
}

bool ESkinMesh::SetAnimationNoBlend(const char* name, BYTE loop)
{
    return StartSlot(0, name, loop, 0.0, 1.0, SLOT_PLAYING);
}

bool ESkinMesh::SetAnimation(int slot, const char* name, BYTE loop, float blendTime, float speed)
{
    switch (slot)
    {
    case 0:
        return SetAnimation(name, loop, blendTime, speed);
    case 1:
        return SetAnimationSlot1(name, loop, blendTime);
    case 2:
        return SetAnimationSlot2(name, loop, blendTime);
    default:
        return false;
    }
}

bool ESkinMesh::CanBeInterrupted() const
{
    switch (m_iSlotState[0])
    {
    case SLOT_PLAYING:
        return m_Slots[0].bEndReached != 0;
    case SLOT_BLENDING:
        return false;
    default:
        return true;
    }
}

double ESkinMesh::GetAnimationTime() const
{
    const ESkinMeshAnimation* animation = SlotAnimation(0);
    if (!animation || animation->Params.dSpeed == 0.0)
        return m_Slots[0].dSampledTime;
    return m_Slots[0].dSampledTime / animation->Params.dSpeed;
}

bool ESkinMesh::HasAnimationWrapped() const
{
    return m_Slots[0].iLoopCounter != m_Slots[0].iPrevLoopCounter;
}

bool ESkinMesh::IsRootMotionAnimation() const
{
    const ESkinMeshAnimation* animation = SlotAnimation(0);
    return animation && animation->Params.bRootMotion;
}

void ESkinMesh::GetRootPosition(D3DXVECTOR3* out) const
{
    if (out)
        *out = m_Slots[0].vRootMotion;
}

void ESkinMesh::BeginBlend(int slot)
{
    ESkinMeshAnimation* animation = SlotAnimation(slot);
    if (!animation)
        return;
    for (strSkinNode& node : m_pNodes)
    {
        node.vBlendStartT = node.vTranslation;
        node.qBlendStartR = node.qRotation;
        node.vBlendStartS = node.vScale;
    }
    strAnimationSlot& s = m_Slots[slot];
    s.dTime = 0.0;
    s.dTimeStep = 0.0;
    ESkinMeshAnimation::Sample(animation, &s, MarkSlotLinks(slot));
    for (strSkinNode& node : m_pNodes)
    {
        if (!InSlot(node, slot))
            continue;
        if (node.pLink)
        {
            node.vBlendTargetT = node.pLink->vTranslation;
            node.qBlendTargetR = node.pLink->qRotation;
            node.vBlendTargetS = node.pLink->vScale;
        }
        else
        {
            node.vBlendTargetT = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
            D3DXQuaternionIdentity(&node.qBlendTargetR);
            node.vBlendTargetS = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
        }
    }
    PoseHook();
}

void ESkinMesh::Advance(int slot)
{
    if (m_iSlotState[slot] != SLOT_BLENDING)
        return;
    strAnimationSlot& s = m_Slots[slot];
    s.dBlendRemaining -= static_cast<double>(g_Options.SkinMeshSpeed) * m_fFrameTime;
    if (s.dBlendRemaining < 0.0)
    {
        m_iSlotState[slot] = SLOT_PLAYING;
        s.dBlendRemaining = 0.0;
        return;
    }
    float w = s.dBlendTime > 0.0 ? static_cast<float>(1.0 - s.dBlendRemaining / s.dBlendTime) : 0.0f;
    w = std::clamp(w, 0.0f, 1.0f);
    for (strSkinNode& node : m_pNodes)
    {
        if (!InSlot(node, slot))
            continue;
        node.vTranslation = node.vBlendStartT + (node.vBlendTargetT - node.vBlendStartT) * w;
        node.vScale = node.vBlendStartS + (node.vBlendTargetS - node.vBlendStartS) * w;
        D3DXQuaternionSlerp(&node.qRotation, &node.qBlendStartR, &node.qBlendTargetR, w);
        node.mLocal = Compose(node.vTranslation, node.qRotation, node.vScale);
    }
    if (slot == 0)
        if (const ESkinMeshAnimation* animation = SlotAnimation(0))
            D3DXMatrixMultiply(&m_pNodes[0].mLocal, &m_pNodes[0].mLocal, &animation->Params.mRootRotation);
    PoseHook();
}

void ESkinMesh::Apply(int slot)
{
    if (m_iSlotState[slot] != SLOT_PLAYING)
        return;
    ESkinMeshAnimation* animation = SlotAnimation(slot);
    if (!animation)
        return;
    strAnimationSlot& s = m_Slots[slot];
    s.dTimeStep = static_cast<double>(m_fFrameTime) * g_Options.SkinMeshSpeed * s.dSpeed * m_dTimeScale *
                  animation->Params.dSpeed;
    s.dTime += s.dTimeStep;
    ESkinMeshAnimation::Sample(animation, &s, MarkSlotLinks(slot));
    for (strSkinNode& node : m_pNodes)
    {
        if (!InSlot(node, slot))
            continue;
        if (node.pLink)
        {
            node.mLocal = node.pLink->mLocal;
            node.vTranslation = node.pLink->vTranslation;
            node.qRotation = node.pLink->qRotation;
            node.vScale = node.pLink->vScale;
        }
        else
        {
            node.vTranslation = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
            D3DXQuaternionIdentity(&node.qRotation);
            node.vScale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
            if (slot == 0 && m_bUseBindPose)
                node.mLocal = node.mBind;
            else
                D3DXMatrixIdentity(&node.mLocal);
        }
    }
    if (slot == 0)
        D3DXMatrixMultiply(&m_pNodes[0].mLocal, &m_pNodes[0].mLocal, &animation->Params.mRootRotation);
    PoseHook();
}

void ESkinMesh::PoseHook()
{
    const ESkinMeshAnimation* animation = SlotAnimation(0);
    if (!animation || !animation->Params.bPose || m_iHeadNode < 0)
        return;
    for (const char* name : {"Bip01_L_Clavicle", "Bip01_R_Clavicle", "Bip01_Neck"})
        if (const int n = NamedBone(name); n >= 0)
            m_pNodes[n].mLocal = m_pNodes[n].mBind;
    // The head keeps its bind orientation turned half about X, so it holds still against the neck.
    strSkinNode& head = m_pNodes[m_iHeadNode];
    D3DXMATRIX turn;
    D3DXMatrixRotationX(&turn, kHeadTurn);
    D3DXMATRIX rotation = head.mBind;
    rotation._41 = rotation._42 = rotation._43 = 0.0f;
    D3DXMatrixMultiply(&head.mLocal, &rotation, &turn);
    head.mLocal._41 = kHeadTranslation.x;
    head.mLocal._42 = kHeadTranslation.y;
    head.mLocal._43 = kHeadTranslation.z;
}

void ESkinMesh::Update(float frameTime)
{
    if (!m_bCreated || !g_Options.UpdateModels)
        return;
    m_fFrameTime = frameTime;
    m_fCountdown -= frameTime;
    UpdateCameraDistance();
    if (m_hObject)
    {
        m_dwOwnerFlags = m_hObject->dwFlags;
        m_dwOwnerFlags2 = m_hObject->dwFlags2;
        if (m_hObject->dwFlags3 & KIND_NEVER_ANIMATED)
            return;
        // Background figures stop moving once the level has settled, and while the menu is open.
        if ((m_hObject->dwFlags3 & KIND_BACKGROUND) && !(m_hObject->dwFlags & 1) &&
            (g_MainGame.m_iLevelFrame > BACKGROUND_FRAMES || g_Menu.m_bMenuActive))
        {
            UpdateNodeTransforms();
            return;
        }
    }
    Advance(0);
    Apply(0);
    for (int slot : kSlotOrder)
        if (m_iSlotState[slot] != SLOT_IDLE && m_iSlotState[slot] != SLOT_STOPPED)
        {
            Advance(slot);
            Apply(slot);
        }
    UpdateNodeTransforms();
}

// ---- Saves -----------------------------------------------------------------------------------------

bool ESkinMesh::SaveState(FILE* file)
{
    if (!file)
        return false;
    std::vector<BYTE> bytes(SAVED_HEADER_SIZE + m_pNodes.size() * SAVED_NODE_SIZE);
    RecordOut out(bytes.data(), SAVED_HEADER_SIZE);
    out.F32(kSaveFrameTime, m_fFrameTime);
    for (int i = 0; i < 6; ++i)
        out.F64(kSaveTrunk + kF64 * i, m_dTrunkTurn[i]);
    for (int i = 0; i < 16; ++i)
        out.F64(kSaveReserved + kF64 * i, m_dReserved[i]);
    for (int s = 0; s < SKIN_ANIMATION_SLOTS; ++s)
        m_Slots[s].Save(bytes.data() + kSaveSlots + s * strAnimationSlot::SAVED_SIZE);
    out.Vec3(kSavePosition, m_vPosition);
    out.Orientation(kSaveOrientation, m_Orientation);
    out.Vec3(kSaveScale, m_vScale);
    out.U8(kSaveCreated, m_bCreated);
    out.F32(kSaveRadius, m_fRadius);
    out.F32(kSaveCameraDistance, m_fCameraDistance);
    out.F32(kSaveSpare, m_fSpare);
    out.Vec3(kSaveSpareVector, m_vSpare);
    out.Vec3(kSaveBoxMin, m_vBoxMin);
    out.Vec3(kSaveBoxMax, m_vBoxMax);
    out.U8(kSaveVisible, m_bVisible);
    out.U32(kSaveFlags, m_dwOwnerFlags);
    out.U32(kSaveFlags2, m_dwOwnerFlags2);
    PutMatrix(out, kSaveWorld, m_mWorld);
    for (int s = 0; s < SKIN_ANIMATION_SLOTS; ++s)
        out.I32(kSaveStates + kU32 * s, m_iSlotState[s]);
    out.U8(kSaveReservedFlag, m_bReserved);
    out.U8(kSaveReservedFlag2, m_bReserved2);
    out.U8(kSaveLowPoly, m_bLowPolyDrawing);
    out.U8(kSaveTrunkFlag, m_bTrunkTurn);
    out.F64(kSaveTimeScale, m_dTimeScale);
    out.U8(kSaveBindPose, m_bUseBindPose);
    for (size_t i = 0; i < m_pNodes.size(); ++i)
    {
        const strSkinNode& n = m_pNodes[i];
        RecordOut node(bytes.data() + SAVED_HEADER_SIZE + i * SAVED_NODE_SIZE, SAVED_NODE_SIZE);
        for (int v = 0; v < 4; ++v)
            node.Vec3(kNodeReference + kVec3 * v, n.vReference[v]);
        node.U32(kNodeAxis, n.iAxis);
        node.U8(kNodeReferenceFlag, n.bReference);
        for (int m = 0; m < 3; ++m)
            PutMatrix(node, kNodeReferenceMatrices + kMatrix * m, n.mReference[m]);
        PutPose(node, kNodeBlendStart, n.vBlendStartT, n.qBlendStartR, n.vBlendStartS);
        PutPose(node, kNodeBlendTarget, n.vBlendTargetT, n.qBlendTargetR, n.vBlendTargetS);
        PutMatrix(node, kNodeLocal, n.mLocal);
        PutMatrix(node, kNodeWorld, n.mWorld);
        PutPose(node, kNodePose, n.vTranslation, n.qRotation, n.vScale);
    }
    return WriteBytes(file, bytes.data(), static_cast<DWORD>(bytes.size()));
}

bool ESkinMesh::LoadState(FILE* file)
{
    if (!file)
        return false;
    std::vector<BYTE> bytes(SAVED_HEADER_SIZE + m_pNodes.size() * SAVED_NODE_SIZE);
    if (!ReadBytes(file, bytes.data(), static_cast<DWORD>(bytes.size())))
        return false;
    const RecordIn in(bytes.data(), SAVED_HEADER_SIZE);
    m_fFrameTime = in.F32(kSaveFrameTime);
    for (int i = 0; i < 6; ++i)
        m_dTrunkTurn[i] = in.F64(kSaveTrunk + kF64 * i);
    for (int i = 0; i < 16; ++i)
        m_dReserved[i] = in.F64(kSaveReserved + kF64 * i);
    for (int s = 0; s < SKIN_ANIMATION_SLOTS; ++s)
        m_Slots[s].Load(bytes.data() + kSaveSlots + s * strAnimationSlot::SAVED_SIZE);
    m_vPosition = in.Vec3(kSavePosition);
    m_Orientation = in.Orientation(kSaveOrientation);
    m_vScale = in.Vec3(kSaveScale);
    m_fRadius = in.F32(kSaveRadius);
    m_fCameraDistance = in.F32(kSaveCameraDistance);
    m_fSpare = in.F32(kSaveSpare);
    m_vSpare = in.Vec3(kSaveSpareVector);
    m_vBoxMin = in.Vec3(kSaveBoxMin);
    m_vBoxMax = in.Vec3(kSaveBoxMax);
    m_bVisible = in.U8(kSaveVisible);
    m_dwOwnerFlags = in.U32(kSaveFlags);
    m_dwOwnerFlags2 = in.U32(kSaveFlags2);
    m_mWorld = GetMatrix(in, kSaveWorld);
    for (int s = 0; s < SKIN_ANIMATION_SLOTS; ++s)
    {
        const int state = in.I32(kSaveStates + kU32 * s);
        // A state the slots never take reads as idle.
        const bool known =
            state == SLOT_IDLE || state == SLOT_PLAYING || state == SLOT_BLENDING || state == SLOT_STOPPED;
        m_iSlotState[s] = known ? state : SLOT_IDLE;
    }
    m_bReserved = in.U8(kSaveReservedFlag);
    m_bReserved2 = in.U8(kSaveReservedFlag2);
    m_bLowPolyDrawing = in.U8(kSaveLowPoly);
    m_bTrunkTurn = in.U8(kSaveTrunkFlag);
    m_dTimeScale = in.F64(kSaveTimeScale);
    m_bUseBindPose = in.U8(kSaveBindPose);
    for (size_t i = 0; i < m_pNodes.size(); ++i)
    {
        strSkinNode& n = m_pNodes[i];
        const RecordIn node(bytes.data() + SAVED_HEADER_SIZE + i * SAVED_NODE_SIZE, SAVED_NODE_SIZE);
        for (int v = 0; v < 4; ++v)
            n.vReference[v] = node.Vec3(kNodeReference + kVec3 * v);
        n.iAxis = node.U32(kNodeAxis);
        n.bReference = node.U8(kNodeReferenceFlag);
        for (int m = 0; m < 3; ++m)
            n.mReference[m] = GetMatrix(node, kNodeReferenceMatrices + kMatrix * m);
        GetPose(node, kNodeBlendStart, &n.vBlendStartT, &n.qBlendStartR, &n.vBlendStartS);
        GetPose(node, kNodeBlendTarget, &n.vBlendTargetT, &n.qBlendTargetR, &n.vBlendTargetS);
        n.mLocal = GetMatrix(node, kNodeLocal);
        n.mWorld = GetMatrix(node, kNodeWorld);
        GetPose(node, kNodePose, &n.vTranslation, &n.qRotation, &n.vScale);
    }
    // Animations are found again by name: indices of the run that saved mean nothing now.
    for (strAnimationSlot& slot : m_Slots)
    {
        slot.iAnimation = -1;
        if (slot.szName[0])
            slot.iAnimation = ResolveAnimation(slot.szName);
    }
    ESkinMeshCollision::UpdateInstance(this);
    return true;
}

bool ESkinMesh::SkipState(FILE* file)
{
    std::vector<BYTE> header(SAVED_HEADER_SIZE);
    if (file)
        ReadBytes(file, header.data(), static_cast<DWORD>(header.size()));
    g_Console.Print("Load: the skinned state of a missing model cannot be skipped");
    return false;
}
