// "BINA" animation files, field by field.
#include "mesh/BinaFile.h"

#include "platform/win32/Path.h"
#include "shell/RecordBytes.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace bina
{
namespace
{
constexpr char kMagic[4] = {'B', 'I', 'N', 'A'};
constexpr size_t kOffVersion = 4;
constexpr size_t kOffNodeCount = 8;
constexpr size_t kOffKeyScale = 12;
constexpr size_t kOffLength = 20;
constexpr size_t kOffDefTranslation = 128;
constexpr size_t kOffDefRotation = 140;
constexpr size_t kOffDefScale = 156;
constexpr size_t kOffCounts = 168;
constexpr size_t kF32 = 4;
constexpr size_t kVec3Size = 12;
constexpr size_t kQuatSize = 16;
// Bytes per key of each channel: its time and its value.
constexpr unsigned long long kTranslationKeyBytes = kF32 + kVec3Size;
constexpr unsigned long long kRotationKeyBytes = kF32 + kQuatSize;
constexpr unsigned long long kScaleKeyBytes = kF32 + kVec3Size;

bool Finite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}
bool Finite(const D3DXQUATERNION& q)
{
    return std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w);
}

// Times must be finite and must not go back: the key search walks them in order.
bool TimesValid(const std::vector<float>& times)
{
    for (size_t i = 0; i < times.size(); ++i)
        if (!std::isfinite(times[i]) || (i > 0 && times[i] < times[i - 1]))
            return false;
    return true;
}

template <class Key> bool KeysValid(const std::vector<Key>& keys)
{
    for (const Key& k : keys)
        if (!Finite(k))
            return false;
    return true;
}

bool Fail(BinaContent* out, ReadError* error, ReadError why)
{
    out->nodes.clear();
    if (error)
        *error = why;
    return false;
}
} // namespace

bool Read(const BYTE* data, size_t size, BinaContent* out, ReadError* error)
{
    if (error)
        *error = ReadError::None;
    out->nodes.clear();
    // Too short to hold even the magic is a wrong file; a header cut short later is a truncation.
    if (!data || size < sizeof kMagic)
        return Fail(out, error, ReadError::Magic);
    for (size_t i = 0; i < sizeof kMagic; ++i)
        if (std::toupper(static_cast<unsigned char>(data[i])) != kMagic[i])
            return Fail(out, error, ReadError::Magic);
    if (size < kOffNodeCount)
        return Fail(out, error, ReadError::Truncated);
    const RecordIn in(data, size);
    if (in.U32(kOffVersion) != VERSION)
        return Fail(out, error, ReadError::Version);
    if (size < HEADER_SIZE)
        return Fail(out, error, ReadError::Truncated);
    const DWORD nodeCount = in.U32(kOffNodeCount);
    out->dKeyTimeScale = in.F64(kOffKeyScale);
    out->dLength = in.F64(kOffLength);
    if (!std::isfinite(out->dKeyTimeScale) || !std::isfinite(out->dLength))
        return Fail(out, error, ReadError::BadValue);
    // Every record takes at least its fixed part: a count the file cannot hold is refused before
    // the tracks are allocated.
    if (static_cast<unsigned long long>(nodeCount) * NODE_FIXED_SIZE > size - HEADER_SIZE)
        return Fail(out, error, ReadError::Truncated);
    out->nodes.resize(nodeCount);
    size_t at = HEADER_SIZE;
    for (tNodeAnim& node : out->nodes)
    {
        if (NODE_FIXED_SIZE > size - at)
            return Fail(out, error, ReadError::Truncated);
        // Names are cut at 127 characters whether or not the file ends them.
        std::memcpy(node.szName, data + at, tNodeAnim::NAME_SIZE - 1);
        node.szName[tNodeAnim::NAME_SIZE - 1] = 0;
        node.vDefaultTranslation = in.Vec3(at + kOffDefTranslation);
        node.qDefaultRotation = in.Quat(at + kOffDefRotation);
        node.vDefaultScale = in.Vec3(at + kOffDefScale);
        const DWORD nT = in.U32(at + kOffCounts);
        const DWORD nR = in.U32(at + kOffCounts + kF32);
        const DWORD nS = in.U32(at + kOffCounts + 2 * kF32);
        at += NODE_FIXED_SIZE;
        const unsigned long long need =
            nT * kTranslationKeyBytes + nR * kRotationKeyBytes + nS * kScaleKeyBytes;
        if (need > size - at)
            return Fail(out, error, ReadError::Truncated);
        node.fTimeTranslation.resize(nT);
        node.fTimeRotation.resize(nR);
        node.fTimeScale.resize(nS);
        node.vTranslation.resize(nT);
        node.qRotation.resize(nR);
        node.vScale.resize(nS);
        for (float& t : node.fTimeTranslation)
            t = in.F32(at), at += kF32;
        for (float& t : node.fTimeRotation)
            t = in.F32(at), at += kF32;
        for (float& t : node.fTimeScale)
            t = in.F32(at), at += kF32;
        for (D3DXVECTOR3& v : node.vTranslation)
            v = in.Vec3(at), at += kVec3Size;
        for (D3DXQUATERNION& q : node.qRotation)
            q = in.Quat(at), at += kQuatSize;
        for (D3DXVECTOR3& v : node.vScale)
            v = in.Vec3(at), at += kVec3Size;
        if (!TimesValid(node.fTimeTranslation) || !TimesValid(node.fTimeRotation) ||
            !TimesValid(node.fTimeScale) || !KeysValid(node.vTranslation) || !KeysValid(node.qRotation) ||
            !KeysValid(node.vScale))
            return Fail(out, error, ReadError::BadValue);
    }
    return true;
}

std::vector<BYTE> Write(const BinaContent& content)
{
    size_t size = HEADER_SIZE;
    for (const tNodeAnim& node : content.nodes)
        size += NODE_FIXED_SIZE + node.fTimeTranslation.size() * kTranslationKeyBytes +
                node.fTimeRotation.size() * kRotationKeyBytes + node.fTimeScale.size() * kScaleKeyBytes;
    std::vector<BYTE> bytes(size);
    RecordOut out(bytes.data(), bytes.size());
    out.Bytes(0, kMagic, sizeof kMagic);
    out.U32(kOffVersion, VERSION);
    out.U32(kOffNodeCount, static_cast<DWORD>(content.nodes.size()));
    out.F64(kOffKeyScale, content.dKeyTimeScale);
    out.F64(kOffLength, content.dLength);
    size_t at = HEADER_SIZE;
    for (const tNodeAnim& node : content.nodes)
    {
        out.Chars(at, node.szName, tNodeAnim::NAME_SIZE);
        out.Vec3(at + kOffDefTranslation, node.vDefaultTranslation);
        out.Quat(at + kOffDefRotation, node.qDefaultRotation);
        out.Vec3(at + kOffDefScale, node.vDefaultScale);
        // Each key array is written with its own time count; a value array shorter than its times
        // is padded with zeros so the record stays whole.
        const size_t nT = node.fTimeTranslation.size();
        const size_t nR = node.fTimeRotation.size();
        const size_t nS = node.fTimeScale.size();
        out.U32(at + kOffCounts, static_cast<DWORD>(nT));
        out.U32(at + kOffCounts + kF32, static_cast<DWORD>(nR));
        out.U32(at + kOffCounts + 2 * kF32, static_cast<DWORD>(nS));
        at += NODE_FIXED_SIZE;
        for (float t : node.fTimeTranslation)
            out.F32(at, t), at += kF32;
        for (float t : node.fTimeRotation)
            out.F32(at, t), at += kF32;
        for (float t : node.fTimeScale)
            out.F32(at, t), at += kF32;
        for (size_t i = 0; i < nT; ++i, at += kVec3Size)
            if (i < node.vTranslation.size())
                out.Vec3(at, node.vTranslation[i]);
        for (size_t i = 0; i < nR; ++i, at += kQuatSize)
            if (i < node.qRotation.size())
                out.Quat(at, node.qRotation[i]);
        for (size_t i = 0; i < nS; ++i, at += kVec3Size)
            if (i < node.vScale.size())
                out.Vec3(at, node.vScale[i]);
    }
    return bytes;
}

bool WriteFile(const char* path, const BinaContent& content)
{
    const std::vector<BYTE> bytes = Write(content);
    FILE* f = path ? TkFopen(path, "wb") : nullptr;
    if (!f)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}
} // namespace bina
