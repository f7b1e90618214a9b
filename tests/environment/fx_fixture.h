#pragma once
// The effect tests' starting point: a fresh temporary data tree, a headless
// device as the game's device, an empty effect manager and sprite table, the
// camera at the origin looking north, and a small world of planes that the
// effects' segment tests see in place of the scene.

#include "environment/FxMgr.h"
#include "environment/FxServices.h"
#include "platform/d3d9/D3D9.h"
#include "render/Renderer.h"
#include "render/SpriteMgr.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "support/ConsoleLog.h"
#include "support/Globals.h"
#include "support/HeadlessD3D.h"
#include "support/ImageFiles.h"
#include "support/TempDir.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace fxtest
{
// One infinite plane of the test world: the object it belongs to, a point on
// it and its front normal.
struct Plane
{
    HOBJECT object;
    D3DXVECTOR3 point;
    D3DXVECTOR3 normal;
    DWORD subset = 0;
};

inline std::vector<Plane>& Planes()
{
    static std::vector<Plane> planes;
    return planes;
}

inline int& SegmentTests()
{
    static int count = 0;
    return count;
}

// The nearest plane the segment crosses that the filter accepts.
inline bool PlaneWorldTest(const RayTestQuery* q, RayTestResult* r)
{
    r->Reset();
    ++SegmentTests();
    const D3DXVECTOR3 from(q->pFrom[0], q->pFrom[1], q->pFrom[2]);
    const D3DXVECTOR3 d = D3DXVECTOR3(q->pTo[0], q->pTo[1], q->pTo[2]) - from;
    float best = 2.0f;
    for (const Plane& p : Planes())
    {
        const float denom = p.normal.x * d.x + p.normal.y * d.y + p.normal.z * d.z;
        if (denom == 0.0f)
            continue;
        const D3DXVECTOR3 w = p.point - from;
        const float t = (p.normal.x * w.x + p.normal.y * w.y + p.normal.z * w.z) / denom;
        if (t < 0.0f || t > 1.0f || t >= best)
            continue;
        if (q->pfnFilter && q->pfnFilter != RayTestAcceptAll && !q->pfnFilter(p.object, q->dwUser))
            continue;
        best = t;
        r->bHit = 1;
        r->vPoint = from + d * t;
        r->vNormal = p.normal;
        r->pObject = p.object;
        r->dwSubsetValue = p.subset;
        r->fDistance = t * std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    }
    return r->bHit != 0;
}

inline std::string Lines(std::initializer_list<const char*> lines)
{
    std::string s;
    for (const char* l : lines)
        s += std::string(l) + "\n";
    return s;
}

class FxTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        globals = std::make_unique<GlobalsSnapshot>();
        g_Options = GameOptions{};
        temp = std::make_unique<TempDir>();
        params = WindowedParams(kWidth, kHeight);
        ASSERT_NO_FATAL_FAILURE(CreateHeadlessDevice(params, &d3d, &device));
        g_pD3DInterface = device;
        g_Renderer.ClearTextures();
        FX.Release();
        Planes().clear();
        SegmentTests() = 0;
        FxSetSegmentTest(PlaneWorldTest);
        g_FxServiceCounts = FxServiceCounts{};
        std::srand(1);
        g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        g_Camera.SetOrientation(EOrientation());
        g_Camera.SetFarPlane(kFar);
        g_Camera.UpdateView();
        g_Engine.m_fDeltaTime = kStep;
    }

    void TearDown() override
    {
        FxSetSegmentTest(nullptr);
        Planes().clear();
        FX.Release();
        g_SpriteMgr.Release();
        g_Engine.DeleteAllObjects();
        g_Renderer.ClearTextures();
        g_pD3DInterface = nullptr;
        ReleaseHeadlessDevice(d3d, device);
        temp.reset();
        globals.reset();
    }

    // Writes "afx\<name>.afx".
    void Afx(const std::string& name, const std::string& text) { temp->Write("afx/" + name + ".afx", text); }
    // A white texture file (with alpha), 4 x 4.
    void Texture(const std::string& path, DWORD argb = 0xFFFFFFFF)
    {
        temp->Write(path, TgaFile(4, 4, std::vector<DWORD>(16, argb), true));
    }
    // Loads the definitions the way a level start does.
    void Load()
    {
        g_Renderer.ScanTextureDirectory();
        FX.Init();
    }

    int Active() const
    {
        int n = 0;
        for (const EFxInstance& fx : FX.m_Fx)
            n += fx.m_bActive;
        return n;
    }

    // Frames of the effect update at the fixture's step.
    static void Run(int frames)
    {
        for (int i = 0; i < frames; ++i)
            FX.Update();
    }

    D3DCOLOR BackPixel(UINT x, UINT y)
    {
        IDirect3DSurface9* back = nullptr;
        EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        D3DCOLOR color = 0;
        EXPECT_TRUE(TkD3D9ReadPixel(back, x, y, &color));
        back->Release();
        return color;
    }

    static constexpr UINT kWidth = 64;
    static constexpr UINT kHeight = 48;
    static constexpr float kFar = 1000.0f;
    static constexpr float kStep = 0.05f;

    std::unique_ptr<GlobalsSnapshot> globals;
    std::unique_ptr<TempDir> temp;
    D3DPRESENT_PARAMETERS params = {};
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
};
} // namespace fxtest
