#pragma once
// The HUD's shared layout and colour helpers: the virtual 1024 x 768 screen
// scaled to pixels, packed ARGB colours, the fader step, and the yes-or-no
// answers the HUD needs from the hero, the camera and the characters.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

struct PanelSubtitle;
struct strpostac;

namespace hud
{
constexpr float VIRTUAL_WIDTH = 1024.0f;
constexpr float VIRTUAL_HEIGHT = 768.0f;
constexpr float CENTRE_X = 512.0f;
constexpr float CENTRE_Y = 384.0f;
constexpr DWORD RED = 0xFFFF0000;
constexpr DWORD GREEN = 0xFF00FF00;
constexpr DWORD WHITE = 0xFFFFFFFF;
constexpr float SUBTITLE_SECONDS = 5.0f;
constexpr float SUBTITLE_LINE_STEP = 16.0f; // vertical units between a subtitle's lines
constexpr float PICKUP_FADE = 4.0f;         // the pick-up alpha falls this much a second
constexpr DWORD OUTLINE_VERTEX_SIZE = 20;   // XYZRHW and a diffuse colour
constexpr const char* VAR_SNIPER_VIEW = "sniper_view";
constexpr const char* VAR_HINT = "HintOWstaniu";

float ScaleX();
float ScaleY();
// A virtual coordinate in pixels.
inline float X(float virtualX)
{
    return virtualX * ScaleX();
}
inline float Y(float virtualY)
{
    return virtualY * ScaleY();
}
float ScreenWidth();
float ScreenHeight();

// 0..1 as an alpha byte (out of range held to the ends).
DWORD Alpha(float alpha);
// The colour with its alpha byte replaced.
DWORD WithAlpha(DWORD color, DWORD alphaByte);
// A float read from a file: one that is not finite counts as 0.
float Finite(float value);
// Cuts a text at the last blank at or before the column into head and rest
// (the blank starts the rest); false when the text fits or has no blank there.
bool CutAtBlank(const char* text, int column, char* head, int headSize, const char** rest);

// One fader step: fade-in lowers the alpha by dt / its duration and stops at
// 0; fade-out raises it to at most 1 and keeps running.
void AdvanceFader(BYTE& fadeIn, BYTE& fadeOut, float inDuration, float outDuration, float& alpha, float dt);

// The engine's camera-hold byte: a scripted view or another driver holds the camera.
bool CameraHeld();
bool HeroOnLadder();
bool HeroOnMountedGun();
// The hero follows a bezier path.
bool HeroOnBezier();
// The hero's radiation (0 without any).
float HeroRadiation();
// The hero's countdown: true while it runs, with the seconds left.
bool HeroCountdown(float* seconds);
// A subtitle slot's speaker is still the character it was given for.
bool SpeakerStillThere(const PanelSubtitle& slot);
// The speaker's engine object (null without one).
HOBJECT SpeakerObject(strpostac* speaker);
// Where a visible, living speaker's head is (raised a little); false when
// the speaker is dead or hidden or its skinned model is gone.
bool SpeakerHead(const PanelSubtitle& slot, D3DXVECTOR3* head);
// The speaker is always heard: no line-of-sight test for its subtitle.
bool SpeakerAlwaysHeard(const PanelSubtitle& slot);
// The hero holds a weapon.
bool HasCurrentWeapon();
} // namespace hud
