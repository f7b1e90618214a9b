// Drawing through an effect against bare uniforms: SetMatrix, CommitChanges and
// one draw, with a new world matrix each time, against the same draws with the
// matrix set straight on the GL program, reported as a ratio in one run. Both
// sides draw inside a scene, and the bare side must find the program and run
// without a GL error, or the run fails instead of reporting a figure.
#include "bench/Harness.h"
#include "platform/Backend.h"
#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "platform/d3dx/Effect.h"
#include "platform/d3dx/EffectBareGl.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace
{

constexpr int kDraws = 10000;
constexpr UINT kBackBufferSide = 64;
constexpr float kStep = 1e-5f;

const char* kEffectText = R"(float4x4 g_mWorld;
vertexshader VS
{
    layout(location = TK_POSITION) in vec3 inPosition;
    void main() { gl_Position = vec4(inPosition, 1.0) * g_mWorld; }
}
pixelshader PS
{
    layout(location = 0) out vec4 outColour;
    void main() { outColour = vec4(1.0); }
}
technique T { pass { ZEnable = false; CullMode = None; VertexShader = VS; PixelShader = PS; } }
)";

const D3DVERTEXELEMENT9 kElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    D3DDECL_END(),
};

struct Scene
{
    Scene()
    {
        dir = std::filesystem::temp_directory_path() / ("tk-effect-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "bench.fxc") << kEffectText;
        TkSetBackend(TkBackend::Headless);
        TkD3D9ResetHeadless();
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp = {};
        pp.BackBufferWidth = kBackBufferSide;
        pp.BackBufferHeight = kBackBufferSide;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = TRUE;
        pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        d3d->CreateDevice(0, D3DDEVTYPE_HAL, reinterpret_cast<HWND>(uintptr_t(1)),
                          D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device);
        D3DXCreateEffectFromFileA(device, (dir / "bench.fxc").string().c_str(), nullptr, nullptr, 0, nullptr,
                                  &effect, nullptr);
        world = effect->GetParameterByName(nullptr, "g_mWorld");
        device->CreateVertexDeclaration(kElements, &decl);
        const float triangle[] = {-0.5f, -0.5f, 0.5f, 0.0f, 0.5f, 0.5f, 0.5f, -0.5f, 0.5f};
        device->CreateVertexBuffer(sizeof triangle, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vb, nullptr);
        void* bytes = nullptr;
        vb->Lock(0, 0, &bytes, 0);
        std::memcpy(bytes, triangle, sizeof triangle);
        vb->Unlock();
        device->SetVertexDeclaration(decl);
        device->SetStreamSource(0, vb, 0, sizeof(float) * 3);
    }

    ~Scene()
    {
        vb->Release();
        decl->Release();
        effect->Release();
        device->Release();
        d3d->Release();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // kDraws draws through the effect, then the frame is shown (so GL runs them).
    double EffectDraws()
    {
        const auto start = std::chrono::steady_clock::now();
        device->BeginScene();
        UINT passes = 0;
        effect->Begin(&passes, 0);
        effect->BeginPass(0);
        D3DXMATRIX m;
        D3DXMatrixIdentity(&m);
        for (int i = 0; i < kDraws; ++i)
        {
            m._41 = float(i) * kStep;
            effect->SetMatrix(world, &m);
            effect->CommitChanges();
            device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
        }
        effect->EndPass();
        effect->End();
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        return Seconds(start);
    }

    // The same draws with the shaders bound by the pass and the matrix set on
    // the program that draws them, straight through GL.
    double BareDraws()
    {
        device->BeginScene();
        UINT passes = 0;
        effect->Begin(&passes, 0);
        effect->BeginPass(0);
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1); // links and binds the program
        TkFxBareUniform uniform;
        TkFxBareNoErrors(); // what the device left behind is not the yardstick's
        if (!TkFxBareFindUniform("g_mWorld", &uniform))
        {
            effect->EndPass();
            effect->End();
            device->EndScene();
            return -1.0;
        }
        const auto start = std::chrono::steady_clock::now();
        D3DXMATRIX m;
        D3DXMatrixIdentity(&m);
        for (int i = 0; i < kDraws; ++i)
        {
            m._41 = float(i) * kStep;
            TkFxBareSetMatrix(uniform, &m._11);
            device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
        }
        const double seconds = Seconds(start);
        // A yardstick whose calls fail measures nothing.
        const bool clean = TkFxBareNoErrors();
        effect->EndPass();
        effect->End();
        device->EndScene();
        const auto present = std::chrono::steady_clock::now();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        return clean ? seconds + Seconds(present) : -1.0;
    }

    static double Seconds(std::chrono::steady_clock::time_point start)
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    std::filesystem::path dir;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    ID3DXEffect* effect = nullptr;
    D3DXHANDLE world = nullptr;
    IDirect3DVertexDeclaration9* decl = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
};

void BM_EffectSetMatrixCommitDraw(benchmark::State& state)
{
    Scene scene;
    if (!scene.effect)
    {
        state.SkipWithError("the effect did not load");
        return;
    }
    double effectSeconds = 0.0, bareSeconds = 0.0;
    for (auto _ : state)
    {
        effectSeconds += scene.EffectDraws();
        const double bare = scene.BareDraws();
        if (bare < 0.0)
        {
            state.SkipWithError(
                "the bare side found no program to set the matrix on, or GL refused its calls");
            return;
        }
        bareSeconds += bare;
    }
    const double runs = double(state.iterations());
    state.counters["effect_ms_per_10k_draws"] = effectSeconds / runs * 1e3;
    state.counters["bare_gl_ms_per_10k_draws"] = bareSeconds / runs * 1e3;
    state.counters["ratio_to_bare_gl"] = bareSeconds > 0.0 ? effectSeconds / bareSeconds : 0.0;
}
TK_BENCHMARK(BM_EffectSetMatrixCommitDraw)->Unit(benchmark::kMillisecond);

} // namespace
