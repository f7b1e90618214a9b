#pragma once
// Font faces by name, as the game asks for them ("Tahoma", the face of its own
// font files): the application fonts added with AddFontResourceA come first,
// then the faces fontconfig knows; a name found nowhere gets the default face.
// Thread-safe: every call takes the face registry's lock.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

// The file and face a name resolved to.
struct TkFontFace
{
    std::string file;         // real path of the font file
    int index = 0;            // face within the file (font collections hold several)
    std::string family;       // family name of the face chosen
    bool application = false; // one of the fonts added with TkAddApplicationFont
    bool fallback = false;    // the name was not found; this is the default face
};

// Weight as CreateFont takes it: 0 (don't care) counts as 400 (normal), 700 is bold.
constexpr int kTkFontWeightNormal = 400;
constexpr int kTkFontWeightBold = 700;

// Finds the face for a name, compared without regard to case: application fonts
// first (family, typographic family or full name), then fontconfig's match when
// its family is the name asked. Otherwise fontconfig's match for "sans-serif",
// with one line on stderr the first time each missing name is asked. A null or
// empty name is the default face, silently. False only when no face exists at all.
bool TkFindFontFace(const char* name, int weight, bool italic, TkFontFace* out);

// Adds the font file at a real path to this process's application fonts.
// Returns the number of faces it holds, 0 when it is missing or no font. A file
// added twice is held twice and needs two removes.
int TkAddApplicationFont(const std::string& path);

// Forgets one addition of the file. False when it was not added.
bool TkRemoveApplicationFont(const std::string& path);

// Lets the missing-face line be printed again for every name (tests).
void TkForgetFontFaceWarnings();

// Opens a face with the layer's FreeType library (null on failure) and closes it.
// FreeType needs creating and destroying faces of one library serialised; these
// two take the registry's lock. A face's own calls need no lock.
FT_Face TkOpenFontFace(const std::string& file, int index);
void TkCloseFontFace(FT_Face face);
