#pragma once
// COpady: rain.
// STAND-IN: draws nothing; the environment work replaces it.

class COpady
{
public:
    virtual ~COpady() = default;
    void Init() {}
    void Release() {}
    void Render() {}
};

inline COpady g_Opady;
