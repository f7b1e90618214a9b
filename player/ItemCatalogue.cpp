// EItemMgr: reading the item catalogue "scripts\items.txt".
//
// One "item" line opens a description; every later line until the next "item"
// fills it through the keyword table below, tested in its order. The reader
// takes what it can from a damaged file: a value too long for its field is
// cut, list entries past the eighth are dropped, and lines it does not know
// are skipped; each kind of trouble is reported once with the file's name.
#include "player/ItemCatalogue.h"

#include "environment/FxMgr.h"
#include "platform/win32/Path.h"
#include "player/ItemMgr.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "world/TrackedAlloc.h"

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace
{
constexpr const char* TAG_ITEM_DESC = "EItemDesc";
constexpr float kDefaultReloadSpeed = 1.0f;
constexpr int kLineChars = 256; // characters of one catalogue line

#define ITEM_FIELD(member) offsetof(EItemDesc, member), sizeof(EItemDesc::member)

constexpr ItemKeyword KEYWORDS[] = {
    {"item", ItemKeyword::Item, 0, 0},
    {"Name", ItemKeyword::Text, ITEM_FIELD(Name)},
    {"anim_add_name", ItemKeyword::Text, ITEM_FIELD(anim_add_name)},
    {"Weapon", ItemKeyword::Flag, ITEM_FIELD(Weapon)},
    {"silenced", ItemKeyword::Flag, ITEM_FIELD(silenced)},
    {"Painkiller", ItemKeyword::Flag, ITEM_FIELD(Painkiller)},
    {"Lethal", ItemKeyword::Flag, ITEM_FIELD(Lethal)},
    {"no_aim", ItemKeyword::NoAim, ITEM_FIELD(aimAllowed)},
    {"fix_empty_nodes", ItemKeyword::Flag, ITEM_FIELD(fix_empty_nodes)},
    {"Ico_Otherweap", ItemKeyword::Text, ITEM_FIELD(Ico_Otherweap)},
    {"Ico_Currweap", ItemKeyword::Text, ITEM_FIELD(Ico_Currweap)},
    {"zasieg", ItemKeyword::Range, ITEM_FIELD(zasieg)},
    {"predkosc", ItemKeyword::Float, ITEM_FIELD(predkosc)},
    {"rotateY", ItemKeyword::Float, ITEM_FIELD(rotateY)},
    {"rotateY_aim", ItemKeyword::Float, ITEM_FIELD(rotateY_aim)},
    {"rotateX", ItemKeyword::Float, ITEM_FIELD(rotateX)},
    {"rotateX_aim", ItemKeyword::Float, ITEM_FIELD(rotateX_aim)},
    {"EnemySocketR", ItemKeyword::Text, ITEM_FIELD(EnemySocketR)},
    {"EnemySocketL", ItemKeyword::Text, ITEM_FIELD(EnemySocketL)},
    {"Unique_Id", ItemKeyword::Integer, ITEM_FIELD(Unique_Id)},
    {"Single_Shot", ItemKeyword::Flag, ITEM_FIELD(Single_Shot)},
    {"full_ammo", ItemKeyword::Flag, ITEM_FIELD(full_ammo)},
    {"powerful_bullet", ItemKeyword::Flag, ITEM_FIELD(powerful_bullet)},
    {"slow_down", ItemKeyword::Float, ITEM_FIELD(slow_down)},
    {"reload_anim_coef", ItemKeyword::Float, ITEM_FIELD(reload_anim_coef)},
    {"Hit", ItemKeyword::Float, ITEM_FIELD(Hit)},
    {"Enemy_Hit", ItemKeyword::Float, ITEM_FIELD(Enemy_Hit)},
    {"Partner_Hit", ItemKeyword::Float, ITEM_FIELD(Partner_Hit)},
    {"Rocket_Launcher", ItemKeyword::Flag, ITEM_FIELD(Rocket_Launcher)},
    {"Grenade_Launcher", ItemKeyword::Flag, ITEM_FIELD(Grenade_Launcher)},
    {"Bright_Bullet", ItemKeyword::Flag, ITEM_FIELD(Bright_Bullet)},
    {"dispersion", ItemKeyword::Float, ITEM_FIELD(dispersion)},
    {"HitBack", ItemKeyword::Float, ITEM_FIELD(HitBack)},
    {"Shotgun", ItemKeyword::Flag, ITEM_FIELD(Shotgun)},
    {"Grenade", ItemKeyword::Flag, ITEM_FIELD(Grenade)},
    {"Ammo", ItemKeyword::Count, ITEM_FIELD(Ammo)},
    {"Max_Ammo_Carried", ItemKeyword::Count, ITEM_FIELD(Max_Ammo_Carried)},
    {"Snajper_Celownik", ItemKeyword::Flag, ITEM_FIELD(Snajper_Celownik)},
    {"GLauncher_Celownik", ItemKeyword::Flag, ITEM_FIELD(GLauncher_Celownik)},
    {"MP_Celownik", ItemKeyword::Flag, ITEM_FIELD(MP_Celownik)},
    {"Latarka", ItemKeyword::Flag, ITEM_FIELD(Latarka)},
    {"Big_Gun", ItemKeyword::Flag, ITEM_FIELD(Big_Gun)},
    {"Laser", ItemKeyword::Flag, ITEM_FIELD(Laser)},
    {"Light_Socket", ItemKeyword::Text, ITEM_FIELD(Light_Socket)},
    {"Socket_Hit", ItemKeyword::Text, ITEM_FIELD(Socket_Hit)},
    {"Anim_Shoot", ItemKeyword::Text, ITEM_FIELD(Anim[ANIM_SHOOT])},
    {"Anim_Last_Bullet_Shoot", ItemKeyword::Text, ITEM_FIELD(Anim[ANIM_LAST_BULLET_SHOOT])},
    {"Anim_Idle", ItemKeyword::Text, ITEM_FIELD(Anim[ANIM_IDLE])},
    {"Anim_Hit", ItemKeyword::Text, ITEM_FIELD(Anim[ANIM_HIT])},
    {"Anim_Hit2", ItemKeyword::Text, ITEM_FIELD(Anim[ANIM_HIT2])},
    {"Anim_Reload", ItemKeyword::Text, ITEM_FIELD(Anim[ANIM_RELOAD])},
    {"Anim_Aim", ItemKeyword::Text, ITEM_FIELD(Anim[ANIM_AIM])},
    {"Anim_Bieg", ItemKeyword::Text, ITEM_FIELD(Anim[ANIM_BIEG])},
    {"Anim_Select", ItemKeyword::Text, ITEM_FIELD(Anim[ANIM_SELECT])},
    {"Reload_Sound", ItemKeyword::Text, ITEM_FIELD(Reload_Sound)},
    {"Draw_Sound", ItemKeyword::Text, ITEM_FIELD(Draw_Sound)},
    {"Enemy_Shoot_FX", ItemKeyword::FxList, ITEM_FIELD(Enemy_Shoot_FX)},
    {"Player_Shoot_FX", ItemKeyword::PlayerFxList, ITEM_FIELD(Player_Shoot_FX)},
    {"Player_After_Shoot_FX", ItemKeyword::FxList, ITEM_FIELD(Player_After_Shoot_FX)},
    {"Hit_Concrete_FX", ItemKeyword::FxList, ITEM_FIELD(HitFx[SURFACE_CONCRETE])},
    {"Hit_Snow_FX", ItemKeyword::FxList, ITEM_FIELD(HitFx[SURFACE_SNOW])},
    {"Hit_Metal_FX", ItemKeyword::FxList, ITEM_FIELD(HitFx[SURFACE_METAL])},
    {"Hit_Wood_FX", ItemKeyword::FxList, ITEM_FIELD(HitFx[SURFACE_WOOD])},
    {"Hit_Sand_FX", ItemKeyword::FxList, ITEM_FIELD(HitFx[SURFACE_SAND])},
    {"Hit_Water_FX", ItemKeyword::FxList, ITEM_FIELD(HitFx[SURFACE_WATER])},
    {"Hit_Coal_FX", ItemKeyword::FxList, ITEM_FIELD(HitFx[SURFACE_COAL])},
    {"Hit_Glass_FX", ItemKeyword::FxList, ITEM_FIELD(HitFx[SURFACE_GLASS])},
    {"Hit_Plastic_FX", ItemKeyword::FxList, ITEM_FIELD(HitFx[SURFACE_PLASTIC])},
    {"Hit_Body_FX", ItemKeyword::FxList, ITEM_FIELD(HitFx[SURFACE_BODY])},
    {"Cut_Concrete_FX", ItemKeyword::FxList, ITEM_FIELD(CutFx[SURFACE_CONCRETE])},
    {"Cut_Snow_FX", ItemKeyword::FxList, ITEM_FIELD(CutFx[SURFACE_SNOW])},
    {"Cut_Metal_FX", ItemKeyword::FxList, ITEM_FIELD(CutFx[SURFACE_METAL])},
    {"Cut_Wood_FX", ItemKeyword::FxList, ITEM_FIELD(CutFx[SURFACE_WOOD])},
    {"Cut_Sand_FX", ItemKeyword::FxList, ITEM_FIELD(CutFx[SURFACE_SAND])},
    {"Cut_Water_FX", ItemKeyword::FxList, ITEM_FIELD(CutFx[SURFACE_WATER])},
    {"Cut_Body_FX", ItemKeyword::FxList, ITEM_FIELD(CutFx[SURFACE_BODY])},
    {"Shoot_Sound", ItemKeyword::SoundList, ITEM_FIELD(Shoot_Sound)},
    {"Shoot_Sound_Enemy", ItemKeyword::SoundList, ITEM_FIELD(Shoot_Sound_Enemy)},
    {"Shoot_Socket", ItemKeyword::Text, ITEM_FIELD(Shoot_Socket)},
    {"Shoot_Socket_Enemy", ItemKeyword::Text, ITEM_FIELD(Shoot_Socket_Enemy)},
    {"Shoot_Delay", ItemKeyword::Float, ITEM_FIELD(Shoot_Delay)},
    {"Shoot_Delay_Last", ItemKeyword::Float, ITEM_FIELD(Shoot_Delay_Last)},
    {"Drop_Object", ItemKeyword::Text, ITEM_FIELD(Drop_Object)},
    {"Ammo_Icon", ItemKeyword::Text, ITEM_FIELD(Ammo_Icon)},
    {"Top_Icon", ItemKeyword::Text, ITEM_FIELD(Top_Icon)},
    {"Held_Object", ItemKeyword::Text, ITEM_FIELD(Held_Object)},
    {"Carried_Pos", ItemKeyword::Vector, ITEM_FIELD(Carried_Pos)},
    {"Aim_Pos", ItemKeyword::AimPos, ITEM_FIELD(Aim_Pos)},
    {"Aim_Fov", ItemKeyword::Float, ITEM_FIELD(Aim_Fov)},
    {"Scale", ItemKeyword::Float, ITEM_FIELD(Scale)},
    {"Movement", ItemKeyword::Float, ITEM_FIELD(Movement)},
};

#undef ITEM_FIELD

// A number as the catalogue writes it; what is no number, or no finite one, is 0.
float ParseFloat(const char* text)
{
    const double v = std::strtod(text, nullptr);
    if (!std::isfinite(v))
        return 0.0f;
    constexpr double kLargest = std::numeric_limits<float>::max();
    if (v > kLargest)
        return std::numeric_limits<float>::max();
    if (v < -kLargest)
        return -std::numeric_limits<float>::max();
    return static_cast<float>(v);
}

long long ParseInteger(const char* text)
{
    const long long v = std::strtoll(text, nullptr, 10);
    if (v > UINT_MAX)
        return UINT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return v;
}

// What one reading of the file has found wrong, each kind reported once at the end.
struct Trouble
{
    int cutValues = 0;
    int firstCutLine = 0;
    int longLines = 0;
    int firstLongLine = 0;
    int unknown = 0;
    int firstUnknownLine = 0;
    std::string firstUnknown;
    int droppedEntries = 0;
    int firstDroppedLine = 0;
    int duplicates = 0;
    std::string firstDuplicate;
    int orphanLines = 0;
};

// Copies the value into a field of `size` bytes; false when it had to be cut.
bool CopyValue(char* field, size_t size, const char* value)
{
    const size_t n = std::strlen(value);
    const size_t kept = n < size ? n : size - 1;
    std::memcpy(field, value, kept);
    field[kept] = 0;
    return kept == n;
}

void NoteCut(Trouble& t, int line)
{
    if (t.cutValues++ == 0)
        t.firstCutLine = line;
}

void NoteDropped(Trouble& t, int line)
{
    if (t.droppedEntries++ == 0)
        t.firstDroppedLine = line;
}

void Report(const Trouble& t)
{
    char text[EConsole::PRINT_MAX];
    if (t.longLines)
    {
        std::snprintf(text, sizeof text,
                      "%s: %d line(s) longer than %d characters were cut (first at line %d)", ITEMS_FILE,
                      t.longLines, kLineChars, t.firstLongLine);
        g_Console.Print(text);
    }
    if (t.cutValues)
    {
        std::snprintf(text, sizeof text,
                      "%s: %d value(s) longer than their fields were cut (first at line %d)", ITEMS_FILE,
                      t.cutValues, t.firstCutLine);
        g_Console.Print(text);
    }
    if (t.droppedEntries)
    {
        std::snprintf(text, sizeof text, "%s: %d list entries past the %dth were ignored (first at line %d)",
                      ITEMS_FILE, t.droppedEntries, ITEM_LIST_ENTRIES, t.firstDroppedLine);
        g_Console.Print(text);
    }
    if (t.unknown)
    {
        std::snprintf(text, sizeof text,
                      "%s: %d line(s) with unknown keywords were ignored (first \"%.64s\" at line %d)",
                      ITEMS_FILE, t.unknown, t.firstUnknown.c_str(), t.firstUnknownLine);
        g_Console.Print(text);
    }
    if (t.orphanLines)
    {
        std::snprintf(text, sizeof text, "%s: %d line(s) before the first \"item\" were ignored", ITEMS_FILE,
                      t.orphanLines);
        g_Console.Print(text);
    }
    if (t.duplicates)
    {
        std::snprintf(text, sizeof text,
                      "%s: %d item name(s) given again (first \"%.32s\"); the later entry is used",
                      ITEMS_FILE, t.duplicates, t.firstDuplicate.c_str());
        g_Console.Print(text);
    }
}

void AddFx(ItemFxList& list, const char* value, bool playerList, Trouble& t, int line)
{
    if (list.count >= ITEM_LIST_ENTRIES)
    {
        NoteDropped(t, line);
        return;
    }
    const DWORD i = list.count++;
    if (!CopyValue(list.names[i], sizeof list.names[i], value))
        NoteCut(t, line);
    list.defs[i] = g_FxMgr.FindFxDef(list.names[i]);
    if (!list.defs[i] && playerList)
        g_Console.Print2("Weapon FX failed: ", list.names[i]);
}

void AddSound(ItemSoundList& list, const char* value, Trouble& t, int line)
{
    if (list.count >= ITEM_LIST_ENTRIES)
    {
        NoteDropped(t, line);
        return;
    }
    const DWORD i = list.count++;
    if (!CopyValue(list.names[i], sizeof list.names[i], value))
        NoteCut(t, line);
}

void ParseVector3(const char* value, float* out)
{
    ParseVector(value, out);
    for (int i = 0; i < 3; ++i)
        if (!std::isfinite(out[i]))
            out[i] = 0.0f;
}

void Apply(EItemDesc& d, const ItemKeyword& k, const char* value, Trouble& t, int line)
{
    BYTE* base = reinterpret_cast<BYTE*>(&d);
    void* field = base + k.offset;
    switch (k.kind)
    {
    case ItemKeyword::Item:
        break;
    case ItemKeyword::Text:
        if (!CopyValue(static_cast<char*>(field), k.size, value))
            NoteCut(t, line);
        break;
    case ItemKeyword::Flag:
        *static_cast<BYTE*>(field) = 1;
        break;
    case ItemKeyword::NoAim:
        *static_cast<BYTE*>(field) = 0;
        break;
    case ItemKeyword::Float:
        *static_cast<float*>(field) = ParseFloat(value);
        break;
    case ItemKeyword::Range:
        *static_cast<float*>(field) = ITEM_RANGE_FACTOR * ParseFloat(value);
        break;
    case ItemKeyword::Integer:
        *static_cast<DWORD*>(field) = static_cast<DWORD>(ParseInteger(value));
        break;
    case ItemKeyword::Count:
    {
        // A negative count would become a huge magazine: it counts as none.
        const long long v = ParseInteger(value);
        *static_cast<DWORD*>(field) = v < 0 ? 0 : static_cast<DWORD>(v);
        break;
    }
    case ItemKeyword::FxList:
    case ItemKeyword::PlayerFxList:
        AddFx(*static_cast<ItemFxList*>(field), value, k.kind == ItemKeyword::PlayerFxList, t, line);
        break;
    case ItemKeyword::SoundList:
        AddSound(*static_cast<ItemSoundList*>(field), value, t, line);
        break;
    case ItemKeyword::Vector:
        ParseVector3(value, static_cast<float*>(field));
        break;
    case ItemKeyword::AimPos:
        ParseVector3(value, static_cast<float*>(field));
        d.aimAllowed = 1;
        break;
    }
}
} // namespace

const ItemKeyword* ItemKeywords(size_t* count)
{
    if (count)
        *count = sizeof KEYWORDS / sizeof KEYWORDS[0];
    return KEYWORDS;
}

const ItemKeyword* FindItemKeyword(const char* line)
{
    for (const ItemKeyword& k : KEYWORDS)
        if (IsKeyword(line, k.keyword))
            return &k;
    return nullptr;
}

void EItemMgr::LoadDescriptions()
{
    FILE* file = TkFopen(ITEMS_FILE, "rb");
    if (!file)
        return;
    Trouble trouble;
    char line[kLineChars + 1];
    int number = 0;
    EItemDesc* current = nullptr;
    for (;;)
    {
        const int c = std::fgetc(file);
        if (c == EOF)
            break;
        std::ungetc(c, file);
        ++number;
        if (!ReadLineOrSkip(file, line, kLineChars))
        {
            if (trouble.longLines++ == 0)
                trouble.firstLongLine = number;
        }
        const ItemKeyword* k = FindItemKeyword(line);
        if (k && k->kind == ItemKeyword::Item)
        {
            EItemDesc* d = NewTracked<EItemDesc>(TAG_ITEM_DESC);
            d->reload_anim_coef = kDefaultReloadSpeed;
            if (!CopyValue(d->name, sizeof d->name, GetLineValue(line)))
                NoteCut(trouble, number);
            if (FindDescription(d->name) && trouble.duplicates++ == 0)
                trouble.firstDuplicate = d->name;
            d->older = m_pDescriptions;
            if (m_pDescriptions)
                m_pDescriptions->newer = d;
            m_pDescriptions = d;
            current = d;
            continue;
        }
        if (!k)
        {
            // Blank lines and comments are not worth a report.
            const char* first = GetToken(line, 0);
            if (first[0] && !(first[0] == '/' && first[1] == '/') && first[0] != ';' && first[0] != '#')
            {
                if (trouble.unknown++ == 0)
                {
                    trouble.firstUnknown = first;
                    trouble.firstUnknownLine = number;
                }
            }
            continue;
        }
        if (!current)
        {
            ++trouble.orphanLines;
            continue;
        }
        Apply(*current, *k, GetLineValue(line), trouble, number);
    }
    std::fclose(file);
    Report(trouble);
}

EItemDesc* EItemMgr::FindDescription(const char* name)
{
    if (!name)
        return nullptr;
    for (EItemDesc* d = m_pDescriptions; d; d = d->older)
        if (CompareNoCase(d->name, name) == 0)
            return d;
    return nullptr;
}

EItemDesc* EItemMgr::FindDescriptionById(DWORD uniqueId)
{
    for (EItemDesc* d = m_pDescriptions; d; d = d->older)
        if (d->Unique_Id == uniqueId)
            return d;
    return nullptr;
}

void EItemMgr::FreeDescriptions()
{
    while (m_pDescriptions)
    {
        EItemDesc* older = m_pDescriptions->older;
        DeleteTracked(m_pDescriptions, TAG_ITEM_DESC);
        m_pDescriptions = older;
    }
}

void EItemMgr::CheckUniqueIds()
{
    for (EItemDesc* d = m_pDescriptions; d; d = d->older)
        if (d->Weapon && d->Unique_Id >= MAX_ROZNYCH_BRONI)
            g_Console.Print2("FATAL: dsc->dwUniqueId>=MAX_ROZNYCH_BRONI for ", d->name);
}
