// The menu's backdrop: its textures, the picture fitted to the screen's
// aspect, the drifting smoke puffs, and the hero standing with his rifle, lit
// by the sky-light effects.

#include "ui/Menu.h"

#include "game/SaveMgr.h"
#include "mesh/Mesh.h"
#include "mesh/SkinMesh.h"
#include "platform/d3dx/Texture.h"
#include "render/EffectMgr.h"
#include "render/RenderStates.h"
#include "render/Renderer.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cmath>

namespace
{
constexpr const char* kPuffTag = "menupuff";
constexpr const char* kPuffTexture = "spr_dymek_jasny_01.tga";
constexpr const char* kHeroModel = "models\\postacie\\hero\\hero.x";
constexpr const char* kRifleModel = "prefabs\\bronie_static\\ak_low.x";
constexpr const char* kHeroName = "hhheromenu";
constexpr const char* kHeroAnimation = "stoi_slucha2";
constexpr const char* kRifleSocket = "ak47_prawa";
constexpr DWORD kBackdropFlags = 544;
constexpr DWORD kPuffColor = 0xFEFEFEFE;
constexpr float kPuffRemoveX = 1200.0f;
constexpr float kWideAspect = 16.0f / 9.0f;
// The picture's u range at aspect 1; at 16:9 it is 0 to 1.
constexpr float kSquareLeft = 0.21875f;
constexpr float kThumbWidth = 400.0f, kThumbHeight = 300.0f;

float SX()
{
    return g_Options.fScreenScaleX;
}
float SY()
{
    return g_Options.fScreenScaleY;
}

// A random value in lo..hi.
float Between(float lo, float hi)
{
    return lo + RandomFloat(hi - lo);
}

void SetLightBlock(EEffect* effect)
{
    ID3DXEffect* fx = effect->m_pEffect;
    D3DXMATRIX viewInv;
    D3DXMatrixInverse(&viewInv, nullptr, &g_Camera.m_mView);
    fx->SetMatrix(effect->g_mView, &g_Camera.m_mView);
    fx->SetMatrix(effect->g_mViewInv, &viewInv);
    fx->SetMatrix(effect->g_mProj, &g_Camera.m_mProjection);
    const D3DXVECTOR3 eye = g_Camera.GetPosition();
    const D3DXVECTOR4 eye4(eye.x, eye.y, eye.z, 0.0f);
    fx->SetVector(effect->g_CameraPosition, &eye4);
    // A warm sun from the upper left in front of the figure, a cool fill.
    const D3DXVECTOR4 ambient(0.32f, 0.33f, 0.36f, 1.0f);
    const D3DXVECTOR4 sun(0.95f, 0.88f, 0.74f, 1.0f);
    D3DXVECTOR3 dir(0.6f, -0.5f, 0.6f);
    D3DXVec3Normalize(&dir, &dir);
    const D3DXVECTOR4 sunDir(dir.x, dir.y, dir.z, 0.0f);
    fx->SetVector(effect->g_AmbientLightDiffuse, &ambient);
    fx->SetVector(effect->g_SkyLightDir, &sunDir);
    fx->SetVector(effect->g_SkyLightDiffuse, &sun);
    fx->SetBool(effect->g_bUseSkyLight, TRUE);
    fx->SetBool("g_bShadowMap", FALSE);
    fx->SetBool("g_bShadowMap0", FALSE);
    fx->SetBool("g_bShadowMap2", FALSE);
    fx->SetBool("g_bNormalMap", FALSE);
    fx->SetBool(effect->g_bDrawDetail, FALSE);
    fx->SetBool(effect->g_bFullyBrightINM, FALSE);
    fx->SetFloat(effect->g_fFogMax, 0.0f);
    const float farPlane = g_Camera.GetFarPlane();
    fx->SetFloat("g_fFarZ", farPlane);
    fx->SetFloat("g_fFarZ1", farPlane != 0.0f ? 1.0f / farPlane : 0.0f);
}
} // namespace

// ---- Textures -----------------------------------------------------------------------------

void CMenu::LoadTextures()
{
    const float w = static_cast<float>(g_Options.screenwidth), h = static_cast<float>(g_Options.screenheight);
    const float sx = SX(), sy = SY();
    m_Background.Create("menu_tlo.tga", 0.0f, 0.0f, w, h, 0xFFFFFFFF);
    m_Black.Create("czarne.tga", 0.0f, 0.0f, w, h, 0x80FFFFFF);
    m_OpenFadeLayer.Create("czarne.tga", 0.0f, 0.0f, w, h, 0xFF000000);
    m_Cursor.Create("hud_kursor.tga", 0.0f, 0.0f, 48.0f * sx, 48.0f * sy, 0xFFFFFFFF);
    m_Check.Create("hud_menu_square.tga", 0.0f, 0.0f, 64.0f, 64.0f, COLOR_TITLE);
    m_Checked.Create("hud_menu_square_check.tga", 0.0f, 0.0f, 64.0f, 64.0f, COLOR_TITLE);
    m_SliderBar.Create("menu_slider_bar.tga", 0.0f, 0.0f, 64.0f, 64.0f, 0xFFFFFFFF);
    m_SliderKnob.Create("menu_slider.tga", 0.0f, 0.0f, 64.0f, 64.0f, 0xFFFFFFFF);
    m_LoadKnob.Create("menu_load_slider.tga", 0.0f, 0.0f, 64.0f, 64.0f, 0xFFFFFFFF);
    const float arrow = 32.0f;
    m_ArrowUp.Create("menu_arrow_up_normal.tga", 0.0f, 0.0f, arrow * sx, arrow * sy, 0xFFFFFFFF);
    m_ArrowUpPressed.Create("menu_arrow_up_pressed.tga", 0.0f, 0.0f, arrow * sx, arrow * sy, 0xFFFFFFFF);
    m_ArrowDown.Create("menu_arrow_down_normal.tga", 0.0f, 0.0f, arrow * sx, arrow * sy, 0xFFFFFFFF);
    m_ArrowDownPressed.Create("menu_arrow_down_pressed.tga", 0.0f, 0.0f, arrow * sx, arrow * sy, 0xFFFFFFFF);
    m_White.Create("bialy.tga", 0.0f, 0.0f, w, h, 0xFFFFFFFF);
    m_ItemBar.Create("menu_pasek_pod_menu.tga", 0.0f, 0.0f, 64.0f, 64.0f, 0xFFFFFFFF);
    // The thumbnail's rectangle; its own texture is bound when it is drawn.
    m_ThumbRect.Create("bialy.tga", 0.0f, 0.0f, 64.0f, 64.0f, 0xFFFFFFFF);
    m_bTexturesLoaded = 1;
}

void CMenu::ReleaseThumbnail()
{
    if (m_pThumbnail)
    {
        m_pThumbnail->Release();
        m_pThumbnail = nullptr;
    }
}

void CMenu::LoadThumbnail()
{
    ReleaseThumbnail();
    if (!m_pLoadSelection || !g_pD3DInterface || !m_pLoadSelection->thumbnailPath[0])
        return;
    char path[sizeof m_pLoadSelection->thumbnailPath];
    CopyCut(path, sizeof path, m_pLoadSelection->thumbnailPath);
    // Straight from the file, scaled to 400 x 300: a save's picture is not a
    // texture of the registry.
    if (FAILED(D3DXCreateTextureFromFileExA(g_pD3DInterface, path, static_cast<UINT>(kThumbWidth),
                                            static_cast<UINT>(kThumbHeight), 1, 0, D3DFMT_A8R8G8B8,
                                            D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr,
                                            &m_pThumbnail)))
        m_pThumbnail = nullptr;
}

// ---- The picture --------------------------------------------------------------------------

void CMenu::BackgroundRange(float aspect, float* uLeft, float* uRight)
{
    if (!(aspect > 0.0f))
        aspect = 1.0f;
    if (aspect >= kWideAspect)
    {
        *uLeft = 0.0f;
        *uRight = 1.0f;
        return;
    }
    // Linear in the aspect: 0.21875 at 1, 0 at 16:9; narrower than 1 crops more.
    const float t = (aspect - 1.0f) / (kWideAspect - 1.0f);
    float left = kSquareLeft * (1.0f - t);
    if (left > 0.49f)
        left = 0.49f;
    *uLeft = left;
    *uRight = 1.0f - left;
}

void CMenu::DrawBackground(ERect* image)
{
    if (!image || !image->m_bCreated)
        return;
    const float w = static_cast<float>(g_Options.screenwidth), h = static_cast<float>(g_Options.screenheight);
    if (!(w > 0.0f) || !(h > 0.0f))
        return;
    const float aspect = w / h;
    float uLeft = 0.0f, uRight = 1.0f;
    BackgroundRange(aspect, &uLeft, &uRight);
    float left = 0.0f, right = w;
    if (aspect > kWideAspect)
    {
        // Wider than 16:9: the whole picture at its 16:9 width, centred,
        // black at the sides, never stretched.
        const float width = h * kWideAspect;
        left = (w - width) * 0.5f;
        right = left + width;
    }
    image->Begin2D(false);
    image->SetColor(0xFFFFFFFF);
    image->SetQuad(left, 0.0f, right, 0.0f, right, h, left, h, uLeft, uRight, 0.0f, 1.0f, 0.0f);
    image->Render(true);
    image->Restore2D();
}

// ---- Puffs --------------------------------------------------------------------------------

void CMenu::AddPuff(bool atStart)
{
    strMenuPuff* puff = new strMenuPuff;
    g_Debug.AddAllocation(kPuffTag);
    const float sx = SX(), sy = SY();
    if (atStart)
    {
        puff->position.x = (RandomFloat(1200.0f) - 100.0f) * sx;
        puff->position.y = (RandomFloat(120.0f) + 100.0f) * sx;
    }
    else
    {
        puff->position.x = -120.0f * sx + Between(-128.0f, 128.0f) * sx;
        puff->position.y = 100.0f * sy + Between(-196.0f, 196.0f) * sy;
    }
    puff->position.z = 0.0f;
    puff->velocity = D3DXVECTOR3(RandomFloat(12.0f) + 2.0f, Between(-2.0f, 2.0f), 0.0f);
    puff->alpha = puff->alpha2 = RandomFloat(8.0f) + 29.0f;
    puff->size = RandomFloat(168.0f) + 146.0f;
    puff->size2 = RandomFloat(8.0f) + 8.0f;
    puff->spin = RandomFloat(0.06f) + 0.01f;
    if (std::rand() & 1)
        puff->spin = -puff->spin;
    puff->rect.Create(kPuffTexture, 0.0f, 0.0f, 1.0f, 1.0f, kPuffColor);
    puff->prev = nullptr;
    puff->next = m_pPuffs;
    if (m_pPuffs)
        m_pPuffs->prev = puff;
    m_pPuffs = puff;
}

int CMenu::PuffCount() const
{
    int n = 0;
    for (const strMenuPuff* p = m_pPuffs; p; p = p->next)
        ++n;
    return n;
}

void CMenu::MovePuffs(float dt)
{
    const D3DXVECTOR3 axis(0.0f, 0.0f, 1.0f);
    const float limit = kPuffRemoveX * SX();
    int respawn = 0;
    for (strMenuPuff* puff = m_pPuffs; puff;)
    {
        strMenuPuff* next = puff->next;
        puff->position += puff->velocity * dt;
        puff->rotation.RotateAxisAngle(&axis, puff->spin * dt);
        if (puff->position.x > limit)
        {
            if (puff->prev)
                puff->prev->next = puff->next;
            else
                m_pPuffs = puff->next;
            if (puff->next)
                puff->next->prev = puff->prev;
            puff->rect.Release();
            delete puff;
            g_Debug.RemoveAllocation(kPuffTag);
            ++respawn;
        }
        else
        {
            const float h = puff->size * 0.5f;
            const D3DXMATRIX& m = puff->rotation.Matrix;
            const float corners[4][2] = {{-h, -h}, {h, -h}, {h, h}, {-h, h}};
            float q[4][2];
            for (int i = 0; i < 4; ++i)
            {
                q[i][0] = puff->position.x + corners[i][0] * m._11 + corners[i][1] * m._21;
                q[i][1] = puff->position.y + corners[i][0] * m._12 + corners[i][1] * m._22;
            }
            puff->rect.SetColor(kPuffColor);
            puff->rect.SetQuad(q[0][0], q[0][1], q[1][0], q[1][1], q[2][0], q[2][1], q[3][0], q[3][1], 0.0f,
                               1.0f, 0.0f, 1.0f, 0.0f);
        }
        puff = next;
    }
    for (int i = 0; i < respawn; ++i)
        AddPuff(false);
}

// ---- The figure ---------------------------------------------------------------------------

void CMenu::CreateBackdropObjects()
{
    if (m_hHero || m_hRifle)
        return;
    const float position[3] = {0.0f, -1.2f, 0.0f};
    const float scale[3] = {1.0f, 1.0f, 1.0f};
    m_hHero = g_Engine.CreateObject(OT_SKINMESH, kHeroModel, kBackdropFlags, 0, position, scale);
    if (m_hHero)
    {
        g_Engine.SetObjectName(m_hHero, kHeroName);
        g_Engine.SetObjectAnimation(m_hHero, kHeroAnimation, 1, 0.2f, 1.0f);
        D3DXVECTOR3 facing(-0.1f, 0.0f, -1.0f);
        D3DXVec3Normalize(&facing, &facing);
        const EOrientation turn(&facing);
        g_Engine.SetObjectRotation(m_hHero, &turn);
    }
    m_hRifle = g_Engine.CreateObject(OT_MESH, kRifleModel, kBackdropFlags, 0, position, scale);
}

void CMenu::ReleaseBackdrop()
{
    while (m_pPuffs)
    {
        strMenuPuff* next = m_pPuffs->next;
        m_pPuffs->rect.Release();
        delete m_pPuffs;
        g_Debug.RemoveAllocation(kPuffTag);
        m_pPuffs = next;
    }
    for (ERect* r : {&m_Background, &m_Black, &m_OpenFadeLayer, &m_Cursor, &m_Check, &m_Checked, &m_SliderBar,
                     &m_SliderKnob, &m_LoadKnob, &m_ArrowUp, &m_ArrowUpPressed, &m_ArrowDown,
                     &m_ArrowDownPressed, &m_White, &m_ItemBar, &m_ThumbRect})
        r->Release();
    // Cleared at once: a second release must not delete slots that other
    // objects may hold by then.
    if (m_hHero)
        g_Engine.DeleteObject(m_hHero);
    if (m_hRifle)
        g_Engine.DeleteObject(m_hRifle);
    m_hHero = m_hRifle = nullptr;
    m_bTexturesLoaded = 0;
}

void CMenu::RenderBackdrop()
{
    DrawBackground(&m_Background);
    bool any = false;
    for (strMenuPuff* p = m_pPuffs; p; p = p->next)
        if (p->rect.m_bCreated)
        {
            if (!any)
            {
                p->rect.Begin2D(true);
                any = true;
            }
            p->rect.Render(true);
        }
    if (any)
        for (strMenuPuff* p = m_pPuffs; p; p = p->next)
            if (p->rect.m_bCreated)
            {
                p->rect.Restore2D();
                break;
            }
    RenderFigure();
}

void CMenu::RenderFigure()
{
    if (!m_hHero || m_hHero->Type != OT_SKINMESH || !m_hHero->Object)
        return;
    IDirect3DDevice9* d = g_pD3DInterface;
    ESkinMesh* skin = static_cast<ESkinMesh*>(m_hHero->Object);

    g_Camera.SetPosition(D3DXVECTOR3(-0.4f, 0.2f, -3.6f));
    const D3DXVECTOR3 ahead(0.0f, 0.0f, 1.0f);
    g_Camera.SetOrientation(EOrientation(&ahead));
    g_Camera.UpdateView();
    g_Camera.UpdateProjection();

    skin->Update(m_fFrameTime);
    skin->UpdateNodeTransforms();
    skin->ComputeBoneMatrices();
    if (m_hRifle)
    {
        D3DXMATRIX socket;
        EOrientation turn;
        // Without the socket the rifle keeps its place at the figure.
        if (g_Engine.GetObjectSocket(m_hHero, kRifleSocket, &socket, &turn))
        {
            const D3DXVECTOR3 at(socket._41, socket._42, socket._43);
            g_Engine.SetObjectTransform(m_hRifle, &at, &turn, 0, 0);
        }
    }

    EEffect* effect = g_EffectMgr.FindEffect("SkyLightSkinmesh");
    if (!effect || !effect->m_pEffect)
    {
        if (!m_bToldEffect)
        {
            m_bToldEffect = 1;
            g_Console.Print(effect ? "No SkyLightSkinmesh ID3DXEffect" : "No SkyLightSkinmesh HEFFECT");
        }
        return;
    }
    ID3DXEffect* fx = effect->m_pEffect;
    if (d)
    {
        d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        for (DWORD s = 0; s < 16; ++s)
            d->SetTexture(s, nullptr);
        d->SetFVF(0);
        d->SetVertexShader(nullptr);
        d->SetPixelShader(nullptr);
    }
    g_Renderer.SetSkinVertexDeclaration();
    g_RenderStates.EndEffect(fx);
    if (g_RenderStates.BeginEffectByName(fx, "RenderScene", true))
    {
        g_RenderStates.AlphaBlendOff(effect);
        g_RenderStates.AlphaTestOff(effect);
        SetLightBlock(effect);
        g_RenderStates.SetSamplerDefaults(16);
        bool anyTexture = false;
        for (const strSkinMeshRecord& record : skin->m_pMeshes)
        {
            if (record.iNode >= skin->m_pNodes.size())
                continue;
            const std::vector<int>& textures = skin->m_pNodes[record.iNode].pTextureIDs;
            for (DWORD material = 0; material < textures.size(); ++material)
            {
                strtexture* t = g_Renderer.GetTexture(textures[material]);
                if (!t)
                    continue;
                anyTexture = true;
                if (d)
                    d->SetTexture(0, t->m_pTexture);
                g_RenderStates.EnableCulling(!t->m_b2Sided);
                fx->CommitChanges();
                skin->Render(static_cast<DWORD>(textures[material]), material, effect);
            }
        }
        if (!anyTexture && !m_bToldEffect)
        {
            m_bToldEffect = 1;
            g_Console.Print("!m_SkinmeshTextures[0]");
        }
        g_RenderStates.EndEffect(fx);
    }

    EEffect* rifleEffect = g_EffectMgr.FindEffect("SkyLight");
    if (m_hRifle && m_hRifle->Type == OT_MESH && m_hRifle->Object && rifleEffect && rifleEffect->m_pEffect)
    {
        EMesh* mesh = static_cast<EMesh*>(m_hRifle->Object);
        ID3DXEffect* rfx = rifleEffect->m_pEffect;
        if (d)
            d->SetVertexDeclaration(g_pDeclMesh);
        g_RenderStates.EndEffect(rfx);
        if (mesh->m_pDrawMesh && g_RenderStates.BeginEffectByName(rfx, "RenderScene", true))
        {
            SetLightBlock(rifleEffect);
            D3DXMATRIX worldView, worldViewProj;
            D3DXMatrixMultiply(&worldView, &mesh->m_mWorld, &g_Camera.m_mView);
            D3DXMatrixMultiply(&worldViewProj, &worldView, &g_Camera.m_mProjection);
            rfx->SetMatrix(rifleEffect->g_mWorld, &mesh->m_mWorld);
            rfx->SetMatrix(rifleEffect->g_mWorldView, &worldView);
            rfx->SetMatrix(rifleEffect->g_mWorldViewProjection, &worldViewProj);
            for (DWORD s = 0; s < mesh->m_dwNumMaterials && s < MAX_MESH_MATERIALS; ++s)
            {
                strtexture* t =
                    mesh->m_TextureIndex ? g_Renderer.GetTexture(mesh->m_TextureIndex[s]) : nullptr;
                if (!t)
                    continue;
                g_Renderer.BindSubsetTextures(t, false);
                rfx->CommitChanges();
                ERenderer::DrawMeshSubset(mesh, s);
            }
            g_RenderStates.EndEffect(rfx);
        }
    }
    g_RenderStates.SetCullCCW();
}
