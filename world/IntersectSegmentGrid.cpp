// EIntersectSegment: the ground-plane grid that finds a segment's nearby table entries.
#include "world/IntersectSegment.h"

#include <algorithm>
#include <cmath>

namespace
{
// The edge of a cell, in units.
constexpr float kCellSize = 8.0f;
// An entry covering more cells waits in the wide list.
constexpr int kMaxEntryCells = 64;
// A cell index farther out than this is no cell the grid keeps.
constexpr float kFarCell = 1.0e6f;
// Rows of cells a segment may cross and still use the grid.
constexpr int kMaxRows = 512;
// The cells a span of the ground plane covers along one axis, as floats so
// that a span too far out for an int is caught before it is converted.
struct CellSpan
{
    float first, last;
};

CellSpan SpanOf(float min, float max)
{
    return {std::floor(min / kCellSize), std::floor(max / kCellSize)};
}

bool Keepable(const CellSpan& s)
{
    return std::fabs(s.first) <= kFarCell && std::fabs(s.last) <= kFarCell && s.first <= s.last;
}

// Cells in the rectangle, in double so that no span overflows.
double CellsOf(const CellSpan& x, const CellSpan& z)
{
    return (static_cast<double>(x.last) - x.first + 1.0) * (static_cast<double>(z.last) - z.first + 1.0);
}

void Take(std::vector<DWORD>& list, DWORD i)
{
    const auto at = std::find(list.begin(), list.end(), i);
    if (at == list.end())
        return;
    *at = list.back();
    list.pop_back();
}

// Walking one cell's bucket costs about as much as this many entries of the
// table's own walk, which takes four entries a step.
constexpr double kEntriesPerCell = 8.0;
// The widening of the cells a segment passes, in units and as a share of the
// largest coordinate.
constexpr float kMargin = 0.01f;
constexpr float kRelativeMargin = 1.0e-5f;
} // namespace

DWORD strEntryGrid::Bucket(int x, int z)
{
    const DWORD hx = static_cast<DWORD>(x) * 73856093u;
    const DWORD hz = static_cast<DWORD>(z) * 19349663u;
    return (hx ^ hz) & (BUCKETS - 1);
}

void strEntryGrid::Set(DWORD i, bool used, const float min[3], const float max[3])
{
    if (i >= static_cast<DWORD>(MAX_INTERSECT_SEGMENT_OBJECTS))
        return;
    Place next;
    if (used)
    {
        next.where = IN_WIDE_LIST;
        const CellSpan x = SpanOf(min[0], max[0]), z = SpanOf(min[2], max[2]);
        // NaN fails every comparison, so a box with one stays in the wide list.
        if (Keepable(x) && Keepable(z) && CellsOf(x, z) <= kMaxEntryCells)
        {
            next.where = IN_CELLS;
            next.x0 = static_cast<int>(x.first);
            next.x1 = static_cast<int>(x.last);
            next.z0 = static_cast<int>(z.first);
            next.z1 = static_cast<int>(z.last);
        }
    }
    const Place& now = m_Places[i];
    if (now.where == next.where && (next.where != IN_CELLS || (now.x0 == next.x0 && now.x1 == next.x1 &&
                                                               now.z0 == next.z0 && now.z1 == next.z1)))
        return;
    Remove(i);
    Insert(i, next);
}

void strEntryGrid::Insert(DWORD i, const Place& place)
{
    m_Places[i] = place;
    if (place.where == IN_WIDE_LIST)
        m_Wide.push_back(i);
    else if (place.where == IN_CELLS)
        for (int z = place.z0; z <= place.z1; ++z)
            for (int x = place.x0; x <= place.x1; ++x)
                m_Buckets[Bucket(x, z)].push_back(i);
}

void strEntryGrid::Remove(DWORD i)
{
    const Place& place = m_Places[i];
    // Two cells of one entry can share a bucket: each cell takes out one copy.
    if (place.where == IN_WIDE_LIST)
        Take(m_Wide, i);
    else if (place.where == IN_CELLS)
        for (int z = place.z0; z <= place.z1; ++z)
            for (int x = place.x0; x <= place.x1; ++x)
                Take(m_Buckets[Bucket(x, z)], i);
    m_Places[i] = Place{};
}

bool strEntryGrid::Gather(const strEntryBoxes& boxes, DWORD count, const float from[3], const float to[3],
                          const float lo[3], const float hi[3], uint64_t* bits) const
{
    const CellSpan x = SpanOf(lo[0], hi[0]), z = SpanOf(lo[2], hi[2]);
    if (!Keepable(x) || !Keepable(z) || z.last - z.first >= static_cast<float>(kMaxRows))
        return false;
    const int x0 = static_cast<int>(x.first), x1 = static_cast<int>(x.last);
    const int z0 = static_cast<int>(z.first), z1 = static_cast<int>(z.last);
    const int rows = z1 - z0 + 1;
    // Row by row, the cells the segment passes through, widened by a margin
    // far above the rounding of these few operations: a box the segment
    // meets has the meeting point in one of them.
    const float far = std::max({std::fabs(lo[0]), std::fabs(hi[0]), std::fabs(lo[2]), std::fabs(hi[2])});
    const float margin = kMargin + kRelativeMargin * far;
    const float dx = to[0] - from[0], dz = to[2] - from[2];
    int first[kMaxRows], last[kMaxRows];
    double cells = 0.0;
    for (int r = 0; r < rows; ++r)
    {
        float t0 = 0.0f, t1 = 1.0f;
        if (dz != 0.0f)
        {
            const float bandLo = static_cast<float>(z0 + r) * kCellSize - margin;
            const float bandHi = static_cast<float>(z0 + r + 1) * kCellSize + margin;
            float ta = (bandLo - from[2]) / dz, tb = (bandHi - from[2]) / dz;
            if (ta > tb)
                std::swap(ta, tb);
            t0 = std::max(t0, ta);
            t1 = std::min(t1, tb);
        }
        first[r] = 1;
        last[r] = 0;
        if (!(t0 <= t1))
            continue;
        const float xa = from[0] + t0 * dx, xb = from[0] + t1 * dx;
        const CellSpan span = SpanOf(std::min(xa, xb) - margin, std::max(xa, xb) + margin);
        first[r] = std::max(x0, static_cast<int>(span.first));
        last[r] = std::min(x1, static_cast<int>(span.last));
        cells += last[r] >= first[r] ? last[r] - first[r] + 1 : 0;
    }
    if (cells * kEntriesPerCell > static_cast<double>(count))
        return false;
    Mark(boxes, count, lo, hi, z0, rows, first, last, bits);
    return true;
}

bool strEntryGrid::GatherBox(const strEntryBoxes& boxes, DWORD count, const float lo[3], const float hi[3],
                             uint64_t* bits) const
{
    const CellSpan x = SpanOf(lo[0], hi[0]), z = SpanOf(lo[2], hi[2]);
    if (!Keepable(x) || !Keepable(z) || z.last - z.first >= static_cast<float>(kMaxRows) ||
        CellsOf(x, z) * kEntriesPerCell > static_cast<double>(count))
        return false;
    const int z0 = static_cast<int>(z.first);
    const int rows = static_cast<int>(z.last) - z0 + 1;
    int first[kMaxRows], last[kMaxRows];
    std::fill_n(first, rows, static_cast<int>(x.first));
    std::fill_n(last, rows, static_cast<int>(x.last));
    Mark(boxes, count, lo, hi, z0, rows, first, last, bits);
    return true;
}

void strEntryGrid::Mark(const strEntryBoxes& boxes, DWORD count, const float lo[3], const float hi[3], int z0,
                        int rows, const int* first, const int* last, uint64_t* bits) const
{
    auto mark = [&](DWORD i)
    {
        if (i >= count)
            return;
        uint64_t& word = bits[i / BITS_PER_WORD];
        const uint64_t bit = uint64_t{1} << (i % BITS_PER_WORD);
        if (!(word & bit) && boxes.Meets(i, lo, hi))
            word |= bit;
    };
    for (DWORD i : m_Wide)
        mark(i);
    for (int r = 0; r < rows; ++r)
        for (int cx = first[r]; cx <= last[r]; ++cx)
            for (DWORD i : m_Buckets[Bucket(cx, z0 + r)])
                mark(i);
}
