#pragma once
// ESkinMeshAnimation: one loaded key-frame animation of a skinned model, its parameters, and the
// sampling of it into the program-wide pose records (`strLinkField`, one per node name) that every
// instance copies its nodes' poses from.

#include "mesh/BinaFile.h"
#include "platform/d3dx/D3DXMath.h"
#include "platform/win32/WinTypes.h"

// The pose of one node name, shared by every track and instance node of that name.
struct strLinkField
{
    char szName[tNodeAnim::NAME_SIZE] = {};
    D3DXVECTOR3 vTranslation = {0.0f, 0.0f, 0.0f};
    D3DXQUATERNION qRotation = {0.0f, 0.0f, 0.0f, 1.0f};
    D3DXVECTOR3 vScale = {1.0f, 1.0f, 1.0f};
    D3DXMATRIX mLocal;
    BYTE bMask[3] = {1, 1, 1}; // copied from the last instance that linked its nodes; not read by sampling
    DWORD iWanted = 0;         // the sampling pass whose instance takes this record's pose
    strLinkField* pNext = nullptr;
};

// The shared pose records: found by name without regard to case, added at the head, freed together.
strLinkField* FindLinkField(const char* name);
strLinkField* FindOrAddLinkField(const char* name);
void FreeLinkFields();

// Parameters of an animation (also the tail of each "animations_desc.txt" record).
struct strAnimationParams
{
    float fAngleX = 0.0f, fAngleY = 0.0f, fAngleZ = 0.0f; // degrees
    double dSpeed = 1.0;
    D3DXMATRIX mRootRotation; // built from the angles
    BYTE bRootMotion = 0;
    BYTE bPose = 0;

    strAnimationParams();
    void BuildRotation();
    // Reads "angleX angleY angleZ speed rootMotion pose" from the words of a line starting at word
    // `first`; missing words read as 0.
    void ParseWords(const char* line, int first);
};

// One animation slot of an instance.
struct strAnimationSlot
{
    static constexpr size_t NAME_SIZE = 128;
    static constexpr size_t SAVED_SIZE = 224;

    int iAnimation = -1;
    BYTE bLoop = 0;
    double dTimeStep = 0.0;
    double dTime = 0.0;
    BYTE bEndReached = 0;
    double dBlendTime = 0.0;
    double dBlendRemaining = 0.0;
    double dSpeed = 1.0;
    int iMask = 0;
    DWORD iLoopCounter = 0;
    DWORD iPrevLoopCounter = 0;
    double dSampledTime = 0.0;
    char szName[NAME_SIZE] = {};
    D3DXVECTOR3 vRootMotion = {0.0f, 0.0f, 0.0f};

    // The slot as stored in a save: 224 bytes, natural alignment.
    void Save(BYTE* record) const;
    void Load(const BYTE* record);
};

class ESkinMeshAnimation
{
public:
    static constexpr size_t NAME_SIZE = 128;
    // Key-track bytes counted for the statistics, besides the keys.
    static constexpr DWORD TRACK_BYTES = 208;

    ESkinMeshAnimation() = default;
    ~ESkinMeshAnimation() { Destroy(); }
    ESkinMeshAnimation(const ESkinMeshAnimation&) = delete;
    ESkinMeshAnimation& operator=(const ESkinMeshAnimation&) = delete;

    // Reads the file, links its tracks to the shared pose records and reads its parameter file.
    static bool Load_Animation_From_Bin_File(const char* path, ESkinMeshAnimation* animation);
    static void LoadAnimationParamsFromScript(const char* path, ESkinMeshAnimation* animation);
    // The parameter file of an animation file: beside the "animations" folder (or in the common folder).
    static void ParamsPathFor(const char* path, const char* animationName, char* out, size_t size);

    // Samples at the slot's time into the shared pose records; writes the slot's sampled time, loop
    // counters, end flag and root motion. With a pass number other than 0 only the records marked
    // with it (and the root's, for root motion) are sampled: an instance marks the records of the
    // nodes its slot drives, so a slot that drives a few nodes does not pay for the whole skeleton.
    static void Sample(ESkinMeshAnimation* animation, strAnimationSlot* slot, DWORD wanted = 0);
    // Every shared record to the rest pose.
    static void ResetFrames();

    void Destroy();
    bool IsLoaded() const { return iNumNodes > 0; }

    char szName[NAME_SIZE] = {};
    BYTE bCommon = 0;
    BYTE bDefault = 0;
    int iNumNodes = 0;
    std::vector<tNodeAnim> tNodes;
    double dKeyTimeScale = 1.0;
    double dLength = 0.0;
    strAnimationParams Params;
    DWORD iByteSize = 0;
};
