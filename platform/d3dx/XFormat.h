#pragma once
// Constants of the .x file layout shared by the reader and the writer, and the standard templates.

#include <cstddef>
#include <cstdint>

namespace tk::xfile
{
constexpr size_t kXHeaderSize = 16;
constexpr size_t kGuidSize = 16;
// Files (and inflated bodies) larger than this are refused.
constexpr uint64_t kMaxXBytes = 256ull << 20;
// Deflate cannot expand by more than about 1032 to 1; a declared size beyond that is damage.
constexpr uint64_t kMaxInflateRatio = 1100;
// Block header: uncompressed size (2), compressed size (2), then the "CK" signature (2).
constexpr size_t kZipBlockHeader = 6;
constexpr size_t kZipSignatureSize = 2;
constexpr size_t kZipBlockPlain = 32768;

// Binary tokens.
constexpr uint16_t kTokenName = 1;
constexpr uint16_t kTokenString = 2;
constexpr uint16_t kTokenInteger = 3;
constexpr uint16_t kTokenGuid = 5;
constexpr uint16_t kTokenIntegerList = 6;
constexpr uint16_t kTokenFloatList = 7;
constexpr uint16_t kTokenObrace = 10;
constexpr uint16_t kTokenCbrace = 11;
constexpr uint16_t kTokenObracket = 14;
constexpr uint16_t kTokenCbracket = 15;
constexpr uint16_t kTokenDot = 18;
constexpr uint16_t kTokenComma = 19;
constexpr uint16_t kTokenSemicolon = 20;
constexpr uint16_t kTokenTemplate = 31;
constexpr uint16_t kTokenWord = 40;
constexpr uint16_t kTokenDword = 41;
constexpr uint16_t kTokenFloat = 42;
constexpr uint16_t kTokenLpstr = 49;
constexpr uint16_t kTokenArray = 52;
constexpr uint16_t kTokenLastKeyword = 53;

// A standard template: name, GUID text, and its members as the text form declares them.
struct XTemplateDecl
{
    const char* name;
    const char* guid;
    const char* members;
};

// The known templates, or null.
const XTemplateDecl* FindStandardTemplate(const char* name);
} // namespace tk::xfile
