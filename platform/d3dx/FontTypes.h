#pragma once
// The constants text drawing and font creation take: DrawText formats and the
// font description values the game passes to D3DXCreateFontA. They keep the
// values of the Windows originals, which callers may combine and store. Each
// is guarded so that a Win32 header defining the same name first wins.

// ---- DrawText formats --------------------------------------------------------
#ifndef DT_TOP
#define DT_TOP 0x00000000
#endif
#ifndef DT_LEFT
#define DT_LEFT 0x00000000
#endif
#ifndef DT_CENTER
#define DT_CENTER 0x00000001
#endif
#ifndef DT_RIGHT
#define DT_RIGHT 0x00000002
#endif
#ifndef DT_VCENTER
#define DT_VCENTER 0x00000004
#endif
#ifndef DT_BOTTOM
#define DT_BOTTOM 0x00000008
#endif
#ifndef DT_WORDBREAK
#define DT_WORDBREAK 0x00000010
#endif
#ifndef DT_SINGLELINE
#define DT_SINGLELINE 0x00000020
#endif
#ifndef DT_EXPANDTABS
#define DT_EXPANDTABS 0x00000040
#endif
#ifndef DT_NOCLIP
#define DT_NOCLIP 0x00000100
#endif
#ifndef DT_CALCRECT
#define DT_CALCRECT 0x00000400
#endif

// ---- Font weights ------------------------------------------------------------
#ifndef FW_DONTCARE
#define FW_DONTCARE 0
#endif
#ifndef FW_NORMAL
#define FW_NORMAL 400
#endif
#ifndef FW_BOLD
#define FW_BOLD 700
#endif

// ---- Character sets, precision, quality, pitch and family --------------------
#ifndef ANSI_CHARSET
#define ANSI_CHARSET 0
#endif
#ifndef DEFAULT_CHARSET
#define DEFAULT_CHARSET 1
#endif
#ifndef EASTEUROPE_CHARSET
#define EASTEUROPE_CHARSET 238
#endif
#ifndef OUT_DEFAULT_PRECIS
#define OUT_DEFAULT_PRECIS 0
#endif
#ifndef OUT_TT_PRECIS
#define OUT_TT_PRECIS 4
#endif
#ifndef DEFAULT_QUALITY
#define DEFAULT_QUALITY 0
#endif
#ifndef NONANTIALIASED_QUALITY
#define NONANTIALIASED_QUALITY 3
#endif
#ifndef ANTIALIASED_QUALITY
#define ANTIALIASED_QUALITY 4
#endif
#ifndef DEFAULT_PITCH
#define DEFAULT_PITCH 0
#endif
#ifndef FIXED_PITCH
#define FIXED_PITCH 1
#endif
#ifndef VARIABLE_PITCH
#define VARIABLE_PITCH 2
#endif
#ifndef FF_DONTCARE
#define FF_DONTCARE 0x00
#endif
#ifndef FF_ROMAN
#define FF_ROMAN 0x10
#endif
#ifndef FF_SWISS
#define FF_SWISS 0x20
#endif
#ifndef FF_MODERN
#define FF_MODERN 0x30
#endif
