// Device creation: the hardware attempts, the software fall-back, total
// failure, the depth-stencil search, multisampling and the vertex declarations.
#include "device_fixture.h"

#include "shell/TextMgr.h"

#include <cstddef>
#include <cstring>

using namespace devicetest;

namespace
{
const char* const kFirst = "First Create failed, checking for different format";
const char* const kSecond = "Second Create failed, checking for last different format";
const char* const kNoLight[] = {"Switching to no light mode",
                                "Your video hardware seems to be not compatible with hardware TnL",
                                "You will not have light in the game, sorry."};

DWORD RenderState(D3DRENDERSTATETYPE state)
{
    DWORD value = 0xDEADBEEF;
    EXPECT_EQ(g_pD3DInterface->GetRenderState(state, &value), D3D_OK);
    return value;
}

TEST_F(DeviceShellTest, DeviceIsCreatedReadyAndPublished)
{
    CreateDevice();
    ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
    ASSERT_NE(g_pD3DInterface, nullptr);
    EXPECT_EQ(g_pD3DInterface, TkD3D9CurrentDevice());
    EXPECT_EQ(g_D3DMain.m_pDevice, g_pD3DInterface);
    EXPECT_EQ(g_D3DMain.m_pD3D, g_pD3D);
    EXPECT_EQ(g_Options.NoLight, 0);

    const auto log = Log();
    EXPECT_TRUE(Contains(log, "> Driver: tovak_headless"));
    EXPECT_TRUE(Contains(log, "> Description: Tovak headless Direct3D 9 device"));
    EXPECT_TRUE(Contains(log, "CreateDevice OK"));
    EXPECT_FALSE(Contains(log, kFirst));
    EXPECT_FALSE(Contains(log, kNoLight[0]));

    // The parameters every reset reuses.
    EXPECT_EQ(g_d3dpp.BackBufferWidth, 320u);
    EXPECT_EQ(g_d3dpp.BackBufferHeight, 240u);
    EXPECT_EQ(g_d3dpp.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(g_d3dpp.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(g_d3dpp.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
    EXPECT_TRUE(g_d3dpp.Windowed);
    EXPECT_TRUE(g_d3dpp.EnableAutoDepthStencil);

    // The back buffer is render target 0 of the device.
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(g_pD3DInterface->GetRenderTarget(0, &target), D3D_OK);
    EXPECT_EQ(target, g_pBackBuffer);
    target->Release();

    // The start-up frame was presented, black.
    EXPECT_EQ(TkD3D9GetPresentCount(g_pD3DInterface), 1u);
    TkSurfacePixels shown = {};
    ASSERT_TRUE(TkD3D9GetLastPresented(g_pD3DInterface, &shown));
    EXPECT_EQ(shown.width, 320u);
    EXPECT_EQ(reinterpret_cast<const DWORD*>(shown.bits)[0] & 0xFFFFFF, 0u);

    // The engine is up, and the fog starts black.
    EXPECT_EQ(g_Engine.m_bInitialised, 1);
    EXPECT_EQ(g_Engine.m_hWnd, g_hWnd);
    EXPECT_EQ(Env.m_dwFogColor, 0u);
}

// Each failed hardware attempt leaves its line; the fourth attempt is the
// software one, with the no-light byte.
struct FailureCase
{
    int failures;
    bool first, second, noLight, ready;
};

class CreateFailures : public DeviceShellTest, public ::testing::WithParamInterface<FailureCase>
{
};

TEST_P(CreateFailures, EachFailedAttemptLeavesItsLines)
{
    const FailureCase c = GetParam();
    TkD3D9FailCreateDevice(c.failures);
    CreateDevice();
    const auto log = Log();
    EXPECT_EQ(Contains(log, kFirst), c.first);
    EXPECT_EQ(Contains(log, kSecond), c.second);
    for (const char* line : kNoLight)
        EXPECT_EQ(Contains(log, line), c.noLight) << line;
    EXPECT_EQ(g_Options.NoLight, c.noLight ? 1 : 0);
    EXPECT_EQ(g_D3DMain.m_bDeviceReady, c.ready ? 1 : 0);
    EXPECT_EQ(Contains(log, "CreateDevice OK"), c.ready);
    EXPECT_EQ(g_pD3DInterface != nullptr, c.ready);
    if (c.first && c.ready)
    {
        EXPECT_LT(IndexOf(log, kFirst), IndexOf(log, "CreateDevice OK"));
    }
}

INSTANTIATE_TEST_SUITE_P(DeviceShell, CreateFailures,
                         ::testing::Values(FailureCase{0, false, false, false, true},
                                           FailureCase{1, true, false, false, true},
                                           FailureCase{2, true, true, false, true},
                                           FailureCase{3, true, true, true, true},
                                           FailureCase{4, true, true, true, false}));

TEST_F(DeviceShellTest, ThreeFailedHardwareAttemptsPrintTheirLinesInOrder)
{
    TkD3D9FailCreateDevice(3);
    CreateDevice();
    ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
    const auto log = Log();
    const int first = IndexOf(log, kFirst);
    const int second = IndexOf(log, kSecond);
    const int noLight = IndexOf(log, kNoLight[0]);
    const int ok = IndexOf(log, "CreateDevice OK");
    ASSERT_GE(first, 0);
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(noLight, second + 1);
    EXPECT_EQ(IndexOf(log, kNoLight[1]), noLight + 1);
    EXPECT_EQ(IndexOf(log, kNoLight[2]), noLight + 2);
    EXPECT_GT(ok, noLight + 2);
    EXPECT_EQ(Count(log, kFirst), 1);
    EXPECT_EQ(Count(log, kSecond), 1);
}

TEST_F(DeviceShellTest, WithoutHardwareVertexProcessingTheDeviceRunsInNoLightMode)
{
    TkD3D9SetHardwareVertexProcessing(false);
    CreateDevice();
    ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
    EXPECT_EQ(g_Options.NoLight, 1);
    const auto log = Log();
    EXPECT_TRUE(Contains(log, kFirst));
    EXPECT_TRUE(Contains(log, kSecond));
    for (const char* line : kNoLight)
        EXPECT_EQ(Count(log, line), 1) << line;
    // The device it got does its vertex processing in software.
    D3DCAPS9 caps = {};
    ASSERT_EQ(g_pD3DInterface->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_EQ(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0u);
}

TEST_F(DeviceShellTest, NoUsableDeviceWritesTheErrorLogAndShowsTheNoModeBox)
{
    m_dir->Write("scripts/text_keys.txt", ">NoMode No usable display mode\n");
    g_TextMgr.Load("scripts\\text_keys.txt");
    TkD3D9FailCreateDevice(4); // three hardware attempts and the software one
    CreateDevice();
    EXPECT_EQ(g_D3DMain.m_bDeviceReady, 0);
    EXPECT_EQ(g_pD3DInterface, nullptr);
    EXPECT_EQ(TkD3D9CurrentDevice(), nullptr);
    EXPECT_EQ(m_dir->Read("!error.txt").find("First CreateDevice failed"), 0u);

    const auto& boxes = TkHeadlessMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Tovak5");
    EXPECT_EQ(boxes[0].text, "No usable display mode");
    EXPECT_FALSE(Contains(Log(), "CreateDevice OK"));
    g_TextMgr.Free();
}

TEST_F(DeviceShellTest, NoDirect3DObjectShowsItsBoxAndCreatesNothing)
{
    g_pD3D = nullptr;
    g_D3DMain.Create(g_hWnd);
    EXPECT_EQ(g_D3DMain.m_bDeviceReady, 0);
    const auto& boxes = TkHeadlessMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Tk message");
    EXPECT_EQ(boxes[0].text, "DX9.0c or newer could not have been found!");
}

// ---- Depth-stencil search ----------------------------------------------------------

struct StencilCase
{
    const char* name;
    std::vector<D3DFORMAT> supported; // of the five stencil-search formats
    D3DFORMAT chosen;
    bool fourBitFailed;
    bool secondFailed;
};

class StencilSearch : public DeviceShellTest, public ::testing::WithParamInterface<StencilCase>
{
};

TEST_P(StencilSearch, TheFirstFormatInOrderThatFitsIsUsed)
{
    const StencilCase& c = GetParam();
    for (D3DFORMAT f : {D3DFMT_D15S1, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D32})
        TkD3D9SetDepthFormatSupported(f, std::find(c.supported.begin(), c.supported.end(), f) !=
                                             c.supported.end());
    CreateDevice();
    ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
    EXPECT_EQ(g_d3dpp.AutoDepthStencilFormat, c.chosen);
    EXPECT_EQ(g_Options.DepthStencilFormat, static_cast<DWORD>(c.chosen));

    // The device really runs with it.
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(g_pD3DInterface->GetDepthStencilSurface(&depth), D3D_OK);
    D3DSURFACE_DESC desc = {};
    depth->GetDesc(&desc);
    depth->Release();
    EXPECT_EQ(desc.Format, c.chosen);

    const std::string errors = m_dir->Read("!error.txt");
    EXPECT_EQ(errors.find("4-bit stencil failed") != std::string::npos, c.fourBitFailed);
    EXPECT_EQ(errors.find("Second FindStencilFormat failed") != std::string::npos, c.secondFailed);
    EXPECT_EQ(Contains(Log(), "Running game WITHOUT stencil shadows!"), c.secondFailed);
}

INSTANTIATE_TEST_SUITE_P(
    DeviceShell, StencilSearch,
    ::testing::Values(
        StencilCase{"Everything",
                    {D3DFMT_D15S1, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D32},
                    D3DFMT_D24S8,
                    false,
                    false},
        StencilCase{"FourBitsOnly", {D3DFMT_D24X4S4, D3DFMT_D24X8}, D3DFMT_D24X4S4, false, false},
        // With four stencil bits asked for, D15S1 is not even tried.
        StencilCase{"OneBitLosesToFourBits", {D3DFMT_D15S1, D3DFMT_D24X4S4}, D3DFMT_D24X4S4, false, false},
        StencilCase{"OneBitOnly", {D3DFMT_D15S1, D3DFMT_D24X8}, D3DFMT_D15S1, true, false},
        StencilCase{"NoStencil", {D3DFMT_D24X8, D3DFMT_D32}, D3DFMT_D16, true, true}),
    [](const ::testing::TestParamInfo<StencilCase>& info) { return std::string(info.param.name); });

// The search order itself, for every request the table allows.
TEST_F(DeviceShellTest, FindStencilFormatTriesTheFormatsInItsOrder)
{
    CreateDevice();
    ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
    for (D3DFORMAT f : {D3DFMT_D16, D3DFMT_D15S1, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D32})
        TkD3D9SetDepthFormatSupported(f, true);
    struct Request
    {
        DWORD depth, stencil;
        bool found;
        D3DFORMAT format;
    };
    const Request requests[] = {
        {15, 0, true, D3DFMT_D16},   {16, 0, true, D3DFMT_D16},   {17, 0, true, D3DFMT_D24X8},
        {15, 1, true, D3DFMT_D15S1}, {16, 1, true, D3DFMT_D24S8}, {15, 4, true, D3DFMT_D24S8},
        {24, 8, true, D3DFMT_D24S8}, {25, 0, true, D3DFMT_D32},   {32, 0, true, D3DFMT_D32},
        {33, 0, false, D3DFMT_D16},  {15, 9, false, D3DFMT_D16},  {25, 1, false, D3DFMT_D16},
    };
    for (const Request& r : requests)
    {
        g_D3DMain.m_dwMinDepthBits = r.depth;
        g_D3DMain.m_dwMinStencilBits = r.stencil;
        D3DFORMAT out = D3DFMT_UNKNOWN;
        EXPECT_EQ(g_D3DMain.FindStencilFormat(D3DFMT_X8R8G8B8, &out), r.found) << r.depth << "/" << r.stencil;
        if (r.found)
        {
            EXPECT_EQ(out, r.format) << r.depth << "/" << r.stencil;
        }
    }
    // Without D24S8 the four-bit request falls to D24X4S4.
    TkD3D9SetDepthFormatSupported(D3DFMT_D24S8, false);
    g_D3DMain.m_dwMinDepthBits = 15;
    g_D3DMain.m_dwMinStencilBits = 4;
    D3DFORMAT out = D3DFMT_UNKNOWN;
    ASSERT_TRUE(g_D3DMain.FindStencilFormat(D3DFMT_X8R8G8B8, &out));
    EXPECT_EQ(out, D3DFMT_D24X4S4);
}

// Without a stencil the frame's clear must still clear target and depth.
TEST_F(DeviceShellTest, FramesClearWhenTheDepthFormatHasNoStencil)
{
    for (D3DFORMAT f : {D3DFMT_D15S1, D3DFMT_D24S8, D3DFMT_D24X4S4})
        TkD3D9SetDepthFormatSupported(f, false);
    CreateDevice();
    ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
    ASSERT_EQ(g_d3dpp.AutoDepthStencilFormat, D3DFMT_D16);
    g_FocusMgr.Activate();
    ASSERT_EQ(g_pD3DInterface->ColorFill(g_pBackBuffer, nullptr, D3DCOLOR_XRGB(255, 0, 0)), D3D_OK);
    D3DCOLOR before = 0;
    ASSERT_TRUE(TkD3D9ReadPixel(g_pBackBuffer, 5, 5, &before));
    ASSERT_EQ(before & 0xFFFFFF, 0xFF0000u);
    g_D3DMain.Render();
    D3DCOLOR after = 0;
    ASSERT_TRUE(TkD3D9ReadPixel(g_pBackBuffer, 5, 5, &after));
    EXPECT_EQ(after & 0xFFFFFF, 0u);
}

// ---- Multisampling -----------------------------------------------------------------

struct SamplingCase
{
    bool supported;
    bool wanted;
    D3DMULTISAMPLE_TYPE expected;
};

class Multisampling : public DeviceShellTest, public ::testing::WithParamInterface<SamplingCase>
{
};

TEST_P(Multisampling, FourSamplesOnlyWhenWantedAndSupported)
{
    const SamplingCase c = GetParam();
    TkD3D9SetMultiSampleSupported(D3DMULTISAMPLE_4_SAMPLES, c.supported);
    g_Options.EnableAntialiasing = c.wanted ? 1 : 0;
    CreateDevice();
    ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
    EXPECT_EQ(g_Options.Multisample4xAvailable, c.supported ? 1 : 0);
    EXPECT_EQ(g_d3dpp.MultiSampleType, c.expected);
    D3DSURFACE_DESC desc = {};
    g_pBackBuffer->GetDesc(&desc);
    EXPECT_EQ(desc.MultiSampleType, c.expected);
}

INSTANTIATE_TEST_SUITE_P(DeviceShell, Multisampling,
                         ::testing::Values(SamplingCase{true, true, D3DMULTISAMPLE_4_SAMPLES},
                                           SamplingCase{true, false, D3DMULTISAMPLE_NONE},
                                           SamplingCase{false, true, D3DMULTISAMPLE_NONE}));

// ---- Vertex declarations -----------------------------------------------------------

struct Element
{
    WORD stream, offset;
    BYTE type, usage, index;
};

void ExpectDeclaration(IDirect3DVertexDeclaration9* decl, const std::vector<Element>& expected,
                       const char* name)
{
    ASSERT_NE(decl, nullptr) << name;
    D3DVERTEXELEMENT9 elements[MAXD3DDECLLENGTH + 1] = {};
    UINT count = MAXD3DDECLLENGTH + 1;
    ASSERT_EQ(decl->GetDeclaration(elements, &count), D3D_OK) << name;
    ASSERT_EQ(count, expected.size() + 1) << name; // with the end marker
    for (size_t i = 0; i < expected.size(); ++i)
    {
        SCOPED_TRACE(std::string(name) + " element " + std::to_string(i));
        EXPECT_EQ(elements[i].Stream, expected[i].stream);
        EXPECT_EQ(elements[i].Offset, expected[i].offset);
        EXPECT_EQ(elements[i].Type, expected[i].type);
        EXPECT_EQ(elements[i].Method, D3DDECLMETHOD_DEFAULT);
        EXPECT_EQ(elements[i].Usage, expected[i].usage);
        EXPECT_EQ(elements[i].UsageIndex, expected[i].index);
    }
    EXPECT_EQ(elements[expected.size()].Stream, 0xFF) << name;
}

TEST_F(DeviceShellTest, TheFourVertexDeclarationsHaveTheEngineLayouts)
{
    CreateDevice();
    ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
    using T = D3DDECLTYPE;
    using U = D3DDECLUSAGE;
    const std::vector<Element> mesh = {
        {0, 0, T::D3DDECLTYPE_FLOAT3, U::D3DDECLUSAGE_POSITION, 0},
        {0, 12, T::D3DDECLTYPE_D3DCOLOR, U::D3DDECLUSAGE_COLOR, 0},
        {0, 16, T::D3DDECLTYPE_FLOAT3, U::D3DDECLUSAGE_NORMAL, 0},
        {0, 28, T::D3DDECLTYPE_FLOAT3, U::D3DDECLUSAGE_TANGENT, 0},
        {0, 40, T::D3DDECLTYPE_FLOAT3, U::D3DDECLUSAGE_BINORMAL, 0},
        {0, 52, T::D3DDECLTYPE_FLOAT2, U::D3DDECLUSAGE_TEXCOORD, 0},
        {0, 60, T::D3DDECLTYPE_D3DCOLOR, U::D3DDECLUSAGE_COLOR, 1},
    };
    ExpectDeclaration(g_pDeclMesh, mesh, "g_pDeclMesh");

    std::vector<Element> instanced = mesh;
    instanced.back() = {0, 60, T::D3DDECLTYPE_FLOAT1, U::D3DDECLUSAGE_TESSFACTOR, 0};
    instanced.push_back({1, 0, T::D3DDECLTYPE_FLOAT4, U::D3DDECLUSAGE_TEXCOORD, 1});
    instanced.push_back({1, 16, T::D3DDECLTYPE_FLOAT4, U::D3DDECLUSAGE_TEXCOORD, 2});
    instanced.push_back({1, 32, T::D3DDECLTYPE_FLOAT4, U::D3DDECLUSAGE_TEXCOORD, 3});
    ExpectDeclaration(g_pDeclMeshInstanced, instanced, "g_pDeclMeshInstanced");

    ExpectDeclaration(g_pDeclSimple,
                      {{0, 0, T::D3DDECLTYPE_FLOAT3, U::D3DDECLUSAGE_POSITION, 0},
                       {0, 12, T::D3DDECLTYPE_D3DCOLOR, U::D3DDECLUSAGE_COLOR, 0},
                       {0, 16, T::D3DDECLTYPE_FLOAT3, U::D3DDECLUSAGE_NORMAL, 0},
                       {0, 28, T::D3DDECLTYPE_FLOAT2, U::D3DDECLUSAGE_TEXCOORD, 0}},
                      "g_pDeclSimple");

    ExpectDeclaration(g_pDeclSkin,
                      {{0, 0, T::D3DDECLTYPE_FLOAT3, U::D3DDECLUSAGE_POSITION, 0},
                       {0, 12, T::D3DDECLTYPE_FLOAT4, U::D3DDECLUSAGE_BLENDWEIGHT, 0},
                       {0, 28, T::D3DDECLTYPE_UBYTE4, U::D3DDECLUSAGE_BLENDINDICES, 0},
                       {0, 32, T::D3DDECLTYPE_FLOAT3, U::D3DDECLUSAGE_NORMAL, 0},
                       {0, 44, T::D3DDECLTYPE_FLOAT3, U::D3DDECLUSAGE_TANGENT, 0},
                       {0, 56, T::D3DDECLTYPE_FLOAT3, U::D3DDECLUSAGE_BINORMAL, 0},
                       {0, 68, T::D3DDECLTYPE_FLOAT2, U::D3DDECLUSAGE_TEXCOORD, 0}},
                      "g_pDeclSkin");

    EXPECT_EQ(offsetof(TK_VERTEX, color0), 12u);
    EXPECT_EQ(offsetof(TK_VERTEX, u), 52u);
    EXPECT_EQ(offsetof(TK_VERTEX, color1), 60u);
}

TEST_F(DeviceShellTest, ShutdownReleasesTheDeviceTheDeclarationsAndTheDirect3DObject)
{
    CreateDevice();
    ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
    g_D3DMain.Shutdown();
    EXPECT_EQ(TkD3D9CurrentDevice(), nullptr);
    EXPECT_EQ(g_pD3DInterface, nullptr);
    EXPECT_EQ(g_pD3D, nullptr);
    EXPECT_EQ(g_pBackBuffer, nullptr);
    EXPECT_EQ(g_pDeclMesh, nullptr);
    EXPECT_EQ(g_pDeclSkin, nullptr);
    EXPECT_EQ(g_Engine.m_bInitialised, 0);
    g_D3DMain.Shutdown(); // a second time does nothing
}

// ---- Capabilities and render states ---------------------------------------------------

struct ShaderCase
{
    DWORD version;
    BYTE ps20, ps30;
    std::vector<std::string> lines;
};

class PixelShaders : public DeviceShellTest, public ::testing::WithParamInterface<ShaderCase>
{
};

TEST_P(PixelShaders, TheShaderModelSetsTheOptionBytes)
{
    const ShaderCase& c = GetParam();
    TkD3D9SetShaderVersions(D3DVS_VERSION(3, 0), c.version);
    g_Options.PixelShader20 = 7;
    g_Options.PixelShader30 = 7;
    CreateDevice();
    ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
    EXPECT_EQ(g_Options.PixelShader20, c.ps20);
    EXPECT_EQ(g_Options.PixelShader30, c.ps30);
    const auto log = Log();
    const int first = IndexOf(log, c.lines[0]);
    ASSERT_GE(first, 0) << c.lines[0];
    for (size_t i = 1; i < c.lines.size(); ++i)
        EXPECT_EQ(IndexOf(log, c.lines[i]), first + static_cast<int>(i)) << c.lines[i];
}

INSTANTIATE_TEST_SUITE_P(
    DeviceShell, PixelShaders,
    ::testing::Values(ShaderCase{D3DPS_VERSION(1, 4), 0, 0, {"PixelShader model 2.0 not supported!"}},
                      ShaderCase{D3DPS_VERSION(2, 0),
                                 1,
                                 0,
                                 {"PixelShader model 3.0 not supported!", "PixelShader model 2.0 detected."}},
                      ShaderCase{D3DPS_VERSION(3, 0), 1, 1, {"PixelShader model 3.0 detected."}}));

TEST_F(DeviceShellTest, DepthFormatsAvailableFollowsTheAdapter)
{
    CreateDevice();
    ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
    EXPECT_EQ(g_Options.DepthFormatsAvailable, 1);
    for (D3DFORMAT f : {D3DFMT_D32, D3DFMT_D15S1, D3DFMT_D24S8, D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24X4S4})
        TkD3D9SetDepthFormatSupported(f, false);
    g_D3DMain.CheckDepthFormats();
    EXPECT_EQ(g_Options.DepthFormatsAvailable, 0);
    TkD3D9SetDepthFormatSupported(D3DFMT_D24X4S4, true);
    g_D3DMain.CheckDepthFormats();
    EXPECT_EQ(g_Options.DepthFormatsAvailable, 1);
}

TEST_F(DeviceShellTest, DefaultRenderStatesAreSetAfterCreation)
{
    CreateDevice();
    ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
    EXPECT_EQ(RenderState(D3DRS_ZENABLE), static_cast<DWORD>(TRUE));
    EXPECT_EQ(RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
    EXPECT_EQ(RenderState(D3DRS_FILLMODE), static_cast<DWORD>(D3DFILL_SOLID));
    EXPECT_EQ(RenderState(D3DRS_LIGHTING), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_SHADEMODE), static_cast<DWORD>(D3DSHADE_GOURAUD));
    EXPECT_EQ(RenderState(D3DRS_FOGENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_DITHERENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_CLIPPING), static_cast<DWORD>(TRUE));
    EXPECT_EQ(RenderState(D3DRS_NORMALIZENORMALS), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_SPECULARENABLE), static_cast<DWORD>(FALSE));
    EXPECT_EQ(RenderState(D3DRS_FOGTABLEMODE), static_cast<DWORD>(D3DFOG_NONE));
    EXPECT_EQ(RenderState(D3DRS_FOGVERTEXMODE), static_cast<DWORD>(D3DFOG_LINEAR));
    EXPECT_EQ(RenderState(D3DRS_RANGEFOGENABLE), static_cast<DWORD>(FALSE));

    g_Options.WireFrame = 1;
    g_D3DMain.SetDefaultRenderStates();
    EXPECT_EQ(RenderState(D3DRS_FILLMODE), static_cast<DWORD>(D3DFILL_WIREFRAME));
}

// ---- Frames and messages --------------------------------------------------------------

TEST_F(DeviceShellTest, RenderPresentsOnlyWhileFocusedAndTheDeviceIsUsable)
{
    CreateDevice();
    ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
    const UINT start = TkD3D9GetPresentCount(g_pD3DInterface);
    g_D3DMain.Render(); // not yet active
    EXPECT_EQ(TkD3D9GetPresentCount(g_pD3DInterface), start);
    g_FocusMgr.Activate();
    g_D3DMain.Render();
    EXPECT_EQ(TkD3D9GetPresentCount(g_pD3DInterface), start + 1);
    TkD3D9LoseDevices();
    g_D3DMain.Render();
    TkD3D9RestoreDevices();
    g_D3DMain.Render();
    EXPECT_EQ(TkD3D9GetPresentCount(g_pD3DInterface), start + 1);
}

TEST_F(DeviceShellTest, MessagesReachTheEngineAndInputOnlyWhileFocused)
{
    CreateDevice();
    ASSERT_TRUE(g_D3DMain.m_bDeviceReady);
    g_Console.m_bOpen = 1;
    std::memset(g_Console.m_szInput, 0, sizeof g_Console.m_szInput);
    g_Console.m_iCursor = 0;

    // Before the focus manager is active nothing is forwarded.
    g_D3DMain.HandleMessage(g_hWnd, WM_KEYDOWN, 'A', 0);
    g_D3DMain.HandleMessage(g_hWnd, WM_TIMER, 1, 0);
    EXPECT_STREQ(g_Console.m_szInput, "");
    EXPECT_TRUE(Calls().empty());

    g_FocusMgr.Activate();
    EXPECT_EQ(g_D3DMain.HandleMessage(g_hWnd, WM_KEYDOWN, 'A', 0), 0);
    EXPECT_STRNE(g_Console.m_szInput, "");
    g_D3DMain.HandleMessage(g_hWnd, WM_TIMER, 1, 0);
    EXPECT_EQ(Calls(), (std::vector<std::string>{"EMouse::Poll", "CCommandMgr::ReadKeyboard"}));
    g_Console.m_bOpen = 0;
}
} // namespace
