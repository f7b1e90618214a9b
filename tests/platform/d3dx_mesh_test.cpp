// D3DX meshes on the headless device: .x loading in every format, saving, cloning, and the mesh
// operations on small fixtures with known answers.
#include "platform/d3dx/Mesh.h"
#include "platform/d3dx/XMesh.h"

#include "support/HeadlessD3D.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace tk::xfile;

namespace
{
// The engine's 64-byte vertex: position, colour 0, normal, tangent, binormal, uv, colour 1.
const D3DVERTEXELEMENT9 kEngineDecl[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    {0, 16, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 28, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 40, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
    {0, 52, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 60, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 1},
    D3DDECL_END()};

struct Contents
{
    std::vector<uint8_t> vertices;
    std::vector<uint32_t> indices;
    std::vector<DWORD> attributes;
};

Contents Read(ID3DXMesh* mesh)
{
    Contents c;
    void* p = nullptr;
    EXPECT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &p), D3D_OK);
    c.vertices.assign(static_cast<uint8_t*>(p),
                      static_cast<uint8_t*>(p) + mesh->GetNumVertices() * mesh->GetNumBytesPerVertex());
    mesh->UnlockVertexBuffer();
    EXPECT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &p), D3D_OK);
    for (DWORD i = 0; i < mesh->GetNumFaces() * 3; ++i)
        c.indices.push_back((mesh->GetOptions() & D3DXMESH_32BIT) ? static_cast<uint32_t*>(p)[i]
                                                                  : static_cast<uint16_t*>(p)[i]);
    mesh->UnlockIndexBuffer();
    DWORD* a = nullptr;
    EXPECT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &a), D3D_OK);
    c.attributes.assign(a, a + mesh->GetNumFaces());
    mesh->UnlockAttributeBuffer();
    return c;
}

D3DXVECTOR3 Vec(ID3DXMesh* mesh, DWORD vertex, WORD offset)
{
    void* p = nullptr;
    mesh->LockVertexBuffer(D3DLOCK_READONLY, &p);
    D3DXVECTOR3 v;
    std::memcpy(&v, static_cast<uint8_t*>(p) + vertex * mesh->GetNumBytesPerVertex() + offset, sizeof v);
    mesh->UnlockVertexBuffer();
    return v;
}

void ExpectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float eps = 1e-5f)
{
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

// A unit cube: 24 vertices, each face with its own normal (split normals), two triangles per face.
XMeshDesc SplitCube()
{
    XMeshDesc cube;
    const float n[6][3] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    for (int f = 0; f < 6; ++f)
    {
        // Two axes spanning the face, chosen so the corners run clockwise seen from outside.
        float u[3] = {0, 0, 0}, v[3] = {0, 0, 0};
        const int axis = n[f][0] != 0 ? 0 : n[f][1] != 0 ? 1 : 2;
        u[(axis + 1) % 3] = 1;
        v[(axis + 2) % 3] = 1;
        const float corners[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
        const int base = f * 4;
        for (auto& c : corners)
        {
            for (int k = 0; k < 3; ++k)
                cube.positions.push_back(0.5f * (n[f][k] + c[0] * u[k] + c[1] * v[k]));
            for (int k = 0; k < 3; ++k)
                cube.normals.push_back(n[f][k]);
            cube.texcoords.push_back((c[0] + 1) / 2);
            cube.texcoords.push_back((1 - c[1]) / 2);
        }
        // Clockwise seen from outside: the edge cross product points along the outward normal.
        auto at = [&](int i) { return D3DXVECTOR3(&cube.positions[size_t(base + i) * 3]); };
        D3DXVECTOR3 e1 = at(1) - at(0), e2 = at(2) - at(0), cross;
        D3DXVec3Cross(&cross, &e1, &e2);
        const uint32_t b = uint32_t(base);
        if (cross.x * n[f][0] + cross.y * n[f][1] + cross.z * n[f][2] > 0)
            cube.indices.insert(cube.indices.end(), {b, b + 1, b + 2, b, b + 2, b + 3});
        else
            cube.indices.insert(cube.indices.end(), {b, b + 2, b + 1, b, b + 3, b + 2});
    }
    cube.materials = {XMaterialDesc()};
    return cube;
}

class MeshTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        params = WindowedParams();
        ASSERT_NO_FATAL_FAILURE(CreateHeadlessDevice(params, &d3d, &device));
    }
    void TearDown() override
    {
        for (IUnknown* u : held)
            u->Release();
        held.clear();
        ReleaseHeadlessDevice(d3d, device);
    }

    template <class T> T* Hold(T* p)
    {
        if (p)
            held.push_back(p);
        return p;
    }

    ID3DXMesh* Load(const XDocument& doc, XFormat format, DWORD* materials = nullptr,
                    ID3DXBuffer** materialBuffer = nullptr, ID3DXBuffer** effects = nullptr,
                    DWORD options = D3DXMESH_SYSTEMMEM)
    {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(XWriteMemory(doc, format, &bytes));
        ID3DXMesh* mesh = nullptr;
        const HRESULT hr =
            D3DXLoadMeshFromXInMemory(bytes.data(), static_cast<DWORD>(bytes.size()), options, device,
                                      nullptr, materialBuffer, effects, materials, &mesh);
        EXPECT_EQ(hr, D3D_OK);
        if (materialBuffer)
            Hold(*materialBuffer);
        if (effects)
            Hold(*effects);
        return Hold(mesh);
    }

    ID3DXMesh* Load(const XMeshDesc& desc, XFormat format = XFormat::Text)
    {
        XDocument doc;
        XAddMesh(&doc, -1, desc);
        return Load(doc, format);
    }

    D3DPRESENT_PARAMETERS params;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    std::vector<IUnknown*> held;
};
} // namespace

TEST_F(MeshTest, EveryFormatLoadsTheSameMesh)
{
    XMeshDesc desc = SplitCube();
    desc.faceMaterials = {0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1};
    XMaterialDesc stone;
    stone.texture = "textures\\stone.tga";
    desc.materials = {XMaterialDesc(), stone};
    XDocument doc;
    XAddMesh(&doc, -1, desc);
    ID3DXMesh* text = Load(doc, XFormat::Text);
    ASSERT_NE(text, nullptr);
    const Contents expected = Read(text);
    EXPECT_EQ(text->GetNumVertices(), 24u);
    EXPECT_EQ(text->GetNumFaces(), 12u);
    EXPECT_EQ(text->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    EXPECT_EQ(expected.attributes, std::vector<DWORD>(desc.faceMaterials.begin(), desc.faceMaterials.end()));
    for (XFormat format : {XFormat::Binary, XFormat::TextZip, XFormat::BinaryZip})
    {
        DWORD count = 0;
        ID3DXBuffer* materials = nullptr;
        ID3DXMesh* mesh = Load(doc, format, &count, &materials);
        ASSERT_NE(mesh, nullptr);
        const Contents got = Read(mesh);
        EXPECT_EQ(got.vertices, expected.vertices);
        EXPECT_EQ(got.indices, expected.indices);
        EXPECT_EQ(got.attributes, expected.attributes);
        ASSERT_EQ(count, 2u);
        const auto* m = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
        EXPECT_EQ(m[0].pTextureFilename, nullptr);
        EXPECT_STREQ(m[1].pTextureFilename, "textures\\stone.tga");
    }
}

TEST_F(MeshTest, NormalsPerCornerSplitVerticesAndPolygonsBecomeFans)
{
    // A quad written as one four-corner face, and a triangle beside it whose shared corners 1 and 2
    // carry another normal.
    const std::string text = "xof 0303txt 0032\n"
                             "Mesh { 5; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;, 2;0;0;; 2; 4;0,3,2,1;, 3;1,2,4;;\n"
                             "  MeshNormals { 2; 0;0;-1;, 0;0;1;; 2; 4;0,0,0,0;, 3;1,1,1;; } }\n";
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromXInMemory(text.data(), static_cast<DWORD>(text.size()), D3DXMESH_SYSTEMMEM,
                                        device, nullptr, nullptr, nullptr, nullptr, &mesh),
              D3D_OK);
    Hold(mesh);
    EXPECT_EQ(mesh->GetNumFaces(), 3u);
    ASSERT_EQ(mesh->GetNumVertices(), 7u);
    const Contents c = Read(mesh);
    EXPECT_EQ(c.indices, (std::vector<uint32_t>{0, 3, 2, 0, 2, 1, 5, 6, 4}));
    ExpectNear(Vec(mesh, 1, 12), D3DXVECTOR3(0, 0, -1));
    ExpectNear(Vec(mesh, 5, 12), D3DXVECTOR3(0, 0, 1));
    ExpectNear(Vec(mesh, 5, 0), D3DXVECTOR3(1, 0, 0));
    ExpectNear(Vec(mesh, 6, 0), D3DXVECTOR3(1, 1, 0));
    ExpectNear(Vec(mesh, 4, 12), D3DXVECTOR3(0, 0, 1));
}

TEST_F(MeshTest, SaveAndLoadKeepDeclarationDataMaterialsAndEffects)
{
    ID3DXMesh* loaded = Load(SplitCube());
    ID3DXMesh* engine = nullptr;
    ASSERT_EQ(loaded->CloneMesh(D3DXMESH_MANAGED, kEngineDecl, device, &engine), D3D_OK);
    Hold(engine);
    EXPECT_EQ(engine->GetNumBytesPerVertex(), 64u);
    void* p = nullptr;
    engine->LockVertexBuffer(0, &p);
    for (DWORD v = 0; v < engine->GetNumVertices(); ++v)
    {
        auto* vertex = static_cast<uint8_t*>(p) + v * 64;
        const DWORD colour = 0x11223344u + v;
        std::memcpy(vertex + 12, &colour, 4);
        const float tangent[3] = {float(v), 0.5f, -2.0f};
        std::memcpy(vertex + 28, tangent, sizeof tangent);
    }
    engine->UnlockVertexBuffer();
    const Contents before = Read(engine);

    float floats[2] = {1.5f, 2.5f};
    DWORD level = 7;
    char text[] = "glow";
    char n0[] = "Scale", n1[] = "Level", n2[] = "Mode";
    D3DXEFFECTDEFAULT defaults[3] = {{n0, D3DXEDT_FLOATS, sizeof floats, floats},
                                     {n1, D3DXEDT_DWORD, sizeof level, &level},
                                     {n2, D3DXEDT_STRING, sizeof text, text}};
    char fx[] = "shaders\\mesh.fx";
    D3DXEFFECTINSTANCE effect = {fx, 3, defaults};
    char tex[] = "a.tga";
    D3DXMATERIAL material = {};
    material.MatD3D.Diffuse = {0.25f, 0.5f, 0.75f, 1.0f};
    material.MatD3D.Power = 12.0f;
    material.pTextureFilename = tex;

    TempDir dir;
    for (DWORD format : {DWORD(D3DXF_FILEFORMAT_TEXT), DWORD(D3DXF_FILEFORMAT_BINARY),
                         DWORD(D3DXF_FILEFORMAT_BINARY | D3DXF_FILEFORMAT_COMPRESSED)})
    {
        SCOPED_TRACE(format);
        ASSERT_EQ(D3DXSaveMeshToXA("saved.x", engine, nullptr, &material, &effect, 1, format), D3D_OK);
        const std::string first = dir.Read("saved.x");
        ASSERT_EQ(D3DXSaveMeshToXA("saved.x", engine, nullptr, &material, &effect, 1, format), D3D_OK);
        EXPECT_EQ(dir.Read("saved.x"), first) << "written twice, byte for byte the same";

        ID3DXMesh* back = nullptr;
        ID3DXBuffer *materials = nullptr, *effects = nullptr;
        DWORD count = 0;
        ASSERT_EQ(D3DXLoadMeshFromXA("SAVED.X", D3DXMESH_MANAGED, device, nullptr, &materials, &effects,
                                     &count, &back),
                  D3D_OK);
        Hold(back);
        Hold(materials);
        Hold(effects);
        D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
        back->GetDeclaration(decl);
        ASSERT_EQ(D3DXGetDeclLength(decl), 7u);
        EXPECT_EQ(std::memcmp(decl, kEngineDecl, sizeof kEngineDecl), 0);
        const Contents after = Read(back);
        EXPECT_EQ(after.vertices, before.vertices);
        EXPECT_EQ(after.indices, before.indices);
        ASSERT_EQ(count, 1u);
        const auto* m = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
        EXPECT_STREQ(m->pTextureFilename, "a.tga");
        EXPECT_EQ(m->MatD3D.Diffuse.b, 0.75f);
        EXPECT_EQ(m->MatD3D.Power, 12.0f);
        const auto* e = static_cast<D3DXEFFECTINSTANCE*>(effects->GetBufferPointer());
        EXPECT_STREQ(e->pEffectFilename, "shaders\\mesh.fx");
        ASSERT_EQ(e->NumDefaults, 3u);
        EXPECT_STREQ(e->pDefaults[0].pParamName, "Scale");
        EXPECT_EQ(static_cast<float*>(e->pDefaults[0].pValue)[1], 2.5f);
        EXPECT_EQ(*static_cast<DWORD*>(e->pDefaults[1].pValue), 7u);
        EXPECT_STREQ(static_cast<char*>(e->pDefaults[2].pValue), "glow");
    }
}

TEST_F(MeshTest, WeldMergesOnlyWhatMatchesWithinTheEpsilons)
{
    D3DXWELDEPSILONS eps = {};
    eps.Position = 0.1f;
    eps.Normal = 0.1f;
    // The cube with split normals keeps its 24 vertices: corners meet, normals differ by a right angle.
    ID3DXMesh* cube = Load(SplitCube());
    ASSERT_EQ(
        D3DXWeldVertices(cube, D3DXWELDEPSILONS_WELDPARTIALMATCHES, &eps, nullptr, nullptr, nullptr, nullptr),
        D3D_OK);
    EXPECT_EQ(cube->GetNumVertices(), 24u);

    // With one shared normal and no texture coordinates the 24 become the 8 corners.
    XMeshDesc smooth = SplitCube();
    smooth.texcoords.clear();
    for (size_t i = 0; i < smooth.normals.size(); i += 3)
    {
        smooth.normals[i] = 0;
        smooth.normals[i + 1] = 1;
        smooth.normals[i + 2] = 0;
    }
    // Corners nudged by 0.05 still weld, and take the first vertex's position.
    smooth.positions[3 * 5] += 0.05f;
    ID3DXMesh* merged = Load(smooth);
    ASSERT_EQ(D3DXWeldVertices(merged, D3DXWELDEPSILONS_WELDPARTIALMATCHES, &eps, nullptr, nullptr, nullptr,
                               nullptr),
              D3D_OK);
    EXPECT_EQ(merged->GetNumVertices(), 8u);
    EXPECT_EQ(merged->GetNumFaces(), 12u);
    std::vector<DWORD> adjacency(12 * 3);
    ASSERT_EQ(merged->GenerateAdjacency(0.0f, adjacency.data()), D3D_OK);
    for (DWORD a : adjacency)
        EXPECT_NE(a, UNUSED32) << "a closed cube has a neighbour on every edge";
    EXPECT_EQ(D3DXValidMesh(merged, adjacency.data(), nullptr), D3D_OK);

    // A texture seam keeps its vertices apart (the texture epsilon is 0).
    XMeshDesc seam = smooth;
    seam.positions = SplitCube().positions;
    seam.texcoords = SplitCube().texcoords;
    ID3DXMesh* seamed = Load(seam);
    ASSERT_EQ(D3DXWeldVertices(seamed, D3DXWELDEPSILONS_WELDPARTIALMATCHES, &eps, nullptr, nullptr, nullptr,
                               nullptr),
              D3D_OK);
    EXPECT_GT(seamed->GetNumVertices(), 8u);

    // Two triangles touching at one point keep a vertex each there: one shared vertex would be a
    // bowtie, which validation refuses.
    XMeshDesc touching;
    touching.positions = {0, 0, 0, -1, 1, 0, -1, -1, 0, 0, 0, 0, 1, -1, 0, 1, 1, 0};
    touching.indices = {0, 1, 2, 3, 4, 5};
    ID3DXMesh* pair = Load(touching);
    ASSERT_EQ(
        D3DXWeldVertices(pair, D3DXWELDEPSILONS_WELDPARTIALMATCHES, &eps, nullptr, nullptr, nullptr, nullptr),
        D3D_OK);
    EXPECT_EQ(pair->GetNumVertices(), 6u);
    std::vector<DWORD> pairAdjacency(6);
    pair->GenerateAdjacency(0.0f, pairAdjacency.data());
    EXPECT_EQ(D3DXValidMesh(pair, pairAdjacency.data(), nullptr), D3D_OK);
    ASSERT_EQ(D3DXWeldVertices(pair, D3DXWELDEPSILONS_DONOTSPLIT, &eps, nullptr, nullptr, nullptr, nullptr),
              D3D_OK);
    EXPECT_EQ(pair->GetNumVertices(), 6u) << "faces that share no edge are not welded, even at one point";
}

TEST_F(MeshTest, WeldFollowsTheAdjacencyAndNeverMakesADegenerateFace)
{
    D3DXWELDEPSILONS eps = {};
    eps.Position = 0.1f;
    // Two corners of one triangle 0.01 apart stay apart: welding them would leave a face with two
    // equal corners.
    XMeshDesc thin;
    thin.positions = {0, 0, 0, 0.01f, 0, 0, 0, 1, 0};
    thin.indices = {0, 1, 2};
    ID3DXMesh* sliver = Load(thin);
    ASSERT_EQ(D3DXWeldVertices(sliver, 0, &eps, nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(sliver->GetNumVertices(), 3u);
    EXPECT_EQ(Read(sliver).indices, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(D3DXValidMesh(sliver, nullptr, nullptr), D3D_OK);

    // Two quads side by side, each with vertices of its own: the shared edge welds through the
    // adjacency given, and without adjacency through the one made from the positions.
    XMeshDesc quads;
    quads.positions = {0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 0, 0, 1, 1, 0, 2, 1, 0, 2, 0, 0};
    quads.indices = {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7};
    ID3DXMesh* joined = Load(quads);
    ASSERT_EQ(D3DXWeldVertices(joined, 0, &eps, nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(joined->GetNumVertices(), 6u);
    // Adjacency that keeps the quads apart (each quad's two faces joined, nothing across) keeps
    // all eight vertices.
    ID3DXMesh* apart = Load(quads);
    const std::vector<DWORD> separate = {UNUSED32, UNUSED32, 1, 0, UNUSED32, UNUSED32,
                                         UNUSED32, UNUSED32, 3, 2, UNUSED32, UNUSED32};
    ASSERT_EQ(D3DXWeldVertices(apart, 0, &eps, separate.data(), nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(apart->GetNumVertices(), 8u);

    // Validation refuses a face with two equal corners.
    XMeshDesc degenerate;
    degenerate.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    degenerate.indices = {0, 1, 2, 0, 1, 1};
    ID3DXMesh* bad = Load(degenerate);
    ID3DXBuffer* errors = nullptr;
    EXPECT_EQ(D3DXValidMesh(bad, nullptr, &errors), D3DXERR_INVALIDMESH);
    ASSERT_NE(errors, nullptr);
    EXPECT_NE(std::string(static_cast<char*>(errors->GetBufferPointer())).find("Face 1 is degenerate"),
              std::string::npos);
    errors->Release();
}

// Found by fuzzing: cells of huge coordinates overflowed the weld's hash.
TEST_F(MeshTest, WeldTakesHugeCoordinates)
{
    XMeshDesc far;
    far.positions = {0, 0, 0, 1e30f, 0, 0, 0, 1, 0, -3e38f, 3e38f, -3e38f};
    far.indices = {0, 1, 2, 0, 2, 3};
    ID3DXMesh* mesh = Load(far);
    D3DXWELDEPSILONS eps = {};
    eps.Position = 0.1f;
    ASSERT_EQ(
        D3DXWeldVertices(mesh, D3DXWELDEPSILONS_WELDPARTIALMATCHES, &eps, nullptr, nullptr, nullptr, nullptr),
        D3D_OK);
    EXPECT_EQ(mesh->GetNumVertices(), 4u);
}

TEST_F(MeshTest, AdjacencyPairsOnlyEdgesRunningOppositeWays)
{
    const struct
    {
        const char* what;
        std::vector<uint32_t> indices;
        std::vector<DWORD> adjacency;
    } cases[] = {
        {"a quad of two faces wound alike",
         {0, 1, 2, 0, 2, 3},
         {UNUSED32, UNUSED32, 1, 0, UNUSED32, UNUSED32}},
        {"the second face flipped: the edge 2->0 runs the same way in both",
         {0, 1, 2, 0, 3, 2},
         {UNUSED32, UNUSED32, UNUSED32, UNUSED32, UNUSED32, UNUSED32}},
    };
    XMeshDesc quad;
    quad.positions = {0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0};
    for (const auto& c : cases)
    {
        quad.indices = c.indices;
        ID3DXMesh* mesh = Load(quad);
        std::vector<DWORD> adjacency(6);
        ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adjacency.data()), D3D_OK);
        EXPECT_EQ(adjacency, c.adjacency) << c.what;
    }
}

// A mesh without a material list draws as one subset with one grey material.
TEST_F(MeshTest, AMeshWithoutMaterialsGetsOneDefaultMaterial)
{
    const std::string text = "xof 0303txt 0032\nMesh {\n 3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;\n"
                             " 1;\n 3;0,1,2;;\n}\n";
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    ASSERT_EQ(D3DXLoadMeshFromXInMemory(text.data(), DWORD(text.size()), D3DXMESH_SYSTEMMEM, device, nullptr,
                                        &materials, nullptr, &count, &mesh),
              D3D_OK);
    Hold(mesh);
    ASSERT_NE(materials, nullptr);
    Hold(materials);
    ASSERT_EQ(count, 1u);
    const auto* m = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_EQ(m->MatD3D.Diffuse.r, 0.5f);
    EXPECT_EQ(m->MatD3D.Diffuse.a, 1.0f);
    EXPECT_EQ(m->pTextureFilename, nullptr);
    EXPECT_EQ(Read(mesh).attributes, (std::vector<DWORD>{0}));
}

TEST_F(MeshTest, AdjacencyOfAStripWithATJunction)
{
    // A long bottom triangle 0-2-1 under two small ones meeting at 3, the middle of its top edge:
    //   4-----3-----5
    //    \  / | \  /      (faces 1 and 2 above the edge 0-1 through 3)
    //     0---+---1
    XMeshDesc strip;
    strip.positions = {0, 0, 0, 2, 0, 0, 1, -1, 0, 1, 0, 0, 0, 1, 0, 2, 1, 0};
    strip.indices = {0, 1, 2, 0, 4, 3, 3, 4, 5};
    ID3DXMesh* mesh = Load(strip);
    std::vector<DWORD> adjacency(9);
    ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adjacency.data()), D3D_OK);
    // Face 0's long edge 0-1 has no neighbour: the T-junction at 3 leaves it open.
    EXPECT_EQ(adjacency, (std::vector<DWORD>{UNUSED32, UNUSED32, UNUSED32, UNUSED32, 2, UNUSED32, 1, UNUSED32,
                                             UNUSED32}))
        << "only faces 1 and 2 meet, along 4-3";

    // Edges whose ends lie 0.01 apart meet only with an epsilon that covers the gap.
    XMeshDesc gap;
    gap.positions = {0, 0, 0, 0, 1, 0, 1, 0, 0, 1.01f, 0, 0, 0.01f, 1, 0, 1, 1, 0};
    gap.indices = {0, 1, 2, 3, 4, 5};
    ID3DXMesh* apart = Load(gap);
    std::vector<DWORD> near(6);
    ASSERT_EQ(apart->GenerateAdjacency(0.0f, near.data()), D3D_OK);
    EXPECT_EQ(near[1], UNUSED32);
    ASSERT_EQ(apart->GenerateAdjacency(0.05f, near.data()), D3D_OK);
    EXPECT_EQ(near[1], 1u);
    EXPECT_EQ(near[3], 0u);
}

TEST_F(MeshTest, ThreeMaterialsOutOfOrderSortIntoRanges)
{
    // A row of five quads' worth of triangles with attributes 2, 0, 1, 2, 0.
    XMeshDesc row;
    for (int i = 0; i <= 5; ++i)
        row.positions.insert(row.positions.end(), {float(i), 0, 0, float(i), 1, 0});
    for (uint32_t i = 0; i < 5; ++i)
        row.indices.insert(row.indices.end(), {2 * i, 2 * i + 1, 2 * i + 3});
    row.faceMaterials = {2, 0, 1, 2, 0};
    row.materials.resize(3);
    ID3DXMesh* mesh = Load(row);
    std::vector<DWORD> faceRemap(5);
    ID3DXBuffer* vertexRemap = nullptr;
    ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE, nullptr, nullptr,
                                    faceRemap.data(), &vertexRemap),
              D3D_OK);
    Hold(vertexRemap);
    EXPECT_EQ(faceRemap, (std::vector<DWORD>{1, 4, 2, 0, 3}));
    DWORD size = 0;
    ASSERT_EQ(mesh->GetAttributeTable(nullptr, &size), D3D_OK);
    ASSERT_EQ(size, 3u);
    std::vector<D3DXATTRIBUTERANGE> table(size);
    mesh->GetAttributeTable(table.data(), &size);
    const DWORD expected[3][3] = {{0, 0, 2}, {1, 2, 1}, {2, 3, 2}};
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(table[i].AttribId, expected[i][0]);
        EXPECT_EQ(table[i].FaceStart, expected[i][1]);
        EXPECT_EQ(table[i].FaceCount, expected[i][2]);
    }
    // Vertices follow first use: the first range starts at 0 and the unused vertex 10 is gone.
    EXPECT_EQ(table[0].VertexStart, 0u);
    EXPECT_EQ(table[0].VertexCount, 6u);
    EXPECT_EQ(mesh->GetNumVertices(), 11u);
    const Contents c = Read(mesh);
    EXPECT_EQ(c.attributes, (std::vector<DWORD>{0, 0, 1, 2, 2}));
    EXPECT_EQ(vertexRemap->GetBufferSize(), 11u * sizeof(DWORD));
    EXPECT_EQ(static_cast<DWORD*>(vertexRemap->GetBufferPointer())[0], 2u)
        << "face 1 (old) starts with vertex 2";

    // DrawSubset draws a range with one indexed call on the mesh's buffers.
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    const size_t before = TkD3D9GetDrawLog(device, TkFrame::Current).size();
    ASSERT_EQ(mesh->DrawSubset(1), D3D_OK);
    const auto& log = TkD3D9GetDrawLog(device, TkFrame::Current);
    ASSERT_EQ(log.size(), before + 1);
    EXPECT_EQ(log.back().call, TkDrawCall::IndexedPrimitive);
    EXPECT_EQ(log.back().startIndex, 6u);
    EXPECT_EQ(log.back().primitiveCount, 1u);
    ASSERT_EQ(mesh->DrawSubset(7), D3D_OK);
    EXPECT_EQ(TkD3D9GetDrawLog(device, TkFrame::Current).size(), before + 1) << "no faces, no draw";
    device->EndScene();
}

TEST_F(MeshTest, CleanSplitsBowtiesAndValidationSeesThem)
{
    // Two triangles touching only at vertex 0.
    XMeshDesc bowtie;
    bowtie.positions = {0, 0, 0, -1, 1, 0, -1, -1, 0, 1, 1, 0, 1, -1, 0};
    bowtie.indices = {0, 1, 2, 0, 4, 3};
    ID3DXMesh* mesh = Load(bowtie);
    std::vector<DWORD> adjacency(6);
    mesh->GenerateAdjacency(0.0f, adjacency.data());
    ID3DXBuffer* errors = nullptr;
    EXPECT_EQ(D3DXValidMesh(mesh, adjacency.data(), &errors), D3DXERR_INVALIDMESH);
    ASSERT_NE(errors, nullptr);
    EXPECT_NE(std::string(static_cast<char*>(errors->GetBufferPointer())).find("Bowtie"), std::string::npos);
    errors->Release();

    ID3DXMesh* clean = nullptr;
    std::vector<DWORD> cleanAdjacency(6);
    ASSERT_EQ(D3DXCleanMesh(D3DXCLEAN_SIMPLIFICATION, mesh, adjacency.data(), &clean, cleanAdjacency.data(),
                            nullptr),
              D3D_OK);
    Hold(clean);
    EXPECT_EQ(clean->GetNumVertices(), 6u);
    EXPECT_EQ(D3DXValidMesh(clean, cleanAdjacency.data(), nullptr), D3D_OK);
    const Contents c = Read(clean);
    EXPECT_EQ(c.indices, (std::vector<uint32_t>{0, 1, 2, 5, 4, 3}));

    // Back to back faces on the same corners get vertices of their own.
    XMeshDesc sheet;
    sheet.positions = {0, 0, 0, 0, 1, 0, 1, 0, 0};
    sheet.indices = {0, 1, 2, 0, 2, 1};
    ID3DXMesh* twoSided = Load(sheet);
    ID3DXMesh* split = nullptr;
    ASSERT_EQ(D3DXCleanMesh(D3DXCLEAN_BACKFACING, twoSided, nullptr, &split, nullptr, nullptr), D3D_OK);
    Hold(split);
    EXPECT_EQ(split->GetNumVertices(), 6u);
}

TEST_F(MeshTest, NormalsTangentsAndBoundsOnKnownShapes)
{
    // The 8-corner cube: angle-weighted normals point along the diagonals.
    XMeshDesc smooth = SplitCube();
    smooth.texcoords.clear();
    std::fill(smooth.normals.begin(), smooth.normals.end(), 0.0f);
    ID3DXMesh* cube = Load(smooth);
    D3DXWELDEPSILONS eps = {};
    eps.Position = 0.001f;
    eps.Normal = 0.001f;
    ASSERT_EQ(D3DXWeldVertices(cube, 0, &eps, nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(cube->GetNumVertices(), 8u);
    ASSERT_EQ(D3DXComputeNormals(cube, nullptr), D3D_OK);
    const float k = 1.0f / std::sqrt(3.0f);
    for (DWORD v = 0; v < 8; ++v)
    {
        const D3DXVECTOR3 p = Vec(cube, v, 0);
        ExpectNear(Vec(cube, v, 12), D3DXVECTOR3(p.x > 0 ? k : -k, p.y > 0 ? k : -k, p.z > 0 ? k : -k));
    }

    // A quad facing -z with u along +x and v down the screen: tangent +x, binormal -y.
    XMeshDesc quad;
    quad.positions = {0, 0, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0};
    quad.normals = {0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1};
    quad.texcoords = {0, 1, 0, 0, 1, 0, 1, 1};
    quad.indices = {0, 1, 2, 0, 2, 3};
    ID3DXMesh* loaded = Load(quad);
    ID3DXMesh* engine = nullptr;
    ASSERT_EQ(loaded->CloneMesh(D3DXMESH_MANAGED, kEngineDecl, device, &engine), D3D_OK);
    Hold(engine);
    ASSERT_EQ(D3DXComputeTangentFrameEx(engine, D3DDECLUSAGE_TEXCOORD, 0, D3DDECLUSAGE_TANGENT, 0,
                                        D3DDECLUSAGE_BINORMAL, 0, D3DX_DEFAULT, 0,
                                        D3DXTANGENT_GENERATE_IN_PLACE, nullptr, -1.01f, -0.01f, -1.01f,
                                        nullptr, nullptr),
              D3D_OK);
    for (DWORD v = 0; v < 4; ++v)
    {
        ExpectNear(Vec(engine, v, 28), D3DXVECTOR3(1, 0, 0));
        ExpectNear(Vec(engine, v, 40), D3DXVECTOR3(0, -1, 0));
        ExpectNear(Vec(engine, v, 16), D3DXVECTOR3(0, 0, -1));
    }
    // Missing channels are refused.
    EXPECT_EQ(D3DXComputeTangentFrameEx(loaded, D3DDECLUSAGE_TEXCOORD, 0, D3DDECLUSAGE_TANGENT, 0,
                                        D3DX_DEFAULT, 0, D3DX_DEFAULT, 0, D3DXTANGENT_GENERATE_IN_PLACE,
                                        nullptr, -1.01f, -0.01f, -1.01f, nullptr, nullptr),
              D3DERR_INVALIDCALL);

    D3DXVECTOR3 lo, hi, centre;
    float radius;
    const D3DXVECTOR3 points[3] = {{-1, 2, 3}, {4, -5, 6}, {1, 0, 0}};
    ASSERT_EQ(D3DXComputeBoundingBox(points, 3, sizeof(D3DXVECTOR3), &lo, &hi), D3D_OK);
    ExpectNear(lo, D3DXVECTOR3(-1, -5, 0));
    ExpectNear(hi, D3DXVECTOR3(4, 2, 6));
    ASSERT_EQ(D3DXComputeBoundingSphere(points, 3, sizeof(D3DXVECTOR3), &centre, &radius), D3D_OK);
    ExpectNear(centre, D3DXVECTOR3(4.0f / 3, -1, 3));
}

TEST_F(MeshTest, DamagedMeshesAreInvalidData)
{
    const std::vector<std::string> bad = {
        "xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }", // index past the vertices
        "xof 0303txt 0032 Mesh { 99999999; 0;0;0;; 0; }",                    // count overruns
        "xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }",   // a two-corner face
        "xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; { Nowhere } }", // missing reference
        "xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;"
        " MeshMaterialList { 1; 1; 4;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }", // material past the
                                                                                       // list
        "xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;"
        " MeshTextureCoords { 2; 0;0;, 1;1;; } }", // too few texture coordinates
        "xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;"
        " DeclData { 1; 2;0;6;0;; 4000000000; } }", // declared data larger than the file
        "xof 0303txt 0032 Frame { }",               // no mesh at all
        "xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 2; 7;0,1,2,0,1,2,0;; }", // the first face takes
                                                                                     // the second's values
    };
    for (const std::string& text : bad)
    {
        ID3DXMesh* mesh = nullptr;
        DWORD count = 5;
        const HRESULT hr =
            D3DXLoadMeshFromXInMemory(text.data(), static_cast<DWORD>(text.size()), D3DXMESH_SYSTEMMEM,
                                      device, nullptr, nullptr, nullptr, &count, &mesh);
        EXPECT_TRUE(hr == D3DXERR_INVALIDDATA || hr == D3DXERR_LOADEDMESHHASNODATA) << text;
        EXPECT_EQ(mesh, nullptr);
        EXPECT_EQ(count, 0u);
    }
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(D3DXLoadMeshFromXA("no such file.x", 0, device, nullptr, nullptr, nullptr, nullptr, &mesh),
              E_FAIL);
}

TEST_F(MeshTest, FramesPlaceAndJoinTheirMeshes)
{
    // Two one-triangle meshes, the second in a frame moved by 10 along x, with one material each.
    XMeshDesc tri;
    tri.positions = {0, 0, 0, 0, 1, 0, 1, 0, 0};
    tri.indices = {0, 1, 2};
    tri.materials = {XMaterialDesc()};
    XDocument doc;
    XAddMesh(&doc, -1, tri);
    const int frame = doc.Add(-1, "Frame", "moved");
    const int matrix = doc.Add(frame, "FrameTransformMatrix");
    const float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 0, 0, 1};
    doc.objects[matrix].Floats(m, 16);
    tri.materials[0].texture = "b.tga";
    XAddMesh(&doc, frame, tri);
    DWORD count = 0;
    ID3DXBuffer* materials = nullptr;
    ID3DXMesh* mesh = Load(doc, XFormat::Binary, &count, &materials);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetNumVertices(), 6u);
    EXPECT_EQ(count, 2u);
    ExpectNear(Vec(mesh, 5, 0), D3DXVECTOR3(11, 0, 0));
    EXPECT_EQ(Read(mesh).attributes, (std::vector<DWORD>{0, 1}));
    EXPECT_STREQ(static_cast<D3DXMATERIAL*>(materials->GetBufferPointer())[1].pTextureFilename, "b.tga");
}

TEST_F(MeshTest, WideIndicesAndClonesToAFormat)
{
    XDocument doc;
    XAddMesh(&doc, -1, SplitCube());
    ID3DXMesh* narrow = Load(doc, XFormat::Text);
    ID3DXMesh* wide = Load(doc, XFormat::Text, nullptr, nullptr, nullptr, D3DXMESH_MANAGED | D3DXMESH_32BIT);
    ASSERT_NE(wide, nullptr);
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(wide->GetIndexBuffer(&ib), D3D_OK);
    D3DINDEXBUFFER_DESC desc;
    ib->GetDesc(&desc);
    ib->Release();
    EXPECT_EQ(desc.Format, D3DFMT_INDEX32);
    EXPECT_EQ(Read(wide).indices, Read(narrow).indices);

    // Position and colour only: the normal and uv go, the colour starts at zero.
    ID3DXMesh* slim = nullptr;
    ASSERT_EQ(narrow->CloneMeshFVF(D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_DIFFUSE, device, &slim), D3D_OK);
    Hold(slim);
    EXPECT_EQ(slim->GetNumBytesPerVertex(), 16u);
    EXPECT_EQ(slim->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_DIFFUSE));
    for (DWORD v = 0; v < slim->GetNumVertices(); ++v)
        ExpectNear(Vec(slim, v, 0), Vec(narrow, v, 0));
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2), 40u);
    // A declaration with an unknown type is refused.
    const D3DVERTEXELEMENT9 bad[] = {{0, 0, 99, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    ID3DXMesh* refused = nullptr;
    EXPECT_EQ(narrow->CloneMesh(D3DXMESH_SYSTEMMEM, bad, device, &refused), D3DERR_INVALIDCALL);
    EXPECT_EQ(refused, nullptr);
}

namespace
{
// The blend-weight position formats: each beta is one float, the last may be the blend indices.
TEST(VertexFormats, BlendWeightFormatsHaveOneFloatABeta)
{
    const struct
    {
        DWORD fvf;
        UINT size;
        BYTE weightType; // 0: no weights
        BYTE indexType;  // 0: no indices
    } cases[] = {
        {D3DFVF_XYZB1, 16, D3DDECLTYPE_FLOAT1, 0},
        {D3DFVF_XYZB2, 20, D3DDECLTYPE_FLOAT2, 0},
        {D3DFVF_XYZB3, 24, D3DDECLTYPE_FLOAT3, 0},
        {D3DFVF_XYZB4, 28, D3DDECLTYPE_FLOAT4, 0},
        {D3DFVF_XYZB5, 32, D3DDECLTYPE_FLOAT4, D3DDECLTYPE_FLOAT1},
        {D3DFVF_XYZB1 | D3DFVF_LASTBETA_UBYTE4, 16, 0, D3DDECLTYPE_UBYTE4},
        {D3DFVF_XYZB4 | D3DFVF_LASTBETA_UBYTE4, 28, D3DDECLTYPE_FLOAT3, D3DDECLTYPE_UBYTE4},
        {D3DFVF_XYZB5 | D3DFVF_LASTBETA_D3DCOLOR, 32, D3DDECLTYPE_FLOAT4, D3DDECLTYPE_D3DCOLOR},
        {D3DFVF_XYZB2 | D3DFVF_NORMAL | D3DFVF_TEX1, 40, D3DDECLTYPE_FLOAT2, 0},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(D3DXGetFVFVertexSize(c.fvf), c.size) << std::hex << c.fvf;
        D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
        ASSERT_EQ(D3DXDeclaratorFromFVF(c.fvf, decl), D3D_OK) << std::hex << c.fvf;
        EXPECT_EQ(D3DXGetDeclVertexSize(decl, 0), c.size) << std::hex << c.fvf;
        EXPECT_EQ(decl[0].Usage, D3DDECLUSAGE_POSITION);
        UINT next = 1;
        if (c.weightType)
        {
            EXPECT_EQ(decl[next].Usage, D3DDECLUSAGE_BLENDWEIGHT) << std::hex << c.fvf;
            EXPECT_EQ(decl[next].Type, c.weightType) << std::hex << c.fvf;
            EXPECT_EQ(decl[next++].Offset, 12u);
        }
        if (c.indexType)
        {
            EXPECT_EQ(decl[next].Usage, D3DDECLUSAGE_BLENDINDICES) << std::hex << c.fvf;
            EXPECT_EQ(decl[next++].Type, c.indexType) << std::hex << c.fvf;
        }
        // And back: the declaration names the same format.
        DWORD back = 0;
        ASSERT_EQ(D3DXFVFFromDeclarator(decl, &back), D3D_OK) << std::hex << c.fvf;
        EXPECT_EQ(back, c.fvf);
    }
    // Indices without the weights before them name no format.
    const D3DVERTEXELEMENT9 odd[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                     {0, 12, D3DDECLTYPE_FLOAT1, 0, D3DDECLUSAGE_BLENDINDICES, 0},
                                     D3DDECL_END()};
    DWORD none = 0;
    EXPECT_EQ(D3DXFVFFromDeclarator(odd, &none), D3DERR_INVALIDCALL);
}
} // namespace
