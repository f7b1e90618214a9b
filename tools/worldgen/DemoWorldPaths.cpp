// The waypoint graph of the demo world and the places the people run to: a
// graph on the 2.0 grid over the green and the road, kept clear of the
// houses, towers, crates, barrels and lamp posts (the nodes beside them are
// edge nodes); the marker the civilian runs to before his patrol; the two
// cover points a second soldier moves between; and the probe the game's own
// path generator places.
#include "tools/worldgen/DemoWorld.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

namespace worldgen
{
namespace
{
constexpr const char* kProbeMesh = "prefabs\\special\\postac.x";
constexpr const char* kHiddenMarker = "prefabs\\special\\marker.x";
// The respawners' cache of their places on the graph.
constexpr const char* kRespawnerFile = "worlds\\level01.w.gen";
constexpr float kStep = 2.0f;
constexpr int kColumns = 89; // x from -88 to 88
constexpr int kRows = 17;    // z from -16 to 16
constexpr float kFirstX = -88.0f;
constexpr float kFirstZ = -16.0f;
constexpr float kEyeHeight = 0.86f;
constexpr float kBodyRadius = 0.4f;
constexpr float kRoadHalf = 6.0f;
constexpr float kRoadTop = DEMO_ROAD_TOP;

// What stands in the way, by the object's name: the half sizes of its
// footprint on the ground (x, z).
struct Footprint
{
    const char* prefix;
    float halfX, halfZ;
};
constexpr Footprint kFootprints[] = {
    {"house_", 6.5f, 5.5f},        {"tower_", 4.6f, 4.6f},     {"crate_", 1.0f, 1.0f},
    {"barrel_", 0.75f, 0.75f},     {"lamp_post_", 0.3f, 0.3f}, {"sun_crate", 3.0f, 3.0f},
    {"stair", 2.5f, 1.5f},         {"ledge", 6.0f, 1.5f},      {"physics_crate_", 0.6f, 0.6f},
    {"demo_door", 1.2f, 0.6f},     {"demo_lift", 1.5f, 1.5f},  {"demo_switch", 0.5f, 0.5f},
    {"demo_barrel", 0.75f, 0.75f}, {"demo_crate", 1.0f, 1.0f}, {"range_barrel", 0.75f, 0.75f},
    {"demo_fuse_box", 0.4f, 0.4f},
};

struct Box
{
    float x0, z0, x1, z1;
};

std::vector<Box> Obstacles(const std::vector<DemoObject>& objects)
{
    std::vector<Box> boxes;
    for (const DemoObject& o : objects)
    {
        if (o.kind != DemoObject::Mesh || o.y > 3.0f)
            continue;
        for (const Footprint& f : kFootprints)
            if (o.name.compare(0, std::strlen(f.prefix), f.prefix) == 0)
            {
                boxes.push_back({o.x - f.halfX - kBodyRadius, o.z - f.halfZ - kBodyRadius,
                                 o.x + f.halfX + kBodyRadius, o.z + f.halfZ + kBodyRadius});
                break;
            }
    }
    return boxes;
}

bool Blocked(const std::vector<Box>& boxes, float x, float z)
{
    for (const Box& b : boxes)
        if (x > b.x0 && x < b.x1 && z > b.z0 && z < b.z1)
            return true;
    return false;
}

float Floor(float z)
{
    return std::fabs(z) <= kRoadHalf ? kRoadTop : 0.0f;
}

std::string Number(float v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%f", static_cast<double>(v));
    return text;
}

struct GraphNode
{
    int number;
    float x, z;
};

std::string GraphText(const std::vector<DemoObject>& objects, std::vector<GraphNode>* nodes)
{
    const std::vector<Box> boxes = Obstacles(objects);
    std::map<int, int> numbers; // cell -> node number
    auto cell = [](int i, int k) { return k * kColumns + i; };
    auto x = [](int i) { return kFirstX + kStep * static_cast<float>(i); };
    auto z = [](int k) { return kFirstZ + kStep * static_cast<float>(k); };
    int next = 0;
    for (int k = 0; k < kRows; ++k)
        for (int i = 0; i < kColumns; ++i)
            if (!Blocked(boxes, x(i), z(k)))
                numbers[cell(i, k)] = next++;
    static const int kDx[8] = {0, 1, 1, 1, 0, -1, -1, -1};
    static const int kDz[8] = {1, 1, 0, -1, -1, -1, 0, 1};
    const char* eol = "\r\n";
    std::string t = std::string("0") + eol + eol + "m_pPath 1 2 3" + eol + "CenterPos 0.000000 " +
                    Number(kEyeHeight) + " 0.000000" + eol + "Radius 200.000000" + eol;
    for (int k = 0; k < kRows; ++k)
        for (int i = 0; i < kColumns; ++i)
        {
            const auto found = numbers.find(cell(i, k));
            if (found == numbers.end())
                continue;
            const float floor = Floor(z(k));
            nodes->push_back({found->second, x(i), z(k)});
            t += std::string(eol) + "place " + std::to_string(found->second) + eol;
            t += "posx " + Number(x(i)) + eol + "posy " + Number(floor + kEyeHeight) + eol + "posz " +
                 Number(z(k)) + eol;
            t += "realposx " + Number(x(i)) + eol + "realposy " + Number(floor) + eol + "realposz " +
                 Number(z(k)) + eol;
            for (int s = 0; s < 8; ++s)
            {
                const int ni = i + kDx[s], nk = k + kDz[s];
                if (ni < 0 || ni >= kColumns || nk < 0 || nk >= kRows)
                    continue;
                const auto other = numbers.find(cell(ni, nk));
                // No link whose middle (or, on a diagonal, either corner) is blocked.
                const float mx = (x(i) + x(ni)) * 0.5f, mz = (z(k) + z(nk)) * 0.5f;
                if (other == numbers.end() || Blocked(boxes, mx, mz) || Blocked(boxes, x(ni), z(k)) ||
                    Blocked(boxes, x(i), z(nk)))
                    continue;
                t += "idx" + std::to_string(s) + " " + std::to_string(other->second) + eol;
            }
        }
    return t;
}
} // namespace

void AddDemoPathObjects(std::vector<DemoObject>& objects)
{
    for (const DemoPlace& m : {DEMO_CIVILIAN_GOAL, DEMO_COVER_A, DEMO_COVER_B})
        objects.push_back(MeshAt(m.name, kHiddenMarker, m.x, Floor(m.z), m.z, {"flags 0"}));
    // The civilian's respawner hands on to the soldier who moves between covers.
    for (DemoObject& o : objects)
        if (o.name == DEMO_CIVILIAN_SPAWN)
            o.keys.push_back(std::string("action_give_action_to___mesh ") + DEMO_COVER_SOLDIER_SPAWN);
    DemoObject s = MeshAt(DEMO_COVER_SOLDIER_SPAWN, DEMO_LEVEL_START_MESH, DEMO_COVER_SOLDIER_AT[0], 0.0f,
                          DEMO_COVER_SOLDIER_AT[1]);
    s.keys = {"flags 0",
              "action_general_opt 1 0",
              "action_general_2 0 1",
              "rotation_angles 0 -90 0",
              std::string("action_respawn_character_name ") + DEMO_SOLDIER,
              std::string("action_respawn_character_phase0 ") + DEMO_COVER_PHASE,
              std::string("action_respawn_character_phase1 ") + DEMO_COVER_PHASE,
              "action_respawn_params 5 0"};
    objects.push_back(s);
}

bool WriteDemoPaths(const std::filesystem::path& root)
{
    const float grey[3] = {0.5f, 0.5f, 0.5f};
    bool ok = WriteBoxMesh(root, Slashes(kProbeMesh), "postac",
                           {{{-0.375f, -0.86f, -0.375f},
                             {0.375f, 0.86f, 0.375f},
                             {grey[0], grey[1], grey[2]},
                             "demo_stone.tga"}});
    const std::vector<DemoObject> objects = DemoObjects();
    std::vector<GraphNode> nodes;
    ok = WriteDataFile(root, Slashes(DEMO_GRAPH_FILE), GraphText(objects, &nodes)) && ok;
    // The respawners' cached places: each one's nearest node, so the game
    // finds them at once instead of searching and writing the file itself.
    std::string cache;
    for (const DemoObject& o : objects)
    {
        bool respawner = false;
        for (const std::string& key : o.keys)
            respawner = respawner || key.rfind("action_respawn_character_name ", 0) == 0;
        if (!respawner)
            continue;
        const GraphNode* best = nullptr;
        float bestDistance = 0.0f;
        for (const GraphNode& n : nodes)
        {
            const float d = std::hypot(n.x - o.x, n.z - o.z);
            if (!best || d < bestDistance)
            {
                best = &n;
                bestDistance = d;
            }
        }
        if (best)
            cache += o.name + "\n1\n2\n3\n" + std::to_string(best->number) + "\n";
    }
    ok = WriteDataFile(root, Slashes(kRespawnerFile), cache) && ok;
    return ok;
}

std::vector<std::string> DemoPathFiles()
{
    return {Slashes(kProbeMesh), Slashes(DEMO_GRAPH_FILE), Slashes(kRespawnerFile)};
}
} // namespace worldgen
