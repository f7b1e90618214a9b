// The demo world's level script, "scripts\ai\level01.txt": five seconds into
// the level the power comes on (the switch and the lift wait for it), the
// range barrel's hits and its end are answered, a panel at the switch calls a
// named action of the script, and the blinking lamp rests now and then.
#include "tools/worldgen/DemoWorld.h"

namespace worldgen
{
namespace
{
// The switch's threshold mesh: a box the hero steps into, never drawn.
constexpr const char* PANEL_MESH = "meshes\\demo\\threshold.x";

const char* const SCRIPT_LINES[] = {
    "bool power_on",
    "counter town_clock",
    "counter lamp_clock",
    "int barrels_down",
    "int panel_presses",
    "",
    "level worlds\\level01.w",
    "level_d >L1NAME",
    "",
    "action_once power_up",
    "if_counter_greater 5 town_clock",
    "set power_on",
    "print >L1POWER",
    "",
    "action_once barrel_gone",
    "if range_barrel_blown",
    "inc barrels_down",
    "set_anim_loop townsman_01 walk",
    "print >L1BARREL",
    "",
    "action range_hit",
    "if_hit range_barrel",
    "print >L1HIT",
    "",
    // Reached only through the panel: the frame's pass skips editor actions.
    "editor_action switch_pressed",
    "inc panel_presses",
    "print >L1PANEL",
    "",
    "action lamp_rest",
    "if_counter_greater 4 lamp_clock",
    "deactivate demo_blink_light",
    "",
    "action lamp_wake",
    "if_counter_greater 6 lamp_clock",
    "activate demo_blink_light",
    "set lamp_clock",
};
} // namespace

void AddScriptObjects(std::vector<DemoObject>& objects)
{
    // Around the switch, not drawn and without a body, and taller than the
    // hero's eye: once the power is on, stepping in presses the switch and
    // calls the script's "switch_pressed".
    objects.push_back(
        MeshAt(DEMO_SCRIPT_PANEL, PANEL_MESH, 15.0f, 0.0f, -9.0f,
               {"flags 0", "action_general_opt 1 1", "action_general_2 1 0", "action_ifset power_on",
                "action_next_run_after 2", "action_activate_ai_action switch_pressed",
                "action_give_action_to___mesh demo_switch"}));
}

bool WriteDemoScripts(const std::filesystem::path& root)
{
    std::string text;
    for (const char* line : SCRIPT_LINES)
        text += std::string(line) + "\r\n";
    return WriteDataFile(root, DEMO_LEVEL_SCRIPT, text);
}

std::vector<std::string> DemoScriptFiles()
{
    return {DEMO_LEVEL_SCRIPT};
}
} // namespace worldgen
