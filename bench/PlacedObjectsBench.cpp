// Placed objects: 4,500 instances of one sprite group scattered over a
// 1,200 x 1,200 field, the camera walking across it 4.5 units a frame, so
// that every frame runs the instance pass: instances coming within the
// switch distance become scene objects, those leaving it are deleted, and the
// sprite buffer is rebuilt (its lock included). Reported per frame, with the
// swaps per frame.
#include "bench/BenchDevice.h"
#include "bench/Harness.h"
#include "mesh/MeshMgr.h"
#include "platform/d3dx/XMesh.h"
#include "shell/RecordBytes.h"
#include "tests/support/BoxMesh.h"
#include "world/Engine.h"
#include "world/ObjectMgr.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
constexpr DWORD kInstances = 4500;
constexpr float kField = 1200.0f;
constexpr float kSwitch = 60.0f;
constexpr float kStep = 4.5f;

double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Folder
{
    Folder()
    {
        previous = std::filesystem::current_path();
        path = std::filesystem::temp_directory_path() / ("tk_placedbench" + std::to_string(getpid()));
        std::filesystem::create_directories(path / "meshes");
        std::filesystem::current_path(path);
    }
    ~Folder()
    {
        std::filesystem::current_path(previous);
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path, previous;
};

struct Device : BenchDevice
{
    ~Device()
    {
        g_ObjectMgr.Reset();
        g_Engine.DeleteAllObjects();
        g_MeshMgr.ReleaseAll();
    }
};

std::vector<BYTE> Field()
{
    std::vector<BYTE> out(4 + OM_GROUP_RECORD_SIZE + kInstances * OM_INSTANCE_RECORD_SIZE);
    RecordOut(out.data(), 4).U32(0, 1);
    RecordOut g(out.data() + 4, OM_GROUP_RECORD_SIZE);
    g.Chars(0, "meshes\\box.x", 255);
    g.U32(260, kInstances);
    g.F32(264, kSwitch);
    g.U32(268, 1);
    std::srand(11);
    for (DWORD k = 0; k < kInstances; ++k)
    {
        RecordOut i(out.data() + 4 + OM_GROUP_RECORD_SIZE + k * OM_INSTANCE_RECORD_SIZE,
                    OM_INSTANCE_RECORD_SIZE);
        i.Chars(4, ("placed_" + std::to_string(k)).c_str(), 64);
        const float x = static_cast<float>(std::rand() % 12000) / 10.0f - kField / 2.0f;
        const float z = static_cast<float>(std::rand() % 12000) / 10.0f - kField / 2.0f;
        i.Vec3(68, D3DXVECTOR3(x, 0.0f, z));
        i.Orientation(80, EOrientation());
        i.Vec3(196, D3DXVECTOR3(1.0f, 1.0f, 1.0f));
        i.U32(208, 13);
        i.F32(220, 12.0f);
        i.U8(224, 1);
    }
    return out;
}

void BM_PlacedObjectsSwapAsTheCameraWalks(benchmark::State& state)
{
    Folder folder;
    tk::xfile::XWriteMeshFile("meshes\\box.x", BoxMesh(), tk::xfile::XFormat::Text);
    Device device;
    const std::vector<BYTE> bytes = Field();
    g_ObjectMgr.ReadOm(bytes.data(), bytes.size(), "bench.om");
    g_ObjectMgr.Init();
    float x = -kField / 2.0f;
    g_ObjectMgr.UpdateInstances(D3DXVECTOR3(x, 1.8f, 0.0f));
    double seconds = 0.0;
    const DWORD createdBefore = g_ObjectMgr.m_iCreated, deletedBefore = g_ObjectMgr.m_iDeleted;
    for (auto _ : state)
    {
        x += kStep;
        if (x > kField / 2.0f)
            x = -kField / 2.0f;
        const double start = ThreadSeconds();
        g_ObjectMgr.UpdateInstances(D3DXVECTOR3(x, 1.8f, 0.0f));
        seconds += ThreadSeconds() - start;
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["instances"] = kInstances;
    state.counters["sprites"] = g_ObjectMgr.SpriteCount();
    state.counters["swaps_per_frame"] =
        static_cast<double>(g_ObjectMgr.m_iCreated - createdBefore + g_ObjectMgr.m_iDeleted - deletedBefore) /
        frames;
    state.counters["cpu_ms_per_frame"] = seconds / frames * 1e3;
}
TK_BENCHMARK(BM_PlacedObjectsSwapAsTheCameraWalks)->Unit(benchmark::kMillisecond);
} // namespace
