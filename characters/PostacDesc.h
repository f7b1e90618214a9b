#pragma once
// The character descriptions read from "scripts\postacie.txt" and
// "scripts\postacie\*.txt": strPostacDsc, one kind of character, and strFaza,
// one phase of its behaviour. Each field is named after the keyword that
// fills it; the scripts are read once per run and never changed afterwards.

#include "platform/win32/WinTypes.h"

#include <cstddef>

constexpr int MAX_POSTAC_DESCRIPTIONS = 128;
constexpr int FAZA_LIST_SIZE = 8;
constexpr int FAZA_MAX_ANIMATIONS = 8;
constexpr int FAZA_MAX_STRZAL_HERO = 31;
constexpr int FAZA_WOUND_SLOTS = 6;
constexpr int DSC_MAX_ANIM_SPEEDS = 64;
constexpr int DSC_MAX_ATTACHMENTS = 8;
constexpr int DSC_MAX_MODELS = 8;
constexpr int DSC_MAX_HEALTH_PHASES = 8;
constexpr size_t POSTAC_NAME_SIZE = 64;
constexpr size_t POSTAC_PATH_SIZE = 256;
constexpr size_t POSTAC_TEXT_SIZE = 128;
// The contact distance of a description is never below this (the fake hero's
// 0.0 is the one exception).
constexpr float MIN_CONTACT_DISTANCE = 10.0f;
constexpr float DEFAULT_WOUND_CHANCE = 0.25f;
constexpr float DEFAULT_SOUND_RANGE = 120.0f;
constexpr float DEFAULT_HEAD_SHOT_MULTIPLIER = 10.0f;

using PhaseName = char[POSTAC_NAME_SIZE];

// A list of up to eight phase names.
struct strFazaList
{
    PhaseName names[FAZA_LIST_SIZE];
    DWORD count;
};

struct strFaza
{
    DWORD index;
    char name[POSTAC_NAME_SIZE];
    DWORD animacja_count;
    char animacja[FAZA_MAX_ANIMATIONS][POSTAC_NAME_SIZE];
    char animacja_dn[POSTAC_NAME_SIZE];
    char animacja_up[POSTAC_NAME_SIZE];
    char anim_on_death[POSTAC_NAME_SIZE];
    char animacja_face[POSTAC_NAME_SIZE];
    BYTE nie_przerywaj;
    BYTE ignore_music;
    BYTE loop;
    BYTE is_static;
    BYTE show_weapon;
    BYTE obrot_do_gracza;
    BYTE na_pewno_ta_animacja;
    BYTE estimate_exact; // "estimate_dokladnie_do_mesha"
    BYTE rownaj_do_podloza;
    BYTE shut_up;
    BYTE faza_estimate;
    BYTE notice_player;
    BYTE force_shot; // "force_shot" or "wymus_strzal"
    BYTE sniper;
    BYTE hide_weapon;
    BYTE dont_lose_weapon;
    BYTE wylacz_postrzal;
    BYTE ignore_gun;
    BYTE ignore_player;
    BYTE dont_alert;
    BYTE not_solid;
    float strzal_hero[FAZA_MAX_STRZAL_HERO];
    DWORD strzal_hero_count;
    BYTE ignore_shots;
    BYTE tylko_gora;
    BYTE start_OBE;
    BYTE nie_odbiegaj;
    BYTE ignore_glowa_gada;
    BYTE preserve_sound;
    BYTE zabij_z_fizyka;
    BYTE fixed_rotation;
    char skok_na_drabinke[POSTAC_NAME_SIZE];
    BYTE alarm;
    float vel;
    char obrot_do_mesha[POSTAC_NAME_SIZE];
    char obrot_do_postaci[POSTAC_NAME_SIZE];
    char stay_on_death[POSTAC_NAME_SIZE];
    char stay_on_death2[POSTAC_NAME_SIZE];
    char stay_on_death_anim[POSTAC_NAME_SIZE];
    BYTE unset_stay_on_death;
    char push[POSTAC_NAME_SIZE];
    BYTE reset_sciezki;
    float czas_trwania;
    BYTE bot;
    BYTE fast;
    char go_to_socket[POSTAC_NAME_SIZE];
    BYTE go_to_center;
    char disable_texture[POSTAC_TEXT_SIZE];
    BYTE nie_sprawdzaj_przejechania;
    char mount[POSTAC_NAME_SIZE];
    char jedzie_na[POSTAC_NAME_SIZE];
    char jedzie_na_rest[POSTAC_NAME_SIZE];
    char bezier[POSTAC_NAME_SIZE];
    BYTE bezier_continue;
    BYTE bezier_once;
    BYTE bezier_flight;
    BYTE no_interpolation;
    BYTE force_display;
    BYTE no_shadow;
    char attach[POSTAC_NAME_SIZE];
    char attach_rest[POSTAC_NAME_SIZE];
    BYTE postrzal;
    char set[POSTAC_NAME_SIZE];
    char unset[POSTAC_NAME_SIZE];
    char action[POSTAC_NAME_SIZE];
    char setfaza0[POSTAC_NAME_SIZE];
    char setfaza0_rest[POSTAC_NAME_SIZE];
    char setfaza1[POSTAC_NAME_SIZE];
    char setfaza1_rest[POSTAC_NAME_SIZE];
    char strzal[POSTAC_NAME_SIZE];
    char strzal_mesh[POSTAC_NAME_SIZE];
    char rakieta[POSTAC_NAME_SIZE];
    char rakieta_rest[POSTAC_NAME_SIZE];
    BYTE self_delete;
    BYTE strzal_raz;
    BYTE zabij;
    BYTE odepchnij_gracza;
    BYTE patrol; // "patrol" or "estimate_patrol"
    BYTE estimate_do_gracza;
    BYTE estimate_kryjowka;
    BYTE estimate_od_gracza;
    BYTE estimate_do_strzalu;
    BYTE estimate_kluczy;
    BYTE estimate_bok;
    BYTE estimate_right;
    BYTE estimate_left;
    char estimate_do_mesha[POSTAC_NAME_SIZE];
    char estimate_do_postaci[POSTAC_NAME_SIZE];
    float estimate_przod;
    BYTE estimate_force_mesh; // "force_estimate_do_mesha"
    BYTE poziomy_skret_do_gracza;
    BYTE pionowy_skret_do_gracza;
    BYTE moze_strzelac_w_wezle;
    BYTE strzal_slepy;
    BYTE explode;
    BYTE immortal;
    float force_speed;
    float mod_obrotu;
    float mod_y;
    float mod_kier;
    float mod_rot;
    float shot_value; // the number of "strzal" or "strzal_mesh"
    float obrot;
    char obrot_pion_do_gracza[POSTAC_NAME_SIZE];
    PhaseName health_detect_faza[FAZA_LIST_SIZE];
    float health_detect_health[FAZA_LIST_SIZE];
    DWORD health_detect_count;
    strFazaList on_kontakt;
    strFazaList on_koniec;
    strFazaList on_koniec_widzi;
    strFazaList on_shooting;
    char run_to[4][POSTAC_NAME_SIZE];
    float do_gracza;
    strFazaList on_closer;
    strFazaList on_closer_widzi;
    char on_reload[POSTAC_NAME_SIZE];
    PhaseName on_postrzal[FAZA_WOUND_SLOTS];
    float wound_chance;
    char on_free_left[POSTAC_NAME_SIZE];
    float on_free_left_value;
    char on_free_right[POSTAC_NAME_SIZE];
    float on_free_right_value;
    char on_any_hit[POSTAC_NAME_SIZE];
    char on_brak_jedzie[POSTAC_NAME_SIZE];
    float on_gracz_blizej_niz_distance;
    char on_gracz_blizej_niz[POSTAC_NAME_SIZE];
    char on_death_activate[POSTAC_NAME_SIZE];
    char on_death_destroy[POSTAC_NAME_SIZE];
    char on_koniec_bezier[POSTAC_NAME_SIZE];
    char sound[POSTAC_TEXT_SIZE];
    float sound_range;
    char sound_2D[POSTAC_TEXT_SIZE];
    char print[POSTAC_TEXT_SIZE];
    char subtitle0[POSTAC_TEXT_SIZE];
    char subtitle1[POSTAC_TEXT_SIZE];
    char FX[POSTAC_NAME_SIZE];
    char FX_rest[POSTAC_NAME_SIZE];
    char say[POSTAC_NAME_SIZE];
    BYTE say_subtitled; // "say_s"
    char dialogue[3][POSTAC_NAME_SIZE];
    char hero_dialogue[POSTAC_NAME_SIZE];
    BYTE stop_dialogue;
    strFaza* next;
    strFaza* previous;
};

struct strPostacDsc
{
    char anim_speed_names[DSC_MAX_ANIM_SPEEDS][POSTAC_NAME_SIZE];
    float anim_speed_values[DSC_MAX_ANIM_SPEEDS];
    DWORD anim_speed_count;
    char random_attachment_models[DSC_MAX_ATTACHMENTS][POSTAC_PATH_SIZE];
    char random_attachment_sockets[DSC_MAX_ATTACHMENTS][POSTAC_NAME_SIZE];
    DWORD random_attachment_count;
    char oko_l_model[POSTAC_PATH_SIZE];
    char oko_l_socket[POSTAC_NAME_SIZE];
    char oko_p_model[POSTAC_PATH_SIZE];
    char oko_p_socket[POSTAC_NAME_SIZE];
    BYTE used;
    char name[POSTAC_NAME_SIZE];
    BYTE snajper;
    BYTE RPG;
    BYTE partner;
    BYTE debug_position;
    BYTE silent;
    BYTE burst;
    BYTE zbrojny;
    BYTE hero;
    BYTE civilian;
    PhaseName global_health_detect_faza[DSC_MAX_HEALTH_PHASES];
    float global_health_detect_health[DSC_MAX_HEALTH_PHASES];
    DWORD global_health_detect_count;
    float head_shot_multiplier;
    DWORD sound_category;
    char models[DSC_MAX_MODELS][POSTAC_PATH_SIZE];
    DWORD model_count;
    char global_on_death_destroy[POSTAC_NAME_SIZE];
    char global_on_death_activate[POSTAC_NAME_SIZE];
    char global_on_gracz_dalej_niz[POSTAC_NAME_SIZE];
    float global_on_gracz_dalej_niz_distance;
    float corpse_disappear_time;
    BYTE nie_wyrzucaj_apteczki;
    char weapon[POSTAC_TEXT_SIZE];
    char random_weapon[POSTAC_TEXT_SIZE];
    char disable_texture_on_death[POSTAC_TEXT_SIZE];
    char socket_breath[POSTAC_NAME_SIZE];
    char socket_eyes[POSTAC_NAME_SIZE];
    char anim_on_alarm[POSTAC_NAME_SIZE];
    char smierc_gracza[POSTAC_NAME_SIZE];
    char default_faza[POSTAC_NAME_SIZE];
    strFaza* newest;
    DWORD faza_count;
    float HP;
    float odleglosc_kontaktu;
    float kat_kontaktu;
    BYTE deaf;
    BYTE nie_patrz_na_gracza;
    BYTE nie_krwaw;
    BYTE nie_zostawiaj_gana;
    BYTE plama_krwi;
    BYTE graj_dzwiek_smierci;
    BYTE weryfikuj_po_sejwie;
    BYTE smoke_on_hit;
    BYTE explosion_on_death;
    BYTE kick_spine_on_death;
    BYTE nie_rozsuwaj;
    BYTE destroy_on_death;
    // Set when the description's models and voices have been preloaded; cleared
    // at every level start, so the description itself stays as it was read.
    BYTE preloaded;
};
