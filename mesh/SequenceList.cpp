// Animation sequences of characters and the rules that pick their animation names.
#include "mesh/SequenceList.h"

#include "characters/PostacMgr.h"
#include "game/DialogueMgr.h"
#include "platform/win32/Path.h"
#include "player/ItemDesc.h"
#include "player/ItemMgr.h"
#include "platform/win32/Win32.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

SequenceList g_SequenceList;

namespace
{
constexpr const char* kFolder = "scripts\\animations";

template <size_t N> void Cut(char (&field)[N], const char* text)
{
    std::snprintf(field, N, "%s", text ? text : "");
}
} // namespace

SequenceList::SequenceList()
{
    LoadAll();
}

SequenceList::~SequenceList()
{
    Clear();
}

void SequenceList::Clear()
{
    while (m_pSequences)
    {
        strSequence* next = m_pSequences->pNext;
        while (m_pSequences->pFirstStep)
        {
            strSequenceStep* step = m_pSequences->pFirstStep->pNext;
            delete m_pSequences->pFirstStep;
            m_pSequences->pFirstStep = step;
        }
        delete m_pSequences;
        m_pSequences = next;
    }
}

void SequenceList::LoadAll()
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((std::string(kFolder) + "\\*.txt").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do
    {
        if (data.cFileName[0] == '.' || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        LoadFile((std::string(kFolder) + "\\" + data.cFileName).c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

void SequenceList::LoadFile(const char* path)
{
    FILE* file = path ? TkFopen(path, "rb") : nullptr;
    if (!file)
        return;
    char line[LINE_CHARS + 1];
    strSequenceStep* step = nullptr;
    strSequenceStep** tail = nullptr;
    for (;;)
    {
        ReadLine(file, line, LINE_CHARS);
        char value[LINE_CHARS + 1];
        Cut(value, GetToken(line, 1));
        if (IsKeyword(line, "sequence"))
        {
            auto* sequence = new strSequence;
            Cut(sequence->szName, value);
            sequence->pNext = m_pSequences;
            m_pSequences = sequence;
            step = nullptr;
            tail = &sequence->pFirstStep;
        }
        else if (IsKeyword(line, "faza"))
        {
            if (tail)
            {
                step = new strSequenceStep;
                Cut(step->szName, value);
                *tail = step;
                tail = &step->pNext;
            }
        }
        else if (step)
        {
            if (IsKeyword(line, "animacja"))
            {
                if (step->iNumAnimations < strSequenceStep::MAX_ANIMATIONS)
                    Cut(step->szAnimations[step->iNumAnimations++], value);
            }
            else if (IsKeyword(line, "speed"))
            {
                if (step->iNumAnimations > 0)
                    step->fSpeeds[step->iNumAnimations - 1] = static_cast<float>(std::strtod(value, nullptr));
            }
            else if (IsKeyword(line, "interpolation") || IsKeyword(line, "interpolacja"))
                step->fInterpolation = static_cast<float>(std::strtod(value, nullptr));
            else if (IsKeyword(line, "goto"))
                Cut(step->szGoto, value);
            else if (IsKeyword(line, "dialogue"))
                Cut(step->szDialogue, value);
        }
        if (std::feof(file))
            break;
    }
    std::fclose(file);
}

strSequence* SequenceList::FindSequence(const char* name) const
{
    for (strSequence* s = m_pSequences; s; s = s->pNext)
        if (CompareNoCase(s->szName, name) == 0)
            return s;
    return nullptr;
}

strSequenceStep* SequenceList::FindStep(const strSequence* sequence, const char* name)
{
    for (strSequenceStep* step = sequence ? sequence->pFirstStep : nullptr; step; step = step->pNext)
        if (CompareNoCase(step->szName, name) == 0)
            return step;
    return nullptr;
}

void SequenceList::SetCharacterAnimation(strSequenceCharacter* character, const char* name, BYTE loop,
                                         float blend, float speed)
{
    if (!character)
        return;
    g_Engine.SetObjectAnimation(character->hObject, name, loop, blend, speed);
    character->pSequence = nullptr;
    character->pStep = nullptr;
}

bool SequenceList::IsCharacterAnimationFinished(const strSequenceCharacter* character) const
{
    if (!character || !character->szAnimation[0])
        return true;
    if (character->pStep &&
        (character->pStep->pNext ||
         (character->pStep->szGoto[0] && FindStep(character->pSequence, character->pStep->szGoto))))
        return false;
    return g_Engine.CanAnimationBeInterrupted(character->hObject);
}

void SequenceList::StartStep(strSequenceCharacter* character, strSequence* sequence, strSequenceStep* step)
{
    if (!character)
        return;
    while (step && step->iNumAnimations == 0)
        step = step->pNext;
    if (!sequence || !step)
    {
        character->pSequence = nullptr;
        character->pStep = nullptr;
        return;
    }
    character->pSequence = sequence;
    character->pStep = step;
    const int k = std::rand() % static_cast<int>(step->iNumAnimations);
    // The step's dialogue, with the character whose model this is as its only actor.
    if (step->szDialogue[0])
        if (strpostac* speaker = PMgr.FindCharacterByObject(character->hObject))
            g_DialogueMgr.StartDialogue(step->szDialogue, speaker, nullptr, nullptr);
    g_Engine.SetObjectAnimation(character->hObject, step->szAnimations[k], 0, step->fInterpolation, 1.0f);
    character->fSpeed = step->fSpeeds[k];
    for (float& f : character->fReset)
        f = 0.0f;
    Cut(character->szAnimation, step->szAnimations[k]);
    Cut(character->szAnimation2, step->szAnimations[k]);
    character->bLoop = 0;
}

void SequenceList::AdvanceCharacterSequence(strSequenceCharacter* character)
{
    if (!character || !character->pSequence)
        return;
    strSequenceStep* step = character->pStep;
    if (!step)
    {
        character->pSequence = nullptr;
        return;
    }
    if (!g_Engine.CanAnimationBeInterrupted(character->hObject))
        return;
    if (step->szGoto[0])
    {
        if (strSequenceStep* target = FindStep(character->pSequence, step->szGoto))
        {
            StartStep(character, character->pSequence, target);
            return;
        }
        char line[LINE_CHARS];
        std::snprintf(line, sizeof line, "Error! Animation sequence %s - wrong GoTo %s",
                      character->pSequence->szName, step->szGoto);
        g_Console.Print(line);
    }
    if (step->pNext)
        StartStep(character, character->pSequence, step->pNext);
    else
    {
        character->pSequence = nullptr;
        character->pStep = nullptr;
    }
}

const char* SequenceList::GetCharacterAnimationName(const strSequenceCharacter* character,
                                                    const char* name) const
{
    static char result[strSequenceCharacter::NAME_SIZE];
    if (!name)
        return "";
    Cut(result, name);
    if (!character)
        return result;
    // The weapon in hand names its own variant ("bieg" + "_ak"); a model without it takes the
    // first variant of the catalogue it has, else the plain name.
    char candidate[strSequenceCharacter::NAME_SIZE];
    auto withSuffix = [&](const EItemDesc* d)
    {
        std::snprintf(candidate, sizeof candidate, "%s%s", result, d ? d->anim_add_name : "");
        return candidate;
    };
    bool found = g_Engine.HasAnimation(character->hObject, withSuffix(character->pWeapon));
    for (const EItemDesc* d = ItemMgr.GetDescriptions(); d && !found; d = d->older)
        found = g_Engine.HasAnimation(character->hObject, withSuffix(d));
    if (found)
        Cut(result, candidate);
    if (result[0] && !g_Engine.HasAnimation(character->hObject, result))
    {
        std::string text = std::string(character->szName) + " - brak animacji \"" + result + "\"";
        g_Console.Print(text.c_str());
    }
    return result;
}

void SequenceList::ChooseRunAimAnimation(const strSequenceCharacter* character, char* out, size_t size,
                                         const char* name) const
{
    if (!out || size == 0)
        return;
    if (!character)
    {
        std::snprintf(out, size, "%s", name ? name : "");
        return;
    }
    const char* chosen = name;
    if (name && (CompareNoCase(name, "biegnie_bron_celujac") == 0 ||
                 CompareNoCase(name, "biegnie_bron_przed_soba") == 0))
        chosen = (std::rand() & 1) ? "biegnie_2" : "biegnie_3";
    std::snprintf(out, size, "%s", GetCharacterAnimationName(character, chosen));
}

void SequenceList::SetupPhaseAnimation(strSequenceCharacter* character, const char* name, BYTE loop,
                                       float blend)
{
    if (!character || !name)
        return;
    character->pSequence = nullptr;
    character->pStep = nullptr;
    if (strSequence* sequence = FindSequence(name))
        if (sequence->pFirstStep && sequence->pFirstStep->iNumAnimations > 0)
        {
            StartStep(character, sequence, sequence->pFirstStep);
            return;
        }
    char resolved[strSequenceCharacter::NAME_SIZE];
    ChooseRunAimAnimation(character, resolved, sizeof resolved, name);
    if (!resolved[0])
    {
        g_Console.Print("Faza bez animacji");
        character->bPhaseWithoutAnimation = 1;
    }
    else if (!g_Engine.HasAnimation(character->hObject, resolved))
    {
        std::string text = std::string(character->szName) + " - nie ma animacji " + resolved;
        g_Console.Print(text.c_str());
    }
    else
    {
        const bool same = CompareNoCase(resolved, character->szAnimation) == 0;
        if (!(loop && same))
        {
            Cut(character->szAnimation2, resolved);
            g_Engine.SetObjectAnimation(character->hObject, resolved, loop, blend, 1.0f);
            character->bLoop = loop;
            if (!same)
                character->fBlendTime = blend;
        }
    }
    Cut(character->szAnimation, resolved);
    character->iRunChoice = -1;
}
