// CDialogueMgr: starting, playing and stopping dialogues, line by line.
#include "game/DialogueMgr.h"

#include "characters/PostacMgr.h"
#include "player/Player.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern ETextMgr g_TextMgr;

CDialogueMgr g_DialogueMgr;

namespace
{
constexpr const char* kFaceTalking = "glowa_gada";
constexpr const char* kFaceSilent = "glowa_nie_gada";
constexpr const char* kIntroWorld = "intro";
constexpr size_t kTextSize = 512;

bool Tracing()
{
    return g_Options.Debug > 0;
}

void Trace(const char* a, const char* b)
{
    if (Tracing())
        g_Console.Print2(a, b ? b : "");
}

bool HeroCannotListen()
{
    return PlayerStats.m_bDead || PlayerStats.m_bMissionFailed;
}

bool Empty(const char* s)
{
    return !s || !s[0];
}

// The subtitle text of a label: the text of its key ">" + label.
const char* LabelText(const char* label)
{
    char key[DIALOGUE_NAME_SIZE + 2];
    std::snprintf(key, sizeof key, ">%s", label);
    return g_TextMgr.GetText(key);
}

// The speaker's face: talking while its line plays, still afterwards.
void SetFace(const strpostac* p, const char* animation, float blend)
{
    g_Engine.SetObjectFaceAnimation(p->model, animation, 1, blend);
}

D3DVECTOR Raised(const D3DXVECTOR3& p, float height)
{
    return D3DVECTOR{p.x, p.y + height, p.z};
}

// A hero voice's subtitle: "name: line", the line alone in the intro world.
void HeroSubtitle(unsigned hero, const char* lineText, char* out, size_t size)
{
    char world[sizeof g_Engine.m_szWorld];
    CopyCut(world, sizeof world, g_Engine.m_szWorld);
    if (ContainsNoCase(world, kIntroWorld))
    {
        CopyCut(out, size, lineText);
        return;
    }
    char heroKey[DIALOGUE_NAME_SIZE];
    std::snprintf(heroKey, sizeof heroKey, ">Hero%u", hero);
    std::snprintf(out, size, "%s: %s", g_TextMgr.GetText(heroKey), lineText);
}

void DropSound(strSound*& sound)
{
    if (!sound)
        return;
    g_SoundMgr.StopSound(sound);
    g_SoundMgr.DeleteSound(sound);
    sound = nullptr;
}

// The file a line's voice plays from: the characters' lookup first, then the
// folders the preload tries.
void LineVoice(const int* counter, const char* label, bool variants, char* out, size_t size)
{
    const char* found = CPostacMgr::FindDialogueWav(counter, label, variants);
    if (found && found[0] && std::strlen(found) < size)
    {
        std::snprintf(out, size, "%s", found);
        return;
    }
    CDialogueMgr::VoiceFile(label, out, size);
}
} // namespace

CDialogueMgr::~CDialogueMgr()
{
    Forget();
}

void CDialogueMgr::Forget()
{
    for (strActiveDialogue& a : m_ActiveDialogues)
        a = strActiveDialogue{};
    m_ActiveHeroDialogue = strActiveHeroDialogue{};
    m_fHeroSilence = 0.0f;
    FreeRecords();
}

HOBJECT CDialogueMgr::SpeakerObject(const strActiveDialogue& a) const
{
    HOBJECT o = a.object;
    if (!o || !o->bUsed || std::memcmp(o->PESEL, a.objectPesel, sizeof a.objectPesel) != 0)
        return nullptr;
    return o;
}

// ---- Starting ---------------------------------------------------------------------------------

void CDialogueMgr::StartDialogue(const char* name, strpostac* actor0, strpostac* actor1, strpostac* actor2)
{
    if (Empty(name) || !actor0 || HeroCannotListen())
        return;
    Trace("Start dialogue ", name);
    strpostac* actors[DIALOGUE_ACTORS] = {actor0, actor1, actor2};
    for (strpostac* p : actors)
    {
        if (!p)
            continue;
        StopDialoguesOf(p, false);
        if (p->dead)
            g_Console.Print3("Dialogue halted - ", p->name, " is dead!");
    }
    strDialogue* d = FindDialogue(name);
    if (!d)
    {
        g_Console.Print3("Dialogue ", name, " NOT found!");
        return;
    }
    for (int i = 0; i < MAX_ACTIVE_DIALOGUES; ++i)
    {
        strActiveDialogue& a = m_ActiveDialogues[i];
        if (a.active)
            continue;
        if (Tracing())
            g_Console.PrintInt("Przypisuje dialog do slotu ", i);
        a = strActiveDialogue{};
        std::copy(actors, actors + DIALOGUE_ACTORS, a.actors);
        a.active = 1;
        a.pDialogue = d;
        if (d->lineCount)
            StartDialogueLine(i, FirstLine(d));
        else
        {
            g_Console.Print3("Dialog ", name, " nie ma linii!");
            a = strActiveDialogue{};
        }
        return;
    }
    g_Console.Print("MAX_ACTIVE_DIALOGUES used!");
}

void CDialogueMgr::StartDialogueByName(const char* name, HOBJECT object)
{
    if (Empty(name) || !object || HeroCannotListen())
        return;
    Trace("Start dialogue ", name);
    strDialogue* d = FindDialogue(name);
    if (!d)
    {
        g_Console.Print3("Dialogue ", name, " NOT found!");
        return;
    }
    StopDialogueOf(object);
    if (!(d->volume > 0.0f))
    {
        g_Console.Print("Error! Dialogue Volume must be positive!");
        return;
    }
    if (!(d->range > 0.0f))
    {
        g_Console.Print("Error! Dialogue Range must be positive!");
        return;
    }
    if (!d->lineCount)
    {
        g_Console.Print3("Dialog ", name, " nie ma linii!");
        return;
    }
    for (int i = 0; i < MAX_ACTIVE_DIALOGUES; ++i)
    {
        strActiveDialogue& a = m_ActiveDialogues[i];
        if (a.active)
            continue;
        if (Tracing())
            g_Console.PrintInt("Przypisuje dialog do slotu ", i);
        a = strActiveDialogue{};
        a.active = 1;
        a.pDialogue = d;
        a.object = object;
        std::memcpy(a.objectPesel, object->PESEL, sizeof a.objectPesel);
        StartDialogueLine(i, FirstLine(d));
        return;
    }
    g_Console.Print("MAX_ACTIVE_DIALOGUES used!");
}

strDialogueLine* CDialogueMgr::DrawRandomLine(const strActiveDialogue& a) const
{
    const strDialogue* d = a.pDialogue;
    if (!d->lineCount)
        return nullptr;
    for (int draw = 0; draw < RANDOM_DRAWS; ++draw)
    {
        strDialogueLine* line = LineNumber(d, static_cast<DWORD>(std::rand()) % d->lineCount);
        if (line && line != a.pDialogueLine)
            return line;
    }
    return nullptr;
}

void CDialogueMgr::StartDialogueLine(int slot, strDialogueLine* line)
{
    strActiveDialogue& a = m_ActiveDialogues[slot];
    if (!a.active || !a.pDialogue)
    {
        g_Console.Print("StartDialogueLine NIE MA pDialogue");
        return;
    }
    const strDialogue* d = a.pDialogue;
    if (!line && !d->random)
    {
        StopDialogue(slot, false);
        return;
    }

    // 1. Who speaks.
    HOBJECT object = nullptr;
    strpostac* speaker = nullptr;
    if (a.object)
    {
        object = SpeakerObject(a);
        if (!object)
        {
            StopDialogue(slot, false);
            return;
        }
    }
    if (d->random)
    {
        Trace("Losuje kwestie.", nullptr);
        line = DrawRandomLine(a);
        if (!line)
        {
            g_Console.Print("FATAL: NIE znaleziono nowej linii!");
            StopDialogue(slot, false);
            return;
        }
    }
    if (!object)
    {
        if (!d->random)
        {
            // The line goes to its actor when that actor is there, else to actor 0.
            DWORD k = line->speaker < DIALOGUE_ACTORS && a.actors[line->speaker] ? line->speaker : 0;
            speaker = a.actors[k];
            line->chosenSpeaker = k;
        }
        else
        {
            const int candidates = 1 + (a.actors[1] ? 1 : 0) + (a.actors[2] ? 1 : 0);
            int taken = -1, lastPresent = -1;
            for (int draw = 0; draw < RANDOM_DRAWS && taken < 0; ++draw)
            {
                const int k = std::rand() % candidates;
                if (!a.actors[k])
                    continue;
                lastPresent = k;
                if (!a.pDialogueLine || static_cast<DWORD>(k) != a.pDialogueLine->chosenSpeaker)
                    taken = k;
            }
            // With one actor nobody else can answer: the one there goes on speaking.
            if (taken < 0)
                taken = lastPresent >= 0 ? lastPresent : 0;
            speaker = a.actors[taken];
            line->chosenSpeaker = static_cast<DWORD>(taken);
        }
        if (!speaker || !speaker->used)
        {
            StopDialogue(slot, false);
            return;
        }
        Trace("Kwestia aktora ", speaker->name);
    }

    // 2. The subtitle.
    if (g_Options.SubtitlesOn && !d->noSubtitle)
    {
        const char* text = LabelText(line->label);
        if (object)
        {
            if (d->range > object->fCameraDistance)
            {
                Trace("Linia do panelu: ", text);
                g_Panel.ShowSubtitle(text, nullptr);
            }
            else
                Trace("Poza zasiegiem: ", line->label);
        }
        else if (d->range > speaker->camera_distance || speaker->player_record)
        {
            Trace("Linia do panelu: ", text);
            g_Panel.ShowSubtitle(text, speaker->player_record || d->heroSubtitle ? nullptr : speaker);
        }
        else
            Trace("Poza zasiegiem: ", line->label);
    }

    // 3. The voice.
    DropSound(a.sound);
    char file[MAX_PATH];
    if (object)
    {
        LineVoice(nullptr, line->label, false, file, sizeof file);
        D3DVECTOR at{};
        g_Engine.GetObjectPosition(object, &at);
        a.sound = file[0] ? g_SoundMgr.CreateSound3DAt(file, &at, d->range, false, false) : nullptr;
    }
    else
    {
        const int counter = static_cast<int>(speaker->slot);
        LineVoice(&counter, line->label, !speaker->player_record, file, sizeof file);
        if (!file[0])
            a.sound = nullptr;
        else if (speaker->player_record)
            a.sound = g_SoundMgr.CreateSound(file);
        else
        {
            const D3DVECTOR at = Raised(speaker->position, HEAD_HEIGHT);
            a.sound = g_SoundMgr.CreateSound3DAt(file, &at, d->range, false, false);
        }
    }
    if (a.sound)
    {
        a.sound->bVoice = 1;
        g_SoundMgr.SetSoundBaseVolume(a.sound, VOICE_BASE_VOLUME);
        g_SoundMgr.PlaySound(a.sound, false);
    }

    // 4. The line is the slot's now.
    a.pDialogueLine = line;
    if (speaker && !speaker->player_record)
    {
        SetFace(speaker, kFaceTalking, 0.0f);
        speaker->talking = 1;
    }
}

// ---- Per frame ----------------------------------------------------------------------------------

void CDialogueMgr::UpdateDialogue(int slot)
{
    strActiveDialogue& a = m_ActiveDialogues[slot];
    if (!a.pDialogue || !a.pDialogueLine)
    {
        StopDialogue(slot, false);
        return;
    }
    if (g_SoundMgr.IsPlaying(a.sound))
        return;
    const strDialogue* d = a.pDialogue;
    if (!a.pDialogueLine->newer && !d->random)
    {
        StopDialogue(slot, true);
        return;
    }
    if (d->random)
    {
        if (a.pause <= 0.0f)
            a.pause = RANDOM_PAUSE;
        a.pause -= g_Engine.m_fDeltaTime;
        if (a.pause > 0.0f)
            return;
    }
    StartDialogueLine(slot, a.pDialogueLine->newer);
}

void CDialogueMgr::Update()
{
    for (int i = 0; i < MAX_ACTIVE_DIALOGUES; ++i)
        if (m_ActiveDialogues[i].active)
            UpdateDialogue(i);
    if (!m_ActiveHeroDialogue.active)
        m_fHeroSilence += g_Engine.m_fDeltaTime;
    else
    {
        UpdateHeroDialogue();
        m_fHeroSilence = 0.0f;
    }
}

void CDialogueMgr::UpdateSoundsAndListeners()
{
    for (int i = 0; i < MAX_ACTIVE_DIALOGUES; ++i)
    {
        strActiveDialogue& a = m_ActiveDialogues[i];
        if (!a.active)
            continue;
        if (!a.pDialogue || !a.pDialogueLine)
        {
            StopDialogue(i, false);
            continue;
        }
        if (!g_SoundMgr.IsPlaying(a.sound))
            continue;
        if (a.object)
        {
            const HOBJECT o = SpeakerObject(a);
            if (!o)
                continue;
            const float range = a.pDialogue->range;
            float share = (range - o->fCameraDistance) / range;
            if (share < 0.0f)
                share = OUT_OF_RANGE_SHARE;
            const float volume = std::min(1.0f, OBJECT_LOUDNESS * a.pDialogue->volume * std::sqrt(share));
            g_SoundMgr.SetSoundVolume(a.sound, volume);
            continue;
        }
        const DWORD k = a.pDialogueLine->chosenSpeaker;
        strpostac* p = k < DIALOGUE_ACTORS ? a.actors[k] : nullptr;
        if (p && p->used)
            g_SoundMgr.SetSoundPosition(a.sound, Raised(p->position, HEAD_HEIGHT));
    }
}

// ---- Stopping ---------------------------------------------------------------------------------

void CDialogueMgr::StopDialogue(int slot, bool success)
{
    if (slot < 0 || slot >= MAX_ACTIVE_DIALOGUES)
        return;
    strActiveDialogue& a = m_ActiveDialogues[slot];
    if (Tracing())
        g_Console.PrintInt("StopDialogue ", slot);
    a.active = 0;
    DropSound(a.sound);
    // The actors are kept aside: the on-end phases go to them after the slot is cleared.
    strpostac* actors[DIALOGUE_ACTORS];
    std::copy(a.actors, a.actors + DIALOGUE_ACTORS, actors);
    for (strpostac* p : actors)
    {
        if (!p)
            continue;
        if (!p->used)
            g_Console.Print2(p->name, " NOT USED!");
        if (!p->player_record)
            SetFace(p, kFaceSilent, 0.0f);
        p->talking = 0;
    }
    for (strpostac* p : actors)
        PMgr.ClearTalkFlag(p);
    strDialogue* d = a.pDialogue;
    a.pDialogueLine = nullptr;
    std::fill(a.actors, a.actors + DIALOGUE_ACTORS, nullptr);
    a.object = nullptr;
    a.pDialogue = nullptr;
    if (success)
    {
        if (!d)
            g_Console.Print("FATAL: !m_ActiveDialogues[iActiveDialogue].pDialogue");
        else
        {
            Trace("Dialog zakonczony sukcesem, odpala fazy", d->name);
            for (int i = 0; i < DIALOGUE_ACTORS; ++i)
                if (d->onEndPhase[i][0] && actors[i] && actors[i]->used)
                    PMgr.SetFaza(actors[i], d->onEndPhase[i]);
            if (d->onEndAction[0])
                g_Engine.RunObjectAction(d->onEndAction, 0);
        }
    }
    g_Panel.ShowSubtitle("", nullptr);
}

void CDialogueMgr::StopDialogueOf(HOBJECT object, int)
{
    if (!object)
        return;
    for (int i = 0; i < MAX_ACTIVE_DIALOGUES; ++i)
        if (m_ActiveDialogues[i].active && m_ActiveDialogues[i].object == object)
            StopDialogue(i, false);
}

void CDialogueMgr::StopDialoguesOf(strpostac* character, bool success)
{
    if (!character)
        return;
    for (int i = 0; i < MAX_ACTIVE_DIALOGUES; ++i)
    {
        const strActiveDialogue& a = m_ActiveDialogues[i];
        if (a.active &&
            std::find(a.actors, a.actors + DIALOGUE_ACTORS, character) != a.actors + DIALOGUE_ACTORS)
            StopDialogue(i, success);
    }
    g_Panel.ClearSpeaker(character);
}

void CDialogueMgr::StopAll()
{
    for (int i = 0; i < MAX_ACTIVE_DIALOGUES; ++i)
        StopDialogue(i, false);
    StopHeroDialogue(false);
}

bool CDialogueMgr::IsAnyActive() const
{
    for (const strActiveDialogue& a : m_ActiveDialogues)
        if (a.active)
            return true;
    return false;
}

// ---- The hero's dialogues ---------------------------------------------------------------------

namespace
{
void SilenceHeroRoles(float blend)
{
    if (!PMgr.m_Postacie)
        return;
    for (int i = 0; i < MAX_POSTACI; ++i)
    {
        strpostac& p = PMgr.m_Postacie[i];
        if (p.used && !p.dead && p.hero_keyword)
        {
            SetFace(&p, kFaceSilent, blend);
            p.hero_keyword = 0;
        }
    }
}
} // namespace

void CDialogueMgr::StartHeroDialogue(const char* name)
{
    if (Empty(name) || HeroCannotListen())
        return;
    Trace("Start hero dialogue ", name);
    if (m_ActiveHeroDialogue.active)
        StopHeroDialogue(false);
    strHeroDialogue* d = FindHeroDialogue(name);
    if (!d)
    {
        g_Console.Print3("Dialogue ", name, " NOT found!");
        return;
    }
    m_ActiveHeroDialogue = strActiveHeroDialogue{};
    m_ActiveHeroDialogue.active = 1;
    m_ActiveHeroDialogue.pDialogue = d;
    strHeroDialogueLine* first = FirstLine(d);
    if (first)
        StartHeroDialogueLine(first);
    else
    {
        g_Console.Print3("HeroDialog ", name, " nie ma linii!");
        m_ActiveHeroDialogue = strActiveHeroDialogue{};
    }
}

void CDialogueMgr::StartHeroDialogueLine(strHeroDialogueLine* line)
{
    if (HeroCannotListen())
        return;
    strActiveHeroDialogue& h = m_ActiveHeroDialogue;
    if (!h.pDialogue)
    {
        g_Console.Print("StartHeroDialogueLine NIE MA pDialogue");
        return;
    }
    if (!line)
    {
        StopHeroDialogue(false);
        return;
    }
    if (g_Options.SubtitlesOn)
    {
        char text[kTextSize];
        HeroSubtitle(line->hero, LabelText(line->label), text, sizeof text);
        g_Panel.ShowSubtitle(text, nullptr);
    }
    DropSound(h.sound);
    char file[MAX_PATH];
    LineVoice(nullptr, line->label, false, file, sizeof file);
    const char* place = line->hero < HERO_VOICES ? h.pDialogue->voicePosition[line->hero] : "";
    bool placed = false;
    D3DVECTOR at{};
    if (place[0])
    {
        if (strpostac* p = PMgr.FindCharacterByName(place, false))
        {
            at = Raised(p->position, HERO_VOICE_HEIGHT);
            placed = true;
        }
        else if (HOBJECT o = g_Engine.FindObject(place, 0))
        {
            g_Engine.GetObjectPosition(o, &at);
            placed = true;
        }
    }
    if (!file[0])
        h.sound = nullptr;
    else if (placed)
        h.sound = g_SoundMgr.CreateSound3DAt(file, &at, HERO_VOICE_RANGE, false, false);
    else
    {
        h.sound = g_SoundMgr.CreateSound(file);
        if (h.sound)
            h.sound->bVoice = 1;
    }
    g_SoundMgr.PlaySound(h.sound, false);
    SilenceHeroRoles(HERO_FACE_BLEND);
    h.pDialogueLine = line;
}

void CDialogueMgr::SayHeroLine(int hero, const char* file, const char* textKey)
{
    if (HeroCannotListen() || hero < 0 || hero >= HERO_VOICES || Empty(file))
        return;
    if (g_Options.SubtitlesOn && !Empty(textKey))
    {
        char text[kTextSize];
        HeroSubtitle(static_cast<unsigned>(hero), g_TextMgr.GetText(textKey), text, sizeof text);
        g_Panel.ShowSubtitle(text, nullptr);
    }
    // Not kept: the sound manager deletes it once it has played.
    if (strSound* voice = g_SoundMgr.CreateSound(file))
    {
        voice->bVoice = 1;
        voice->bAutoDelete = 1;
        g_SoundMgr.PlaySound(voice, false);
    }
}

void CDialogueMgr::UpdateHeroDialogue()
{
    strActiveHeroDialogue& h = m_ActiveHeroDialogue;
    if (!h.pDialogue || !h.pDialogueLine)
    {
        StopHeroDialogue(false);
        return;
    }
    if (g_SoundMgr.IsPlaying(h.sound))
        return;
    if (h.pDialogueLine->newer)
        StartHeroDialogueLine(h.pDialogueLine->newer);
    else
    {
        Trace("End of hero dialogue", nullptr);
        StopHeroDialogue(true);
    }
}

void CDialogueMgr::StopHeroDialogue(bool success)
{
    strActiveHeroDialogue& h = m_ActiveHeroDialogue;
    SilenceHeroRoles(HERO_FACE_BLEND);
    h.active = 0;
    DropSound(h.sound);
    h.pDialogueLine = nullptr;
    strHeroDialogue* d = h.pDialogue;
    h.pDialogue = nullptr;
    if (success)
    {
        if (!d)
            g_Console.Print("FATAL: !m_ActiveHeroDialogue.pDialogue");
        else if (d->onEndAction[0])
            g_Engine.RunObjectAction(d->onEndAction, 0);
    }
    g_Panel.ShowSubtitle("", nullptr);
}
