#pragma once
// CAmbientProbe: the ambient light probe of the world.
// STAND-IN: the per-world calls; the renderer work replaces it.

class CAmbientProbe
{
public:
    virtual ~CAmbientProbe() = default;
    void Init() {}
    void Release() {}
};

inline CAmbientProbe g_AmbientProbe;
