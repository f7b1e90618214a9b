// The device on the software rasteriser, measured against bare OpenGL in the
// same run and reported as ratios:
// - a full-screen blended textured quad through the device and bare;
// - 10,000 small indexed draws with state changes between them;
// - DXT1 textures uploaded compressed against decoded to 32-bit at load, for
//   the load itself and for sampling them full-screen.
#include "bench/Harness.h"
#include "platform/Backend.h"
#include "platform/d3d9/BareGl.h"
#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/GlslShaders.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "tests/support/HeadlessD3D.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace
{
// The software rasteriser's threads, as the figures are asked for (set before
// the first context of the process).
const bool kThreadsSet = [] { return setenv("LP_NUM_THREADS", "8", 0) == 0; }();

constexpr UINT kWidth = 800;
constexpr UINT kHeight = 600;
constexpr int kSmallDraws = 10000;
constexpr UINT kDxtSize = 1024;

struct Vertex2D
{
    float x, y, z, rhw;
    DWORD color;
    float u, v;
};

struct BenchDevice
{
    BenchDevice()
    {
        TkSetBackend(TkBackend::Headless);
        D3DPRESENT_PARAMETERS pp = WindowedParams(kWidth, kHeight);
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        d3d->CreateDevice(0, D3DDEVTYPE_HAL, FakeWindow(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device);
        bare = TkBareGlCreate(device, kWidth, kHeight);
    }
    ~BenchDevice()
    {
        TkBareGlDestroy(bare);
        if (device)
            device->Release();
        if (d3d)
            d3d->Release();
    }
    IDirect3DTexture9* Texture(D3DCOLOR seed, UINT size = 64)
    {
        IDirect3DTexture9* t = nullptr;
        device->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr);
        D3DLOCKED_RECT r;
        t->LockRect(0, &r, nullptr, 0);
        for (UINT y = 0; y < size; ++y)
            for (UINT x = 0; x < size; ++x)
            {
                const DWORD c = 0x80000000u | ((y * size + x) * (seed & 0xff));
                std::memcpy(static_cast<BYTE*>(r.pBits) + y * r.Pitch + x * 4, &c, 4);
            }
        t->UnlockRect(0);
        return t;
    }
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    TkBareGlScene* bare = nullptr;
};

// Seconds per call of `work`, each followed by waiting for the GPU.
double SecondsPer(const std::function<void()>& work, IDirect3DDevice9* device, int repeats)
{
    work();
    TkBareGlFinish(device);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; ++i)
    {
        work();
        TkBareGlFinish(device);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / repeats;
}

void DrawScreenQuad(IDirect3DDevice9* device)
{
    const DWORD c = 0x80ffffffu;
    const float w = float(kWidth), h = float(kHeight);
    const Vertex2D quad[] = {
        {0, 0, 0, 1, c, 0, 0}, {w, 0, 0, 1, c, 1, 0}, {0, h, 0, 1, c, 0, 1}, {w, h, 0, 1, c, 1, 1}};
    device->BeginScene();
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex2D));
    device->EndScene();
}

void BM_BlendedFullScreenQuad(benchmark::State& state)
{
    BenchDevice b;
    IDirect3DTexture9* texture = b.Texture(7);
    IDirect3DDevice9* d = b.device;
    d->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    d->SetTexture(0, texture);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    constexpr int kRepeats = 50;
    double device = 0, bare = 0;
    for (auto _ : state)
    {
        device = SecondsPer([&] { DrawScreenQuad(d); }, d, kRepeats);
        bare = SecondsPer([&] { TkBareGlBlendedQuad(b.bare); }, d, kRepeats);
    }
    state.counters["device_ms"] = device * 1e3;
    state.counters["bare_gl_ms"] = bare * 1e3;
    state.counters["ratio_device_to_bare"] = device / bare;
    d->SetTexture(0, nullptr);
    texture->Release();
}
TK_BENCHMARK(BM_BlendedFullScreenQuad)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_SmallIndexedDraws(benchmark::State& state)
{
    BenchDevice b;
    IDirect3DDevice9* d = b.device;
    IDirect3DTexture9* textures[2] = {b.Texture(7), b.Texture(8)};
    const char* vsSource = R"(#version 450 core
layout(location = 0) in vec2 a_position;
layout(location = 8) in vec2 a_uv;
out vec2 v_uv;
void main() { gl_Position = vec4(a_position, 0.5, 1.0); v_uv = a_uv; }
)";
    const char* psSource = R"(#version 450 core
in vec2 v_uv;
uniform sampler2D u_texture;
uniform vec4 u_tint;
out vec4 o;
void main() { o = texture(u_texture, v_uv) * u_tint; }
)";
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DPixelShader9* ps = nullptr;
    d->CreateVertexShader(reinterpret_cast<const DWORD*>(vsSource), &vs);
    d->CreatePixelShader(reinterpret_cast<const DWORD*>(psSource), &ps);
    const D3DVERTEXELEMENT9 elements[] = {
        {0, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 8, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
        D3DDECL_END()};
    IDirect3DVertexDeclaration9* decl = nullptr;
    d->CreateVertexDeclaration(elements, &decl);
    std::vector<float> v = {-1, 1, 0, 0, 1, 1, 1, 0, 1, -1, 1, 1, -1, -1, 0, 1};
    for (int i = 0; i < 4; ++i)
        v.insert(v.end(), {-0.1f, 0.1f, 0, 0, 0.1f, 0.1f, 1, 0, 0.1f, -0.1f, 1, 1, -0.1f, -0.1f, 0, 1});
    const uint16_t idx[] = {0, 1, 2, 0, 2, 3};
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    d->CreateVertexBuffer(UINT(v.size() * sizeof(float)), D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vb,
                          nullptr);
    d->CreateIndexBuffer(sizeof idx, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr);
    void* data;
    vb->Lock(0, 0, &data, 0);
    std::memcpy(data, v.data(), v.size() * sizeof(float));
    vb->Unlock();
    ib->Lock(0, 0, &data, 0);
    std::memcpy(data, idx, sizeof idx);
    ib->Unlock();
    d->SetVertexDeclaration(decl);
    d->SetStreamSource(0, vb, 0, 4 * sizeof(float));
    d->SetIndices(ib);
    d->SetVertexShader(vs);
    d->SetPixelShader(ps);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    const int stage = 0;
    TkSetShaderUniform(d, "u_texture", TkUniformType::Sampler, &stage, 1);
    auto throughDevice = [&]
    {
        d->BeginScene();
        for (int i = 0; i < kSmallDraws; ++i)
        {
            d->SetTexture(0, textures[i & 1]);
            d->SetRenderState(D3DRS_ALPHABLENDENABLE, (i & 2) ? TRUE : FALSE);
            const float tint[4] = {float(i & 7) / 7.0f, 1, 1, 1};
            TkSetShaderUniform(d, "u_tint", TkUniformType::Vec4, tint, 1);
            d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4 + (i & 3) * 4, 0, 4, 0, 2);
        }
        d->EndScene();
    };
    constexpr int kRepeats = 3;
    double device = 0, bare = 0;
    for (auto _ : state)
    {
        device = SecondsPer(throughDevice, d, kRepeats);
        bare = SecondsPer([&] { TkBareGlSmallDraws(b.bare, kSmallDraws); }, d, kRepeats);
    }
    state.counters["device_ms"] = device * 1e3;
    state.counters["bare_gl_ms"] = bare * 1e3;
    state.counters["ratio_device_to_bare"] = device / bare;
    d->SetVertexShader(nullptr);
    d->SetPixelShader(nullptr);
    d->SetTexture(0, nullptr);
    d->SetStreamSource(0, nullptr, 0, 0);
    d->SetIndices(nullptr);
    d->SetVertexDeclaration(nullptr);
    for (IUnknown* o : std::initializer_list<IUnknown*>{vs, ps, decl, vb, ib, textures[0], textures[1]})
        o->Release();
}
TK_BENCHMARK(BM_SmallIndexedDraws)->Iterations(1)->Unit(benchmark::kMillisecond);

// ---- DXT1: compressed on the GPU, or decoded to 32-bit at load -----------------------------
// A plausible block: two colours of a gradient and a mixed index pattern.
std::vector<BYTE> MakeDxt1(UINT size)
{
    std::vector<BYTE> blocks(size_t(size / 4) * (size / 4) * 8);
    for (size_t b = 0; b < blocks.size() / 8; ++b)
    {
        const uint16_t c0 = uint16_t(0xf800u | (b & 0x7e0u)), c1 = uint16_t(0x001fu | ((b * 3) & 0x7e0u));
        const uint32_t indices = uint32_t(b * 2654435761u);
        std::memcpy(&blocks[b * 8], &c0, 2);
        std::memcpy(&blocks[b * 8 + 2], &c1, 2);
        std::memcpy(&blocks[b * 8 + 4], &indices, 4);
    }
    return blocks;
}

// `decode`: the blocks decoded to 32-bit texels on the way to the GPU; else
// kept compressed there (the device's way). The way holds until the next call
// (a managed texture takes its GL image at its first draw).
IDirect3DTexture9* LoadDxt(IDirect3DDevice9* d, const std::vector<BYTE>& blocks, bool decode)
{
    TkD3D9SetCompressedUpload(!decode);
    IDirect3DTexture9* t = nullptr;
    d->CreateTexture(kDxtSize, kDxtSize, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &t, nullptr);
    D3DLOCKED_RECT r;
    t->LockRect(0, &r, nullptr, 0);
    for (UINT row = 0; row < kDxtSize / 4; ++row)
        std::memcpy(static_cast<BYTE*>(r.pBits) + size_t(row) * r.Pitch,
                    blocks.data() + size_t(row) * (kDxtSize / 4) * 8, (kDxtSize / 4) * 8);
    t->UnlockRect(0);
    return t;
}

void BM_Dxt1CompressedAgainstDecoded(benchmark::State& state)
{
    BenchDevice b;
    IDirect3DDevice9* d = b.device;
    const std::vector<BYTE> blocks = MakeDxt1(kDxtSize);
    d->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    // Load: fill the texture and draw once (the upload happens at first use).
    auto load = [&](bool decode)
    {
        IDirect3DTexture9* t = LoadDxt(d, blocks, decode);
        d->SetTexture(0, t);
        DrawScreenQuad(d);
        d->SetTexture(0, nullptr);
        t->Release();
    };
    constexpr int kLoads = 10;
    constexpr int kDraws = 30;
    double loadCompressed = 0, loadDecoded = 0, drawCompressed = 0, drawDecoded = 0;
    for (auto _ : state)
    {
        loadCompressed = SecondsPer([&] { load(false); }, d, kLoads);
        loadDecoded = SecondsPer([&] { load(true); }, d, kLoads);
        for (bool decode : {false, true})
        {
            IDirect3DTexture9* t = LoadDxt(d, blocks, decode);
            d->SetTexture(0, t);
            (decode ? drawDecoded : drawCompressed) = SecondsPer([&] { DrawScreenQuad(d); }, d, kDraws);
            d->SetTexture(0, nullptr);
            t->Release();
        }
    }
    TkD3D9ResetHeadless();
    state.counters["load_compressed_ms"] = loadCompressed * 1e3;
    state.counters["load_decoded_ms"] = loadDecoded * 1e3;
    state.counters["draw_compressed_ms"] = drawCompressed * 1e3;
    state.counters["draw_decoded_ms"] = drawDecoded * 1e3;
    state.counters["ratio_load_decoded_to_compressed"] = loadDecoded / loadCompressed;
    state.counters["ratio_draw_decoded_to_compressed"] = drawDecoded / drawCompressed;
}
TK_BENCHMARK(BM_Dxt1CompressedAgainstDecoded)->Iterations(1)->Unit(benchmark::kMillisecond);
} // namespace

namespace
{
// A frame with nothing but the console's text: clear, a few hundred small
// textured glyph quads in one draw, present.
void BM_EmptyHeadlessFrame(benchmark::State& state)
{
    BenchDevice b;
    IDirect3DDevice9* d = b.device;
    IDirect3DTexture9* glyphs = b.Texture(5, 256);
    d->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    d->SetRenderState(D3DRS_ZENABLE, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetTexture(0, glyphs);
    constexpr int kGlyphs = 400;
    std::vector<Vertex2D> text;
    for (int i = 0; i < kGlyphs; ++i)
    {
        const float x = float(8 + (i % 80) * 9), y = float(8 + (i / 80) * 14), u = float(i % 16) / 16;
        const DWORD c = 0xffe0e0e0u;
        const Vertex2D q[6] = {{x, y, 0, 1, c, u, 0},
                               {x + 8, y, 0, 1, c, u + 0.0625f, 0},
                               {x + 8, y + 12, 0, 1, c, u + 0.0625f, 0.0625f},
                               {x, y, 0, 1, c, u, 0},
                               {x + 8, y + 12, 0, 1, c, u + 0.0625f, 0.0625f},
                               {x, y + 12, 0, 1, c, u, 0.0625f}};
        text.insert(text.end(), q, q + 6);
    }
    auto frame = [&]
    {
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        d->BeginScene();
        d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(text.size() / 3), text.data(), sizeof(Vertex2D));
        d->EndScene();
        d->Present(nullptr, nullptr, nullptr, nullptr);
    };
    constexpr int kFrames = 100;
    double seconds = 0;
    for (auto _ : state)
        seconds = SecondsPer(frame, d, kFrames);
    state.counters["frame_ms"] = seconds * 1e3;
    d->SetTexture(0, nullptr);
    glyphs->Release();
}
TK_BENCHMARK(BM_EmptyHeadlessFrame)->Iterations(1)->Unit(benchmark::kMillisecond);
} // namespace
