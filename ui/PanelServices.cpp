// Panel: the services through which scripts and game code change what the
// HUD shows (fades, blink, message box, subtitles, caption, markers).
#include "render/Font.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/TextUtils.h"
#include "ui/HudLayout.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cmath>
#include <cstring>

namespace
{
constexpr float kBlinkGap = 2.0f;
constexpr float kMessageFontSize = 20.0f;
constexpr float kMessageLine = 20.0f;
constexpr float kMessageY = 670.0f;
constexpr float kMessageYPlay = 660.0f;
constexpr float kMessageYLetterbox = 680.0f;
constexpr float kMessageRaise = 20.0f;
constexpr float kMessageDrop = 32.0f; // in vertical scale units, added after the choice
constexpr float kBoxMargin = 60.0f;
constexpr float kBoxTop = 6.0f;
constexpr float kBoxBottom = 12.0f;
constexpr DWORD kOutlineColor = 0xFF2F3C3D;
constexpr float kHitMarkerSeconds = 1.0f;
constexpr float kSlotSeconds = 3.0f;
constexpr float kDirectionPointerStart = 48.0f;
constexpr int kSpeakerLineChars = SUBTITLE_LINE_SIZE - 1; // 39
constexpr float kMinW = 1e-3f; // a point at or behind the camera plane is not on screen

struct OutlineVertex
{
    float x, y, z, rhw;
    DWORD color;
};
static_assert(sizeof(OutlineVertex) == hud::OUTLINE_VERTEX_SIZE, "the outline vertex is 20 bytes");

bool Empty(const char* text)
{
    return !text || !text[0];
}

// The camera's view and projection applied to a point: x, y and w of clip space.
bool Project(const float* p, float* cx, float* cy, float* cw)
{
    D3DXVECTOR4 in(p[0], p[1], p[2], 1.0f), view, clip;
    D3DXVec4Transform(&view, &in, &g_Camera.m_mView);
    D3DXVec4Transform(&clip, &view, &g_Camera.m_mProjection);
    if (!(clip.w > kMinW) || !std::isfinite(clip.x) || !std::isfinite(clip.y))
        return false;
    *cx = clip.x;
    *cy = clip.y;
    *cw = clip.w;
    return true;
}
} // namespace

// ---- Faders and blink ------------------------------------------------------------------

void Panel::FadeIn(float duration)
{
    if (!(duration > 0.0f))
        return;
    m_bFadeIn = 1;
    m_bFadeOut = 0;
    m_fFadeInDuration = std::fabs(duration);
    m_fFadeAlpha = 1.0f;
}

void Panel::FadeOut(float duration)
{
    if (!(duration > 0.0f))
        return;
    m_bFadeOut = 1;
    m_bFadeIn = 0;
    m_fFadeOutDuration = std::fabs(duration);
    m_fFadeAlpha = 0.0f;
}

void Panel::Fader2In(float duration)
{
    if (!(duration > 0.0f))
        return;
    m_White.fadeIn = 1;
    m_White.fadeOut = 0;
    m_White.inDuration = std::fabs(duration);
    m_White.alpha = 0.0f;
}

void Panel::Fader2Out(float duration)
{
    if (!(duration > 0.0f))
        return;
    m_White.fadeOut = 1;
    m_White.fadeIn = 0;
    m_White.outDuration = std::fabs(duration);
    m_White.alpha = 1.0f;
}

void Panel::BlackOut()
{
    m_bFadeOut = 1;
    m_bFadeIn = 0;
    m_fFadeOutDuration = 1.0f;
    m_fFadeAlpha = 1.0f;
}

void Panel::StartFlash()
{
    if (m_fSinceBlink < kBlinkGap)
        return;
    m_fSinceBlink = 0.0f;
    m_fCoverAlpha = 1.0f;
}

// ---- Message box ------------------------------------------------------------------------

void Panel::ShowMessage(const char* line1, const char* line2, const char* line3)
{
    using namespace hud;
    for (char* line : m_szMessage)
        line[0] = 0;
    if (!line1 && !line2 && !line3)
        return;

    float baseY = Y(kMessageY);
    const bool loadingValues = g_Console.m_dwLoadingAlpha != 0 && g_Console.m_dwLoadingSpare != 0;
    if (!WideScreen && !loadingValues && !CameraHeld())
        baseY = Y(kMessageYPlay);
    if (LetterboxOn())
        baseY = Y(kMessageYLetterbox);
    if (!Empty(line1) && !Empty(line2) && !Empty(line3))
        baseY -= Y(kMessageRaise);
    baseY += kMessageDrop * ScaleY();
    m_fMessageAge = 0.0f;

    const char* texts[MESSAGE_LINES] = {line1, line2, line3};
    float y = baseY, widest = 0.0f;
    int lines = 0;
    for (int i = 0; i < MESSAGE_LINES; ++i)
    {
        if (Empty(texts[i]))
            continue;
        CopyCut(m_szMessage[i], sizeof m_szMessage[i], texts[i]);
        const float width =
            g_Font.m_iNumFonts ? g_Font.GetTextWidth(m_szMessage[i], kMessageFontSize, 0) : 0.0f;
        m_fMessageX[i] = X(CENTRE_X) - width / 2.0f;
        m_fMessageY[i] = y;
        y += Y(kMessageLine);
        if (width > widest)
            widest = width;
        ++lines;
    }

    const float width = widest + X(kBoxMargin);
    const float left = std::floor(X(CENTRE_X) - width / 2.0f);
    const float right = std::floor(left + width);
    const float top = std::floor(baseY - Y(kBoxTop));
    const float bottom = std::floor(top + lines * Y(kMessageLine) + Y(kBoxBottom));
    m_MessageBack.SetRect(left, top, right, bottom);
    WriteOutline(left, top, right, bottom);
}

void Panel::WriteOutline(float left, float top, float right, float bottom)
{
    // Before Init and after Release there is no outline buffer to write.
    if (!m_pOutlineVB)
        return;
    void* bits = nullptr;
    if (FAILED(m_pOutlineVB->Lock(0, 0, &bits, 0)) || !bits)
        return;
    const OutlineVertex v[OUTLINE_VERTICES] = {
        {left, top - 1, 0, 1, kOutlineColor},     {right, top - 1, 0, 1, kOutlineColor},
        {right + 1, top, 0, 1, kOutlineColor},    {right + 1, bottom, 0, 1, kOutlineColor},
        {right, bottom + 1, 0, 1, kOutlineColor}, {left, bottom + 1, 0, 1, kOutlineColor},
        {left - 1, bottom, 0, 1, kOutlineColor},  {left - 1, top, 0, 1, kOutlineColor}};
    std::memcpy(bits, v, sizeof v);
    m_pOutlineVB->Unlock();
}

// ---- Subtitles --------------------------------------------------------------------------

int Panel::WrapSpeakerText(const char* text, char (*lines)[SUBTITLE_LINE_SIZE])
{
    for (int i = 0; i < SUBTITLE_LINES; ++i)
        lines[i][0] = 0;
    int line = 0, used = 0;
    const char* p = text;
    while (*p && line < SUBTITLE_LINES)
    {
        // The next word, with "*" read as a blank.
        while (*p == ' ' || *p == '*')
            ++p;
        if (!*p)
            break;
        const char* word = p;
        while (*p && *p != ' ' && *p != '*')
            ++p;
        int wordLength = static_cast<int>(p - word);
        while (wordLength > 0 && line < SUBTITLE_LINES)
        {
            const int need = used ? used + 1 + wordLength : wordLength;
            if (need < kSpeakerLineChars)
            {
                if (used)
                    lines[line][used++] = ' ';
                std::memcpy(lines[line] + used, word, static_cast<size_t>(wordLength));
                used += wordLength;
                lines[line][used] = 0;
                wordLength = 0;
            }
            else if (used)
            {
                ++line;
                used = 0;
            }
            else
            {
                // A word that never fits an empty line is split at the line's width.
                std::memcpy(lines[line], word, static_cast<size_t>(kSpeakerLineChars));
                lines[line][kSpeakerLineChars] = 0;
                word += kSpeakerLineChars;
                wordLength -= kSpeakerLineChars;
                ++line;
            }
        }
    }
    int count = 0;
    for (int i = 0; i < SUBTITLE_LINES; ++i)
        if (lines[i][0])
            ++count;
    return count;
}

void Panel::ShowSubtitle(const char* text, strpostac* speaker)
{
    if (Empty(text))
        return;
    if (!speaker)
    {
        char plain[PANEL_TEXT_SIZE * MESSAGE_LINES];
        CopyCut(plain, sizeof plain, text);
        for (char* c = plain; *c; ++c)
            if (*c == '*')
                *c = ' ';
        char first[PANEL_TEXT_SIZE] = {}, second[PANEL_TEXT_SIZE] = {};
        const char* rest = nullptr;
        if (!hud::CutAtBlank(plain, MESSAGE_WRAP_COLUMN, first, sizeof first, &rest))
        {
            ShowMessage(plain, nullptr, nullptr);
            return;
        }
        const char* third = nullptr;
        if (hud::CutAtBlank(rest, MESSAGE_WRAP_COLUMN, second, sizeof second, &third))
            ShowMessage(first, second, third);
        else
            ShowMessage(first, rest, nullptr);
        return;
    }

    PanelSubtitle* slot = nullptr;
    for (PanelSubtitle& s : m_Subtitles)
    {
        if (!s.speaker || s.speaker == speaker)
        {
            slot = &s;
            break;
        }
    }
    if (!slot)
        return;
    *slot = PanelSubtitle();
    slot->speaker = speaker;
    slot->object = hud::SpeakerObject(speaker);
    if (slot->object)
        std::memcpy(slot->pesel, slot->object->PESEL, sizeof slot->pesel);
    slot->lines = WrapSpeakerText(text, slot->text);
    ProjectSubtitle(*slot);
}

void Panel::ClearSpeaker(strpostac* speaker)
{
    if (!speaker)
        return;
    for (PanelSubtitle& slot : m_Subtitles)
        if (slot.speaker == speaker)
            slot = PanelSubtitle();
}

void Panel::ProjectSubtitle(PanelSubtitle& slot)
{
    using namespace hud;
    slot.visible = 0;
    D3DXVECTOR3 head;
    if (!slot.object || !SpeakerHead(slot, &head))
        return;
    float cx, cy, cw;
    if (!Project(&head.x, &cx, &cy, &cw))
        return;
    slot.x = X(CENTRE_X) + (X(CENTRE_X) / cw) * cx;
    slot.y = Y(CENTRE_Y) - (Y(CENTRE_Y) / cw) * cy - Y(SUBTITLE_LINE_STEP) * static_cast<float>(slot.lines);
    slot.visible = 1;
}

// ---- Caption, pick-ups, markers ---------------------------------------------------------

void Panel::SetCaption(const char* text)
{
    if (Empty(text))
    {
        m_bCaptionShown = 0;
        m_szCaption[0] = 0;
        return;
    }
    CopyCut(m_szCaption, sizeof m_szCaption, text);
    m_bCaptionShown = 1;
    m_fCaptionTime = m_fCaptionTime2 = 0.0f;
}

void Panel::ShowPickup(DWORD kind)
{
    m_dwPickupKind = kind;
    m_fPickupAlpha = 1.0f;
}

void Panel::ShowWeaponSlots()
{
    if (!hud::HasCurrentWeapon())
        return;
    m_fLetterbox = 0.0f;
    for (float& timer : m_fSlotTimers)
        timer = kSlotSeconds;
}

void Panel::RestartDirectionPointer()
{
    m_fDirectionPointer = kDirectionPointerStart;
}

void Panel::AddHitMarker(const float* position)
{
    if (!position)
        return;
    for (PanelHitMarker& marker : m_HitMarkers)
        if (!marker.active)
        {
            marker.active = 1;
            marker.position = D3DXVECTOR3(position[0], position[1], position[2]);
            marker.time = kHitMarkerSeconds;
            return;
        }
}

void Panel::ShowHitDirection(const float* position)
{
    if (!position)
        return;
    m_fHitAlpha = 1.0f;
    m_bHitShown = 1;
    m_vHitSource = D3DXVECTOR3(position[0], position[1], position[2]);
}

void Panel::WorldToScreen(const float* position, float* x, float* y)
{
    using namespace hud;
    if (!position || !x || !y)
        return;
    float cx, cy, cw;
    if (!Project(position, &cx, &cy, &cw))
        return;
    *x = X(CENTRE_X) + (X(CENTRE_X) / cw) * cx;
    *y = Y(CENTRE_Y) - (Y(CENTRE_Y) / cw) * cy;
}

void Panel::ClearSaveFlash()
{
    m_fSavedNoticeTime = 0.0f;
}

// ---- Countdown text ---------------------------------------------------------------------

void Panel::CountdownText(float seconds, char* text, int size)
{
    constexpr float kMaxSeconds = 2147483520.0f; // the largest float below 2^31
    constexpr int kMinute = 60;
    constexpr int kTwoDigits = 10;
    if (!(seconds > 0.0f))
        seconds = 0.0f;
    if (seconds > kMaxSeconds)
        seconds = kMaxSeconds;
    const int whole = static_cast<int>(seconds);
    const int minutes = whole / kMinute, rest = whole % kMinute;
    char m[16], s[16];
    std::snprintf(m, sizeof m, minutes < kTwoDigits ? "0%i" : "%i", minutes);
    std::snprintf(s, sizeof s, rest < kTwoDigits ? "0%i" : "%i", rest);
    std::snprintf(text, static_cast<size_t>(size), "%s:%s", m, s);
}
