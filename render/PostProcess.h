#pragma once
// EPostProcess: the screen-space chain (HDR, ambient occlusion, bloom, fog).
// STAND-IN: only the settings fields and setters the console writes, with the
// defaults of the real constructor; the post-processing work replaces this
// file with the whole EPostProcess and keeps these fields.

#include "platform/win32/WinTypes.h"

class EPostProcess
{
public:
    virtual ~EPostProcess() = default;

    // STAND-IN: the frame's post-process target and its device objects come
    // with the post-processing work; until then the frame goes straight to the
    // back buffer and there is nothing to release.
    void BeginScene() {}
    void OnDeviceLost() {}
    void Recreate() {}

    void SetAODepth(float depth);
    // Kept as the value times 1000.
    void SetAOIntensity(float intensity);
    // The engine's calls, empty until the post-processing work.
    void UpdateActive() {}
    void EndScene() {}
    // STAND-IN: of the chain only its late forward layer (the engine's effects).
    void Render();
    void InitWorld() {}
    void ReleaseWorld() {}

    float BloomCone = 5.0f;
    float BloomPower = 0.3f;
    float AOIntensity = 150.0f;
    float AODepth = 32.0f;
    BYTE AORenderScene = 1;
    float HDRTargetLuminance = 0.38f;
    float HDRSpeed = 1.0f;
    float Desaturacja = 0.2f;
    BYTE HDRMeasureLuminance = 1;
    float SNumSamples = 20.0f;
    float SDensity = 2.6f;
    float SWeight = 0.85f;
    float SDecay = 0.94f;
    float SExposure = 0.28f;
    float FogDistCoef = 1.0f;
    BYTE NormalOnly = 0;
};

extern EPostProcess PostProcess;
