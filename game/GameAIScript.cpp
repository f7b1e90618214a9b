// GameAI: the level-script files and their parser. Every "scripts\ai\*.txt"
// is read once when the game layer starts; "level" lines open level records,
// block openers open named actions, and each condition or command line adds
// one record to the action being read.
#include "game/GameAI.h"

#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "shell/Debug.h"
#include "shell/TextUtils.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace
{
const char* const kLevelTag = "strai";
const char* const kActionTag = "strakcje";
const char* const kFolder = "scripts\\ai";
// The line reader's limit: longer lines have their rest skipped.
constexpr int kLineChars = 510;

template <size_t N> void Copy(char (&field)[N], const char* text)
{
    CopyCut(field, N, text);
}

// The first word of the text, cut to the field.
template <size_t N> void CopyFirstWord(char (&field)[N], const char* text)
{
    CopyCut(field, N, text);
    CutAtBlank(field);
}

// The text after its first word, leading blanks skipped.
const char* AfterFirstWord(const char* text)
{
    while (*text && *text != ' ' && *text != '\t')
        ++text;
    while (*text == ' ' || *text == '\t')
        ++text;
    return text;
}

float Number(const char* text)
{
    return static_cast<float>(std::strtod(text, nullptr));
}

int WholeNumber(const char* text)
{
    const long long n = std::strtoll(text, nullptr, 10);
    if (n > INT32_MAX)
        return INT32_MAX;
    if (n < INT32_MIN)
        return INT32_MIN;
    return static_cast<int>(n);
}

// A number and a name: "DISTANCE OBJECT", "SECONDS COUNTER", "NUMBER VARIABLE".
template <size_t N> void NumberAndName(float* number, char (&name)[N], const char* value)
{
    *number = Number(value);
    Copy(name, AfterFirstWord(value));
}

// "inc" and "dec": a value of one word is the name (amount 1); otherwise the
// number at its start and the rest as name.
template <size_t N> void AmountAndName(int* amount, char (&name)[N], const char* value)
{
    if (!*AfterFirstWord(value))
    {
        *amount = 1;
        Copy(name, value);
        return;
    }
    *amount = WholeNumber(value);
    Copy(name, AfterFirstWord(value));
}

// The n-th word after the keyword of the line, cut to the field.
template <size_t N> void Token(char (&field)[N], const char* line, int n)
{
    Copy(field, GetToken(line, n));
}

using LevelSetter = void (*)(strai&, const char* value);
struct LevelKeyword
{
    const char* word;
    LevelSetter set;
};

// The level settings (without "level" itself and "blyski_postaci").
const LevelKeyword kLevelKeywords[] = {
    {"no_water_specular", [](strai& l, const char*) { l.noWaterSpecular = 1; }},
    {"no_stats", [](strai& l, const char*) { l.noStats = 1; }},
    {"no_clip", [](strai& l, const char*) { l.noClip = 1; }},
    {"wyswietlacz_strzelania", [](strai& l, const char* v) { Copy(l.shotDisplay, v); }},
    {"level_music", [](strai& l, const char* v) { Copy(l.levelMusic, v); }},
    {"clear_weapons", [](strai& l, const char*) { l.clearWeapons = 1; }},
    {"High_Auto_Map", [](strai& l, const char*) { l.highAutoMap = 1; }},
    {"MnoznikWidzeniaPostaci", [](strai& l, const char* v) { l.sightMultiplier = Number(v); }},
    {"Mnoznik_Widzenia_Postaci", [](strai& l, const char* v) { l.sightMultiplier = Number(v); }},
    {"Light_Power_Multiplier", [](strai& l, const char* v) { l.lightPowerMultiplier = Number(v); }},
    {"loading_screen", [](strai& l, const char* v) { Copy(l.loadingScreen, v); }},
    {"ex_intro", [](strai& l, const char*) { l.exIntro = 1; }},
    {"poglos", [](strai& l, const char*) { l.reverb = 1; }},
    {"lensflare", [](strai& l, const char* v) { Copy(l.lensFlare, v); }},
    {"level_d", [](strai& l, const char* v) { Copy(l.displayName, v); }},
    {"winter", [](strai& l, const char*) { l.winter = 1; }},
    {"rain", [](strai& l, const char*) { l.rain = 1; }},
    {"map", [](strai& l, const char* v) { Copy(l.map, v); }},
};

using RecordSetter = void (*)(strakcje&, const char* value, const char* line);
struct RecordKeyword
{
    const char* words[3];
    RecordSetter set;
    // The next line stores into the same record ("subtitle0").
    bool sharesRecord = false;
};

#define AI_NAME(field) [](strakcje& r, const char* v, const char*) { Copy(r.field, v); }
#define AI_FLAG(field) [](strakcje& r, const char*, const char*) { r.field = 1; }

// The conditions and commands, in the parser's order. Every keyword that
// matches stores its arguments in the record the record rule gives.
const RecordKeyword kRecordKeywords[] = {
    // Conditions.
    {{"if", "if_set"}, AI_NAME(ifSet)},
    {{"ifnot", "if_not", "if_not_set"}, AI_NAME(ifNotSet)},
    {{"ifactionhostile", "if_action_hostile"}, AI_FLAG(ifActionHostile)},
    {{"ifseenbyhostile", "if_seen_by_hostile"}, AI_FLAG(ifSeenByHostile)},
    {{"ifplayerseenby", "if_player_seen_by"}, AI_NAME(ifPlayerSeenBy)},
    {{"if_lost_primary_weapon", "iflostprimaryweapon"}, [](strakcje&, const char*, const char*) {}},
    {{"ifplayerhas", "if_player_has"}, AI_NAME(ifPlayerHas)},
    {{"ifweapondrawn", "if_weapon_drawn"}, AI_FLAG(ifWeaponDrawn)},
    {{"ifweaponhidden", "if_weapon_hidden"}, AI_FLAG(ifWeaponHidden)},
    {{"ifalive", "if_alive"}, AI_NAME(ifAlive)},
    {{"ifdead", "if_dead"}, AI_NAME(ifDead)},
    {{"if_postrzal"}, AI_NAME(ifShot)},
    {{"if_hit"}, AI_NAME(ifHit)},
    {{"ifaction", "if_action"}, AI_NAME(ifAction)},
    {{"ifmeshblizejniz", "if_mesh_blizej_niz"},
     [](strakcje& r, const char* v, const char*) { NumberAndName(&r.meshNearerThan, r.distanceMesh, v); }},
    {{"ifmeshdalejniz", "if_mesh_dalej_niz"},
     [](strakcje& r, const char* v, const char*) { NumberAndName(&r.meshFartherThan, r.distanceMesh, v); }},
    {{"if_int_greater"},
     [](strakcje& r, const char* v, const char*)
     {
         r.intGreater = WholeNumber(v);
         Copy(r.intName, AfterFirstWord(v));
     }},
    {{"if_int_less"},
     [](strakcje& r, const char* v, const char*)
     {
         r.intLess = WholeNumber(v);
         Copy(r.intName, AfterFirstWord(v));
     }},
    {{"inc"}, [](strakcje& r, const char* v, const char*) { AmountAndName(&r.incAmount, r.incName, v); }},
    {{"dec"}, [](strakcje& r, const char* v, const char*) { AmountAndName(&r.decAmount, r.decName, v); }},
    {{"iflicznikwiekszyniz", "if_licznik_wiekszy_niz", "if_counter_greater"},
     [](strakcje& r, const char* v, const char*) { NumberAndName(&r.counterGreater, r.counterName, v); }},
    {{"iflicznikmniejszyniz", "if_licznik_mniejszy_niz", "if_counter_less"},
     [](strakcje& r, const char* v, const char*) { NumberAndName(&r.counterLess, r.counterName, v); }},
    {{"ifgraczblizejniz", "if_gracz_blizej_niz"},
     [](strakcje& r, const char* v, const char*)
     { NumberAndName(&r.playerNearerThan, r.distanceCharacter, v); }},
    {{"ifgraczdalejniz", "if_gracz_dalej_niz"},
     [](strakcje& r, const char* v, const char*)
     { NumberAndName(&r.playerFartherThan, r.distanceCharacter, v); }},
    {{"ifhostileblizejniz", "if_hostile_blizej_niz"},
     [](strakcje& r, const char* v, const char*) { r.hostileNearerThan = Number(v); }},
    {{"if_objective_completed"}, AI_NAME(ifObjectiveCompleted)},
    {{"if_objective_not_completed"}, AI_NAME(ifObjectiveNotCompleted)},
    {{"if_is_primary_objective"}, AI_NAME(ifPrimaryObjective)},
    {{"if_is_not_primary_objective"}, AI_NAME(ifNotPrimaryObjective)},
    {{"if_is_secondary_objective"}, AI_NAME(ifSecondaryObjective)},
    {{"if_is_not_secondary_objective"}, AI_NAME(ifNotSecondaryObjective)},
    // Commands.
    {{"add_primary_objective"}, AI_NAME(addPrimaryObjective)},
    {{"add_secondary_objective"}, AI_NAME(addSecondaryObjective)},
    {{"add_hint"}, AI_NAME(addHint)},
    {{"complete_objective"}, AI_NAME(completeObjective)},
    {{"remove_objective"}, AI_NAME(removeObjective)},
    {{"object_action"}, AI_NAME(objectAction)},
    {{"deactivate"}, AI_NAME(deactivateName)},
    {{"activate"}, AI_NAME(activateName)},
    {{"set_explosive_target"}, AI_NAME(explosiveTarget)},
    {{"rocket"},
     [](strakcje& r, const char*, const char* line)
     {
         Token(r.rocketLauncher, line, 1);
         Token(r.rocketTarget, line, 2);
         r.rocketSpeed = Number(GetToken(line, 3));
     }},
    {{"attach_object"},
     [](strakcje& r, const char*, const char* line)
     {
         Token(r.attachObject, line, 1);
         Token(r.attachTarget, line, 2);
         Token(r.attachSocket, line, 3);
     }},
    {{"stop_dialogue"}, AI_NAME(stopDialogueCharacter)},
    {{"set_anim"},
     [](strakcje& r, const char* v, const char*)
     {
         CopyFirstWord(r.animObject, v);
         Copy(r.animName, AfterFirstWord(v));
         r.animLoop = 0;
     }},
    {{"set_anim_loop"},
     [](strakcje& r, const char* v, const char*)
     {
         CopyFirstWord(r.animObject, v);
         Copy(r.animName, AfterFirstWord(v));
         r.animLoop = 1;
     }},
    {{"kill_object"}, AI_NAME(killObject)},
    {{"kill_character"}, AI_NAME(killCharacter)},
    {{"startlevel", "start_level", "start_world"}, AI_NAME(startWorld)},
    {{"cutscene"}, AI_NAME(cutscene)},
    {{"hostileattack", "hostile_attack"}, AI_FLAG(hostileAttack)},
    {{"tnijitems", "tnij_items"}, AI_FLAG(trimItems)},
    {{"outro"}, AI_FLAG(outro)},
    {{"set"}, AI_NAME(setName)},
    {{"unset"}, AI_NAME(unsetName)},
    {{"subtitle0"}, AI_NAME(subtitle0), true},
    {{"subtitle1"}, AI_NAME(subtitle1)},
    {{"set_corpse_disappear_time"},
     [](strakcje& r, const char* v, const char*)
     {
         CopyFirstWord(r.corpseCharacter, v);
         r.corpseTime = Number(AfterFirstWord(v));
     }},
    {{"setfaza", "set_faza"},
     [](strakcje& r, const char* v, const char*)
     {
         CopyFirstWord(r.phase, v);
         Copy(r.phaseCharacter, AfterFirstWord(v));
     }},
    {{"setallfaza", "set_all_faza"},
     [](strakcje& r, const char* v, const char*)
     {
         CopyFirstWord(r.allPhase, v);
         Copy(r.allPhaseCharacter, AfterFirstWord(v));
     }},
    {{"music"}, AI_NAME(music)},
    {{"sound"}, AI_NAME(sound)},
    {{"ambient_sound"}, AI_NAME(ambientSound)},
    {{"print"}, AI_NAME(printText)},
    {{"kill_em_all", "kill_them_all"}, AI_FLAG(killEmAll)},
    {{"delete_em_all", "delete_them_all"}, AI_FLAG(deleteEmAll)},
    {{"zdrowie"}, [](strakcje& r, const char* v, const char*) { r.health = Number(v); }},
};

#undef AI_NAME
#undef AI_FLAG

// What a keyword is, and its row in its table.
enum class Kind
{
    Bool,
    Counter,
    Int,
    Level,
    CharacterFlashes,
    Action,
    ActionOnce,
    EditorAction,
    NaEdytor,
    LevelSetting,
    Record,
};
struct Keyword
{
    Kind kind;
    int row;
};
// Keywords are looked up by their first word folded to small letters.
constexpr size_t kLongestKeyword = 40;

const std::unordered_map<std::string_view, Keyword>& Keywords()
{
    static const std::unordered_map<std::string_view, Keyword> table = []
    {
        std::unordered_map<std::string_view, Keyword> t;
        const std::pair<const char*, Kind> fixed[] = {
            {"bool", Kind::Bool},
            {"licznik", Kind::Counter},
            {"counter", Kind::Counter},
            {"int", Kind::Int},
            {"level", Kind::Level},
            {"blyski_postaci", Kind::CharacterFlashes},
            {"action", Kind::Action},
            {"action_once", Kind::ActionOnce},
            {"editor_action", Kind::EditorAction},
            {"na_edytor", Kind::NaEdytor},
        };
        for (const auto& [word, kind] : fixed)
            t.emplace(word, Keyword{kind, 0});
        // The tables' words are written in small letters but for a few
        // settings; those are folded into static storage once.
        static std::string folded[std::size(kLevelKeywords)];
        for (size_t i = 0; i < std::size(kLevelKeywords); ++i)
        {
            folded[i] = kLevelKeywords[i].word;
            for (char& c : folded[i])
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            t.emplace(folded[i], Keyword{Kind::LevelSetting, static_cast<int>(i)});
        }
        for (size_t i = 0; i < std::size(kRecordKeywords); ++i)
            for (const char* word : kRecordKeywords[i].words)
                if (word)
                    t.emplace(word, Keyword{Kind::Record, static_cast<int>(i)});
        return t;
    }();
    return table;
}

// The keyword of the line's first word (without regard to case), or null.
const Keyword* FindKeyword(const char* line)
{
    char word[kLongestKeyword + 1];
    size_t n = 0;
    for (; line[n] && line[n] != ' ' && line[n] != '\t'; ++n)
    {
        if (n >= kLongestKeyword)
            return nullptr;
        const char c = line[n];
        word[n] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    const auto& table = Keywords();
    const auto found = table.find(std::string_view(word, n));
    return found == table.end() ? nullptr : &found->second;
}

template <typename T> void DeleteList(T* head, bool tracked, const char* tag)
{
    while (head)
    {
        T* older = head->older;
        delete head;
        if (tracked)
            g_Debug.RemoveAllocation(tag);
        head = older;
    }
}

void DeleteLevels(strai* levels, bool tracked)
{
    for (strai* l = levels; l; l = l->older)
    {
        DeleteList(l->actions, tracked, kActionTag);
        l->actions = nullptr;
    }
    DeleteList(levels, tracked, kLevelTag);
}
} // namespace

GameAI::~GameAI()
{
    // At exit the allocation tracker may already be gone: the records are
    // only deleted.
    DeleteLevels(m_pLevels, false);
    DeleteList(m_pVariables, false, nullptr);
}

void GameAI::Init()
{
    FreeVariables();
    FreeScripts();
    m_bLevelStarted = 0;
    m_bReportFull = 0;
    LoadScripts();
}

void GameAI::FreeScripts()
{
    DeleteLevels(m_pLevels, true);
    m_pLevels = nullptr;
    m_pCurrentLevel = nullptr;
    m_pParseLevel = nullptr;
    m_pParseCurrent = nullptr;
    m_iDeactivated = 0;
    for (auto& hit : m_szHits)
        hit[0] = 0;
}

void GameAI::LoadScripts()
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((std::string(kFolder) + "\\*.txt").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do
    {
        if (found.cFileName[0] == '.' || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        ParseScript((std::string(kFolder) + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

void GameAI::ParseScript(const char* path)
{
    FILE* file = path ? TkFopen(path, "rt") : nullptr;
    if (!file)
        return;
    char line[kLineChars + 1];
    while (!std::feof(file) && !std::ferror(file))
    {
        ReadLineOrSkip(file, line, kLineChars);
        TrimRight(line);
        ParseLine(line);
    }
    std::fclose(file);
}

// The record rule: the first condition or command after a block opener
// stores into the action's head; each further one adds a record at the head
// of the level's list, linked as the `next` of the record before it.
void GameAI::NewRecord()
{
    if (!m_pParseCurrent)
        return;
    auto* record = new strakcje;
    g_Debug.AddAllocation(kActionTag);
    strai* level = m_pParseLevel;
    record->older = level->actions;
    if (level->actions)
        level->actions->newer = record;
    level->actions = record;
    m_pParseCurrent->next = record;
}

void GameAI::ParseLine(char* line)
{
    if (!line || !line[0])
        return;
    const Keyword* keyword = FindKeyword(line);
    if (!keyword)
        return;
    const char* value = GetLineValue(line);

    switch (keyword->kind)
    {
    case Kind::Bool:
        DeclareVariable(value, strzmienne::TYPE_BOOL);
        return;
    case Kind::Counter:
        DeclareVariable(value, strzmienne::TYPE_COUNTER);
        return;
    case Kind::Int:
        DeclareVariable(value, strzmienne::TYPE_INT);
        return;
    case Kind::Level:
    {
        auto* level = new strai;
        g_Debug.AddAllocation(kLevelTag);
        Copy(level->name, value);
        level->older = m_pLevels;
        if (m_pLevels)
            m_pLevels->newer = level;
        m_pLevels = level;
        m_pParseLevel = level;
        m_pParseCurrent = nullptr;
        return;
    }
    default:
        break;
    }
    // Nothing but declarations before the first level.
    strai* level = m_pParseLevel;
    if (!level)
        return;
    switch (keyword->kind)
    {
    case Kind::CharacterFlashes:
        m_bCharacterFlashes = 1;
        return;
    case Kind::Action:
    case Kind::ActionOnce:
    case Kind::EditorAction:
    {
        auto* record = new strakcje;
        g_Debug.AddAllocation(kActionTag);
        Copy(record->name, value);
        record->once = keyword->kind == Kind::ActionOnce ? 1 : 0;
        record->editorOnly = keyword->kind == Kind::EditorAction ? 1 : 0;
        record->older = level->actions;
        if (level->actions)
            level->actions->newer = record;
        level->actions = record;
        m_pParseCurrent = nullptr;
        return;
    }
    case Kind::NaEdytor:
        // The newest named action of the level; the unnamed records that
        // follow a head are never run on their own.
        for (strakcje* a = level->actions; a; a = a->older)
            if (a->name[0])
            {
                a->editorOnly = 1;
                break;
            }
        return;
    case Kind::LevelSetting:
        kLevelKeywords[keyword->row].set(*level, value);
        return;
    case Kind::Record:
        // Conditions and commands before the level's first block are ignored.
        if (!level->actions)
            return;
        NewRecord();
        m_pParseCurrent = level->actions;
        kRecordKeywords[keyword->row].set(*m_pParseCurrent, value, line);
        // "subtitle0" lets the next line (normally "subtitle1") store into
        // the same record.
        if (kRecordKeywords[keyword->row].sharesRecord)
            m_pParseCurrent = nullptr;
        return;
    default:
        return;
    }
}
