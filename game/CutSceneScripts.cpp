// Reading the cut-scene scripts: scenes and their phases from
// "scripts\cutscenes\*.txt". Later scenes and phases go to the heads of their
// lists, so they hide earlier ones of the same name.
#include "game/CutScene.h"

#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "shell/Console.h"
#include "shell/FolderFiles.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"
#include "world/TrackedAlloc.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
constexpr const char* TAG_SCENE = "strscene";
constexpr const char* TAG_PHASE = "strphase";
constexpr const char* FOLDER = "scripts\\cutscenes";
constexpr int LINE_SIZE = 256;

template <size_t N> void Copy(char (&field)[N], const std::string& value)
{
    std::snprintf(field, N, "%s", value.c_str());
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The values of a line after its keyword, taken in turn: a number from the
// start of the remaining text (0 when there is none), a word up to the next
// blank, or the rest of the line.
class Values
{
public:
    explicit Values(const char* line) : m_p(line)
    {
        Word(); // the keyword
    }
    std::string Word()
    {
        Skip();
        const char* start = m_p;
        while (*m_p && !IsBlank(*m_p))
            ++m_p;
        return std::string(start, m_p);
    }
    double Number()
    {
        const std::string word = Word();
        const char* text = word.c_str();
        if (*text == '+')
            ++text;
        double v = 0.0;
        const auto r = std::from_chars(text, word.c_str() + word.size(), v);
        if (r.ec != std::errc() || !std::isfinite(v) || std::fabs(v) > 3.0e38)
            return 0.0;
        return v;
    }
    float Float() { return static_cast<float>(Number()); }
    int Int()
    {
        const double v = Number();
        return v >= 2147483647.0 ? 2147483647 : v <= -2147483648.0 ? -2147483647 - 1 : static_cast<int>(v);
    }
    // The rest of the line, outer blanks cut.
    std::string Rest()
    {
        Skip();
        std::string rest(m_p);
        while (!rest.empty() && IsBlank(rest.back()))
            rest.pop_back();
        m_p += std::strlen(m_p);
        return rest;
    }

private:
    void Skip()
    {
        while (IsBlank(*m_p))
            ++m_p;
    }
    const char* m_p;
};

// The slot of "actorN", "anim_actorN_dol" and the like: the keyword is
// prefix + number (0 to 31) + suffix; -1 when the line's keyword is not one.
int SlotKeyword(const char* line, const char* prefix, const char* suffix)
{
    for (int i = 0; i < CUTSCENE_ACTORS; ++i)
    {
        const std::string keyword = prefix + std::to_string(i) + suffix;
        if (IsKeyword(line, keyword.c_str()))
            return i;
    }
    return -1;
}

bool SlotFits(int slot, const char* file, const char* keyword)
{
    if (slot >= 0 && slot < CUTSCENE_ACTORS)
        return true;
    char text[96];
    std::snprintf(text, sizeof text, ": %s for actor slot %d dropped (slots are 0 to 31)", keyword, slot);
    g_Console.Print2(file, text);
    return false;
}

class ScriptReader
{
public:
    ScriptReader(CCutScene& owner, const char* file) : m_owner(owner), m_file(file) {}

    void Line(const char* line)
    {
        if (IsKeyword(line, "scene"))
        {
            strscene* scene = NewTracked<strscene>(TAG_SCENE);
            Copy(scene->name, GetLineValue(line));
            scene->next = m_owner.m_pScenes;
            m_owner.m_pScenes = scene;
            m_scene = scene;
            return;
        }
        if (!m_scene)
            return;
        if (SceneLine(line))
            return;
        if (IsKeyword(line, "phase"))
        {
            strphase* phase = NewTracked<strphase>(TAG_PHASE);
            Copy(phase->name, GetLineValue(line));
            phase->speed = 1.0f;
            phase->shadowDisabledActor = CUTSCENE_NO_ACTOR;
            for (strCutKill& k : phase->kills)
                k.time = CUTSCENE_NO_KILL_TIME;
            phase->next = m_scene->phases;
            m_scene->phases = phase;
            return;
        }
        if (m_scene->phases)
            PhaseLine(*m_scene->phases, line);
    }

private:
    bool SceneLine(const char* line)
    {
        strscene& s = *m_scene;
        Values v(line);
        if (IsKeyword(line, "world_on_end"))
            Copy(s.worldOnEnd, v.Rest());
        else if (IsKeyword(line, "action_on_end"))
            Copy(s.actionOnEnd, v.Rest());
        else if (IsKeyword(line, "quit_on_end"))
            s.quitOnEnd = 1;
        else if (IsKeyword(line, "scene_on_end"))
            Copy(s.sceneOnEnd, v.Rest());
        else if (IsKeyword(line, "model"))
            Copy(s.guideModel, v.Rest());
        else if (const int a = SlotKeyword(line, "actor", ""); a >= 0)
            Copy(s.actorFiles[a], v.Rest());
        else if (const int b = SlotKeyword(line, "bron", ""); b >= 0)
            Copy(s.actorWeapons[b], v.Rest());
        else if (IsKeyword(line, "first_phase"))
            Copy(s.firstPhase, v.Rest());
        else
            return false;
        return true;
    }

    void Fade(strCutFade& fade, Values& v)
    {
        fade.on = 1;
        fade.start = v.Float();
        fade.duration = v.Float();
    }

    template <size_t N> void AddName(int& count, int limit, char (&names)[N][CUTSCENE_NAME_SIZE], Values& v)
    {
        if (count < limit)
            Copy(names[count++], v.Rest());
    }

    void PhaseLine(strphase& p, const char* line)
    {
        Values v(line);
        if (IsKeyword(line, "black_white"))
            p.blackWhite = 1;
        else if (IsKeyword(line, "on_screen"))
            Copy(p.onScreen, v.Rest());
        else if (IsKeyword(line, "Time_Speed"))
            p.speed = std::max(v.Float(), CUTSCENE_MIN_SPEED);
        else if (IsKeyword(line, "camera_jump_to"))
        {
            if (p.jumpCount < CUTSCENE_JUMPS)
            {
                strCutJump& j = p.jumps[p.jumpCount++];
                Copy(j.socket, v.Word());
                j.time = v.Float();
            }
        }
        else if (IsKeyword(line, "AFX"))
        {
            if (p.guideFxCount < CUTSCENE_GUIDE_FX)
            {
                strCutGuideFx& f = p.guideFx[p.guideFxCount++];
                Copy(f.effect, v.Word());
                Copy(f.socket, v.Word());
                f.time = v.Float();
            }
        }
        else if (IsKeyword(line, "show_sector"))
        {
            if (p.shownCount < CUTSCENE_SECTORS)
                p.shownSectors[p.shownCount++] = v.Int();
        }
        else if (IsKeyword(line, "hide_sector"))
        {
            if (p.hiddenCount < CUTSCENE_SECTORS)
                p.hiddenSectors[p.hiddenCount++] = v.Int();
        }
        else if (IsKeyword(line, "disable_shadow_for"))
        {
            const int slot = v.Int();
            if (slot == CUTSCENE_NO_ACTOR || SlotFits(slot, m_file, "disable_shadow_for"))
                p.shadowDisabledActor = slot;
        }
        else if (IsKeyword(line, "animation_stop"))
            AddName(p.stopCount, CUTSCENE_TEXANIMS_USED, p.texStop, v);
        else if (IsKeyword(line, "animation_pause"))
            AddName(p.pauseCount, CUTSCENE_TEXANIMS_USED, p.texPause, v);
        else if (IsKeyword(line, "animation_play"))
            AddName(p.playCount, CUTSCENE_TEXANIMS_USED, p.texPlay, v);
        else if (IsKeyword(line, "FX"))
        {
            const int slot = v.Int();
            if (p.actorFxCount < CUTSCENE_ACTOR_FX_USED && SlotFits(slot, m_file, "FX"))
            {
                strCutActorFx& f = p.actorFx[p.actorFxCount++];
                f.actor = slot;
                f.time = v.Float();
                Copy(f.socket, v.Word());
                Copy(f.effect, v.Word());
            }
        }
        else if (IsKeyword(line, "blood"))
            ActorSocket(p.blood, p.bloodCount, CUTSCENE_BLOOD_USED, v, "blood", true);
        else if (IsKeyword(line, "kill"))
        {
            const int victim = v.Int(), killer = v.Int();
            if (p.killCount < CUTSCENE_KILLS_USED && SlotFits(victim, m_file, "kill") &&
                SlotFits(killer, m_file, "kill"))
            {
                strCutKill& k = p.kills[p.killCount++];
                k.victim = victim;
                k.killer = killer;
                k.time = v.Float();
            }
        }
        else if (IsKeyword(line, "attach"))
        {
            const int slot = v.Int();
            if (p.attachmentCount < CUTSCENE_ATTACHMENTS_USED && SlotFits(slot, m_file, "attach"))
            {
                strCutAttachment& a = p.attachments[p.attachmentCount++];
                a.actor = slot;
                Copy(a.object, v.Word());
                Copy(a.socket, v.Rest());
            }
        }
        else if (IsKeyword(line, "voice"))
        {
            if (p.voiceCount < CUTSCENE_VOICES_USED)
            {
                strCutVoice& s = p.voices[p.voiceCount++];
                Copy(s.wave, v.Word());
                Copy(s.socket, v.Word());
                s.time = v.Float();
                if (s.wave[0])
                    g_Engine.PreloadFile(s.wave, EEngine::PRELOAD_SOUND);
            }
        }
        else if (IsKeyword(line, "subtitle"))
        {
            if (p.subtitleCount < CUTSCENE_SUBTITLES_USED)
            {
                strCutSubtitle& s = p.subtitles[p.subtitleCount++];
                Copy(s.key, v.Word());
                s.time = v.Float();
            }
        }
        else if (IsKeyword(line, "shoot"))
            ActorSocket(p.shots, p.shotCount, CUTSCENE_SHOTS_USED, v, "shoot", false);
        else if (IsKeyword(line, "black"))
            p.black = 1;
        else if (IsKeyword(line, "fade_in"))
            Fade(p.fadeIn, v);
        else if (IsKeyword(line, "fade_out"))
            Fade(p.fadeOut, v);
        else if (IsKeyword(line, "flash_in"))
            Fade(p.flashIn, v);
        else if (IsKeyword(line, "flash_out"))
            Fade(p.flashOut, v);
        else if (IsKeyword(line, "pos_x"))
            p.guidePosition[0] = v.Float();
        else if (IsKeyword(line, "pos_y"))
            p.guidePosition[1] = v.Float();
        else if (IsKeyword(line, "pos_z"))
            p.guidePosition[2] = v.Float();
        else if (IsKeyword(line, "anim"))
            Copy(p.guideAnimation, v.Rest());
        else if (IsKeyword(line, "music"))
            Copy(p.music, v.Rest());
        else if (IsKeyword(line, "sound_2D"))
            Copy(p.sound2D, v.Rest());
        else if (const int whole = SlotKeyword(line, "anim_actor", ""); whole >= 0)
            Copy(p.animWhole[whole], v.Rest());
        else if (const int upper = SlotKeyword(line, "anim_actor", "_gora"); upper >= 0)
            Copy(p.animUpper[upper], v.Rest());
        else if (const int lower = SlotKeyword(line, "anim_actor", "_dol"); lower >= 0)
            Copy(p.animLower[lower], v.Rest());
        else if (const int face = SlotKeyword(line, "anim_actor", "_twarz"); face >= 0)
            Copy(p.animFace[face], v.Rest());
        else if (IsKeyword(line, "socket_camera"))
            Copy(p.cameraSocket, v.Rest());
        else if (const int socket = SlotKeyword(line, "socket_actor", ""); socket >= 0)
            Copy(p.actorSockets[socket], v.Rest());
        else if (IsKeyword(line, "mesh"))
        {
            if (p.meshCount < CUTSCENE_MESHES_USED)
            {
                strCutMesh& m = p.meshes[p.meshCount++];
                Copy(m.object, v.Word());
                Copy(m.socket, v.Rest());
            }
        }
        else if (IsKeyword(line, "time"))
            p.length = v.Float();
        else if (IsKeyword(line, "quit"))
            p.quit = 1;
        else if (IsKeyword(line, "next_phase"))
            Copy(p.nextPhase, v.Rest());
    }

    // A shot or a blood entry: actor slot, time, socket (blood takes the rest
    // of the line, a shot one word).
    template <size_t N>
    void ActorSocket(strCutActorSocket (&list)[N], int& count, int limit, Values& v, const char* keyword,
                     bool rest)
    {
        const int slot = v.Int();
        if (count >= limit || !SlotFits(slot, m_file, keyword))
            return;
        strCutActorSocket& e = list[count++];
        e.actor = slot;
        e.time = v.Float();
        Copy(e.socket, rest ? v.Rest() : v.Word());
    }

    CCutScene& m_owner;
    const char* m_file;
    strscene* m_scene = nullptr;
};
} // namespace

void CCutScene::LoadAll()
{
    ForEachFileIn(FOLDER, "*.txt", [this](const char* path) { LoadScript(path); });
}

void CCutScene::LoadScript(const char* path)
{
    FILE* file = path ? TkFopen(path, "rb") : nullptr;
    if (!file)
        return;
    ScriptReader reader(*this, path);
    char line[LINE_SIZE + 1];
    while (!std::feof(file) && !std::ferror(file))
    {
        line[0] = 0;
        ReadLine(file, line, LINE_SIZE);
        reader.Line(line);
    }
    std::fclose(file);
}

strscene* CCutScene::FindScene(const char* name) const
{
    if (!name)
        return nullptr;
    for (strscene* s = m_pScenes; s; s = s->next)
        if (CompareNoCase(s->name, name) == 0)
            return s;
    return nullptr;
}

strphase* CCutScene::FindPhase(const strscene* scene, const char* name)
{
    if (!scene || !name)
        return nullptr;
    for (strphase* p = scene->phases; p; p = p->next)
        if (CompareNoCase(p->name, name) == 0)
            return p;
    return nullptr;
}

void CCutScene::FreeScenes()
{
    // Nothing may point into the scenes once they are gone.
    Clear();
    while (m_pScenes)
    {
        strscene* scene = m_pScenes;
        m_pScenes = scene->next;
        while (scene->phases)
        {
            strphase* phase = scene->phases;
            scene->phases = phase->next;
            DeleteTracked(phase, TAG_PHASE);
        }
        DeleteTracked(scene, TAG_SCENE);
    }
}
