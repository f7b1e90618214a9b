#pragma once
// The stored forms of the scene-object record and of its sub-records, as the
// "Engine" section of a save game holds them: fixed sizes, 32-bit
// little-endian, fields at fixed offsets (world/ObjectRecordIO.cpp has the
// layouts). Pointers are stored as a presence word (1 when set, 0 when not):
// what they point at is stored after the record, and the reader needs to know
// whether it follows. Each function writes or reads the whole record through
// the save-file primitives, so the byte counters and the failure flags of a
// section see it; each returns false when the file did not take or give it all.

#include "world/Object.h"

#include <cstdio>

struct BezierFollowState;
struct EObjectActionParams;
struct EDeathParams;
struct EPhysicsDesc;

constexpr DWORD OBJECT_RECORD_SIZE = 2496;
constexpr DWORD TEXTURE_PAINT_RECORD_SIZE = 1136;
constexpr DWORD BEZIER_FOLLOW_RECORD_SIZE = 160;
constexpr DWORD BEZIER_MOVE_RECORD_SIZE = 248;
constexpr DWORD BLINKING_RECORD_SIZE = 28;
constexpr DWORD OBJECT_SOUND_RECORD_SIZE = 332;
constexpr DWORD FX_NAME_RECORD_SIZE = 64;
constexpr DWORD ACTION_PARAMS_RECORD_SIZE = 5608;
constexpr DWORD DEATH_PARAMS_RECORD_SIZE = 2784;
constexpr DWORD PHYSICS_DESC_RECORD_SIZE = 2384;
constexpr DWORD LIGHT_CONTROL_RECORD_SIZE = 1026;
// The stored sound record keeps this much of the condition name (terminator included).
constexpr DWORD OBJECT_SOUND_STORED_CONDITION = 63;

// What a stored object record says besides its fields: which pointers were set.
struct StoredObjectPointers
{
    bool bObject;
    bool bTexturePaint;
    bool bSound;
    bool bFxName;
    bool bActionParams;
    bool bDeathParams;
};

bool WriteObjectRecord(FILE* file, const strObject& obj);
// Fills out with the stored fields; its pointer fields are all null.
bool ReadObjectRecord(FILE* file, strObject* out, StoredObjectPointers* pointers);

bool WriteTexturePaintRecord(FILE* file, const ETexturePaintParams& p);
bool ReadTexturePaintRecord(FILE* file, ETexturePaintParams* p);
bool WriteBezierFollowRecord(FILE* file, const BezierFollowState& s);
bool ReadBezierFollowRecord(FILE* file, BezierFollowState* s);
bool WriteBezierMoveRecord(FILE* file, const BezierMoveState& s);
bool ReadBezierMoveRecord(FILE* file, BezierMoveState* s);
bool WriteBlinkingRecord(FILE* file, const EBlinkingParams& b);
bool ReadBlinkingRecord(FILE* file, EBlinkingParams* b);
// The live sound handle is not stored: the object's update starts the sound again.
bool WriteObjectSoundRecord(FILE* file, const EObjectSound& s);
bool ReadObjectSoundRecord(FILE* file, EObjectSound* s);
bool WriteFxNameRecord(FILE* file, const char* name);
bool ReadFxNameRecord(FILE* file, char name[FX_NAME_RECORD_SIZE]);
bool WriteActionParamsRecord(FILE* file, const EObjectActionParams& p);
bool ReadActionParamsRecord(FILE* file, EObjectActionParams* p);
bool WriteDeathParamsRecord(FILE* file, const EDeathParams& p);
bool ReadDeathParamsRecord(FILE* file, EDeathParams* p);
bool WritePhysicsDescRecord(FILE* file, const EPhysicsDesc& d);
bool ReadPhysicsDescRecord(FILE* file, EPhysicsDesc* d);
bool WriteLightControlRecord(FILE* file, const ELightControlParams& p);
bool ReadLightControlRecord(FILE* file, ELightControlParams* p);
