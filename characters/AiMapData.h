#pragma once
// CAiMapData: the per-level AI map data, the world file's name followed by
// ".ai": a u32 key that must be 0, then 1024 records of 156 bytes. The table
// is held for the level; nothing reads its records.

#include "platform/win32/WinTypes.h"
#include "shell/Orientation.h"

#include <cstddef>

struct strAiMapRecord
{
    BYTE head[28]; // meaning unknown; kept as read
    EOrientation orientation;
    BYTE tail[12];
};

class CAiMapData
{
public:
    static constexpr int RECORDS = 1024;
    static constexpr size_t RECORD_BYTES = 156;
    static constexpr size_t TABLE_BYTES = RECORDS * RECORD_BYTES;

    CAiMapData();
    virtual ~CAiMapData() = default;

    // "%s.ai" of the current world, in one static buffer.
    static const char* GetFileName();
    // False when the file does not open or its key is not ours; a short file
    // is read as far as it goes.
    bool LoadFile();
    // Level start: Clear, then LoadFile.
    void Load();
    void Clear();
    void Release() { Clear(); }
    void Update() {}
    void Render() {}

    DWORD m_dwKey = 0;
    strAiMapRecord m_Records[RECORDS];
};

extern CAiMapData g_AiMapData;
