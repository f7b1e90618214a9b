#include "platform/d3dx/FontFace.h"

#include "platform/win32/Path.h"

#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <set>
#include <vector>

namespace
{
// The face every missing name falls back to; the install script provides
// DejaVu Sans, which fontconfig answers for it.
constexpr const char* kDefaultFamily = "sans-serif";

struct ApplicationFace
{
    int index = 0;
    std::vector<std::string> names; // every name the face answers to
    int weight = kTkFontWeightNormal;
    bool italic = false;
};

struct ApplicationFont
{
    std::string path;
    std::vector<ApplicationFace> faces;
};

struct Registry
{
    std::mutex lock;
    FT_Library freetype = nullptr;
    bool fontconfigReady = false;
    std::vector<ApplicationFont> fonts; // in the order they were added
    std::set<std::string> warned;       // lower-cased names already reported missing
};

// Never destroyed: fonts held by other globals may still close their faces
// while the process exits.
Registry& TheRegistry()
{
    static Registry* registry = new Registry;
    return *registry;
}

FT_Library FreeType(Registry& r)
{
    if (!r.freetype && FT_Init_FreeType(&r.freetype) != 0)
        r.freetype = nullptr;
    return r.freetype;
}

bool Fontconfig(Registry& r)
{
    if (!r.fontconfigReady)
    {
        r.fontconfigReady = FcInit() == FcTrue;
        // Fontconfig keeps its configuration until told to let go; doing so at
        // exit keeps leak checkers quiet about what its parser allocated.
        if (r.fontconfigReady)
            std::atexit([] { FcFini(); });
    }
    return r.fontconfigReady;
}

int EffectiveWeight(int weight)
{
    return weight <= 0 ? kTkFontWeightNormal : weight;
}

std::string Lower(const std::string& s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80)
        out += static_cast<char>(cp);
    else if (cp < 0x800)
    {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// A name-table string as UTF-8: Windows names are UTF-16 big-endian; Macintosh
// Roman names are kept when they are plain ASCII.
bool DecodeSfntName(const FT_SfntName& n, std::string* out)
{
    out->clear();
    if (n.platform_id == TT_PLATFORM_MICROSOFT)
    {
        for (FT_UInt i = 0; i + 1 < n.string_len; i += 2)
        {
            const uint32_t unit = (uint32_t(n.string[i]) << 8) | n.string[i + 1];
            if (unit >= 0xD800 && unit <= 0xDFFF)
                continue; // names of faces are never outside the basic plane
            AppendUtf8(*out, unit);
        }
    }
    else if (n.platform_id == TT_PLATFORM_MACINTOSH && n.encoding_id == TT_MAC_ID_ROMAN)
    {
        for (FT_UInt i = 0; i < n.string_len; ++i)
        {
            if (n.string[i] >= 0x80)
                return false;
            *out += static_cast<char>(n.string[i]);
        }
    }
    return !out->empty();
}

void AddName(std::vector<std::string>& names, const std::string& name)
{
    if (name.empty())
        return;
    for (const std::string& n : names)
        if (TkCompareNames(n.c_str(), name.c_str()) == 0)
            return;
    names.push_back(name);
}

// The names Windows would know a face by: its family (the legacy one and the
// typographic one) and its full name.
ApplicationFace DescribeFace(FT_Face face, int index)
{
    ApplicationFace f;
    f.index = index;
    if (face->family_name)
        AddName(f.names, face->family_name);
    const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
    for (FT_UInt i = 0; i < count; ++i)
    {
        FT_SfntName n;
        if (FT_Get_Sfnt_Name(face, i, &n) != 0)
            continue;
        if (n.name_id != TT_NAME_ID_FONT_FAMILY && n.name_id != TT_NAME_ID_FULL_NAME &&
            n.name_id != TT_NAME_ID_TYPOGRAPHIC_FAMILY)
            continue;
        std::string s;
        if (DecodeSfntName(n, &s))
            AddName(f.names, s);
    }
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWeightClass >= 1 && os2->usWeightClass <= 1000)
        f.weight = os2->usWeightClass;
    else
        f.weight = (face->style_flags & FT_STYLE_FLAG_BOLD) ? kTkFontWeightBold : kTkFontWeightNormal;
    f.italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    return f;
}

// The best application face for a name: nearest weight, then the slant asked.
bool FindApplicationFace(Registry& r, const char* name, int weight, bool italic, TkFontFace* out)
{
    int best = -1;
    for (const ApplicationFont& font : r.fonts)
        for (const ApplicationFace& face : font.faces)
        {
            std::string matched;
            for (const std::string& n : face.names)
                if (TkCompareNames(n.c_str(), name) == 0)
                {
                    matched = n;
                    break;
                }
            if (matched.empty())
                continue;
            const int score = std::abs(face.weight - weight) + (face.italic != italic ? 1000 : 0);
            if (best >= 0 && score >= best)
                continue;
            best = score;
            out->file = font.path;
            out->index = face.index;
            out->family = face.names.front();
            out->application = true;
            out->fallback = false;
        }
    return best >= 0;
}

// Fontconfig's best face for a family, weight and slant. With `exact` the match
// counts only when one of its family or full names is the family asked.
bool FindSystemFace(Registry& r, const char* family, int weight, bool italic, bool exact, TkFontFace* out)
{
    if (!Fontconfig(r))
        return false;
    // The pattern is built field by field rather than parsed from a name string:
    // face names may hold characters (':', '-', ',') that the name syntax reads.
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return false;

    bool ok = false;
    FcChar8* file = nullptr;
    FcChar8* first = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
        FcPatternGetString(match, FC_FAMILY, 0, &first) == FcResultMatch)
    {
        std::string named;
        if (exact)
        {
            for (const char* object : {FC_FAMILY, FC_FULLNAME})
            {
                FcChar8* s = nullptr;
                for (int i = 0; named.empty() && FcPatternGetString(match, object, i, &s) == FcResultMatch;
                     ++i)
                    if (TkCompareNames(reinterpret_cast<const char*>(s), family) == 0)
                        named = reinterpret_cast<const char*>(s);
            }
        }
        if (!exact || !named.empty())
        {
            int index = 0;
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            out->file = reinterpret_cast<const char*>(file);
            out->index = index & 0xFFFF; // the upper half selects a named instance
            out->family = named.empty() ? reinterpret_cast<const char*>(first) : named;
            out->application = false;
            out->fallback = false;
            ok = true;
        }
    }
    FcPatternDestroy(match);
    return ok;
}
} // namespace

bool TkFindFontFace(const char* name, int weight, bool italic, TkFontFace* out)
{
    if (!out)
        return false;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> hold(r.lock);
    weight = EffectiveWeight(weight);
    const bool named = name && name[0];
    if (named)
    {
        if (FindApplicationFace(r, name, weight, italic, out))
            return true;
        if (FindSystemFace(r, name, weight, italic, true, out))
            return true;
    }
    if (!FindSystemFace(r, kDefaultFamily, weight, italic, false, out))
    {
        if (named && r.warned.insert(Lower(name)).second)
            std::fprintf(stderr, "font face \"%s\" not found and no default face exists\n", name);
        return false;
    }
    out->fallback = named;
    if (named && r.warned.insert(Lower(name)).second)
        std::fprintf(stderr, "font face \"%s\" not found; using \"%s\" instead\n", name, out->family.c_str());
    return true;
}

int TkAddApplicationFont(const std::string& path)
{
    if (path.empty())
        return 0;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> hold(r.lock);
    FT_Library lib = FreeType(r);
    if (!lib)
        return 0;
    FT_Face face = nullptr;
    if (FT_New_Face(lib, path.c_str(), 0, &face) != 0)
        return 0;
    ApplicationFont font;
    font.path = path;
    const FT_Long count = face->num_faces;
    font.faces.push_back(DescribeFace(face, 0));
    FT_Done_Face(face);
    for (FT_Long i = 1; i < count; ++i)
    {
        if (FT_New_Face(lib, path.c_str(), i, &face) != 0)
            continue;
        font.faces.push_back(DescribeFace(face, static_cast<int>(i)));
        FT_Done_Face(face);
    }
    // A face without any name can never be asked for; it does not count.
    std::erase_if(font.faces, [](const ApplicationFace& f) { return f.names.empty(); });
    const int added = static_cast<int>(font.faces.size());
    if (added > 0)
        r.fonts.push_back(std::move(font));
    return added;
}

bool TkRemoveApplicationFont(const std::string& path)
{
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> hold(r.lock);
    for (auto it = r.fonts.rbegin(); it != r.fonts.rend(); ++it)
        if (it->path == path)
        {
            r.fonts.erase(std::next(it).base());
            return true;
        }
    return false;
}

void TkForgetFontFaceWarnings()
{
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> hold(r.lock);
    r.warned.clear();
}

FT_Face TkOpenFontFace(const std::string& file, int index)
{
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> hold(r.lock);
    FT_Library lib = FreeType(r);
    FT_Face face = nullptr;
    if (!lib || FT_New_Face(lib, file.c_str(), index, &face) != 0)
        return nullptr;
    return face;
}

void TkCloseFontFace(FT_Face face)
{
    if (!face)
        return;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> hold(r.lock);
    FT_Done_Face(face);
}
