// The game's own font files, made available to this process for the run.
// Fonts added here are found by name before the system's (see FontFace.h).

#include "platform/d3dx/FontFace.h"
#include "platform/win32/Win32.h"

#include <cstdio>

int AddFontResourceA(LPCSTR fileName)
{
    // An empty name is what a missing font list leaves; it fails without a word.
    if (!fileName || !fileName[0])
        return 0;
    const int added = TkAddApplicationFont(TkResolvePath(fileName));
    if (added == 0)
        std::fprintf(stderr, "font file \"%s\" is missing or not a font\n", fileName);
    return added;
}

BOOL RemoveFontResourceA(LPCSTR fileName)
{
    if (!fileName || !fileName[0])
        return FALSE;
    return TkRemoveApplicationFont(TkResolvePath(fileName)) ? TRUE : FALSE;
}
