#pragma once
// ELaserMgr: the glowing laser beams of the characters' weapon sights. Up to
// 256 straight beams, each two crossed strips, with sparkling dust specks
// floating along them; all of it is rebuilt every frame into two fixed vertex
// buffers and drawn additively in two draw calls after the scene.

#include "platform/d3d9/D3D9.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "render/Renderer.h"

class ELaserMgr
{
public:
    static constexpr DWORD MAX_BEAMS = 256;
    static constexpr DWORD MAX_DUST = 4095;
    static constexpr DWORD DUST_QUADS = 4096; // the dust buffer holds one quad more than the table
    static constexpr DWORD VERTEX_SIZE = 24;
    static constexpr DWORD BEAM_VERTICES = 12;
    static constexpr DWORD DUST_VERTICES = 6;
    static constexpr DWORD BEAM_BUFFER_SIZE = MAX_BEAMS * BEAM_VERTICES * VERTEX_SIZE;  // 0x12000
    static constexpr DWORD DUST_BUFFER_SIZE = DUST_QUADS * DUST_VERTICES * VERTEX_SIZE; // 0x90000
    static constexpr float DUST_SPACING = 6.0f;
    static constexpr const char* BEAM_TEXTURE = "spr_laser_bialy.tga";
    static constexpr const char* DUST_TEXTURE = "spr_pylek_lasera_bialy.tga";

    struct Beam
    {
        BYTE used = 0;
        DWORD slot = 0;
        DWORD colour = 0; // 0xRRGGBB
        BYTE flag = 0;
        D3DXVECTOR3 origin = {0.0f, 0.0f, 0.0f};
        D3DXVECTOR3 target = {0.0f, 0.0f, 0.0f};
        D3DXVECTOR3 side = {0.0f, 0.0f, 0.0f};
    };

    ELaserMgr();
    virtual ~ELaserMgr() = default;

    // The first free slot; MAX_BEAMS when all are taken (nothing added).
    DWORD AddBeam(const D3DXVECTOR3* origin, const D3DXVECTOR3* target, DWORD colour, BYTE flag);
    void RemoveBeam(DWORD slot);
    void ClearBeams();
    void CreateDeviceObjects();
    void Release();
    void Update();
    void Render();

    // A dust speck's colour from a beam's: each channel times 2.5, held at 255; alpha 0.
    static DWORD DustColour(DWORD beamColour);

    DWORD m_dwFVF;
    IDirect3DVertexBuffer9* m_pBeamVB = nullptr;
    TextureIndex m_BeamTexture = 0;
    DWORD m_iBeamsWritten = 0;
    Beam m_Beams[MAX_BEAMS];
    D3DXVECTOR3 m_vDust[MAX_DUST];
    DWORD m_DustColour[MAX_DUST] = {};
    DWORD m_iDustCount = 0;
    TextureIndex m_DustTexture = 0;
    IDirect3DVertexBuffer9* m_pDustVB = nullptr;
    // Draw calls of the last Render.
    DWORD m_iDrawCalls = 0;

private:
    void WriteBeams();
    void GatherDust();
    void WriteDust();
};

extern ELaserMgr g_LaserMgr;
