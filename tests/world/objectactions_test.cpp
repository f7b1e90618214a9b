// Object actions: the action keys of world files, every action kind run in a
// small world with its condition false and then true, the state an object
// goes through while its moves, turns and door swing run, hand-ons and the
// cut of action chains.
#include "worldfile_fixture.h"

#include "game/BezierFollowState.h"
#include "game/GameAI.h"
#include "game/MainGame.h"
#include "game/SaveMgr.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "render/PostProcess.h"
#include "shell/Console.h"
#include "ui/Panel.h"
#include "world/EngineObject.h"
#include "world/ObjectActionCalls.h"
#include "world/ObjectActionParams.h"
#include "world/ObjectRecordIO.h"

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace worldtest
{
namespace
{
class ObjectActions : public WorldFile
{
protected:
    void SetUp() override
    {
        WorldFile::SetUp();
        g_GameAI.FreeVariables();
        ActionCalls::ClearJournal();
        g_EngineObject.Release();
        PlayerStats.m_bCombatMode = 0; // on by default; the combat case switches it on
    }
    void TearDown() override
    {
        g_GameAI.FreeVariables();
        WorldFile::TearDown();
    }

    // A world of a trigger mesh "a" with the given action lines (after its
    // record is switched on), a mesh "b" ten units east, a light "lamp", a
    // skinned "guard" and a mesh "far" in sector 7.
    bool LoadActions(const std::vector<std::string>& actionLines,
                     const std::string& enable = "action_general_opt 1 1")
    {
        std::vector<std::string> lines = {"mesh meshes\\box.x", "name a", enable};
        lines.insert(lines.end(), actionLines.begin(), actionLines.end());
        const std::vector<std::string> rest = {
            "mesh meshes\\box.x",
            "name b",
            "xpos 10",
            "death_params_1 1 0 0 0 0 1 1 1 1 0 100 1",
            "light",
            "name lamp",
            "ypos 8",
            "blinking1 1 0.5 0.5 0.2 1 0.1 0.1",
            "skinmesh models\\soldier\\soldier.x",
            "name guard",
            "mesh meshes\\box.x",
            "name far",
            "sector_idx 7",
        };
        lines.insert(lines.end(), rest.begin(), rest.end());
        return Load(lines);
    }

    static void Clear()
    {
        Env.DeleteSkyMesh();
        g_Engine.DeleteAllObjects();
        g_GameAI.FreeVariables();
        ActionCalls::ClearJournal();
        g_EngineObject.Release();
        PostProcess.m_bMotionBlur = PostProcess.m_bMonochrome = 0;
        PlayerStats.m_bCanJump = 1;
        PlayerStats.m_bReserved = 0;
        PostProcess.DisableObjectEffect(1);
        PostProcess.ClearEffectObjects();
    }

    // One engine-object frame of `seconds` with walk-in triggers live.
    // The world lines of count box objects named prefix0, prefix1, ..., each
    // with an active record and the line extra(i) when it is not empty.
    template <class Extra>
    static std::vector<std::string> Numbered(const char* prefix, int count, Extra extra)
    {
        std::vector<std::string> lines;
        for (int i = 0; i < count; ++i)
        {
            lines.push_back("mesh meshes\\box.x");
            lines.push_back(std::string("name ") + prefix + std::to_string(i));
            lines.push_back("action_general_opt 1 0");
            if (std::string more = extra(i); !more.empty())
                lines.push_back(more);
        }
        return lines;
    }

    // Two frames: the hero at z 5, then at z 10 (through a gate at z 10).
    static void WalkHeroFrom5To10()
    {
        PlaceHero(D3DXVECTOR3(0.0f, 0.5f, 5.0f));
        Frame();
        PlaceHero(D3DXVECTOR3(0.0f, 0.5f, 10.0f));
        Frame();
    }

    static void Frame(float seconds = 0.1f)
    {
        g_Engine.m_fDeltaTime = seconds;
        g_Engine.m_bWorldLoaded = 1;
        g_MainGame.m_iLevelFrame = CMainGame::FRAME_START_MENU + 1;
        g_EngineObject.Update();
    }
};

bool Logged(const char* text)
{
    return ConsoleLog().find(text) != std::string::npos;
}

// ---- World keys -------------------------------------------------------------------------------

TEST_F(ObjectActions, KeysBeforeTheFirstSwitchAreLostAndALaterSwitchOffRemovesTheRecord)
{
    ASSERT_TRUE(Load({"mesh meshes\\box.x", "name early", "action_ifset go", "action_general_opt 1 0",
                      "mesh meshes\\box.x", "name late", "action_general_opt 1 0", "action_ifset go",
                      "mesh meshes\\box.x", "name off", "action_general_opt 1 0", "action_ifset go",
                      "action_general_opt 0 0"}));
    HOBJECT early = Find("early");
    HOBJECT late = Find("late");
    ASSERT_NE(early->pActionParams, nullptr);
    EXPECT_STREQ(early->pActionParams->action_ifset, "");
    ASSERT_NE(late->pActionParams, nullptr);
    EXPECT_STREQ(late->pActionParams->action_ifset, "go");
    EXPECT_EQ(Find("off")->pActionParams, nullptr);
}

TEST_F(ObjectActions, KeysFillTheirFields)
{
    ASSERT_TRUE(LoadActions({
        "action_voice_hawke first",
        "action_voice_hero0 second",
        "action_respawn_params 2.5 3.9",
        "action_camera1_positioning_motion_blur 1",
        "action_camera_positioning 1 2 3 4 5 6 7 1",
        "action_door 1 0 95 40 5",
        "action_moving 0 1 0 2 4",
        "action_render_params_show_sectors 3 12",
        "action_render_params_states 1 0 1 0 0 1 0 0",
        "action_player_move_and_view_fades 1 2.5 1 0.5",
        "action_give_action_to___mesh b",
        "action_give_action_to___delay 1.5",
        "action_sound_ambient_sound sounds\\wind.wav",
    }));
    const EObjectActionParams& p = *Find("a")->pActionParams;
    EXPECT_EQ(p.dwEnabled, 1u);
    EXPECT_EQ(p.action_general_opt, 1u);
    EXPECT_STREQ(p.action_voice_hero0, "second");
    EXPECT_FLOAT_EQ(p.action_respawn_params, 2.5f);
    EXPECT_EQ(p.action_respawn_params_count, 3);
    EXPECT_EQ(p.action_camera_positioning.on, 1);
    EXPECT_EQ(p.action_camera_positioning.motion_blur, 0) << "a fresh positioning record clears the blur";
    EXPECT_FLOAT_EQ(p.action_camera_positioning.values[5], 7.0f);
    EXPECT_EQ(p.action_camera_positioning.flag, 1);
    EXPECT_EQ(p.action_door, 1u);
    EXPECT_EQ(p.action_door_away, 0u);
    EXPECT_FLOAT_EQ(p.action_door_angle, 95.0f);
    EXPECT_FLOAT_EQ(p.action_moving[4], 4.0f);
    EXPECT_EQ(p.action_render_params_show_sectors[3], 12);
    EXPECT_EQ(p.action_render_params_states[5], 1);
    EXPECT_FLOAT_EQ(p.action_fade_in_time, 2.5f);
    EXPECT_EQ(p.action_fade_out, 1u);
    EXPECT_STREQ(p.action_give_action_to___mesh, "b");
    EXPECT_FLOAT_EQ(p.action_give_action_to___delay, 1.5f);
    EXPECT_STREQ(p.action_sound_ambient_sound, "sounds\\wind.wav");
    // Defaults the lines left alone.
    EXPECT_STREQ(p.action_shoot_weapon, "ColtM4");
    EXPECT_STREQ(p.action_respawn_character_phase0, "estimate");
    EXPECT_FLOAT_EQ(p.action_countdown_time_in_seconds, 60.0f);
    EXPECT_TRUE(Refused().empty());

    Clear();
    ASSERT_TRUE(LoadActions(
        {"action_camera_positioning 1 2 3 4 5 6 7 0", "action_camera1_positioning_motion_blur 1"}));
    EXPECT_EQ(Find("a")->pActionParams->action_camera_positioning.motion_blur, 1);
}

TEST_F(ObjectActions, BadLinesAreReportedWithTheirLineAndObject)
{
    const std::string tooLong(40, 'x');
    ASSERT_TRUE(LoadActions({
        "action_ifset " + tooLong,                // line 4
        "action_open_sesame 1",                   // line 5
        "action_render_params_hide_sectors 32 4", // line 6
        "action_kill_object nobody",              // line 7
        "action_give_action_to___mesh b",         // line 8: b exists
    }));
    const EObjectActionParams& p = *Find("a")->pActionParams;
    EXPECT_STREQ(p.action_ifset, "") << "a name that does not fit leaves the field empty";
    for (int i = 0; i < ACTION_SECTOR_LIST; ++i)
        EXPECT_EQ(p.action_render_params_hide_sectors[i], 0);
    const auto refused = Refused();
    ASSERT_EQ(refused.size(), 4u) << ::testing::PrintToString(refused);
    EXPECT_EQ(refused[0].rfind("4:", 0), 0u);
    EXPECT_EQ(refused[1].rfind("5:unknown action key", 0), 0u);
    EXPECT_NE(refused[1].find("of a"), std::string::npos);
    EXPECT_EQ(refused[2].rfind("6:", 0), 0u);
    EXPECT_EQ(refused[3], "7:object a: action_kill_object names no object \"nobody\"");
    EXPECT_TRUE(Logged("ERROR: safe_string_copy() Source String Too Long!"));
    EXPECT_TRUE(Logged("line 7: object a: action_kill_object names no object"));
}

// ---- Every action kind, its condition false and then true ------------------------------------

struct ActionCase
{
    const char* name;
    std::vector<std::string> lines;
    std::function<bool()> happened;
};

HOBJECT Obj(const char* name)
{
    return g_Engine.FindObject(name, 0);
}

std::vector<ActionCase> Cases()
{
    return {
        {"variables",
         {"action_default_set opened", "action_default_unset closed"},
         [] { return g_GameAI.IsVariableOn("opened") && !g_GameAI.IsVariableOn("closed"); }},
        {"console print", {"action_console_print the vault hums"}, [] { return Logged("the vault hums"); }},
        {"teleport object",
         {"action_teleport_object_here b"},
         [] { return std::fabs(Obj("b")->vPosition.x) < 1e-4f; }},
        {"kill object", {"action_kill_object b"}, [] { return Obj("b")->bDeletePending == 1; }},
        {"kill later",
         {"action_kill_object b", "action_kill_delay 2"},
         [] { return Obj("b")->fDeathWait == 2.0f && !Obj("b")->bDeletePending; }},
        {"push",
         {"action_push_object b", "action_push_obj_force 5"},
         [] { return Logged("Kopie obiekt b"); }},
        {"hand on", {"action_give_action_to___mesh b"}, [] { return Obj("b")->bActionHasRun == 1; }},
        {"paused hand on",
         {"action_give_action_to___mesh b", "action_give_action_to___delay 1"},
         [] { return Obj("a")->bHandOnPending == 1 && !Obj("b")->bActionHasRun; }},
        {"camera turned",
         {"action_camera_position_mesh 1 b"},
         [] { return g_Engine.m_pLookFrom == Obj("b") && Obj("a")->bCameraTurned; }},
        {"camera move",
         {"action_move_camera_to_object_name b", "action_move_camera_to_object_time 2"},
         [] { return g_Camera.m_bMoveTo == 1; }},
        {"shake",
         {"action_shake_screen 1", "action_short_shake_screen 1"},
         [] { return g_Camera.m_bShake == 1; }},
        {"far plane",
         {"action_render_params_use_render_params 1", "action_render_params_farz 50"},
         [] { return g_Camera.GetFarPlane() == 90.0f; }},
        {"water off",
         {"action_render_params_use_render_params 1", "action_render_params_states 0 0 0 0 0 1 0 0"},
         [] { return g_Options.DrawWater == 0; }},
        {"hide sector",
         {"action_render_params_use_render_params 1", "action_render_params_hide_sectors 0 7"},
         [] { return Obj("far")->bHidden == 1; }},
        {"delete sector",
         {"action_render_params_delete_sector 7"},
         [] { return Obj("far")->bDeletePending == 1; }},
        {"time speed", {"action_global_time_speed 0.02"}, [] { return g_Options.GlobalTimeSpeed == 0.02f; }},
        {"field of view", {"action_fov_multiplier 0.7"}, [] { return g_Options.FOV == 0.7f; }},
        {"combat mode", {"action_switch_to_combat_mode 1"}, [] { return PlayerStats.m_bCombatMode == 1; }},
        {"letterbox",
         {"action_player_move_and_view_turn_on_panoramic_screen 1"},
         [] { return g_Panel.m_bPanoramic == 1; }},
        {"door", {"action_door 1 0 70 80 0"}, [] { return Obj("a")->fDoorAngle == 70.0f; }},
        {"door swinging the other way",
         {"action_door 1 0 -70 80 0"},
         [] { return Obj("a")->fDoorAngle == -70.0f; }},
        {"play music",
         {"action_play_music music\\theme.ogg"},
         [] { return std::string(g_MainGame.musicName) == "music\\theme.ogg"; }},
        {"animation for",
         {"action_set_anim_for_object_name guard", "action_set_anim_for_animation_name wave"},
         [] { return std::string(Obj("guard")->szAnimation) == "wave"; }},
        {"bezier move",
         {"action_make_object_move_on_bezier_object_name b",
          "action_make_object_move_on_bezier_bezier_name route"},
         []
         {
             BezierFollowState s;
             g_Engine.GetObjectBezierFollowState(Obj("b"), &s);
             return std::string(s.szStartNode) == "route" && s.bOn;
         }},
        {"kill hero",
         {"action_kill_character HERO"},
         [] { return PlayerStats.m_fHealth == -1.0f && ActionCalls::Called("CPostacMgr::Zabij HERO"); }},
        {"hurt hero",
         {"action_general_3 0 1 1"},
         [] { return ActionCalls::Called("CPlayer::ChangeHealth -1000"); }},
        {"teleport hero",
         {"action_teleport_player_here 1"},
         [] { return ActionCalls::Called("CPlayer::TeleportTo") && !Player.m_bCrouched; }},
        {"teleport hero crouching",
         {"action_teleport_player_here 1", "action_crouching_teleport_player_here 1"},
         [] { return Player.m_bCrouched == 1 && Player.m_iForceCrouch == 3; }},
        {"mission failed", {"action_gamefail 1"}, [] { return PlayerStats.m_bMissionFailed == 1; }},
        {"passing blockers",
         {"action_allow_passing_blockers b"},
         [] { return Obj("b")->bPassBlockers == 1; }},
        {"shoot without a weapon",
         {"action_shoot_general 1 10 5", "action_shoot_target b"},
         [] { return Logged("a nie moze znalezc broni ColtM4") && !Obj("a")->bShooting; }},
        {"countdown",
         {"action_countdown_turn_on 1"},
         [] { return ActionCalls::Called("CPlayer::StartCountdown a"); }},
        {"fades",
         {"action_player_move_and_view_fades 1 2 0 1"},
         [] { return ActionCalls::Called("Panel::FadeIn 2"); }},
        {"dialogue with an object",
         {"action_start_dialogue0 talk", "action_start_dialogue_actor0 b"},
         [] { return ActionCalls::Called("CDialogueMgr::StartDialogueByName talk b"); }},
        {"ai action",
         {"action_activate_ai_action alarm"},
         [] { return ActionCalls::Called("GameAI::ActivateAIAction alarm"); }},
        {"voices",
         {"action_voice_other hello"},
         [] { return Logged("voices\\Dialogues\\hello.wav nie istnieje!"); }},
        {"ambient sound",
         {"action_sound_ambient_sound sounds\\wind.wav"},
         [] { return std::string(g_EngineObject.m_szAmbientRequested) == "sounds\\wind.wav"; }},
        {"character runs",
         {"action_character_name_runs_to sam", "action_character_runs_to_target b"},
         [] { return ActionCalls::Called("CPostacMgr::RunToByName sam b   idzie"); }},
        {"hero permissions",
         {"action_character_forbid_jumping 1"},
         [] { return ActionCalls::Called("PlayerStats::JumpAllowed 0") && PlayerStats.m_bCanJump == 0; }},
        {"high jump", {"action_character_high_jump_on 1"}, [] { return PlayerStats.m_bReserved == 1; }},
        {"checkpoint",
         {"action_checkpoint_checkpoint 1"},
         [] { return ActionCalls::Called("CSaveMgr::Checkpoint"); }},
        {"motion blur",
         {"action_player_move_and_view_motion_blur 1 0"},
         [] { return PostProcess.m_bMotionBlur == 1; }},
        {"monochrome",
         {"action_player_move_and_view_turn_on_monochromatic 1"},
         [] { return PostProcess.m_bMonochrome == 1; }},
        {"black and white",
         {"action_player_move_and_view_turn_on_bw_postprocess 1",
          "action_player_move_and_view_add_object_to_bw_postprocess b"},
         []
         {
             return PostProcess.m_bBW == 1 && PostProcess.m_bBWForced == 1 &&
                    PostProcess.m_iEffectObjects == 1 && PostProcess.m_aEffectObjects[0] == Obj("b");
         }},
    };
}

TEST_F(ObjectActions, EveryKindRunsOnlyWhenItsConditionHolds)
{
    g_Options.Debug = 1; // the push says what it pushes
    for (const ActionCase& c : Cases())
    {
        for (const bool condition : {false, true})
        {
            SCOPED_TRACE(std::string(c.name) +
                         (condition ? " with its condition" : " without its condition"));
            Clear();
            std::vector<std::string> lines = {"action_ifset go"};
            lines.insert(lines.end(), c.lines.begin(), c.lines.end());
            ASSERT_TRUE(LoadActions(lines));
            if (HOBJECT b = Obj("b"))
            {
                // b answers hand-ons with a run of its own.
                EObjectActionParams p;
                g_Engine.GetObjectActionParams(b, &p);
                p.dwEnabled = 1;
                g_Engine.SetObjectActionParams(b, &p);
            }
            if (condition)
                g_GameAI.SetVariable("go", nullptr);
            g_Engine.RunObjectAction("a", 0);
            EXPECT_EQ(c.happened(), condition);
            EXPECT_EQ(Obj("a")->bActionRunning, condition ? 1 : 0);
        }
    }
}

TEST_F(ObjectActions, TheOtherConditionsHoldARunBack)
{
    struct Condition
    {
        const char* name;
        std::vector<std::string> lines;
        std::function<void()> setUp;
        bool heroTriggered;
        bool runs;
    };
    const std::vector<Condition> conditions = {
        {"if not set, variable clear", {"action_action_if_not_set stop"}, [] {}, false, true},
        {"if not set, variable set",
         {"action_action_if_not_set stop"},
         [] { g_GameAI.SetVariable("stop", nullptr); },
         false,
         false},
        {"pause not over",
         {"action_next_run_after 5"},
         [] { Obj("a")->fSinceLastAction = 4.0f; },
         false,
         false},
        {"pause over", {"action_next_run_after 5"}, [] { Obj("a")->fSinceLastAction = 5.0f; }, false, true},
        {"once, not run yet", {"action_general_2 0 1"}, [] {}, false, true},
        {"once, run before", {"action_general_2 0 1"}, [] { Obj("a")->bActionHasRun = 1; }, false, false},
        {"by the hero without leave", {}, [] {}, true, false},
    };
    for (const Condition& c : conditions)
    {
        SCOPED_TRACE(c.name);
        Clear();
        std::vector<std::string> lines = c.lines;
        lines.push_back("action_default_set ran");
        ASSERT_TRUE(
            LoadActions(lines, c.heroTriggered ? "action_general_opt 1 0" : "action_general_opt 1 1"));
        c.setUp();
        g_EngineObject.RunActions(Obj("a"), c.heroTriggered);
        EXPECT_EQ(g_GameAI.IsVariableOn("ran") != 0, c.runs);
    }
}

TEST_F(ObjectActions, OnAndOffSwitchesLeaveTheLaterOne)
{
    ASSERT_TRUE(LoadActions({"action_switch_to_combat_mode 1", "action_switch_to_peaceful_mode 1",
                             "action_player_move_and_view_turn_on_panoramic_screen 1",
                             "action_player_move_and_view_turn_off_panoramic_screen 1",
                             "action_global_time_speed 0.01"}));
    PlayerStats.m_bCombatMode = 1;
    g_Panel.m_bPanoramic = 1;
    g_Engine.RunObjectAction("a", 0);
    EXPECT_EQ(PlayerStats.m_bCombatMode, 0);
    EXPECT_EQ(g_Panel.m_bPanoramic, 0);
    EXPECT_EQ(g_Options.GlobalTimeSpeed, 1.0f) << "0.01 is too slow to take";
}

TEST_F(ObjectActions, AShakeStartsOncePerObjectInARow)
{
    ASSERT_TRUE(LoadActions({"action_shake_screen 1", "action_short_shake_screen 1"}));
    EObjectActionParams p;
    g_Engine.GetObjectActionParams(Obj("a"), &p);
    g_Engine.SetObjectActionParams(Obj("b"), &p);
    g_Engine.RunObjectAction("a", 0);
    EXPECT_EQ(g_Camera.m_bShake, 1);
    g_Camera.m_bShake = 0;
    Frame(); // a's run ends
    g_Engine.RunObjectAction("a", 0);
    EXPECT_EQ(g_Camera.m_bShake, 0) << "the same object shook last";
    g_Engine.RunObjectAction("b", 0);
    EXPECT_EQ(g_Camera.m_bShake, 1);
}

TEST_F(ObjectActions, ALightSwitchesOffAndOnAndBlinkingStops)
{
    ASSERT_TRUE(Load({"light", "name lamp", "power 1.5", "blinking1 1 0.5 0.5 0.2 1 0.1 0.1",
                      "action_general_opt 1 0", "action_switch_light 1", "action_switch_blinking 1"}));
    HOBJECT lamp = Obj("lamp");
    ASSERT_NE(lamp->pBlinking, nullptr);
    const BYTE blinking = lamp->pBlinking->bEnabled;
    ASSERT_TRUE(lamp->dwFlags & OF_PHYSICS);
    g_Engine.RunObjectAction("lamp", 0);
    EXPECT_FALSE(lamp->dwFlags & OF_PHYSICS) << "the light is off";
    EXPECT_EQ(lamp->bLightOff, 1);
    EXPECT_NE(lamp->pBlinking->bEnabled, blinking);
    Frame();
    g_Engine.RunObjectAction("lamp", 0);
    EXPECT_TRUE(lamp->dwFlags & OF_PHYSICS) << "and on again";
    EXPECT_EQ(lamp->pBlinking->bEnabled, blinking);
}

// Values near the float limit whose sums overflow (found by fuzzing the world
// reader) still blink a grey: the bright half of this lamp is at least half
// as bright as it can be, never the black a NaN would make.
TEST_F(ObjectActions, BlinkingValuesNearTheFloatLimitBlinkAGrey)
{
    ASSERT_TRUE(Load(
        {"light", "name lamp", "xpos 0", "ypos 10", "zpos 0", "range 30", "blinking1 1 0 0 3e38 3e38 0 0"}));
    HOBJECT lamp = Obj("lamp");
    ASSERT_NE(lamp->pBlinking, nullptr);
    for (int frame = 0; frame < 4; ++frame)
    {
        lamp->fBlinkTimer = 0.0f;
        g_EngineObject.StepBlinking(lamp);
        const DWORD grey = lamp->dwLightColor & 0xFF;
        EXPECT_EQ(lamp->dwLightColor, grey * 0x01010101u);
        if (lamp->bBlinkOn)
            EXPECT_GE(grey, 127u);
        else
            EXPECT_EQ(grey, 0u);
        EXPECT_TRUE(std::isfinite(lamp->fLightValue));
    }
}

// ---- Runs over frames -------------------------------------------------------------------------

TEST_F(ObjectActions, ALiftRisesThenComesBackWithEachRun)
{
    ASSERT_TRUE(
        LoadActions({"action_moving 0 1 0 2 4", "action_default_set lift_up", "action_dest_set lift_down"}));
    HOBJECT a = Obj("a");
    g_Engine.RunObjectAction("a", 0);
    EXPECT_TRUE(g_GameAI.IsVariableOn("lift_up"));
    std::vector<float> heights;
    Player.m_bRefresh = 0;
    for (int i = 0; i < 12; ++i)
    {
        Frame(0.25f);
        heights.push_back(a->vPosition.y);
        if (i == 0)
            EXPECT_EQ(Player.m_bRefresh, 1) << "a move near the hero refreshes him";
    }
    Player.m_bRefresh = 0;
    Frame(0.25f);
    EXPECT_EQ(Player.m_bRefresh, 0) << "a finished move does not";
    // 2 units a second: four units take eight frames of a quarter second.
    EXPECT_FLOAT_EQ(heights[0], 0.5f);
    EXPECT_FLOAT_EQ(heights[7], 4.0f);
    EXPECT_FLOAT_EQ(heights[11], 4.0f);
    EXPECT_EQ(a->bActionRunning, 0);
    EXPECT_EQ(a->bActionToggled, 1);
    EXPECT_FLOAT_EQ(a->vStartPosition.y, 0.0f) << "the move keeps the start position";
    g_Engine.RunObjectAction("a", 0);
    EXPECT_TRUE(g_GameAI.IsVariableOn("lift_down"));
    Player.m_vPosition = {0.0f, 0.0f, 600.0f};
    for (int i = 0; i < 8; ++i)
        Frame(0.25f);
    EXPECT_EQ(Player.m_bRefresh, 0) << "nor one beyond 512 units";
    Player.m_vPosition = {0.0f, 0.0f, 0.0f};
    EXPECT_FLOAT_EQ(a->vPosition.y, 0.0f);
    EXPECT_EQ(a->bActionToggled, 0);
}

TEST_F(ObjectActions, ARunCannotStartAgainUntilItsMovesHaveFinished)
{
    ASSERT_TRUE(LoadActions({"action_moving 1 0 0 1 1", "action_console_print lift starts"}));
    g_Engine.RunObjectAction("a", 0);
    g_Engine.RunObjectAction("a", 0);
    Frame(0.5f);
    g_Engine.RunObjectAction("a", 0);
    const std::string log = ConsoleLog();
    size_t n = 0;
    for (size_t at = log.find("lift starts"); at != std::string::npos; at = log.find("lift starts", at + 1))
        ++n;
    EXPECT_EQ(n, 1u);
}

TEST_F(ObjectActions, ADoorSwingsOpenAndShutAndTurnsFromItsOwnOrientation)
{
    ASSERT_TRUE(LoadActions({"action_door 1 0 90 45 0"}));
    HOBJECT a = Obj("a");
    const D3DXVECTOR3 forward = a->Orientation.Forward;
    g_Engine.RunObjectAction("a", 0);
    for (int i = 0; i < 20; ++i)
        Frame(0.1f);
    EXPECT_FLOAT_EQ(a->fDoorSwing, 90.0f);
    EXPECT_EQ(a->bActionToggled, 1);
    // Turned a quarter about its up axis: the new forward is square to the old.
    EXPECT_NEAR(D3DXVec3Dot(&a->Orientation.Forward, &forward), 0.0f, 1e-4f);
    g_Engine.RunObjectAction("a", 0);
    for (int i = 0; i < 20; ++i)
        Frame(0.1f);
    EXPECT_FLOAT_EQ(a->fDoorSwing, 0.0f);
    EXPECT_NEAR(D3DXVec3Dot(&a->Orientation.Forward, &forward), 1.0f, 1e-4f);
}

TEST_F(ObjectActions, APausedHandOnRunsItsTargetWhenThePauseIsOver)
{
    ASSERT_TRUE(
        Load({"mesh meshes\\box.x", "name a", "action_general_opt 1 0", "action_give_action_to___mesh b",
              "action_give_action_to___delay 0.5", "mesh meshes\\box.x", "name b", "xpos 10",
              "action_general_opt 1 0", "action_default_set b_ran"}));
    g_Engine.RunObjectAction("a", 0);
    Frame(0.2f);
    Frame(0.2f);
    EXPECT_FALSE(g_GameAI.IsVariableOn("b_ran"));
    Frame(0.2f);
    EXPECT_TRUE(g_GameAI.IsVariableOn("b_ran"));
}

TEST_F(ObjectActions, ChainsThatComeBackStopAndLongChainsAreCut)
{
    // a hands on to b and b to a, at once: a is still running, so it stops there.
    ASSERT_TRUE(
        Load({"mesh meshes\\box.x", "name a", "action_general_opt 1 0", "action_give_action_to___mesh b",
              "mesh meshes\\box.x", "name b", "action_general_opt 1 0", "action_give_action_to___mesh a"}));
    g_Engine.RunObjectAction("a", 0);
    EXPECT_EQ(Obj("a")->bActionHasRun, 1);
    EXPECT_EQ(Obj("b")->bActionHasRun, 1);

    // A chain deeper than a run may nest is cut with one console line.
    Clear();
    const int chain = EEngineObject::MAX_ACTION_DEPTH + 8;
    ASSERT_TRUE(Load(Numbered("c", chain,
                              [chain](int i) {
                                  return i + 1 < chain
                                             ? "action_give_action_to___mesh c" + std::to_string(i + 1)
                                             : std::string();
                              })));
    g_Engine.RunObjectAction("c0", 0);
    EXPECT_EQ(Obj(("c" + std::to_string(EEngineObject::MAX_ACTION_DEPTH - 1)).c_str())->bActionHasRun, 1);
    EXPECT_EQ(Obj(("c" + std::to_string(EEngineObject::MAX_ACTION_DEPTH)).c_str())->bActionHasRun, 0);
    EXPECT_TRUE(Logged("Object actions cut at c32"));
    // The cut part of the chain is not lost: it runs in the next frame.
    Frame();
    for (int i = EEngineObject::MAX_ACTION_DEPTH; i < chain; ++i)
        EXPECT_EQ(Obj(("c" + std::to_string(i)).c_str())->bActionHasRun, 1) << i;
}

// More runs in one frame than a frame may make: those past the limit run in
// the next frame, each once.
TEST_F(ObjectActions, RunsPastTheFrameLimitRunInTheNextFrame)
{
    const int count = EEngineObject::MAX_ACTION_RUNS_PER_FRAME + 10;
    ASSERT_TRUE(
        Load(Numbered("r", count, [](int i) { return "action_default_set ran_" + std::to_string(i); })));
    for (int i = 0; i < count; ++i)
    {
        g_Engine.RunObjectAction(("r" + std::to_string(i)).c_str(), 0);
        g_Engine.RunObjectAction(("r" + std::to_string(i)).c_str(), 0);
    }
    EXPECT_FALSE(g_GameAI.IsVariableOn(("ran_" + std::to_string(count - 1)).c_str()));
    Frame();
    for (int i = 0; i < count; ++i)
        EXPECT_TRUE(g_GameAI.IsVariableOn(("ran_" + std::to_string(i)).c_str())) << i;
    EXPECT_TRUE(g_EngineObject.m_DeferredRuns.empty());
}

// A dead object's run ends with it: its lift stops where it is and its
// delayed hand-on never fires.
TEST_F(ObjectActions, ADeadObjectStopsActing)
{
    ASSERT_TRUE(
        Load({"mesh meshes\\box.x", "name lift", "action_general_opt 1 0", "action_moving 0 1 0 2 4",
              "action_give_action_to___mesh horn", "action_give_action_to___delay 1", "mesh meshes\\box.x",
              "name horn", "action_general_opt 1 0", "action_default_set horn_blown"}));
    HOBJECT lift = Obj("lift");
    g_Engine.RunObjectAction("lift", 0);
    Frame(0.25f);
    const float height = lift->vPosition.y;
    EXPECT_GT(height, 0.0f);
    lift->bDead = 1; // killed (a death record's death sets the byte)
    for (int i = 0; i < 8; ++i)
        Frame(0.25f);
    EXPECT_EQ(lift->vPosition.y, height);
    EXPECT_FALSE(g_GameAI.IsVariableOn("horn_blown"));
}

TEST_F(ObjectActions, WalkingIntoATriggerRunsItOnceAndNotInTheFirstFrames)
{
    ASSERT_TRUE(Load({"mesh meshes\\box.x", "name gate", "zpos 10", "action_general_opt 1 1",
                      "action_general_2 1 0", "action_moving 0 1 0 1 1", "action_default_set gate_up"}));
    PlaceHero(D3DXVECTOR3(0.0f, 0.5f, 5.0f));
    g_Engine.m_bWorldLoaded = 1;
    g_MainGame.m_iLevelFrame = CMainGame::FRAME_START_MENU; // too early for walk-in triggers
    g_Engine.m_fDeltaTime = 0.1f;
    g_EngineObject.Update();
    PlaceHero(D3DXVECTOR3(0.0f, 0.5f, 10.0f));
    g_EngineObject.Update();
    EXPECT_FALSE(g_GameAI.IsVariableOn("gate_up"));
    // Live triggers: the step from 5 to 10 crosses the gate.
    WalkHeroFrom5To10();
    EXPECT_TRUE(g_GameAI.IsVariableOn("gate_up"));
}

// The walk-in trigger follows the hero, not the camera: a camera that looks
// from elsewhere (a forced look) and sweeps through the trigger runs nothing
// while the hero stands still; the hero walking through it does.
TEST_F(ObjectActions, AWalkInTriggerFollowsTheHeroNotTheCamera)
{
    ASSERT_TRUE(Load({"mesh meshes\\box.x", "name gate", "zpos 10", "action_general_opt 1 1",
                      "action_general_2 1 0", "action_default_set gate_up"}));
    g_Engine.m_bWorldLoaded = 1;
    PlaceHero(D3DXVECTOR3(30.0f, 0.5f, 0.0f));
    Frame();
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.5f, 5.0f));
    Frame();
    g_Camera.SetPosition(D3DXVECTOR3(0.0f, 0.5f, 10.0f));
    Frame();
    EXPECT_FALSE(g_GameAI.IsVariableOn("gate_up"));
    Player.m_vPosition = D3DXVECTOR3(0.0f, 0.5f, 5.0f);
    Frame();
    Player.m_vPosition = D3DXVECTOR3(0.0f, 0.5f, 10.0f);
    Frame();
    EXPECT_TRUE(g_GameAI.IsVariableOn("gate_up"));
}

// For five frames after a save game was loaded no walk-in trigger runs: the
// hero put back where he stood does not walk into anything.
// An object that shoots finds its weapon in the item catalogue; its shot
// interval never overflows however large the world file makes it.
TEST_F(ObjectActions, ShootingObjectsFindTheCataloguesWeapons)
{
    temp->Write("scripts/items.txt", "item ColtM4\nName Rifle\nWeapon\nUnique_Id 1\n");
    ItemMgr.LoadDescriptions();
    ASSERT_NE(ItemMgr.FindDescription("ColtM4"), nullptr);
    ASSERT_TRUE(Load({"mesh meshes\\box.x", "name gunner", "action_general_opt 1 0",
                      "action_shoot_general 1 2147483647 1000", "action_shoot_target target",
                      "mesh meshes\\box.x", "name target"}));
    g_Engine.RunObjectAction("gunner", 0);
    HOBJECT gunner = Obj("gunner");
    EXPECT_EQ(gunner->bShooting, 1);
    EXPECT_FALSE(Logged("nie moze znalezc broni"));
    EXPECT_GE(gunner->iShotInterval, 0) << "no wrap past the largest interval";
    ItemMgr.FreeDescriptions();
}

// A shooting object fires once each interval (tenths of a second), one shot
// a frame at most, and stops once its target has gone.
TEST_F(ObjectActions, AShootingObjectHitsItsTargetEachIntervalUntilTheTargetIsGone)
{
    temp->Write("scripts/items.txt", "item ColtM4\nName Rifle\nWeapon\nUnique_Id 1\nHit 10\n");
    ItemMgr.LoadDescriptions();
    ASSERT_TRUE(Load({"mesh meshes\\box.x", "name a", "action_general_opt 1 0", "action_shoot_general 1 5 0",
                      "action_shoot_target b", "mesh meshes\\box.x", "name b", "zpos 10",
                      "death_params_1 1 0 0 0 0 1 1 1 1 0 100 1"}));
    HOBJECT a = Find("a");
    HOBJECT b = Find("b");
    g_Engine.RunObjectAction("a", 0);
    ASSERT_EQ(a->bShooting, 1);
    const float full = b->fHealth;
    Frame(0.45f);
    EXPECT_EQ(b->fHealth, full) << "half a second has not passed";
    Frame(0.1f);
    const float once = b->fHealth;
    EXPECT_LT(once, full) << "the first shot hit";
    Frame(0.1f);
    EXPECT_EQ(b->fHealth, once);
    Frame(5.0f);
    const float twice = b->fHealth;
    EXPECT_LT(twice, once);
    EXPECT_NEAR(once - twice, full - once, 1e-3f) << "a long frame fires one shot, not ten";
    EXPECT_EQ(a->iShotCount, 2);
    a->bDead = 1;
    Frame(0.6f);
    EXPECT_EQ(a->bShooting, 0) << "a gun that died fires no more";
    EXPECT_EQ(b->fHealth, twice);
    a->bDead = 0;
    a->bShooting = 1;
    g_Engine.DeleteObject(b);
    Frame(0.6f);
    EXPECT_EQ(a->bShooting, 0) << "nothing left to shoot at";
    ItemMgr.FreeDescriptions();
}

TEST_F(ObjectActions, WalkInTriggersWaitFiveFramesAfterASaveLoad)
{
    ASSERT_TRUE(Load({"mesh meshes\\box.x", "name gate", "zpos 10", "action_general_opt 1 1",
                      "action_general_2 1 0", "action_default_set gate_up"}));
    g_SaveMgr.m_bLoadedFromSave = 1;
    g_SaveMgr.m_iFramesSinceLevelStart = 3;
    WalkHeroFrom5To10();
    EXPECT_FALSE(g_GameAI.IsVariableOn("gate_up"));
    g_SaveMgr.m_iFramesSinceLevelStart = 5;
    WalkHeroFrom5To10();
    EXPECT_TRUE(g_GameAI.IsVariableOn("gate_up"));
    g_SaveMgr.m_bLoadedFromSave = 0;
    g_SaveMgr.m_iFramesSinceLevelStart = 0;
}

TEST_F(ObjectActions, SavedRecordsComeBackFieldByField)
{
    ASSERT_LE(ActionParamsStoredFieldsEnd(), static_cast<size_t>(EObjectActionParams::STORED_SIZE));
    EObjectActionParams p;
    p.dwEnabled = 1;
    p.action_door_angle = 33.0f;
    std::snprintf(p.action_countdown_action_on_finish, sizeof p.action_countdown_action_on_finish, "%s",
                  "boom");
    p.action_fly_heli = 1;
    p.action_render_params_hide_sectors[31] = -4;
    p.action_short_shake.fValues[7] = 9.0f;
    FILE* f = std::fopen("actions.bin", "w+b");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(WriteActionParamsRecord(f, p));
    EXPECT_EQ(std::ftell(f), EObjectActionParams::STORED_SIZE);
    std::rewind(f);
    EObjectActionParams back;
    ASSERT_TRUE(ReadActionParamsRecord(f, &back));
    std::fclose(f);
    EXPECT_EQ(back.dwEnabled, 1u);
    EXPECT_FLOAT_EQ(back.action_door_angle, 33.0f);
    EXPECT_STREQ(back.action_countdown_action_on_finish, "boom");
    EXPECT_EQ(back.action_fly_heli, 1);
    EXPECT_EQ(back.action_render_params_hide_sectors[31], -4);
    EXPECT_FLOAT_EQ(back.action_short_shake.fValues[7], 9.0f);
    EXPECT_STREQ(back.action_shoot_weapon, "ColtM4");
}

TEST_F(ObjectActions, ARunUnderWayIsSavedWithItsObject)
{
    ASSERT_TRUE(LoadActions({"action_moving 0 1 0 2 4", "action_door 1 0 90 45 0"}));
    HOBJECT a = Obj("a");
    g_Engine.RunObjectAction("a", 0);
    Frame(0.5f);
    a->fDeathWait = 3.0f;
    FILE* f = std::fopen("object.bin", "w+b");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(WriteObjectRecord(f, *a));
    std::rewind(f);
    strObject back{};
    ASSERT_TRUE(ReadObjectRecord(f, &back, nullptr));
    std::fclose(f);
    EXPECT_EQ(back.bActionRunning, 1);
    EXPECT_EQ(back.bActionHasRun, 1);
    EXPECT_FLOAT_EQ(back.fMoveDistance, 1.0f);
    EXPECT_FLOAT_EQ(back.vMoveOffset.y, 1.0f);
    EXPECT_FLOAT_EQ(back.fDoorSwing, 22.5f);
    EXPECT_FLOAT_EQ(back.fDoorAngle, 90.0f);
    EXPECT_FLOAT_EQ(back.fDeathWait, 3.0f);
    EXPECT_EQ(back.bActionBaseSet, 1);
    EXPECT_EQ(back.ActionBaseOrientation.Forward, a->ActionBaseOrientation.Forward);
}
} // namespace
} // namespace worldtest

namespace worldtest
{
namespace
{
TEST_F(ObjectActions, TheHeroIsToldWhetherAnObjectCanBeUsedNowLaterOrNever)
{
    ASSERT_TRUE(Load({"mesh meshes\\box.x", "name lever", "action_general_opt 1 1", "action_ifset power",
                      "action_moving 0 1 0 1 1", "mesh meshes\\box.x", "name statue",
                      "action_general_opt 1 0", "mesh meshes\\box.x", "name once", "action_general_opt 1 1",
                      "action_general_2 0 1", "mesh meshes\\box.x", "name rock"}));
    EXPECT_EQ(g_Engine.CanUseObject(Obj("rock")), 0);
    EXPECT_EQ(g_Engine.CanUseObject(Obj("statue")), 0) << "the hero may not trigger it";
    EXPECT_EQ(g_Engine.CanUseObject(Obj("lever")), 2) << "waits for its variable";
    g_GameAI.SetVariable("power", nullptr);
    EXPECT_EQ(g_Engine.CanUseObject(Obj("lever")), 1);
    g_EngineObject.RunActions(Obj("lever"), 1);
    EXPECT_EQ(g_Engine.CanUseObject(Obj("lever")), 2) << "while it moves";
    EXPECT_EQ(g_Engine.CanUseObject(Obj("once")), 1);
    g_EngineObject.RunActions(Obj("once"), 1);
    Frame();
    EXPECT_EQ(g_Engine.CanUseObject(Obj("once")), 0) << "spent";
}
} // namespace
} // namespace worldtest

namespace worldtest
{
namespace
{
TEST_F(ObjectActions, TheDirectionPointerHoldsAFoundObjectAndForgetsAMissingOne)
{
    ASSERT_TRUE(LoadActions({}));
    g_EngineObject.SetDirectionPointerTarget("B");
    EXPECT_EQ(g_EngineObject.m_hDirectionPointerTarget, Obj("b"));
    EXPECT_STREQ(g_EngineObject.m_szDirectionPointerTarget, "b");
    EXPECT_TRUE(ActionCalls::Called("Panel::DirectionPointer b"));
    g_EngineObject.SetDirectionPointerTarget("nowhere");
    EXPECT_EQ(g_EngineObject.m_hDirectionPointerTarget, nullptr);
    EXPECT_STREQ(g_EngineObject.m_szDirectionPointerTarget, "");
    g_EngineObject.SetExplosiveTarget("lamp");
    EXPECT_EQ(g_EngineObject.m_hExplosiveTarget, Obj("lamp"));
    g_EngineObject.SetExplosiveTarget(nullptr);
    EXPECT_EQ(g_EngineObject.m_hExplosiveTarget, nullptr);
}
} // namespace
} // namespace worldtest
