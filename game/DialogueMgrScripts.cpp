// CDialogueMgr: reading the dialogue and hero dialogue scripts, the records'
// lookups, and the preloads of their voices.
#include "game/DialogueMgr.h"

#include "platform/win32/Path.h"
#include "shell/Console.h"
#include "shell/FolderFiles.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"
#include "world/TrackedAlloc.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr const char* TAG_DIALOGUE = "strDialogue";
constexpr const char* TAG_DIALOGUE_LINE = "strDialogueLine";
constexpr const char* TAG_HERO_DIALOGUE = "strHeroDialogue";
constexpr const char* TAG_HERO_DIALOGUE_LINE = "strHeroDialogueLine";
constexpr const char* kVoiceFolders[] = {"voices\\other\\", "voices\\Hero\\", "voices\\Dialogues\\"};
// A script name shorter than this ("a.txt" is five) is no script.
constexpr size_t kMinFileName = 4;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The value after the keyword with trailing blanks cut, as much as fits the field.
template <size_t N> void Value(char (&field)[N], const char* line)
{
    CopyCut(field, N, GetLineValue(line));
    for (size_t n = std::strlen(field); n > 0 && IsBlank(field[n - 1]); --n)
        field[n - 1] = 0;
}

// The first word of the value.
template <size_t N> void FirstWord(char (&field)[N], const char* line)
{
    const char* v = GetLineValue(line);
    size_t n = 0;
    while (v[n] && !IsBlank(v[n]))
        ++n;
    n = std::min(n, N - 1);
    std::memcpy(field, v, n);
    field[n] = 0;
}

float Number(const char* line, float fallback)
{
    const char* v = GetLineValue(line);
    while (IsBlank(*v))
        ++v;
    if (*v == '+')
        ++v;
    float f = 0.0f;
    const auto r = std::from_chars(v, v + std::strlen(v), f);
    return r.ec == std::errc() && std::isfinite(f) ? f : fallback;
}

// "actor0".."actor2", "hero0".."hero4", "voice_position0".."4": the keyword's number, or -1.
int Numbered(const char* line, const char* prefix, int count)
{
    char keyword[32];
    for (int i = 0; i < count; ++i)
    {
        std::snprintf(keyword, sizeof keyword, "%s%d", prefix, i);
        if (IsKeyword(line, keyword))
            return i;
    }
    return -1;
}

// "on_end_actor0_phase" to "on_end_actor2_phase": the actor, or -1.
int OnEndPhase(const char* line)
{
    char keyword[32];
    for (int i = 0; i < DIALOGUE_ACTORS; ++i)
    {
        std::snprintf(keyword, sizeof keyword, "on_end_actor%d_phase", i);
        if (IsKeyword(line, keyword))
            return i;
    }
    return -1;
}

template <class Visit> void ReadScript(const char* path, Visit line)
{
    if (!FileExists(path))
    {
        g_Console.Print3("File ", path, "does not exist!");
        return;
    }
    FILE* file = TkFopen(path, "rb");
    if (!file)
    {
        g_Console.Print2("Failed to read ", path);
        return;
    }
    char text[CDialogueMgr::LINE_SIZE + 1];
    while (!std::feof(file) && !std::ferror(file))
    {
        text[0] = 0;
        ReadLine(file, text, CDialogueMgr::LINE_SIZE);
        line(static_cast<const char*>(text));
    }
    std::fclose(file);
}

template <class Visit> void EachScript(const char* folder, Visit visit)
{
    ForEachFileIn(folder, "*.txt",
                  [&](const char* path)
                  {
                      const char* name = std::strrchr(path, '\\');
                      if (name && std::strlen(name + 1) >= kMinFileName)
                          visit(path);
                  });
}
} // namespace

void CDialogueMgr::LoadAll()
{
    EachScript(DIALOGUE_FOLDER, [this](const char* path) { LoadDialogueFile(path); });
    EachScript(HERO_DIALOGUE_FOLDER, [this](const char* path) { LoadHeroDialogueFile(path); });
}

void CDialogueMgr::LoadDialogueFile(const char* path)
{
    ReadScript(path,
               [this](const char* line)
               {
                   if (IsKeyword(line, "dialogue"))
                   {
                       strDialogue* d = NewTracked<strDialogue>(TAG_DIALOGUE);
                       Value(d->name, line);
                       d->volume = DEFAULT_VOLUME;
                       d->range = DEFAULT_RANGE;
                       d->older = m_pDialogues;
                       if (m_pDialogues)
                           m_pDialogues->newer = d;
                       m_pDialogues = d;
                       return;
                   }
                   // Every other line belongs to the newest record, even one of an earlier file.
                   strDialogue* d = m_pDialogues;
                   if (!d)
                       return;
                   int n = 0;
                   if (IsKeyword(line, "random"))
                       d->random = 1;
                   else if (IsKeyword(line, "no_subtitle"))
                       d->noSubtitle = 1;
                   else if (IsKeyword(line, "hero_subtitle"))
                       d->heroSubtitle = 1;
                   else if (IsKeyword(line, "volume"))
                       d->volume = Number(line, 0.0f);
                   else if (IsKeyword(line, "range"))
                       d->range = Number(line, 0.0f);
                   else if (IsKeyword(line, "on_end_action"))
                       Value(d->onEndAction, line);
                   else if ((n = OnEndPhase(line)) >= 0)
                       Value(d->onEndPhase[n], line);
                   else if ((n = Numbered(line, "actor", DIALOGUE_ACTORS)) >= 0)
                   {
                       strDialogueLine* l = NewTracked<strDialogueLine>(TAG_DIALOGUE_LINE);
                       Value(l->label, line);
                       l->number = d->lineCount++;
                       l->speaker = static_cast<DWORD>(n);
                       l->older = d->lines;
                       if (d->lines)
                           d->lines->newer = l;
                       d->lines = l;
                   }
               });
}

void CDialogueMgr::LoadHeroDialogueFile(const char* path)
{
    ReadScript(path,
               [this](const char* line)
               {
                   if (IsKeyword(line, "hero_dialogue"))
                   {
                       strHeroDialogue* d = NewTracked<strHeroDialogue>(TAG_HERO_DIALOGUE);
                       Value(d->name, line);
                       d->older = m_pHeroDialogues;
                       if (m_pHeroDialogues)
                           m_pHeroDialogues->newer = d;
                       m_pHeroDialogues = d;
                       return;
                   }
                   strHeroDialogue* d = m_pHeroDialogues;
                   if (!d)
                       return;
                   int n = 0;
                   if (IsKeyword(line, "on_end_action"))
                       Value(d->onEndAction, line);
                   else if ((n = Numbered(line, "voice_position", HERO_VOICES)) >= 0)
                       FirstWord(d->voicePosition[n], line);
                   else if ((n = Numbered(line, "hero", HERO_VOICES)) >= 0)
                   {
                       strHeroDialogueLine* l = NewTracked<strHeroDialogueLine>(TAG_HERO_DIALOGUE_LINE);
                       Value(l->label, line);
                       l->hero = static_cast<DWORD>(n);
                       l->older = d->lines;
                       if (d->lines)
                           d->lines->newer = l;
                       d->lines = l;
                   }
               });
}

void CDialogueMgr::FreeAll()
{
    StopAll();
    FreeRecords();
}

void CDialogueMgr::FreeRecords()
{
    while (strDialogue* d = m_pDialogues)
    {
        m_pDialogues = d->older;
        while (strDialogueLine* l = d->lines)
        {
            d->lines = l->older;
            DeleteTracked(l, TAG_DIALOGUE_LINE);
        }
        DeleteTracked(d, TAG_DIALOGUE);
    }
    while (strHeroDialogue* d = m_pHeroDialogues)
    {
        m_pHeroDialogues = d->older;
        while (strHeroDialogueLine* l = d->lines)
        {
            d->lines = l->older;
            DeleteTracked(l, TAG_HERO_DIALOGUE_LINE);
        }
        DeleteTracked(d, TAG_HERO_DIALOGUE);
    }
}

strDialogue* CDialogueMgr::FindDialogue(const char* name) const
{
    if (!name)
        return nullptr;
    for (strDialogue* d = m_pDialogues; d; d = d->older)
        if (CompareNoCase(d->name, name) == 0)
            return d;
    return nullptr;
}

strHeroDialogue* CDialogueMgr::FindHeroDialogue(const char* name) const
{
    if (!name)
        return nullptr;
    for (strHeroDialogue* d = m_pHeroDialogues; d; d = d->older)
        if (CompareNoCase(d->name, name) == 0)
            return d;
    return nullptr;
}

strDialogueLine* CDialogueMgr::FirstLine(const strDialogue* d)
{
    strDialogueLine* l = d ? d->lines : nullptr;
    while (l && l->older)
        l = l->older;
    return l;
}

strDialogueLine* CDialogueMgr::LineNumber(const strDialogue* d, DWORD number)
{
    for (strDialogueLine* l = d ? d->lines : nullptr; l; l = l->older)
        if (l->number == number)
            return l;
    return nullptr;
}

strHeroDialogueLine* CDialogueMgr::FirstLine(const strHeroDialogue* d)
{
    strHeroDialogueLine* l = d ? d->lines : nullptr;
    while (l && l->older)
        l = l->older;
    return l;
}

void CDialogueMgr::VoiceFile(const char* label, char* out, size_t size)
{
    if (!out || !size)
        return;
    out[0] = 0;
    if (!label || !label[0])
        return;
    for (const char* folder : kVoiceFolders)
    {
        const int n = std::snprintf(out, size, "%s%s.wav", folder, label);
        if (n < 0 || static_cast<size_t>(n) >= size)
        {
            // A path that does not fit names no file.
            out[0] = 0;
            return;
        }
        if (FileExists(out))
            return;
    }
}

void CDialogueMgr::LoadDialogueVoices(const char* name)
{
    const strDialogue* d = FindDialogue(name);
    for (const strDialogueLine* l = d ? d->lines : nullptr; l; l = l->older)
    {
        char file[MAX_PATH];
        VoiceFile(l->label, file, sizeof file);
        if (file[0] && FileExists(file))
            g_Engine.PreloadFile(file, EEngine::PRELOAD_SOUND);
    }
}

void CDialogueMgr::LoadHeroDialogueVoices(const char* name)
{
    const strHeroDialogue* d = FindHeroDialogue(name);
    for (const strHeroDialogueLine* l = d ? d->lines : nullptr; l; l = l->older)
    {
        char file[MAX_PATH];
        VoiceFile(l->label, file, sizeof file);
        if (file[0] && FileExists(file))
            g_Engine.PreloadFile(file, EEngine::PRELOAD_SOUND);
    }
}
