#pragma once
// COpady: rain.
// STAND-IN: draws nothing; the environment work replaces it.

class COpady
{
public:
    virtual ~COpady() = default;
    void Render() {}
};

inline COpady g_Opady;
