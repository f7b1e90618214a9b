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

    static constexpr int DEFINITION_FILE_SIZE = 256;
    // The world's lens-flare definition file (world key "lensflare_script").
    char m_szDefinitionFile[DEFINITION_FILE_SIZE] = {};
};

extern ELensFlare g_LensFlare;
