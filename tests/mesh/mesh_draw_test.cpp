// DrawSubset draws each subset of a table mesh from its attribute range: the bundled hut, seen from
// the side on the headless back buffer, shows its walls and its roof in their subsets' colours.
#include "support/BuildPaths.h"
#include "mesh_fixture.h"

#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/SurfaceSave.h"
#include "support/Bitmap.h"

using namespace meshtest;

namespace
{
constexpr D3DCOLOR kBackground = D3DCOLOR_XRGB(0, 0, 64);
constexpr D3DCOLOR kWalls = D3DCOLOR_XRGB(255, 0, 0);
constexpr D3DCOLOR kRoof = D3DCOLOR_XRGB(0, 255, 0);
constexpr float kPixelsPerUnit = 8.0f;

struct ScreenVertex
{
    float x, y, z, rhw;
    D3DCOLOR colour;
};
} // namespace

TEST_F(MeshTest, SubsetsOfTheHutDrawInTheirRanges)
{
    std::filesystem::create_directories("prefabs");
    std::filesystem::copy_file(tk::test::DataDir() / "prefabs/hut.x", "prefabs/hut.x");
    const strmesh* hut = g_MeshMgr.GetEntry(g_MeshMgr.LoadMesh("prefabs\\hut.x"));
    ASSERT_NE(hut, nullptr);

    // The hut as screen vertices: x to the right, y up the screen, coloured by subset.
    ID3DXMesh* flat = nullptr;
    ASSERT_EQ(hut->pMesh->CloneMeshFVF(D3DXMESH_MANAGED, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, device, &flat),
              D3D_OK);
    void* data = nullptr;
    void* source = nullptr;
    ASSERT_EQ(flat->LockVertexBuffer(0, &data), D3D_OK);
    ASSERT_EQ(hut->pMesh->LockVertexBuffer(D3DLOCK_READONLY, &source), D3D_OK);
    auto* v = static_cast<ScreenVertex*>(data);
    const auto* world = static_cast<const TK_VERTEX*>(source);
    for (DWORD subset = 0; subset < hut->dwNumMaterials; ++subset)
        for (DWORD i = 0; i < hut->dwVertexCount[subset]; ++i)
        {
            const DWORD n = hut->dwFirstVertex[subset] + i;
            ScreenVertex& s = v[n];
            s.x = params.BackBufferWidth / 2.0f + world[n].x * kPixelsPerUnit;
            s.y = params.BackBufferHeight / 2.0f - world[n].y * kPixelsPerUnit;
            s.z = 0.5f;
            s.rhw = 1.0f;
            s.colour = subset == 0 ? kWalls : kRoof;
        }
    hut->pMesh->UnlockVertexBuffer();
    flat->UnlockVertexBuffer();

    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    for (DWORD subset = 0; subset < hut->dwNumMaterials; ++subset)
        EXPECT_EQ(flat->DrawSubset(subset), D3D_OK);
    device->EndScene();
    flat->Release();

    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    ASSERT_EQ(D3DXSaveSurfaceToFileA("hut.bmp", D3DXIFF_BMP, back, nullptr, nullptr), D3D_OK);
    back->Release();
    Bitmap picture;
    ASSERT_TRUE(picture.Parse(temp->Read("hut.bmp")));
    const int cx = picture.width / 2, cy = picture.height / 2;
    const auto at = [&](float x, float y)
    {
        return picture.Pixel(cx + static_cast<int>(x * kPixelsPerUnit),
                             cy - static_cast<int>(y * kPixelsPerUnit));
    };
    // After centring the walls span y -2.5 to 0.5 and the roof 0.5 to 2.5.
    EXPECT_EQ(at(0, -1.5f), kWalls & 0xFFFFFF);
    EXPECT_EQ(at(-1.5f, -2.0f), kWalls & 0xFFFFFF);
    EXPECT_EQ(at(0, 1.5f), kRoof & 0xFFFFFF);
    EXPECT_EQ(at(-2.4f, 2.2f), kBackground & 0xFFFFFF) << "beside the roof's slope";
    EXPECT_EQ(at(2.9f, -1.5f), kBackground & 0xFFFFFF) << "beside the walls";
}
