#include "render/EffectMgr.h"

#include "platform/win32/Win32.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/Debug.h"
#include "shell/TextUtils.h"

#include <cstdio>
#include <cstring>
#include <new>

EEffectMgr g_EffectMgr;

namespace
{

// One tag for the records both ways, so the tracker's count returns to zero.
constexpr const char* kRecordTag = "efekt";
constexpr const char* kEffectFolder = "fx";
constexpr const char* kEffectPattern = "fx\\*.fxc";
constexpr int kMinPathChars = 4;
// An extension is cut where its dot stands this far from the end of the name.
constexpr size_t kDotFromEndLong = 4;
constexpr size_t kDotFromEndShort = 3;
constexpr int kLowWordMask = 0xFFFF;

const char* ErrorName(HRESULT hr)
{
    if (hr == D3DERR_INVALIDCALL)
        return "D3DERR_INVALIDCALL";
    if (hr == D3DXERR_INVALIDDATA)
        return "D3DXERR_INVALIDDATA";
    return "UNKNOWN";
}

// The compiler's messages, one console line each.
void PrintMessages(ID3DXBuffer* messages)
{
    const char* text = static_cast<const char*>(messages->GetBufferPointer());
    const DWORD size = messages->GetBufferSize();
    if (!text || size == 0)
        return;
    std::string all(text, strnlen(text, size));
    size_t start = 0;
    while (start < all.size())
    {
        size_t end = all.find('\n', start);
        if (end == std::string::npos)
            end = all.size();
        if (end > start)
            g_Console.Print(all.substr(start, end - start).c_str());
        start = end + 1;
    }
}

void CopyBounded(char* to, size_t size, const char* from)
{
    std::snprintf(to, size, "%s", from);
}

} // namespace

const EEffectHandleName g_EffectHandleNames[] = {
#define TK_EFFECT_PARAM(field, name) {&EEffect::field, name, false},
#define TK_EFFECT_TECHNIQUE(field, name) {&EEffect::field, name, true},
    TK_EFFECT_HANDLES(TK_EFFECT_PARAM, TK_EFFECT_TECHNIQUE)
#undef TK_EFFECT_PARAM
#undef TK_EFFECT_TECHNIQUE
};
const int g_EffectHandleCount = int(sizeof g_EffectHandleNames / sizeof g_EffectHandleNames[0]);

void AddEffectParam(D3DXHANDLE* field, const char* name)
{
    if (!field || !name)
    {
        g_Console.Print("AddEffectParam: one of params is NULL");
        return;
    }
    EEffect* head = g_EffectMgr.m_pEffects;
    *field = head && head->m_pEffect ? head->m_pEffect->GetParameterByName(nullptr, name) : nullptr;
}

void EEffectMgr::Init()
{
    m_iCounter = 0;
    m_bInitialised = 1;
    if (!m_pEffectPool)
        D3DXCreateEffectPool(&m_pEffectPool);
    LoadEffectDirectory();
}

void EEffectMgr::LoadEffectDirectory()
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(kEffectPattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do
    {
        if (found.cFileName[0] == '.')
            continue;
        char path[EEffect::PATH_CHARS];
        const int written = std::snprintf(path, sizeof path, "%s\\%s", kEffectFolder, found.cFileName);
        if (written < 0 || size_t(written) >= sizeof path)
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        char name[EEffect::NAME_CHARS];
        CopyBounded(name, sizeof name, found.cFileName);
        const size_t length = std::strlen(name);
        if (length > kDotFromEndLong)
        {
            if (name[length - kDotFromEndLong] == '.')
                name[length - kDotFromEndLong] = 0;
            else if (name[length - kDotFromEndShort] == '.')
                name[length - kDotFromEndShort] = 0;
        }
        CreateEffect(name, path);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

EEffect* EEffectMgr::CreateEffect(const char* name, const char* path)
{
    if (!name || !path)
        return nullptr;
    if (EEffect* known = FindEffect(name))
        return known;
    if (std::strlen(path) < size_t(kMinPathChars))
        return nullptr;

    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* messages = nullptr;
    HRESULT hr = D3DXCreateEffectFromFileA(g_pD3DInterface, path, nullptr, nullptr,
                                           D3DXSHADER_OPTIMIZATION_LEVEL3 | D3DXFX_NOT_CLONEABLE, nullptr,
                                           &effect, &messages);
    if (FAILED(hr))
    {
        char line[EConsole::PRINT_MAX + 1];
        std::snprintf(line, sizeof line, "effect %s (%s) create error %s (%i)!", name, path, ErrorName(hr),
                      int(hr & kLowWordMask));
        g_Console.Print(line);
        if (messages)
        {
            PrintMessages(messages);
            messages->Release();
        }
        return nullptr;
    }
    if (messages)
        messages->Release();

    D3DXHANDLE technique = nullptr;
    if (effect->FindNextValidTechnique(nullptr, &technique) != D3D_OK || !technique)
    {
        char line[EConsole::PRINT_MAX + 1];
        std::snprintf(line, sizeof line, "effect %s - no valid technique!", path);
        g_Console.Print(line);
        effect->Release();
        return nullptr;
    }

    EEffect* record = new (std::nothrow) EEffect();
    if (!record)
    {
        effect->Release();
        return nullptr;
    }
    g_Debug.AddAllocation(kRecordTag);
    record->m_pNext = m_pEffects;
    record->m_pPrev = nullptr;
    if (m_pEffects)
        m_pEffects->m_pPrev = record;
    m_pEffects = record;
    CopyBounded(record->m_szName, sizeof record->m_szName, name);
    CopyBounded(record->m_szPath, sizeof record->m_szPath, path);
    record->m_pEffect = effect;
    record->m_hTechnique = technique;

    for (int i = 0; i < g_EffectHandleCount; ++i)
    {
        const EEffectHandleName& h = g_EffectHandleNames[i];
        if (h.technique)
            record->*h.field = effect->GetTechniqueByName(h.name);
        else
            AddEffectParam(&(record->*h.field), h.name);
    }
    return record;
}

EEffect* EEffectMgr::FindEffect(const char* name)
{
    for (EEffect* e = m_pEffects; e; e = e->m_pNext)
    {
        if (CompareNoCase(e->m_szName, name) == 0)
            return e;
    }
    return nullptr;
}

void EEffectMgr::OnLostDevice()
{
    for (EEffect* e = m_pEffects; e; e = e->m_pNext)
    {
        if (e->m_pEffect)
            e->m_pEffect->OnLostDevice();
    }
}

void EEffectMgr::OnResetDevice()
{
    for (EEffect* e = m_pEffects; e; e = e->m_pNext)
    {
        if (e->m_pEffect)
            e->m_pEffect->OnResetDevice();
    }
}

void EEffectMgr::Release()
{
    while (m_pEffects)
    {
        EEffect* e = m_pEffects;
        m_pEffects = e->m_pNext;
        if (e->m_pEffect)
            e->m_pEffect->Release();
        delete e;
        g_Debug.RemoveAllocation(kRecordTag);
    }
    if (m_pEffectPool)
    {
        m_pEffectPool->Release();
        m_pEffectPool = nullptr;
    }
    m_bInitialised = 0;
}
