// Face lookup by name and the process's application fonts.

#include "platform/d3dx/FontFace.h"
#include "platform/win32/Win32.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace
{
// The file fontconfig itself gives for a family (and weight), to compare with.
std::string FontconfigFile(const char* family, int weight = 400)
{
    FcInit();
    FcPattern* p = FcPatternCreate();
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(p, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(p, FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult r;
    FcPattern* m = FcFontMatch(nullptr, p, &r);
    FcPatternDestroy(p);
    std::string file;
    FcChar8* s = nullptr;
    if (m && FcPatternGetString(m, FC_FILE, 0, &s) == FcResultMatch)
        file = reinterpret_cast<const char*>(s);
    if (m)
        FcPatternDestroy(m);
    return file;
}

std::string FontconfigFamily(const char* family)
{
    FcInit();
    FcPattern* p = FcPatternCreate();
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcConfigSubstitute(nullptr, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    FcResult r;
    FcPattern* m = FcFontMatch(nullptr, p, &r);
    FcPatternDestroy(p);
    std::string name;
    FcChar8* s = nullptr;
    if (m && FcPatternGetString(m, FC_FAMILY, 0, &s) == FcResultMatch)
        name = reinterpret_cast<const char*>(s);
    if (m)
        FcPatternDestroy(m);
    return name;
}

struct LookupCase
{
    const char* name;
    int weight;
    const char* family; // expected family; null: the default face's
    bool fallback;
};

class FontFaceLookup : public testing::TestWithParam<LookupCase>
{
};

TEST_P(FontFaceLookup, FindsTheFaceOrTheDefault)
{
    const LookupCase& c = GetParam();
    TkFontFace face;
    ASSERT_TRUE(TkFindFontFace(c.name, c.weight, false, &face));
    EXPECT_FALSE(face.application);
    EXPECT_EQ(face.fallback, c.fallback);
    const std::string family = c.family ? c.family : FontconfigFamily("sans-serif");
    EXPECT_STRCASEEQ(face.family.c_str(), family.c_str());
    EXPECT_TRUE(fs::exists(face.file)) << face.file;
}

INSTANTIATE_TEST_SUITE_P(Names, FontFaceLookup,
                         testing::Values(LookupCase{"DejaVu Sans", 400, "DejaVu Sans", false},
                                         LookupCase{"dejavu SANS", 0, "DejaVu Sans", false},
                                         LookupCase{"DejaVu Sans Mono", 400, "DejaVu Sans Mono", false},
                                         LookupCase{"DejaVu Serif", 700, "DejaVu Serif", false},
                                         LookupCase{"Tahoma", 400, nullptr, true},
                                         LookupCase{"No Such Face 12345", 0, nullptr, true},
                                         LookupCase{"", 0, nullptr, false},
                                         LookupCase{nullptr, 0, nullptr, false}));

TEST(FontFace, WeightPicksTheBoldFile)
{
    TkFontFace normal, bold, dontCare;
    ASSERT_TRUE(TkFindFontFace("DejaVu Sans", 400, false, &normal));
    ASSERT_TRUE(TkFindFontFace("DejaVu Sans", 700, false, &bold));
    ASSERT_TRUE(TkFindFontFace("DejaVu Sans", 0, false, &dontCare));
    EXPECT_EQ(normal.file, FontconfigFile("DejaVu Sans", 400));
    EXPECT_EQ(bold.file, FontconfigFile("DejaVu Sans", 700));
    EXPECT_NE(normal.file, bold.file);
    EXPECT_EQ(dontCare.file, normal.file);
}

TEST(FontFace, MissingNameIsReportedOnceWithItsFallback)
{
    TkForgetFontFaceWarnings();
    testing::internal::CaptureStderr();
    TkFontFace a, b, c;
    ASSERT_TRUE(TkFindFontFace("Tahoma", 400, false, &a));
    ASSERT_TRUE(TkFindFontFace("TAHOMA", 700, false, &b));
    ASSERT_TRUE(TkFindFontFace("Tahoma", 0, false, &c));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Tahoma"), std::string::npos) << err;
    EXPECT_NE(err.find(a.family), std::string::npos) << err;
    size_t lines = 0;
    for (char ch : err)
        lines += ch == '\n';
    EXPECT_EQ(lines, 1u) << err;
}

TEST(FontFace, EmptyNameIsTheDefaultFaceWithoutAWord)
{
    TkForgetFontFaceWarnings();
    testing::internal::CaptureStderr();
    TkFontFace face;
    ASSERT_TRUE(TkFindFontFace("", 0, false, &face));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(face.fallback);
    EXPECT_EQ(face.file, FontconfigFile("sans-serif"));
}

// A temporary data folder holding copies of real font files under other names;
// the test runs inside it, as the game runs inside its data tree.
class ApplicationFonts : public testing::Test
{
protected:
    void SetUp() override
    {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        m_Dir = fs::temp_directory_path() /
                ("tk_font_resource_" + std::to_string(::getpid()) + "_" + std::to_string(stamp));
        fs::create_directories(m_Dir / "Misc" / "Fonts");
        // The system's files of the family (the lookup of system faces is checked
        // against fontconfig above).
        TkFontFace regular, bold;
        ASSERT_TRUE(TkFindFontFace("DejaVu Sans", 400, false, &regular));
        ASSERT_TRUE(TkFindFontFace("DejaVu Sans", 700, false, &bold));
        ASSERT_FALSE(regular.application || bold.application);
        m_Regular = regular.file;
        m_Bold = bold.file;
        ASSERT_FALSE(m_Regular.empty());
        ASSERT_FALSE(m_Bold.empty());
        fs::copy_file(m_Regular, m_Dir / "Misc" / "Fonts" / "GameFace.TTF");
        fs::copy_file(m_Bold, m_Dir / "Misc" / "Fonts" / "GameFaceBold.ttf");
        std::ofstream(m_Dir / "Misc" / "Fonts" / "notes.ttf") << "not a font at all\n";
        m_OldCwd = fs::current_path();
        fs::current_path(m_Dir);
    }
    void TearDown() override
    {
        fs::current_path(m_OldCwd);
        std::error_code ec;
        fs::remove_all(m_Dir, ec);
    }

    static TkFontFace Find(const char* name, int weight = 400)
    {
        TkFontFace face;
        EXPECT_TRUE(TkFindFontFace(name, weight, false, &face));
        return face;
    }

    fs::path m_Dir, m_OldCwd;
    std::string m_Regular, m_Bold;
};

TEST_F(ApplicationFonts, AddedFileIsFoundFirstAndForgottenWhenRemoved)
{
    const char* name = "misc\\fonts\\gameface.ttf"; // the game's spelling of the file
    const std::string real = (m_Dir / "Misc" / "Fonts" / "GameFace.TTF").string();

    EXPECT_EQ(AddFontResourceA(name), 1);
    TkFontFace face = Find("DejaVu Sans");
    EXPECT_TRUE(face.application);
    EXPECT_FALSE(face.fallback);
    EXPECT_EQ(fs::path(face.file).filename(), "GameFace.TTF");
    EXPECT_TRUE(Find("dejavu sans").application);

    EXPECT_EQ(RemoveFontResourceA(name), TRUE);
    face = Find("DejaVu Sans");
    EXPECT_FALSE(face.application);
    EXPECT_NE(face.file, real);
    EXPECT_EQ(RemoveFontResourceA(name), FALSE);
}

TEST_F(ApplicationFonts, FileAddedTwiceNeedsTwoRemoves)
{
    const char* name = "Misc\\Fonts\\GameFace.TTF";
    EXPECT_EQ(AddFontResourceA(name), 1);
    EXPECT_EQ(AddFontResourceA(name), 1);
    EXPECT_EQ(RemoveFontResourceA(name), TRUE);
    EXPECT_TRUE(Find("DejaVu Sans").application);
    EXPECT_EQ(RemoveFontResourceA(name), TRUE);
    EXPECT_FALSE(Find("DejaVu Sans").application);
}

TEST_F(ApplicationFonts, WeightChoosesAmongTheAddedFaces)
{
    ASSERT_EQ(AddFontResourceA("misc\\fonts\\GameFace.ttf"), 1);
    ASSERT_EQ(AddFontResourceA("misc\\fonts\\GameFaceBold.ttf"), 1);
    EXPECT_EQ(fs::path(Find("DejaVu Sans", 700).file).filename(), "GameFaceBold.ttf");
    EXPECT_EQ(fs::path(Find("DejaVu Sans", 400).file).filename(), "GameFace.TTF");
    EXPECT_EQ(fs::path(Find("DejaVu Sans", 0).file).filename(), "GameFace.TTF");
    EXPECT_EQ(fs::path(Find("dejavu sans bold", 400).file).filename(), "GameFaceBold.ttf")
        << "a face is found by its full name too";
    EXPECT_EQ(RemoveFontResourceA("misc\\fonts\\GameFaceBold.ttf"), TRUE);
    EXPECT_EQ(fs::path(Find("DejaVu Sans", 700).file).filename(), "GameFace.TTF")
        << "the added family still wins over the system's bold";
    EXPECT_EQ(RemoveFontResourceA("misc\\fonts\\GameFace.ttf"), TRUE);
}

TEST_F(ApplicationFonts, FilesThatAreNoFontAddNothing)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(AddFontResourceA("misc\\fonts\\missing.ttf"), 0);
    EXPECT_EQ(AddFontResourceA("misc\\fonts\\notes.ttf"), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("missing.ttf"), std::string::npos) << err;
    EXPECT_NE(err.find("notes.ttf"), std::string::npos) << err;
    EXPECT_EQ(RemoveFontResourceA("misc\\fonts\\notes.ttf"), FALSE);

    testing::internal::CaptureStderr();
    EXPECT_EQ(AddFontResourceA(""), 0);
    EXPECT_EQ(AddFontResourceA(nullptr), 0);
    EXPECT_EQ(RemoveFontResourceA(""), FALSE);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "empty names fail quietly";
}
} // namespace
