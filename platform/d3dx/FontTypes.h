#pragma once
// The constants text drawing and font creation take: DrawText formats and the
// font description values the game passes to D3DXCreateFontA. They keep the
// values of the Windows originals, which callers may combine and store.

// ---- DrawText formats --------------------------------------------------------
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400

// ---- Font weights ------------------------------------------------------------
#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700

// ---- Character sets, precision, quality, pitch and family --------------------
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define EASTEUROPE_CHARSET 238
#define OUT_DEFAULT_PRECIS 0
#define OUT_TT_PRECIS 4
#define DEFAULT_QUALITY 0
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
