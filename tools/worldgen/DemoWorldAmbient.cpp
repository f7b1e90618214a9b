// The wind over the town and the level's music. Both are started by object
// actions: the game runs the actions of the world's "level_start" object as
// the level begins, so the demo world carries one, an unlit point at the
// hero's start that starts the background loop and the music.
#include "tools/worldgen/DemoWorld.h"

#include <cstdio>

namespace worldgen
{
void AddDemoAmbient(std::vector<DemoObject>& objects)
{
    // A light with no power and next to no range: it lights nothing and only
    // carries the actions.
    DemoObject start;
    start.kind = DemoObject::Light;
    start.name = DEMO_LEVEL_START;
    start.x = DEMO_START[0];
    start.y = DEMO_START[1];
    start.z = DEMO_START[2];
    start.range = DEMO_LEVEL_START_RANGE;
    start.power = 0.0f;
    char volume[32];
    std::snprintf(volume, sizeof volume, "%g", static_cast<double>(DEMO_AMBIENT_VOLUME));
    // Enabled, but never by the hero walking by; it runs once.
    start.keys = {"action_general_opt 1 0", "action_general_2 0 1",
                  std::string("action_sound_ambient_sound ") + DEMO_AMBIENT_SOUND,
                  std::string("action_sound_volume_ambient_sound ") + volume,
                  std::string("action_play_music ") + DEMO_LEVEL_MUSIC};
    objects.push_back(start);
}
} // namespace worldgen
