#pragma once
// CAiMapData: the per-level AI map data.
// STAND-IN: reads nothing; the character work replaces it.

class CAiMapData
{
public:
    virtual ~CAiMapData() = default;
    void Load() {}
    void Clear() {}
};

inline CAiMapData g_AiMapData;
