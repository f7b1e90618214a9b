// Starting and ending cut-scenes and their phases.
#include "game/CutScene.h"

#include "environment/FxInstance.h"
#include "environment/FxMgr.h"
#include "game/MainGame.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "render/Renderer.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "sound/SoundMgr.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/EngineObject.h"
#include "world/Object.h"

#include <cstdio>
#include <cstring>

CCutScene g_CutScene;

namespace
{
constexpr const char* GUIDE_NAME = "prowadnica";
constexpr DWORD GUIDE_FLAGS = 0x180, GUIDE_FLAGS2 = 0x260;
constexpr DWORD ACTOR_FLAGS = 0x100, ACTOR_FLAGS2 = 0x220;
constexpr DWORD ANIMATED_FLAGS = 0x181; // follows its socket (0x1), shown
constexpr DWORD ANIMATED_FLAGS2 = 0x20;
constexpr DWORD SHADOW_FLAGS2 = 0x18000000; // the shadow-disabled actor's shadows
constexpr DWORD STILL_FLAGS = 0x180;
constexpr DWORD BORROWED_AFTER = 0x80; // a borrowed actor's flag word 1 after the scene
constexpr DWORD WHOLE_WORD = 0xFFFFFFFF;
constexpr DWORD OPAQUE_WHITE = 0xFFFFFFFF;
constexpr int COMMAND_MENU = CPlayer::CMD_MENU;

bool ContainsNoCase(const char* text, const char* part)
{
    const size_t n = std::strlen(part);
    for (const char* p = text; *p; ++p)
    {
        size_t i = 0;
        while (i < n && p[i] && (p[i] | 0x20) == (part[i] | 0x20))
            ++i;
        if (i == n)
            return true;
    }
    return false;
}

void SetDefaultZoom()
{
    g_Camera.m_fZoom = g_Options.FOV;
    g_Camera.UpdateProjection();
}

void CreateFullScreen(ERect& rect, const char* texture)
{
    rect.Create(texture, 0.0f, 0.0f, static_cast<float>(g_Options.screenwidth),
                static_cast<float>(g_Options.screenheight), OPAQUE_WHITE);
}
} // namespace

void CCutScene::Start(const char* name)
{
    // 1.
    if (!name || PlayerStats.m_bDead || PlayerStats.m_bMissionFailed)
        return;
    // 2.
    End(false);
    // 3.
    Bronie.Holster();
    Bronie.PlayIdleAnim();
    m_fSceneTime = 0.0f;
    // 4. An unknown scene or one without its first phase gives the weapon back:
    // a typo in a script must not disarm the hero for the rest of the level.
    strscene* scene = FindScene(name);
    if (!scene)
    {
        g_Console.Print2("No cut-scene named ", name);
        Bronie.Unholster();
        return;
    }
    m_pScene = scene;
    // 5.
    SetDefaultZoom();
    // 6.
    strphase* first = FindPhase(scene, scene->firstPhase);
    if (!first)
    {
        g_Console.Print("Nie ma fazy startowej!");
        m_pScene = nullptr;
        Bronie.Unholster();
        return;
    }
    // 7.
    for (CutSceneEndlessFx& e : m_EndlessFx)
        e = {};
    m_iEndlessFx = 0;
    // 8.
    for (const strphase* p = scene->phases; p; p = p->next)
        if (p->sound2D[0])
            g_Engine.PreloadFile(p->sound2D, EEngine::PRELOAD_SOUND);
    // 9.
    m_hGuide = scene->guideModel[0] ? g_Engine.CreateObject(OT_SKINMESH, scene->guideModel, GUIDE_FLAGS,
                                                            GUIDE_FLAGS2, nullptr, nullptr)
                                    : nullptr;
    if (m_hGuide)
        g_Engine.SetObjectName(m_hGuide, GUIDE_NAME);
    else
        g_Console.Print("Nie ma prowadnicy");
    // 10.
    for (int i = 0; i < CUTSCENE_ACTORS; ++i)
    {
        m_hActors[i] = nullptr;
        m_bBorrowed[i] = 0;
        const char* file = scene->actorFiles[i];
        if (!file[0])
            continue;
        if (ContainsNoCase(file, "models") || ContainsNoCase(file, "prefabs"))
        {
            const BYTE type = ContainsNoCase(file, "models") ? OT_SKINMESH : OT_MESH;
            m_hActors[i] = g_Engine.CreateObject(type, file, ACTOR_FLAGS, ACTOR_FLAGS2, nullptr, nullptr);
            if (m_hActors[i])
            {
                char actorName[16];
                std::snprintf(actorName, sizeof actorName, "aktor%i", i);
                g_Engine.SetObjectName(m_hActors[i], actorName);
            }
            continue;
        }
        m_hActors[i] = g_Engine.FindObject(file, 0);
        m_bBorrowed[i] = 1;
        if (m_hActors[i])
        {
            g_Engine.GetObjectPosition(m_hActors[i], &m_vSavedPositions[i]);
            g_Engine.GetObjectOrientation(m_hActors[i], &m_SavedOrientations[i]);
        }
    }
    // The letterbox is up while the scene runs: chats stop, voices stay
    // audible and no checkpoint saves the scene's state.
    if (!m_bSetWideScreen)
    {
        m_bSavedWideScreen = g_Panel.WideScreen;
        m_bSetWideScreen = 1;
    }
    g_Panel.WideScreen = 1;
    // 11.
    SetDefaultZoom();
    StartPhase(first->name);
}

void CCutScene::StartPhase(const char* name)
{
    // 1.
    g_Panel.ShowMessage(nullptr, nullptr, nullptr);
    g_EngineObject.m_bRecomputeVisibility = 1;
    // 2.
    strphase* phase = name && name[0] ? FindPhase(m_pScene, name) : nullptr;
    if (!phase)
    {
        End(true);
        return;
    }
    // 3.
    m_pPhase = phase;
    SyncPlaying();
    std::memcpy(phase->currentCameraSocket, phase->cameraSocket, sizeof phase->currentCameraSocket);
    // 4.
    if (phase->onScreen[0])
        CreateFullScreen(m_Picture, phase->onScreen);
    // 5.
    for (int i = 0; i < phase->attachmentCount && i < CUTSCENE_ATTACHMENTS; ++i)
    {
        const strCutAttachment& a = phase->attachments[i];
        if (!a.object[0] || !a.socket[0])
            continue;
        if (HOBJECT o = g_Engine.FindObject(a.object, 0))
        {
            g_Engine.GetObjectPosition(o, &m_vAttachPositions[i]);
            g_Engine.GetObjectOrientation(o, &m_AttachOrientations[i]);
        }
    }
    // 6.
    for (int i = 0; i < phase->hiddenCount && i < CUTSCENE_SECTORS; ++i)
        g_Engine.SetSectorHidden(static_cast<DWORD>(phase->hiddenSectors[i]), 1);
    for (int i = 0; i < phase->shownCount && i < CUTSCENE_SECTORS; ++i)
        g_Engine.SetSectorHidden(static_cast<DWORD>(phase->shownSectors[i]), 0);
    // 7.
    for (strCutActorSocket& e : phase->shots)
        e.fired = 0;
    for (strCutGuideFx& e : phase->guideFx)
        e.fired = 0;
    for (strCutActorSocket& e : phase->blood)
        e.fired = 0;
    for (strCutActorFx& e : phase->actorFx)
        e.fired = 0;
    for (strCutSubtitle& e : phase->subtitles)
        e.fired = 0;
    for (strCutVoice& e : phase->voices)
        e.fired = 0;
    for (strCutKill& e : phase->kills)
        e.fired = 0;
    for (strCutJump& e : phase->jumps)
        e.fired = 0;
    // 8.
    m_fPhaseTime = 0.0f;
    if (m_hGuide)
    {
        g_Engine.SetObjectAnimation(m_hGuide, phase->guideAnimation, 0, 0.0f, 1.0f);
        const D3DXVECTOR3 at(phase->guidePosition[0], phase->guidePosition[1], phase->guidePosition[2]);
        g_Engine.SetObjectPosition(m_hGuide, &at, 1);
    }
    // 9. Face animations have nothing to drive yet: the names are only kept.
    for (int i = 0; i < CUTSCENE_ACTORS; ++i)
    {
        HOBJECT actor = m_hActors[i];
        if (!actor)
            continue;
        if (phase->animWhole[i][0])
            g_Engine.SetObjectAnimation(actor, phase->animWhole[i], 1, 0.0f, 1.0f);
        if (phase->animUpper[i][0])
            g_Engine.SetSkinMeshAnimation(actor, phase->animUpper[i], 0, 1.0f);
        if (phase->animLower[i][0])
            g_Engine.SetSkinMeshAnimationSlot2(actor, phase->animLower[i], 0, 1.0f);
        if (phase->animWhole[i][0] || phase->animUpper[i][0] || phase->animLower[i][0] ||
            phase->animFace[i][0])
        {
            g_Engine.SetObjectFlags(actor, ANIMATED_FLAGS, ANIMATED_FLAGS);
            g_Engine.SetObjectFlags2(actor, ANIMATED_FLAGS2, ANIMATED_FLAGS2);
            if (i == phase->shadowDisabledActor)
                g_Engine.SetObjectFlags2(actor, 0, SHADOW_FLAGS2);
        }
        else
            g_Engine.SetObjectFlags(actor, STILL_FLAGS, WHOLE_WORD);
    }
    // 10.
    for (int i = 0; i < phase->stopCount && i < CUTSCENE_TEXANIMS; ++i)
        g_Renderer.AnimationStop(phase->texStop[i]);
    for (int i = 0; i < phase->pauseCount && i < CUTSCENE_TEXANIMS; ++i)
        g_Renderer.AnimationPause(phase->texPause[i]);
    for (int i = 0; i < phase->playCount && i < CUTSCENE_TEXANIMS; ++i)
        g_Renderer.AnimationPlay(phase->texPlay[i]);
    // 11.
    if (phase->music[0])
        g_MainGame.PlayMusic(phase->music, 0);
    if (phase->sound2D[0])
        g_SoundMgr.PlaySoundOnce(phase->sound2D, 1.0f, 0.0f);
    if (phase->quit)
        g_Engine.RequestQuit();
    // 12.
    m_bBlackWhite = phase->blackWhite;
    g_Options.GlobalTimeSpeed = phase->speed;
}

void CCutScene::EndPhase()
{
    strphase* phase = m_pPhase;
    if (phase)
    {
        for (int i = 0; i < phase->attachmentCount && i < CUTSCENE_ATTACHMENTS; ++i)
        {
            const strCutAttachment& a = phase->attachments[i];
            if (!a.object[0] || !a.socket[0])
                continue;
            if (HOBJECT o = g_Engine.FindObject(a.object, 0))
                g_Engine.SetObjectTransform(o, &m_vAttachPositions[i], &m_AttachOrientations[i], 0, 1);
        }
    }
    // An effect the pool has ended and handed to someone else is not ours
    // to release any more.
    for (CutSceneEndlessFx& e : m_EndlessFx)
    {
        if (e.fx && e.fx->m_bActive && e.fx->m_iStart == e.start)
            FX.ReleaseFx(e.fx);
        e = {};
    }
    m_iEndlessFx = 0;
    m_Picture.Release();
}

void CCutScene::End(bool stopMusic)
{
    // 1.
    Bronie.Unholster();
    g_Panel.ShowMessage(nullptr, nullptr, nullptr);
    if (stopMusic)
        g_MainGame.PlayMusic(nullptr, 0);
    // 2.
    g_Engine.DeleteObject(m_hGuide);
    m_hGuide = nullptr;
    // 3. A borrowed actor is left hidden (flag word 1 exactly 0x80): level
    // designers borrow props that belong to the scene.
    for (int i = 0; i < CUTSCENE_ACTORS; ++i)
    {
        HOBJECT actor = m_hActors[i];
        if (actor && m_bBorrowed[i])
        {
            g_Engine.SetObjectTransform(actor, &m_vSavedPositions[i], &m_SavedOrientations[i], 0, 1);
            g_Engine.SetObjectFlags(actor, BORROWED_AFTER, WHOLE_WORD);
        }
        else if (actor)
            g_Engine.DeleteObject(actor);
        m_hActors[i] = nullptr;
        m_bBorrowed[i] = 0;
    }
    // 4.
    char worldOnEnd[CUTSCENE_FILE_SIZE] = {}, sceneOnEnd[CUTSCENE_FILE_SIZE] = {};
    char actionOnEnd[CUTSCENE_NAME_SIZE] = {};
    BYTE quitOnEnd = 0;
    if (m_pScene)
    {
        std::memcpy(worldOnEnd, m_pScene->worldOnEnd, sizeof worldOnEnd);
        std::memcpy(sceneOnEnd, m_pScene->sceneOnEnd, sizeof sceneOnEnd);
        std::memcpy(actionOnEnd, m_pScene->actionOnEnd, sizeof actionOnEnd);
        quitOnEnd = m_pScene->quitOnEnd;
    }
    if (m_pPhase)
        EndPhase();
    m_pScene = nullptr;
    m_pPhase = nullptr;
    SyncPlaying();
    if (m_bSetWideScreen)
    {
        g_Panel.WideScreen = m_bSavedWideScreen;
        m_bSetWideScreen = 0;
    }
    // 5.
    g_Options.GlobalTimeSpeed = 1.0f;
    m_bBlackWhite = 0;
    g_Panel.StartFlash();
    StopVoices();
    // 6.
    if (!g_Engine.m_bQuit)
    {
        if (worldOnEnd[0])
        {
            g_Engine.RequestWorldChange(worldOnEnd);
            return;
        }
        if (sceneOnEnd[0])
        {
            Start(sceneOnEnd);
            return;
        }
        if (actionOnEnd[0])
        {
            g_EngineObject.RunObjectActionsByName(actionOnEnd);
            return;
        }
    }
    // 7.
    Bronie.state = 0;
    if (quitOnEnd)
        g_Engine.RequestQuit();
}

void CCutScene::Clear()
{
    m_pScene = nullptr;
    m_pPhase = nullptr;
    SyncPlaying();
}

void CCutScene::InitScreen()
{
    CreateFullScreen(m_BlackCover, "menu_black.tga");
    CreateFullScreen(m_WhiteCover, "bialy.tga");
}

// The level is going: the guide and actors go and borrowed objects are put
// back, but what follows the scene (a world, another scene, an object's
// actions) would start in a level that no longer exists.
void CCutScene::ReleaseLevel()
{
    m_BlackCover.Release();
    m_WhiteCover.Release();
    m_Picture.Release();
    Clear();
    End(true);
}

bool CCutScene::HoldsMenuKey()
{
    if (m_bMenuKeyLatched && !g_CommandMgr.IsCommandDown(COMMAND_MENU))
        m_bMenuKeyLatched = 0;
    return m_bMenuKeyLatched != 0;
}
