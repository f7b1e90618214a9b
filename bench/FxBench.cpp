// The particle effects' frame: 511 live sprite effects (the whole pool, each
// with its children pending) moved, aged and batched, and a page of 633
// sprite objects, all drawn; the CPU time of the frame is measured on the
// calling thread and the GL time (the software rasteriser finishing the
// frame at Present) is reported apart. A second benchmark sets the effect
// update's cost per effect against a bare loop of the same arithmetic.
#include "bench/Harness.h"
#include "environment/FxMgr.h"
#include "platform/Backend.h"
#include "platform/d3d9/D3D9.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "render/Renderer.h"
#include "render/SpriteMgr.h"
#include "shell/D3DMain.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{
constexpr UINT kSide = 256;
constexpr int kPageSprites = 633;
constexpr float kStep = 1.0f / 60.0f;
constexpr int kGrid = 23;

double ThreadSeconds()
{
    timespec t = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A 4 x 4 white 32-bit TGA.
std::string WhiteTga()
{
    std::string s(18, '\0');
    s[2] = 2;
    s[12] = 4;
    s[14] = 4;
    s[16] = 32;
    s[17] = 0x28;
    s += std::string(4 * 4 * 4, '\xFF');
    return s;
}

struct Scene
{
    Scene()
    {
        previous = std::filesystem::current_path();
        dir = std::filesystem::temp_directory_path() / ("tk-fx-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir / "afx");
        std::filesystem::create_directories(dir / "textures");
        std::ofstream(dir / "textures" / "puff.tga", std::ios::binary) << WhiteTga();
        // A rising, growing, spinning sprite with a child pending and a periodic one.
        std::ofstream(dir / "afx" / "puff.afx")
            << "Type Sprite\nFilename puff.tga\nMove true\nVel 0 0.2 0\n"
               "Vel_Rand 0.1 0.1 0.1\nGrow 0.01\nScale 0.5 0.5 0.5\n"
               "Life_Time 100000\nSpinning_Sprite true\nSpinning_Speed 30\n"
               "dwAlpha 3\nAlpha 0 0\nAlpha 1 200\nAlpha 2 0\n"
               "Alpha_Time 1 0.2\nAlpha_Time 2 1\nAdditive true\n"
               "After 100000 child 0\nEvery 2 child 1\n";
        std::ofstream(dir / "afx" / "child.afx") << "Type Spark\nLife_Time 0.2\n";
        std::filesystem::current_path(dir);

        TkSetBackend(TkBackend::Headless);
        TkD3D9ResetHeadless();
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp = {};
        pp.BackBufferWidth = kSide;
        pp.BackBufferHeight = kSide;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D24S8;
        pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        d3d->CreateDevice(0, D3DDEVTYPE_HAL, reinterpret_cast<HWND>(uintptr_t(1)),
                          D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device);
        g_pD3DInterface = device;

        g_Camera.SetPosition(D3DXVECTOR3(0, 0, 0));
        g_Camera.SetOrientation(EOrientation());
        g_Camera.SetFarPlane(1000.0f);
        g_Camera.UpdateView();
        g_Engine.m_fDeltaTime = kStep;
        g_Renderer.ScanTextureDirectory();
        FX.Init();
        for (int i = 0; i < MAX_FX - 1; ++i)
        {
            const D3DXVECTOR3 p(static_cast<float>(i % kGrid - kGrid / 2), static_cast<float>(i / kGrid - 11),
                                30.0f);
            FX.CreateFxByName("puff", &p, nullptr);
        }

        g_SpriteMgr.Reset();
        objects = std::make_unique<strObject[]>(kPageSprites);
        std::memset(static_cast<void*>(objects.get()), 0, sizeof(strObject) * kPageSprites);
        for (int i = 0; i < kPageSprites; ++i)
        {
            EObjectDesc desc;
            desc.Type = OT_SPRITE;
            std::snprintf(desc.szFileName, sizeof desc.szFileName, "puff.tga");
            desc.vPosition =
                D3DXVECTOR3(static_cast<float>(i % 30 - 15), static_cast<float>(i / 30 - 10), 40.0f);
            desc.vScale = D3DXVECTOR3(0.8f, 0.8f, 0.8f);
            desc.dwFlags = SPRITE_DRAWN | SPRITE_CHECK_EVERY_FRAME;
            objects[i].bUsed = 1;
            objects[i].Type = OT_SPRITE;
            g_SpriteMgr.AddSprite(&objects[i], &desc);
        }
    }

    ~Scene()
    {
        FX.Release();
        g_SpriteMgr.Release();
        g_Renderer.ClearTextures();
        g_pD3DInterface = nullptr;
        if (device)
            device->Release();
        if (d3d)
            d3d->Release();
        std::filesystem::current_path(previous);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    int Live() const
    {
        int n = 0;
        for (const EFxInstance& fx : FX.m_Fx)
            n += fx.m_bActive;
        return n;
    }

    std::filesystem::path previous;
    std::filesystem::path dir;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    std::unique_ptr<strObject[]> objects;
};

void BM_FxFrame(benchmark::State& state)
{
    Scene scene;
    if (!scene.device)
    {
        state.SkipWithError("no device");
        return;
    }
    double cpu = 0.0, gl = 0.0;
    for (auto _ : state)
    {
        const double start = ThreadSeconds();
        FX.Update();
        g_SpriteMgr.Update();
        FX.UpdateSprites();
        scene.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        scene.device->BeginScene();
        FX.Render();
        g_SpriteMgr.DrawSprites();
        scene.device->EndScene();
        const double frame = ThreadSeconds() - start;
        cpu += frame;
        const auto present = std::chrono::steady_clock::now();
        scene.device->Present(nullptr, nullptr, nullptr, nullptr);
        gl += Since(present);
        state.SetIterationTime(frame);
    }
    const double frames = static_cast<double>(state.iterations());
    const TextureIndex t = g_Renderer.GetTextureIndex("puff.tga");
    state.counters["live_effects"] = scene.Live();
    state.counters["effect_quads"] = FX.m_Batches[t].m_iQuads;
    state.counters["page_sprites_drawn"] =
        scene.objects[0].pSprite ? static_cast<strSingleSprite*>(scene.objects[0].pSprite)->pPage->iDrawn[2]
                                 : 0;
    state.counters["cpu_ms_per_frame"] = cpu / frames * 1e3;
    state.counters["gl_present_ms_per_frame"] = gl / frames * 1e3;
}
TK_BENCHMARK(BM_FxFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

// The arithmetic the update does for a moving, growing effect, without the
// record's other steps, tests and calls.
struct BareEffect
{
    D3DXVECTOR3 pos, vel, scale, anchor, history[3], forward;
    float left, total, fraction, distance;
};

void BareUpdate(std::vector<BareEffect>& effects, const D3DXVECTOR3& camera, float dt, float grow)
{
    for (BareEffect& e : effects)
    {
        const D3DXVECTOR3 d = e.anchor - camera;
        e.distance = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        e.fraction = e.left / e.total;
        e.history[2] = e.history[1];
        e.history[1] = e.history[0];
        e.history[0] = e.pos;
        const D3DXVECTOR3 m = e.pos - e.history[1];
        const float l = std::sqrt(m.x * m.x + m.y * m.y + m.z * m.z);
        e.forward = l > 0.0f ? m / l : D3DXVECTOR3(0, 0, 0);
        e.pos += e.vel * dt;
        e.anchor = e.pos;
        e.scale += e.scale * (dt * grow);
        e.left -= dt;
    }
}

void BM_FxUpdatePerEffectAgainstBareLoop(benchmark::State& state)
{
    Scene scene;
    const int live = scene.Live();
    std::vector<BareEffect> bare(live);
    for (int i = 0; i < live; ++i)
    {
        BareEffect& e = bare[i];
        std::memset(static_cast<void*>(&e), 0, sizeof e);
        e.pos = e.anchor = D3DXVECTOR3(static_cast<float>(i), 0, 30);
        e.vel = D3DXVECTOR3(0, 0.2f, 0);
        e.scale = D3DXVECTOR3(0.5f, 0.5f, 0.5f);
        e.left = e.total = 100000.0f;
    }
    const D3DXVECTOR3 camera(0, 0, 0);
    double fx = 0.0, loop = 0.0;
    for (auto _ : state)
    {
        double start = ThreadSeconds();
        FX.Update();
        fx += ThreadSeconds() - start;
        start = ThreadSeconds();
        BareUpdate(bare, camera, kStep, 0.01f);
        benchmark::DoNotOptimize(bare.data());
        loop += ThreadSeconds() - start;
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["update_ns_per_effect"] = fx / frames / live * 1e9;
    state.counters["bare_ns_per_effect"] = loop / frames / live * 1e9;
    state.counters["ratio_to_bare_loop"] = loop > 0.0 ? fx / loop : 0.0;
}
TK_BENCHMARK(BM_FxUpdatePerEffectAgainstBareLoop)->Unit(benchmark::kMicrosecond);
} // namespace
