// Mesh operations: point representatives and adjacency, cleaning, welding, validation, optimisation,
// normals, tangent frames and bounds. Every choice between equals takes the lowest index, so the
// results are the same on every run.
#include "platform/d3dx/MeshData.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <string>
#include <unordered_map>

namespace tk::d3dx
{
namespace
{
constexpr DWORD kCacheSize = 16;
constexpr float kDefaultWeldEpsilon = 1.0e-6f;
constexpr float kTinyLength = 1.0e-12f;
constexpr size_t kTexcoordEpsilons = 8;
constexpr int kNeighbourCells = 1;

uint64_t EdgeKey(DWORD a, DWORD b)
{
    return (uint64_t(a) << 32) | b;
}

struct CellKey
{
    int64_t x, y, z;
    bool operator==(const CellKey& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct CellHash
{
    size_t operator()(const CellKey& k) const
    {
        // Cells of huge coordinates are far from zero: the products wrap, which unsigned
        // arithmetic allows.
        const uint64_t x = uint64_t(k.x), y = uint64_t(k.y), z = uint64_t(k.z);
        return std::hash<uint64_t>()(x * 73856093u ^ y * 19349663u ^ z * 83492791u);
    }
};

int64_t Cell(float v, float size)
{
    const double c = std::floor(static_cast<double>(v) / size);
    constexpr double kLimit = 4.0e18;
    return static_cast<int64_t>(std::clamp(c, -kLimit, kLimit));
}

bool Near(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float epsilon)
{
    return std::fabs(a.x - b.x) <= epsilon && std::fabs(a.y - b.y) <= epsilon &&
           std::fabs(a.z - b.z) <= epsilon;
}

// The faces around each vertex index.
void VertexFaces(const MeshData& mesh, std::vector<std::vector<DWORD>>* faces)
{
    faces->assign(mesh.VertexCount(), {});
    for (DWORD f = 0; f < mesh.FaceCount(); ++f)
        for (DWORD c = 0; c < kCorners; ++c)
        {
            auto& list = (*faces)[mesh.indices[f * kCorners + c]];
            if (list.empty() || list.back() != f)
                list.push_back(f);
        }
}

// Groups of the faces around vertex v that are joined through edges holding v.
std::vector<std::vector<DWORD>> Fans(const MeshData& mesh, const std::vector<DWORD>& adjacency, DWORD v,
                                     const std::vector<DWORD>& around)
{
    std::vector<std::vector<DWORD>> groups;
    std::vector<char> seen(around.size(), 0);
    for (size_t start = 0; start < around.size(); ++start)
    {
        if (seen[start])
            continue;
        std::vector<DWORD> group;
        std::vector<size_t> stack = {start};
        seen[start] = 1;
        while (!stack.empty())
        {
            const DWORD f = around[stack.back()];
            stack.pop_back();
            group.push_back(f);
            for (DWORD e = 0; e < kCorners; ++e)
            {
                const DWORD a = mesh.indices[f * kCorners + e];
                const DWORD b = mesh.indices[f * kCorners + (e + 1) % kCorners];
                const DWORD g = adjacency[f * kCorners + e];
                if ((a != v && b != v) || g == kNoNeighbour)
                    continue;
                for (size_t k = 0; k < around.size(); ++k)
                    if (!seen[k] && around[k] == g)
                    {
                        seen[k] = 1;
                        stack.push_back(k);
                    }
            }
        }
        std::sort(group.begin(), group.end());
        groups.push_back(group);
    }
    return groups;
}

float ElementEpsilon(const D3DVERTEXELEMENT9& e, const D3DXWELDEPSILONS& eps)
{
    switch (e.Usage)
    {
    case D3DDECLUSAGE_POSITION:
        return eps.Position;
    case D3DDECLUSAGE_BLENDWEIGHT:
        return eps.BlendWeights;
    case D3DDECLUSAGE_NORMAL:
        return eps.Normal;
    case D3DDECLUSAGE_PSIZE:
        return eps.PSize;
    case D3DDECLUSAGE_COLOR:
        return e.UsageIndex == 0 ? eps.Diffuse : eps.Specular;
    case D3DDECLUSAGE_TEXCOORD:
        return e.UsageIndex < kTexcoordEpsilons ? eps.Texcoord[e.UsageIndex] : 0.0f;
    case D3DDECLUSAGE_TANGENT:
        return eps.Tangent;
    case D3DDECLUSAGE_BINORMAL:
        return eps.Binormal;
    case D3DDECLUSAGE_TESSFACTOR:
        return eps.TessFactor;
    default:
        return 0.0f;
    }
}

bool ElementsNear(const uint8_t* a, const uint8_t* b, const D3DVERTEXELEMENT9& e, float epsilon)
{
    if (epsilon <= 0.0f || e.Usage == D3DDECLUSAGE_BLENDINDICES)
        return std::memcmp(a + e.Offset, b + e.Offset, DeclTypeSize(e.Type)) == 0;
    float x[4], y[4];
    ReadElement(a, e, x);
    ReadElement(b, e, y);
    for (int i = 0; i < 4; ++i)
        if (!(std::fabs(x[i] - y[i]) <= epsilon))
            return false;
    return true;
}

// Keeps the vertices whose flag is set, in order, and renumbers the indices; remap[new] = old.
void Compact(MeshData* mesh, const std::vector<DWORD>& target, std::vector<DWORD>* remap)
{
    const DWORD count = mesh->VertexCount();
    std::vector<DWORD> newIndex(count, kNoNeighbour);
    std::vector<uint8_t> vertices;
    remap->clear();
    for (DWORD v = 0; v < count; ++v)
        if (target[v] == v)
        {
            newIndex[v] = static_cast<DWORD>(remap->size());
            remap->push_back(v);
            vertices.insert(vertices.end(), mesh->Vertex(v), mesh->Vertex(v) + mesh->stride);
        }
    for (uint32_t& i : mesh->indices)
        i = newIndex[target[i]];
    mesh->vertices = std::move(vertices);
}

D3DXVECTOR3 FaceNormal(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3& p2)
{
    D3DXVECTOR3 a = p1 - p0, b = p2 - p0, n;
    D3DXVec3Cross(&n, &a, &b);
    return n;
}

float CornerAngle(const D3DXVECTOR3& at, const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    D3DXVECTOR3 u = a - at, w = b - at;
    const float lu = D3DXVec3Length(&u), lw = D3DXVec3Length(&w);
    if (lu < kTinyLength || lw < kTinyLength)
        return 0.0f;
    return std::acos(std::clamp(D3DXVec3Dot(&u, &w) / (lu * lw), -1.0f, 1.0f));
}

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v)
{
    const float l = D3DXVec3Length(&v);
    return l > kTinyLength ? v / l : D3DXVECTOR3(0, 0, 0);
}

// A unit vector at right angles to n.
D3DXVECTOR3 AnyPerpendicular(const D3DXVECTOR3& n)
{
    const D3DXVECTOR3 axis = std::fabs(n.x) < 0.9f ? D3DXVECTOR3(1, 0, 0) : D3DXVECTOR3(0, 1, 0);
    D3DXVECTOR3 p;
    D3DXVec3Cross(&p, &n, &axis);
    return Normalized(p);
}

void WriteVector(MeshData* mesh, DWORD v, const D3DVERTEXELEMENT9& e, const D3DXVECTOR3& value)
{
    float f[4];
    ReadElement(mesh->Vertex(v), e, f);
    f[0] = value.x;
    f[1] = value.y;
    f[2] = value.z;
    WriteElement(mesh->Vertex(v), e, f);
}

D3DXVECTOR3 ReadVector(const MeshData& mesh, DWORD v, const D3DVERTEXELEMENT9& e)
{
    float f[4];
    ReadElement(mesh.Vertex(v), e, f);
    return D3DXVECTOR3(f[0], f[1], f[2]);
}

HRESULT Readable(ID3DXBaseMesh* in, MeshData* data, Mesh** mesh)
{
    *mesh = in ? AsMesh(in) : nullptr;
    if (!*mesh || !(*mesh)->Read(data) || !data->IndicesValid())
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

void MakeErrors(const std::string& text, ID3DXBuffer** out)
{
    if (!out)
        return;
    *out = nullptr;
    if (text.empty())
        return;
    auto* buffer = new Buffer(text.size() + 1);
    std::memcpy(buffer->GetBufferPointer(), text.c_str(), text.size() + 1);
    *out = buffer;
}

// Appends a copy of vertex v (copied out first: the vertex array may move as it grows).
void AppendCopy(MeshData* data, DWORD v)
{
    const std::vector<uint8_t> bytes(data->Vertex(v), data->Vertex(v) + data->stride);
    data->vertices.insert(data->vertices.end(), bytes.begin(), bytes.end());
}

// A vertex shared by fans that no edge joins gets one copy per extra fan.
void SplitBowties(MeshData* data, std::string* report, std::vector<DWORD>* sources = nullptr)
{
    std::vector<DWORD> adjacency;
    Adjacency(*data, 0.0f, &adjacency);
    std::vector<std::vector<DWORD>> around;
    VertexFaces(*data, &around);
    const DWORD count = data->VertexCount();
    for (DWORD v = 0; v < count; ++v)
    {
        if (around[v].size() < 2)
            continue;
        const auto fans = Fans(*data, adjacency, v, around[v]);
        for (size_t k = 1; k < fans.size(); ++k)
        {
            const DWORD copy = data->VertexCount();
            AppendCopy(data, v);
            for (DWORD f : fans[k])
                for (DWORD c = 0; c < kCorners; ++c)
                    if (data->indices[f * kCorners + c] == v)
                        data->indices[f * kCorners + c] = copy;
            if (report)
                *report += "Bowtie at vertex " + std::to_string(v) + " split\n";
            if (sources)
                sources->push_back(v);
        }
    }
}
} // namespace

void PointReps(const MeshData& mesh, float epsilon, std::vector<DWORD>* reps)
{
    const DWORD count = mesh.VertexCount();
    reps->resize(count);
    if (!(epsilon > 0.0f))
    {
        // Exact matches: vertices sorted by position (then index); each run takes its first index.
        // Positions that are not numbers match nothing (and must stay out of the sort's order).
        std::vector<std::pair<std::array<float, 3>, DWORD>> order;
        order.reserve(count);
        for (DWORD v = 0; v < count; ++v)
        {
            const D3DXVECTOR3 p = mesh.Position(v);
            (*reps)[v] = v;
            if (std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z))
                continue;
            order.push_back({{p.x, p.y, p.z}, v});
        }
        std::sort(order.begin(), order.end());
        for (size_t i = 0; i < order.size();)
        {
            size_t j = i;
            while (j < order.size() && order[j].first == order[i].first)
                (*reps)[order[j++].second] = order[i].second;
            i = j;
        }
        return;
    }
    const float size = epsilon > 0.0f ? epsilon * 2.0f : 1.0f;
    std::unordered_map<CellKey, std::vector<DWORD>, CellHash> cells;
    cells.reserve(count);
    for (DWORD v = 0; v < count; ++v)
    {
        const D3DXVECTOR3 p = mesh.Position(v);
        (*reps)[v] = v;
        if (!(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)))
            continue;
        const CellKey key = {Cell(p.x, size), Cell(p.y, size), Cell(p.z, size)};
        DWORD best = v;
        const int reach = epsilon > 0.0f ? kNeighbourCells : 0;
        for (int dx = -reach; dx <= reach; ++dx)
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dz = -reach; dz <= reach; ++dz)
                {
                    const auto it = cells.find({key.x + dx, key.y + dy, key.z + dz});
                    if (it == cells.end())
                        continue;
                    for (DWORD r : it->second)
                    {
                        if (r >= best)
                            break;
                        const D3DXVECTOR3 q = mesh.Position(r);
                        if (epsilon > 0.0f ? Near(p, q, epsilon) : (p.x == q.x && p.y == q.y && p.z == q.z))
                        {
                            best = r;
                            break;
                        }
                    }
                }
        (*reps)[v] = best;
        if (best == v)
            cells[key].push_back(v);
    }
}

void Adjacency(const MeshData& mesh, float epsilon, std::vector<DWORD>* adjacency)
{
    const DWORD faces = mesh.FaceCount();
    adjacency->assign(size_t(faces) * kCorners, kNoNeighbour);
    std::vector<DWORD> reps;
    PointReps(mesh, epsilon, &reps);
    auto corner = [&](DWORD f, DWORD c) { return reps[mesh.indices[f * kCorners + c % kCorners]]; };
    // Every directed edge with its slot (face * 3 + edge), sorted: equal edges lie side by side,
    // lower slots first.
    std::vector<std::pair<uint64_t, DWORD>> edges;
    edges.reserve(size_t(faces) * kCorners);
    for (DWORD f = 0; f < faces; ++f)
        for (DWORD e = 0; e < kCorners; ++e)
        {
            const DWORD a = corner(f, e), b = corner(f, e + 1);
            if (a != b)
                edges.push_back({EdgeKey(a, b), f * kCorners + e});
        }
    std::sort(edges.begin(), edges.end());
    // Two faces share an edge only when it runs opposite ways in them; an edge running the same
    // way in both is a flipped face and joins nothing.
    for (DWORD f = 0; f < faces; ++f)
        for (DWORD e = 0; e < kCorners; ++e)
        {
            if ((*adjacency)[f * kCorners + e] != kNoNeighbour)
                continue;
            const DWORD a = corner(f, e), b = corner(f, e + 1);
            if (a == b)
                continue;
            const uint64_t key = EdgeKey(b, a);
            auto it = std::lower_bound(edges.begin(), edges.end(), std::make_pair(key, DWORD(0)));
            for (; it != edges.end() && it->first == key; ++it)
            {
                const DWORD slot = it->second;
                const DWORD g = slot / kCorners;
                if (g != f && (*adjacency)[slot] == kNoNeighbour)
                {
                    (*adjacency)[f * kCorners + e] = g;
                    (*adjacency)[slot] = f;
                    break;
                }
            }
        }
}

void BuildAttributeTable(MeshData* mesh)
{
    mesh->table.clear();
    const DWORD faces = mesh->FaceCount();
    for (DWORD f = 0; f < faces;)
    {
        const DWORD id = mesh->attributes[f];
        DWORD end = f;
        DWORD low = UINT32_MAX, high = 0;
        while (end < faces && mesh->attributes[end] == id)
        {
            for (DWORD c = 0; c < kCorners; ++c)
            {
                low = std::min(low, mesh->indices[end * kCorners + c]);
                high = std::max(high, mesh->indices[end * kCorners + c]);
            }
            ++end;
        }
        mesh->table.push_back({id, f, end - f, low, high - low + 1});
        f = end;
    }
}

void OptimizeData(MeshData* mesh, DWORD flags, std::vector<DWORD>* faceRemap, std::vector<DWORD>* vertexRemap)
{
    const DWORD faces = mesh->FaceCount();
    const bool cache = (flags & (D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER)) != 0;
    const bool sort = cache || (flags & D3DXMESHOPT_ATTRSORT);
    const bool compact = sort || (flags & D3DXMESHOPT_COMPACT);
    faceRemap->resize(faces);
    std::iota(faceRemap->begin(), faceRemap->end(), 0);
    if (sort)
        std::stable_sort(faceRemap->begin(), faceRemap->end(),
                         [&](DWORD a, DWORD b) { return mesh->attributes[a] < mesh->attributes[b]; });
    if (cache)
    {
        // Greedy order within each attribute group: the next face is the one with most corners in a
        // small FIFO of recent vertices, else the lowest face not yet taken.
        std::vector<std::vector<DWORD>> around(mesh->VertexCount());
        std::vector<char> inCache(mesh->VertexCount(), 0);
        std::vector<DWORD> order;
        order.reserve(faces);
        for (DWORD s = 0; s < faces;)
        {
            const DWORD id = mesh->attributes[(*faceRemap)[s]];
            DWORD e = s;
            while (e < faces && mesh->attributes[(*faceRemap)[e]] == id)
                ++e;
            for (DWORD i = s; i < e; ++i)
                for (DWORD c = 0; c < kCorners; ++c)
                    around[mesh->indices[(*faceRemap)[i] * kCorners + c]].push_back(i);
            std::vector<char> done(e - s, 0);
            std::vector<DWORD> fifo;
            std::vector<char>& cached = inCache;
            DWORD cursor = s;
            for (DWORD emitted = 0; emitted < e - s; ++emitted)
            {
                DWORD best = UINT32_MAX;
                int bestScore = 0;
                for (DWORD v : fifo)
                    for (DWORD i : around[v])
                    {
                        if (done[i - s])
                            continue;
                        int score = 0;
                        for (DWORD c = 0; c < kCorners; ++c)
                            score += cached[mesh->indices[(*faceRemap)[i] * kCorners + c]];
                        if (score > bestScore || (score == bestScore && i < best))
                        {
                            bestScore = score;
                            best = i;
                        }
                    }
                if (best == UINT32_MAX)
                {
                    while (done[cursor - s])
                        ++cursor;
                    best = cursor;
                }
                done[best - s] = 1;
                order.push_back((*faceRemap)[best]);
                for (DWORD c = 0; c < kCorners; ++c)
                {
                    const DWORD v = mesh->indices[(*faceRemap)[best] * kCorners + c];
                    if (!cached[v])
                    {
                        fifo.push_back(v);
                        cached[v] = 1;
                        if (fifo.size() > kCacheSize)
                        {
                            cached[fifo.front()] = 0;
                            fifo.erase(fifo.begin());
                        }
                    }
                }
            }
            for (DWORD i = s; i < e; ++i)
                for (DWORD c = 0; c < kCorners; ++c)
                    around[mesh->indices[(*faceRemap)[i] * kCorners + c]].clear();
            for (DWORD v : fifo)
                cached[v] = 0;
            s = e;
        }
        *faceRemap = std::move(order);
    }
    // Faces in their new order.
    std::vector<uint32_t> indices(mesh->indices.size());
    std::vector<DWORD> attributes(faces);
    for (DWORD f = 0; f < faces; ++f)
    {
        for (DWORD c = 0; c < kCorners; ++c)
            indices[f * kCorners + c] = mesh->indices[(*faceRemap)[f] * kCorners + c];
        attributes[f] = mesh->attributes[(*faceRemap)[f]];
    }
    mesh->indices = std::move(indices);
    mesh->attributes = std::move(attributes);

    const DWORD count = mesh->VertexCount();
    vertexRemap->resize(count);
    std::iota(vertexRemap->begin(), vertexRemap->end(), 0);
    if (compact && !(flags & D3DXMESHOPT_IGNOREVERTS))
    {
        // Vertices in the order the faces first use them; unused ones go.
        std::vector<DWORD> newIndex(count, kNoNeighbour);
        vertexRemap->clear();
        for (uint32_t& i : mesh->indices)
        {
            if (newIndex[i] == kNoNeighbour)
            {
                newIndex[i] = static_cast<DWORD>(vertexRemap->size());
                vertexRemap->push_back(i);
            }
            i = newIndex[i];
        }
        std::vector<uint8_t> vertices(vertexRemap->size() * mesh->stride);
        for (size_t v = 0; v < vertexRemap->size(); ++v)
            std::memcpy(vertices.data() + v * mesh->stride, mesh->Vertex((*vertexRemap)[v]), mesh->stride);
        mesh->vertices = std::move(vertices);
    }
    if (sort)
        BuildAttributeTable(mesh);
}

void ComputeNormalsData(MeshData* mesh, const DWORD*)
{
    const D3DVERTEXELEMENT9* normal = mesh->Find(D3DDECLUSAGE_NORMAL);
    if (!normal)
        return;
    std::vector<D3DXVECTOR3> sums(mesh->VertexCount(), D3DXVECTOR3(0, 0, 0));
    for (DWORD f = 0; f < mesh->FaceCount(); ++f)
    {
        const uint32_t* i = &mesh->indices[f * kCorners];
        const D3DXVECTOR3 p[3] = {mesh->Position(i[0]), mesh->Position(i[1]), mesh->Position(i[2])};
        const D3DXVECTOR3 n = Normalized(FaceNormal(p[0], p[1], p[2]));
        for (DWORD c = 0; c < kCorners; ++c)
            sums[i[c]] += n * CornerAngle(p[c], p[(c + 1) % 3], p[(c + 2) % 3]);
    }
    for (DWORD v = 0; v < mesh->VertexCount(); ++v)
        WriteVector(mesh, v, *normal, Normalized(sums[v]));
}

void CleanData(MeshData* data, DWORD type, std::string* report)
{
    std::vector<DWORD> reps;
    auto duplicate = [&](DWORD v)
    {
        const DWORD copy = data->VertexCount();
        AppendCopy(data, v);
        if (v < reps.size())
            reps.push_back(reps[v]);
        return copy;
    };
    if (type & D3DXCLEAN_BACKFACING)
    {
        // Two faces on the same three points with opposite windings get vertices of their own.
        PointReps(*data, 0.0f, &reps);
        std::unordered_map<uint64_t, std::vector<DWORD>> byPoints;
        for (DWORD f = 0; f < data->FaceCount(); ++f)
        {
            DWORD r[3] = {reps[data->indices[f * kCorners]], reps[data->indices[f * kCorners + 1]],
                          reps[data->indices[f * kCorners + 2]]};
            std::sort(r, r + 3);
            byPoints[(uint64_t(r[0]) * 2654435761u) ^ (uint64_t(r[1]) << 21) ^ (uint64_t(r[2]) << 42)]
                .push_back(f);
        }
        std::vector<char> split(data->FaceCount(), 0);
        for (DWORD f = 0; f < data->FaceCount(); ++f)
        {
            const uint32_t* a = &data->indices[f * kCorners];
            DWORD r[3] = {reps[a[0]], reps[a[1]], reps[a[2]]};
            DWORD s[3] = {r[0], r[1], r[2]};
            std::sort(s, s + 3);
            if (s[0] == s[1] || s[1] == s[2])
                continue;
            for (DWORD g :
                 byPoints[(uint64_t(s[0]) * 2654435761u) ^ (uint64_t(s[1]) << 21) ^ (uint64_t(s[2]) << 42)])
            {
                if (g <= f || split[g])
                    continue;
                const uint32_t* b = &data->indices[g * kCorners];
                const DWORD q[3] = {reps[b[0]], reps[b[1]], reps[b[2]]};
                bool opposite = false;
                for (DWORD k = 0; k < kCorners; ++k)
                    opposite = opposite || (q[0] == r[k] && q[1] == r[(k + 2) % 3] && q[2] == r[(k + 1) % 3]);
                bool shares = false;
                for (DWORD k = 0; k < kCorners; ++k)
                    shares = shares || std::find(a, a + 3, b[k]) != a + 3;
                if (!opposite || !shares)
                    continue;
                split[g] = 1;
                for (DWORD k = 0; k < kCorners; ++k)
                    data->indices[g * kCorners + k] = duplicate(data->indices[g * kCorners + k]);
                if (report)
                    *report +=
                        "Backfacing faces " + std::to_string(f) + " and " + std::to_string(g) + " split\n";
            }
        }
    }
    if (type & D3DXCLEAN_BOWTIES)
        SplitBowties(data, report);
}

namespace
{
// Vertices joined through the faces' shared edges: each vertex gets the lowest index of its
// group. A neighbour that is out of range or does not name the face back joins nothing.
void AdjacencyPointReps(const MeshData& mesh, const std::vector<DWORD>& adjacency, std::vector<DWORD>* reps)
{
    reps->resize(mesh.VertexCount());
    std::iota(reps->begin(), reps->end(), 0);
    auto find = [&](DWORD v)
    {
        while ((*reps)[v] != v)
            v = (*reps)[v] = (*reps)[(*reps)[v]];
        return v;
    };
    auto join = [&](DWORD a, DWORD b)
    {
        a = find(a);
        b = find(b);
        if (a != b)
            (*reps)[std::max(a, b)] = std::min(a, b);
    };
    const DWORD faces = mesh.FaceCount();
    for (DWORD f = 0; f < faces; ++f)
        for (DWORD e = 0; e < kCorners; ++e)
        {
            const DWORD g = adjacency[f * kCorners + e];
            if (g >= faces || g == f)
                continue;
            for (DWORD back = 0; back < kCorners; ++back)
                if (adjacency[g * kCorners + back] == f)
                {
                    // The edge a->b of f is b->a in g.
                    join(mesh.indices[f * kCorners + e], mesh.indices[g * kCorners + (back + 1) % kCorners]);
                    join(mesh.indices[f * kCorners + (e + 1) % kCorners], mesh.indices[g * kCorners + back]);
                    break;
                }
        }
    for (DWORD v = 0; v < mesh.VertexCount(); ++v)
        (*reps)[v] = find(v);
}

bool ShareFace(const std::vector<DWORD>& a, const std::vector<DWORD>& b)
{
    for (DWORD f : a)
        if (std::find(b.begin(), b.end(), f) != b.end())
            return true;
    return false;
}
} // namespace

void WeldData(MeshData* data, DWORD Flags, const D3DXWELDEPSILONS& eps, const DWORD* adjacencyIn,
              std::vector<DWORD>* vertexRemap)
{
    // A position epsilon that is not a positive number welds exact matches only.
    const float position = eps.Position > 0.0f ? eps.Position : 0.0f;
    // Only vertices that the faces' adjacency joins are candidates; without adjacency it is made
    // from the positions.
    std::vector<DWORD> adjacency;
    if (adjacencyIn)
        adjacency.assign(adjacencyIn, adjacencyIn + size_t(data->FaceCount()) * kCorners);
    else
        Adjacency(*data, position, &adjacency);
    std::vector<DWORD> reps;
    AdjacencyPointReps(*data, adjacency, &reps);
    // The faces each kept vertex is a corner of (a weld adds the faces of the vertex it takes in):
    // two corners of one face are never welded, so no face becomes degenerate.
    std::vector<std::vector<DWORD>> around;
    VertexFaces(*data, &around);
    // Vertices at one point, in index order.
    std::unordered_map<DWORD, std::vector<DWORD>> kept;
    std::vector<DWORD> target(data->VertexCount());
    const bool partial = (Flags & D3DXWELDEPSILONS_WELDPARTIALMATCHES) != 0;
    const bool all = (Flags & D3DXWELDEPSILONS_WELDALL) != 0;
    const bool remove = !(Flags & D3DXWELDEPSILONS_DONOTREMOVEVERTICES);
    for (DWORD v = 0; v < data->VertexCount(); ++v)
    {
        target[v] = v;
        auto& group = kept[reps[v]];
        for (DWORD k : group)
        {
            if (ShareFace(around[v], around[k]))
                continue;
            bool whole = true;
            for (const D3DVERTEXELEMENT9& e : data->decl)
            {
                const float epsilon = e.Usage == D3DDECLUSAGE_POSITION ? position : ElementEpsilon(e, eps);
                if (ElementsNear(data->Vertex(v), data->Vertex(k), e, epsilon))
                {
                    if (partial || all)
                        std::memcpy(data->Vertex(v) + e.Offset, data->Vertex(k) + e.Offset,
                                    DeclTypeSize(e.Type));
                }
                else
                    whole = false;
            }
            if ((whole || all) && remove)
            {
                target[v] = k;
                around[k].insert(around[k].end(), around[v].begin(), around[v].end());
                break;
            }
        }
        if (target[v] == v)
            group.push_back(v);
    }
    Compact(data, target, vertexRemap);
    // Welding must not join fans at a single point: such vertices are split again.
    if (!(Flags & D3DXWELDEPSILONS_DONOTSPLIT))
    {
        std::vector<DWORD> sources;
        SplitBowties(data, nullptr, &sources);
        for (DWORD v : sources)
            vertexRemap->push_back((*vertexRemap)[v]);
    }
}

} // namespace tk::d3dx

using namespace tk::d3dx;

HRESULT D3DXCleanMesh(D3DXCLEANTYPE CleanType, ID3DXMesh* pMeshIn, const DWORD*, ID3DXMesh** ppMeshOut,
                      DWORD* pAdjacencyOut, ID3DXBuffer** ppErrorsAndWarnings)
{
    if (ppErrorsAndWarnings)
        *ppErrorsAndWarnings = nullptr;
    if (!ppMeshOut)
        return D3DERR_INVALIDCALL;
    *ppMeshOut = nullptr;
    MeshData data;
    Mesh* in;
    if (FAILED(Readable(pMeshIn, &data, &in)))
        return D3DERR_INVALIDCALL;
    std::string report;
    CleanData(&data, CleanType, &report);
    Mesh* out = nullptr;
    IDirect3DDevice9* device = nullptr;
    in->GetDevice(&device);
    const HRESULT made = Mesh::Create(device, in->GetOptions(), data, &out);
    device->Release();
    if (FAILED(made))
        return made;
    if (pAdjacencyOut)
        out->GenerateAdjacency(0.0f, pAdjacencyOut);
    MakeErrors(report, ppErrorsAndWarnings);
    *ppMeshOut = out;
    return D3D_OK;
}

HRESULT D3DXWeldVertices(ID3DXMesh* pMesh, DWORD Flags, const D3DXWELDEPSILONS* pEpsilons,
                         const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                         ID3DXBuffer** ppVertexRemap)
{
    MeshData data;
    Mesh* mesh;
    if (FAILED(Readable(pMesh, &data, &mesh)))
        return D3DERR_INVALIDCALL;
    D3DXWELDEPSILONS eps;
    if (pEpsilons)
        eps = *pEpsilons;
    else
    {
        eps.Position = eps.BlendWeights = eps.Normal = eps.PSize = eps.Specular = eps.Diffuse = eps.Tangent =
            eps.Binormal = eps.TessFactor = kDefaultWeldEpsilon;
        std::fill(std::begin(eps.Texcoord), std::end(eps.Texcoord), kDefaultWeldEpsilon);
    }
    std::vector<DWORD> vertexRemap;
    WeldData(&data, Flags, eps, pAdjacencyIn, &vertexRemap);
    const HRESULT hr = mesh->Write(data);
    if (FAILED(hr))
        return hr;
    if (pAdjacencyOut)
        mesh->GenerateAdjacency(0.0f, pAdjacencyOut);
    if (pFaceRemap)
        for (DWORD f = 0; f < data.FaceCount(); ++f)
            pFaceRemap[f] = f;
    if (ppVertexRemap)
    {
        auto* buffer = new Buffer(vertexRemap.size() * sizeof(DWORD));
        if (!vertexRemap.empty())
            std::memcpy(buffer->GetBufferPointer(), vertexRemap.data(), vertexRemap.size() * sizeof(DWORD));
        *ppVertexRemap = buffer;
    }
    return D3D_OK;
}

HRESULT D3DXValidMesh(ID3DXMesh* pMeshIn, const DWORD* pAdjacency, ID3DXBuffer** ppErrorsAndWarnings)
{
    if (ppErrorsAndWarnings)
        *ppErrorsAndWarnings = nullptr;
    Mesh* mesh = pMeshIn ? AsMesh(pMeshIn) : nullptr;
    MeshData data;
    if (!mesh || !mesh->Read(&data))
        return D3DERR_INVALIDCALL;
    std::string errors;
    if (!data.IndicesValid())
        errors += "Index beyond the vertex count\n";
    else
        for (DWORD f = 0; f < data.FaceCount(); ++f)
        {
            const uint32_t* c = &data.indices[f * kCorners];
            if (c[0] == c[1] || c[1] == c[2] || c[2] == c[0])
                errors += "Face " + std::to_string(f) + " is degenerate\n";
        }
    if (errors.empty() && pAdjacency)
    {
        const DWORD faces = data.FaceCount();
        std::vector<DWORD> adjacency(pAdjacency, pAdjacency + size_t(faces) * kCorners);
        for (DWORD f = 0; f < faces; ++f)
            for (DWORD e = 0; e < kCorners; ++e)
            {
                const DWORD g = adjacency[f * kCorners + e];
                if (g == kNoNeighbour)
                    continue;
                if (g >= faces || std::find(&adjacency[g * kCorners], &adjacency[g * kCorners] + kCorners,
                                            f) == &adjacency[g * kCorners] + kCorners)
                    errors += "Face " + std::to_string(f) + " has a neighbour that does not name it\n";
            }
        if (errors.empty())
        {
            std::vector<std::vector<DWORD>> around;
            VertexFaces(data, &around);
            for (DWORD v = 0; v < data.VertexCount(); ++v)
                if (around[v].size() > 1 && Fans(data, adjacency, v, around[v]).size() > 1)
                    errors += "Bowtie at vertex " + std::to_string(v) + "\n";
        }
    }
    MakeErrors(errors, ppErrorsAndWarnings);
    return errors.empty() ? D3D_OK : D3DXERR_INVALIDMESH;
}

HRESULT D3DXComputeNormals(ID3DXBaseMesh* pMesh, const DWORD* pAdjacency)
{
    MeshData data;
    Mesh* mesh;
    if (FAILED(Readable(pMesh, &data, &mesh)) || !data.Find(D3DDECLUSAGE_NORMAL))
        return D3DERR_INVALIDCALL;
    ComputeNormalsData(&data, pAdjacency);
    return mesh->Write(data);
}

HRESULT D3DXComputeTangentFrameEx(ID3DXMesh* pMesh, DWORD dwTextureInSemantic, DWORD dwTextureInIndex,
                                  DWORD dwUPartialOutSemantic, DWORD dwUPartialOutIndex,
                                  DWORD dwVPartialOutSemantic, DWORD dwVPartialOutIndex,
                                  DWORD dwNormalOutSemantic, DWORD dwNormalOutIndex, DWORD dwOptions,
                                  const DWORD*, FLOAT, FLOAT, FLOAT, ID3DXMesh** ppMeshOut,
                                  ID3DXBuffer** ppVertexMapping)
{
    if (ppVertexMapping)
        *ppVertexMapping = nullptr;
    const bool inPlace = (dwOptions & D3DXTANGENT_GENERATE_IN_PLACE) != 0;
    if (!inPlace && !ppMeshOut)
        return D3DERR_INVALIDCALL;
    MeshData data;
    Mesh* mesh;
    if (FAILED(Readable(pMesh, &data, &mesh)))
        return D3DERR_INVALIDCALL;
    auto find = [&](DWORD semantic, DWORD index) -> const D3DVERTEXELEMENT9*
    {
        if (semantic == D3DX_DEFAULT || semantic > 0xFF || index > 0xFF)
            return nullptr;
        return data.Find(static_cast<BYTE>(semantic), static_cast<BYTE>(index));
    };
    const D3DVERTEXELEMENT9* tex = find(dwTextureInSemantic, dwTextureInIndex);
    const D3DVERTEXELEMENT9* uOut = find(dwUPartialOutSemantic, dwUPartialOutIndex);
    const D3DVERTEXELEMENT9* vOut = find(dwVPartialOutSemantic, dwVPartialOutIndex);
    const D3DVERTEXELEMENT9* nOut = find(dwNormalOutSemantic, dwNormalOutIndex);
    if (!tex || (dwUPartialOutSemantic != D3DX_DEFAULT && !uOut) ||
        (dwVPartialOutSemantic != D3DX_DEFAULT && !vOut) || (dwNormalOutSemantic != D3DX_DEFAULT && !nOut))
        return D3DERR_INVALIDCALL;
    const D3DVERTEXELEMENT9* normal = data.Find(D3DDECLUSAGE_NORMAL);
    if (nOut || (dwOptions & D3DXTANGENT_CALCULATE_NORMALS))
    {
        MeshData copy = data;
        std::vector<D3DXVECTOR3> normals(data.VertexCount());
        ComputeNormalsData(&copy, nullptr);
        if (nOut)
            for (DWORD v = 0; v < data.VertexCount(); ++v)
                WriteVector(&data, v, *nOut, ReadVector(copy, v, *copy.Find(D3DDECLUSAGE_NORMAL)));
        normal = nOut ? nOut : normal;
    }
    const DWORD count = data.VertexCount();
    std::vector<D3DXVECTOR3> tangents(count, D3DXVECTOR3(0, 0, 0)), binormals(count, D3DXVECTOR3(0, 0, 0));
    const float wind = (dwOptions & D3DXTANGENT_WIND_CW) ? -1.0f : 1.0f;
    for (DWORD f = 0; f < data.FaceCount(); ++f)
    {
        const uint32_t* i = &data.indices[f * kCorners];
        D3DXVECTOR3 p[3];
        float uv[3][4];
        for (DWORD c = 0; c < kCorners; ++c)
        {
            p[c] = data.Position(i[c]);
            ReadElement(data.Vertex(i[c]), *tex, uv[c]);
        }
        const D3DXVECTOR3 e1 = p[1] - p[0], e2 = p[2] - p[0];
        const float du1 = uv[1][0] - uv[0][0], dv1 = uv[1][1] - uv[0][1];
        const float du2 = uv[2][0] - uv[0][0], dv2 = uv[2][1] - uv[0][1];
        const float det = du1 * dv2 - du2 * dv1;
        if (std::fabs(det) < kTinyLength)
            continue;
        const D3DXVECTOR3 t = (e1 * dv2 - e2 * dv1) / det;
        const D3DXVECTOR3 b = (e2 * du1 - e1 * du2) / det;
        const D3DXVECTOR3 cross = FaceNormal(p[0], p[1], p[2]);
        const float area = D3DXVec3Length(&cross);
        for (DWORD c = 0; c < kCorners; ++c)
        {
            float weight = CornerAngle(p[c], p[(c + 1) % 3], p[(c + 2) % 3]);
            if (dwOptions & D3DXTANGENT_WEIGHT_BY_AREA)
                weight = area;
            else if (dwOptions & D3DXTANGENT_WEIGHT_EQUAL)
                weight = 1.0f;
            tangents[i[c]] += Normalized(t) * weight;
            binormals[i[c]] += Normalized(b) * weight * wind;
        }
    }
    for (DWORD v = 0; v < count; ++v)
    {
        D3DXVECTOR3 t = tangents[v], b = binormals[v];
        if (normal && !(dwOptions & D3DXTANGENT_DONT_ORTHOGONALIZE))
        {
            const D3DXVECTOR3 n = Normalized(ReadVector(data, v, *normal));
            if (dwOptions & D3DXTANGENT_ORTHOGONALIZE_FROM_V)
            {
                b = Normalized(b - n * D3DXVec3Dot(&n, &b));
                if (D3DXVec3Length(&b) < kTinyLength)
                    b = AnyPerpendicular(n);
                t = t - n * D3DXVec3Dot(&n, &t) - b * D3DXVec3Dot(&b, &t);
            }
            else
            {
                t = Normalized(t - n * D3DXVec3Dot(&n, &t));
                if (D3DXVec3Length(&t) < kTinyLength)
                    t = AnyPerpendicular(n);
                b = b - n * D3DXVec3Dot(&n, &b) - t * D3DXVec3Dot(&t, &b);
            }
        }
        if (!(dwOptions & D3DXTANGENT_DONT_NORMALIZE_PARTIALS))
        {
            t = Normalized(t);
            b = Normalized(b);
        }
        if (uOut)
            WriteVector(&data, v, *uOut, t);
        if (vOut)
            WriteVector(&data, v, *vOut, b);
    }
    if (inPlace)
        return mesh->Write(data);
    IDirect3DDevice9* device = nullptr;
    mesh->GetDevice(&device);
    Mesh* out = nullptr;
    const HRESULT hr = Mesh::Create(device, mesh->GetOptions(), data, &out);
    device->Release();
    *ppMeshOut = out;
    return hr;
}

HRESULT D3DXComputeBoundingSphere(const D3DXVECTOR3* pFirstPosition, DWORD NumVertices, DWORD dwStride,
                                  D3DXVECTOR3* pCenter, FLOAT* pRadius)
{
    if (!pFirstPosition || !pCenter || !pRadius || !NumVertices)
        return D3DERR_INVALIDCALL;
    const auto* bytes = reinterpret_cast<const uint8_t*>(pFirstPosition);
    auto at = [&](DWORD i)
    {
        D3DXVECTOR3 p;
        std::memcpy(&p, bytes + size_t(i) * dwStride, sizeof p);
        return p;
    };
    D3DXVECTOR3 sum(0, 0, 0);
    for (DWORD i = 0; i < NumVertices; ++i)
        sum += at(i);
    const D3DXVECTOR3 centre = sum / static_cast<float>(NumVertices);
    float radius = 0.0f;
    for (DWORD i = 0; i < NumVertices; ++i)
    {
        const D3DXVECTOR3 d = at(i) - centre;
        radius = std::max(radius, D3DXVec3Length(&d));
    }
    *pCenter = centre;
    *pRadius = radius;
    return D3D_OK;
}

HRESULT D3DXComputeBoundingBox(const D3DXVECTOR3* pFirstPosition, DWORD NumVertices, DWORD dwStride,
                               D3DXVECTOR3* pMin, D3DXVECTOR3* pMax)
{
    if (!pFirstPosition || !pMin || !pMax || !NumVertices)
        return D3DERR_INVALIDCALL;
    const auto* bytes = reinterpret_cast<const uint8_t*>(pFirstPosition);
    D3DXVECTOR3 lo, hi;
    std::memcpy(&lo, bytes, sizeof lo);
    hi = lo;
    for (DWORD i = 1; i < NumVertices; ++i)
    {
        D3DXVECTOR3 p;
        std::memcpy(&p, bytes + size_t(i) * dwStride, sizeof p);
        lo = D3DXVECTOR3(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
        hi = D3DXVECTOR3(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    }
    *pMin = lo;
    *pMax = hi;
    return D3D_OK;
}
