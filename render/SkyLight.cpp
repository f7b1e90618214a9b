#include "render/SkyLight.h"

#include "mesh/Mesh.h"
#include "render/EffectMgr.h"
#include "render/PostProcess.h"
#include "render/RenderStates.h"
#include "render/Renderer.h"
#include "render/SkyShadow.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "shell/SaveFile.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <climits>

ESkyLight Env;

namespace
{
constexpr float kChannelMax = 255.0f;

// A channel value as its byte: truncated and held to 0..255, so a typed 300
// is full strength rather than wrapping round to 44.
DWORD ChannelByte(float v)
{
    if (!(v > 0.0f))
        return 0;
    if (v >= kChannelMax)
        return static_cast<DWORD>(kChannelMax);
    return static_cast<DWORD>(v);
}

float Channel(DWORD color, int shift)
{
    return static_cast<float>((color >> shift) & 0xFF);
}

DWORD WithChannel(DWORD color, int shift, float value)
{
    return (color & ~(0xFFu << shift)) | (ChannelByte(value) << shift);
}
} // namespace

void ESkyLight::GetAmbientR(float* out) const
{
    if (out)
        *out = Channel(m_dwAmbient, 16);
}

void ESkyLight::GetAmbientG(float* out) const
{
    if (out)
        *out = Channel(m_dwAmbient, 8);
}

void ESkyLight::GetAmbientB(float* out) const
{
    if (out)
        *out = Channel(m_dwAmbient, 0);
}

void ESkyLight::SetAmbientColor(DWORD color)
{
    m_dwAmbient = color;
}

void ESkyLight::SetAmbientR(float r)
{
    m_dwAmbient = WithChannel(m_dwAmbient, 16, r);
}

void ESkyLight::SetAmbientG(float g)
{
    m_dwAmbient = WithChannel(m_dwAmbient, 8, g);
}

void ESkyLight::SetAmbientB(float b)
{
    m_dwAmbient = WithChannel(m_dwAmbient, 0, b);
}

void ESkyLight::GetFogColor(DWORD* out) const
{
    if (out)
        *out = m_dwFogColor;
}

void ESkyLight::GetFogR(float* out) const
{
    if (out)
        *out = Channel(m_dwFogColor, 16);
}

void ESkyLight::GetFogG(float* out) const
{
    if (out)
        *out = Channel(m_dwFogColor, 8);
}

void ESkyLight::GetFogB(float* out) const
{
    if (out)
        *out = Channel(m_dwFogColor, 0);
}

void ESkyLight::SetFogColor(DWORD color)
{
    m_dwFogColor = color;
    g_Camera.SetFogColor(color);
    g_Console.SetVariable("FogR", Channel(color, 16), 0);
    g_Console.SetVariable("FogG", Channel(color, 8), 0);
    g_Console.SetVariable("FogB", Channel(color, 0), 0);
}

void ESkyLight::SetFogR(float r)
{
    SetFogColor(WithChannel(m_dwFogColor, 16, r));
}

void ESkyLight::SetFogG(float g)
{
    SetFogColor(WithChannel(m_dwFogColor, 8, g));
}

void ESkyLight::SetFogB(float b)
{
    SetFogColor(WithChannel(m_dwFogColor, 0, b));
}

void ESkyLight::SetFogMax(float value)
{
    if (!(value > 0.0f))
        value = 0.0f;
    if (value > 1.0f)
        value = 1.0f;
    m_fFogMax = value;
}

float ESkyLight::GetFogMax(float* out) const
{
    if (out)
        *out = m_fFogMax;
    return m_fFogMax;
}

void ESkyLight::GetSkyLightColor(DWORD* out) const
{
    if (out)
        *out = m_dwSkyLight;
}

void ESkyLight::SetSkyLightColor(DWORD color)
{
    m_dwSkyLight = color;
}

void ESkyLight::SetSkyLightR(float r)
{
    m_dwSkyLight = WithChannel(m_dwSkyLight, 16, r);
}

void ESkyLight::SetSkyLightG(float g)
{
    m_dwSkyLight = WithChannel(m_dwSkyLight, 8, g);
}

void ESkyLight::SetSkyLightB(float b)
{
    m_dwSkyLight = WithChannel(m_dwSkyLight, 0, b);
}

void ESkyLight::SetSkyLightDirection(const D3DVECTOR* direction)
{
    if (direction)
        m_vSkyLightDir = *direction;
}

void ESkyLight::SetLensFlareDirection(const D3DVECTOR* direction)
{
    if (direction)
        m_vLensFlareDir = *direction;
}

void ESkyLight::SetBloom(float cone, float power)
{
    PostProcess.BloomCone = cone;
    PostProcess.BloomPower = power;
}

namespace
{
// Far beyond anything a world places, so the sky never takes part in tests
// or culling of the world's own objects; the sky pass draws it around the camera.
constexpr float SKY_MESH_POSITION = 1e11f;
constexpr DWORD SKY_MESH_FLAGS = 128;
constexpr float SKY_MESH_SCALE = 100.0f;
} // namespace

void ESkyLight::SetSkyMesh(const char* fileName)
{
    DeleteSkyMesh();
    const float position[3] = {SKY_MESH_POSITION, SKY_MESH_POSITION, SKY_MESH_POSITION};
    m_hSkyMesh =
        g_Engine.CreateObject(OT_MESH, fileName ? fileName : "", SKY_MESH_FLAGS, 0, position, nullptr);
    if (!m_hSkyMesh)
    {
        g_Console.Print2("Failed adding sky mesh ", fileName ? fileName : "");
        return;
    }
    const D3DXVECTOR3 scale(SKY_MESH_SCALE, SKY_MESH_SCALE, SKY_MESH_SCALE);
    g_Engine.SetObjectScale(m_hSkyMesh, &scale);
}

void ESkyLight::DeleteSkyMesh()
{
    if (m_hSkyMesh && m_hSkyMesh->bUsed)
        g_Engine.DeleteObject(m_hSkyMesh);
    m_hSkyMesh = nullptr;
}

// ---- Shadow parameters -----------------------------------------------------------------

void ESkyLight::GetShadowParams(DWORD* size, DWORD* extent, DWORD* depthRange, float* bias)
{
    g_SkyShadow.GetCascade(0, size, extent, depthRange, bias);
}

void ESkyLight::SetShadowParams(int, int, int, float)
{
    // The cascades choose their own sizes from the shadow quality.
}

// ---- The sky ------------------------------------------------------------------------------

namespace
{
constexpr DWORD kSkySamplers = 8;
constexpr float kShadowBiasScale = 0.0037f;
constexpr float kColourChannel = 255.0f;

D3DXVECTOR4 Unpacked(DWORD packed, float scale)
{
    return D3DXVECTOR4(static_cast<float>((packed >> 16) & 0xFF) / kColourChannel * scale,
                       static_cast<float>((packed >> 8) & 0xFF) / kColourChannel * scale,
                       static_cast<float>(packed & 0xFF) / kColourChannel * scale, 1.0f);
}
} // namespace

void ESkyLight::RenderSky(BYTE mirrored)
{
    if (!g_Engine.m_bWorldLoaded || !g_Options.DrawSky)
        return;
    if (!m_hSkyMesh)
    {
        g_Renderer.PrintOncePerWorld("Nie ma mesha");
        return;
    }
    EMesh* mesh = m_hSkyMesh->Type == OT_MESH ? static_cast<EMesh*>(m_hSkyMesh->Object) : nullptr;
    if (!mesh)
        return;
    if (!mesh->GetMeshEntry() || !mesh->m_pDrawMesh)
    {
        g_Renderer.PrintOncePerWorld("Nie ma mesha nieba");
        return;
    }
    IDirect3DDevice9* device = g_pD3DInterface;
    if (!device)
        return;
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    for (DWORD s = 0; s < kSkySamplers; ++s)
    {
        device->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(s, D3DTSS_COLOROP, s ? D3DTOP_DISABLE : D3DTOP_MODULATE);
    }
    g_RenderStates.SetCullCCW();
    // Seen in a mirror, the faces wind the other way.
    if (mirrored)
        g_RenderStates.EnableCulling(false);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetVertexDeclaration(g_pDeclMesh);

    EEffect* effect = g_EffectMgr.FindEffect("skylight");
    if (!effect || !effect->m_pEffect)
    {
        g_Renderer.PrintOncePerWorld(effect ? "No skylight ID3DXEffect" : "No skylight HEFFECT");
        device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        return;
    }
    ID3DXEffect* fx = effect->m_pEffect;
    g_RenderStates.BeginEffect(fx, effect->RenderScene, true);

    DWORD size = 0;
    float bias = 0.0f;
    GetShadowParams(&size, nullptr, nullptr, &bias);
    fx->SetFloat(effect->SMAP_SIZE, static_cast<float>(size));
    fx->SetFloat(effect->SMAP_SIZE1, size ? 1.0f / static_cast<float>(size) : 1.0f);
    fx->SetFloat(effect->SHADOW_EPSILON, bias * kShadowBiasScale);
    const D3DXMATRIX& view = g_Camera.m_mView;
    const D3DXMATRIX& proj = g_Camera.m_mProjection;
    D3DXMATRIX viewInv, toLight;
    D3DXMatrixInverse(&viewInv, nullptr, &view);
    D3DXMatrixMultiply(&toLight, &viewInv, &g_SkyShadow.m_mView[0]);
    D3DXMatrixMultiply(&toLight, &toLight, &g_SkyShadow.m_mProj[0]);
    fx->SetMatrix(effect->g_mViewToLightProj, &toLight);
    const D3DXVECTOR4 sun = Unpacked(m_dwSkyLight, SkyLightPower);
    fx->SetVector(effect->g_SkyLightDiffuse, &sun);
    fx->SetBool(effect->g_bUseSkyLight, g_Options.UseSkyLight);
    fx->SetMatrix(effect->g_mView, &view);
    fx->SetMatrix(effect->g_mViewInv, &viewInv);
    fx->SetMatrix(effect->g_mProj, &proj);
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    const D3DXVECTOR4 eye4(eye.x, eye.y, eye.z, 1.0f);
    fx->SetVector(effect->g_CameraPosition, &eye4);
    fx->SetFloat("g_fFarZ", g_Camera.GetFarPlane());

    if (g_Options.DrawSky && !g_Options.WireFrame && g_RenderStates.BeginEffectByName(fx, "RenderSky", true))
    {
        // The sky mesh sits far out of the world; it is drawn around the camera.
        D3DXMATRIX scale, move, world, worldView, wvp;
        D3DXMatrixScaling(&scale, mesh->m_vScale.x, mesh->m_vScale.y, mesh->m_vScale.z);
        D3DXMatrixTranslation(&move, eye.x, eye.y, eye.z);
        D3DXMatrixMultiply(&world, &scale, &move);
        D3DXMatrixMultiply(&worldView, &world, &view);
        D3DXMatrixMultiply(&wvp, &worldView, &proj);
        fx->SetMatrix(effect->g_mWorld, &world);
        fx->SetMatrix(effect->g_mWorldView, &worldView);
        fx->SetMatrix(effect->g_mWorldViewProjection, &wvp);
        D3DXMATRIX worldInv;
        D3DXMatrixInverse(&worldInv, nullptr, &world);
        D3DXVECTOR4 model;
        D3DXVec3Transform(&model, &eye, &worldInv);
        fx->SetVector(effect->g_CameraModel, &model);
        fx->SetFloat("g_fSkyFogHeight", SkyFogHeight);
        fx->SetFloat("g_fSkyFogCoef", SkyFogCoef);
        const D3DXVECTOR4 fog = Unpacked(m_dwFogColor, 1.0f);
        fx->SetVector(effect->g_FogColor, &fog);
        for (DWORD s = 0; s < mesh->m_dwNumMaterials && s < MAX_MESH_MATERIALS; ++s)
        {
            if (!mesh->m_bSubsetDrawn[s])
                continue;
            strtexture* t = g_Renderer.GetTexture(mesh->m_TextureIndex[s]);
            if (!t)
                continue;
            device->SetTexture(0, t->m_pTexture);
            fx->SetBool(effect->g_bDrawTransparent, t->m_bTransparent);
            fx->SetBool(effect->g_bDrawTranslucent, t->m_bTranslucent);
            device->SetRenderState(D3DRS_ALPHATESTENABLE, t->m_bTransparent ? TRUE : FALSE);
            device->SetRenderState(D3DRS_ALPHABLENDENABLE, t->m_bTranslucent ? TRUE : FALSE);
            fx->CommitChanges();
            ERenderer::DrawMeshSubset(mesh, s);
        }
    }
    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    fx->SetBool(effect->g_bDrawTransparent, FALSE);
    fx->SetBool(effect->g_bDrawTranslucent, FALSE);
    g_RenderStates.AlphaTestOff(effect);
    g_RenderStates.AlphaBlendOff(effect);
    g_RenderStates.EndEffect(fx);
    g_RenderStates.SetCullCCW();
}

// ---- Save games ----------------------------------------------------------------------------

bool ESkyLight::SaveState(FILE* file) const
{
    if (!file)
        return false;
    bool ok = WriteDword(file, m_dwAmbient);
    ok &= WriteDword(file, m_dwFogColor);
    ok &= WriteFloat(file, SkyLightPower);
    ok &= WriteDword(file, m_dwSkyLight);
    ok &= WriteVector(file, &m_vSkyLightDir);
    ok &= WriteVector(file, &m_vLensFlareDir);
    ok &= WriteBool(file, m_bWorldInitialised != 0);
    return ok;
}

bool ESkyLight::LoadState(FILE* file)
{
    if (!file)
        return false;
    DWORD ambient = 0, fog = 0, sun = 0;
    float power = 0.0f;
    D3DVECTOR sunDir = {}, flareDir = {};
    BYTE initialised = 0;
    bool ok = ReadDword(file, &ambient);
    ok &= ReadDword(file, &fog);
    ok &= ReadFloat(file, &power);
    ok &= ReadDword(file, &sun);
    ok &= ReadVector(file, &sunDir);
    ok &= ReadVector(file, &flareDir);
    ok &= ReadBool(file, &initialised);
    // A section cut short leaves the world's own light as it was.
    if (!ok)
        return false;
    m_dwAmbient = ambient;
    SkyLightPower = power;
    m_dwSkyLight = sun;
    m_vSkyLightDir = sunDir;
    m_vLensFlareDir = flareDir;
    m_bWorldInitialised = initialised;
    // Through the setter, so the camera's fog and the console values follow
    // the loaded colour instead of keeping the world's.
    SetFogColor(fog);
    return true;
}
