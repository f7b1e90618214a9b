// CPathMgr: the world's waypoint file "%s.pth", read and written as text.
#include "characters/PathMgr.h"

#include "game/MainGame.h"
#include "platform/win32/Path.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace
{
// Refused lines of one file that are reported one by one; the rest are counted.
constexpr int kReportedRefusals = 8;

struct Reader
{
    const char* name;
    int line = 0;
    int refused = 0;

    void Refuse(const char* why)
    {
        if (++refused > kReportedRefusals)
            return;
        char text[CPathMgr::LINE_CHARS + 64];
        std::snprintf(text, sizeof text, "%s(%i): %s", name, line, why);
        g_Console.Print(text);
    }
};

// The whole number at text (0 when there is none), saturated to the int range.
long long Integer(const char* text)
{
    return std::strtoll(text, nullptr, 10);
}

int IntegerClamped(const char* text)
{
    const long long v = Integer(text);
    if (v > 0x7fffffffLL)
        return 0x7fffffff;
    if (v < -0x7fffffffLL)
        return -0x7fffffff;
    return static_cast<int>(v);
}

float Real(const char* text)
{
    const float v = std::strtof(text, nullptr);
    return std::isfinite(v) ? v : 0.0f;
}

// A neighbour or node number as stored: negative and oversized numbers become
// numbers the table never resolves.
DWORD NodeNumber(const char* text)
{
    const long long v = Integer(text);
    if (v < 0 || v >= static_cast<long long>(NO_NEIGHBOUR))
        return NO_NEIGHBOUR;
    return static_cast<DWORD>(v);
}

// Splits "word rest" in place: returns the rest (after the blanks).
char* SplitWord(char* line)
{
    char* p = line;
    while (*p && *p != ' ' && *p != '\t')
        ++p;
    if (!*p)
        return p;
    *p++ = 0;
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}
} // namespace

bool CPathMgr::PathFileName(char* out, size_t size) const
{
    if (!out || size == 0)
        return false;
    const int n = std::snprintf(out, size, "%s.pth", g_Engine.m_szWorld);
    if (n < 0 || static_cast<size_t>(n) >= size)
    {
        out[0] = 0;
        return false;
    }
    return true;
}

bool CPathMgr::PathFileExists() const
{
    char name[LINE_CHARS + 8];
    if (!PathFileName(name, sizeof name))
        return false;
    FILE* f = TkFopen(name, "rb");
    if (!f)
        return false;
    // An empty or cut file is no file: the level then grows its graphs again.
    char first[LINE_CHARS + 1];
    const bool read = ReadLineOrSkip(f, first, LINE_CHARS) && first[0] != 0;
    std::fclose(f);
    return read;
}

void CPathMgr::LoadPaths()
{
    if (!CMainGame::IsRealLevel())
        return;
    char name[LINE_CHARS + 8];
    if (PathFileName(name, sizeof name))
        LoadFile(name);
}

void CPathMgr::SavePaths()
{
    ++m_iSaves;
    if (!CMainGame::IsRealLevel())
        return;
    char name[LINE_CHARS + 8];
    if (PathFileName(name, sizeof name))
        WriteFile(name);
}

bool CPathMgr::LoadFile(const char* name)
{
    FILE* f = name ? TkFopen(name, "rb") : nullptr;
    if (!f)
        return false;
    std::string data;
    char chunk[65536];
    size_t got = 0;
    bool tooLarge = false;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
    {
        if (data.size() + got > MAX_FILE_BYTES)
        {
            tooLarge = true;
            break;
        }
        data.append(chunk, got);
    }
    std::fclose(f);
    if (tooLarge)
    {
        g_Console.Print2("Plik sciezek za duzy: ", name);
        return false;
    }
    ParseText(data.data(), data.size(), name);
    return true;
}

void CPathMgr::ParseText(const char* data, size_t size, const char* name)
{
    Reader reader;
    reader.name = name ? name : "";
    if (!data)
        return;
    strPath* path = nullptr;
    strPlace* node = nullptr;
    int paths = 0;
    bool full = false;
    // The loading bar takes 50 steps for the graph, shared among its paths.
    constexpr int kLoadingSteps = 50;
    int pathLines = 0;
    for (size_t i = 0; i + 7 <= size; ++i)
        if ((i == 0 || data[i - 1] == '\n' || data[i - 1] == '\r') &&
            std::memcmp(data + i, "m_pPath", 7) == 0)
            ++pathLines;
    int pathsSeen = 0;
    char line[LINE_CHARS + 1];
    size_t at = 0;
    while (at < size)
    {
        // One line: LF, CRLF and CR all end it; a longer line is cut.
        size_t n = 0;
        while (at < size && data[at] != '\n' && data[at] != '\r')
        {
            if (n < LINE_CHARS)
                line[n++] = data[at] == '\t' ? ' ' : data[at];
            ++at;
        }
        if (at < size && data[at] == '\r')
        {
            ++at;
            if (at < size && data[at] == '\n')
                ++at;
        }
        else if (at < size)
            ++at;
        line[n] = 0;
        ++reader.line;
        char* word = line;
        while (*word == ' ')
            ++word;
        if (!*word)
            continue;
        char* rest = SplitWord(word);

        if (std::strcmp(word, "m_pPath") == 0)
        {
            if (pathsSeen < pathLines)
            {
                ++pathsSeen;
                g_Console.AdvanceLoading(kLoadingSteps * pathsSeen / pathLines -
                                         kLoadingSteps * (pathsSeen - 1) / pathLines);
            }
            node = nullptr;
            if (paths >= MAX_PATHS)
            {
                if (!full)
                    reader.Refuse("too many paths, the rest is ignored");
                full = true;
                path = nullptr;
                continue;
            }
            int ids[3] = {};
            for (int& id : ids)
            {
                id = IntegerClamped(rest);
                rest = SplitWord(rest);
            }
            path = AddPath(ids, D3DXVECTOR3(0, 0, 0), 0.0f);
            ++paths;
            continue;
        }
        if (full)
            continue;
        if (std::strcmp(word, "place") == 0)
        {
            if (!path)
            {
                reader.Refuse("place before any path");
                continue;
            }
            if (path->node_count >= static_cast<DWORD>(MAX_PATH_NODE_NUMBERS))
            {
                reader.Refuse("too many places in one path");
                node = nullptr;
                continue;
            }
            node = AddPlace(path, NodeNumber(rest), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 0));
            continue;
        }
        if (std::strcmp(word, "CenterPos") == 0 || std::strcmp(word, "Radius") == 0 ||
            std::strncmp(word, "stick", 5) == 0)
        {
            if (!path)
            {
                reader.Refuse("path value before any path");
                continue;
            }
            if (word[0] == 'C')
            {
                float v[3] = {};
                ParseVector(rest, v);
                path->center = D3DXVECTOR3(v[0], v[1], v[2]);
            }
            else if (word[0] == 'R')
                path->radius = Real(rest);
            else if (std::strcmp(word, "stick_markers") == 0)
            {
                const long long count = Integer(rest);
                path->marker_count =
                    count < 0 ? 0 : static_cast<DWORD>(count > MAX_STICK_MARKERS ? MAX_STICK_MARKERS : count);
            }
            else
            {
                const long long i = Integer(rest);
                if (i < 0 || i >= MAX_STICK_MARKERS)
                {
                    reader.Refuse("marker index outside the table");
                    continue;
                }
                strStickMarker& m = path->markers[i];
                char* value = SplitWord(rest);
                if (std::strcmp(word, "stick") == 0)
                {
                    SplitWord(value);
                    CopyCut(m.name, sizeof m.name, value);
                }
                else if (std::strcmp(word, "stick_left") == 0)
                    m.left = IntegerClamped(value);
                else if (std::strcmp(word, "stick_right") == 0)
                    m.right = IntegerClamped(value);
            }
            continue;
        }
        const bool nodeValue = std::strncmp(word, "pos", 3) == 0 || std::strncmp(word, "realpos", 7) == 0 ||
                               std::strncmp(word, "idx", 3) == 0;
        if (!nodeValue)
            continue; // other keywords are not ours
        if (!node)
        {
            reader.Refuse("place value before any place");
            continue;
        }
        if (std::strncmp(word, "idx", 3) == 0)
        {
            if (word[3] < '0' || word[3] > '7' || word[4])
            {
                reader.Refuse("neighbour slot outside 0 to 7");
                continue;
            }
            node->neighbour_ids[word[3] - '0'] = NodeNumber(rest);
            continue;
        }
        const bool real = word[0] == 'r';
        const char* axis = word + (real ? 7 : 3);
        if (!axis[0] || axis[1] || axis[0] < 'x' || axis[0] > 'z')
            continue;
        D3DXVECTOR3& v = real ? node->realpos : node->pos;
        (&v.x)[axis[0] - 'x'] = Real(rest);
    }
    if (reader.refused > kReportedRefusals)
    {
        char text[LINE_CHARS + 64];
        std::snprintf(text, sizeof text, "%s: %i lines refused", reader.name, reader.refused);
        g_Console.Print(text);
    }
    for (strPath* p = m_pPaths; p; p = p->next)
        if (p->by_number.empty())
            ResolvePath(p, name);
}

bool CPathMgr::WriteFile(const char* name) const
{
    if (!name)
        return false;
    FILE* f = TkFopen(name, "wb");
    if (!f)
    {
        g_Console.Print2("Nie moge zapisac sciezek: ", name);
        return false;
    }
    // The first line: the byte sum of the world file the graphs belong to.
    DWORD sum = 0;
    if (FILE* world = g_Engine.m_szWorld[0] ? TkFopen(g_Engine.m_szWorld, "rb") : nullptr)
    {
        int c;
        while ((c = std::fgetc(world)) != EOF)
            sum += static_cast<unsigned char>(c);
        std::fclose(world);
    }
    char line[LINE_CHARS + 1];
    auto put = [&](const char* format, auto... values)
    {
        std::snprintf(line, sizeof line, format, values...);
        WriteLine(f, line, LINE_CHARS);
    };
    put("%i", static_cast<int>(sum));
    // Oldest first, so that reading (which puts each at the head) keeps the order.
    std::vector<const strPath*> paths;
    for (const strPath* p = m_pPaths; p; p = p->next)
        paths.insert(paths.begin(), p);
    for (const strPath* p : paths)
    {
        put("%s", "");
        put("m_pPath %i %i %i", p->ids[0], p->ids[1], p->ids[2]);
        put("CenterPos %f %f %f", static_cast<double>(p->center.x), static_cast<double>(p->center.y),
            static_cast<double>(p->center.z));
        put("Radius %f", static_cast<double>(p->radius));
        std::vector<const strPlace*> nodes;
        for (const strPlace* n = p->places; n; n = n->next)
            nodes.insert(nodes.end(), n);
        for (auto it = nodes.rbegin(); it != nodes.rend(); ++it)
        {
            const strPlace* n = *it;
            put("%s", "");
            put("place %i", static_cast<int>(n->number));
            put("posx %f", static_cast<double>(n->pos.x));
            put("posy %f", static_cast<double>(n->pos.y));
            put("posz %f", static_cast<double>(n->pos.z));
            put("realposx %f", static_cast<double>(n->realpos.x));
            put("realposy %f", static_cast<double>(n->realpos.y));
            put("realposz %f", static_cast<double>(n->realpos.z));
            for (int i = 0; i < PATH_NEIGHBOURS; ++i)
                if (n->neighbours[i])
                    put("idx%i %i", i, static_cast<int>(n->neighbours[i]->number));
        }
        if (p->marker_count)
        {
            put("%s", " ");
            put("stick_markers %i", static_cast<int>(p->marker_count));
            for (DWORD i = 0; i < p->marker_count && i < static_cast<DWORD>(MAX_STICK_MARKERS); ++i)
            {
                const strStickMarker& m = p->markers[i];
                put("stick %i %s", static_cast<int>(i), m.name);
                if (m.left != -1)
                    put("stick_left %i %i", static_cast<int>(i), m.left);
                if (m.right != -1)
                    put("stick_right %i %i", static_cast<int>(i), m.right);
            }
        }
    }
    const bool ok = !std::ferror(f);
    if (std::fclose(f) != 0 || !ok)
    {
        // A cut file would load as a smaller graph: none is better.
        std::error_code error;
        std::filesystem::remove(TkResolvePath(name), error);
        g_Console.Print2("Zapis sciezek nie udal sie, plik usuniety: ", name);
        return false;
    }
    return true;
}
