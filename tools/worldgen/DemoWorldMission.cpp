// The demo world's mission script, "scripts\quests\level01.txt", with an
// included "level01_common.txt": the level's theme, played once (a combat
// loop starts only once no music plays, so a looping theme would hold off the
// fights' music for good), a first task, the time the level script
// takes to switch the power on, a checkpoint, a warzone around the town, the
// switch, the range barrel, the townsman, a fade and the mission's end.
#include "tools/worldgen/DemoWorld.h"

namespace worldgen
{
namespace
{
const char* const MISSION_HEAD[] = {
    "world worlds\\level01.w",
    "// The demo mission. Task keys are written without their \">\".",
};

const char* const MISSION_LINES[] = {
    "wait 1 -comment start -objective Q01",
    "#include level01_common.txt",
    "// The level script switches the power on five seconds into the level.",
    "wait 6 -comment power_on",
    "checkpoint -comment first_checkpoint",
    "goto demo_switch -distance 4 -objective Q02 -waypoint demo_switch",
    "use demo_switch",
    "wait_object_destroyed range_barrel -objective Q03 // the barrel on the range",
    "enemy_dead townsman_01",
    "checkpoint",
    "fade_out 2",
    "wait 2 -comment mission_end",
};

const char* const COMMON_LINES[] = {
    "// Shared by the demo mission: the town is the warzone.",
    "set_warzone level_start -distance 150",
    "super_line Q04",
};

std::string Lines(const char* const* lines, size_t n)
{
    std::string text;
    for (size_t i = 0; i < n; ++i)
        text += std::string(lines[i]) + "\r\n";
    return text;
}
} // namespace

bool WriteDemoMission(const std::filesystem::path& root)
{
    const std::string mission = Lines(MISSION_HEAD, std::size(MISSION_HEAD)) + "music " + DEMO_LEVEL_MUSIC +
                                "\r\n" + Lines(MISSION_LINES, std::size(MISSION_LINES));
    bool ok = WriteDataFile(root, DEMO_MISSION_SCRIPT, mission);
    return WriteDataFile(root, DEMO_MISSION_INCLUDE, Lines(COMMON_LINES, std::size(COMMON_LINES))) && ok;
}

std::vector<std::string> DemoMissionFiles()
{
    return {DEMO_MISSION_SCRIPT, DEMO_MISSION_INCLUDE};
}
} // namespace worldgen
