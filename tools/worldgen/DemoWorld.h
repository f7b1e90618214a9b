#pragma once
// The demo world: a small town on a green, made of boxes, with props that
// carry sockets and levels of detail, lamps, a sky box, fog and a sun. Its
// generator writes the meshes through the .x writer and the world file as
// text into a data tree; the same description tells tests where every object
// must end up after the world is loaded.
//
// Everything is described in world space (x east, y up, z north). A mesh
// object added from a world file takes the orientation of its description
// (none turned), so a mesh's own axes are the world's.

#include <filesystem>
#include <string>
#include <vector>

namespace worldgen
{
// The world file of the demo world, relative to the data tree.
constexpr const char* DEMO_WORLD_FILE = "worlds\\level01.w";

struct DemoObject
{
    enum Kind
    {
        Mesh,
        Light,
    };
    Kind kind = Mesh;
    std::string name;
    std::string file; // meshes only
    float x = 0.0f, y = 0.0f, z = 0.0f;
    // Lights.
    float range = 0.0f;
    float power = 0.0f;
    float color[3] = {1.0f, 1.0f, 1.0f};
    std::string tiedTo;                  // the mesh object whose socket the light follows
    std::string tiedSocket;              // and the socket
    std::vector<std::string> extraLines; // further object keys, written after the position
};

// Every object of the world file in file order (the sky mesh is a world
// setting, not among them).
std::vector<DemoObject> DemoObjects();
// The sun's share of the world: a large crate whose shadow falls on the road
// and the marker the camera starts at, looking at it (DemoWorldSun.cpp).
void AppendSunObjects(std::vector<DemoObject>& objects);
constexpr const char* DEMO_CAMERA_START = "camera_start";
constexpr const char* DEMO_SHADOW_BOX = "sun_crate";
// Where the shadow box stands, its height and the camera's start.
constexpr float DEMO_SHADOW_BOX_X = -8.0f, DEMO_SHADOW_BOX_Z = 1.0f, DEMO_SHADOW_BOX_SCALE = 3.0f;
constexpr float DEMO_SHADOW_BOX_HEIGHT = 1.5f * DEMO_SHADOW_BOX_SCALE;
constexpr float DEMO_CAMERA_X = -20.0f, DEMO_CAMERA_Y = 6.0f, DEMO_CAMERA_Z = -12.0f;
constexpr float DEMO_CAMERA_YAW = 52.0f, DEMO_CAMERA_PITCH = 14.0f; // degrees
// The sky mesh of the world.
constexpr const char* DEMO_SKY_MESH = "meshes\\demo\\sky.x";

// Writes the demo world into the data tree at root: meshes, their levels of
// detail, socket files and the world file. False when a file could not be
// written.
bool WriteDemoWorld(const std::filesystem::path& root);
// A looping effect an object of the world starts (world key "set_fx").
struct DemoEffect
{
    std::string object;
    std::string effect; // a definition of "afx\"
};
std::vector<DemoEffect> DemoEffects();
// The world-file lines of the object's effects, each ended by eol.
std::string DemoEffectLines(const std::string& object, const char* eol);

// Every file WriteDemoWorld writes, relative to the data tree, with slashes.
std::vector<std::string> DemoWorldFiles();
} // namespace worldgen
