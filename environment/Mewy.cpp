#include "environment/Mewy.h"

#include "environment/RandomSpread.h"
#include "mesh/Mesh.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/Orientation.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

Mewy g_Mewy;

namespace
{
constexpr float kTwoPi = 6.2831855f;
constexpr const char* kAnimations[2] = {"leci", "szybuje"};

void ClearBird(strMewa& bird)
{
    bird.bActive = 0;
    bird.bStarted = 0;
    bird.hObject = nullptr;
    bird.fAngle = 0.0f;
    bird.bHidden = 0;
}
} // namespace

Mewy::Mewy()
{
    Reset();
}

void Mewy::Reset()
{
    for (strMewa& bird : m_Birds)
        ClearBird(bird);
}

HOBJECT Mewy::GetObject(int bird) const
{
    if (bird < 0 || bird >= BIRDS)
        return nullptr;
    const strMewa& b = m_Birds[bird];
    HOBJECT h = b.hObject;
    if (!h || !h->bUsed || std::memcmp(h->PESEL, b.dwPesel, sizeof b.dwPesel) != 0)
        return nullptr;
    return h;
}

void Mewy::Init()
{
    HOBJECT grass = g_Engine.FindObject("grass", 0);
    if (!grass)
        return;
    if (grass->Type != 0)
    {
        g_Console.Print("Object \"grass\" must be a mesh!");
        return;
    }
    const EMesh* mesh = static_cast<const EMesh*>(grass->Object);
    if (!mesh)
    {
        g_Console.Print("Object \"grass\" does not have EMesh object created!");
        return;
    }
    D3DXVECTOR3 centre = grass->vPosition;
    if (HOBJECT start = g_Engine.FindObject("game_start_point", 0))
        centre.y = start->vPosition.y + HEIGHT_ABOVE_START;
    D3DXVECTOR3 extent = mesh->m_vScale;
    extent.y = HEIGHT_SPREAD;
    if (extent.x < MIN_SPREAD)
        extent.x = MIN_SPREAD;
    if (extent.z < MIN_SPREAD)
        extent.z = MIN_SPREAD;

    for (int i = 0; i < BIRDS; ++i)
    {
        strMewa& bird = m_Birds[i];
        // A bird still flying from an earlier start goes first.
        if (HOBJECT old = GetObject(i))
            g_Engine.DeleteObject(old);
        ClearBird(bird);
        bird.hObject = g_Engine.CreateObject(6, MODEL, FLAGS, FLAGS2, nullptr, nullptr);
        if (bird.hObject)
        {
            std::memcpy(bird.dwPesel, bird.hObject->PESEL, sizeof bird.dwPesel);
            char name[16];
            std::snprintf(name, sizeof name, "mewa%i", i);
            g_Engine.SetObjectName(bird.hObject, name);
        }
        bird.iIndex = static_cast<DWORD>(i);
        bird.fRadius = RADIUS;
        bird.fFactorX = 1.0f + RandomFloat(1.0f);
        bird.fFactorZ = 1.0f + RandomFloat(1.0f);
        // One draw inside the area: offsets are under half the extents, so
        // no later draw could be preferred.
        bird.vCentre =
            centre + D3DXVECTOR3(RandomSpread(extent.x), RandomSpread(extent.y), RandomSpread(extent.z));
        bird.vPrevious = bird.vCentre;
        if (HOBJECT h = GetObject(i))
        {
            g_Engine.SetObjectPosition(h, &bird.vCentre, 1);
            const D3DXVECTOR3 scale(SCALE, SCALE, SCALE);
            g_Engine.SetObjectScale(h, &scale);
        }
        bird.bActive = 1;
        bird.bStarted = 0;
        bird.fTimer = 0.0f;
        bird.iAnimation = 0;
    }
}

void Mewy::ChooseAnimation(strMewa& bird, int animation)
{
    if (animation < 0)
        animation = static_cast<int>(bird.iAnimation);
    if (animation < 0)
        animation = 0;
    if (animation > 1)
        animation = 1;
    if (HOBJECT h = GetObject(static_cast<int>(&bird - m_Birds)))
        g_Engine.SetObjectAnimation(h, kAnimations[animation], 0, 0.3f, 1.0f);
    bird.iAnimation = static_cast<DWORD>(animation);
}

void Mewy::Start(strMewa& bird)
{
    HOBJECT h = GetObject(static_cast<int>(&bird - m_Birds));
    if (!h || !h->Object)
        return;
    ChooseAnimation(bird, std::rand() & 1);
    bird.fTimer = RandomFloat(8.0f) + 2.0f;
    bird.bStarted = 1;
}

void Mewy::Fly(strMewa& bird)
{
    HOBJECT h = GetObject(static_cast<int>(&bird - m_Birds));
    if (!h)
        return;
    bird.fTimer -= m_fDeltaTime;
    if (g_Engine.CanAnimationBeInterrupted(h))
    {
        if (bird.fTimer < 0.0f)
        {
            const int r = std::rand();
            ChooseAnimation(bird, r & 1);
            bird.fTimer = (bird.iAnimation == 1) ? RandomFloat(6.0f) + 3.0f : RandomFloat(2.0f) + 2.0f;
        }
        else
            ChooseAnimation(bird, -1);
    }
    if (!h->Object)
        g_Console.Print("Brak eM");

    const D3DXVECTOR3 position(bird.vCentre.x - bird.fRadius * std::sin(bird.fAngle) * bird.fFactorX,
                               bird.vCentre.y,
                               bird.vCentre.z - bird.fRadius * std::cos(bird.fAngle) * bird.fFactorZ);
    D3DXVECTOR3 direction = position - bird.vPrevious;
    if (D3DXVec3Length(&direction) > 0.0f)
    {
        D3DXVec3Normalize(&direction, &direction);
        const EOrientation orientation(&direction);
        g_Engine.SetObjectTransform(h, &position, &orientation, 0, 1);
    }
    else
        g_Engine.SetObjectPosition(h, &position, 0);

    bird.fAngle += m_fDeltaTime * (bird.iAnimation == 1 ? GLIDE_RATE : FLAP_RATE);
    if (bird.fAngle > kTwoPi)
        bird.fAngle -= kTwoPi;
    bird.vPrevious = position;
}

void Mewy::Update()
{
    m_fDeltaTime = g_Engine.m_fDeltaTime;
    for (int i = 0; i < BIRDS; ++i)
    {
        strMewa& bird = m_Birds[i];
        if (!bird.bActive)
            continue;
        HOBJECT h = GetObject(i);
        if (!g_Options.DrawBirds)
        {
            // Hidden while the switch is off; the flags come back when it is on again.
            if (h && !bird.bHidden)
            {
                bird.dwShownFlags = g_Engine.GetObjectFlags(h);
                bird.bHidden = 1;
                g_Engine.SetObjectFlags(h, HIDDEN_FLAGS, 0xFFFFFFFF);
            }
            continue;
        }
        if (bird.bHidden)
        {
            if (h)
                g_Engine.SetObjectFlags(h, bird.dwShownFlags, 0xFFFFFFFF);
            bird.bHidden = 0;
        }
        if (!bird.bStarted)
            Start(bird);
        else
            Fly(bird);
    }
}

void Mewy::Release()
{
    for (int i = 0; i < BIRDS; ++i)
    {
        if (HOBJECT h = GetObject(i))
            g_Engine.DeleteObject(h);
        m_Birds[i].hObject = nullptr;
        m_Birds[i].bActive = 0;
    }
}

void Mewy::Clear()
{
    Release();
    Reset();
}
