#pragma once
// ELensFlare: the sun's flares.
// STAND-IN: the per-frame update does nothing until the lens-flare work.

class ELensFlare
{
public:
    virtual ~ELensFlare() = default;
    void Update() {}
    void Load() {}
    void Release() {}
};

extern ELensFlare g_LensFlare;
