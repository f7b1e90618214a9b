// The wind over the town. It is started by object actions: the game runs the
// actions of the world's "level_start" object as the level begins, so the
// demo world carries one, a point at the hero's start that starts the
// background loop. The level's music is the mission's (DemoWorldMission.cpp).
#include "tools/worldgen/DemoWorld.h"

#include <cstdio>

namespace worldgen
{
void AddDemoAmbient(std::vector<DemoObject>& objects)
{
    // A point that is not drawn and has no body, like the hero's start
    // marker, whose mesh it takes: it only carries the actions.
    DemoObject start =
        MeshAt(DEMO_LEVEL_START, DEMO_LEVEL_START_MESH, DEMO_START[0], DEMO_START[1], DEMO_START[2]);
    char volume[32];
    std::snprintf(volume, sizeof volume, "%g", static_cast<double>(DEMO_AMBIENT_VOLUME));
    // Enabled, but never by the hero walking by; it runs once.
    start.keys = {"flags 0", "action_general_opt 1 0", "action_general_2 0 1",
                  std::string("action_sound_ambient_sound ") + DEMO_AMBIENT_SOUND,
                  std::string("action_sound_volume_ambient_sound ") + volume};
    objects.push_back(start);
}
} // namespace worldgen
