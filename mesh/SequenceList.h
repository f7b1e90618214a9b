#pragma once
// SequenceList: the animation sequences of characters, read from "scripts\animations\*.txt" at start:
// a named chain of steps, each playing one of up to eight animations chosen at random and going on to
// a named step or the next one. Beside the list, the rules that pick a character's animation name.

#include "platform/win32/WinTypes.h"
#include "world/ObjectHandle.h"

struct EItemDesc;

struct strSequenceStep
{
    static constexpr int MAX_ANIMATIONS = 8;
    static constexpr size_t NAME_SIZE = 64;
    static constexpr float DEFAULT_INTERPOLATION = 0.2f;
    char szName[NAME_SIZE] = {};
    char szAnimations[MAX_ANIMATIONS][NAME_SIZE] = {};
    DWORD iNumAnimations = 0;
    float fSpeeds[MAX_ANIMATIONS] = {};
    char szDialogue[NAME_SIZE] = {};
    char szGoto[NAME_SIZE] = {};
    float fInterpolation = DEFAULT_INTERPOLATION;
    strSequenceStep* pNext = nullptr;
};

struct strSequence
{
    char szName[strSequenceStep::NAME_SIZE] = {};
    strSequenceStep* pFirstStep = nullptr;
    strSequence* pNext = nullptr;
};

// The animation state of one character that sequences read and write: a character record
// (strpostac) holds one, naming the model it drives.
struct strSequenceCharacter
{
    static constexpr size_t NAME_SIZE = 64;
    char szName[NAME_SIZE] = {};
    HOBJECT hObject = nullptr;
    const EItemDesc* pWeapon = nullptr; // the held weapon's description, whose suffix animations take
    strSequence* pSequence = nullptr;
    strSequenceStep* pStep = nullptr;
    char szAnimation[NAME_SIZE] = {};
    char szAnimation2[NAME_SIZE] = {};
    BYTE bLoop = 0;
    BYTE bPhaseWithoutAnimation = 0;
    float fBlendTime = 0.0f;
    int iRunChoice = -1;
    float fSpeed = 0.0f;
    float fReset[3] = {};
};

class SequenceList
{
public:
    static constexpr int LINE_CHARS = 256;

    SequenceList();
    virtual ~SequenceList();
    SequenceList(const SequenceList&) = delete;
    SequenceList& operator=(const SequenceList&) = delete;

    void LoadAll();
    void LoadFile(const char* path);
    void Clear();

    strSequence* FindSequence(const char* name) const;
    static strSequenceStep* FindStep(const strSequence* sequence, const char* name);

    void SetCharacterAnimation(strSequenceCharacter* character, const char* name, BYTE loop, float blend,
                               float speed);
    bool IsCharacterAnimationFinished(const strSequenceCharacter* character) const;
    void StartStep(strSequenceCharacter* character, strSequence* sequence, strSequenceStep* step);
    void AdvanceCharacterSequence(strSequenceCharacter* character);
    const char* GetCharacterAnimationName(const strSequenceCharacter* character, const char* name) const;
    void ChooseRunAimAnimation(const strSequenceCharacter* character, char* out, size_t size,
                               const char* name) const;
    void SetupPhaseAnimation(strSequenceCharacter* character, const char* name, BYTE loop, float blend);

    strSequence* m_pSequences = nullptr;
};

extern SequenceList g_SequenceList;
