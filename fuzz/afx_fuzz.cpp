// The effect definitions as the effect manager reads them: the same bytes as
// an "afx" file (then started and run for a few frames, which must never give
// a position, size or colour that is not a number) and as a blood-drop list.
// Runs in a scratch folder of its own (see tools/fuzz.sh).

#include "environment/FxMgr.h"
#include "shell/GameOptions.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace
{
constexpr int kFrames = 4;
constexpr float kStep = 0.05f;

void WriteFile(const char* path, const uint8_t* data, size_t size)
{
    if (FILE* f = std::fopen(path, "wb"))
    {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

bool Prepare()
{
    std::filesystem::create_directories("afx");
    std::filesystem::create_directories("scripts");
    g_Camera.SetFarPlane(1000.0f);
    g_Engine.m_fDeltaTime = kStep;
    return true;
}

void Check(const D3DXVECTOR3& v)
{
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z))
        __builtin_trap();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = Prepare();
    (void)ready;
    WriteFile("afx/fuzzed.afx", data, size);
    FX.LoadFxDef("afx\\fuzzed.afx");
    FX.ResolveChildren();
    FX.ReportChildCycles();
    // Textures and meshes stay out of it: the reader, the start and the update are what is tested.
    EFxDef* def = FX.FindFxDef("fuzzed");
    if (def)
    {
        def->Type = def->Type == FX_MESH ? FX_TYPE_NONE : def->Type;
        def->FilenameCount = 0;
        FX.CreateFxByName("fuzzed", nullptr, nullptr);
        for (int i = 0; i < kFrames; ++i)
        {
            FX.Update();
            FX.UpdateSprites();
        }
        for (const EFxInstance& fx : FX.m_Fx)
            if (fx.m_bActive)
            {
                Check(fx.m_vPos);
                Check(fx.m_vAnchor);
                Check(fx.m_vDrawScale);
                if (!std::isfinite(fx.m_fLifeFraction))
                    __builtin_trap();
                FX.GetSpriteColor(&fx);
            }
        FX.ReleaseAllFx();
    }
    for (EFxDef& d : FX.m_Defs)
        if (d.Name[0])
            ClearFxDef(&d);

    WriteFile("scripts/BloodDrops.txt", data, size);
    WriteFile("scripts/BloodDropsOF.txt", data, size);
    FX.LoadBloodDrops();
    return 0;
}
