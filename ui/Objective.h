#pragma once
// Objective: the current-task box.
// STAND-IN: no tasks; the HUD work replaces it.

class Objective
{
public:
    virtual ~Objective() = default;
    void Clear() {}
    void Init() {}
    void Update() {}
    void Release() {}
};

inline Objective g_Objective;
