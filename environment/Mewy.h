#pragma once
// Mewy: the seagull flock over a level.
// STAND-IN: no birds; the environment work replaces it.

class Mewy
{
public:
    virtual ~Mewy() = default;
    void Init() {}
    void Update() {}
    void Reset() {}
    void Release() {}
    void Clear() {}
};

inline Mewy g_Mewy;
