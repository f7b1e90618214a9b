#pragma once
// "BINA" key-frame animation files: one animation, one record per node with its translation, rotation
// and scale keys. Read and written field by field in their little-endian layout; every count is checked
// against the bytes that are left, so a damaged file is refused before anything is allocated for it.

#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"

#include <string>
#include <vector>

struct strLinkField;

// One node's key track.
struct tNodeAnim
{
    static constexpr size_t NAME_SIZE = 128;
    char szName[NAME_SIZE] = {};
    strLinkField* pLinkField = nullptr;   // shared pose record of the node's name; not stored
    BYTE bRotationAtTranslationTimes = 0; // the two tracks' key times are the same; not stored
    D3DXVECTOR3 vDefaultTranslation = {0.0f, 0.0f, 0.0f};
    D3DXQUATERNION qDefaultRotation = {0.0f, 0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 vDefaultScale = {1.0f, 1.0f, 1.0f};
    std::vector<float> fTimeTranslation, fTimeRotation, fTimeScale;
    std::vector<D3DXVECTOR3> vTranslation;
    std::vector<D3DXQUATERNION> qRotation;
    std::vector<D3DXVECTOR3> vScale;
};

struct BinaContent
{
    double dKeyTimeScale = 1.0; // key-time units per second
    double dLength = 0.0;       // seconds
    std::vector<tNodeAnim> nodes;
};

namespace bina
{
constexpr DWORD VERSION = 2;
constexpr size_t HEADER_SIZE = 28;
constexpr size_t NODE_FIXED_SIZE = 180;
// The largest file taken at all: far beyond any animation, small enough never to exhaust memory.
constexpr size_t MAX_FILE_SIZE = size_t(64) << 20;

enum class ReadError
{
    None,
    Magic,
    Version,
    Truncated, // a count or field reaches past the end of the data
    BadValue,  // a non-finite number or key times out of order
};

// Reads the bytes of a file. On failure `out` is left empty and `error` says why.
bool Read(const BYTE* data, size_t size, BinaContent* out, ReadError* error);
// The bytes of a file holding the content (names cut to 127 characters).
std::vector<BYTE> Write(const BinaContent& content);
// Writes through the path resolver; false when the file cannot be written whole.
bool WriteFile(const char* path, const BinaContent& content);
} // namespace bina
