#pragma once
// What an effect has in force on its device while a pass is open: the effect,
// technique and pass, and the parameter values committed to the shaders. The
// draw log keeps one of these per draw made inside a pass.

#include "platform/d3d9/GlslShaders.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ID3DXEffect;

struct TkEffectValueRecord
{
    std::string name;
    TkUniformType type;
    UINT count;                  // elements
    std::vector<uint32_t> words; // as sent: floats by their bits, bools and ints as ints
};

struct TkEffectDrawState
{
    const ID3DXEffect* effect = nullptr;
    std::string file;
    std::string technique;
    std::string pass;
    UINT passIndex = 0;
    // Values sent by the commit that made this state; older values that still
    // hold are found through `earlier`.
    std::vector<TkEffectValueRecord> committed;
    std::shared_ptr<const TkEffectDrawState> earlier;
    UINT depth = 0; // length of the `earlier` chain

    // The value of a uniform as the shaders see it; null when never sent.
    const TkEffectValueRecord* Find(const char* name) const;
    // The value as floats (ints and bools converted); empty when never sent.
    std::vector<float> Floats(const char* name) const;
};

// The state of the pass open on the device now; null outside any pass.
std::shared_ptr<const TkEffectDrawState> TkEffectCurrentDrawState(IDirect3DDevice9* device);
