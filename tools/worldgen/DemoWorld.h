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
        SkinMesh, // an animated figure ("skinmesh" line)
    };
    Kind kind = Mesh;
    std::string name;
    std::string file; // meshes only
    float x = 0.0f, y = 0.0f, z = 0.0f;
    // Lights.
    float range = 0.0f;
    float power = 0.0f;
    float color[3] = {1.0f, 1.0f, 1.0f};
    std::string tiedTo;            // the mesh object whose socket the light follows
    std::string tiedSocket;        // and the socket
    std::vector<std::string> keys; // further lines of the object, written last
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

// ---- Physics (DemoWorldPhysics.cpp) ----------------------------------------------------------
// Where the stair, the ledge and the crates stand: the stair's foot at
// (x, 0, z) climbing east onto the ledge, whose far end drops to the ground.
struct DemoPhysicsPlaces
{
    float x, z;
    float stairLength;
    float ledgeLength;
    float ledgeHeight;
    float crateHalf;
};
extern const DemoPhysicsPlaces DEMO_PHYSICS;
// The stair, the ledge and the dynamic crates.
void AddDemoPhysicsObjects(std::vector<DemoObject>& objects);
// The object's rigid-body lines of the world file (empty for most).
std::string DemoPhysicsKeys(const DemoObject& o);
std::vector<std::string> DemoPhysicsFiles();
// Their meshes, and the unit shapes the game draws bodies with.
bool WriteDemoPhysicsFiles(const std::filesystem::path& root);
// The item catalogue, relative to the data tree.
constexpr const char* ITEMS_CATALOGUE = "scripts\\items.txt";
// The items of the demo world (DemoWorldItems.cpp): appended to its objects,
// their models and the catalogue written with it, and their files listed.
void AddDemoItems(std::vector<DemoObject>* objects);
bool WriteDemoItems(const std::filesystem::path& root);
void AddDemoItemFiles(std::vector<std::string>* files);
// A box of a generated mesh, in the mesh's own axes (as world space), with
// its colour and texture.
struct DemoBox
{
    float lo[3];
    float hi[3];
    float rgb[3];
    const char* texture;
};
// A name of the data tree as the game writes it ("prefabs\\x.x") as a path
// below the tree's root ("prefabs/x.x").
std::string Slashes(std::string name);
// A mesh object of the world file at (x, y, z) with its extra key lines.
DemoObject MeshAt(const std::string& name, const char* file, float x, float y, float z,
                  std::vector<std::string> keys = {});
// Writes a mesh made of the boxes (one material per box) through the .x writer.
bool WriteBoxMesh(const std::filesystem::path& root, const std::string& relative, const char* name,
                  const std::vector<DemoBox>& boxes);

// Writes the text as a file of the data tree (folders made as needed).
bool WriteTextFile(const std::filesystem::path& root, const std::string& relative, const std::string& text);

// The bezier paths of the demo world (DemoWorldBezier.cpp): the node file, the
// cart that loops on its path, the fly-through path and the path its camera
// looks along, and the gate that lets the cart pass its blocker.
constexpr const char* DEMO_BEZIER_FILE = "worlds\\level01.bzr";
constexpr const char* DEMO_CART = "demo_bezier_cart";
constexpr const char* DEMO_CART_PATH = "demo_cart_path";
constexpr const char* DEMO_CART_GATE = "demo_cart_gate";
constexpr const char* DEMO_FLYBY_PATH = "demo_flyby";
constexpr const char* DEMO_FLYBY_TARGET_PATH = "demo_flyby_target";
void AddBezierObjects(std::vector<DemoObject>& objects);
bool WriteDemoBezier(const std::filesystem::path& root);
std::vector<std::string> DemoBezierFiles();

// The scripted corner of the demo world (DemoWorldActions.cpp): a door that
// opens when the hero comes near, a switch that turns a light on and powers a
// lift, and the lift. Its objects, meshes and mesh files.
void AddActionObjects(std::vector<DemoObject>& objects);
bool WriteActionMeshes(const std::filesystem::path& root);
std::vector<std::string> ActionMeshFiles();

// The hero (DemoWorldHero.cpp): his body mesh and the start marker, placed at
// the centre of his body on the road.
constexpr const char* DEMO_START_MARKER = "game_start_point";
constexpr float DEMO_START[3] = {-25.0f, 1.2f, -3.0f};
void AddDemoHero(std::vector<DemoObject>& objects);
bool WriteDemoHero(const std::filesystem::path& root);
std::vector<std::string> DemoHeroFiles();

// The wind over the town and the level's music (DemoWorldAmbient.cpp): the
// object whose actions the game runs as the level begins starts both.
constexpr const char* DEMO_LEVEL_START = "level_start";
constexpr const char* DEMO_AMBIENT_SOUND = "sounds\\ambient\\wind_loop.wav";
constexpr float DEMO_AMBIENT_VOLUME = 1.0f;
constexpr const char* DEMO_LEVEL_MUSIC = "music\\DuskmereMainTheme.ogg";
constexpr const char* DEMO_LEVEL_START_MESH = "prefabs\\special\\start_point.x";
void AddDemoAmbient(std::vector<DemoObject>& objects);

// The shooting corner (DemoWorldShooting.cpp): a weapon lying on the road
// north of the start and a barrel due east of it that blows up when shot,
// printing DEMO_SHOOTING_BLOWN on the console. Places are (x, z) on the road.
constexpr float DEMO_ROAD_TOP = 0.25f;
constexpr const char* DEMO_SHOOTING_WEAPON = "range_rifle";
constexpr const char* DEMO_SHOOTING_BARREL = "range_barrel";
constexpr const char* DEMO_SHOOTING_BLOWN = "The range barrel blew up";
constexpr float DEMO_SHOOTING_WEAPON_AT[2] = {-25.0f, -0.5f};
constexpr float DEMO_SHOOTING_BARREL_AT[2] = {-15.0f, -0.5f};
constexpr float DEMO_BARREL_HEIGHT = 1.3f;
void AddShootingObjects(std::vector<DemoObject>& objects);
// The muzzle sockets of the weapons in the hero's hands, and their files.
bool WriteShootingFiles(const std::filesystem::path& root);
void AddShootingFiles(std::vector<std::string>* files);
// The townsfolk (DemoWorldFigures.cpp): skinned figures near the camera's
// start, two standing and one walking on the spot, with their models and
// animations.
void AddDemoFigures(std::vector<DemoObject>& objects);
bool WriteDemoFigures(const std::filesystem::path& root);
std::vector<std::string> DemoFigureFiles();
// The level script (DemoWorldScripts.cpp): the power comes on five seconds
// into the level, the range barrel's hits and end are answered, a panel at
// the switch calls a named action, and the blinking lamp rests now and then.
constexpr const char* DEMO_LEVEL_SCRIPT = "scripts\\ai\\level01.txt";
constexpr const char* DEMO_SCRIPT_PANEL = "demo_switch_panel";
void AddScriptObjects(std::vector<DemoObject>& objects);
bool WriteDemoScripts(const std::filesystem::path& root);
std::vector<std::string> DemoScriptFiles();
// The mission script (DemoWorldMission.cpp) and the file it includes.
constexpr const char* DEMO_MISSION_SCRIPT = "scripts\\quests\\level01.txt";
constexpr const char* DEMO_MISSION_INCLUDE = "scripts\\quests\\level01_common.txt";
bool WriteDemoMission(const std::filesystem::path& root);
std::vector<std::string> DemoMissionFiles();
// The gulls (DemoWorldGulls.cpp): the unit-box "grass" marker over the
// hero's start, hidden and out of segment tests, that gives the flock its area,
// and the gull model with its "leci" and "szybuje" animations.
constexpr const char* DEMO_GRASS_AREA = "grass";
constexpr const char* DEMO_MARKER_MESH = "meshes\\demo\\marker.x";
void AddDemoGulls(std::vector<DemoObject>& objects);
bool WriteDemoGulls(const std::filesystem::path& root);
std::vector<std::string> DemoGullFiles();
// Writes a file of the data tree with exactly these bytes (folders made as needed).
bool WriteDataFile(const std::filesystem::path& root, const std::string& relative, const std::string& text);

// The people (DemoWorldCharacters.cpp): a soldier model in centimetres with
// its hats, eyes and animations, the character scripts and the hats file,
// and the respawners the level's start sets off: a soldier behind the hero,
// a partner beside him, a civilian by the houses.
constexpr const char* DEMO_CHARACTER_MODEL = "models\\demo_soldier\\demo_soldier.x";
constexpr const char* DEMO_SOLDIER = "demo_soldier";
constexpr const char* DEMO_SNIPER = "demo_sniper";
constexpr const char* DEMO_PARTNER = "demo_partner";
constexpr const char* DEMO_CIVILIAN = "demo_civilian";
constexpr const char* DEMO_SOLDIER_SPAWN = "soldier_spawn";
constexpr const char* DEMO_PARTNER_SPAWN = "partner_spawn";
constexpr const char* DEMO_CIVILIAN_SPAWN = "civilian_spawn";
// Where the soldier stands (x, z), on the grass south of the road.
constexpr float DEMO_SOLDIER_AT[2] = {-15.0f, -16.0f};
void AddDemoCharacters(std::vector<DemoObject>& objects);
bool WriteDemoCharacters(const std::filesystem::path& root);
std::vector<std::string> DemoCharacterFiles();
// Their voices (DemoWorldVoices.cpp): the alarm shouts "voices\\Enemies\\alarm%d",
// wounded cries "ranny%d" and death cries "dead%d" as short tones; the
// starting pitch of a set ("alarm", "ranny", "dead") and number.
double DemoVoiceHertz(const char* set, int number);
bool WriteDemoVoices(const std::filesystem::path& root);
std::vector<std::string> DemoVoiceFiles();
// The fuse box (DemoWorldFuseBox.cpp): a box on the road behind the start
// that feeds two lamps through its light-control keys; a walk-in trigger
// across the road, DEMO_FUSE_TRIGGER_Z, breaks it, and its lamps go out.
constexpr const char* DEMO_FUSE_BOX = "demo_fuse_box";
constexpr const char* DEMO_FUSE_LAMPS[2] = {"demo_fuse_lamp_a", "demo_fuse_lamp_b"};
constexpr float DEMO_FUSE_TRIGGER_Z = 1.0f;
void AddDemoFuseBox(std::vector<DemoObject>& objects);
bool WriteDemoFuseBox(const std::filesystem::path& root);
std::vector<std::string> DemoFuseBoxFiles();
// The game's own prefabs under "prefabs\special" (DemoWorldSpecial.cpp).
bool WriteSpecialPrefabs(const std::filesystem::path& root);
std::vector<std::string> SpecialPrefabFiles();
// What the menu needs (DemoWorldMenu.cpp): the figure and rifle behind its
// pages, and the demo world under the name New Game starts ("worlds\l01.w")
// with its companion files; written after the demo world, which it copies.
bool WriteMenuFiles(const std::filesystem::path& root);
std::vector<std::string> MenuFiles();
} // namespace worldgen
