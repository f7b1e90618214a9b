// The power lines: the script chosen by the world's name, the poles and
// sockets it names (missing ones hang no cable), the cable geometry of a span
// (sag, segments, the colour word), the rebuild after the camera moves, the
// reach, a full buffer, and the pass that draws them.

#include "environment/SlupMgr.h"
#include "mesh/MeshSocketsMgr.h"
#include "world/world_fixture.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

using namespace worldtest;

namespace
{
struct CableVertex
{
    float x, y, z;
    DWORD colour;
    float ax, ay, az;
    BYTE unused[24];
    float u, v;
    BYTE unused2[4];
};
static_assert(sizeof(CableVertex) == ESlupMgr::VERTEX_SIZE, "the cable vertex is 64 bytes");

class PowerLinesTest : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        std::snprintf(g_Engine.m_szWorld, sizeof g_Engine.m_szWorld, "%s", "worlds\\Level01.w");
        temp->Write("scripts/mesh_sockets/box.txt",
                    "mesh_filename meshes\\box.x\r\nsocket top 0 5 0\r\nsocket side 1 4 0\r\n");
        g_MeshSockets.Clear();
        ASSERT_TRUE(g_MeshSockets.LoadFile("scripts\\mesh_sockets\\box.txt"));
        g_Camera.SetFarPlane(1000.0f);
        PlaceHero(D3DXVECTOR3(0.0f, 2.0f, 0.0f));
        g_Engine.m_fDeltaTime = 0.02f;
        std::srand(5);
        mgr = std::make_unique<ESlupMgr>();
    }
    void TearDown() override
    {
        mgr->Release();
        EXPECT_EQ(Tracked(ESlupMgr::VB_TAG), 0u);
        mgr.reset();
        g_MeshSockets.Clear();
        WorldTest::TearDown();
    }
    static HOBJECT Pole(const char* name, float x, float z)
    {
        HOBJECT o = Mesh(name);
        EXPECT_NE(o, nullptr);
        const D3DXVECTOR3 at(x, 0.0f, z);
        if (o)
            g_Engine.SetObjectPosition(o, &at, 1);
        return o;
    }
    void Script(const std::string& name, const std::string& text)
    {
        temp->Write("scripts/slupy/" + name, text);
    }
    // The vertices of the last rebuild, read back from the buffer.
    std::vector<CableVertex> Vertices() const
    {
        std::vector<CableVertex> out(mgr->m_dwVertices);
        void* bytes = nullptr;
        if (mgr->m_pCableVB && SUCCEEDED(mgr->m_pCableVB->Lock(0, 0, &bytes, D3DLOCK_READONLY)) && bytes)
        {
            std::memcpy(out.data(), bytes, out.size() * sizeof(CableVertex));
            mgr->m_pCableVB->Unlock();
        }
        return out;
    }

    std::unique_ptr<ESlupMgr> mgr;
};

TEST_F(PowerLinesTest, TheScriptNamingTheWorldHangsTenSegmentsASpanPerSocket)
{
    Pole("p1", 0.0f, 0.0f);
    Pole("p2", 30.0f, 0.0f);
    Pole("p3", 60.0f, 0.0f);
    Script("a_other.txt", "world level07\nlinia\nsocket top\nslup p1\nslup p2\n");
    Script("b_town.txt", "world LEVEL01\r\nlinia\r\ngrubosc_kabla 0.06\r\nsocket top\r\nsocket side\r\nslup "
                         "p1\r\nslup p2\r\nslup p3");
    const size_t logged = ConsoleLog().size();
    EXPECT_EQ(mgr->FindScript(), "scripts\\slupy\\b_town.txt");
    mgr->Load();
    ASSERT_NE(mgr->m_pLinie, nullptr);
    EXPECT_EQ(mgr->m_pLinie->pNext, nullptr) << "the other world's line is not read";
    EXPECT_FLOAT_EQ(mgr->m_pLinie->fThickness, 0.06f);
    // The poles run opposite to the script's order.
    EXPECT_STREQ(mgr->m_pLinie->pSlupy->szName, "p3");
    for (const strSlup* p = mgr->m_pLinie->pSlupy; p; p = p->pNext)
        for (int i = 0; i < 2; ++i)
        {
            EXPECT_GE(p->fSag[i], 0.9f);
            EXPECT_LE(p->fSag[i], 1.34f);
        }
    EXPECT_EQ(mgr->m_pCableVB, nullptr) << "the first update builds";
    // Loaded again without a release: still the one line.
    mgr->Load();
    ASSERT_NE(mgr->m_pLinie, nullptr);
    EXPECT_EQ(mgr->m_pLinie->pNext, nullptr);
    mgr->Update();
    // Two spans, two sockets, ten segments of four triangles.
    EXPECT_EQ(mgr->m_dwTriangles, 2u * 2u * 10u * 4u);
    EXPECT_EQ(mgr->m_dwVertices, 3u * mgr->m_dwTriangles);
    EXPECT_EQ(Tracked(ESlupMgr::VB_TAG), 1u);
    EXPECT_EQ(ConsoleLog().substr(logged), "") << "every pole and socket was found";
    // Every vertex hangs between the two socket heights' sag, never at the origin.
    for (const CableVertex& v : Vertices())
    {
        EXPECT_GT(v.y, 3.0f);
        EXPECT_LE(v.y, 5.1f);
    }
}

TEST_F(PowerLinesTest, ASpanSagsByItsLengthAndCarriesItsWeightAndPhaseInTheColour)
{
    Pole("p1", 0.0f, 0.0f);
    Pole("p2", 100.0f, 0.0f);
    Script("town.txt", "world level01\nlinia\nsocket top\nslup p1\nslup p2\n");
    mgr->Load();
    ASSERT_NE(mgr->m_pLinie, nullptr);
    // Sag factor 1 and a known phase on the pole the span starts from: the
    // list's first, the script's last.
    strSlup* from = mgr->m_pLinie->pSlupy;
    ASSERT_NE(from, nullptr);
    from->fSag[0] = 1.0f;
    from->fPhase[0] = 2.0f;
    mgr->Update();
    ASSERT_EQ(mgr->m_dwVertices, 10u * 12u);
    const std::vector<CableVertex> v = Vertices();
    // Segment 5 starts at the middle of the span: 2.4 below the straight line.
    const CableVertex& mid = v[5 * 12];
    EXPECT_NEAR(mid.ax, 50.0f, 1e-3f);
    EXPECT_NEAR(mid.ay, 5.0f - 2.4f, 1e-4f);
    // Its start has weight 0.4 and the phase 2.0 rad in the next bits; the
    // upper edge of the vertical ribbon is marked in the third byte.
    EXPECT_EQ(mid.colour & 0xFF, 102u);
    EXPECT_EQ((mid.colour >> 8) & 0xFF, static_cast<DWORD>(2.0f * 255.0f) & 0xFF);
    EXPECT_EQ(v[5 * 12 + 7].colour, mid.colour | 0xFF0000u);
    // The horizontal ribbon is 1.4 thickness wide, the vertical one 1.0.
    EXPECT_NEAR(std::fabs(v[5 * 12 + 2].z - v[5 * 12].z), 0.7f * 2.0f * 0.05f, 1e-5f);
    EXPECT_NEAR(v[5 * 12 + 7].y - v[5 * 12 + 6].y, 0.05f, 1e-5f);
}

TEST_F(PowerLinesTest, MissingPolesAndSocketsHangNoCableAndNamesMustFit)
{
    Pole("p1", 0.0f, 0.0f);
    Pole("p3", 60.0f, 0.0f);
    Pole("p4", 90.0f, 0.0f);
    const std::string longName(64, 's');
    Script("town.txt", "world level01\nlinia\nsocket top\nsocket nosuch\nsocket " + longName +
                           "\nslup p1\nslup p2\nslup p3\nsocket side\nslup p4\n");
    mgr->Load();
    EXPECT_NE(ConsoleLog().find("Brak slupa p2"), std::string::npos);
    EXPECT_NE(ConsoleLog().find("Slup p1 - brak socketa nosuch"), std::string::npos);
    EXPECT_EQ(mgr->m_pLinie->dwSockets, 3u) << "the long name is refused";
    mgr->Update();
    // p1 - p2 and p2 - p3 have no pole at p2; p3 - p4 carries "top" only: "nosuch"
    // is on neither, and "side" came after p3 was read.
    EXPECT_EQ(mgr->m_dwTriangles, 40u);
    for (const CableVertex& v : Vertices())
        EXPECT_GE(v.x, 59.0f) << "no span to the origin";
}

TEST_F(PowerLinesTest, TheCablesAreRebuiltAfterMoreThanTenUnitsAndOnlyWithinReach)
{
    Pole("p1", 0.0f, 0.0f);
    Pole("p2", 30.0f, 0.0f);
    Pole("p3", 2000.0f, 0.0f);
    Pole("p4", 2030.0f, 0.0f);
    Script("town.txt", "world level01\nlinia\nsocket top\nslup p1\nslup p2\nslup p3\nslup p4\n");
    mgr->Load();
    mgr->Update();
    // p2 - p3 has p2 within reach; p3 - p4 lies beyond the far plane + 50.
    EXPECT_EQ(mgr->m_dwTriangles, 80u);
    // Exactly 10 units: no rebuild; 10.01: rebuilt, and the stored camera follows.
    mgr->m_dwTriangles = 0;
    PlaceHero(D3DXVECTOR3(10.0f, 2.0f, 0.0f));
    mgr->Update();
    EXPECT_EQ(mgr->m_dwTriangles, 0u);
    EXPECT_EQ(mgr->m_vLastCamera, D3DXVECTOR3(0.0f, 2.0f, 0.0f));
    PlaceHero(D3DXVECTOR3(10.01f, 2.0f, 0.0f));
    mgr->Update();
    EXPECT_EQ(mgr->m_dwTriangles, 80u);
    EXPECT_EQ(mgr->m_vLastCamera, D3DXVECTOR3(10.01f, 2.0f, 0.0f));
    // Near the far poles: those spans come in, the first goes out.
    PlaceHero(D3DXVECTOR3(2015.0f, 2.0f, 0.0f));
    mgr->Update();
    EXPECT_EQ(mgr->m_dwTriangles, 80u);
    for (const CableVertex& v : Vertices())
        EXPECT_GT(v.x, 29.0f);
    // The wind turns: 1.6 rad a second, kept within a turn.
    for (int i = 0; i < 500; ++i)
        mgr->Update();
    EXPECT_GE(mgr->m_fWindPhase, 0.0f);
    EXPECT_LE(mgr->m_fWindPhase, 6.2831855f);
}

TEST_F(PowerLinesTest, ThinCablesPolesInOnePlaceAndAFullBufferBuildNoMore)
{
    Pole("p1", 0.0f, 0.0f);
    Pole("p2", 0.0f, 0.0f);
    Pole("p3", 30.0f, 0.0f);
    Script("town.txt", "world level01\nlinia\ngrubosc_kabla 0.009\nsocket top\nslup p1\nslup p3\n"
                       "linia\nsocket top\nslup p1\nslup p2\n");
    mgr->Load();
    mgr->Update();
    EXPECT_EQ(mgr->m_dwTriangles, 0u) << "too thin, and no length";
    EXPECT_EQ(mgr->m_dwVertices, 0u);

    // A full buffer drops what does not fit and never writes past its end.
    ASSERT_NE(mgr->m_pCableVB, nullptr);
    void* bytes = nullptr;
    ASSERT_EQ(mgr->m_pCableVB->Lock(0, 0, &bytes, D3DLOCK_DISCARD), D3D_OK);
    mgr->m_pCursor = static_cast<BYTE*>(bytes);
    mgr->m_dwVertices = 0;
    mgr->m_dwTriangles = 0;
    for (int i = 0; i < 300; ++i)
        mgr->AddSpan(D3DXVECTOR3(0, 5, static_cast<float>(i)), D3DXVECTOR3(30, 5, static_cast<float>(i)),
                     0.06f, 1.0f, 0.0f);
    mgr->m_pCableVB->Unlock();
    mgr->m_pCursor = nullptr;
    EXPECT_LE(mgr->m_dwVertices, ESlupMgr::CAPACITY);
    EXPECT_GT(mgr->m_dwVertices, ESlupMgr::CAPACITY - 13);
    EXPECT_EQ(mgr->m_dwVertices % 12, 0u);
}

TEST_F(PowerLinesTest, NoScriptNoLinesAndTheReleaseRunsTwice)
{
    Script("town.txt", "world level09\nlinia\nsocket top\n");
    mgr->Load();
    EXPECT_EQ(mgr->m_pLinie, nullptr);
    mgr->Update();
    EXPECT_EQ(mgr->m_pCableVB, nullptr);
    // Nothing to draw: the passes touch no state.
    mgr->RenderCableSkyLight();
    mgr->RenderCableSkyLightF();
    mgr->Release();
    mgr->Release();
    EXPECT_EQ(mgr->m_pLinie, nullptr);
}
} // namespace
