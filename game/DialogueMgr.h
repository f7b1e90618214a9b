#pragma once
// CDialogueMgr: voiced dialogues with subtitles. Character dialogues (up to
// three actors), object dialogues (a radio, a loudspeaker: every line from one
// world object, fading with distance) and the hero's own lines, read from
// "scripts\dialogues\*.txt" and "scripts\hero_dialogues\*.txt" at level start.
//
// The members live in three files: DialogueMgr.cpp (starting, playing and
// stopping), DialogueMgrScripts.cpp (the scripts and the voice preloads) and
// DialogueMgrSave.cpp (the "Dialogue" save section).

#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

#include <cstddef>
#include <cstdio>

struct strpostac;
struct strSound;

constexpr int MAX_ACTIVE_DIALOGUES = 6;
constexpr int DIALOGUE_ACTORS = 3;
constexpr int HERO_VOICES = 5;
// Names, labels, phases and object names: 63 characters and the terminator.
constexpr size_t DIALOGUE_NAME_SIZE = 64;

// One line of a dialogue; the list runs from the newest (the script's last line).
struct strDialogueLine
{
    char label[DIALOGUE_NAME_SIZE]; // text key without ">", and the voice file's base name
    DWORD number;                   // 0 for the script's first line
    DWORD speaker;                  // the actor who says it (0 to 2)
    DWORD chosenSpeaker;            // the actor who said it when it last played
    strDialogueLine* older;
    strDialogueLine* newer;
};

struct strDialogue
{
    char name[DIALOGUE_NAME_SIZE];
    strDialogueLine* lines; // newest first
    BYTE random;
    BYTE noSubtitle;
    BYTE heroSubtitle;
    DWORD lineCount;
    char onEndPhase[DIALOGUE_ACTORS][DIALOGUE_NAME_SIZE];
    char onEndAction[DIALOGUE_NAME_SIZE];
    float volume;
    float range;
    strDialogue* older;
    strDialogue* newer;
};

struct strHeroDialogueLine
{
    char label[DIALOGUE_NAME_SIZE];
    DWORD hero; // the hero voice (0 to 4)
    strHeroDialogueLine* older;
    strHeroDialogueLine* newer;
};

struct strHeroDialogue
{
    char name[DIALOGUE_NAME_SIZE];
    strHeroDialogueLine* lines; // newest first
    char onEndAction[DIALOGUE_NAME_SIZE];
    // The character or world object where each hero voice is heard ("" for 2D).
    char voicePosition[HERO_VOICES][DIALOGUE_NAME_SIZE];
    strHeroDialogue* older;
    strHeroDialogue* newer;
};

struct strActiveDialogue
{
    BYTE active;
    strDialogue* pDialogue;
    strDialogueLine* pDialogueLine;
    strpostac* actors[DIALOGUE_ACTORS];
    strSound* sound;
    HOBJECT object;       // the speaker of an object dialogue
    DWORD objectPesel[3]; // the object's PESEL when it was given
    float pause;          // seconds before a random dialogue's next line
};

struct strActiveHeroDialogue
{
    BYTE active;
    strHeroDialogue* pDialogue;
    strHeroDialogueLine* pDialogueLine;
    strSound* sound;
};

class CDialogueMgr
{
public:
    static constexpr const char* DIALOGUE_FOLDER = "scripts\\dialogues";
    static constexpr const char* HERO_DIALOGUE_FOLDER = "scripts\\hero_dialogues";
    static constexpr int LINE_SIZE = 256;
    static constexpr float DEFAULT_VOLUME = 1.0f;
    static constexpr float DEFAULT_RANGE = 320.0f;
    // A random dialogue waits this long between lines.
    static constexpr float RANDOM_PAUSE = 3.0f;
    // Draws of a random line, and of its speaker, before giving up.
    static constexpr int RANDOM_DRAWS = 48;
    // A character's voice is heard this far above its position (its head).
    static constexpr float HEAD_HEIGHT = 1.6f;
    static constexpr float VOICE_BASE_VOLUME = 1.4f;
    // An object's voice volume: min(1, loudness x volume x sqrt(share of range left)).
    static constexpr float OBJECT_LOUDNESS = 1.8f;
    static constexpr float OUT_OF_RANGE_SHARE = 0.001f;
    // Hero voices placed at a character are heard this far above it, this far.
    static constexpr float HERO_VOICE_HEIGHT = 2.0f;
    static constexpr float HERO_VOICE_RANGE = 80.0f;
    static constexpr float HERO_FACE_BLEND = 0.2f;

    CDialogueMgr() = default;
    virtual ~CDialogueMgr();
    CDialogueMgr(const CDialogueMgr&) = delete;
    CDialogueMgr& operator=(const CDialogueMgr&) = delete;

    // ---- Scripts (DialogueMgrScripts.cpp) -------------------------------------------------
    void LoadAll();
    // One script file of either kind.
    void LoadDialogueFile(const char* path);
    void LoadHeroDialogueFile(const char* path);
    void FreeAll();
    // Slots emptied and records freed without touching sounds or the HUD
    // (the sound manager may be gone: program end, the tests' clean-up).
    void Forget();
    strDialogue* FindDialogue(const char* name) const;
    strHeroDialogue* FindHeroDialogue(const char* name) const;
    // The script's first line (number 0) and the line of a number.
    static strDialogueLine* FirstLine(const strDialogue* d);
    static strDialogueLine* LineNumber(const strDialogue* d, DWORD number);
    static strHeroDialogueLine* FirstLine(const strHeroDialogue* d);
    void LoadDialogueVoices(const char* name);
    void LoadHeroDialogueVoices(const char* name);
    // The first existing of "voices\other\", "voices\Hero\", "voices\Dialogues\"
    // + label + ".wav", else the last; "" for a label that does not fit.
    static void VoiceFile(const char* label, char* out, size_t size);

    // ---- Playing (DialogueMgr.cpp) ----------------------------------------------------------
    void StartDialogue(const char* name, strpostac* actor0, strpostac* actor1, strpostac* actor2);
    void StartDialogueByName(const char* name, HOBJECT object);
    void StartHeroDialogue(const char* name);
    void StopDialogue(int slot, bool success);
    void StopHeroDialogue(bool success);
    // A hero voice's line from an object action: the voice file played once
    // as the hero's voice, its subtitle (the text of the key) under the
    // hero voice's name; the hero dialogue goes on undisturbed.
    void SayHeroLine(int hero, const char* file, const char* textKey);
    // The slot whose object speaker is the object stops without success.
    void StopDialogueOf(HOBJECT object, int unused = 0);
    void StopDialoguesOf(strpostac* character, bool success);
    void StopAll();
    bool IsAnyActive() const;
    bool IsHeroDialogueActive() const { return m_ActiveHeroDialogue.active != 0; }
    void Update();
    void UpdateSoundsAndListeners();

    // ---- Save section "Dialogue" (DialogueMgrSave.cpp) --------------------------------------
    bool Save(FILE* file);
    // False when the section ends early or holds a name no writer could have written.
    bool Load(FILE* file);

    // ---- State ----------------------------------------------------------------------------------
    strDialogue* m_pDialogues = nullptr;         // newest first
    strHeroDialogue* m_pHeroDialogues = nullptr; // newest first
    strActiveDialogue m_ActiveDialogues[MAX_ACTIVE_DIALOGUES] = {};
    strActiveHeroDialogue m_ActiveHeroDialogue = {};
    float m_fHeroSilence = 0.0f; // seconds since the hero dialogue last ran

private:
    void FreeRecords();
    void StartDialogueLine(int slot, strDialogueLine* line);
    void UpdateDialogue(int slot);
    void StartHeroDialogueLine(strHeroDialogueLine* line);
    void UpdateHeroDialogue();
    // The slot's object speaker while it is still the object it was given.
    HOBJECT SpeakerObject(const strActiveDialogue& a) const;
    // A random dialogue's next line; null when none but the current one was drawn.
    strDialogueLine* DrawRandomLine(const strActiveDialogue& a) const;
};

extern CDialogueMgr g_DialogueMgr;
