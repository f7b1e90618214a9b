#pragma once
// The records of the cut-scene scripts ("scripts\cutscenes\*.txt"): a scene
// names its guide model, up to 32 actors and their weapons, its first phase
// and what follows its end; each phase is a timed list of what happens while
// it lasts. Texts are cut to their fields when read; every list entry carries
// a fired mark that playback clears when its phase starts.

#include "platform/win32/WinTypes.h"

constexpr int CUTSCENE_ACTORS = 32;
constexpr int CUTSCENE_NO_ACTOR = 32; // the shadow-disabled actor when there is none
constexpr int CUTSCENE_NAME_SIZE = 64;
constexpr int CUTSCENE_FILE_SIZE = 128;
constexpr int CUTSCENE_LONG_SIZE = 256;
constexpr float CUTSCENE_NO_KILL_TIME = 1.0e7f;
constexpr float CUTSCENE_MIN_SPEED = 0.1f;

// The lists' room and how many entries each takes.
constexpr int CUTSCENE_MESHES = 10, CUTSCENE_MESHES_USED = 9;
constexpr int CUTSCENE_SECTORS = 8;
constexpr int CUTSCENE_JUMPS = 8;
constexpr int CUTSCENE_SHOTS = 64, CUTSCENE_SHOTS_USED = 63;
constexpr int CUTSCENE_BLOOD = 8, CUTSCENE_BLOOD_USED = 7;
constexpr int CUTSCENE_KILLS = 16, CUTSCENE_KILLS_USED = 15;
constexpr int CUTSCENE_GUIDE_FX = 16;
constexpr int CUTSCENE_ACTOR_FX = 128, CUTSCENE_ACTOR_FX_USED = 127;
constexpr int CUTSCENE_ATTACHMENTS = 16, CUTSCENE_ATTACHMENTS_USED = 15;
constexpr int CUTSCENE_VOICES = 16, CUTSCENE_VOICES_USED = 15;
constexpr int CUTSCENE_SUBTITLES = 16, CUTSCENE_SUBTITLES_USED = 15;
constexpr int CUTSCENE_TEXANIMS = 8, CUTSCENE_TEXANIMS_USED = 7;

struct strCutMesh
{
    char object[CUTSCENE_NAME_SIZE];
    char socket[CUTSCENE_NAME_SIZE];
    BYTE fired;
};
struct strCutJump
{
    float time;
    char socket[CUTSCENE_NAME_SIZE];
    BYTE fired;
};
// A shot or a blood entry: an actor, a time and the actor's socket.
struct strCutActorSocket
{
    int actor;
    float time;
    char socket[CUTSCENE_NAME_SIZE];
    BYTE fired;
};
struct strCutKill
{
    int victim;
    int killer;
    float time;
    BYTE fired;
};
struct strCutGuideFx
{
    char effect[CUTSCENE_NAME_SIZE];
    char socket[CUTSCENE_NAME_SIZE];
    float time;
    BYTE fired;
};
struct strCutActorFx
{
    int actor;
    float time;
    char socket[CUTSCENE_NAME_SIZE];
    char effect[CUTSCENE_NAME_SIZE];
    BYTE fired;
};
struct strCutAttachment
{
    char object[CUTSCENE_NAME_SIZE];
    int actor;
    char socket[CUTSCENE_NAME_SIZE];
    BYTE fired;
};
struct strCutVoice
{
    char wave[CUTSCENE_FILE_SIZE];
    char socket[CUTSCENE_FILE_SIZE];
    float time;
    BYTE fired;
};
struct strCutSubtitle
{
    char key[CUTSCENE_NAME_SIZE]; // without its leading ">"
    float time;
    BYTE fired;
};
struct strCutFade
{
    BYTE on;
    float start;
    float duration;
};

struct strphase
{
    char name[CUTSCENE_NAME_SIZE];
    char nextPhase[CUTSCENE_NAME_SIZE];
    char music[CUTSCENE_LONG_SIZE];
    char sound2D[CUTSCENE_LONG_SIZE];
    BYTE quit;
    BYTE blackWhite;
    float guidePosition[3];
    char currentCameraSocket[CUTSCENE_NAME_SIZE]; // runtime
    char cameraSocket[CUTSCENE_NAME_SIZE];
    char actorSockets[CUTSCENE_ACTORS][CUTSCENE_NAME_SIZE];
    char animWhole[CUTSCENE_ACTORS][CUTSCENE_NAME_SIZE];
    char animUpper[CUTSCENE_ACTORS][CUTSCENE_NAME_SIZE];
    char animLower[CUTSCENE_ACTORS][CUTSCENE_NAME_SIZE];
    char animFace[CUTSCENE_ACTORS][CUTSCENE_NAME_SIZE];
    char guideAnimation[CUTSCENE_NAME_SIZE];
    int meshCount;
    strCutMesh meshes[CUTSCENE_MESHES];
    int hiddenCount;
    int hiddenSectors[CUTSCENE_SECTORS];
    int shownCount;
    int shownSectors[CUTSCENE_SECTORS];
    int jumpCount;
    strCutJump jumps[CUTSCENE_JUMPS];
    int shotCount;
    strCutActorSocket shots[CUTSCENE_SHOTS];
    int bloodCount;
    strCutActorSocket blood[CUTSCENE_BLOOD];
    int killCount;
    strCutKill kills[CUTSCENE_KILLS];
    int guideFxCount;
    strCutGuideFx guideFx[CUTSCENE_GUIDE_FX];
    int actorFxCount;
    strCutActorFx actorFx[CUTSCENE_ACTOR_FX];
    int attachmentCount;
    strCutAttachment attachments[CUTSCENE_ATTACHMENTS];
    int voiceCount;
    strCutVoice voices[CUTSCENE_VOICES];
    int subtitleCount;
    strCutSubtitle subtitles[CUTSCENE_SUBTITLES];
    int playCount, pauseCount, stopCount;
    char texPlay[CUTSCENE_TEXANIMS][CUTSCENE_NAME_SIZE];
    char texPause[CUTSCENE_TEXANIMS][CUTSCENE_NAME_SIZE];
    char texStop[CUTSCENE_TEXANIMS][CUTSCENE_NAME_SIZE];
    int shadowDisabledActor;
    strCutFade fadeIn, fadeOut, flashIn, flashOut;
    BYTE black;
    char onScreen[CUTSCENE_FILE_SIZE];
    float length;
    float speed;
    strphase* next;
};

struct strscene
{
    char name[CUTSCENE_NAME_SIZE];
    char guideModel[CUTSCENE_FILE_SIZE];
    char actorFiles[CUTSCENE_ACTORS][CUTSCENE_FILE_SIZE];
    char actorWeapons[CUTSCENE_ACTORS][CUTSCENE_NAME_SIZE];
    char firstPhase[CUTSCENE_NAME_SIZE];
    char worldOnEnd[CUTSCENE_FILE_SIZE];
    char sceneOnEnd[CUTSCENE_FILE_SIZE];
    char actionOnEnd[CUTSCENE_NAME_SIZE];
    BYTE quitOnEnd;
    strphase* phases;
    strscene* next;
};
