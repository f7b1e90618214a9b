// Mesh instances, mesh sockets and painted vertex colours over meshes of the mesh table.
#include "mesh_fixture.h"

#include "mesh/MeshSocketsMgr.h"
#include "mesh/MultiTexturePaintingScripts.h"
#include "platform/win32/Path.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace meshtest;

namespace
{
class InstanceTest : public MeshTest
{
protected:
    void SetUp() override
    {
        MeshTest::SetUp();
        object.bUsed = 1;
        object.Type = OT_MESH;
        mesh = std::make_unique<EMesh>();
        mesh->SetOwner(&object);
        object.Object = mesh.get();
    }
    void TearDown() override
    {
        if (mesh)
            mesh->ReleaseMaterials();
        mesh.reset();
        MeshTest::TearDown();
    }

    bool Create(const char* file)
    {
        std::snprintf(object.szFileName, sizeof object.szFileName, "%s", file);
        return mesh->Create(file);
    }

    strObject object = {};
    std::unique_ptr<EMesh> mesh;
};

D3DXQUATERNION Identity()
{
    D3DXQUATERNION q;
    D3DXQuaternionIdentity(&q);
    return q;
}

void ExpectVec(const D3DXVECTOR3& a, float x, float y, float z, float eps = 1e-5f)
{
    EXPECT_NEAR(a.x, x, eps);
    EXPECT_NEAR(a.y, y, eps);
    EXPECT_NEAR(a.z, z, eps);
}

void PutU32(std::string* out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out->push_back(static_cast<char>(v >> (8 * i)));
}

void PutFloat(std::string* out, float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    PutU32(out, bits);
}
} // namespace

TEST_F(InstanceTest, CreationTakesTheEntryBoundsAndUsableSubsets)
{
    XMeshDesc two = Box(-1, -1, -1, 1, 1, 1);
    two.faceMaterials = {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1};
    two.materials.push_back(XMaterialDesc()); // no texture
    Write("meshes\\two.x", two);
    ASSERT_TRUE(Create("meshes\\two.x"));
    EXPECT_TRUE(mesh->IsCreated());
    EXPECT_EQ(mesh->GetMeshEntry(), g_MeshMgr.FindMesh("meshes\\two.x"));
    EXPECT_EQ(mesh->m_dwNumMaterials, 2u);
    EXPECT_EQ(mesh->m_bUsableSubset[0], 1);
    EXPECT_EQ(mesh->m_bUsableSubset[1], 0) << "a subset without a texture is not drawn";
    const std::string errors = temp->Read("!error.txt");
    const std::string line = "Mesh meshes\\two.x - empty subset 1!";
    ASSERT_NE(errors.find(line), std::string::npos);
    EXPECT_EQ(errors.find(line), errors.rfind(line)) << "logged once";
    DWORD faces = 0, vertices = 0;
    EXPECT_TRUE(mesh->GetSubsetSize(1, &faces, &vertices));
    EXPECT_EQ(faces, 6u);
    EXPECT_FALSE(mesh->GetSubsetSize(256, &faces, &vertices));
    EXPECT_NEAR(mesh->GetRadius(), std::sqrt(3.0f), 1e-5f);
    EXPECT_NEAR(object.fRadius, std::sqrt(3.0f), 1e-5f);
    EXPECT_NEAR(mesh->m_fFaceRadius, std::sqrt(3.0f), 1e-5f);
    EXPECT_NEAR(mesh->m_fExtentSum, 6.0f, 1e-5f);

    // A second creation replaces the materials instead of leaking them.
    EXPECT_EQ(Tracked("m_pMeshMaterials "), 2u);
    ASSERT_TRUE(Create("meshes\\two.x"));
    EXPECT_EQ(Tracked("m_pMeshMaterials "), 2u);
    EXPECT_NE(ConsoleLog().find("*** Mesh already created! *** meshes\\two.x"), std::string::npos);
}

TEST_F(InstanceTest, MissingFileLeavesTheInstanceUncreated)
{
    EXPECT_FALSE(Create("meshes\\none.x"));
    EXPECT_FALSE(mesh->IsCreated());
    EXPECT_EQ(mesh->GetMeshEntry(), nullptr);
    EXPECT_NE(ConsoleLog().find("MeshMgr returns INVALID code"), std::string::npos);
    const DWORD live = Tracked("::EMesh");
    mesh.reset();
    EXPECT_EQ(Tracked("::EMesh"), live - 1) << "the instance is uncounted when deleted";
}

TEST_F(InstanceTest, ExtraAnglesTurnAboutTheOwnAxesAndScaleGrowsTheRadius)
{
    Write("meshes\\box.x", Box(-1, -1, -1, 1, 1, 1));
    ASSERT_TRUE(Create("meshes\\box.x"));
    // A new instance stands a quarter turn about X until it is given a rotation.
    D3DXMATRIX world;
    mesh->GetWorldMatrix(&world);
    const D3DXQUATERNION standing = mesh->m_qBase;
    EXPECT_NEAR(std::fabs(standing.x), std::sqrt(0.5f), 1e-5f);

    const D3DXQUATERNION id = Identity();
    object.vPosition = D3DXVECTOR3(10, 0, 0);
    mesh->SetRotation(&id);
    EXPECT_EQ(mesh->m_qFinal, mesh->m_qBase) << "all extra angles 0: the base rotation as it is";
    mesh->GetWorldMatrix(&world);
    ExpectVec(D3DXVECTOR3(world._41, world._42, world._43), 10, 0, 0);

    mesh->SetExtraAngles(90, 0, 0);
    mesh->GetWorldMatrix(&world);
    ExpectVec(D3DXVECTOR3(world._31, world._32, world._33), 0, 0, 1); // forward stays
    EXPECT_NEAR(std::fabs(world._12), 1.0f, 1e-5f);                   // right turned onto up
    EXPECT_NEAR(world._11, 0.0f, 1e-5f);
    D3DXQUATERNION ownerQ = object.Orientation.Quaternion;
    EXPECT_NEAR(std::fabs(D3DXQuaternionDot(&ownerQ, &mesh->m_qFinal)), 1.0f, 1e-5f);
    // The world box follows the turn.
    ExpectVec(mesh->m_vWorldMin, 9, -1, -1);
    ExpectVec(mesh->m_vWorldMax, 11, 1, 1);
    mesh->SetExtraAngles(0, 0, 0);

    mesh->SetScale(2, 1, 1);
    EXPECT_NEAR(mesh->GetRadius(), 2 * std::sqrt(3.0f), 1e-5f);
    EXPECT_NEAR(object.fRadius, 2 * std::sqrt(3.0f), 1e-5f);
    EXPECT_NEAR(mesh->m_fScaledFaceRadiusSq, 4 * 3.0f, 1e-4f);
    ExpectVec(mesh->m_vWorldMax, 12, 1, 1);

    // Every corner is exactly the box's corner put through the world matrix,
    // turned, scaled and moved at once; the world box bounds them.
    mesh->SetExtraAngles(30, 20, 10);
    mesh->SetScale(2, 0.5f, 3);
    mesh->GetWorldMatrix(&world);
    for (int c = 0; c < 8; ++c)
    {
        const bool high[3] = {c == 2 || c == 3 || c == 6 || c == 7, c == 1 || c == 2 || c == 5 || c == 6,
                              c >= 4};
        const D3DXVECTOR3 local(high[0] ? 1.0f : -1.0f, high[1] ? 1.0f : -1.0f, high[2] ? 1.0f : -1.0f);
        D3DXVECTOR3 expected;
        D3DXVec3TransformCoord(&expected, &local, &world);
        EXPECT_EQ(mesh->m_vWorldCorners[c], expected) << "corner " << c;
        EXPECT_LE(mesh->m_vWorldMin.y, expected.y);
        EXPECT_GE(mesh->m_vWorldMax.z, expected.z);
    }
    mesh->SetExtraAngles(0, 0, 0);
    mesh->SetScale(2, 1, 1);

    // The segment test against the placed box.
    const D3DXVECTOR3 a(10, -5, 0), b(10, 5, 0), c(20, -5, 0), d(20, 5, 0);
    EXPECT_TRUE(mesh->Intersect(&a, &b));
    EXPECT_FALSE(mesh->Intersect(&c, &d));
    EXPECT_FALSE(mesh->Intersect(nullptr, &b));
}

TEST_F(InstanceTest, SocketsAreFoundInLoadOrderAndPlacedInTheWorld)
{
    Write("meshes\\gun.x", Box(-1, -1, -1, 1, 1, 1));
    ASSERT_TRUE(Create("meshes\\gun.x"));
    const D3DXQUATERNION id = Identity();
    object.vPosition = D3DXVECTOR3(10, 0, 0);
    mesh->SetRotation(&id);

    temp->Write("scripts/mesh_sockets/a.txt",
                "mesh_filename meshes\\gun.x\nsocket muzzle 0 0 2\n  SOCKET Grip 0 -1 0\r\n");
    temp->Write("scripts/mesh_sockets/B.txt",
                "Mesh_FileName MESHES\\GUN.X\nsocket muzzle 9 9 9\nsocket scope 0 1.5 0\n");
    std::string many = "mesh_filename meshes\\other.x\n";
    for (int i = 0; i < 61; ++i)
        many += "socket s" + std::to_string(i) + " 1 2 3\n";
    temp->Write("scripts/mesh_sockets/c.txt", many);
    std::filesystem::create_directories("scripts/mesh_sockets/folder.txt");
    MeshSocketsMgr sockets;
    EXPECT_EQ(sockets.LoadAll(), 3);
    EXPECT_EQ(sockets.File(2).dwNumSockets, 60u);
    EXPECT_NE(ConsoleLog().find("ERROR in  MeshSocketsMgr.cpp: MAX_SOCKETS_IN_ONE_FILE exceeded!"),
              std::string::npos);

    D3DXVECTOR3 at;
    ASSERT_TRUE(sockets.GetSocket(&object, "MUZZLE", &at));
    ExpectVec(at, 10, 0, 2); // the earlier file wins
    ASSERT_TRUE(sockets.GetSocket(&object, "grip", &at));
    ExpectVec(at, 10, -1, 0);
    ASSERT_TRUE(sockets.GetSocket(&object, "scope", &at));
    ExpectVec(at, 10, 1.5f, 0);
    EXPECT_FALSE(sockets.GetSocket(&object, "s1", &at)) << "sockets of another mesh";
    EXPECT_FALSE(sockets.GetSocket(&object, nullptr, &at));
    object.Type = OT_SKINMESH;
    EXPECT_FALSE(sockets.GetSocket(&object, "muzzle", &at)) << "skinned meshes have sockets of their own";
    object.Type = OT_MESH;

    MeshSocketsMgr none;
    std::filesystem::remove_all("scripts");
    EXPECT_EQ(none.LoadAll(), 0);
}

// A caller that remembers where its socket was found gets what the lookup by
// name gives, whatever changed since: the files loaded again with the socket
// renamed or in another order, the object's mesh swapped or made again from
// another file, the socket gone and back.
TEST_F(InstanceTest, ARememberedSocketGivesWhatTheLookupByNameGivesWhateverChangedSince)
{
    const std::string gunA = "mesh_filename meshes\\gun.x\nsocket grip 0 -1 0\nsocket muzzle 0 0 2\n";
    const std::string gunB = "mesh_filename meshes\\gun.x\nsocket muzzle 9 9 9\n";
    Write("meshes\\gun.x", Box(-1, -1, -1, 1, 1, 1));
    Write("meshes\\pistol.x", Box(-1, -1, -1, 1, 1, 1));
    temp->Write("scripts/mesh_sockets/p.txt", "mesh_filename meshes\\pistol.x\nsocket MUZZLE 0 0 5\n");
    const D3DXQUATERNION id = Identity();
    EMesh pistol;
    pistol.SetOwner(&object);
    ASSERT_TRUE(pistol.Create("meshes\\pistol.x"));
    pistol.SetRotation(&id);
    MeshSocketsMgr sockets;
    const auto reload = [&](const std::string& a, const std::string& b)
    {
        temp->Write("scripts/mesh_sockets/a.txt", a);
        temp->Write("scripts/mesh_sockets/b.txt", b);
        ASSERT_EQ(sockets.LoadAll(), 3);
    };

    struct Case
    {
        const char* name;
        std::function<void()> change;
        bool found;
        D3DXVECTOR3 at;
    };
    const Case cases[] = {
        {"nothing", [] {}, true, {10, 0, 2}},
        {"the object moved",
         [&]
         {
             object.vPosition.x = 20;
             mesh->SetRotation(&id);
         },
         true,
         {20, 0, 2}},
        {"loaded again, the same", [&] { reload(gunA, gunB); }, true, {10, 0, 2}},
        {"renamed in its file: the later file's",
         [&] { reload("mesh_filename meshes\\gun.x\nsocket grip 0 -1 0\nsocket barrel 0 0 2\n", gunB); },
         true,
         {19, 9, 9}},
        {"renamed in both files",
         [&] { reload("mesh_filename meshes\\gun.x\nsocket barrel 0 0 2\n", ""); },
         false,
         {}},
        {"an earlier socket of its file renamed to it",
         [&] { reload("mesh_filename meshes\\gun.x\nsocket Muzzle 0 -1 0\nsocket muzzle 0 0 2\n", gunB); },
         true,
         {10, -1, 0}},
        {"loaded again in another order", [&] { reload(gunB, gunA); }, true, {19, 9, 9}},
        {"gone", [&] { sockets.Clear(); }, false, {}},
        {"gone and back",
         [&]
         {
             sockets.Clear();
             sockets.LoadAll();
         },
         true,
         {10, 0, 2}},
        {"the mesh swapped",
         [&]
         {
             object.Object = &pistol;
             pistol.SetRotation(&id);
         },
         true,
         {10, 0, 5}},
        {"the mesh made again from another file",
         [&]
         {
             ASSERT_TRUE(Create("meshes\\pistol.x"));
             mesh->SetRotation(&id);
         },
         true,
         {10, 0, 5}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        object.Object = mesh.get();
        ASSERT_TRUE(Create("meshes\\gun.x"));
        object.vPosition = D3DXVECTOR3(10, 0, 0);
        mesh->SetRotation(&id);
        reload(gunA, gunB);
        MeshSocketRef ref = {};
        D3DXVECTOR3 at;
        ASSERT_TRUE(sockets.GetSocket(&object, "muzzle", &at, &ref));
        ExpectVec(at, 10, 0, 2);
        c.change();
        D3DXVECTOR3 byName(-1, -1, -1), remembered(-2, -2, -2);
        const bool foundByName = sockets.GetSocket(&object, "muzzle", &byName);
        EXPECT_EQ(foundByName, c.found);
        // Twice: from the place found before the change, then from the one found after it.
        for (int call = 0; call < 2; ++call)
        {
            EXPECT_EQ(sockets.GetSocket(&object, "muzzle", &remembered, &ref), foundByName)
                << "call " << call;
            if (c.found)
                EXPECT_EQ(remembered, byName) << "call " << call;
        }
        if (c.found)
            ExpectVec(byName, c.at.x, c.at.y, c.at.z);
    }
    object.Object = mesh.get();
    pistol.ReleaseMaterials();
}

TEST_F(InstanceTest, PaintedColoursGoToMatchingFacesOnly)
{
    // Two separate triangles, so each face owns its three vertices.
    XMeshDesc pair;
    pair.positions = {0, 0, 0, 0, 1, 0, 1, 0, 0, 5, 0, 0, 5, 1, 0, 6, 0, 0};
    pair.texcoords = {0, 1, 0, 0, 1, 1, 0, 1, 0, 0, 1, 1};
    pair.indices = {0, 1, 2, 3, 4, 5};
    XMaterialDesc m;
    m.texture = "ground.tga";
    pair.materials = {m};
    Write("meshes\\field.x", pair);
    ASSERT_TRUE(Create("meshes\\field.x"));
    ID3DXMesh* body = mesh->m_pDrawMesh;
    ASSERT_EQ(body->GetNumFaces(), 2u);

    // Records from the processed mesh's own faces, as the painting tool writes them.
    auto corners = [&](DWORD face, D3DXVECTOR3 out[3])
    {
        void* vb = nullptr;
        void* ib = nullptr;
        body->LockVertexBuffer(D3DLOCK_READONLY, &vb);
        body->LockIndexBuffer(D3DLOCK_READONLY, &ib);
        for (int c = 0; c < 3; ++c)
        {
            const uint16_t v = static_cast<uint16_t*>(ib)[face * 3 + c];
            std::memcpy(&out[c], static_cast<uint8_t*>(vb) + v * 64, sizeof out[c]);
        }
        body->UnlockIndexBuffer();
        body->UnlockVertexBuffer();
    };
    auto colours = [&](DWORD face)
    {
        std::vector<DWORD> out;
        void* vb = nullptr;
        void* ib = nullptr;
        body->LockVertexBuffer(D3DLOCK_READONLY, &vb);
        body->LockIndexBuffer(D3DLOCK_READONLY, &ib);
        for (int c = 0; c < 3; ++c)
        {
            const uint16_t v = static_cast<uint16_t*>(ib)[face * 3 + c];
            DWORD colour;
            std::memcpy(&colour, static_cast<uint8_t*>(vb) + v * 64 + 12, sizeof colour);
            out.push_back(colour);
        }
        body->UnlockIndexBuffer();
        body->UnlockVertexBuffer();
        return out;
    };
    const std::vector<DWORD> before0 = colours(0);
    auto makeFile = [&](float shift, uint32_t claimed, int extra)
    {
        std::string dat;
        PutU32(&dat, MULTI_TEXTURE_DATA_VERSION);
        PutU32(&dat, claimed);
        for (DWORD f = 0; f < 2 + static_cast<DWORD>(extra); ++f)
        {
            D3DXVECTOR3 p[3];
            corners(f % 2, p);
            for (int c = 0; c < 3; ++c)
            {
                PutFloat(&dat, p[c].x + (f == 0 && c == 0 ? shift : 0.0f));
                PutFloat(&dat, p[c].y);
                PutFloat(&dat, p[c].z);
                PutU32(&dat, 0xFF000000u | (f << 8) | static_cast<uint32_t>(c + 1));
            }
        }
        temp->Write("scripts/multi_texture_painting/meshes_field_x.dat", dat);
    };
    char name[300];
    EMultiTexturePaintingScripts::GetDataFileName("prefabs\\ground\\field.x", name, sizeof name);
    EXPECT_STREQ(name, "scripts\\multi_texture_painting\\prefabs_ground_field_x.dat");

    // The first corner of face 0 lies 0.02 away: face 0 keeps its colours, face 1 is painted; the
    // records beyond the mesh's faces are ignored.
    makeFile(0.02f, 4, 2);
    g_MultiTexturePainting.LoadDataFromScript(&object);
    EXPECT_EQ(colours(0), before0);
    EXPECT_EQ(colours(1), (std::vector<DWORD>{0xFF000101u, 0xFF000102u, 0xFF000103u}));

    // Within 0.01 (inclusive): painted. A count far beyond the file ends at its last record.
    makeFile(0.005f, 0x7FFFFFFF, 0);
    g_MultiTexturePainting.LoadDataFromScript(&object);
    EXPECT_EQ(colours(0), (std::vector<DWORD>{0xFF000001u, 0xFF000002u, 0xFF000003u}));

    // Another object with the same mesh shares the painting.
    strObject other = {};
    other.bUsed = 1;
    other.Type = OT_MESH;
    EMesh second;
    second.SetOwner(&other);
    other.Object = &second;
    ASSERT_TRUE(second.Create("meshes\\field.x"));
    EXPECT_EQ(second.m_pDrawMesh, body);
    second.ReleaseMaterials();

    // A mesh of another vertex size is reported and left alone.
    ID3DXMesh* small = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(2, 6, D3DXMESH_MANAGED, D3DFVF_XYZ, device, &small), D3D_OK);
    mesh->m_pDrawMesh = small;
    makeFile(0.0f, 2, 0);
    g_MultiTexturePainting.LoadDataFromScript(&object);
    EXPECT_NE(ConsoleLog().find("dwSizeOfVertexInBytes != sizeof(struct TK_VERTEX)"), std::string::npos);
    void* p = nullptr;
    small->LockVertexBuffer(D3DLOCK_READONLY, &p);
    const std::vector<uint8_t> zeros(6 * 12, 0);
    EXPECT_EQ(std::memcmp(p, zeros.data(), zeros.size()), 0);
    small->UnlockVertexBuffer();
    mesh->m_pDrawMesh = nullptr;
    g_MultiTexturePainting.LoadDataFromScript(&object);
    EXPECT_NE(ConsoleLog().find("pMesh is NULL"), std::string::npos);
    small->Release();
}

// A world load probes every instance of a mesh for its levels of detail and
// its painted colours; within the load a file found missing is not looked for
// again, but one the game itself writes meanwhile is found by the next instance.
TEST_F(InstanceTest, AFileMadeDuringALoadIsFoundByTheNextInstance)
{
    g_Options.UseOPT = 1;
    std::filesystem::create_directories("!opt");
    Write("meshes\\tower.x", Box(0, 0, 0, 1, 4, 1));
    const TkPathBatch load;
    ASSERT_TRUE(Create("meshes\\tower.x"));
    object.pMeshEntry = mesh->GetMeshEntry();
    g_MeshMgr.UpdateObject(&object);
    g_MultiTexturePainting.LoadDataFromScript(&object);
    strmesh* entry = mesh->GetMeshEntry();
    EXPECT_EQ(entry->pLod[0], nullptr);

    // The game writes a level of detail and a painting of face 0 through its own file calls.
    Write("!opt\\meshes_tower.xvx0.x", Box(0, 0, 0, 1, 4, 1), XFormat::Binary);
    ID3DXMesh* body = mesh->m_pDrawMesh;
    void* vb = nullptr;
    void* ib = nullptr;
    ASSERT_EQ(body->LockVertexBuffer(D3DLOCK_READONLY, &vb), D3D_OK);
    ASSERT_EQ(body->LockIndexBuffer(D3DLOCK_READONLY, &ib), D3D_OK);
    std::string dat;
    PutU32(&dat, MULTI_TEXTURE_DATA_VERSION);
    PutU32(&dat, 1);
    for (int c = 0; c < 3; ++c)
    {
        D3DXVECTOR3 p;
        std::memcpy(&p, static_cast<uint8_t*>(vb) + static_cast<uint16_t*>(ib)[c] * 64, sizeof p);
        PutFloat(&dat, p.x);
        PutFloat(&dat, p.y);
        PutFloat(&dat, p.z);
        PutU32(&dat, 0xFF00AA00u);
    }
    const uint16_t firstCorner = static_cast<uint16_t*>(ib)[0];
    body->UnlockIndexBuffer();
    body->UnlockVertexBuffer();
    std::filesystem::create_directories("scripts/multi_texture_painting");
    FILE* f = TkFopen("scripts\\multi_texture_painting\\meshes_tower_x.dat", "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(dat.data(), 1, dat.size(), f);
    std::fclose(f);

    strObject other;
    EMesh second;
    ASSERT_TRUE(MakeMeshObject(other, second, "meshes\\tower.x"));
    g_MeshMgr.UpdateObject(&other);
    g_MultiTexturePainting.LoadDataFromScript(&other);
    EXPECT_NE(entry->pLod[0], nullptr) << "the level of detail written during the load";
    ASSERT_EQ(body->LockVertexBuffer(D3DLOCK_READONLY, &vb), D3D_OK);
    DWORD colour = 0;
    std::memcpy(&colour, static_cast<uint8_t*>(vb) + firstCorner * 64 + 12, sizeof colour);
    body->UnlockVertexBuffer();
    EXPECT_EQ(colour, 0xFF00AA00u) << "the painting written during the load";
    second.ReleaseMaterials();
}
