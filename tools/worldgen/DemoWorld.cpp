// The demo world's generator: box meshes through the .x writer, their levels
// of detail in the mesh cache folder, socket files and the world file.
#include "tools/worldgen/DemoWorld.h"

#include "platform/d3dx/XMesh.h"
#include "platform/win32/Path.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace worldgen
{
namespace
{
using tk::xfile::XMaterialDesc;
using tk::xfile::XMeshDesc;

struct V3
{
    float x, y, z;
};

V3 Sub(V3 a, V3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 Cross(V3 a, V3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot(V3 a, V3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// World space to the mesh's own space (see DemoWorld.h): the same axes.
V3 ToMesh(V3 w)
{
    return w;
}

XMaterialDesc Colour(const char* texture, float r, float g, float b, float power = 0.0f)
{
    XMaterialDesc m;
    m.texture = texture;
    m.diffuse[0] = r;
    m.diffuse[1] = g;
    m.diffuse[2] = b;
    m.diffuse[3] = 1.0f;
    m.power = power;
    return m;
}

// A mesh built from boxes given in world space.
class Boxes
{
public:
    explicit Boxes(std::string name) { m_mesh.name = std::move(name); }

    // `tile`: the world size of one repeat of the texture over the faces of
    // this material; 0 spreads the texture once over each face.
    int Material(const XMaterialDesc& m, float tile = 0.0f)
    {
        m_mesh.materials.push_back(m);
        m_tile.push_back(tile);
        return static_cast<int>(m_mesh.materials.size()) - 1;
    }

    // An axis-aligned box from lo to hi; inward faces for a box seen from inside.
    void Box(V3 lo, V3 hi, int material, bool inward = false)
    {
        const float sign = inward ? -1.0f : 1.0f;
        // Each face: its outward normal and its four corners.
        const V3 faces[6][5] = {
            {{1, 0, 0}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {hi.x, lo.y, hi.z}},
            {{-1, 0, 0}, {lo.x, lo.y, hi.z}, {lo.x, hi.y, hi.z}, {lo.x, hi.y, lo.z}, {lo.x, lo.y, lo.z}},
            {{0, 1, 0}, {lo.x, hi.y, lo.z}, {lo.x, hi.y, hi.z}, {hi.x, hi.y, hi.z}, {hi.x, hi.y, lo.z}},
            {{0, -1, 0}, {lo.x, lo.y, hi.z}, {lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}},
            {{0, 0, 1}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}, {lo.x, lo.y, hi.z}},
            {{0, 0, -1}, {lo.x, lo.y, lo.z}, {lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, lo.y, lo.z}},
        };
        static constexpr float UV[4][2] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
        const float tile = m_tile[static_cast<size_t>(material)];
        for (const auto& f : faces)
        {
            const V3 n = {f[0].x * sign, f[0].y * sign, f[0].z * sign};
            const uint32_t first = static_cast<uint32_t>(m_mesh.positions.size() / 3);
            for (int i = 0; i < 4; ++i)
            {
                const V3 p = ToMesh(f[i + 1]);
                const V3 mn = ToMesh(n);
                m_mesh.positions.insert(m_mesh.positions.end(), {p.x, p.y, p.z});
                m_mesh.normals.insert(m_mesh.normals.end(), {mn.x, mn.y, mn.z});
                if (tile > 0.0f)
                {
                    // Repeated at its world size along the face's two axes, so
                    // a long face shows the texture unstretched.
                    const float along = f[0].x != 0.0f ? p.z : p.x;
                    const float across = f[0].y != 0.0f ? p.z : p.y;
                    m_mesh.texcoords.insert(m_mesh.texcoords.end(), {along / tile, across / tile});
                }
                else
                    m_mesh.texcoords.insert(m_mesh.texcoords.end(), {UV[i][0], UV[i][1]});
            }
            // Front faces wind clockwise seen from outside: (b - a) x (c - a)
            // points along the normal.
            uint32_t quad[4] = {first, first + 1, first + 2, first + 3};
            const V3 a = f[1], b = f[2], c = f[3];
            if (Dot(Cross(Sub(b, a), Sub(c, a)), n) < 0.0f)
                std::swap(quad[1], quad[3]);
            m_mesh.indices.insert(m_mesh.indices.end(),
                                  {quad[0], quad[1], quad[2], quad[0], quad[2], quad[3]});
            m_mesh.faceMaterials.insert(m_mesh.faceMaterials.end(),
                                        {static_cast<uint32_t>(material), static_cast<uint32_t>(material)});
        }
    }

    const XMeshDesc& Desc() const { return m_mesh; }

private:
    XMeshDesc m_mesh;
    std::vector<float> m_tile; // per material
};

// ---- The meshes --------------------------------------------------------------------------

constexpr float GROUND_HALF = 200.0f;
constexpr float GROUND_DEPTH = 1.0f;
constexpr float SKY_HALF = 40.0f; // the sky pass scales it by 100
// The mesh loader welds vertices closer than a tenth of a unit: every part of
// a mesh keeps its corners at least this far from those of the others.
constexpr float PART_GAP = 0.25f;
constexpr float ROAD_HEIGHT = PART_GAP;
// World units per repeat of the road's and the green's textures.
constexpr float ROAD_TILE = 4.0f;
constexpr float GROUND_TILE = 8.0f;

Boxes Ground()
{
    Boxes m("ground");
    const int grass = m.Material(Colour("demo_grass.tga", 0.32f, 0.52f, 0.22f), GROUND_TILE);
    const int road = m.Material(Colour("demo_road.tga", 0.35f, 0.33f, 0.30f), ROAD_TILE);
    m.Box({-GROUND_HALF, -GROUND_DEPTH, -GROUND_HALF}, {GROUND_HALF, 0.0f, GROUND_HALF}, grass);
    // A road across the green, a little above it.
    m.Box({-GROUND_HALF + 1.0f, 0.0f, -6.0f}, {GROUND_HALF - 1.0f, ROAD_HEIGHT, 6.0f}, road);
    return m;
}

Boxes House()
{
    Boxes m("house");
    const int wall = m.Material(Colour("demo_plaster.tga", 0.80f, 0.74f, 0.62f));
    const int roof = m.Material(Colour("demo_roof.tga", 0.55f, 0.18f, 0.12f));
    const int door = m.Material(Colour("demo_wood.tga", 0.30f, 0.20f, 0.12f));
    m.Box({-6.0f, 0.0f, -5.0f}, {6.0f, 7.0f, 5.0f}, wall);
    m.Box({-6.5f, 7.0f, -5.5f}, {6.5f, 7.6f, 5.5f}, roof);
    m.Box({-4.5f, 7.6f, -3.5f}, {4.5f, 9.2f, 3.5f}, roof);
    m.Box({3.0f, 9.2f, 1.0f}, {4.2f, 11.0f, 2.2f}, wall); // chimney
    m.Box({-1.0f, 0.0f, -5.0f - PART_GAP}, {1.0f, 3.0f, -5.0f}, door);
    return m;
}

Boxes Tower()
{
    Boxes m("tower");
    const int stone = m.Material(Colour("demo_stone.tga", 0.55f, 0.56f, 0.58f));
    const int dark = m.Material(Colour("demo_stone.tga", 0.25f, 0.26f, 0.28f));
    m.Box({-4.0f, 0.0f, -4.0f}, {4.0f, 28.0f, 4.0f}, stone);
    m.Box({-4.6f, 28.0f, -4.6f}, {4.6f, 29.0f, 4.6f}, dark);
    // Four merlons on the parapet.
    for (const V3 c : {V3{-3.6f, 0, -3.6f}, V3{3.6f, 0, -3.6f}, V3{-3.6f, 0, 3.6f}, V3{3.6f, 0, 3.6f}})
        m.Box({c.x - 0.8f, 29.0f, c.z - 0.8f}, {c.x + 0.8f, 30.5f, c.z + 0.8f}, stone);
    return m;
}

// A crate: a box with slats; its coarser levels of detail drop the slats.
Boxes Crate(int lod)
{
    Boxes m("crate");
    const int wood = m.Material(Colour("demo_wood.tga", 0.55f, 0.38f, 0.20f));
    const int slat = m.Material(Colour("demo_wood.tga", 0.42f, 0.28f, 0.14f));
    m.Box({-0.75f, 0.0f, -0.75f}, {0.75f, 1.5f, 0.75f}, wood);
    if (lod < 1)
        for (float y : {0.3f, 1.0f})
            m.Box({-0.75f - PART_GAP, y, -0.75f - PART_GAP},
                  {0.75f + PART_GAP, y + PART_GAP, 0.75f + PART_GAP}, slat);
    return m;
}

Boxes Barrel(int lod)
{
    Boxes m("barrel");
    const int body = m.Material(Colour("demo_wood.tga", 0.45f, 0.10f, 0.08f));
    const int ring = m.Material(Colour("demo_iron.tga", 0.20f, 0.20f, 0.22f));
    m.Box({-0.5f, 0.0f, -0.5f}, {0.5f, 1.3f, 0.5f}, body);
    constexpr float R = 0.5f + PART_GAP;
    if (lod < 2)
        m.Box({-R, 0.55f, -R}, {R, 0.55f + PART_GAP, R}, ring);
    if (lod < 1)
        for (float y : {0.25f, 0.85f})
            m.Box({-R, y, -R}, {R, y + PART_GAP, R}, ring);
    return m;
}

constexpr float LAMP_HEIGHT = 6.0f;

Boxes LampPost()
{
    Boxes m("lamp_post");
    const int iron = m.Material(Colour("demo_iron.tga", 0.08f, 0.08f, 0.09f));
    const int glass = m.Material(Colour("demo_glass.tga", 1.0f, 0.9f, 0.6f, 8.0f));
    m.Box({-0.15f, 0.0f, -0.15f}, {0.15f, LAMP_HEIGHT, 0.15f}, iron);
    m.Box({-0.4f, LAMP_HEIGHT, -0.4f}, {0.4f, LAMP_HEIGHT + 0.6f, 0.4f}, glass);
    m.Box({-0.4f - PART_GAP, LAMP_HEIGHT + 0.6f, -0.4f - PART_GAP},
          {0.4f + PART_GAP, LAMP_HEIGHT + 0.6f + PART_GAP, 0.4f + PART_GAP}, iron);
    return m;
}

Boxes Sky()
{
    Boxes m("sky");
    const int sky = m.Material(Colour("demo_sky.tga", 0.45f, 0.62f, 0.85f));
    m.Box({-SKY_HALF, -SKY_HALF, -SKY_HALF}, {SKY_HALF, SKY_HALF, SKY_HALF}, sky, true);
    return m;
}

// ---- Textures --------------------------------------------------------------------------------

constexpr int TEXTURE_SIZE = 64;
constexpr int TGA_HEADER = 18;
constexpr int TGA_TRUE_COLOUR = 2;
constexpr int TGA_BITS = 24;
constexpr int TGA_TOP_LEFT = 0x20;

// A small repeatable noise, so the same generator writes the same bytes.
struct Noise
{
    uint32_t state;
    int Next(int range)
    {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 16) % static_cast<uint32_t>(range));
    }
};

enum class Pattern
{
    Noise,
    Planks,
    Blocks,
    Tiles,
    Gradient,
};

struct TextureDesc
{
    const char* file;
    Pattern pattern;
    int r, g, b;
    int spread;
};

constexpr TextureDesc TEXTURES[] = {
    {"textures\\demo\\demo_grass.tga", Pattern::Noise, 70, 120, 50, 40},
    {"textures\\demo\\demo_road.tga", Pattern::Noise, 90, 86, 80, 30},
    {"textures\\demo\\demo_plaster.tga", Pattern::Noise, 205, 190, 160, 16},
    {"textures\\demo\\demo_roof.tga", Pattern::Tiles, 150, 50, 35, 20},
    {"textures\\demo\\demo_wood.tga", Pattern::Planks, 140, 95, 55, 24},
    {"textures\\demo\\demo_stone.tga", Pattern::Blocks, 140, 142, 146, 24},
    {"textures\\demo\\demo_iron.tga", Pattern::Noise, 40, 40, 44, 12},
    {"textures\\demo\\demo_glass.tga", Pattern::Noise, 250, 225, 150, 8},
    {"textures\\demo\\demo_sky.tga", Pattern::Gradient, 120, 165, 220, 0},
};

// The pattern's brightness offset at every texel: the colour texture adds it
// to its base colour, and the normal map reads it as a height field, so the
// joints of planks, blocks and tiles are grooves in both.
std::vector<int> Shades(const TextureDesc& t)
{
    std::vector<int> shades(static_cast<size_t>(TEXTURE_SIZE) * TEXTURE_SIZE);
    Noise noise{static_cast<uint32_t>(t.r * 65536 + t.g * 256 + t.b)};
    for (int y = 0; y < TEXTURE_SIZE; ++y)
        for (int x = 0; x < TEXTURE_SIZE; ++x)
        {
            int shade = t.spread ? noise.Next(t.spread) - t.spread / 2 : 0;
            switch (t.pattern)
            {
            case Pattern::Planks:
                shade += (x % 16 == 0) ? -40 : ((y * 7 + x / 16 * 13) % 23 < 2 ? -15 : 0);
                break;
            case Pattern::Blocks:
                shade += (y % 16 == 0 || (x + (y / 16 % 2) * 16) % 32 == 0) ? -50 : 0;
                break;
            case Pattern::Tiles:
                shade += (y % 8 == 0) ? -45 : ((x + (y / 8 % 2) * 4) % 8 == 0 ? -25 : 0);
                break;
            case Pattern::Gradient:
                shade += (TEXTURE_SIZE - y) / 2;
                break;
            case Pattern::Noise:
                break;
            }
            shades[static_cast<size_t>(y) * TEXTURE_SIZE + x] = shade;
        }
    return shades;
}

std::string TgaHeader()
{
    std::string bytes(TGA_HEADER, '\0');
    bytes[2] = static_cast<char>(TGA_TRUE_COLOUR);
    bytes[12] = static_cast<char>(TEXTURE_SIZE & 0xFF);
    bytes[13] = static_cast<char>(TEXTURE_SIZE >> 8);
    bytes[14] = static_cast<char>(TEXTURE_SIZE & 0xFF);
    bytes[15] = static_cast<char>(TEXTURE_SIZE >> 8);
    bytes[16] = static_cast<char>(TGA_BITS);
    bytes[17] = static_cast<char>(TGA_TOP_LEFT);
    return bytes;
}

std::string Tga(const TextureDesc& t)
{
    std::string bytes = TgaHeader();
    for (int shade : Shades(t))
        for (int c : {t.b, t.g, t.r})
            bytes += static_cast<char>(std::clamp(c + shade, 0, 255));
    return bytes;
}

// How steep a step of one shade level is in the normal map: a joint of -40
// tilts its edges by about 45 degrees, the noise only a little.
constexpr float NORMAL_RELIEF = 1.0f / 40.0f;

// The normal map the renderer looks for next to a texture: "<base>_normal"
// with the texture's extension. The sky is drawn without one.
bool HasNormalMap(const TextureDesc& t)
{
    return t.pattern != Pattern::Gradient;
}

std::string NormalMapFile(const TextureDesc& t)
{
    std::string name = t.file;
    return name.insert(name.rfind('.'), "_normal");
}

// Tangent-space normals of the shade field (x right, y down the picture, z out
// of the surface), encoded as 0..255 per axis; the field wraps as the texture
// tiles.
std::string NormalTga(const TextureDesc& t)
{
    const std::vector<int> h = Shades(t);
    auto at = [&](int x, int y)
    {
        x = (x + TEXTURE_SIZE) % TEXTURE_SIZE;
        y = (y + TEXTURE_SIZE) % TEXTURE_SIZE;
        return static_cast<float>(h[static_cast<size_t>(y) * TEXTURE_SIZE + x]);
    };
    auto encode = [](float v) { return static_cast<char>(std::lround((v * 0.5f + 0.5f) * 255.0f)); };
    std::string bytes = TgaHeader();
    for (int y = 0; y < TEXTURE_SIZE; ++y)
        for (int x = 0; x < TEXTURE_SIZE; ++x)
        {
            const float nx = -(at(x + 1, y) - at(x - 1, y)) * 0.5f * NORMAL_RELIEF;
            const float ny = -(at(x, y + 1) - at(x, y - 1)) * 0.5f * NORMAL_RELIEF;
            const float length = std::sqrt(nx * nx + ny * ny + 1.0f);
            bytes += encode(1.0f / length); // blue: z
            bytes += encode(ny / length);
            bytes += encode(nx / length);
        }
    return bytes;
}

// ---- Files -------------------------------------------------------------------------------------

constexpr const char* GROUND = "meshes\\demo\\ground.x";
constexpr const char* HOUSE = "meshes\\demo\\house.x";
constexpr const char* TOWER = "meshes\\demo\\tower.x";
constexpr const char* CRATE = "meshes\\demo\\crate.x";
constexpr const char* BARREL = "meshes\\demo\\barrel.x";
constexpr const char* LAMP_POST = "meshes\\demo\\lamp_post.x";
constexpr const char* LAMP_SOCKET = "light_point";
constexpr const char* CRATE_SOCKET = "top";
constexpr int LODS = 3;

// The mesh cache names its levels of detail after the mesh's path: "\"
// becomes "_", all lower case, "vx" + the level + ".x" appended.
std::string LodFile(const char* mesh, int lod)
{
    std::string name = "!opt\\";
    for (const char* p = mesh; *p; ++p)
        name += *p == '\\' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return name + "vx" + std::to_string(lod) + ".x";
}

std::string Number(float v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
    return text;
}

bool WriteText(const std::filesystem::path& root, const std::string& relative, const std::string& text)
{
    const std::filesystem::path path = root / Slashes(relative);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    FILE* f = TkFopen(path.string().c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

bool WriteMesh(const std::filesystem::path& root, const std::string& relative, const Boxes& mesh)
{
    const std::filesystem::path path = root / Slashes(relative);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    return tk::xfile::XWriteMeshFile(path.string().c_str(), mesh.Desc(), tk::xfile::XFormat::Text);
}

// A socket file: its mesh and one socket, the position in the mesh's own space.
std::string SocketFile(const char* mesh, const char* socket, V3 world)
{
    const V3 p = ToMesh(world);
    return std::string("mesh_filename ") + mesh + "\r\nsocket " + socket + " " + Number(p.x) + " " +
           Number(p.y) + " " + Number(p.z) + "\r\n";
}

constexpr const char* LAMP_SOCKETS = "scripts\\mesh_sockets\\demo_lamp_post.txt";
constexpr const char* CRATE_SOCKETS = "scripts\\mesh_sockets\\demo_crate.txt";

std::string Numbered(const char* stem, int i)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s_%02d", stem, i);
    return text;
}

// World-wide values: a clear afternoon with a light haze.
constexpr const char* WORLD_SETTINGS[] = {
    "world_general_properties",
    "farz 3000",
    "fog0 12898036 1.0 0.55",
    "global_ambient_light 4605510",
    "sky_light_use 1",
    "sky_light_direction 40 135",
    "sky_light_color 16773330",
    "sky_light_power 1.2",
    "lens_flare_direction 40 135",
    "lensflare_script scripts\\lensflare\\demo.txt",
    "bloom_params 5 0.3",
    "HDRTargetLuminance 0.38",
    "skinmesh_skylight_coef 1",
    "skinmesh_ambient_coef 1",
};
} // namespace

std::string Slashes(std::string name)
{
    for (char& c : name)
        if (c == '\\')
            c = '/';
    return name;
}

DemoObject MeshAt(const std::string& name, const char* file, float x, float y, float z,
                  std::vector<std::string> keys)
{
    DemoObject o;
    o.kind = DemoObject::Mesh;
    o.name = name;
    o.file = file;
    o.x = x;
    o.y = y;
    o.z = z;
    o.keys = std::move(keys);
    return o;
}

bool WriteTextFile(const std::filesystem::path& root, const std::string& relative, const std::string& text)
{
    return WriteText(root, relative, text);
}

bool WriteBoxMesh(const std::filesystem::path& root, const std::string& relative, const char* name,
                  const std::vector<DemoBox>& boxes)
{
    Boxes m(name);
    for (const DemoBox& b : boxes)
    {
        const int material = m.Material(Colour(b.texture, b.rgb[0], b.rgb[1], b.rgb[2]));
        m.Box({b.lo[0], b.lo[1], b.lo[2]}, {b.hi[0], b.hi[1], b.hi[2]}, material);
    }
    return WriteMesh(root, relative, m);
}

std::vector<DemoObject> DemoObjects()
{
    std::vector<DemoObject> objects;
    objects.push_back(MeshAt("ground", GROUND, 0.0f, 0.0f, 0.0f));
    // Houses along both sides of the road, towers at its ends.
    const float houseX[] = {-60.0f, -30.0f, 0.0f, 30.0f, 60.0f};
    int house = 0;
    for (float side : {-18.0f, 18.0f})
        for (float x : houseX)
            objects.push_back(MeshAt(Numbered("house", ++house), HOUSE, x, 0.0f, side));
    objects.push_back(MeshAt("tower_01", TOWER, -95.0f, 0.0f, 0.0f));
    objects.push_back(MeshAt("tower_02", TOWER, 95.0f, 0.0f, 0.0f));
    // Crates in a yard, one stacked on another; barrels beside them.
    int crate = 0;
    for (float x : {-45.0f, -42.8f, -40.6f})
        objects.push_back(MeshAt(Numbered("crate", ++crate), CRATE, x, 0.0f, -9.0f));
    objects.push_back(MeshAt(Numbered("crate", ++crate), CRATE, -42.8f, 1.5f, -9.0f));
    int barrel = 0;
    for (float x : {-38.0f, -36.8f, 36.0f, 37.2f})
        objects.push_back(MeshAt(Numbered("barrel", ++barrel), BARREL, x, 0.0f, -8.5f));
    // Lamp posts along the road, each with its light at the lamp's socket.
    int lamp = 0;
    for (float x : {-45.0f, -15.0f, 15.0f, 45.0f})
        objects.push_back(MeshAt(Numbered("lamp_post", ++lamp), LAMP_POST, x, 0.0f, 7.5f));
    const float lampX[] = {-45.0f, -15.0f, 15.0f, 45.0f};
    for (int i = 0; i < lamp; ++i)
    {
        DemoObject l;
        l.kind = DemoObject::Light;
        l.name = Numbered("lamp_light", i + 1);
        l.x = lampX[i];
        l.y = LAMP_HEIGHT + 0.3f;
        l.z = 7.5f;
        l.range = 18.0f;
        l.power = 1.0f;
        l.color[0] = 1.0f;
        l.color[1] = 0.85f;
        l.color[2] = 0.6f;
        l.tiedTo = Numbered("lamp_post", i + 1);
        l.tiedSocket = LAMP_SOCKET;
        objects.push_back(l);
    }
    // A cool fill light over the square.
    DemoObject fill;
    fill.kind = DemoObject::Light;
    fill.name = "square_fill";
    fill.x = 0.0f;
    fill.y = 25.0f;
    fill.z = 0.0f;
    fill.range = 80.0f;
    fill.power = 0.5f;
    fill.color[0] = 0.7f;
    fill.color[1] = 0.8f;
    fill.color[2] = 1.0f;
    objects.push_back(fill);
    AddDemoPhysicsObjects(objects);
    AddDemoItems(&objects);
    AddActionObjects(objects);
    AddBezierObjects(objects);
    AppendSunObjects(objects);
    AddDemoHero(objects);
    AddShootingObjects(objects);
    AddDemoFigures(objects);
    AddDemoAmbient(objects);
    AddScriptObjects(objects);
    AddDemoCharacters(objects);
    AddDemoPathObjects(objects);
    AddDemoFuseBox(objects);
    AddDemoGulls(objects);
    AddDemoGrass(objects);
    AddDemoPoles(objects);
    AddDemoSunlit(objects);
    AddDemoVehicles(objects);
    AddDemoHeroKit(objects);
    AddDemoCutScene(objects);
    AddDemoDialogues(objects);
    return objects;
}

bool WriteDataFile(const std::filesystem::path& root, const std::string& relative, const std::string& text)
{
    return WriteText(root, relative, text);
}

std::vector<std::string> DemoWorldFiles()
{
    std::vector<std::string> files = {GROUND,    HOUSE,         TOWER,        CRATE,         BARREL,
                                      LAMP_POST, DEMO_SKY_MESH, LAMP_SOCKETS, CRATE_SOCKETS, DEMO_WORLD_FILE};
    for (int lod = 0; lod < LODS; ++lod)
    {
        files.push_back(LodFile(CRATE, lod));
        files.push_back(LodFile(BARREL, lod));
    }
    for (const TextureDesc& t : TEXTURES)
    {
        files.push_back(t.file);
        if (HasNormalMap(t))
            files.push_back(NormalMapFile(t));
    }
    AddDemoItemFiles(&files);
    for (const std::string& f : ActionMeshFiles())
        files.push_back(f);
    for (const std::string& f : DemoHeroFiles())
        files.push_back(f);
    AddShootingFiles(&files);
    for (const std::string& f : DemoFigureFiles())
        files.push_back(f);
    for (const std::string& f : DemoScriptFiles())
        files.push_back(f);
    for (const std::string& f : DemoMissionFiles())
        files.push_back(f);
    for (const std::string& f : DemoCharacterFiles())
        files.push_back(f);
    for (const std::string& f : DemoFuseBoxFiles())
        files.push_back(f);
    for (const std::string& f : SpecialPrefabFiles())
        files.push_back(f);
    for (const std::string& f : DemoBezierFiles())
        files.push_back(f);
    for (const std::string& f : DemoGullFiles())
        files.push_back(f);
    for (const std::string& f : DemoSunlitFiles())
        files.push_back(f);
    for (const std::string& f : DemoHeroKitFiles())
        files.push_back(f);
    for (const std::string& f : DemoCutSceneFiles())
        files.push_back(f);
    for (const std::string& f : DemoDialogueFiles())
        files.push_back(f);
    for (const std::string& f : MenuFiles())
        files.push_back(f);
    for (auto& f : files)
        f = Slashes(f);
    for (const std::string& f : DemoPhysicsFiles())
        files.push_back(f);
    for (const std::string& f : DemoLayerFiles())
        files.push_back(f);
    for (const std::string& f : DemoGrassFiles())
        files.push_back(f);
    for (const std::string& f : DemoVehicleFiles())
        files.push_back(f);
    for (const std::string& f : DemoPathFiles())
        files.push_back(f);
    for (const std::string& f : DemoBattlefieldFiles())
        files.push_back(f);
    for (const std::string& f : DemoPlacedObjectFiles())
        files.push_back(f);
    return files;
}

bool WriteDemoWorld(const std::filesystem::path& root)
{
    bool ok = WriteMesh(root, GROUND, Ground());
    ok = WriteMesh(root, HOUSE, House()) && ok;
    ok = WriteMesh(root, TOWER, Tower()) && ok;
    ok = WriteMesh(root, CRATE, Crate(0)) && ok;
    ok = WriteMesh(root, BARREL, Barrel(0)) && ok;
    ok = WriteMesh(root, LAMP_POST, LampPost()) && ok;
    ok = WriteMesh(root, DEMO_SKY_MESH, Sky()) && ok;
    for (int lod = 0; lod < LODS; ++lod)
    {
        ok = WriteMesh(root, LodFile(CRATE, lod), Crate(lod)) && ok;
        ok = WriteMesh(root, LodFile(BARREL, lod), Barrel(lod)) && ok;
    }
    for (const TextureDesc& t : TEXTURES)
    {
        ok = WriteText(root, t.file, Tga(t)) && ok;
        if (HasNormalMap(t))
            ok = WriteText(root, NormalMapFile(t), NormalTga(t)) && ok;
    }
    ok =
        WriteText(root, LAMP_SOCKETS, SocketFile(LAMP_POST, LAMP_SOCKET, {0.0f, LAMP_HEIGHT + 0.3f, 0.0f})) &&
        ok;
    ok = WriteText(root, CRATE_SOCKETS, SocketFile(CRATE, CRATE_SOCKET, {0.0f, 1.5f, 0.0f})) && ok;
    ok = WriteDemoPhysicsFiles(root) && ok;
    ok = WriteActionMeshes(root) && ok;
    ok = WriteDemoHero(root) && ok;
    ok = WriteShootingFiles(root) && ok;
    ok = WriteDemoFigures(root) && ok;
    ok = WriteDemoScripts(root) && ok;
    ok = WriteDemoMission(root) && ok;
    ok = WriteDemoCharacters(root) && ok;
    ok = WriteDemoPaths(root) && ok;
    ok = WriteDemoFuseBox(root) && ok;
    ok = WriteSpecialPrefabs(root) && ok;
    ok = WriteDemoBezier(root) && ok;
    ok = WriteDemoGulls(root) && ok;
    ok = WriteDemoGrass(root) && ok;
    ok = WriteDemoLayers(root) && ok;
    ok = WriteDemoSunlit(root) && ok;
    ok = WriteDemoVehicles(root) && ok;
    ok = WriteDemoHeroKit(root) && ok;
    ok = WriteDemoCutScene(root) && ok;
    ok = WriteDemoDialogues(root) && ok;
    ok = WriteDemoBattlefield(root) && ok;
    ok = WriteDemoPlacedObjects(root) && ok;

    // The world file, with CR LF line ends as the level editor writes them.
    const char* const EOL = "\r\n";
    std::string w;
    for (const char* line : WORLD_SETTINGS)
        w += std::string(line) + EOL;
    w += std::string("sky_mesh ") + DEMO_SKY_MESH + EOL;
    for (const DemoObject& o : DemoObjects())
    {
        if (o.kind == DemoObject::Mesh)
            w += "mesh " + o.file + EOL;
        else if (o.kind == DemoObject::SkinMesh)
            w += "skinmesh " + o.file + EOL;
        else
            w += std::string("light") + EOL;
        w += "name " + o.name + EOL;
        w += "xpos " + Number(o.x) + EOL;
        w += "ypos " + Number(o.y) + EOL;
        w += "zpos " + Number(o.z) + EOL;
        if (o.name == "ground")
            w += std::string("terrain_mesh") + EOL;
        w += DemoPhysicsKeys(o);
        w += DemoEffectLines(o.name, EOL);
        if (o.kind == DemoObject::Light)
        {
            w += "range " + Number(o.range) + EOL;
            w += "power " + Number(o.power) + EOL;
            w += "diffuse " + Number(o.color[0]) + " " + Number(o.color[1]) + " " + Number(o.color[2]) + EOL;
            if (!o.tiedTo.empty())
                w += "light_link_by_socket 1 " + o.tiedTo + " " + o.tiedSocket + EOL;
        }
        for (const std::string& key : o.keys)
            w += key + EOL;
    }
    ok = WriteText(root, DEMO_WORLD_FILE, w) && ok;
    ok = WriteDemoItems(root) && ok;
    ok = WriteMenuFiles(root) && ok;
    return ok;
}
} // namespace worldgen
