#include "platform/d3dx/SavedStates.h"

void TkSavedStates::SetRenderState(D3DRENDERSTATETYPE state, DWORD value)
{
    DWORD old = 0;
    if (!m_device || FAILED(m_device->GetRenderState(state, &old)))
        return;
    m_entries.push_back({Kind::Render, 0, static_cast<DWORD>(state), old});
    m_device->SetRenderState(state, value);
}

void TkSavedStates::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    DWORD old = 0;
    if (!m_device || FAILED(m_device->GetTextureStageState(stage, type, &old)))
        return;
    m_entries.push_back({Kind::Stage, stage, static_cast<DWORD>(type), old});
    m_device->SetTextureStageState(stage, type, value);
}

void TkSavedStates::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value)
{
    DWORD old = 0;
    if (!m_device || FAILED(m_device->GetSamplerState(sampler, type, &old)))
        return;
    m_entries.push_back({Kind::Sampler, sampler, static_cast<DWORD>(type), old});
    m_device->SetSamplerState(sampler, type, value);
}

void TkSavedStates::SetAlphaBlend()
{
    SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
}

void TkSavedStates::SetTextureTimesDiffuse(DWORD stage)
{
    SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_MODULATE);
    SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    SetTextureStageState(stage, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    SetTextureStageState(stage, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    SetTextureStageState(stage, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    SetTextureStageState(stage, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
}

void TkSavedStates::Restore()
{
    if (m_device)
        for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it)
            switch (it->kind)
            {
            case Kind::Render:
                m_device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(it->type), it->value);
                break;
            case Kind::Stage:
                m_device->SetTextureStageState(it->stage, static_cast<D3DTEXTURESTAGESTATETYPE>(it->type),
                                               it->value);
                break;
            case Kind::Sampler:
                m_device->SetSamplerState(it->stage, static_cast<D3DSAMPLERSTATETYPE>(it->type), it->value);
                break;
            }
    m_entries.clear();
}

void TkSavedBindings::Save(IDirect3DDevice9* device, DWORD textureStage)
{
    Drop();
    m_device = device;
    m_stage = textureStage;
    if (!device)
        return;
    device->GetTexture(textureStage, &m_texture);
    device->GetVertexDeclaration(&m_declaration);
    device->GetFVF(&m_fvf);
    device->GetVertexShader(&m_vertexShader);
    device->GetPixelShader(&m_pixelShader);
    device->GetStreamSource(0, &m_stream, &m_streamOffset, &m_streamStride);
}

void TkSavedBindings::Restore()
{
    if (m_device)
    {
        m_device->SetTexture(m_stage, m_texture);
        // A declaration in force wins over the FVF, which is 0 then.
        if (m_declaration || m_fvf == 0)
            m_device->SetVertexDeclaration(m_declaration);
        else
            m_device->SetFVF(m_fvf);
        m_device->SetVertexShader(m_vertexShader);
        m_device->SetPixelShader(m_pixelShader);
        m_device->SetStreamSource(0, m_stream, m_streamOffset, m_streamStride);
    }
    Drop();
}

void TkSavedBindings::Drop()
{
    SAFE_RELEASE(m_texture);
    SAFE_RELEASE(m_declaration);
    SAFE_RELEASE(m_vertexShader);
    SAFE_RELEASE(m_pixelShader);
    SAFE_RELEASE(m_stream);
    m_device = nullptr;
    m_fvf = 0;
    m_streamOffset = m_streamStride = 0;
}
