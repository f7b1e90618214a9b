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
// The hero's kit corner (DemoWorldHeroKit.cpp), east of the ledge: a ladder up
// the ledge's far end, a barrel that blows up (DEMO_KIT_BARREL_BLOWN) with
// grenades and the launchers lying south of it, a weapon rack with its
// mounted gun, a riding platform with the socket "siedzisko" and a hide zone.
// Places are (x, z) on the ground.
constexpr const char* DEMO_KIT_LADDER = "kit_ladder";
constexpr float DEMO_KIT_LADDER_OUT = 0.1f; // from the ledge's far end
constexpr const char* DEMO_KIT_BARREL = "kit_barrel";
constexpr const char* DEMO_KIT_BARREL_BLOWN = "The kit barrel blew up";
constexpr float DEMO_KIT_BARREL_AT[2] = {84.0f, -22.0f};
constexpr float DEMO_KIT_THROW_FROM[2] = {84.0f, -30.0f};
constexpr const char* DEMO_KIT_RACK = "kit_rack";
constexpr float DEMO_KIT_RACK_AT[2] = {82.0f, -4.0f};
constexpr const char* DEMO_KIT_PLATFORM = "kit_platform";
constexpr float DEMO_KIT_PLATFORM_AT[2] = {90.0f, -8.0f};
constexpr const char* DEMO_KIT_HIDE_ZONE = "kit_hide_zone";
void AddDemoHeroKit(std::vector<DemoObject>& objects);
bool WriteDemoHeroKit(const std::filesystem::path& root);
std::vector<std::string> DemoHeroKitFiles();
// The catalogue's grenade launcher and the mounted guns' descriptions ("AK", "M2").
std::string DemoHeroKitCatalogue();
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
constexpr const char* DEMO_FLYBY_PATH = "flyby"; // typed into the console: no "_"
constexpr const char* DEMO_FLYBY_TARGET_PATH = "flybytarget";
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

// The wind over the town (DemoWorldAmbient.cpp): the object whose actions
// the game runs as the level begins starts it. The level's music is played
// once by the mission (DemoWorldMission.cpp).
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
// The showcase of the sun-lit surfaces (DemoWorldSunlit.cpp): a pond named
// "water", a fence, windows, a tree and grass, a lamp with its glow, light
// shaft and shadowing light, a lava trough, the lens flare's definition, and
// the marker that looks at them and the sun.
constexpr const char* DEMO_SHOWCASE = "showcase";
constexpr float DEMO_SHOWCASE_AT[3] = {-74.0f, 3.0f, -10.0f};
constexpr float DEMO_SHOWCASE_YAW = -10.0f, DEMO_SHOWCASE_PITCH = 8.0f; // degrees
constexpr const char* DEMO_LENS_FLARE_SCRIPT = "scripts\\lensflare\\demo.txt";
void AddDemoSunlit(std::vector<DemoObject>& objects);
bool WriteDemoSunlit(const std::filesystem::path& root);
std::vector<std::string> DemoSunlitFiles();
void AddDemoGulls(std::vector<DemoObject>& objects);
bool WriteDemoGulls(const std::filesystem::path& root);
std::vector<std::string> DemoGullFiles();
// The grass (DemoWorldGrass.cpp): the world's grass script, tufts on the
// green's texture over the "grass" marker and a group of bushes on a low
// meadow patch north of the road.
constexpr const char* DEMO_GRASS_SCRIPT = "scripts\\grass\\level01.txt";
constexpr const char* DEMO_GRASS_PATCH = "grass_patch_01";
constexpr float DEMO_GRASS_PATCH_AT[2] = {-45.0f, 18.0f};
void AddDemoGrass(std::vector<DemoObject>& objects);
bool WriteDemoGrass(const std::filesystem::path& root);
std::vector<std::string> DemoGrassFiles();
// The ground layers (DemoWorldLayers.cpp): the power line of eight poles
// ("pole_01" ...) along the south side of the town and its script, and the
// second world, the green by the river "rzeka" with its drifting objects and
// the rain.
constexpr const char* DEMO_POLE_SCRIPT = "scripts\\slupy\\level01.txt";
constexpr const char* DEMO_RIVER_WORLD = "worlds\\level02.w";
constexpr const char* DEMO_RIVER_SCRIPT = "scripts\\rzeka.txt";
constexpr const char* DEMO_RIVER_PATH = "rzeka";
void AddDemoPoles(std::vector<DemoObject>& objects);
// The river objects listed as "moving" (true) or "static" (false).
std::vector<std::string> DemoRiverObjects(bool moving);
bool WriteDemoLayers(const std::filesystem::path& root);
std::vector<std::string> DemoLayerFiles();
// Writes a file of the data tree with exactly these bytes (folders made as needed).
bool WriteDataFile(const std::filesystem::path& root, const std::string& relative, const std::string& text);

// The people (DemoWorldCharacters.cpp): a soldier model in centimetres with
// its hats, eyes and animations, the character scripts and the hats file,
// and the respawners the level's start sets off: a soldier on guard at the
// east end of the town, a partner beside the hero, a civilian by the houses.
constexpr const char* DEMO_CHARACTER_MODEL = "models\\demo_soldier\\demo_soldier.x";
constexpr const char* DEMO_SOLDIER = "demo_soldier";
constexpr const char* DEMO_SNIPER = "demo_sniper";
constexpr const char* DEMO_PARTNER = "demo_partner";
constexpr const char* DEMO_CIVILIAN = "demo_civilian";
constexpr const char* DEMO_SOLDIER_SPAWN = "soldier_spawn";
constexpr const char* DEMO_PARTNER_SPAWN = "partner_spawn";
constexpr const char* DEMO_CIVILIAN_SPAWN = "civilian_spawn";
// Where the soldier stands guard (x, z): in the lane between the two eastern
// houses south of the road, facing the road, the house west of him hiding him
// from the hero's start and the range. He keeps his guard phase until he sees
// the hero near him or hears or sees a fight, and then fights.
constexpr float DEMO_SOLDIER_AT[2] = {45.0f, -22.0f};
constexpr const char* DEMO_SOLDIER_GUARD_PHASE = "warta";
// The place on the road north of him, just beyond his contact distance, from
// where the hero and he see each other; the console's "Teleport" takes the
// hero there (the marker lies 64 below the hero's centre, as the yard's
// markers do). A few steps nearer, or a shot, and he fights.
constexpr const char* DEMO_LOOKOUT = "lookout"; // typed into the console: no "_"
constexpr float DEMO_LOOKOUT_AT[2] = {45.0f, -5.6f};
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
// The vehicle yard (DemoWorldVehicles.cpp): a truck that drives over a ramp, a
// hovering helicopter and one the hero flies, with the markers the console's
// "Teleport" takes the hero to (the yard's landing spot and the pad).
constexpr const char* DEMO_YARD_MARKER = "vehicleyard";
constexpr const char* DEMO_PAD_MARKER = "helipad";
constexpr const char* DEMO_FLY_HELI = "demo_heli_fly";
void AddDemoVehicles(std::vector<DemoObject>& objects);
bool WriteDemoVehicles(const std::filesystem::path& root);
std::vector<std::string> DemoVehicleFiles();
// The yard's helicopter with its rotor, as boxes round its centre.
std::vector<DemoBox> DemoHelicopterBoxes();

// The background battle (DemoWorldBattlefield.cpp): the jet and the battle
// helicopter; the nests fire the mounted gun's item "AK".
bool WriteDemoBattlefield(const std::filesystem::path& root);
std::vector<std::string> DemoBattlefieldFiles();

// The placed objects (DemoWorldPlacedObjects.cpp): trees and crates in
// groups round the town, their ".om" file and "scripts\\multiple_objects.txt".
bool WriteDemoPlacedObjects(const std::filesystem::path& root);
std::vector<std::string> DemoPlacedObjectFiles();
bool WriteDemoFuseBox(const std::filesystem::path& root);
std::vector<std::string> DemoFuseBoxFiles();
// The waypoint graph and the people's run targets (DemoWorldPaths.cpp): the
// graph file of the world, the marker the civilian runs to before he
// patrols, and a second soldier who runs between two cover points.
constexpr const char* DEMO_GRAPH_FILE = "worlds\\level01.w.pth";
struct DemoPlace
{
    const char* name;
    float x, z;
};
constexpr DemoPlace DEMO_CIVILIAN_GOAL = {"civilian_goal", -24.0f, 8.0f};
constexpr DemoPlace DEMO_COVER_A = {"cover_a", -68.0f, -12.0f};
constexpr DemoPlace DEMO_COVER_B = {"cover_b", -50.0f, -12.0f};
constexpr const char* DEMO_COVER_SOLDIER_SPAWN = "cover_soldier_spawn";
constexpr float DEMO_COVER_SOLDIER_AT[2] = {-58.0f, -10.0f};
constexpr const char* DEMO_CIVILIAN_FIRST_PHASE = "idzie_do_znacznika";
constexpr const char* DEMO_COVER_PHASE = "do_oslony_a";
void AddDemoPathObjects(std::vector<DemoObject>& objects);
bool WriteDemoPaths(const std::filesystem::path& root);
std::vector<std::string> DemoPathFiles();
// The intro cut-scene (DemoWorldCutScene.cpp): its guide model, script and
// voice; the crate it borrows, and the object whose actions set the variable
// that tells the intro has been seen.
constexpr const char* DEMO_INTRO_SCENE = "intro"; // typed into the console: no "_"
constexpr const char* DEMO_INTRO_CRATE = "demo_intro_crate";
constexpr const char* DEMO_INTRO_END = "intro_end";
constexpr const char* DEMO_INTRO_DONE = "introdone"; // asked for in the console: no "_"
constexpr double DEMO_INTRO_VOICE_HERTZ = 520.0;     // the voice's first note
void AddDemoCutScene(std::vector<DemoObject>& objects);
bool WriteDemoCutScene(const std::filesystem::path& root);
std::vector<std::string> DemoCutSceneFiles();
// The dialogues (DemoWorldDialogues.cpp): the radio west of the hero's start
// that speaks two lines when used, the object its last line runs, the
// townsfolk's talk, the hero's lines and the chatter's voices, all tones.
constexpr const char* DEMO_RADIO = "demo_radio";
constexpr const char* DEMO_RADIO_DIALOGUE = "demo_radio";
constexpr const char* DEMO_RADIO_END = "radio_done";
constexpr const char* DEMO_RADIO_DONE = "radiodone"; // asked for in the console: no "_"
constexpr float DEMO_RADIO_DISTANCE = 2.0f;          // west of the hero's start
constexpr const char* DEMO_RADIO_LINES[2] = {"radio_01", "radio_02"};
constexpr double DEMO_RADIO_HERTZ[2] = {700.0, 1100.0};
constexpr const char* DEMO_TOWNSFOLK_DIALOGUE = "demo_townsfolk";
constexpr const char* DEMO_HERO_DIALOGUE = "demo_hero";
constexpr int DEMO_CHATTER_LINES = 20;
constexpr double DEMO_CHATTER_HERTZ = 200.0;
void AddDemoDialogues(std::vector<DemoObject>& objects);
bool WriteDemoDialogues(const std::filesystem::path& root);
std::vector<std::string> DemoDialogueFiles();
// The game's own prefabs under "prefabs\special" (DemoWorldSpecial.cpp).
bool WriteSpecialPrefabs(const std::filesystem::path& root);
std::vector<std::string> SpecialPrefabFiles();
// What the menu needs (DemoWorldMenu.cpp): the figure and rifle behind its
// pages, and the demo world under the name New Game starts ("worlds\l01.w")
// with its companion files; written after the demo world, which it copies.
bool WriteMenuFiles(const std::filesystem::path& root);
std::vector<std::string> MenuFiles();
} // namespace worldgen
