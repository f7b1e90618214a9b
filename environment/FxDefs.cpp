// EFxMgr: effect definitions, the afx reader, child links, the blood-drop
// lists and the blend report.
#include "environment/FxMgr.h"

#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "render/Renderer.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
constexpr int kLineSize = 256;
constexpr const char* kAfxPattern = "afx\\*.afx";
constexpr const char* kAfxFolder = "afx\\";
constexpr const char* kFireMark = "e_ogien";
constexpr size_t kExtensionLength = 4;
constexpr const char* kBloodDropFiles[2] = {"scripts\\BloodDrops.txt", "scripts\\BloodDropsOF.txt"};
constexpr const char* kBlendReport = "!fx_bugs.txt";
constexpr const char* kComment = "//";
// Numbers of a file are held to this size, so no later sum or growth of them
// leaves the floats' range.
constexpr double kMaxFileValue = 1.0e6;
constexpr float kDefaultSpin = 90.0f;
constexpr float kDefaultFps = 25.0f;

void CopyText(char* dest, size_t size, const char* text)
{
    std::snprintf(dest, size, "%s", text ? text : "");
}

// One file being read: its path for the one report line it may print.
struct AfxReader
{
    const char* path;
    bool reported = false;

    void Report(const char* line)
    {
        if (reported)
            return;
        reported = true;
        g_Console.Print4("FX definition ", path, ": line ignored or cut: ", line);
    }

    // A decimal number from the start of the text; no number gives 0. A value
    // that is not finite or too large is reported and held in range.
    float Number(const char* text, const char* line)
    {
        char* end = nullptr;
        const double v = std::strtod(text, &end);
        if (end == text)
            return 0.0f;
        if (!std::isfinite(v))
        {
            Report(line);
            return 0.0f;
        }
        if (std::fabs(v) > kMaxFileValue)
        {
            Report(line);
            return static_cast<float>(v < 0.0 ? -kMaxFileValue : kMaxFileValue);
        }
        return static_cast<float>(v);
    }

    // An unsigned integer from the start of the text; a negative or missing one gives 0.
    DWORD Index(const char* text)
    {
        char* end = nullptr;
        const long long v = std::strtoll(text, &end, 10);
        if (end == text || v < 0)
            return 0;
        return v > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<DWORD>(v);
    }

    void Vector(const char* text, D3DXVECTOR3* out, const char* line)
    {
        char words[3][kLineSize + 1] = {};
        char rest[kLineSize + 1];
        CopyText(rest, sizeof rest, text);
        // The value is the rest of the line: its first word is word 0.
        char line2[kLineSize + 3];
        std::snprintf(line2, sizeof line2, "v %s", rest);
        for (int i = 0; i < 3; ++i)
            CopyText(words[i], sizeof words[i], GetToken(line2, i + 1));
        out->x = Number(words[0], line);
        out->y = Number(words[1], line);
        out->z = Number(words[2], line);
    }

    // A key count, at most FX_KEYS.
    DWORD KeyCount(const char* text, const char* line)
    {
        const DWORD n = Index(text);
        if (n > static_cast<DWORD>(FX_KEYS))
        {
            Report(line);
            return FX_KEYS;
        }
        return n;
    }
};

bool IsTrue(const char* value)
{
    return CompareNoCase(value, "true") == 0;
}

struct NumberKey
{
    const char* keyword;
    float EFxDef::*field;
};

const NumberKey kNumberKeys[] = {
    {"Life_Time", &EFxDef::Life_Time},
    {"Life_Time_Rand", &EFxDef::Life_Time_Rand},
    {"Gravity", &EFxDef::Gravity},
    {"Grow", &EFxDef::Grow},
    {"Disappear_Distance", &EFxDef::Disappear_Distance},
    {"Spinning_Speed", &EFxDef::Spinning_Speed},
    {"Spinning_Speed_Rand", &EFxDef::Spinning_Speed_Rand},
    {"Accelerate_After", &EFxDef::Accelerate_After},
    {"Accelerate_Coef", &EFxDef::Accelerate_Coef},
    {"Accelerate_For", &EFxDef::Accelerate_For},
    {"Animated_Sprite_FPS", &EFxDef::Animated_Sprite_FPS},
};

struct VectorKey
{
    const char* keyword;
    D3DXVECTOR3 EFxDef::*field;
};

const VectorKey kVectorKeys[] = {
    {"Scale", &EFxDef::Scale}, {"Scale_Rand", &EFxDef::Scale_Rand},
    {"Pos", &EFxDef::Pos},     {"Pos_Rand", &EFxDef::Pos_Rand},
    {"Vel", &EFxDef::Vel},     {"Vel_Rand", &EFxDef::Vel_Rand},
};

struct BoolKey
{
    const char* keyword;
    BYTE EFxDef::*field;
};

const BoolKey kBoolKeys[] = {
    {"Spinning_Sprite", &EFxDef::Spinning_Sprite},
    {"Move", &EFxDef::Move},
    {"Additive", &EFxDef::Additive},
    {"Multiply", &EFxDef::Multiply},
    {"Light_Sprite", &EFxDef::Light_Sprite},
    {"Use_Rotation", &EFxDef::Use_Rotation},
    {"Flat_Rotation", &EFxDef::Flat_Rotation},
    {"Apply_Physics_To_Mesh", &EFxDef::Apply_Physics_To_Mesh},
    {"Animated_Sprite_Texture", &EFxDef::Animated_Sprite_Texture},
};

struct TypeWord
{
    const char* word;
    DWORD type;
};

const TypeWord kTypeWords[] = {
    {"Sprite", FX_SPRITE},
    {"Mesh", FX_MESH},
    {"Spark", FX_SPARK},
    {"BloodDrop", FX_BLOODDROP},
};

// "After" and "Every": time name rand into the next of eight slots.
void ReadChild(AfxReader& r, const char* line, float* times, float* rands, char (*names)[FX_NAME_SIZE],
               DWORD* count)
{
    if (*count >= static_cast<DWORD>(FX_CHILDREN))
    {
        r.Report(line);
        return;
    }
    char word[kLineSize + 1];
    CopyText(word, sizeof word, GetToken(line, 1));
    times[*count] = r.Number(word, line);
    CopyText(names[*count], FX_NAME_SIZE, GetToken(line, 2));
    CopyText(word, sizeof word, GetToken(line, 3));
    rands[*count] = r.Number(word, line);
    ++*count;
}

const char* const kOtherKeywords[] = {
    "Type",       "Filename",   "DistortionNormal", "dwColor",         "dwAlpha", "Color", "Alpha",
    "Color_Time", "Alpha_Time", "Hurt_Player",      "Explosion_Power", "After",   "Every"};

// A line the reader acts on, or a blank line or comment it may pass over quietly.
bool KnownOrQuiet(const char* line)
{
    const char* word = GetToken(line, 0);
    if (!word[0] || std::strncmp(word, kComment, std::strlen(kComment)) == 0)
        return true;
    for (const char* k : kOtherKeywords)
        if (IsKeyword(line, k))
            return true;
    for (const NumberKey& k : kNumberKeys)
        if (IsKeyword(line, k.keyword))
            return true;
    for (const VectorKey& k : kVectorKeys)
        if (IsKeyword(line, k.keyword))
            return true;
    for (const BoolKey& k : kBoolKeys)
        if (IsKeyword(line, k.keyword))
            return true;
    return false;
}

void ApplyLine(AfxReader& r, EFxDef* d, const char* line)
{
    // Other first words are ignored; the first such line is reported.
    if (!KnownOrQuiet(line))
        r.Report(line);
    char value[kLineSize + 1];
    CopyText(value, sizeof value, GetLineValue(line));

    if (IsKeyword(line, "Type"))
        for (const TypeWord& t : kTypeWords)
            if (CompareNoCase(value, t.word) == 0)
                d->Type = t.type;
    if (IsKeyword(line, "Filename"))
    {
        if (d->FilenameCount < static_cast<DWORD>(FX_FILENAMES_FROM_FILE))
            CopyText(d->Filename[d->FilenameCount++], FX_NAME_SIZE, value);
        else
            r.Report(line);
    }
    if (IsKeyword(line, "DistortionNormal"))
        CopyText(d->DistortionNormal, FX_NAME_SIZE, value);
    for (const VectorKey& k : kVectorKeys)
        if (IsKeyword(line, k.keyword))
            r.Vector(value, &(d->*k.field), line);
    if (IsKeyword(line, "dwColor"))
        d->dwColor = r.KeyCount(value, line);
    if (IsKeyword(line, "dwAlpha"))
        d->dwAlpha = r.KeyCount(value, line);

    const bool color = IsKeyword(line, "Color");
    const bool alpha = IsKeyword(line, "Alpha");
    const bool colorTime = IsKeyword(line, "Color_Time");
    const bool alphaTime = IsKeyword(line, "Alpha_Time");
    if (color || alpha || colorTime || alphaTime)
    {
        char word[kLineSize + 1];
        CopyText(word, sizeof word, GetToken(line, 1));
        const DWORD k = r.Index(word);
        const DWORD count = (color || colorTime) ? d->dwColor : d->dwAlpha;
        if (k >= count || k >= static_cast<DWORD>(FX_KEYS))
        {
            if (k >= static_cast<DWORD>(FX_KEYS))
                r.Report(line);
        }
        else
        {
            float v[3] = {};
            const int n = color ? 3 : 1;
            for (int i = 0; i < n; ++i)
            {
                CopyText(word, sizeof word, GetToken(line, 2 + i));
                v[i] = r.Number(word, line);
            }
            if (color)
                d->Color[k] = D3DXVECTOR3(v[0], v[1], v[2]);
            else if (alpha)
                d->Alpha[k] = v[0];
            else if (colorTime)
                d->Color_Time[k] = v[0];
            else
                d->Alpha_Time[k] = v[0];
        }
    }

    if (IsKeyword(line, "Hurt_Player"))
    {
        d->Hurt_Player = r.Number(value, line);
        if (d->Hurt_Player < 0.0f)
            g_Console.Print2("Ujemny hurt_player dla ", d->Name);
    }
    if (IsKeyword(line, "Explosion_Power"))
    {
        d->Explosion_Power = r.Number(value, line);
        if (d->Explosion_Power < 0.0f)
            g_Console.Print2("Ujemny explosion_power dla ", d->Name);
    }
    for (const NumberKey& k : kNumberKeys)
        if (IsKeyword(line, k.keyword))
            d->*k.field = r.Number(value, line);
    for (const BoolKey& k : kBoolKeys)
        if (IsKeyword(line, k.keyword))
            d->*k.field = IsTrue(value) ? 1 : 0;
    if (IsKeyword(line, "After"))
        ReadChild(r, line, d->AfterTime, d->AfterTimeRand, d->AfterName, &d->AfterCount);
    if (IsKeyword(line, "Every"))
        ReadChild(r, line, d->EveryTime, d->EveryTimeRand, d->EveryName, &d->EveryCount);
}
} // namespace

// ---- EFxDef --------------------------------------------------------------------------

EFxDef::EFxDef()
{
    ClearFxDef(this);
    Reset();
}

void EFxDef::Reset()
{
    const HOBJECT shooter = Shooter; // every bullet sets its own
    ClearFxDef(this);
    Shooter = shooter;
    Scale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
    for (int k = 0; k < FX_KEYS; ++k)
    {
        Color[k] = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
        Alpha[k] = 1.0f;
    }
    DamageFactor = 1.0f;
    Spinning_Speed = kDefaultSpin;
    Life_Time = 1.0f;
    Animated_Sprite_FPS = kDefaultFps;
    ObjectFlags = 1;
}

void ClearFxDef(EFxDef* def)
{
    std::memset(static_cast<void*>(def), 0, sizeof *def);
    def->Orientation = EOrientation();
}

// ---- Loading ---------------------------------------------------------------------------

void EFxMgr::LoadAll()
{
    for (EFxDef& d : m_Defs)
        ClearFxDef(&d);
    WIN32_FIND_DATAA found = {};
    HANDLE find = FindFirstFileA(kAfxPattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::string> files;
    do
    {
        if (found.cFileName[0] != '.' && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.emplace_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    // A stable order whatever the file system gives: it decides which of two
    // equally named definitions is found.
    std::sort(files.begin(), files.end(),
              [](const std::string& a, const std::string& b)
              { return TkCompareNames(a.c_str(), b.c_str()) < 0; });
    for (const std::string& file : files)
        LoadFxDef((kAfxFolder + file).c_str());
    ResolveChildren();
    ReportChildCycles();
    LoadBloodDrops();
}

void EFxMgr::LoadFxDef(const char* path)
{
    if (!path || !path[0])
        return;
    FILE* f = TkFopen(path, "r");
    if (!f)
        return;
    EFxDef* d = nullptr;
    for (EFxDef& candidate : m_Defs)
        if (!candidate.Name[0])
        {
            d = &candidate;
            break;
        }
    if (!d)
    {
        g_Console.Print("MAX_FXCACHE exceeded!");
        std::fclose(f);
        return;
    }
    d->ObjectFlags = 1;
    std::string lower(path);
    std::vector<char> mark(kFireMark, kFireMark + std::strlen(kFireMark) + 1);
    if (FindNoCase(lower.data(), mark.data()))
        d->Fire = 1;
    const size_t slash = lower.rfind('\\');
    std::string name =
        slash == std::string::npos ? lower.substr(lower.empty() ? 0 : 1) : lower.substr(slash + 1);
    if (name.size() > kExtensionLength)
        name.resize(name.size() - kExtensionLength);
    if (name.empty())
    {
        // No name, no definition: the slot stays free for the next file.
        ClearFxDef(d);
        std::fclose(f);
        return;
    }
    CopyText(d->Name, sizeof d->Name, name.c_str());

    AfxReader reader{path};
    char line[kLineSize + 1];
    while (!std::feof(f))
    {
        line[0] = 0;
        ReadLine(f, line, kLineSize);
        if (line[0])
            ApplyLine(reader, d, line);
    }
    std::fclose(f);
}

EFxDef* EFxMgr::FindFxDef(const char* name)
{
    if (!name || !name[0])
        return nullptr;
    for (EFxDef& d : m_Defs)
        if (d.Name[0] && CompareNoCase(d.Name, name) == 0)
            return &d;
    return nullptr;
}

void EFxMgr::ResolveChildren()
{
    for (EFxDef& d : m_Defs)
    {
        d.AfterCount = 0;
        d.EveryCount = 0;
        for (int k = 0; k < FX_CHILDREN; ++k)
        {
            d.AfterDef[k] = nullptr;
            if (d.AfterName[k][0])
            {
                d.AfterDef[k] = FindFxDef(d.AfterName[k]);
                d.AfterCount = k + 1;
            }
            d.EveryDef[k] = nullptr;
            if (d.EveryName[k][0])
            {
                d.EveryDef[k] = FindFxDef(d.EveryName[k]);
                d.EveryCount = k + 1;
            }
        }
    }
}

void EFxMgr::ReportChildCycles()
{
    // Allowed (a fire may keep starting itself), but worth a line: a periodic
    // child that starts its parent fills the pool.
    std::vector<char> seen(MAX_FXCACHE);
    std::vector<const EFxDef*> open;
    for (const EFxDef& d : m_Defs)
    {
        if (!d.Name[0] || (!d.AfterCount && !d.EveryCount))
            continue;
        std::fill(seen.begin(), seen.end(), 0);
        open.assign(1, &d);
        bool back = false;
        while (!open.empty() && !back)
        {
            const EFxDef* from = open.back();
            open.pop_back();
            for (int k = 0; k < FX_CHILDREN && !back; ++k)
                for (const EFxDef* child : {from->AfterDef[k], from->EveryDef[k]})
                {
                    const ptrdiff_t i = child ? child - m_Defs : -1;
                    if (i < 0 || i >= MAX_FXCACHE || seen[i])
                        continue;
                    seen[i] = 1;
                    back = back || child == &d;
                    open.push_back(child);
                }
        }
        if (back)
            g_Console.Print3("FX definition ", d.Name, ": its children lead back to it");
    }
}

void EFxMgr::LoadBloodDrops()
{
    for (EFxBloodDrops& list : m_BloodDrops)
        list.m_iCount = 0;
    for (int i = 0; i < 2; ++i)
    {
        FILE* f = TkFopen(kBloodDropFiles[i], "r");
        if (!f)
            return;
        EFxBloodDrops& list = m_BloodDrops[i];
        char line[kLineSize + 1];
        while (!std::feof(f) && list.m_iCount < static_cast<DWORD>(FX_BLOOD_DROPS))
        {
            line[0] = 0;
            ReadLine(f, line, kLineSize);
            TrimRight(line);
            if (!line[0] || std::strcmp(GetToken(line, 0), kComment) == 0)
                continue;
            CopyText(list.m_szNames[list.m_iCount++], FX_BLOOD_DROP_NAME_SIZE, line);
        }
        std::fclose(f);
    }
}

void EFxMgr::LoadBloodDropTextures()
{
    for (int k = 0; k < FX_BLOOD_DROPS; ++k)
        for (int list : {1, 0})
            if (m_BloodDrops[list].m_szNames[k][0])
                g_Renderer.GetTextureIndex(m_BloodDrops[list].m_szNames[k]);
}

void EFxMgr::ReportBlend(FILE* file, const EFxDef& def)
{
    char text[kLineSize];
    std::snprintf(text, sizeof text, def.Additive ? "Jako additive w %s" : "Jako normal w %s", def.Name);
    WriteLine(file, text, kLineSize);
}

void EFxMgr::CheckTextureBlend()
{
    FILE* f = TkFopen(kBlendReport, "w");
    if (!f)
        return;
    bool written = false;
    for (int i = 0; i < MAX_FXCACHE; ++i)
    {
        const EFxDef& a = m_Defs[i];
        if (!a.Name[0] || a.Type != FX_SPRITE)
            continue;
        bool first = true;
        for (int j = i + 1; j < MAX_FXCACHE; ++j)
        {
            const EFxDef& b = m_Defs[j];
            if (!b.Name[0] || b.Type != FX_SPRITE || CompareNoCase(a.Filename[0], b.Filename[0]) != 0 ||
                (a.Additive != 0) == (b.Additive != 0))
                continue;
            if (first)
            {
                char text[kLineSize];
                std::snprintf(text, sizeof text, "*** tekstura %s uzyta jako Additive i Normal!",
                              a.Filename[0]);
                WriteLine(f, text, kLineSize);
                ReportBlend(f, a);
                first = false;
                written = true;
            }
            ReportBlend(f, b);
        }
    }
    std::fclose(f);
    if (!written)
        DeleteFileA(kBlendReport);
}
