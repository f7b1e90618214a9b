// CPostacMgr: reading the character description scripts.
//
// "scripts\postacie.txt" is read first, then the fake hero's description is
// made, then every "scripts\postacie\*.txt" in the folder's order. A "postac"
// line opens a description; phase keywords fill its current phase ("_control_"
// until the first "faza"). Every line is looked up by its first word in one
// keyword table; values are cut to their fields, full lists drop further
// lines, and lines nobody knows are skipped.
#include "characters/PostacMgr.h"

#include "characters/PostacScriptValues.h"
#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "shell/Console.h"
#include "shell/Debug.h"
#include "shell/TextUtils.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace
{
constexpr const char* TAG_FAZA = "strFaza";
constexpr const char* TAG_DESC = "strPostacDsc";
constexpr float kDegreesToRadians = 3.14159265f / 180.0f;

enum class Kind : BYTE
{
    Postac,
    Faza,
    Flag,            // sets the byte at offset
    Text,            // the rest
    Word1,           // the first word
    Number,          // the leading number of the rest
    Integer,         // "sound_category"
    FirstRest,       // first word into field 1, the rest after it into field 2
    NumberRest,      // the leading number into field 1, the words after it into field 2
    NumberWord,      // word 1 as a number into field 1, word 2 into field 2
    WordWord,        // word 1 and word 2
    Words,           // words 1 to count into count consecutive fields
    List,            // the rest appended to a strFazaList
    TextList,        // the rest appended to names at offset, count at offset 2
    NumberList,      // the leading number appended, count at offset 2
    NumberRestList,  // number and rest appended: numbers at offset 2, names at offset, count at offset 3
    WordWordList,    // word 1, word 2 appended: models at offset, sockets at offset 2, count at offset 3
    WordNumberList,  // word 1 and a number: names at offset, numbers at offset 2, count at offset 3
    ContactDistance, // a number, never under 10.0
    ContactAngle,    // degrees, stored in radians
    Sound,           // name and range
    Wound,           // "on_postrzal%i": slot in the count field
    FreeSide,        // "on_free_left", "on_free_right"
    Say,             // the rest; the subtitled byte from the value
};

enum class Target : BYTE
{
    None,
    Desc,
    Faza,
};

struct Keyword
{
    const char* key;
    Kind kind;
    Target target;
    size_t offset = 0;
    size_t size = 0;
    size_t offset2 = 0;
    size_t size2 = 0;
    size_t offset3 = 0;
    int count = 0; // list capacity, word count or slot
    // Flag bytes a keyword sets beside its value (0 for none: no flag lies at offset 0).
    size_t flag1 = 0;
    size_t flag2 = 0;
};

#define D(member) offsetof(strPostacDsc, member), sizeof(strPostacDsc::member)
#define F(member) offsetof(strFaza, member), sizeof(strFaza::member)
#define DO(member) offsetof(strPostacDsc, member)
#define FO(member) offsetof(strFaza, member)

const Keyword DESC_FLAG_KEYS[] = {
    {"partner", Kind::Flag, Target::Desc, D(partner)},
    {"hero", Kind::Flag, Target::Desc, D(hero)},
    {"zbrojny", Kind::Flag, Target::Desc, D(zbrojny)},
    {"snajper", Kind::Flag, Target::Desc, D(snajper)},
    {"RPG", Kind::Flag, Target::Desc, D(RPG)},
    {"civilian", Kind::Flag, Target::Desc, D(civilian)},
    {"debug_position", Kind::Flag, Target::Desc, D(debug_position)},
    {"burst", Kind::Flag, Target::Desc, D(burst)},
    {"silent", Kind::Flag, Target::Desc, D(silent)},
    {"nie_rozsuwaj", Kind::Flag, Target::Desc, D(nie_rozsuwaj)},
    {"nie_zostawiaj_gana", Kind::Flag, Target::Desc, D(nie_zostawiaj_gana)},
    {"plama_krwi", Kind::Flag, Target::Desc, D(plama_krwi)},
    {"weryfikuj_po_sejwie", Kind::Flag, Target::Desc, D(weryfikuj_po_sejwie)},
    {"graj_dzwiek_smierci", Kind::Flag, Target::Desc, D(graj_dzwiek_smierci)},
    {"smoke_on_hit", Kind::Flag, Target::Desc, D(smoke_on_hit)},
    {"deaf", Kind::Flag, Target::Desc, D(deaf)},
    {"destroy_on_death", Kind::Flag, Target::Desc, D(destroy_on_death)},
    {"explosion_on_death", Kind::Flag, Target::Desc, D(explosion_on_death)},
    {"kick_spine_on_death", Kind::Flag, Target::Desc, D(kick_spine_on_death)},
    {"nie_patrz_na_gracza", Kind::Flag, Target::Desc, D(nie_patrz_na_gracza)},
    {"nie_krwaw", Kind::Flag, Target::Desc, D(nie_krwaw)},
    {"nie_wyrzucaj_apteczki", Kind::Flag, Target::Desc, D(nie_wyrzucaj_apteczki)},
};

const Keyword DESC_VALUE_KEYS[] = {
    {"random_attachment", Kind::WordWordList, Target::Desc, D(random_attachment_models),
     DO(random_attachment_sockets), sizeof(strPostacDsc::random_attachment_sockets[0]),
     DO(random_attachment_count), DSC_MAX_ATTACHMENTS},
    {"anim_speed", Kind::WordNumberList, Target::Desc, D(anim_speed_names), DO(anim_speed_values), 0,
     DO(anim_speed_count), DSC_MAX_ANIM_SPEEDS},
    {"model", Kind::TextList, Target::Desc, D(models), DO(model_count), 0, 0, DSC_MAX_MODELS},
    {"oko_l", Kind::WordWord, Target::Desc, D(oko_l_model), D(oko_l_socket)},
    {"oko_p", Kind::WordWord, Target::Desc, D(oko_p_model), D(oko_p_socket)},
    {"global_on_gracz_dalej_niz", Kind::NumberWord, Target::Desc, D(global_on_gracz_dalej_niz_distance),
     D(global_on_gracz_dalej_niz)},
    {"sound_category", Kind::Integer, Target::Desc, D(sound_category)},
    {"head_shot_multiplier", Kind::Number, Target::Desc, D(head_shot_multiplier)},
    {"anim_on_alarm", Kind::Text, Target::Desc, D(anim_on_alarm)},
    {"global_on_death_activate", Kind::Text, Target::Desc, D(global_on_death_activate)},
    {"global_on_death_destroy", Kind::Text, Target::Desc, D(global_on_death_destroy)},
    {"disable_texture_on_death", Kind::Text, Target::Desc, D(disable_texture_on_death)},
    {"socket_breath", Kind::Text, Target::Desc, D(socket_breath)},
    {"socket_eyes", Kind::Text, Target::Desc, D(socket_eyes)},
    {"default_faza", Kind::Text, Target::Desc, D(default_faza)},
    {"weapon", Kind::Text, Target::Desc, D(weapon)},
    {"random_weapon", Kind::Text, Target::Desc, D(random_weapon)},
    {"smierc_gracza", Kind::Text, Target::Desc, D(smierc_gracza)},
    {"win", Kind::Text, Target::Desc, D(smierc_gracza)},
    {"global_health_detect_faza", Kind::NumberRestList, Target::Desc, D(global_health_detect_faza),
     DO(global_health_detect_health), 0, DO(global_health_detect_count), DSC_MAX_HEALTH_PHASES},
    {"corpse_disappear_time", Kind::Number, Target::Desc, D(corpse_disappear_time)},
    {"HP", Kind::Number, Target::Desc, D(HP)},
    {"odleglosc_kontaktu", Kind::ContactDistance, Target::Desc, D(odleglosc_kontaktu)},
    {"kat_kontaktu", Kind::ContactAngle, Target::Desc, D(kat_kontaktu)},
};

const Keyword FAZA_FLAG_KEYS[] = {
    {"fast", Kind::Flag, Target::Faza, F(fast)},
    {"ignore_music", Kind::Flag, Target::Faza, F(ignore_music)},
    {"not_solid", Kind::Flag, Target::Faza, F(not_solid)},
    {"nie_odbiegaj", Kind::Flag, Target::Faza, F(nie_odbiegaj)},
    {"unset_stay_on_death", Kind::Flag, Target::Faza, F(unset_stay_on_death)},
    {"preserve_sound", Kind::Flag, Target::Faza, F(preserve_sound)},
    {"ignore_glowa_gada", Kind::Flag, Target::Faza, F(ignore_glowa_gada)},
    {"dont_alert", Kind::Flag, Target::Faza, F(dont_alert)},
    {"hide_weapon", Kind::Flag, Target::Faza, F(hide_weapon)},
    {"wylacz_postrzal", Kind::Flag, Target::Faza, F(wylacz_postrzal)},
    {"fixed_rotation", Kind::Flag, Target::Faza, F(fixed_rotation)},
    {"faza_estimate", Kind::Flag, Target::Faza, F(faza_estimate)},
    {"bot", Kind::Flag, Target::Faza, F(bot)},
    {"tylko_gora", Kind::Flag, Target::Faza, F(tylko_gora)},
    {"ignore_player", Kind::Flag, Target::Faza, F(ignore_player)},
    {"no_interpolation", Kind::Flag, Target::Faza, F(no_interpolation)},
    {"reset_sciezki", Kind::Flag, Target::Faza, F(reset_sciezki)},
    {"dont_lose_weapon", Kind::Flag, Target::Faza, F(dont_lose_weapon)},
    {"alarm", Kind::Flag, Target::Faza, F(alarm)},
    {"start_OBE", Kind::Flag, Target::Faza, F(start_OBE)},
    {"ignore_gun", Kind::Flag, Target::Faza, F(ignore_gun)},
    {"shut_up", Kind::Flag, Target::Faza, F(shut_up)},
    {"notice_player", Kind::Flag, Target::Faza, F(notice_player)},
    {"go_to_center", Kind::Flag, Target::Faza, F(go_to_center)},
    {"self_delete", Kind::Flag, Target::Faza, F(self_delete)},
    {"static", Kind::Flag, Target::Faza, F(is_static)},
    {"force_display", Kind::Flag, Target::Faza, F(force_display)},
    {"no_shadow", Kind::Flag, Target::Faza, F(no_shadow)},
    {"na_pewno_ta_animacja", Kind::Flag, Target::Faza, F(na_pewno_ta_animacja)},
    {"stop_dialogue", Kind::Flag, Target::Faza, F(stop_dialogue)},
    {"zabij", Kind::Flag, Target::Faza, F(zabij)},
    {"zabij_z_fizyka", Kind::Flag, Target::Faza, F(zabij_z_fizyka)},
    {"immortal", Kind::Flag, Target::Faza, F(immortal)},
    {"nie_przerywaj", Kind::Flag, Target::Faza, F(nie_przerywaj)},
    {"nie_sprawdzaj_przejechania", Kind::Flag, Target::Faza, F(nie_sprawdzaj_przejechania)},
    {"strzal_slepy", Kind::Flag, Target::Faza, F(strzal_slepy)},
    {"odepchnij_gracza", Kind::Flag, Target::Faza, F(odepchnij_gracza)},
    {"loop", Kind::Flag, Target::Faza, F(loop)},
    {"bezier_flight", Kind::Flag, Target::Faza, F(bezier_flight)},
    {"bezier_continue", Kind::Flag, Target::Faza, F(bezier_continue)},
    {"ignore_shots", Kind::Flag, Target::Faza, F(ignore_shots)},
    {"show_weapon", Kind::Flag, Target::Faza, F(show_weapon)},
    {"obrot_do_gracza", Kind::Flag, Target::Faza, F(obrot_do_gracza)},
    {"rownaj_do_podloza", Kind::Flag, Target::Faza, F(rownaj_do_podloza)},
    {"poziomy_skret_do_gracza", Kind::Flag, Target::Faza, F(poziomy_skret_do_gracza)},
    {"pionowy_skret_do_gracza", Kind::Flag, Target::Faza, F(pionowy_skret_do_gracza)},
    {"strzal_raz", Kind::Flag, Target::Faza, F(strzal_raz)},
    {"sniper", Kind::Flag, Target::Faza, F(sniper)},
    {"explode", Kind::Flag, Target::Faza, F(explode)},
    {"moze_strzelac_w_wezle", Kind::Flag, Target::Faza, F(moze_strzelac_w_wezle)},
    {"postrzal", Kind::Flag, Target::Faza, F(postrzal)},
    {"estimate_do_gracza", Kind::Flag, Target::Faza, F(estimate_do_gracza)},
    {"estimate_kryjowka", Kind::Flag, Target::Faza, F(estimate_kryjowka)},
    {"estimate_od_gracza", Kind::Flag, Target::Faza, F(estimate_od_gracza)},
    {"estimate_do_strzalu", Kind::Flag, Target::Faza, F(estimate_do_strzalu)},
    {"estimate_kluczy", Kind::Flag, Target::Faza, F(estimate_kluczy)},
    {"estimate_bok", Kind::Flag, Target::Faza, F(estimate_bok)},
    {"estimate_right", Kind::Flag, Target::Faza, F(estimate_right)},
    {"estimate_left", Kind::Flag, Target::Faza, F(estimate_left)},
    {"force_shot", Kind::Flag, Target::Faza, F(force_shot)},
    {"wymus_strzal", Kind::Flag, Target::Faza, F(force_shot)},
    {"patrol", Kind::Flag, Target::Faza, F(patrol)},
    {"estimate_patrol", Kind::Flag, Target::Faza, F(patrol)},
};

const Keyword FAZA_TEXT_KEYS[] = {
    {"skok_na_drabinke", Kind::Text, Target::Faza, F(skok_na_drabinke)},
    {"stay_on_death_anim", Kind::Text, Target::Faza, F(stay_on_death_anim)},
    {"disable_texture", Kind::Text, Target::Faza, F(disable_texture)},
    {"push", Kind::Text, Target::Faza, F(push)},
    {"set", Kind::Text, Target::Faza, F(set)},
    {"unset", Kind::Text, Target::Faza, F(unset)},
    {"action", Kind::Text, Target::Faza, F(action)},
    {"on_brak_jedzie", Kind::Text, Target::Faza, F(on_brak_jedzie)},
    {"go_to_socket", Kind::Text, Target::Faza, F(go_to_socket)},
    {"on_death_activate", Kind::Text, Target::Faza, F(on_death_activate)},
    {"on_death_destroy", Kind::Text, Target::Faza, F(on_death_destroy)},
    {"print", Kind::Text, Target::Faza, F(print)},
    {"hero_dialogue", Kind::Text, Target::Faza, F(hero_dialogue)},
    {"anim_on_death", Kind::Text, Target::Faza, F(anim_on_death)},
    {"animacja_dn", Kind::Text, Target::Faza, F(animacja_dn)},
    {"animacja_up", Kind::Text, Target::Faza, F(animacja_up)},
    {"animacja_face", Kind::Text, Target::Faza, F(animacja_face)},
    {"bezier", Kind::Text, Target::Faza, F(bezier)},
    {"obrot_do_mesha", Kind::Text, Target::Faza, F(obrot_do_mesha)},
    {"obrot_do_postaci", Kind::Text, Target::Faza, F(obrot_do_postaci)},
    {"obrot_pion_do_gracza", Kind::Text, Target::Faza, F(obrot_pion_do_gracza)},
    {"on_any_hit", Kind::Text, Target::Faza, F(on_any_hit)},
    {"on_koniec_bezier", Kind::Text, Target::Faza, F(on_koniec_bezier)},
    {"estimate_do_postaci", Kind::Text, Target::Faza, F(estimate_do_postaci)},
    {"estimate_do_mesha", Kind::Text, Target::Faza, F(estimate_do_mesha)},
    {"on_reload", Kind::Text, Target::Faza, F(on_reload)},
    {"sound_2D", Kind::Text, Target::Faza, F(sound_2D)},
    {"subtitle0", Kind::Text, Target::Faza, F(subtitle0)},
    {"subtitle1", Kind::Text, Target::Faza, F(subtitle1)},
    {"vel", Kind::Number, Target::Faza, F(vel)},
    {"czas_trwania", Kind::Number, Target::Faza, F(czas_trwania)},
    {"obrot", Kind::Number, Target::Faza, F(obrot)},
    {"mod_obrotu", Kind::Number, Target::Faza, F(mod_obrotu)},
    {"do_gracza", Kind::Number, Target::Faza, F(do_gracza)},
    {"estimate_przod", Kind::Number, Target::Faza, F(estimate_przod)},
    {"force_speed", Kind::Number, Target::Faza, F(force_speed)},
    {"mod_y", Kind::Number, Target::Faza, F(mod_y)},
    {"mod_kier", Kind::Number, Target::Faza, F(mod_kier)},
    {"mod_rot", Kind::Number, Target::Faza, F(mod_rot)},
};

const Keyword FAZA_OTHER_KEYS[] = {
    {"faza", Kind::Faza, Target::None},
    {"stay_on_death", Kind::WordWord, Target::Faza, F(stay_on_death), F(stay_on_death2)},
    {"set_stay_on_death", Kind::WordWord, Target::Faza, F(stay_on_death), F(stay_on_death2)},
    {"health_detect_faza", Kind::NumberRestList, Target::Faza, F(health_detect_faza),
     FO(health_detect_health), 0, FO(health_detect_count), FAZA_LIST_SIZE},
    {"strzal_hero", Kind::NumberList, Target::Faza, F(strzal_hero), FO(strzal_hero_count), 0, 0,
     FAZA_MAX_STRZAL_HERO},
    {"animacja", Kind::TextList, Target::Faza, F(animacja), FO(animacja_count), 0, 0, FAZA_MAX_ANIMATIONS},
    {"on_kontakt", Kind::List, Target::Faza, F(on_kontakt)},
    {"on_shooting", Kind::List, Target::Faza, F(on_shooting)},
    {"on_koniec_widzi", Kind::List, Target::Faza, F(on_koniec_widzi)},
    {"on_koniec", Kind::List, Target::Faza, F(on_koniec)},
    {"on_closer_widzi", Kind::List, Target::Faza, F(on_closer_widzi)},
    {"on_closer", Kind::List, Target::Faza, F(on_closer)},
    {"jedzie_na", Kind::FirstRest, Target::Faza, F(jedzie_na), F(jedzie_na_rest)},
    {"attach", Kind::FirstRest, Target::Faza, F(attach), F(attach_rest)},
    {"setfaza0", Kind::FirstRest, Target::Faza, F(setfaza0), F(setfaza0_rest)},
    {"setfaza1", Kind::FirstRest, Target::Faza, F(setfaza1), F(setfaza1_rest)},
    {"rakieta", Kind::FirstRest, Target::Faza, F(rakieta), F(rakieta_rest)},
    {"FX", Kind::FirstRest, Target::Faza, F(FX), F(FX_rest)},
    {"mount", Kind::Word1, Target::Faza, F(mount)},
    {"strzal_raz_mesh", Kind::Word1, Target::Faza, F(strzal_mesh), 0, 0, 0, 0, FO(strzal_raz)},
    {"bezier_once", Kind::Text, Target::Faza, F(bezier), 0, 0, 0, 0, FO(bezier_once)},
    {"strzal", Kind::NumberRest, Target::Faza, F(shot_value), F(strzal)},
    {"strzal_mesh", Kind::NumberRest, Target::Faza, F(shot_value), F(strzal_mesh)},
    {"estimate_dokladnie_do_mesha", Kind::Text, Target::Faza, F(estimate_do_mesha), 0, 0, 0, 0,
     FO(estimate_exact)},
    {"force_estimate_do_mesha", Kind::Text, Target::Faza, F(estimate_do_mesha), 0, 0, 0, 0,
     FO(estimate_force_mesh)},
    {"force_estimate_dokladnie_do_mesha", Kind::Text, Target::Faza, F(estimate_do_mesha), 0, 0, 0, 0,
     FO(estimate_exact), FO(estimate_force_mesh)},
    {"on_gracz_blizej_niz", Kind::NumberRest, Target::Faza, F(on_gracz_blizej_niz_distance),
     F(on_gracz_blizej_niz)},
    {"on_postrzal0", Kind::Wound, Target::Faza, 0, 0, 0, 0, 0, 0},
    {"on_postrzal1", Kind::Wound, Target::Faza, 0, 0, 0, 0, 0, 1},
    {"on_postrzal2", Kind::Wound, Target::Faza, 0, 0, 0, 0, 0, 2},
    {"on_postrzal3", Kind::Wound, Target::Faza, 0, 0, 0, 0, 0, 3},
    {"on_postrzal4", Kind::Wound, Target::Faza, 0, 0, 0, 0, 0, 4},
    {"on_postrzal5", Kind::Wound, Target::Faza, 0, 0, 0, 0, 0, 5},
    {"on_free_left", Kind::FreeSide, Target::Faza, F(on_free_left), F(on_free_left_value)},
    {"on_free_right", Kind::FreeSide, Target::Faza, F(on_free_right), F(on_free_right_value)},
    {"run_to", Kind::Words, Target::Faza, F(run_to), 0, 0, 0, 4},
    {"sound", Kind::Sound, Target::Faza, F(sound), F(sound_range)},
    {"say", Kind::Say, Target::Faza, F(say), F(say_subtitled), 0, 0},
    {"say_s", Kind::Say, Target::Faza, F(say), F(say_subtitled), 0, 1},
    {"dialogue", Kind::Words, Target::Faza, F(dialogue), 0, 0, 0, 3},
};

#undef D
#undef F
#undef DO
#undef FO

const Keyword POSTAC_KEY = {"postac", Kind::Postac, Target::None};

// Every keyword by its lower-cased name. The tables do not share a name, so
// the order "description keywords, then faza, then phase keywords" is kept
// by a line's one first word filling one keyword.
class KeywordIndex
{
public:
    KeywordIndex()
    {
        Add(&POSTAC_KEY, 1);
        Add(DESC_FLAG_KEYS, std::size(DESC_FLAG_KEYS));
        Add(DESC_VALUE_KEYS, std::size(DESC_VALUE_KEYS));
        Add(FAZA_FLAG_KEYS, std::size(FAZA_FLAG_KEYS));
        Add(FAZA_TEXT_KEYS, std::size(FAZA_TEXT_KEYS));
        Add(FAZA_OTHER_KEYS, std::size(FAZA_OTHER_KEYS));
    }
    const Keyword* Find(std::string_view lowerKey) const
    {
        const auto it = m_map.find(lowerKey);
        return it == m_map.end() ? nullptr : it->second;
    }

private:
    void Add(const Keyword* keys, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
        {
            std::string lower(keys[i].key);
            for (char& c : lower)
                if (c >= 'A' && c <= 'Z')
                    c = static_cast<char>(c - 'A' + 'a');
            m_names.push_back(std::make_unique<std::string>(lower));
            m_map.emplace(*m_names.back(), &keys[i]);
        }
    }
    std::vector<std::unique_ptr<std::string>> m_names;
    std::unordered_map<std::string_view, const Keyword*> m_map;
};

const KeywordIndex& Keywords()
{
    static const KeywordIndex index;
    return index;
}

char* At(void* record, size_t offset)
{
    return static_cast<char*>(record) + offset;
}

void SetFloat(void* record, size_t offset, float value)
{
    std::memcpy(At(record, offset), &value, sizeof value);
}

DWORD GetCount(void* record, size_t offset)
{
    DWORD count;
    std::memcpy(&count, At(record, offset), sizeof count);
    return count;
}

void SetCount(void* record, size_t offset, DWORD count)
{
    std::memcpy(At(record, offset), &count, sizeof count);
}

// Fills the record's fields from one line's value.
void Fill(const Keyword& k, void* record, const char* rest)
{
    using namespace postacvalues;
    switch (k.kind)
    {
    case Kind::Flag:
        *At(record, k.offset) = 1;
        break;
    case Kind::Text:
        CopyCut(At(record, k.offset), k.size, rest);
        break;
    case Kind::Word1:
        CopyWord(At(record, k.offset), k.size, rest, 0);
        break;
    case Kind::Number:
        SetFloat(record, k.offset, LeadingNumber(rest, nullptr));
        break;
    case Kind::Integer:
    {
        const DWORD value = LeadingInteger(rest);
        std::memcpy(At(record, k.offset), &value, sizeof value);
        break;
    }
    case Kind::FirstRest:
        CopyWord(At(record, k.offset), k.size, rest, 0);
        CopyCut(At(record, k.offset2), k.size2, AfterWords(rest, 1));
        break;
    case Kind::NumberRest:
    {
        const char* after = nullptr;
        SetFloat(record, k.offset, LeadingNumber(rest, &after));
        CopyCut(At(record, k.offset2), k.size2, after);
        break;
    }
    case Kind::NumberWord:
    {
        char word[POSTAC_NAME_SIZE];
        CopyWord(word, sizeof word, rest, 0);
        SetFloat(record, k.offset, LeadingNumber(word, nullptr));
        CopyWord(At(record, k.offset2), k.size2, rest, 1);
        break;
    }
    case Kind::WordWord:
        CopyWord(At(record, k.offset), k.size, rest, 0);
        CopyWord(At(record, k.offset2), k.size2, rest, 1);
        break;
    case Kind::Words:
    {
        const size_t each = k.size / static_cast<size_t>(k.count);
        for (int i = 0; i < k.count; ++i)
            CopyWord(At(record, k.offset + each * static_cast<size_t>(i)), each, rest, i);
        break;
    }
    case Kind::List:
    {
        auto* list = reinterpret_cast<strFazaList*>(At(record, k.offset));
        if (list->count < FAZA_LIST_SIZE)
            CopyCut(list->names[list->count++], POSTAC_NAME_SIZE, rest);
        break;
    }
    case Kind::TextList:
    case Kind::NumberList:
    case Kind::NumberRestList:
    case Kind::WordWordList:
    case Kind::WordNumberList:
    {
        const size_t countAt =
            (k.kind == Kind::TextList || k.kind == Kind::NumberList) ? k.offset2 : k.offset3;
        const DWORD count = GetCount(record, countAt);
        if (count >= static_cast<DWORD>(k.count))
            break;
        const size_t each = k.size / static_cast<size_t>(k.count);
        char* entry = At(record, k.offset + each * count);
        if (k.kind == Kind::TextList)
            CopyCut(entry, each, rest);
        else if (k.kind == Kind::NumberList)
            SetFloat(record, k.offset + sizeof(float) * count, LeadingNumber(rest, nullptr));
        else if (k.kind == Kind::NumberRestList)
        {
            const char* after = nullptr;
            SetFloat(record, k.offset2 + sizeof(float) * count, LeadingNumber(rest, &after));
            CopyCut(entry, each, after);
        }
        else if (k.kind == Kind::WordWordList)
        {
            CopyWord(entry, each, rest, 0);
            CopyWord(At(record, k.offset2 + k.size2 * count), k.size2, rest, 1);
        }
        else
        {
            char word[POSTAC_NAME_SIZE];
            CopyWord(entry, each, rest, 0);
            CopyWord(word, sizeof word, rest, 1);
            SetFloat(record, k.offset2 + sizeof(float) * count, LeadingNumber(word, nullptr));
        }
        SetCount(record, countAt, count + 1);
        break;
    }
    case Kind::ContactDistance:
    {
        const float value = LeadingNumber(rest, nullptr);
        SetFloat(record, k.offset, value < MIN_CONTACT_DISTANCE ? MIN_CONTACT_DISTANCE : value);
        break;
    }
    case Kind::ContactAngle:
        SetFloat(record, k.offset, LeadingNumber(rest, nullptr) * kDegreesToRadians);
        break;
    case Kind::Sound:
    {
        char word[POSTAC_NAME_SIZE];
        CopyWord(At(record, k.offset), k.size, rest, 0);
        CopyWord(word, sizeof word, rest, 1);
        const float range = LeadingNumber(word, nullptr);
        SetFloat(record, k.offset2, range < 2.0f ? DEFAULT_SOUND_RANGE : range);
        break;
    }
    case Kind::Wound:
    {
        auto* faza = static_cast<strFaza*>(record);
        CopyWord(faza->on_postrzal[k.count], POSTAC_NAME_SIZE, rest, 0);
        const float chance = LeadingNumber(AfterWords(rest, 1), nullptr);
        if (chance > 0.0f)
            faza->wound_chance = chance;
        break;
    }
    case Kind::FreeSide:
    {
        CopyWord(At(record, k.offset), k.size, rest, 0);
        const float value = LeadingNumber(AfterWords(rest, 1), nullptr);
        SetFloat(record, k.offset2, value == 0.0f ? DEFAULT_WOUND_CHANCE : value);
        break;
    }
    case Kind::Say:
        CopyCut(At(record, k.offset), k.size, rest);
        *At(record, k.offset2) = static_cast<char>(k.count);
        break;
    case Kind::Postac:
    case Kind::Faza:
        break;
    }
    if (k.flag1)
        *At(record, k.flag1) = 1;
    if (k.flag2)
        *At(record, k.flag2) = 1;
}
// Phases freed with the descriptions are kept for the next reading: a level's
// reload then fills memory it already has instead of taking fresh pages for
// every 9 KB phase and faulting each of them in again.
static_assert(std::is_trivially_copyable_v<strFaza> && std::is_standard_layout_v<strFaza>,
              "a phase is cleared to its defaults byte by byte");

class FazaPool
{
public:
    FazaPool() = default;
    FazaPool(const FazaPool&) = delete;
    FazaPool& operator=(const FazaPool&) = delete;

    // A phase with every byte zero, as a fresh value-initialised one.
    strFaza* Take()
    {
        void* memory;
        if (!m_free.empty())
        {
            memory = m_free.back();
            m_free.pop_back();
        }
        else
        {
            memory = ::operator new(sizeof(strFaza), std::nothrow);
            if (!memory)
                return nullptr;
        }
        std::memset(memory, 0, sizeof(strFaza));
        return static_cast<strFaza*>(memory);
    }

    void Give(strFaza* f)
    {
        try
        {
            m_free.push_back(f);
        }
        catch (const std::bad_alloc&)
        {
            ::operator delete(f);
        }
    }

private:
    std::vector<strFaza*> m_free;
};

// Never destroyed: descriptions may still be freed while the program's
// globals go, after a pool destroyed in turn would be gone.
FazaPool& Pool()
{
    static FazaPool* pool = new FazaPool;
    return *pool;
}
} // namespace

// ---- The tables ----------------------------------------------------------------------------

CPostacMgr PMgr;

CPostacMgr::CPostacMgr()
    : m_DescriptionStore(new strPostacDsc[MAX_POSTAC_DESCRIPTIONS]()),
      m_PostacStore(new strpostac[MAX_POSTACI]())
{
    m_Descriptions = m_DescriptionStore.get();
    m_Postacie = m_PostacStore.get();
}

CPostacMgr::~CPostacMgr()
{
    // The phases go with the program; the tracker is not told, it is gone by now.
    for (int i = 0; i < MAX_POSTAC_DESCRIPTIONS; ++i)
        for (strFaza* f = m_Descriptions[i].newest; f;)
        {
            strFaza* previous = f->previous;
            ::operator delete(f);
            f = previous;
        }
}

strPostacDsc* CPostacMgr::AddDescription()
{
    for (int i = 0; i < MAX_POSTAC_DESCRIPTIONS; ++i)
    {
        strPostacDsc& d = m_Descriptions[i];
        if (d.used)
            continue;
        std::memset(&d, 0, sizeof d);
        d.used = 1;
        d.head_shot_multiplier = DEFAULT_HEAD_SHOT_MULTIPLIER;
        d.burst = 1;
        g_Debug.AddAllocation(TAG_DESC);
        strFaza* control = AddFaza(&d);
        if (control)
            CopyCut(control->name, sizeof control->name, CONTROL_FAZA);
        return &d;
    }
    return nullptr;
}

strPostacDsc* CPostacMgr::FindDescription(const char* name)
{
    if (!name)
        return nullptr;
    for (int i = 0; i < MAX_POSTAC_DESCRIPTIONS; ++i)
        if (m_Descriptions[i].used && CompareNoCase(m_Descriptions[i].name, name) == 0)
            return &m_Descriptions[i];
    return nullptr;
}

strFaza* CPostacMgr::AddFaza(strPostacDsc* desc)
{
    if (!desc)
        return nullptr;
    strFaza* faza = Pool().Take();
    if (!faza)
        return nullptr;
    g_Debug.AddAllocation(TAG_FAZA);
    faza->previous = desc->newest;
    if (desc->newest)
        desc->newest->next = faza;
    desc->newest = faza;
    faza->mod_obrotu = 1.0f;
    faza->index = desc->faza_count++;
    return faza;
}

strFaza* CPostacMgr::FindFaza(const strPostacDsc* desc, const char* name)
{
    if (!desc || !name)
        return nullptr;
    for (strFaza* f = desc->newest; f; f = f->previous)
        if (CompareNoCase(f->name, name) == 0)
            return f;
    return nullptr;
}

void CPostacMgr::FreeDescriptions()
{
    for (int i = 0; i < MAX_POSTAC_DESCRIPTIONS; ++i)
    {
        strPostacDsc& d = m_Descriptions[i];
        for (strFaza* f = d.newest; f;)
        {
            strFaza* previous = f->previous;
            Pool().Give(f);
            g_Debug.RemoveAllocation(TAG_FAZA);
            f = previous;
        }
        d.newest = nullptr;
        d.faza_count = 0;
        if (d.used)
            g_Debug.RemoveAllocation(TAG_DESC);
        d.used = 0;
    }
}

// ---- Reading -----------------------------------------------------------------------------

void CPostacMgr::LoadDescriptions()
{
    ParseDescriptions(DESCRIPTIONS_FILE);
    if (strPostacDsc* hero = AddDescription())
    {
        CopyCut(hero->name, sizeof hero->name, FAKE_HERO_DESCRIPTION);
        // The one description whose contact distance stays under the floor.
        hero->odleglosc_kontaktu = 0.0f;
    }
    std::string pattern = std::string(DESCRIPTIONS_FOLDER) + "*.txt";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do
    {
        if (found.cFileName[0] == '.' || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        ParseDescriptions((std::string(DESCRIPTIONS_FOLDER) + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void CPostacMgr::ParseDescriptions(const char* path)
{
    if (!path)
        return;
    FILE* file = TkFopen(path, "rb");
    if (!file)
        return;
    const KeywordIndex& index = Keywords();
    strPostacDsc* desc = nullptr;
    strFaza* faza = nullptr;
    char line[LINE_CHARS + 1];
    while (!std::feof(file))
    {
        ReadLine(file, line, LINE_CHARS);
        TrimRight(line);
        char key[128];
        size_t length = 0;
        while (line[length] && line[length] != ' ' && line[length] != '\t' && length < sizeof key - 1)
        {
            const char c = line[length];
            key[length++] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
        if (length == 0)
            continue;
        const Keyword* k = index.Find(std::string_view(key, length));
        if (!k)
            continue;
        const char* rest = postacvalues::RestOf(line);
        if (k->kind == Kind::Postac)
        {
            desc = AddDescription();
            faza = desc ? desc->newest : nullptr;
            if (desc)
            {
                CopyCut(desc->name, sizeof desc->name, rest);
                desc->odleglosc_kontaktu = MIN_CONTACT_DISTANCE;
            }
            continue;
        }
        if (!desc)
            continue;
        if (k->kind == Kind::Faza)
        {
            char name[POSTAC_NAME_SIZE];
            if (std::strlen(rest) > POSTAC_NAME_SIZE - 1)
            {
                g_Console.Print2(rest, " - zbyt dluga nazwa fazy!");
                AppendLogLine(rest);
                AppendLogLine("  - zbyt dluga nazwa fazy!");
            }
            CopyCut(name, sizeof name, rest);
            faza = FindFaza(desc, name);
            if (!faza)
            {
                faza = AddFaza(desc);
                if (faza)
                {
                    CopyCut(faza->name, sizeof faza->name, name);
                    faza->wound_chance = DEFAULT_WOUND_CHANCE;
                }
            }
            continue;
        }
        if (k->target == Target::Desc)
            Fill(*k, desc, rest);
        else if (k->target == Target::Faza && faza)
            Fill(*k, faza, rest);
    }
    std::fclose(file);
}

namespace
{
const char* RandomFrom(const strpostac* p, const strFazaList strFaza::*list)
{
    if (!p || !p->faza)
        return "";
    const strFazaList& l = p->faza->*list;
    if (l.count == 0)
        return "";
    return l.names[static_cast<DWORD>(std::rand()) % l.count];
}
} // namespace

const char* CPostacMgr::RandomEndPhase(const strpostac* p)
{
    return RandomFrom(p, &strFaza::on_koniec);
}
const char* CPostacMgr::RandomEndSeenPhase(const strpostac* p)
{
    return RandomFrom(p, &strFaza::on_koniec_widzi);
}
const char* CPostacMgr::RandomCloserPhase(const strpostac* p)
{
    return RandomFrom(p, &strFaza::on_closer);
}
const char* CPostacMgr::RandomCloserSeenPhase(const strpostac* p)
{
    return RandomFrom(p, &strFaza::on_closer_widzi);
}
