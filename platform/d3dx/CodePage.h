#pragma once
// The game's texts are 8-bit Windows-1250 (Central European: the Polish
// letters live in 0x80..0xFF); the fonts work in Unicode.

#include <cstdint>

// Unicode code point of a text byte: 0x00..0x7F as ASCII, 0x80..0xFF through
// the Windows-1250 table. The five bytes that code page leaves undefined map to
// the C1 control of the same value, as Windows itself does, so they draw nothing.
uint32_t TkCp1250ToUnicode(unsigned char byte);

// Control characters (C0, DEL, C1) draw nothing and take no room.
inline bool TkIsControlCodePoint(uint32_t cp)
{
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
}
