// CPostacMgr: the things a character wears and carries besides its model
// (hats from "scripts\character_hats.txt", random attachments), and the
// preloading of models and voices so a first appearance does not stall.
#include "characters/PostacMgr.h"

#include "characters/PostacScriptValues.h"
#include "characters/PostacSockets.h"
#include "game/DialogueMgr.h"
#include "platform/win32/Path.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr float kAttachmentsShownDistance = 30.0f;
constexpr float kFarAway = -9999999.0f;
constexpr int kPainVoices = 20;

// An object of the file at the model scale, placed far from the world.
HOBJECT AddWornObject(BYTE type, const char* file, const D3DXVECTOR3& scale)
{
    const float away[3] = {kFarAway, kFarAway, kFarAway};
    const float s[3] = {scale.x, scale.y, scale.z};
    return g_Engine.CreateObject(type, file, CHARACTER_WORN_FLAGS, CHARACTER_WORN_FLAGS2, away, s);
}

// Places an object at a socket of the model; false when the socket is missing.
bool PlaceAtSocket(HOBJECT model, const char* socket, HOBJECT object)
{
    D3DXVECTOR3 position;
    EOrientation orientation;
    if (!SocketTransform(model, socket, &position, &orientation))
        return false;
    g_Engine.SetObjectTransform(object, &position, &orientation, 0, 0);
    return true;
}
} // namespace

// ---- Hats ------------------------------------------------------------------------------------

void CPostacMgr::ClearHats()
{
    for (strCzapki& c : m_Czapki)
        std::memset(&c, 0, sizeof c);
    m_iCzapki = 0;
}

void CPostacMgr::LoadHats()
{
    ClearHats();
    FILE* file = TkFopen(HATS_FILE, "rb");
    if (!file)
        return;
    strCzapki* current = nullptr;
    char line[LINE_CHARS + 1];
    while (!std::feof(file))
    {
        ReadLine(file, line, LINE_CHARS);
        TrimRight(line);
        const char* rest = postacvalues::RestOf(line);
        if (IsKeyword(line, "model"))
        {
            // Past the eighth record the lines of further ones fill nothing.
            current = m_iCzapki < static_cast<DWORD>(MAX_CZAPEK) ? &m_Czapki[m_iCzapki++] : nullptr;
            if (current)
                postacvalues::CopyWord(current->model, sizeof current->model, rest, 0);
        }
        else if (current && IsKeyword(line, "socket"))
            postacvalues::CopyWord(current->socket, sizeof current->socket, rest, 0);
        else if (current && IsKeyword(line, "hat") && current->hat_count < static_cast<DWORD>(MAX_CZAPEK))
            postacvalues::CopyWord(current->hats[current->hat_count++], POSTAC_PATH_SIZE, rest, 0);
    }
    std::fclose(file);
}

void CPostacMgr::AddHat(strpostac* p)
{
    if (!p || p->hat || !p->model)
        return;
    const HOBJECT model = p->model;
    for (DWORD i = 0; i < m_iCzapki; ++i)
    {
        const strCzapki& c = m_Czapki[i];
        if (CompareNoCase(c.model, model->szFileName) != 0)
            continue;
        if (c.hat_count == 0)
            return;
        const char* hat = c.hats[static_cast<DWORD>(std::rand()) % c.hat_count];
        p->hat = AddWornObject(OT_MESH, hat, m_vModelScale);
        CopyCut(p->hat_socket, sizeof p->hat_socket, c.socket);
        return;
    }
}

void CPostacMgr::PlaceHat(strpostac* p)
{
    if (!p || !p->hat || !p->model)
        return;
    if (!PlaceAtSocket(p->model, p->hat_socket, p->hat))
        g_Console.Print4("Failed to read czapka socket ", p->hat_socket, " for ", p->name);
}

// ---- Random attachments ------------------------------------------------------------------------

void CPostacMgr::AddRandomAttachments(strpostac* p)
{
    if (!p || !p->desc)
        return;
    const strPostacDsc& d = *p->desc;
    for (DWORD i = 0; i < d.random_attachment_count && p->attachment_count < DSC_MAX_ATTACHMENTS; ++i)
    {
        // Three times in four: the two lowest bits of a random number are not both 0.
        if ((std::rand() & 3) == 0)
            continue;
        HOBJECT o = AddWornObject(OT_MESH, d.random_attachment_models[i], m_vModelScale);
        if (!o)
            continue;
        o->bHidden = 1;
        p->attachments[p->attachment_count] = o;
        CopyCut(p->attachment_sockets[p->attachment_count], POSTAC_NAME_SIZE, d.random_attachment_sockets[i]);
        ++p->attachment_count;
    }
    p->attachments_shown = 0;
}

void CPostacMgr::UpdateAttachments(strpostac* p)
{
    if (!p || p->attachment_count == 0 || !p->model)
        return;
    const bool near = p->camera_distance <= kAttachmentsShownDistance;
    if (near != (p->attachments_shown != 0))
    {
        // Shown or hidden once, when the character crosses the distance.
        p->attachments_shown = near ? 1 : 0;
        for (DWORD i = 0; i < p->attachment_count; ++i)
            if (p->attachments[i])
                p->attachments[i]->bHidden = near ? 0 : 1;
    }
    if (!near)
        return;
    for (DWORD i = 0; i < p->attachment_count; ++i)
        PlaceAtSocket(p->model, p->attachment_sockets[i], p->attachments[i]);
}

// ---- Preloads ---------------------------------------------------------------------------------

void CPostacMgr::PreloadPainVoices()
{
    char name[64];
    for (int i = 1; i <= kPainVoices; ++i)
    {
        std::snprintf(name, sizeof name, "voices\\other\\EnOuch%i.wav", i);
        if (FileExists(name))
            g_Engine.PreloadFile(name, EEngine::PRELOAD_SOUND);
        std::snprintf(name, sizeof name, "voices\\other\\EnRage%i.wav", i);
        if (FileExists(name))
            g_Engine.PreloadFile(name, EEngine::PRELOAD_SOUND);
    }
}

void CPostacMgr::PreloadModel(const char* name)
{
    if (!name || !name[0])
        return;
    for (int i = 0; i < MAX_PRELOADED_MODELS; ++i)
        if (m_hPreloaded[i] && CompareNoCase(m_szPreloaded[i], name) == 0)
            return;
    for (int i = 0; i < MAX_PRELOADED_MODELS; ++i)
    {
        if (m_hPreloaded[i])
            continue;
        m_hPreloaded[i] = AddWornObject(OT_SKINMESH, name, m_vModelScale);
        if (m_hPreloaded[i])
            m_hPreloaded[i]->bHidden = 1;
        if (m_hPreloaded[i])
            CopyCut(m_szPreloaded[i], sizeof m_szPreloaded[i], name);
        return;
    }
}

void CPostacMgr::ReleasePreloads()
{
    for (int i = 0; i < MAX_PRELOADED_MODELS; ++i)
    {
        if (m_hPreloaded[i])
            g_Engine.DeleteObject(m_hPreloaded[i]);
        m_hPreloaded[i] = nullptr;
        m_szPreloaded[i][0] = 0;
    }
}

void CPostacMgr::PreloadCharacterSounds(const char* name)
{
    g_Console.AdvanceLoading(1);
    strPostacDsc* d = FindDescription(name);
    if (!d || d->preloaded)
        return;
    d->preloaded = 1;
    for (DWORD i = 0; i < d->model_count; ++i)
        PreloadModel(d->models[i]);
    static const char* const kSayFolders[] = {"voices\\other\\", "voices\\guile\\", "voices\\Hero\\"};
    char file[POSTAC_PATH_SIZE];
    for (const strFaza* f = d->newest; f; f = f->previous)
    {
        if (f->say[0])
            for (const char* folder : kSayFolders)
            {
                std::snprintf(file, sizeof file, "%s%s.wav", folder, f->say);
                if (FileExists(file))
                {
                    g_Engine.PreloadFile(file, EEngine::PRELOAD_SOUND);
                    break;
                }
            }
        if (f->sound[0])
            g_Engine.PreloadFile(f->sound, EEngine::PRELOAD_SOUND);
        if (f->sound_2D[0])
            g_Engine.PreloadFile(f->sound_2D, EEngine::PRELOAD_SOUND);
        g_DialogueMgr.LoadDialogueVoices(f->dialogue[0]);
        g_DialogueMgr.LoadHeroDialogueVoices(f->hero_dialogue);
    }
}
