#pragma once
// CBattlefield: the background battle of a level.
// STAND-IN: no battle; the game-flow work replaces it.

class CBattlefield
{
public:
    virtual ~CBattlefield() = default;
    void Reset() {}
    void Update() {}
    void ReleaseUnits() {}
};

inline CBattlefield g_Battlefield;
