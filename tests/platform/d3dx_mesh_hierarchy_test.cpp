// Frame hierarchies with skin weights and animation sets, skin information and indexed blended meshes.
#include "platform/d3dx/Frame.h"
#include "platform/d3dx/XMesh.h"

#include "support/HeadlessD3D.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

using namespace tk::xfile;

namespace
{
// Frames and containers on the heap; the container keeps the mesh and skin information it is given.
class Allocator : public ID3DXAllocateHierarchy
{
public:
    HRESULT CreateFrame(LPCSTR name, D3DXFRAME** out) override
    {
        auto* f = new D3DXFRAME();
        f->Name = name ? strdup(name) : nullptr;
        *out = f;
        ++frames;
        return D3D_OK;
    }
    HRESULT CreateMeshContainer(LPCSTR name, const D3DXMESHDATA* data, const D3DXMATERIAL* materials,
                                const D3DXEFFECTINSTANCE*, DWORD count, const DWORD* adjacency,
                                ID3DXSkinInfo* skin, D3DXMESHCONTAINER** out) override
    {
        if (failContainers)
            return E_FAIL;
        auto* c = new D3DXMESHCONTAINER();
        c->Name = name ? strdup(name) : nullptr;
        c->MeshData = *data;
        data->pMesh->AddRef();
        c->NumMaterials = count;
        c->pMaterials = new D3DXMATERIAL[count ? count : 1]();
        for (DWORD i = 0; i < count; ++i)
        {
            c->pMaterials[i] = materials[i];
            c->pMaterials[i].pTextureFilename =
                materials[i].pTextureFilename ? strdup(materials[i].pTextureFilename) : nullptr;
        }
        c->pAdjacency = new DWORD[data->pMesh->GetNumFaces() * 3];
        std::memcpy(c->pAdjacency, adjacency, data->pMesh->GetNumFaces() * 3 * sizeof(DWORD));
        c->pSkinInfo = skin;
        if (skin)
            skin->AddRef();
        *out = c;
        ++containers;
        return D3D_OK;
    }
    HRESULT DestroyFrame(D3DXFRAME* f) override
    {
        free(f->Name);
        delete f;
        --frames;
        return D3D_OK;
    }
    HRESULT DestroyMeshContainer(D3DXMESHCONTAINER* c) override
    {
        free(c->Name);
        for (DWORD i = 0; i < c->NumMaterials; ++i)
            free(c->pMaterials[i].pTextureFilename);
        delete[] c->pMaterials;
        delete[] c->pAdjacency;
        c->MeshData.pMesh->Release();
        if (c->pSkinInfo)
            c->pSkinInfo->Release();
        delete c;
        --containers;
        return D3D_OK;
    }

    int frames = 0;
    int containers = 0;
    bool failContainers = false;
};

const char* kModel =
    "xof 0303txt 0032\n"
    "AnimTicksPerSecond { 30; }\n"
    "Frame Root {\n"
    " FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,5,1;; }\n"
    " Frame Arm {\n"
    "  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 2,0,0,1;; }\n"
    "  Mesh ArmMesh { 4; 0;0;0;, 0;1;0;, 1;0;0;, 1;1;0;; 2; 3;0,1,2;, 3;2,1,3;;\n"
    "   MeshMaterialList { 1; 2; 0,0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;;"
    " TextureFilename { \"skin.tga\"; } } }\n"
    "   XSkinMeshHeader { 2; 4; 2; }\n"
    "   SkinWeights { \"Root\"; 2; 0,1; 1.0,0.25; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,-5,1;; }\n"
    "   SkinWeights { \"Arm\"; 3; 1,2,3; 0.75,1.0,1.0; 1,0,0,0,0,1,0,0,0,0,1,0,-2,0,-5,1;; }\n"
    "  }\n"
    "  Frame Hand { }\n"
    " }\n"
    " Frame Leg { }\n"
    "}\n"
    "AnimationSet Walk {\n"
    " Animation { { Arm } AnimationKey { 0; 2; 0;4;1,0,0,0;;, 10;4;0,1,0,0;;; }"
    " AnimationKey { 2; 1; 5;3;1,2,3;;; } }\n"
    "}\n";

class HierarchyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        params = WindowedParams();
        ASSERT_NO_FATAL_FAILURE(CreateHeadlessDevice(params, &d3d, &device));
    }
    void TearDown() override { ReleaseHeadlessDevice(d3d, device); }

    HRESULT Load(const std::string& text, D3DXFRAME** root, ID3DXAnimationController** controller)
    {
        return D3DXLoadMeshHierarchyFromXInMemory(text.data(), static_cast<DWORD>(text.size()),
                                                  D3DXMESH_MANAGED, device, &alloc, nullptr, root,
                                                  controller);
    }

    D3DPRESENT_PARAMETERS params;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    Allocator alloc;
};
} // namespace

TEST_F(HierarchyTest, FramesMeshesSkinAndAnimationsLoad)
{
    D3DXFRAME* root = nullptr;
    ID3DXAnimationController* controller = nullptr;
    ASSERT_EQ(Load(kModel, &root, &controller), D3D_OK);
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->Name, "Root");
    EXPECT_EQ(root->TransformationMatrix._43, 5.0f);
    EXPECT_EQ(alloc.frames, 4);
    EXPECT_EQ(alloc.containers, 1);

    D3DXFRAME* arm = D3DXFrameFind(root, "Arm");
    ASSERT_NE(arm, nullptr);
    EXPECT_EQ(arm->TransformationMatrix._41, 2.0f);
    EXPECT_EQ(D3DXFrameFind(root, "Hand"), arm->pFrameFirstChild);
    EXPECT_STREQ(D3DXFrameFind(root, "Leg")->Name, "Leg");
    EXPECT_EQ(D3DXFrameFind(root, "Nobody"), nullptr);
    EXPECT_EQ(D3DXFrameFind(root, "arm"), nullptr) << "frame names are compared exactly";

    D3DXMESHCONTAINER* c = arm->pMeshContainer;
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->Name, "ArmMesh");
    EXPECT_EQ(c->MeshData.pMesh->GetNumFaces(), 2u);
    ASSERT_EQ(c->NumMaterials, 1u);
    EXPECT_STREQ(c->pMaterials[0].pTextureFilename, "skin.tga");
    EXPECT_EQ(c->pAdjacency[0 * 3 + 1], 1u) << "the two faces share the edge 1-2";
    ID3DXSkinInfo* skin = c->pSkinInfo;
    ASSERT_NE(skin, nullptr);
    ASSERT_EQ(skin->GetNumBones(), 2u);
    EXPECT_STREQ(skin->GetBoneName(0), "Root");
    EXPECT_STREQ(skin->GetBoneName(1), "Arm");
    EXPECT_EQ(skin->GetBoneOffsetMatrix(1)->_41, -2.0f);
    ASSERT_EQ(skin->GetNumBoneInfluences(1), 3u);
    DWORD vertices[3];
    float weights[3];
    ASSERT_EQ(skin->GetBoneInfluence(1, vertices, weights), D3D_OK);
    EXPECT_EQ(vertices[0], 1u);
    EXPECT_EQ(weights[0], 0.75f);
    DWORD most = 0;
    skin->GetMaxVertexInfluences(&most);
    EXPECT_EQ(most, 2u);

    ASSERT_NE(controller, nullptr);
    ASSERT_EQ(controller->GetNumAnimationSets(), 1u);
    ID3DXAnimationSet* walk = nullptr;
    ASSERT_EQ(controller->GetAnimationSetByName("Walk", &walk), D3D_OK);
    EXPECT_EQ(walk->GetSourceTicksPerSecond(), 30.0);
    ASSERT_EQ(walk->GetNumAnimations(), 1u);
    LPCSTR target = nullptr;
    walk->GetAnimationNameByIndex(0, &target);
    EXPECT_STREQ(target, "Arm");
    EXPECT_EQ(walk->GetNumKeys(0, D3DXKEY_ROTATION), 2u);
    DWORD time = 0;
    float q[4];
    ASSERT_EQ(walk->GetKey(0, D3DXKEY_ROTATION, 1, &time, q), D3D_OK);
    EXPECT_EQ(time, 10u);
    EXPECT_EQ(q[1], 1.0f);
    float p[3];
    ASSERT_EQ(walk->GetKey(0, D3DXKEY_POSITION, 0, &time, p), D3D_OK);
    EXPECT_EQ(p[2], 3.0f);
    walk->Release();
    controller->Release();

    ASSERT_EQ(D3DXFrameDestroy(root, &alloc), D3D_OK);
    EXPECT_EQ(alloc.frames, 0);
    EXPECT_EQ(alloc.containers, 0);
}

TEST_F(HierarchyTest, FailuresLeaveNothingBehind)
{
    D3DXFRAME* root = nullptr;
    ID3DXAnimationController* controller = nullptr;
    alloc.failContainers = true;
    EXPECT_EQ(Load(kModel, &root, &controller), E_FAIL);
    EXPECT_EQ(root, nullptr);
    EXPECT_EQ(controller, nullptr);
    EXPECT_EQ(alloc.frames, 0) << "frames built before the failure are destroyed";
    alloc.failContainers = false;

    std::string damaged = kModel;
    damaged.replace(damaged.find("3;2,1,3;"), 8, "3;2,1,9;");
    EXPECT_EQ(Load(damaged, &root, &controller), D3DXERR_INVALIDDATA);
    std::string badKey = kModel;
    badKey.replace(badKey.find("5;3;1,2,3"), 9, "5;2;1,2,3");
    EXPECT_EQ(Load(badKey, &root, &controller), D3DXERR_INVALIDDATA);
    EXPECT_EQ(alloc.frames, 0);
    EXPECT_EQ(alloc.containers, 0);
}

TEST_F(HierarchyTest, IndexedBlendedMeshGroupsFacesByPalette)
{
    // A strip of four faces; bone 0 holds vertices 0 and 1, bone 1 vertices 2 and 3, bone 2 4 and 5.
    XMeshDesc strip;
    strip.positions = {0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0, 2, 0, 0, 2, 1, 0};
    strip.indices = {0, 1, 2, 1, 3, 2, 2, 3, 4, 3, 5, 4};
    XDocument doc;
    XAddMesh(&doc, -1, strip);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(XWriteMemory(doc, XFormat::Binary, &bytes));
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromXInMemory(bytes.data(), static_cast<DWORD>(bytes.size()), D3DXMESH_MANAGED,
                                        device, nullptr, nullptr, nullptr, nullptr, &mesh),
              D3D_OK);
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    mesh->GetDeclaration(decl);
    ID3DXSkinInfo* skin = nullptr;
    ASSERT_EQ(D3DXCreateSkinInfo(6, decl, 3, &skin), D3D_OK);
    const float one[2] = {1.0f, 1.0f};
    for (DWORD b = 0; b < 3; ++b)
    {
        const DWORD v[2] = {2 * b, 2 * b + 1};
        ASSERT_EQ(skin->SetBoneInfluence(b, 2, v, one), D3D_OK);
    }
    const DWORD outside = 6;
    EXPECT_EQ(skin->SetBoneInfluence(0, 1, &outside, one), D3DERR_INVALIDCALL);

    ID3DXMesh* blended = nullptr;
    ID3DXBuffer* combinations = nullptr;
    DWORD influences = 0, count = 0;
    ASSERT_EQ(skin->ConvertToIndexedBlendedMesh(mesh, D3DXMESH_MANAGED, 2, nullptr, nullptr, nullptr, nullptr,
                                                &influences, &count, &combinations, &blended),
              D3D_OK);
    EXPECT_EQ(influences, 1u);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(blended->GetNumVertices(), 8u) << "vertices 2 and 3 are copied into both palettes";
    const auto* table = static_cast<D3DXBONECOMBINATION*>(combinations->GetBufferPointer());
    EXPECT_EQ(table[0].FaceStart, 0u);
    EXPECT_EQ(table[0].FaceCount, 2u);
    EXPECT_EQ(table[1].FaceStart, 2u);
    EXPECT_EQ(table[1].BoneId[0], 1u);
    EXPECT_EQ(table[1].BoneId[1], 2u);
    // The palette index of the last vertex of face 3 (old vertex 4) is slot 1: bone 2.
    D3DVERTEXELEMENT9 out[MAX_FVF_DECL_SIZE];
    blended->GetDeclaration(out);
    const D3DVERTEXELEMENT9* indices = nullptr;
    for (UINT i = 0; i < D3DXGetDeclLength(out); ++i)
        if (out[i].Usage == D3DDECLUSAGE_BLENDINDICES)
            indices = &out[i];
    ASSERT_NE(indices, nullptr);
    void* vb = nullptr;
    void* ib = nullptr;
    blended->LockVertexBuffer(D3DLOCK_READONLY, &vb);
    blended->LockIndexBuffer(D3DLOCK_READONLY, &ib);
    const uint16_t last = static_cast<uint16_t*>(ib)[3 * 3 + 2];
    EXPECT_EQ(static_cast<uint8_t*>(vb)[last * blended->GetNumBytesPerVertex() + indices->Offset], 1u);
    blended->UnlockIndexBuffer();
    blended->UnlockVertexBuffer();
    combinations->Release();
    blended->Release();

    ID3DXMesh* refused = nullptr;
    EXPECT_EQ(skin->ConvertToIndexedBlendedMesh(mesh, D3DXMESH_MANAGED, 1, nullptr, nullptr, nullptr, nullptr,
                                                nullptr, nullptr, nullptr, &refused),
              D3DXERR_TOOMANYINFLUENCES);
    EXPECT_EQ(refused, nullptr);
    skin->Release();
    mesh->Release();
}

namespace
{
// Frames of the same name: the search takes the frame, then its siblings with everything below
// them, and the frame's own children last.
TEST(FrameFind, SiblingsAreSearchedBeforeChildren)
{
    char same[] = "Same", other[] = "Other", deep[] = "Deep";
    D3DXFRAME root = {}, child = {}, sibling = {}, siblingChild = {}, grandchild = {};
    root.Name = other;
    root.pFrameFirstChild = &child;
    root.pFrameSibling = &sibling;
    child.Name = same;
    child.pFrameFirstChild = &grandchild;
    grandchild.Name = deep;
    sibling.Name = other;
    sibling.pFrameFirstChild = &siblingChild;
    siblingChild.Name = same;
    EXPECT_EQ(D3DXFrameFind(&root, "Other"), &root);
    EXPECT_EQ(D3DXFrameFind(&root, "Same"), &siblingChild) << "the sibling's subtree comes first";
    EXPECT_EQ(D3DXFrameFind(&root, "Deep"), &grandchild);
    EXPECT_EQ(D3DXFrameFind(&child, "Same"), &child);
    sibling.Name = same;
    EXPECT_EQ(D3DXFrameFind(&root, "Same"), &sibling) << "a sibling before any child";
    EXPECT_EQ(D3DXFrameFind(nullptr, "Same"), nullptr);
}
} // namespace

namespace
{
// A binary .x file written token by token, as other tools write them.
class BinaryX
{
public:
    explicit BinaryX(const char* format = "bin ") : bytes(std::string("xof 0303") + format + "0032") {}

    BinaryX& Token(uint16_t t)
    {
        bytes.push_back(char(t));
        bytes.push_back(char(t >> 8));
        return *this;
    }
    BinaryX& Dword(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(char(v >> (8 * i)));
        return *this;
    }
    BinaryX& Name(const std::string& name)
    {
        Token(kName).Dword(uint32_t(name.size()));
        bytes += name;
        return *this;
    }
    // A string token ends with a separator token.
    BinaryX& String(const std::string& text)
    {
        Token(kString).Dword(uint32_t(text.size()));
        bytes += text;
        return Token(kSemicolon);
    }
    BinaryX& Guid()
    {
        Token(kGuid);
        for (int i = 0; i < 16; ++i)
            bytes.push_back(char(0x11 * i));
        return *this;
    }
    BinaryX& Ints(const std::vector<uint32_t>& values)
    {
        Token(kIntegerList).Dword(uint32_t(values.size()));
        for (uint32_t v : values)
            Dword(v);
        return *this;
    }
    BinaryX& Floats(const std::vector<float>& values)
    {
        Token(kFloatList).Dword(uint32_t(values.size()));
        for (float f : values)
        {
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            Dword(bits);
        }
        return *this;
    }
    BinaryX& Open() { return Token(kObrace); }
    BinaryX& Close() { return Token(kCbrace); }
    // A member "TYPE name;".
    BinaryX& Member(uint16_t type, const char* name) { return Token(type).Name(name).Token(kSemicolon); }
    // A member "array TYPE name[count];" sized by another member.
    BinaryX& Array(const char* type, const char* name, const char* count)
    {
        return Token(kArray).Name(type).Name(name).Token(kObracket).Name(count).Token(kCbracket).Token(
            kSemicolon);
    }

    static constexpr uint16_t kName = 1, kString = 2, kGuid = 5, kIntegerList = 6, kFloatList = 7,
                              kObrace = 10, kCbrace = 11, kObracket = 14, kCbracket = 15, kDot = 18,
                              kSemicolon = 20, kTemplate = 31, kWord = 40, kDword = 41, kArray = 52;
    std::string bytes;
};

// A quad on one named top-level material, skinned to one bone, with the templates it uses
// defined in the file.
std::string ExporterQuad(const char* format = "bin ")
{
    BinaryX x(format);
    x.Token(BinaryX::kTemplate).Name("Header").Open().Guid();
    x.Member(BinaryX::kWord, "major")
        .Member(BinaryX::kWord, "minor")
        .Member(BinaryX::kDword, "flags")
        .Close();
    x.Token(BinaryX::kTemplate).Name("Mesh").Open().Guid();
    x.Member(BinaryX::kDword, "nVertices").Array("Vector", "vertices", "nVertices");
    x.Member(BinaryX::kDword, "nFaces").Array("MeshFace", "faces", "nFaces");
    x.Token(BinaryX::kObracket).Token(BinaryX::kDot).Token(BinaryX::kDot).Token(BinaryX::kDot);
    x.Token(BinaryX::kCbracket).Close();
    x.Token(BinaryX::kTemplate).Name("MeshMaterialList").Open().Guid();
    x.Member(BinaryX::kDword, "nMaterials").Member(BinaryX::kDword, "nFaceIndexes");
    x.Array("DWORD", "faceIndexes", "nFaceIndexes");
    x.Token(BinaryX::kObracket).Name("Material").Guid().Token(BinaryX::kCbracket).Close();

    x.Name("Header").Open().Ints({1, 0, 1}).Close();
    x.Name("Material").Name("RedMat").Open().Floats({1, 0, 0, 1, 10, 1, 1, 1, 0, 0, 0});
    x.Name("TextureFilename").Open().String("red.tga").Close().Close();
    x.Name("Frame").Name("Root").Open();
    x.Name("FrameTransformMatrix").Open().Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}).Close();
    x.Name("Mesh").Name("QuadMesh").Open().Ints({4}).Floats({0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0});
    x.Ints({2, 3, 0, 1, 2, 3, 0, 2, 3});
    x.Name("MeshMaterialList").Open().Ints({1, 2, 0, 0}).Open().Name("RedMat").Close().Close();
    x.Name("XSkinMeshHeader").Open().Ints({1, 1, 1}).Close();
    x.Name("SkinWeights").Open().String("Root").Ints({4, 0, 1, 2, 3});
    x.Floats({1, 1, 1, 1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}).Close();
    x.Close().Close();
    return x.bytes;
}

// The same file MSZIP-compressed: the inflated size, then one block of raw deflate after "CK".
std::string Compressed(const std::string& file)
{
    const std::string body = file.substr(16);
    std::string packed(compressBound(uLong(body.size())) + 64, '\0');
    z_stream z = {};
    EXPECT_EQ(deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
    z.avail_in = uInt(body.size());
    z.next_out = reinterpret_cast<Bytef*>(packed.data());
    z.avail_out = uInt(packed.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    packed.resize(z.total_out);
    deflateEnd(&z);
    BinaryX out("bzip");
    out.Dword(uint32_t(file.size()));
    out.Token(uint16_t(body.size())).Token(uint16_t(packed.size() + 2));
    out.bytes += "CK" + packed;
    return out.bytes;
}

TEST_F(HierarchyTest, BinaryFilesOfOtherToolsLoadPlainAndCompressed)
{
    for (const std::string& file : {ExporterQuad(), Compressed(ExporterQuad())})
    {
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer* materials = nullptr;
        DWORD count = 0;
        ASSERT_EQ(D3DXLoadMeshFromXInMemory(file.data(), DWORD(file.size()), D3DXMESH_SYSTEMMEM, device,
                                            nullptr, &materials, nullptr, &count, &mesh),
                  D3D_OK);
        EXPECT_EQ(mesh->GetNumVertices(), 4u);
        EXPECT_EQ(mesh->GetNumFaces(), 2u);
        ASSERT_EQ(count, 1u);
        const auto* m = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
        EXPECT_EQ(m->MatD3D.Diffuse.r, 1.0f);
        EXPECT_EQ(m->MatD3D.Power, 10.0f);
        ASSERT_NE(m->pTextureFilename, nullptr);
        EXPECT_STREQ(m->pTextureFilename, "red.tga");
        materials->Release();
        mesh->Release();

        D3DXFRAME* root = nullptr;
        ASSERT_EQ(Load(file, &root, nullptr), D3D_OK);
        ASSERT_NE(root, nullptr);
        EXPECT_STREQ(root->Name, "Root");
        ASSERT_NE(root->pMeshContainer, nullptr);
        const D3DXMESHCONTAINER* c = root->pMeshContainer;
        ASSERT_EQ(c->NumMaterials, 1u);
        EXPECT_STREQ(c->pMaterials[0].pTextureFilename, "red.tga");
        ASSERT_NE(c->pSkinInfo, nullptr);
        ASSERT_EQ(c->pSkinInfo->GetNumBones(), 1u);
        EXPECT_STREQ(c->pSkinInfo->GetBoneName(0), "Root");
        EXPECT_EQ(c->pSkinInfo->GetNumBoneInfluences(0), 4u);
        EXPECT_EQ(D3DXFrameDestroy(root, &alloc), D3D_OK);
    }
}
} // namespace
