#pragma once
// EDust: ground dust and leaf litter.
// STAND-IN: draws nothing; the environment work replaces it.

class EDust
{
public:
    virtual ~EDust() = default;
    void Init() {}
    void Update() {}
    void Release() {}
    void Render() {}
};

inline EDust g_Dust;
