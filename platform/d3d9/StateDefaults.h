#pragma once
// The states a device starts with and returns to after Reset, with the set of
// states that exist. Pure tables.

#include "platform/d3d9/DeviceRecords.h"

namespace tk::d3d9
{
bool IsRenderState(DWORD state);
bool IsSamplerState(DWORD type);
bool IsStageState(DWORD type);

// `autoDepthStencil`: ZENABLE starts on only when the device has an automatic depth surface.
void DefaultRenderStates(DWORD (&states)[TK_D3D_RENDER_STATES], bool autoDepthStencil);
void DefaultSamplerStates(DWORD (&states)[TK_D3D_SAMPLER_STATES]);
void DefaultStageStates(DWORD stage, DWORD (&states)[TK_D3D_STAGE_STATES]);

// A float state value as the DWORD it is passed in.
DWORD FloatBits(float value);
} // namespace tk::d3d9
