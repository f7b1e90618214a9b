// Three point lights' cube shadows in the demo world, at the showcase: the
// cubes drawn again by the engine against the same casters drawn into the
// six faces of a cube through bare GL, in one run; and the cost a frame of
// the shadows kept at their own pace (redrawn in the first frames after a
// light takes its slot and at each gathering of casters) over a second of
// play.
#include "bench/DemoGame.h"
#include "bench/Harness.h"
#include "mesh/Mesh.h"
#include "mesh/MeshMgr.h"
#include "platform/d3d9/BareGl.h"
#include "render/ShadowCubeMaps.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "tools/worldgen/DemoWorld.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <vector>

namespace
{
using benchgame::DemoGame;
constexpr int kRuns = 20;
constexpr int kFramesASecond = 60;
constexpr DWORD kCastsCubeShadow = 0x10;

double Ms(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The bytes of a device buffer, read back whole.
template <typename Buffer, typename Desc> std::vector<BYTE> Contents(Buffer* buffer)
{
    Desc desc{};
    std::vector<BYTE> out;
    void* data = nullptr;
    if (!buffer || FAILED(buffer->GetDesc(&desc)) || FAILED(buffer->Lock(0, 0, &data, D3DLOCK_READONLY)))
        return out;
    out.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + desc.Size);
    buffer->Unlock();
    return out;
}

// One light's casters as the bare draw takes them: the subsets the engine
// draws into a cube, with the same buffers and world matrices.
struct BareCasters
{
    std::vector<std::vector<BYTE>> vertices, indices;
    std::vector<std::vector<std::array<UINT, 2>>> ranges;
    std::vector<TkBareGlCaster> casters;
};

void GatherCasters(int slot, BareCasters* out)
{
    for (DWORD c = 0; c < g_ShadowCubeMaps.m_iCasterCount[slot]; ++c)
    {
        HOBJECT o = g_ShadowCubeMaps.m_pCasters[slot][c];
        if (!o->bUsed || o->Type != OT_MESH || !o->Object)
            continue;
        EMesh* mesh = static_cast<EMesh*>(o->Object);
        const strmesh* entry = mesh->GetMeshEntry();
        if (!mesh->m_pDrawMesh || !entry || !entry->pVB || !entry->pIB)
            continue;
        D3DINDEXBUFFER_DESC indexDesc{};
        entry->pIB->GetDesc(&indexDesc);
        std::vector<std::array<UINT, 2>> ranges;
        for (DWORD s = 0; s < mesh->m_dwNumMaterials && s < MAX_MESH_MATERIALS; ++s)
            if (mesh->m_bSubsetDrawn[s] && !mesh->m_bSubsetAlphaTested[s] && !mesh->m_bSubsetSpecial[s])
                ranges.push_back({UINT(entry->dwFirstIndex[s] / 3), UINT(entry->dwPrimitiveCount[s])});
        out->vertices.push_back(Contents<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC>(entry->pVB));
        out->indices.push_back(Contents<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC>(entry->pIB));
        out->ranges.push_back(std::move(ranges));
        TkBareGlCaster caster{};
        caster.stride = sizeof(TK_VERTEX);
        caster.vertexCount = UINT(out->vertices.back().size() / caster.stride);
        caster.indices32 = indexDesc.Format == D3DFMT_INDEX32;
        std::memcpy(caster.world, &mesh->m_mWorld, sizeof caster.world);
        out->casters.push_back(caster);
    }
    // The pointers once every list has stopped growing.
    for (size_t i = 0; i < out->casters.size(); ++i)
    {
        out->casters[i].vertices = out->vertices[i].data();
        out->casters[i].indices = out->indices[i].data();
        out->casters[i].ranges = reinterpret_cast<const UINT(*)[2]>(out->ranges[i].data());
        out->casters[i].rangeCount = UINT(out->ranges[i].size());
    }
}

void BM_ThreeCubeShadowsAgainstBareGl(benchmark::State& state)
{
    g_Options.VideoOptionA = 1;
    DemoGame game(320, 240, "tk-bench-cubes");
    g_Options.PostProcessOff = 0;
    HOBJECT marker = g_Engine.FindObject(worldgen::DEMO_SHOWCASE, 0);
    if (marker)
        g_Engine.ForceCameraToLook(marker, nullptr);
    // The showcase's lamp and the two lights nearest it cast all round.
    HOBJECT lamp = g_Engine.FindObject("showcase_light", 0);
    if (!lamp)
    {
        state.SkipWithError("no showcase light");
        return;
    }
    std::vector<HOBJECT> lights;
    for (strObject& o : g_Engine.m_Objects)
        if (o.bUsed && o.Type == OT_LIGHT && &o != lamp && !(o.dwFlags & kCastsCubeShadow))
            lights.push_back(&o);
    std::sort(lights.begin(), lights.end(),
              [&](HOBJECT a, HOBJECT b)
              {
                  const D3DXVECTOR3 da = a->vPosition - lamp->vPosition, db = b->vPosition - lamp->vPosition;
                  return D3DXVec3LengthSq(&da) < D3DXVec3LengthSq(&db);
              });
    for (size_t i = 0; i < lights.size() && i < 2; ++i)
        lights[i]->dwFlags |= kCastsCubeShadow;
    game.FrameMs(kFramesASecond, false);

    IDirect3DDevice9* d = g_pD3DInterface;
    std::vector<BareCasters> bare(CShadowCubeMaps::SLOTS);
    std::vector<TkBareGlCubeScene*> scenes;
    int slots = 0;
    DWORD casters = 0;
    for (int s = 0; s < CShadowCubeMaps::SLOTS; ++s)
        if (g_ShadowCubeMaps.m_pLight[s] && g_ShadowCubeMaps.m_pCubeMap[s])
        {
            GatherCasters(s, &bare[s]);
            scenes.push_back(TkBareGlCreateCubeScene(d, CShadowCubeMaps::CUBE_SIZE, bare[s].casters.data(),
                                                     UINT(bare[s].casters.size())));
            casters += g_ShadowCubeMaps.m_iCasterCount[s];
            ++slots;
        }
    if (slots < CShadowCubeMaps::SLOTS || std::count(scenes.begin(), scenes.end(), nullptr))
    {
        state.SkipWithError("fewer than three lights took a cube, or the bare scene failed");
        for (TkBareGlCubeScene* s : scenes)
            TkBareGlDestroyCubeScene(s);
        return;
    }
    double engine = 0.0, bareMs = 0.0, paced = 0.0;
    for (auto _ : state)
    {
        TkBareGlFinish(d);
        auto start = std::chrono::steady_clock::now();
        for (int run = 0; run < kRuns; ++run)
            for (int s = 0; s < CShadowCubeMaps::SLOTS; ++s)
                g_ShadowCubeMaps.GenerateCubeShadow(s);
        TkBareGlFinish(d);
        engine += Ms(start) / kRuns;

        start = std::chrono::steady_clock::now();
        for (int run = 0; run < kRuns; ++run)
            for (int s = 0; s < CShadowCubeMaps::SLOTS; ++s)
            {
                const HOBJECT light = g_ShadowCubeMaps.m_pLight[s];
                const float at[3] = {light->vPosition.x, light->vPosition.y, light->vPosition.z};
                TkBareGlDrawCube(scenes[size_t(s)], at, light->fRadius);
            }
        TkBareGlFinish(d);
        bareMs += Ms(start) / kRuns;

        // A second of frames at the shadows' own pace: the choice every
        // 0.2 s, the gathering every 0.5 s, the redraws they ask for.
        g_Engine.m_fDeltaTime = 1.0f / float(kFramesASecond);
        start = std::chrono::steady_clock::now();
        for (int frame = 0; frame < kFramesASecond; ++frame)
            g_ShadowCubeMaps.UpdateShadowMaps();
        TkBareGlFinish(d);
        paced += Ms(start) / kFramesASecond;
    }
    for (TkBareGlCubeScene* s : scenes)
        TkBareGlDestroyCubeScene(s);
    const double n = double(state.iterations());
    state.counters["casters"] = double(casters);
    state.counters["three_cubes_ms"] = engine / n;
    state.counters["bare_gl_ms"] = bareMs / n;
    state.counters["ratio"] = bareMs > 0.0 ? engine / bareMs : 0.0;
    state.counters["paced_frame_ms"] = paced / n;
}
TK_BENCHMARK(BM_ThreeCubeShadowsAgainstBareGl)->Unit(benchmark::kMillisecond)->Iterations(3);
} // namespace
