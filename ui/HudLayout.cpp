// The HUD's layout and colour helpers and its questions to the rest of the game.
#include "ui/HudLayout.h"

#include "characters/Postac.h"
#include "mesh/SkinMesh.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "shell/GameOptions.h"
#include "ui/Panel.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cmath>
#include <cstring>

namespace hud
{
namespace
{
constexpr float kByte = 255.0f;
constexpr int kAlphaShift = 24;
constexpr DWORD kRgbMask = 0x00FFFFFFu;
} // namespace

float ScaleX()
{
    return g_Options.fScreenScaleX;
}

float ScaleY()
{
    return g_Options.fScreenScaleY;
}

float ScreenWidth()
{
    return static_cast<float>(g_Options.screenwidth);
}

float ScreenHeight()
{
    return static_cast<float>(g_Options.screenheight);
}

DWORD Alpha(float alpha)
{
    if (!(alpha > 0.0f))
        return 0;
    if (alpha >= 1.0f)
        return 0xFF;
    return static_cast<DWORD>(alpha * kByte);
}

DWORD WithAlpha(DWORD color, DWORD alphaByte)
{
    return (color & kRgbMask) | ((alphaByte & 0xFF) << kAlphaShift);
}

float Finite(float value)
{
    return std::isfinite(value) ? value : 0.0f;
}

bool CutAtBlank(const char* text, int column, char* head, int headSize, const char** rest)
{
    const int length = static_cast<int>(std::strlen(text));
    if (length <= column)
        return false;
    for (int i = column; i >= 0; --i)
        if (text[i] == ' ')
        {
            const int n = i < headSize - 1 ? i : headSize - 1;
            std::memcpy(head, text, static_cast<size_t>(n));
            head[n] = 0;
            *rest = text + i;
            return true;
        }
    return false;
}

void AdvanceFader(BYTE& fadeIn, BYTE& fadeOut, float inDuration, float outDuration, float& alpha, float dt)
{
    if (fadeIn)
    {
        alpha = inDuration > 0.0f ? alpha - dt / inDuration : 0.0f;
        if (alpha < 0.0f)
        {
            alpha = 0.0f;
            fadeIn = 0;
        }
    }
    if (fadeOut)
    {
        alpha = outDuration > 0.0f ? alpha + dt / outDuration : 1.0f;
        if (alpha > 1.0f)
            alpha = 1.0f;
    }
}

bool CameraHeld()
{
    return g_Engine.m_bCameraHeld != 0;
}

bool HeroOnLadder()
{
    return Player.m_bOnLadder != 0;
}

bool HeroOnMountedGun()
{
    return Player.m_bOnGun != 0;
}

bool HeroOnBezier()
{
    return Player.m_bBezier != 0;
}

float HeroRadiation()
{
    return Player.m_fRadiation;
}

bool HeroCountdown(float* seconds)
{
    if (!Player.m_bCountdown)
        return false;
    if (seconds)
        *seconds = Player.m_fCountdown;
    return true;
}

// A slot's speaker is there while its record is in use and the object the
// line was given to is still the same one.
bool SpeakerStillThere(const PanelSubtitle& slot)
{
    if (slot.speaker && !slot.speaker->used)
        return false;
    if (!slot.object)
        return true;
    const strObject* o = slot.object;
    return o->bUsed && std::memcmp(o->PESEL, slot.pesel, sizeof slot.pesel) == 0;
}
HOBJECT SpeakerObject(strpostac* speaker)
{
    return speaker ? speaker->model : nullptr;
}

bool SpeakerHead(const PanelSubtitle& slot, D3DXVECTOR3* head)
{
    constexpr float kAboveHead = 0.2f;
    // A dead or hidden speaker has no head to talk over.
    if (slot.speaker && (slot.speaker->dead || slot.speaker->ghost))
        return false;
    const strObject* o = slot.object;
    if (!o || !o->bUsed || o->Type != OT_SKINMESH || !o->Object)
        return false;
    if (!static_cast<const ESkinMesh*>(o->Object)->GetNodePosition("Bip01_Head", head))
        return false;
    head->y += kAboveHead;
    return true;
}

// The story's voices are read wherever their speaker stands: a character of
// a description with the "hero" keyword and the record that stands for the
// player. Everyone else is read only with a clear line to the head.
bool SpeakerAlwaysHeard(const PanelSubtitle& slot)
{
    return slot.speaker && (slot.speaker->hero_keyword || slot.speaker->player_record);
}

bool HasCurrentWeapon()
{
    return Bronie.current != nullptr;
}
} // namespace hud
