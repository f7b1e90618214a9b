// One frame of a running cut-scene: the camera and actors on the guide's
// sockets, the timed entries, attachments and voices; and the overlay.
#include "game/CutScene.h"

#include "environment/FxDef.h"
#include "environment/FxInstance.h"
#include "environment/FxMgr.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "render/Renderer.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/TextMgr.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/IntersectSegment.h"
#include "world/Object.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
constexpr int COMMAND_USE = CPlayer::CMD_USE;
constexpr int COMMAND_MENU = CPlayer::CMD_MENU;
constexpr DWORD FOLLOWS_SOCKET = 0x1;
constexpr DWORD SHOOTING_FLAG = 0x80;
constexpr const char* BLOOD_FX = "z_emiter_dymek_krew";
constexpr const char* DEFAULT_HIT_FX = "krew0";
constexpr float SHOT_SOUND_RANGE = 8192.0f;
constexpr float HIT_SOUND_RANGE = 1024.0f;
constexpr float VOICE_RANGE = 60000.0f;
constexpr float TRACER_SPEED = 4400.0f;
constexpr float TRACER_WIDTH = 1.8f, TRACER_LENGTH = 32.0f;
constexpr float TRACER_LIFE = 5.0f;
constexpr DWORD TRACER_OBJECT_FLAGS = 129; // as the hero's bullets carry it
constexpr int SHOTGUN_PELLETS = 6;
constexpr float SHOTGUN_SPREAD = 0.05f;
constexpr float QUARTER_TURN = 1.5707963f;
constexpr DWORD OPAQUE_WHITE = 0xFFFFFFFF;

float Random01()
{
    return static_cast<float>(std::rand()) / (static_cast<float>(RAND_MAX) + 1.0f);
}

// A socket of an object: its position and orientation; false when unread.
bool ReadSocket(HOBJECT o, const char* socket, D3DXVECTOR3* position, EOrientation* orientation)
{
    D3DXMATRIX m;
    EOrientation turn;
    if (!o || !socket || !g_Engine.GetObjectSocket(o, socket, &m, &turn))
        return false;
    *position = D3DXVECTOR3(m._41, m._42, m._43);
    if (orientation)
        *orientation = turn;
    return true;
}

std::string Number(int value)
{
    return std::to_string(value);
}

// An entry runs when it has not fired and its time has come.
template <class Entry> bool Due(const Entry& e, float time)
{
    return !e.fired && !(e.time > time);
}

// Alpha of a fade held within 0 to 255, packed into all four colour bytes.
DWORD FadeColor(float share)
{
    const float a = std::clamp(share, 0.0f, 1.0f) * 255.0f;
    const DWORD b = static_cast<DWORD>(a);
    return b << 24 | b << 16 | b << 8 | b;
}
} // namespace

HOBJECT CCutScene::Actor(int slot) const
{
    return slot >= 0 && slot < CUTSCENE_ACTORS ? m_hActors[slot] : nullptr;
}

void CCutScene::RunPhase()
{
    strphase* phase = m_pPhase;
    if (!m_pScene || !phase)
        return;
    // 1.
    m_fPhaseTime += g_Engine.m_fDeltaTime;
    m_fSceneTime += g_Engine.m_fDeltaTime;
    // 2.
    if (m_fPhaseTime > phase->length)
    {
        EndPhase();
        StartPhase(phase->nextPhase);
        if (!Running())
            End(true);
        return;
    }
    // 3.
    if (m_fSceneTime > CUTSCENE_SKIP_AFTER)
    {
        const bool menu = g_CommandMgr.IsCommandDown(COMMAND_MENU);
        if (menu || g_CommandMgr.IsCommandDown(COMMAND_USE))
        {
            m_bMenuKeyLatched = menu ? 1 : m_bMenuKeyLatched;
            End(true);
            return;
        }
    }
    // 4.
    D3DXVECTOR3 position;
    EOrientation orientation;
    if (ReadSocket(m_hGuide, phase->currentCameraSocket, &position, &orientation))
    {
        g_Camera.SetPosition(position);
        g_Camera.SetOrientation(orientation);
    }
    else
        g_Console.Print("Nie odczytano socketa kamery z prowadnicy!");
    // 5.
    for (int i = 0; i < CUTSCENE_ACTORS; ++i)
    {
        HOBJECT actor = m_hActors[i];
        if (!actor || !(g_Engine.GetObjectFlags(actor) & FOLLOWS_SOCKET))
            continue;
        if (!ReadSocket(m_hGuide, phase->actorSockets[i], &position, &orientation))
            continue;
        g_Engine.SetObjectTransform(actor, &position, &orientation, 0, 1);
        if (actor->Type == OT_SKINMESH)
            g_Engine.UpdateSkinMeshNodes(actor);
    }
    // 6.
    for (int i = 0; i < phase->meshCount && i < CUTSCENE_MESHES; ++i)
    {
        const strCutMesh& m = phase->meshes[i];
        HOBJECT o = g_Engine.FindObject(m.object, 0);
        if (!o)
            g_Console.Print3("Faza chce mesha o nazwie ", m.object, " ale go nie ma w swiecie!");
        else if (ReadSocket(m_hGuide, m.socket, &position, &orientation))
            g_Engine.SetObjectTransform(o, &position, &orientation, 0, 1);
        else
            g_Console.Print((std::string("Dla mesha ") + m.object + " brak socketa " + m.socket).c_str());
    }
    // 7.
    RunTimedEntries();
    if (!Running())
        return;
    // 8.
    RunAttachments();
    // 9.
    UpdateVoices();
}

void CCutScene::RunTimedEntries()
{
    strphase& p = *m_pPhase;
    const float t = m_fPhaseTime;
    // a.
    for (int i = 0; i < p.jumpCount && i < CUTSCENE_JUMPS; ++i)
        if (Due(p.jumps[i], t))
        {
            std::memcpy(p.currentCameraSocket, p.jumps[i].socket, sizeof p.currentCameraSocket);
            p.jumps[i].fired = 1;
        }
    // b.
    for (int i = 0; i < p.guideFxCount && i < CUTSCENE_GUIDE_FX; ++i)
    {
        strCutGuideFx& f = p.guideFx[i];
        if (!Due(f, t))
            continue;
        D3DXVECTOR3 position;
        EOrientation orientation;
        if (ReadSocket(m_hGuide, f.socket, &position, &orientation))
        {
            FX.CreateFxByName(f.effect, &position, &orientation);
            f.fired = 1;
        }
        else
            g_Console.Print2("FX nie czyta socketa prowadnicy ", f.socket);
    }
    // c. to h.
    for (int i = 0; i < p.shotCount && i < CUTSCENE_SHOTS; ++i)
        if (Due(p.shots[i], t))
            RunShot(p.shots[i]);
    for (int i = 0; i < p.bloodCount && i < CUTSCENE_BLOOD; ++i)
        if (Due(p.blood[i], t))
            RunBlood(p.blood[i]);
    for (int i = 0; i < p.killCount && i < CUTSCENE_KILLS; ++i)
        if (Due(p.kills[i], t))
            RunKill(p.kills[i]);
    for (int i = 0; i < p.actorFxCount && i < CUTSCENE_ACTOR_FX; ++i)
        if (Due(p.actorFx[i], t))
            RunActorFx(p.actorFx[i]);
    for (int i = 0; i < p.voiceCount && i < CUTSCENE_VOICES; ++i)
        if (Due(p.voices[i], t))
            RunVoice(p.voices[i]);
    for (int i = 0; i < p.subtitleCount && i < CUTSCENE_SUBTITLES; ++i)
    {
        strCutSubtitle& s = p.subtitles[i];
        if (!Due(s, t))
            continue;
        const std::string key = std::string(">") + s.key;
        g_Panel.ShowSubtitle(g_TextMgr.GetText(key.c_str()), nullptr);
        s.fired = 1;
    }
}

void CCutScene::RunAttachments()
{
    const strphase& p = *m_pPhase;
    for (int i = 0; i < p.attachmentCount && i < CUTSCENE_ATTACHMENTS; ++i)
    {
        const strCutAttachment& a = p.attachments[i];
        if (!a.object[0] || !a.socket[0])
            continue;
        HOBJECT o = g_Engine.FindObject(a.object, 0);
        if (!o)
        {
            g_Console.Print(
                (std::string("Nie znaleziono obiektu \"") + a.object + "\" do podpiecia!").c_str());
            continue;
        }
        HOBJECT actor = Actor(a.actor);
        if (!actor)
        {
            g_Console.Print2("Nie znaleziono aktora ", Number(a.actor).c_str());
            continue;
        }
        D3DXVECTOR3 position;
        EOrientation orientation;
        if (!ReadSocket(actor, a.socket, &position, &orientation))
        {
            char line[160];
            std::snprintf(line, sizeof line, "Nie odczytano socketu %s z postaci %i", a.socket, a.actor);
            g_Console.Print(line);
            continue;
        }
        g_Engine.SetObjectTransform(o, &position, &orientation, 0, 1);
    }
}

void CCutScene::RunShot(strCutActorSocket& shot)
{
    // 1.
    HOBJECT actor = Actor(shot.actor);
    if (!actor)
    {
        g_Console.Print2("Brak aktora do strzalu: ", Number(shot.actor).c_str());
        return;
    }
    const EItemDesc* weapon = ItemMgr.FindDescription(m_pScene->actorWeapons[shot.actor]);
    if (!weapon)
    {
        g_Console.Print2("Brak broni u aktora ", Number(shot.actor).c_str());
        return;
    }
    // 2. No bullet leaves a socket that cannot be read: the entry waits.
    D3DXVECTOR3 position;
    EOrientation orientation;
    if (!ReadSocket(actor, shot.socket, &position, &orientation))
    {
        g_Console.Print2("Nie czytam socketa strzalu: ", shot.socket);
        return;
    }
    // 3.
    const DWORD sounds = std::min<DWORD>(weapon->Shoot_Sound_Enemy.count, ITEM_LIST_ENTRIES);
    if (sounds)
        g_SoundMgr.PlaySound3DOnce(weapon->Shoot_Sound_Enemy.names[static_cast<DWORD>(std::rand()) % sounds],
                                   &position, SHOT_SOUND_RANGE);
    const DWORD effects = std::min<DWORD>(weapon->Enemy_Shoot_FX.count, ITEM_LIST_ENTRIES);
    if (effects)
        if (const EFxDef* def = weapon->Enemy_Shoot_FX.defs[static_cast<DWORD>(std::rand()) % effects])
            FX.CreateFx(def, actor, shot.socket, 0);
    // 4.
    const DWORD savedFlags = g_Engine.GetObjectFlags(actor);
    g_Engine.SetObjectFlags(actor, SHOOTING_FLAG, SHOOTING_FLAG);
    // 5. and 6.
    EOrientation aim = orientation;
    if (weapon->Shotgun)
    {
        for (int i = 0; i < SHOTGUN_PELLETS; ++i)
        {
            const float sign = std::rand() % 2 ? 1.0f : -1.0f;
            const D3DXVECTOR3 up = aim.Up;
            aim.RotateAxisAngle(&up, sign * Random01() * SHOTGUN_SPREAD);
            const D3DXVECTOR3 right = aim.Right;
            aim.RotateAxisAngle(&right, sign * Random01() * SHOTGUN_SPREAD);
            FireTracer(*weapon, actor, position, aim);
        }
    }
    else
    {
        const D3DXVECTOR3 up = aim.Up;
        aim.RotateAxisAngle(&up, QUARTER_TURN);
        FireTracer(*weapon, actor, position, aim);
    }
    g_Engine.SetObjectFlags(actor, savedFlags, 0xFFFFFFFF);
    // 7.
    shot.fired = 1;
}

void CCutScene::FireTracer(const EItemDesc& weapon, HOBJECT shooter, const D3DXVECTOR3& from,
                           const EOrientation& aim)
{
    EFxDef def;
    def.Reset();
    def.Type = FX_BULLET;
    def.Pos = from;
    def.Vel = aim.Forward * TRACER_SPEED;
    def.Orientation = aim;
    def.Scale = D3DXVECTOR3(TRACER_WIDTH, TRACER_WIDTH, TRACER_LENGTH);
    def.Move = 1;
    def.Life_Time = TRACER_LIFE;
    def.Life_Time_Rand = 0.0f;
    def.Gravity = 0.0f;
    def.Use_Rotation = 0;
    def.BrightTrail = weapon.Bright_Bullet;
    def.Weapon = &weapon;
    def.Shooter = shooter;
    def.ObjectFlags = TRACER_OBJECT_FLAGS;
    FX.CreateFx(&def, nullptr, nullptr, 0);
    g_Renderer.AddFlashLight(&from.x);
}

// A blood entry fires once, like every other entry: started again every
// frame, its emitter would fill the effect pool.
void CCutScene::RunBlood(strCutActorSocket& blood)
{
    D3DXVECTOR3 position;
    if (!ReadSocket(Actor(blood.actor), blood.socket, &position, nullptr))
        return;
    FX.CreateFxByName(BLOOD_FX, &position, nullptr);
    blood.fired = 1;
}

// The victim and killer are checked; nothing is done to the victim.
void CCutScene::RunKill(strCutKill& kill)
{
    HOBJECT victim = Actor(kill.victim);
    HOBJECT killer = Actor(kill.killer);
    if (!victim)
        g_Console.Print2("Nie ma zabitego aktora ", Number(kill.victim).c_str());
    if (!killer)
        g_Console.Print2("Nie ma zabitego aktora ", Number(kill.killer).c_str());
    if (!victim || !killer)
        return;
    if (victim->Type != OT_SKINMESH)
    {
        g_Console.Print("Zabijany obiekt jest nieprawidlowy (!Object)");
        return;
    }
    kill.fired = 1;
}

void CCutScene::RunActorFx(strCutActorFx& fx)
{
    HOBJECT actor = Actor(fx.actor);
    D3DXVECTOR3 position;
    if (!ReadSocket(actor, fx.socket, &position, nullptr))
        return;
    const EFxDef* def = FX.FindFxDef(fx.effect);
    if (!def)
    {
        g_Console.Print2("Nie ma FXCreate ", fx.effect);
        return;
    }
    EFxInstance* live = FX.CreateFx(def, actor, fx.socket, 1);
    fx.fired = 1;
    if (live && def->Life_Time < 0.0f && m_iEndlessFx < CUTSCENE_ENDLESS_RECORDED)
        m_EndlessFx[m_iEndlessFx++] = {live, live->m_iStart};
}

void CCutScene::RunVoice(strCutVoice& voice)
{
    D3DXVECTOR3 position;
    if (!ReadSocket(m_hGuide, voice.socket, &position, nullptr))
    {
        g_Console.Print2("Socket voice failed - ", voice.socket);
        return;
    }
    StartVoice(voice.wave, voice.socket);
    voice.fired = 1;
}

void CCutScene::StartVoice(const char* wave, const char* socket)
{
    CutSceneVoice* slot = nullptr;
    for (CutSceneVoice& v : m_Voices)
        if (!v.active)
        {
            slot = &v;
            break;
        }
    if (!slot)
    {
        g_Console.Print("No free voice!");
        return;
    }
    std::snprintf(slot->socket, sizeof slot->socket, "%s", socket ? socket : "");
    D3DXVECTOR3 position(0.0f, 0.0f, 0.0f);
    if (!ReadSocket(m_hGuide, slot->socket, &position, nullptr))
        g_Console.Print2("No socket ", slot->socket);
    slot->sound = g_SoundMgr.CreateSound3DAt(wave, &position, VOICE_RANGE, true, false);
    if (!slot->sound)
    {
        g_Console.Print2("Failed to create voice ", wave ? wave : "");
        return;
    }
    slot->active = 1;
}

void CCutScene::UpdateVoices()
{
    for (CutSceneVoice& v : m_Voices)
    {
        if (!v.active)
            continue;
        if (!v.sound)
        {
            v.active = 0;
            continue;
        }
        if (g_SoundMgr.IsPlaying(v.sound))
        {
            D3DXVECTOR3 position;
            if (ReadSocket(m_hGuide, v.socket, &position, nullptr))
                g_SoundMgr.SetSoundPosition(v.sound, position);
            continue;
        }
        g_SoundMgr.DeleteSound(v.sound);
        v = {};
    }
}

void CCutScene::StopVoices()
{
    for (CutSceneVoice& v : m_Voices)
    {
        if (v.active && v.sound)
        {
            g_SoundMgr.StopSound(v.sound);
            g_SoundMgr.DeleteSound(v.sound);
        }
        v = {};
    }
}

CutSceneOverlay CCutScene::PlanOverlay(const strphase& p, float t)
{
    CutSceneOverlay o;
    o.color = OPAQUE_WHITE;
    // Fade in and flash in: covered up to the start, clearing over the duration.
    auto fadeIn = [&](const strCutFade& f, BYTE& draw)
    {
        if (!f.on)
            return;
        if (!(t > f.start))
            draw = 1;
        if (!(t < f.start) && t < f.start + f.duration)
        {
            o.color = FadeColor(1.0f - (t - f.start) / f.duration);
            draw = 1;
        }
    };
    // Fade out and flash out: covering from the start over the duration.
    auto fadeOut = [&](const strCutFade& f, BYTE& draw)
    {
        if (!f.on || !(t > f.start))
            return;
        o.color = FadeColor(f.duration != 0.0f ? (t - f.start) / f.duration : 1.0f);
        draw = 1;
    };
    fadeIn(p.fadeIn, o.black);
    fadeOut(p.fadeOut, o.black);
    fadeIn(p.flashIn, o.white);
    fadeOut(p.flashOut, o.white);
    if (p.black)
    {
        o.color = OPAQUE_WHITE;
        o.black = 1;
    }
    return o;
}

void CCutScene::RenderOverlay()
{
    if (!Running())
        return;
    const CutSceneOverlay o = PlanOverlay(*m_pPhase, m_fPhaseTime);
    auto draw = [&](ERect& rect, DWORD color)
    {
        rect.SetColor(color);
        rect.Begin2D(false);
        rect.Render(true);
        rect.Restore2D();
    };
    if (o.black)
        draw(m_BlackCover, o.color);
    if (o.white)
        draw(m_WhiteCover, o.color);
    if (m_pPhase->onScreen[0])
        draw(m_Picture, m_Picture.m_dwColor);
}

bool CCutScene::OnBulletHit(const EItemDesc* weapon, const RayTestResult* hit)
{
    if (!hit || !hit->pObject)
        return false;
    bool actor = false;
    for (HOBJECT a : m_hActors)
        actor = actor || (a && a == hit->pObject);
    if (!actor)
        return false;
    const ItemFxList* body = weapon ? &weapon->HitFx[SURFACE_BODY] : nullptr;
    const DWORD n = body ? std::min<DWORD>(body->count, ITEM_LIST_ENTRIES) : 0;
    const EFxDef* def = n ? body->defs[static_cast<DWORD>(std::rand()) % n] : nullptr;
    if (def)
        FX.CreateFxFromDef(def, &hit->vPoint, nullptr);
    else
        FX.CreateFxByName(DEFAULT_HIT_FX, &hit->vPoint, nullptr);
    char sound[64];
    std::snprintf(sound, sizeof sound, "sounds\\hero\\wcialo%i.wav", 1 + std::rand() % 5);
    g_SoundMgr.PlaySound3DOnce(sound, &hit->vPoint, HIT_SOUND_RANGE);
    return true;
}
