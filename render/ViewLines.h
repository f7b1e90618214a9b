#pragma once
// EViewLines: the debug-line buffer.
// STAND-IN: the per-world calls; the renderer work replaces it.

class EViewLines
{
public:
    virtual ~EViewLines() = default;
    void CreateVB() {}
    void Release() {}
};

inline EViewLines g_ViewLines;
