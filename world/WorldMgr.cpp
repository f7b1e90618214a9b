// EWorldMgr: the world-file loader (file, lines, values, object lines and
// world-wide keys). The keys of the three object types are in
// WorldMgrObjectKeys.cpp, the action, death, light, bezier and FX parsers in
// WorldMgrKeys.cpp.
#include "world/WorldMgr.h"

#include "game/BezierFollowState.h"
#include "game/BezierMgr.h"
#include "mesh/MultiTexturePaintingScripts.h"
#include "physics/PhysicsDesc.h"
#include "platform/win32/Path.h"
#include "render/LensFlare.h"
#include "render/PostProcess.h"
#include "render/Renderer.h"
#include "render/SkyLight.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/WorldMgrKeyIndex.h"

#include <cfloat>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>

EWorldMgr g_WorldMgr;

namespace
{
constexpr char CR = '\r';
constexpr char LF = '\n';
constexpr char TAB = '\t';
constexpr char BLANK = ' ';
constexpr char TEXT_KEY_MARK = '>';
constexpr float DEGREES_TO_RADIANS = 3.14159265358979f / 180.0f;
constexpr const char* BEZIER_EXTENSION = "bzr";
constexpr const char* LEVEL_WORLD_FORMAT = "worlds\\level%02d.w";
constexpr int PESEL_WORDS = 3;
constexpr int BLINKING_VALUES = 6;

bool IsLineEnd(char c)
{
    return c == CR || c == LF;
}

// True when one of the eight bytes is a control character below 14, as TAB,
// LF and CR are (it may be another one, such as a zero).
bool HoldsControl(const char* p)
{
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    constexpr uint64_t kBelow = 14; // one more than CR, the highest of the three
    static_assert(TAB < kBelow && LF < kBelow && CR < kBelow);
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return ((word - kOnes * kBelow) & ~word & kHigh) != 0;
}

const char* SkipBlanks(const char* p)
{
    while (*p == BLANK)
        ++p;
    return p;
}

const char* SkipWord(const char* p)
{
    while (*p && *p != BLANK)
        ++p;
    return p;
}

// The leading numeric text of a word as the C library reads it in the C
// locale ("12abc" is 12, "abc" is 0), whatever locale the process runs in.
// False when the number does not fit a double.
bool LeadingDouble(const char* text, const char* end, double* out)
{
    *out = 0.0;
    const char* p = text;
    while (*p == BLANK || *p == TAB)
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
    {
        negative = *p == '-';
        ++p;
    }
    if (*p == '+' || *p == '-')
        return true; // "--1" reads as 0
    double v = 0.0;
    const auto r = std::from_chars(p, end, v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range)
        return false;
    if (r.ec != std::errc())
        return true;
    *out = negative ? -v : v;
    return true;
}

// "xpos", "ypos" or "zpos": the lines whose values gather into one move.
bool IsPositionKey(const char* keyword, size_t length)
{
    constexpr std::string_view kPos = "pos";
    return length == kPos.size() + 1 && (keyword[0] == 'x' || keyword[0] == 'y' || keyword[0] == 'z') &&
           std::memcmp(keyword + 1, kPos.data(), kPos.size()) == 0;
}

// A fresh description for each object line, copied from one made once: a
// description's defaults take an orientation built from angles.
void ResetDesc(EObjectDesc& desc)
{
    static const EObjectDesc kFresh;
    desc = kFresh;
}

bool LeadingInteger(const char* text, const char* end, long long* out)
{
    *out = 0;
    const char* p = text;
    while (*p == BLANK || *p == TAB)
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
    {
        negative = *p == '-';
        ++p;
    }
    if (*p < '0' || *p > '9')
        return true;
    unsigned long long v = 0;
    const auto r = std::from_chars(p, end, v);
    if (r.ec == std::errc::result_out_of_range || v > static_cast<unsigned long long>(LLONG_MAX))
    {
        *out = negative ? LLONG_MIN : LLONG_MAX;
        return false;
    }
    *out = negative ? -static_cast<long long>(v) : static_cast<long long>(v);
    return true;
}
} // namespace

// ---- Shared helpers -------------------------------------------------------------------------

bool safe_string_copy(const char* label, unsigned capacity, char* dest, const char* source)
{
    if (!source)
        source = "";
    const size_t length = strnlen(source, capacity);
    if (dest && length < capacity)
    {
        std::memcpy(dest, source, length + 1);
        return true;
    }
    static constexpr const char* TOO_LONG = "ERROR: safe_string_copy() Source String Too Long!";
    AppendLogLine(TOO_LONG);
    g_Console.Print(TOO_LONG);
    AppendLogLine(label ? label : "");
    g_Console.Print(label ? label : "");
    if (dest && capacity != 0)
        dest[0] = 0;
    return false;
}

// The text after the file name's last point is replaced ("worlds\a.b.w"
// gives "worlds\a.b.bzr"); a name without one, or whose only points are in
// its folders, takes the extension on.
std::string BezierFileName(const char* worldFile)
{
    std::string name(worldFile ? worldFile : "");
    const size_t dot = name.find_last_of('.');
    const size_t folder = name.find_last_of('\\');
    if (dot == std::string::npos || (folder != std::string::npos && dot < folder))
        name += '.';
    else
        name.erase(dot + 1);
    return name + BEZIER_EXTENSION;
}

bool MakeLevelWorldName(int level, char* out, size_t size)
{
    if (!out || size == 0)
        return false;
    const int n = std::snprintf(out, size, LEVEL_WORLD_FORMAT, level);
    if (n < 0 || static_cast<size_t>(n) >= size)
    {
        out[0] = 0;
        return false;
    }
    return true;
}

// ---- The loader ------------------------------------------------------------------------------

struct EWorldMgr::LoadState
{
    const char* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    EObjectDesc desc;
    HOBJECT last = nullptr;
    BYTE lastType = OT_MESH;
    bool current = false;
    // Bytes of the line buffer that may hold text of an earlier line; the
    // rest is still zero, so only these are cleared for the next one.
    size_t lineDirty = LINE_SIZE;
    // The bytes ReadLine copied (the buffer is zero from there on).
    size_t lineLength = 0;
};

EWorldMgr::EWorldMgr()
{
    m_bError = 0;
}

void EWorldMgr::AddError(const char* text)
{
    if (m_iErrorCount < 0 || m_iErrorCount >= MAX_ERROR_LINES)
        return;
    std::snprintf(m_szErrors[m_iErrorCount], ERROR_LINE_SIZE, "%s", text ? text : "");
    ++m_iErrorCount;
}

void EWorldMgr::AddNote(NoteKind kind, const char* text, int line)
{
    if (kind == NoteKind::Refused)
        ++m_iRefused;
    else
        ++m_iPassedOver;
    if (m_iNotes >= MAX_NOTES)
        return;
    Note& n = m_Notes[m_iNotes++];
    n.kind = kind;
    n.line = line >= 0 ? line : m_iLine;
    const char* t = text ? text : "";
    const size_t length = strnlen(t, sizeof n.text - 1);
    std::memcpy(n.text, t, length);
    n.text[length] = 0;
}

void EWorldMgr::Refuse(const char* what, const char* detail)
{
    char text[NOTE_TEXT_SIZE];
    const char* w = what ? what : "";
    const size_t n = std::strlen(w);
    const char* separator = !detail || !detail[0] ? "" : (n && w[n - 1] == ':') ? " " : ": ";
    std::snprintf(text, sizeof text, "%s%s%.40s", w, separator, detail ? detail : "");
    char line[ERROR_LINE_SIZE * 2];
    std::snprintf(line, sizeof line, "World %.80s line %d: %s", m_pFileName, m_iLine, text);
    g_Console.Print(line);
    AddNote(NoteKind::Refused, text);
}

// The value buffer counts as cleared once its text is terminated: only the
// bytes up to the terminator are ever read.
const char* EWorldMgr::GetValue(const char* line)
{
    m_szValue[0] = 0;
    m_iValueLength = 0;
    if (!line)
        return m_szValue;
    const char* p = SkipBlanks(SkipWord(SkipBlanks(line)));
    size_t length = strnlen(p, sizeof m_szValue - 1);
    while (length > 0 && p[length - 1] == BLANK)
        --length;
    std::memcpy(m_szValue, p, length);
    m_szValue[length] = 0;
    m_iValueLength = length;
    return m_szValue;
}

const char* EWorldMgr::GetNthValue(const char* line, int n)
{
    m_szValue[0] = 0;
    m_iValueLength = 0;
    if (!line || n < 0)
        return m_szValue;
    const char* p = SkipBlanks(line);
    for (int i = 0; i < n && *p; ++i)
        p = SkipBlanks(SkipWord(p));
    const char* end = SkipWord(p);
    size_t length = static_cast<size_t>(end - p);
    if (length >= sizeof m_szValue)
        length = sizeof m_szValue - 1;
    std::memcpy(m_szValue, p, length);
    m_szValue[length] = 0;
    m_iValueLength = length;
    return m_szValue;
}

bool EWorldMgr::CopyText(const char* label, unsigned capacity, char* dest, const char* text)
{
    if (safe_string_copy(label, capacity, dest, text))
        return true;
    Refuse("text too long", label && label[0] ? label : m_szKeyword);
    return false;
}

int EWorldMgr::Int(int n)
{
    long long v = 0;
    const char* text = GetNthValue(m_pLine, n);
    const bool fits = LeadingInteger(text, text + m_iValueLength, &v);
    if (!fits || v > INT_MAX || v < INT_MIN)
    {
        Refuse("number out of range", m_szKeyword);
        return v < 0 ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(v);
}

DWORD EWorldMgr::Dword(int n)
{
    long long v = 0;
    const char* text = GetNthValue(m_pLine, n);
    const bool fits = LeadingInteger(text, text + m_iValueLength, &v);
    if (!fits || v > static_cast<long long>(UINT32_MAX) || v < INT_MIN)
    {
        Refuse("number out of range", m_szKeyword);
        return 0;
    }
    return static_cast<DWORD>(static_cast<uint32_t>(v));
}

float EWorldMgr::Float(int n)
{
    double v = 0.0;
    const char* text = GetNthValue(m_pLine, n);
    const bool fits = LeadingDouble(text, text + m_iValueLength, &v);
    if (!fits || !(v == v) || v > FLT_MAX || v < -FLT_MAX)
    {
        Refuse("number out of range", m_szKeyword);
        return 0.0f;
    }
    return static_cast<float>(v);
}

int EWorldMgr::RestInt()
{
    long long v = 0;
    const char* text = GetValue(m_pLine);
    const bool fits = LeadingInteger(text, text + m_iValueLength, &v);
    if (!fits || v > INT_MAX || v < INT_MIN)
    {
        Refuse("number out of range", m_szKeyword);
        return v < 0 ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(v);
}

float EWorldMgr::RestFloat()
{
    double v = 0.0;
    const char* text = GetValue(m_pLine);
    const bool fits = LeadingDouble(text, text + m_iValueLength, &v);
    if (!fits || !(v == v) || v > FLT_MAX || v < -FLT_MAX)
    {
        Refuse("number out of range", m_szKeyword);
        return 0.0f;
    }
    return static_cast<float>(v);
}

// One line of the file into `line` (LINE_SIZE bytes). CR LF, a lone CR and a
// lone LF each end one line, so files from any editor read the same. A line
// longer than the buffer is refused and the rest of it skipped, never read as
// a line of its own.
void EWorldMgr::ReadLine(LoadState& s, char* line)
{
    ++m_iLine;
    // The line's end is found first, eight bytes at a time, and its text
    // copied whole: most lines are a keyword and a number or two.
    const char* text = s.data + s.pos;
    const size_t left = s.size - s.pos;
    const size_t limit = left < static_cast<size_t>(LINE_CHARS) ? left : static_cast<size_t>(LINE_CHARS);
    size_t n = 0;
    bool tabs = false;
    for (;;)
    {
        while (n + sizeof(uint64_t) <= limit && !HoldsControl(text + n))
            n += sizeof(uint64_t);
        // A byte at a time up to the next word, or to the line's end.
        const size_t stop = n + sizeof(uint64_t) < limit ? n + sizeof(uint64_t) : limit;
        for (; n < stop && !IsLineEnd(text[n]); ++n)
            tabs |= text[n] == TAB;
        if (n == limit || IsLineEnd(text[n]))
            break;
    }
    std::memcpy(line, text, n);
    s.lineLength = n;
    // What is left of the longer line before it is cleared: the buffer past
    // the text is always zero.
    if (s.lineDirty > n)
        std::memset(line + n, 0, s.lineDirty - n);
    if (tabs)
        for (size_t i = 0; i < n; ++i)
            if (line[i] == TAB)
                line[i] = BLANK;
    s.pos += n;
    if (n == static_cast<size_t>(LINE_CHARS) && s.pos < s.size && !IsLineEnd(s.data[s.pos]))
    {
        Refuse("line too long");
        while (s.pos < s.size && !IsLineEnd(s.data[s.pos]))
            ++s.pos;
        line[0] = 0;
        s.lineLength = 0;
    }
    if (s.pos < s.size)
    {
        const char c = s.data[s.pos++];
        if (c == CR && s.pos < s.size && s.data[s.pos] == LF)
            ++s.pos;
    }
    s.lineDirty = n + 1;
}

bool EWorldMgr::LoadWorld(const char* fileName)
{
    m_iErrorCount = 0;
    m_bError = 0;
    m_iNotes = 0;
    m_iPassedOver = 0;
    m_iRefused = 0;
    m_iLine = 0;
    m_pFileName = fileName ? fileName : "";
    // Every object probes for its files: the resolver checks the file system
    // for changes once for the whole load, not at each probe.
    const TkPathBatch batch;

    FILE* f = fileName ? TkFopen(fileName, "rb") : nullptr;
    if (!f)
    {
        m_bError = 1;
        return false;
    }
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0)
        size = std::ftell(f);
    if (size <= 0)
    {
        std::fclose(f);
        return false;
    }
    if (size > MAX_WORLD_FILE_BYTES)
    {
        std::fclose(f);
        g_Console.Print2("ERROR: world file too large: ", fileName);
        m_bError = 1;
        return false;
    }
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[static_cast<size_t>(size)]);
    if (!buffer)
    {
        std::fclose(f);
        g_Console.Print2("ERROR: no memory for the world file ", fileName);
        m_bError = 1;
        return false;
    }
    std::rewind(f);
    const size_t got = std::fread(buffer.get(), 1, static_cast<size_t>(size), f);
    std::fclose(f);

    LoadState s;
    s.data = buffer.get();
    s.size = got;
    s.desc.Reset();

    // The line lives on the heap: it is 3 KB and the loader may run deep in a frame.
    std::unique_ptr<char[]> line(new char[LINE_SIZE]);
    BeginActionReferences();
    m_hPositioned = nullptr;
    while (s.pos < s.size)
    {
        ReadLine(s, line.get());
        ParseLine(s, line.get());
    }
    FlushPosition();
    buffer.reset();
    CheckActionReferences();
    MarkChangingObjects();

    g_BezierMgr.LoadNodes(BezierFileName(fileName).c_str());
    m_pLine = nullptr;
    return true;
}

// The save games keep the objects that play can change: those with actions,
// a death, a bezier route to follow or a body that moves. Plain props stay out
// of them (they are as the world file has them).
void EWorldMgr::MarkChangingObjects()
{
    for (strObject& o : g_Engine.m_Objects)
    {
        if (!o.bUsed || !o.bFromWorldFile || o.bPlacedObject)
            continue;
        bool changing =
            o.pActionParams || o.pDeathParams || (o.pBezierFollow && o.pBezierFollow->szStartNode[0]);
        if (!changing && o.Type == OT_MESH)
        {
            EPhysicsDesc desc;
            g_Engine.GetObjectPhysicsDesc(&o, &desc);
            changing =
                desc.bRigidBody && desc.iShape >= PHYSICS_SHAPE_BOX && desc.iShape <= PHYSICS_SHAPE_SPHERE;
        }
        if (changing)
            o.bSaved = 1;
    }
}

void EWorldMgr::ParseLine(LoadState& s, char* line)
{
    // The line's text ends at its first zero, as the label expansion reads it.
    const char* mark = static_cast<const char*>(std::memchr(line, TEXT_KEY_MARK, s.lineLength));
    if (mark && !std::memchr(line, 0, static_cast<size_t>(mark - line)))
    {
        g_TextMgr.ExpandLabels(line, LINE_SIZE);
        s.lineDirty = LINE_SIZE;
    }
    m_pLine = line;
    m_bMatch = 0;
    const char* p = SkipBlanks(line);
    const char* end = SkipWord(p);
    const size_t length = static_cast<size_t>(end - p);
    std::memcpy(m_szKeyword, p, length);
    m_szKeyword[length] = 0;
    m_iKeywordLength = length;
    if (!m_szKeyword[0])
        return;
    if (m_hPositioned && !IsPositionKey(m_szKeyword, length))
        FlushPosition();

    if (Key("mesh"))
        AddObjectLine(s, OT_MESH);
    else if (Key("skinmesh"))
        AddObjectLine(s, OT_SKINMESH);
    else if (Key("light"))
        AddObjectLine(s, OT_LIGHT);

    WorldKeys(s);
    if (s.current && s.last)
    {
        switch (s.lastType)
        {
        case OT_MESH:
            MeshKeys(s.last);
            break;
        case OT_SKINMESH:
            SkinMeshKeys(s.last);
            break;
        case OT_LIGHT:
            LightKeys(s.last);
            break;
        default:
            break;
        }
    }
    // Compared last, after the object keys.
    if (Key("WorldTerrain"))
    {
        if (CopyText("WorldTerrain", sizeof g_Renderer.m_szTerrainScript, g_Renderer.m_szTerrainScript,
                     GetValue(m_pLine)))
            g_Renderer.LoadTerrainScript();
    }
    if (!m_bMatch)
        AddNote(NoteKind::PassedOver, m_szKeyword);
}

void EWorldMgr::AddObjectLine(LoadState& s, BYTE type)
{
    s.current = false;
    const char* label = type == OT_SKINMESH ? "skin mesh file name" : "mesh file name";
    char file[OBJECT_FILE_NAME_SIZE] = {};
    if (type != OT_LIGHT)
    {
        const char* name = GetNthValue(m_pLine, 1);
        const size_t length = std::strlen(name);
        if (length < 2)
            return;
        ResetDesc(s.desc);
        s.desc.Type = type;
        // The error list keeps the name cut to its line; the description's
        // field holds it whole or not at all, and a name that does not fit
        // fails the line like a mesh that does not load.
        const size_t kept = length < sizeof file - 1 ? length : sizeof file - 1;
        std::memcpy(file, name, kept);
        file[kept] = 0;
        CopyText(label, sizeof s.desc.szFileName, s.desc.szFileName, name);
    }
    else
    {
        ResetDesc(s.desc);
        s.desc.Type = OT_LIGHT;
    }

    HOBJECT o = nullptr;
    if (type == OT_LIGHT || s.desc.szFileName[0])
        o = g_Engine.AddObject(&s.desc);
    if (!o)
    {
        m_bError = 1;
        const char* what = type == OT_MESH       ? "Mesh loading failed:"
                           : type == OT_SKINMESH ? "SkinMesh loading failed:"
                                                 : "Light failed!";
        AddError(what);
        if (type != OT_LIGHT)
            AddError(file);
        AddError("");
        Refuse(what, file);
        return;
    }
    o->bFromWorldFile = 1;
    if (type == OT_MESH)
        g_MultiTexturePainting.LoadDataFromScript(o);
    s.last = o;
    s.lastType = type;
    s.current = true;
}

bool EWorldMgr::WorldKeys(LoadState& s)
{
    using Set = void (*)(EWorldMgr & L, LoadState & s);
    struct WorldKey
    {
        const char* key;
        Set set;
    };
    // The world-wide keys; the ones that name an object change the last one
    // made (when there is one), whatever type it is.
    static constexpr WorldKey kKeys[] = {
        {"world_general_properties", [](EWorldMgr&, LoadState& s) { s.current = false; }},
        {"pesel",
         [](EWorldMgr& L, LoadState& s)
         {
             if (s.last)
                 for (int i = 0; i < PESEL_WORDS; ++i)
                     s.last->PESEL[i] = L.Dword(i + 1);
         }},
        {"container_pesel",
         [](EWorldMgr& L, LoadState& s)
         {
             if (s.last)
                 for (int i = 0; i < PESEL_WORDS; ++i)
                     s.last->ContainerPESEL[i] = L.Dword(i + 1);
         }},
        {"fog0",
         [](EWorldMgr& L, LoadState& s)
         {
             s.current = false;
             Env.SetFogColor(L.Dword(1));
             PostProcess.FogDistCoef = L.Float(2);
             Env.SetFogMax(L.Float(3));
         }},
        {"farz",
         [](EWorldMgr& L, LoadState& s)
         {
             s.current = false;
             g_Camera.SetFarPlane(L.RestFloat());
         }},
        {"ambient_occlusion_depth",
         [](EWorldMgr& L, LoadState& s)
         {
             s.current = false;
             PostProcess.SetAODepth(L.RestFloat());
         }},
        {"ambient_occlusion_intensity",
         [](EWorldMgr& L, LoadState& s)
         {
             s.current = false;
             PostProcess.SetAOIntensity(L.RestFloat());
         }},
        {"global_ambient_light", &EWorldMgr::AmbientKey},
        {"global_ambient_light0", &EWorldMgr::AmbientKey},
        {"sector_idx",
         [](EWorldMgr& L, LoadState& s)
         {
             const int v = L.RestInt();
             if (s.last)
                 s.last->bSectorIndex = static_cast<BYTE>(v);
         }},
        {"ignore_calculating_player_visibility",
         [](EWorldMgr& L, LoadState& s)
         {
             const int v = L.RestInt();
             if (s.last && s.last->Type == OT_LIGHT)
                 s.last->bIgnorePlayerVisibility = v != 0;
         }},
        {"light_linear_scatter",
         [](EWorldMgr& L, LoadState& s)
         {
             const int v = L.RestInt();
             if (s.last && s.last->Type == OT_LIGHT)
                 s.last->bLinearScatter = v != 0;
         }},
        {"background_color",
         [](EWorldMgr& L, LoadState& s)
         {
             s.current = false;
             g_Camera.SetMode(L.Dword(1));
         }},
        {"lensflare_script",
         [](EWorldMgr& L, LoadState&)
         {
             L.CopyText("lensflare_script", sizeof g_LensFlare.m_szDefinitionFile,
                        g_LensFlare.m_szDefinitionFile, L.GetNthValue(L.m_pLine, 1));
         }},
        {"lens_flare_direction", &EWorldMgr::DirectionKey},
        {"sky_light_direction", &EWorldMgr::DirectionKey},
        {"sky_light_use", [](EWorldMgr& L, LoadState&) { Env.m_bUseSkyLight = L.Flag(1) ? 1 : 0; }},
        {"sky_light_color", [](EWorldMgr& L, LoadState&) { Env.SetSkyLightColor(L.Dword(1)); }},
        {"sky_light_power", [](EWorldMgr& L, LoadState&) { Env.SkyLightPower = L.Float(1); }},
        // The sky light keeps the sky-mesh object; the renderer asks it whether there is one.
        {"sky_mesh", [](EWorldMgr& L, LoadState&) { Env.SetSkyMesh(L.GetValue(L.m_pLine)); }},
        {"sky_light_projector",
         [](EWorldMgr& L, LoadState&)
         {
             // The sun's shadow cascades keep their own sizes; the values are read
             // so a damaged line is still reported.
             L.Int(1);
             L.Int(2);
             L.Int(3);
             L.Float(4);
         }},
        {"skinmesh_skylight_coef",
         [](EWorldMgr& L, LoadState&) { g_Options.SkinmeshLightCoef = L.Float(1); }},
        {"skinmesh_ambient_coef",
         [](EWorldMgr& L, LoadState&) { g_Options.SkinmeshAmbientCoef = L.Float(1); }},
        {"bloom_params",
         [](EWorldMgr& L, LoadState&)
         {
             const float cone = L.Float(1);
             ESkyLight::SetBloom(cone, L.Float(2));
         }},
        {"Dasaturation", [](EWorldMgr& L, LoadState&) { PostProcess.Desaturacja = L.Float(1); }},
        {"HDRTargetLuminance", [](EWorldMgr& L, LoadState&) { PostProcess.HDRTargetLuminance = L.Float(1); }},
        {"disappear_range",
         [](EWorldMgr& L, LoadState& s)
         {
             const int v = L.Int(1);
             if (s.last)
                 g_Engine.SetObjectDisappearRange(s.last, v);
         }},
        {"link_by_socket", [](EWorldMgr& L, LoadState& s)
         { L.LinkBySocket(s.last, "szObjectName", "szSocketName", LINK_NAME_CAPACITY); }},
        {"blinking1",
         [](EWorldMgr& L, LoadState& s)
         {
             EBlinkingParams b;
             b.bEnabled = L.Flag(1) ? 1 : 0;
             for (int i = 0; i < BLINKING_VALUES; ++i)
                 b.fValues[i] = L.Float(i + 2);
             if (s.last)
                 g_Engine.SetObjectBlinking(s.last, &b);
         }},
    };
    static const WorldKeyIndex<WorldKey> kIndex(kKeys);

    HOBJECT last = s.last;
    if (const WorldKey* k = kIndex.Find(m_szKeyword, m_iKeywordLength))
    {
        Key(k->key);
        k->set(*this, s);
    }
    ParseObjectFx(this, m_pLine, last);
    ParseBezierStart(this, m_pLine, last);
    return m_bMatch != 0;
}

void EWorldMgr::AmbientKey(EWorldMgr& L, LoadState& s)
{
    s.current = false;
    Env.SetAmbientColor(L.Dword(1));
}

void EWorldMgr::DirectionKey(EWorldMgr& L, LoadState&)
{
    const bool sun = std::strcmp(L.m_szKeyword, "sky_light_direction") == 0;
    const float pitch = L.Float(1);
    const float rotation = L.Float(2);
    g_Console.SetVariable(sun ? "SkyLightRotation" : "LensFlareRotation", rotation, 0);
    g_Console.SetVariable(sun ? "SkyLightPitch" : "LensFlarePitch", pitch, 0);
    const EOrientation o(rotation * DEGREES_TO_RADIANS, pitch * DEGREES_TO_RADIANS, 0.0f);
    if (sun)
        Env.SetSkyLightDirection(&o.Forward);
    else
        Env.SetLensFlareDirection(&o.Forward);
}

void EWorldMgr::LinkBySocket(HOBJECT o, const char* objectLabel, const char* socketLabel, unsigned capacity)
{
    const bool on = Flag(1);
    std::unique_ptr<char[]> object(new char[capacity]);
    std::unique_ptr<char[]> socket(new char[capacity]);
    if (!CopyText(objectLabel, capacity, object.get(), GetNthValue(m_pLine, 2)) ||
        !CopyText(socketLabel, capacity, socket.get(), GetNthValue(m_pLine, 3)))
        return;
    if (!o || !on)
        return;
    // A tie keeps its names in fields of OBJECT_TIE_NAME_SIZE; a longer name is
    // refused rather than cut into another object's name.
    if (std::strlen(object.get()) >= static_cast<size_t>(OBJECT_TIE_NAME_SIZE) ||
        std::strlen(socket.get()) >= static_cast<size_t>(OBJECT_TIE_NAME_SIZE))
    {
        Refuse("tie name too long", m_szKeyword);
        return;
    }
    g_Engine.SetPendingTie(o, socket.get(), object.get());
}
