// Animation files, their parameters and the sampling of poses into the shared records.
#include "mesh/SkinMeshAnimation.h"
#include "mesh/SkinMeshMgr.h"

#include "platform/win32/Path.h"
#include "shell/Console.h"
#include "shell/FileCache.h"
#include "shell/RecordBytes.h"
#include "shell/TextUtils.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace
{
constexpr float kDegToRad = 3.1415927410125732f / 180.0f;
constexpr int kParamsLineChars = 2000;
constexpr size_t kPathChars = 259;
constexpr size_t kLineBuffer = 512;
constexpr const char* kModelsPrefix = "models\\";
constexpr const char* kCommonPrefix = "models\\common\\";
constexpr const char* kAnimationsFolder = "\\animations\\";

strLinkField* g_pLinkFields = nullptr;

bool IsRootName(const char* name)
{
    return CompareNoCase(name, "Bip01") == 0 || CompareNoCase(name, "Bip001") == 0;
}

// Keys i and j around key time k and the fraction between them. Times ascend (the reader refuses
// others). A time before the first key holds the first key.
void FindKeys(const std::vector<float>& T, float k, size_t* oi, size_t* oj, float* ou)
{
    const size_t c = T.size();
    *oi = *oj = 0;
    *ou = 0.0f;
    if (c < 2 || !(k > T[0]))
        return;
    const float span = T[c - 1] - T[0];
    if (!(span > 0.0f))
    {
        *oj = 1;
        return;
    }
    const float guess = static_cast<float>(c - 1) * (k - T[0]) / span;
    long i = guess >= static_cast<float>(c - 1) ? static_cast<long>(c - 1) : static_cast<long>(guess);
    bool forward = T[i] < k;
    bool restarted = false;
    const long last = static_cast<long>(c - 1);
    for (;;)
    {
        if (i < 0 || i > last)
        {
            if (restarted)
                break;
            restarted = true;
            i = 0;
            forward = true;
            continue;
        }
        const long j = i + 1 < last ? i + 1 : last;
        if ((k < T[i] || k > T[j]) && i != j)
        {
            i += forward ? 1 : -1;
            continue;
        }
        *oi = static_cast<size_t>(i);
        *oj = static_cast<size_t>(j);
        const float d = T[j] - T[i];
        *ou = (i == j || !(d > 0.0f)) ? 0.0f : (k - T[i]) / d;
        return;
    }
    *oi = *oj = c - 1;
}

D3DXVECTOR3 LerpKeys(const std::vector<D3DXVECTOR3>& keys, size_t i, size_t j, float u)
{
    return keys[i] + (keys[j] - keys[i]) * u;
}

double Word(const char* line, int n)
{
    return std::strtod(GetToken(line, n), nullptr);
}

void ReportBinFile(const char* text, const char* path)
{
    char line[kLineBuffer + 2 * MAX_PATH];
    std::snprintf(line, sizeof line,
                  "ERROR in ESkinMeshAnimation::Load_Animation_From_Bin_File(): %s, AnimFile=%s", text, path);
    g_Console.Print(line);
}
} // namespace

// ---- Shared pose records ---------------------------------------------------------------------------

strLinkField* FindLinkField(const char* name)
{
    if (!name)
        return nullptr;
    for (strLinkField* f = g_pLinkFields; f; f = f->pNext)
        if (CompareNoCase(f->szName, name) == 0)
            return f;
    return nullptr;
}

strLinkField* FindOrAddLinkField(const char* name)
{
    if (!name)
        return nullptr;
    if (strLinkField* f = FindLinkField(name))
        return f;
    auto* f = new strLinkField;
    std::snprintf(f->szName, sizeof f->szName, "%s", name);
    D3DXMatrixIdentity(&f->mLocal);
    f->pNext = g_pLinkFields;
    g_pLinkFields = f;
    return f;
}

void FreeLinkFields()
{
    while (g_pLinkFields)
    {
        strLinkField* next = g_pLinkFields->pNext;
        delete g_pLinkFields;
        g_pLinkFields = next;
    }
}

// ---- Parameters ------------------------------------------------------------------------------------

strAnimationParams::strAnimationParams()
{
    D3DXMatrixIdentity(&mRootRotation);
}

void strAnimationParams::BuildRotation()
{
    D3DXMatrixRotationYawPitchRoll(&mRootRotation, fAngleY * kDegToRad, fAngleX * kDegToRad,
                                   fAngleZ * kDegToRad);
}

void strAnimationParams::ParseWords(const char* line, int first)
{
    fAngleX = static_cast<float>(Word(line, first));
    fAngleY = static_cast<float>(Word(line, first + 1));
    fAngleZ = static_cast<float>(Word(line, first + 2));
    dSpeed = Word(line, first + 3);
    bRootMotion = std::atoi(GetToken(line, first + 4)) != 0;
    bPose = std::atoi(GetToken(line, first + 5)) != 0;
    // A number that is not one is taken as 0, never carried into the poses.
    for (float* a : {&fAngleX, &fAngleY, &fAngleZ})
        if (!std::isfinite(*a))
            *a = 0.0f;
    if (!std::isfinite(dSpeed))
        dSpeed = 0.0;
    BuildRotation();
}

// ---- Slots in saves --------------------------------------------------------------------------------

namespace
{
constexpr size_t kSlotIndex = 0, kSlotLoop = 4, kSlotTimeStep = 8, kSlotTime = 16, kSlotEnd = 24,
                 kSlotBlendTime = 32, kSlotBlendRemaining = 40, kSlotSpeed = 48, kSlotMask = 56,
                 kSlotLoopCounter = 60, kSlotPrevLoopCounter = 64, kSlotSampledTime = 72, kSlotName = 80,
                 kSlotRootMotion = 208;
} // namespace

void strAnimationSlot::Save(BYTE* record) const
{
    RecordOut out(record, SAVED_SIZE);
    out.I32(kSlotIndex, iAnimation);
    out.U8(kSlotLoop, bLoop);
    out.F64(kSlotTimeStep, dTimeStep);
    out.F64(kSlotTime, dTime);
    out.U8(kSlotEnd, bEndReached);
    out.F64(kSlotBlendTime, dBlendTime);
    out.F64(kSlotBlendRemaining, dBlendRemaining);
    out.F64(kSlotSpeed, dSpeed);
    out.I32(kSlotMask, iMask);
    out.U32(kSlotLoopCounter, iLoopCounter);
    out.U32(kSlotPrevLoopCounter, iPrevLoopCounter);
    out.F64(kSlotSampledTime, dSampledTime);
    out.Chars(kSlotName, szName, NAME_SIZE);
    out.Vec3(kSlotRootMotion, vRootMotion);
}

void strAnimationSlot::Load(const BYTE* record)
{
    const RecordIn in(record, SAVED_SIZE);
    iAnimation = in.I32(kSlotIndex);
    bLoop = in.U8(kSlotLoop);
    dTimeStep = in.F64(kSlotTimeStep);
    dTime = in.F64(kSlotTime);
    bEndReached = in.U8(kSlotEnd);
    dBlendTime = in.F64(kSlotBlendTime);
    dBlendRemaining = in.F64(kSlotBlendRemaining);
    dSpeed = in.F64(kSlotSpeed);
    iMask = in.I32(kSlotMask);
    iLoopCounter = in.U32(kSlotLoopCounter);
    iPrevLoopCounter = in.U32(kSlotPrevLoopCounter);
    dSampledTime = in.F64(kSlotSampledTime);
    in.Chars(kSlotName, szName, NAME_SIZE);
    szName[NAME_SIZE - 1] = 0;
    vRootMotion = in.Vec3(kSlotRootMotion);
    // A damaged save never carries a mask past the three masks or a time that is not a number.
    if (iMask < 0 || iMask > 3)
        iMask = 0;
    for (double* d : {&dTimeStep, &dTime, &dBlendTime, &dBlendRemaining, &dSpeed, &dSampledTime})
        if (!std::isfinite(*d))
            *d = 0.0;
}

// ---- Loading ---------------------------------------------------------------------------------------

void ESkinMeshAnimation::ParamsPathFor(const char* path, const char* animationName, char* out, size_t size)
{
    char text[kPathChars + 1];
    std::snprintf(text, sizeof text, "%s", path ? path : "");
    const char* from = std::strstr(text, kModelsPrefix);
    if (!from)
    {
        g_Console.Print(" ");
        g_Console.Print("INTERNAL ERROR in ESkinMeshAnimation::Load_Animation_From_Bin_File():");
        g_Console.Print("Animation file path without models string?");
        g_Console.Print(text);
        g_Console.Print(" ");
        from = text;
    }
    std::string result;
    if (std::strncmp(from, kCommonPrefix, std::strlen(kCommonPrefix)) == 0)
        result = std::string(kCommonPrefix) + animationName + ".txt";
    else if (const char* a = std::strstr(from, kAnimationsFolder))
        result = std::string(from, a + std::strlen(kAnimationsFolder)) + animationName + ".txt";
    else
    {
        g_Console.Print(" ");
        g_Console.Print("INTERNAL ERROR in ESkinMeshAnimation::Load_Animation_From_Bin_File():");
        g_Console.Print("Animation file path without <animations> string?");
        g_Console.Print(from);
        g_Console.Print(" ");
        const char* slash = std::strrchr(from, '\\');
        result = (slash ? std::string(from, slash) : std::string(from)) + "\\" + animationName + ".txt";
    }
    for (char& ch : result)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    std::snprintf(out, size, "%s", result.c_str());
}

void ESkinMeshAnimation::LoadAnimationParamsFromScript(const char* path, ESkinMeshAnimation* animation)
{
    if (!animation)
        return;
    strCachedFile* file = path ? g_FileCache.Open(path) : nullptr;
    if (!file)
    {
        g_Console.Print(" ");
        g_Console.Print("ERROR in ESkinMeshAnimation::LoadAnimationParamsFromScript():");
        g_Console.Print("File not found!");
        g_Console.Print(path ? path : "");
        g_Console.Print(" ");
        return;
    }
    static char line[kParamsLineChars + 1];
    while (!g_FileCache.Eof(file))
    {
        g_FileCache.ReadLine(file, line, kParamsLineChars);
        if (IsKeyword(line, "standard_params"))
            animation->Params.ParseWords(line, 1);
    }
    g_FileCache.Close(file);
}

bool ESkinMeshAnimation::Load_Animation_From_Bin_File(const char* path, ESkinMeshAnimation* animation)
{
    if (!animation)
        return false;
    animation->tNodes.clear();
    animation->iNumNodes = 0;
    animation->Params = strAnimationParams();
    FILE* f = path ? TkFopen(path, "rb") : nullptr;
    if (!f)
        return false;
    std::vector<BYTE> bytes;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0)
        size = std::ftell(f);
    if (size >= 0 && static_cast<size_t>(size) <= bina::MAX_FILE_SIZE && std::fseek(f, 0, SEEK_SET) == 0)
    {
        bytes.resize(static_cast<size_t>(size));
        if (size > 0 && std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
            bytes.clear();
    }
    else
        size = -1;
    std::fclose(f);
    if (size < 0)
    {
        ReportBinFile("File is too big or unreadable!", path);
        return false;
    }

    BinaContent content;
    bina::ReadError error = bina::ReadError::None;
    if (!bina::Read(bytes.data(), bytes.size(), &content, &error))
    {
        switch (error)
        {
        case bina::ReadError::Magic:
            ReportBinFile("File is not BIN animation!", path);
            break;
        case bina::ReadError::Version:
            ReportBinFile("Wrong version of file format!", path);
            break;
        case bina::ReadError::Truncated:
            ReportBinFile("File is shorter than its counts!", path);
            break;
        default:
            ReportBinFile("File holds a bad number!", path);
            break;
        }
        return false;
    }
    if (content.nodes.empty())
        return true;

    animation->dKeyTimeScale = content.dKeyTimeScale;
    animation->dLength = content.dLength;
    animation->tNodes = std::move(content.nodes);
    animation->iNumNodes = static_cast<int>(animation->tNodes.size());
    DWORD bytesUsed = static_cast<DWORD>(animation->tNodes.size()) * TRACK_BYTES;
    for (tNodeAnim& node : animation->tNodes)
    {
        node.pLinkField = FindOrAddLinkField(node.szName);
        // Exported tracks usually key every node at the same times: one key search serves both.
        node.bRotationAtTranslationTimes = node.fTimeRotation == node.fTimeTranslation ? 1 : 0;
        bytesUsed += static_cast<DWORD>(node.fTimeTranslation.size() * (sizeof(float) + sizeof(D3DXVECTOR3)) +
                                        node.fTimeRotation.size() * (sizeof(float) + sizeof(D3DXQUATERNION)) +
                                        node.fTimeScale.size() * (sizeof(float) + sizeof(D3DXVECTOR3)));
    }
    animation->iByteSize = bytesUsed;
    g_SkinMeshMgr.m_iAnimationBytes += bytesUsed;
    ++g_SkinMeshMgr.m_iLoadedAnimations;

    if (!animation->szName[0])
    {
        // Loaded directly: the name is the file's, without its extension.
        const char* slash = std::strrchr(path, '\\');
        std::snprintf(animation->szName, NAME_SIZE, "%s", slash ? slash + 1 : path);
        const size_t n = std::strlen(animation->szName);
        constexpr size_t kDefaultSuffix = 12, kExtension = 4;
        if (n > kDefaultSuffix && CompareNoCase(animation->szName + n - kDefaultSuffix, "_DEFAULT.bin") == 0)
            animation->szName[n - kDefaultSuffix] = 0;
        else if (n > kExtension && CompareNoCase(animation->szName + n - kExtension, ".bin") == 0)
            animation->szName[n - kExtension] = 0;
    }
    char params[kPathChars + 1];
    ParamsPathFor(path, animation->szName, params, sizeof params);
    LoadAnimationParamsFromScript(params, animation);
    return true;
}

void ESkinMeshAnimation::Destroy()
{
    if (iNumNodes > 0)
    {
        g_SkinMeshMgr.m_iAnimationBytes -= iByteSize;
        --g_SkinMeshMgr.m_iLoadedAnimations;
    }
    tNodes.clear();
    tNodes.shrink_to_fit();
    iNumNodes = 0;
    iByteSize = 0;
    szName[0] = 0;
}

// ---- Sampling --------------------------------------------------------------------------------------

void ESkinMeshAnimation::ResetFrames()
{
    for (strLinkField* f = g_pLinkFields; f; f = f->pNext)
    {
        f->vTranslation = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        D3DXQuaternionIdentity(&f->qRotation);
        f->vScale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);
        D3DXMatrixIdentity(&f->mLocal);
    }
}

void ESkinMeshAnimation::Sample(ESkinMeshAnimation* animation, strAnimationSlot* slot, DWORD wanted)
{
    if (!animation || !slot)
        return;
    D3DXVECTOR3 rootMotion(0.0f, 0.0f, 0.0f);
    const double L = animation->dLength;
    double t = std::isfinite(slot->dTime) ? slot->dTime : 0.0;
    if (slot->bLoop)
    {
        double n = L > 0.0 ? std::trunc(t / L) : 0.0;
        if (!std::isfinite(n) || n < 0.0)
            n = 0.0;
        if (n > static_cast<double>(std::numeric_limits<DWORD>::max()))
            n = static_cast<double>(std::numeric_limits<DWORD>::max());
        t -= n * L;
        if (t > L)
            t = L;
        slot->iPrevLoopCounter = slot->iLoopCounter;
        slot->iLoopCounter = static_cast<DWORD>(n);
    }
    else if (t > L)
    {
        slot->bEndReached = 1;
        t = L;
    }
    else
        slot->bEndReached = 0;
    slot->dSampledTime = t;
    float k = static_cast<float>(animation->dKeyTimeScale * t);
    if (!std::isfinite(k))
        k = 0.0f;

    for (tNodeAnim& node : animation->tNodes)
    {
        strLinkField* link = node.pLinkField;
        if (!link)
            continue;
        if (wanted && link->iWanted != wanted && !(animation->Params.bRootMotion && IsRootName(node.szName)))
            continue;
        size_t i = 0, j = 0;
        float u = 0.0f;
        D3DXVECTOR3 translation(0.0f, 0.0f, 0.0f), scale(1.0f, 1.0f, 1.0f);
        D3DXQUATERNION rotation(0.0f, 0.0f, 0.0f, 1.0f);
        if (!node.fTimeTranslation.empty())
        {
            FindKeys(node.fTimeTranslation, k, &i, &j, &u);
            translation = LerpKeys(node.vTranslation, i, j, u);
            if (animation->Params.bRootMotion && IsRootName(node.szName))
            {
                const D3DXVECTOR3& first = node.vTranslation[0];
                rootMotion = D3DXVECTOR3(translation.x - first.x, 0.0f, translation.z - first.z);
                translation.x = 0.0f;
                translation.z = 0.0f;
            }
        }
        if (!node.fTimeRotation.empty())
        {
            if (!node.bRotationAtTranslationTimes)
                FindKeys(node.fTimeRotation, k, &i, &j, &u);
            D3DXQuaternionSlerp(&rotation, &node.qRotation[i], &node.qRotation[j], u);
        }
        if (!node.fTimeScale.empty())
        {
            FindKeys(node.fTimeScale, k, &i, &j, &u);
            scale = LerpKeys(node.vScale, i, j, u);
        }
        link->vTranslation = translation;
        link->qRotation = rotation;
        link->vScale = scale;
        D3DXMatrixTransformation(&link->mLocal, nullptr, nullptr, &scale, nullptr, &rotation, &translation);
    }
    slot->vRootMotion = rootMotion;
}
