// CDialogueMgr: the "Dialogue" save section. Running dialogues are stored by
// name with their speakers' names; a load starts them again at their first line.
#include "game/DialogueMgr.h"

#include "characters/PostacMgr.h"
#include "shell/Console.h"
#include "shell/SaveFile.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <cstring>

namespace
{
// Room for any name a save could carry; a longer one fails the load.
constexpr size_t kStoredNameSize = 256;

bool WriteOptionalName(FILE* file, const char* name)
{
    if (!name)
        return WriteBool(file, false);
    const bool ok = WriteBool(file, true);
    return WriteString(file, name) && ok;
}

bool ReadOptionalName(FILE* file, char (&name)[kStoredNameSize])
{
    name[0] = 0;
    BYTE present = 0;
    return ReadBool(file, &present) && (!present || ReadString(file, name));
}
} // namespace

bool CDialogueMgr::Save(FILE* file)
{
    bool ok = true;
    for (const strActiveDialogue& a : m_ActiveDialogues)
    {
        const bool running = a.active && a.pDialogue;
        ok = WriteBool(file, running) && ok;
        if (!running)
            continue;
        ok = WriteString(file, a.pDialogue->name) && ok;
        for (const strpostac* p : a.actors)
            ok = WriteOptionalName(file, p ? p->name : nullptr) && ok;
        const HOBJECT o = SpeakerObject(a);
        ok = WriteOptionalName(file, o ? o->szName : nullptr) && ok;
    }
    const bool hero = m_ActiveHeroDialogue.active && m_ActiveHeroDialogue.pDialogue;
    ok = WriteBool(file, hero) && ok;
    if (hero)
        ok = WriteString(file, m_ActiveHeroDialogue.pDialogue->name) && ok;
    return ok;
}

bool CDialogueMgr::Load(FILE* file)
{
    for (int i = 0; i < MAX_ACTIVE_DIALOGUES; ++i)
    {
        BYTE running = 0;
        if (!ReadBool(file, &running))
            return false;
        if (!running)
            continue;
        char name[kStoredNameSize];
        char actorNames[DIALOGUE_ACTORS][kStoredNameSize];
        char objectName[kStoredNameSize];
        if (!ReadString(file, name))
            return false;
        for (auto& actor : actorNames)
            if (!ReadOptionalName(file, actor))
                return false;
        if (!ReadOptionalName(file, objectName))
            return false;
        strpostac* actors[DIALOGUE_ACTORS] = {};
        bool anyActor = false;
        for (int k = 0; k < DIALOGUE_ACTORS; ++k)
        {
            actors[k] = actorNames[k][0] ? PMgr.FindCharacterByName(actorNames[k], false) : nullptr;
            anyActor = anyActor || actors[k];
        }
        HOBJECT object = objectName[0] ? g_Engine.FindObject(objectName, 0) : nullptr;
        if (anyActor)
            StartDialogue(name, actors[0], actors[1], actors[2]);
        else if (object)
            StartDialogueByName(name, object);
        else
            g_Console.Print3("Dialogue load - no actors nor object for dialogue ", name, "!");
    }
    BYTE hero = 0;
    if (!ReadBool(file, &hero))
        return false;
    if (hero)
    {
        char name[kStoredNameSize];
        if (!ReadString(file, name))
            return false;
        StartHeroDialogue(name);
    }
    return true;
}
