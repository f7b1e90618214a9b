// Skinned-mesh animation speed, reported as ratios within one run: 64 instances of a 30-bone model
// with all four slots playing, sampled, blended into their nodes and carried to world matrices each
// frame, against a bare loop doing the same key interpolation, quaternion and matrix work per bone.
#include "bench/Harness.h"
#include "mesh/BinaFile.h"
#include "mesh/SkinMesh.h"
#include "mesh/SkinMeshMgr.h"
#include "mesh/SkinModelFile.h"
#include "platform/Backend.h"
#include "platform/d3d9/D3D9.h"
#include "bench/BenchDevice.h"
#include "platform/d3d9/HeadlessDevice.h"
#include "shell/D3DMain.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{
constexpr int kBones = 30;
constexpr int kInstances = 64;
constexpr int kSlots = 4;
constexpr int kFrames = 300;
constexpr float kFrameTime = 1.0f / 60.0f;
constexpr double kLength = 2.0;
constexpr int kKeys = 61;
constexpr int kRuns = 3;

struct SkinDevice : BenchDevice
{
    ~SkinDevice() { g_SkinMeshMgr.Release(); }
};

struct SkinFolder
{
    SkinFolder()
    {
        previous = std::filesystem::current_path();
        path = std::filesystem::temp_directory_path() / ("tk_skinbench" + std::to_string(getpid()));
        std::filesystem::create_directories(path / "models" / "crowd" / "animations");
        std::filesystem::current_path(path);
    }
    ~SkinFolder()
    {
        std::filesystem::current_path(previous);
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path, previous;
};

std::string BoneName(int b)
{
    return b == 0 ? std::string("Bip01") : "Bip01_Bone" + std::to_string(b);
}

// A branching skeleton: each bone hangs from the one two places before it.
SkinModelDesc Model()
{
    SkinModelDesc desc;
    for (int b = 0; b < kBones; ++b)
    {
        SkinModelBone bone;
        bone.name = BoneName(b);
        bone.parent = b == 0 ? -1 : (b - 1) / 2;
        D3DXMatrixTranslation(&bone.local, b % 2 ? 1.0f : -1.0f, 2.0f, 0.0f);
        desc.bones.push_back(bone);
    }
    const std::vector<D3DXMATRIX> bind = SkinModelBindPose(desc);
    for (int b = 0; b < kBones; ++b)
    {
        const uint32_t first = static_cast<uint32_t>(desc.mesh.positions.size() / 3);
        for (int c = 0; c < 8; ++c)
        {
            desc.mesh.positions.insert(desc.mesh.positions.end(), {bind[b]._41 + ((c & 1) ? 0.3f : -0.3f),
                                                                   bind[b]._42 + ((c & 2) ? 0.3f : -0.3f),
                                                                   bind[b]._43 + ((c & 4) ? 0.3f : -0.3f)});
            desc.weights.push_back({{b, 1.0f}});
        }
        for (uint32_t i : {0, 2, 3, 0, 3, 1, 4, 5, 7, 4, 7, 6, 0, 4, 6, 0, 6, 2, 1, 3, 7, 1, 7, 5})
            desc.mesh.indices.push_back(first + i);
    }
    desc.mesh.materials = {tk::xfile::XMaterialDesc()};
    return desc;
}

BinaContent Animation(float phase)
{
    BinaContent c;
    c.dKeyTimeScale = 30.0;
    c.dLength = kLength;
    for (int b = 0; b < kBones; ++b)
    {
        tNodeAnim t;
        std::snprintf(t.szName, sizeof t.szName, "%s", BoneName(b).c_str());
        for (int k = 0; k < kKeys; ++k)
        {
            const float time = static_cast<float>(k);
            D3DXQUATERNION q;
            D3DXQuaternionRotationYawPitchRoll(&q, std::sin(time * 0.1f + phase), 0.2f * b, 0.0f);
            t.fTimeRotation.push_back(time);
            t.qRotation.push_back(q);
            t.fTimeTranslation.push_back(time);
            t.vTranslation.push_back(D3DXVECTOR3(b % 2 ? 1.0f : -1.0f, 2.0f + 0.01f * k, 0.0f));
        }
        t.fTimeScale.push_back(0.0f);
        t.vScale.push_back(D3DXVECTOR3(1.0f, 1.0f, 1.0f));
        c.nodes.push_back(t);
    }
    return c;
}

double CpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The same work without the engine: per bone and slot, two key interpolations, a slerp, the local
// matrix and the world matrix.
double BareLoop(const BinaContent& animation)
{
    std::vector<D3DXMATRIX> world(kBones);
    D3DXMATRIX root;
    D3DXMatrixIdentity(&root);
    volatile float sink = 0.0f;
    const double start = CpuSeconds();
    for (int f = 0; f < kFrames; ++f)
        for (int i = 0; i < kInstances; ++i)
            for (int s = 0; s < kSlots; ++s)
            {
                const float k = std::fmod(static_cast<float>(f + i + s), static_cast<float>(kKeys - 1));
                const int a = static_cast<int>(k);
                const float u = k - static_cast<float>(a);
                for (int b = 0; b < kBones; ++b)
                {
                    const tNodeAnim& t = animation.nodes[b];
                    D3DXQUATERNION q;
                    D3DXQuaternionSlerp(&q, &t.qRotation[a], &t.qRotation[a + 1], u);
                    const D3DXVECTOR3 p = t.vTranslation[a] + (t.vTranslation[a + 1] - t.vTranslation[a]) * u;
                    const D3DXVECTOR3 scale(1.0f, 1.0f, 1.0f);
                    D3DXMATRIX local;
                    D3DXMatrixTransformation(&local, nullptr, nullptr, &scale, nullptr, &q, &p);
                    D3DXMatrixMultiply(&world[b], &local, b ? &world[(b - 1) / 2] : &root);
                }
                sink = sink + world[kBones - 1]._41;
            }
    return CpuSeconds() - start;
}

void BM_SixtyFourInstancesFourSlots(benchmark::State& state)
{
    SkinFolder folder;
    SkinDevice device;
    WriteSkinModelFile("models\\crowd\\crowd.x", Model(), tk::xfile::XFormat::Binary);
    const char* names[kSlots] = {"a", "b", "c", "d"};
    for (int s = 0; s < kSlots; ++s)
        bina::WriteFile(("models\\crowd\\animations\\" + std::string(names[s]) + ".bin").c_str(),
                        Animation(static_cast<float>(s)));
    std::vector<ESkinMesh> crowd(kInstances);
    for (ESkinMesh& skin : crowd)
    {
        if (!skin.Create("models\\crowd\\crowd.x"))
        {
            state.SkipWithError("the model did not load");
            return;
        }
        skin.SetAnimation(names[0], 1, 0.0, 1.0);
        skin.SetAnimationSlot1(names[1], 1, 0.0);
        skin.SetAnimationSlot2(names[2], 1, 0.0);
        // Slot 3 plays only from saves: set it as a loaded save would.
        skin.m_Slots[3] = skin.m_Slots[2];
        skin.m_Slots[3].iMask = 3;
        skin.m_Slots[3].iAnimation = skin.m_pBase->FindAnimation(names[2]);
        skin.m_iSlotState[3] = SLOT_BLENDING;
        skin.Update(kFrameTime);
    }
    const BinaContent bare = Animation(0.0f);
    double engine = 1e30, loop = 1e30;
    for (auto _ : state)
        for (int run = 0; run < kRuns; ++run)
        {
            const double start = CpuSeconds();
            for (int f = 0; f < kFrames; ++f)
                for (ESkinMesh& skin : crowd)
                    skin.Update(kFrameTime);
            engine = std::min(engine, CpuSeconds() - start);
            loop = std::min(loop, BareLoop(bare));
        }
    const double boneSlots = static_cast<double>(kFrames) * kInstances * kSlots * kBones;
    // A slot samples only the nodes its mask gives it (slot 0 every node): the work done per frame.
    double driven = 0.0;
    for (const strSkinNode& node : crowd[0].m_pNodes)
    {
        driven += 1.0;
        for (int s = 1; s < kSlots; ++s)
            driven += node.bMask[s - 1] ? 1.0 : 0.0;
    }
    state.counters["driven_bone_slots"] = driven;
    state.counters["ns_per_driven_bone_slot"] =
        engine * 1e9 / (static_cast<double>(kFrames) * kInstances * driven);
    state.counters["ms_per_frame"] = engine * 1e3 / kFrames;
    state.counters["ns_per_bone_slot"] = engine * 1e9 / boneSlots;
    state.counters["bare_ns_per_bone_slot"] = loop * 1e9 / boneSlots;
    state.counters["engine_over_bare"] = engine / loop;
}
TK_BENCHMARK(BM_SixtyFourInstancesFourSlots)->Iterations(1)->Unit(benchmark::kMillisecond);
} // namespace
