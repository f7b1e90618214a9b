// STAND-IN: see PostProcess.h.
#include "render/PostProcess.h"

#include "world/Engine.h"

EPostProcess PostProcess;

void EPostProcess::SetAODepth(float depth)
{
    AODepth = depth;
}

void EPostProcess::SetAOIntensity(float intensity)
{
    AOIntensity = intensity * 1000.0f;
}

void EPostProcess::Render()
{
    g_Engine.RenderEffects();
}
