// CAiMapData: loading the ".ai" companion file of a world.
#include "characters/AiMapData.h"

#include "platform/win32/Path.h"
#include "shell/RecordBytes.h"
#include "world/Engine.h"

#include <cstdio>
#include <cstring>

CAiMapData g_AiMapData;

CAiMapData::CAiMapData()
{
    Clear();
}

const char* CAiMapData::GetFileName()
{
    static char name[sizeof g_Engine.m_szWorld + 4];
    std::snprintf(name, sizeof name, "%s.ai", g_Engine.m_szWorld);
    return name;
}

void CAiMapData::Clear()
{
    for (strAiMapRecord& r : m_Records)
    {
        std::memset(r.head, 0, sizeof r.head);
        std::memset(r.tail, 0, sizeof r.tail);
        // The stored form of a zeroed table: every float 0.
        std::memset(&r.orientation.Quaternion, 0, sizeof r.orientation.Quaternion);
        std::memset(&r.orientation.Matrix, 0, sizeof r.orientation.Matrix);
        r.orientation.Forward = r.orientation.Right = r.orientation.Up = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    }
}

bool CAiMapData::LoadFile()
{
    FILE* file = TkFopen(GetFileName(), "rb");
    if (!file)
        return false;
    BYTE key[4] = {};
    const bool keyRead = std::fread(key, 1, sizeof key, file) == sizeof key;
    if (!keyRead || RecordIn(key, sizeof key).U32(0) != m_dwKey)
    {
        std::fclose(file);
        return false;
    }
    BYTE bytes[RECORD_BYTES];
    for (strAiMapRecord& r : m_Records)
    {
        const size_t got = std::fread(bytes, 1, sizeof bytes, file);
        if (got == 0)
            break;
        // A record cut by the file's end keeps zeros where the bytes ran out.
        std::memset(bytes + got, 0, sizeof bytes - got);
        const RecordIn in(bytes, sizeof bytes);
        in.Bytes(0, r.head, sizeof r.head);
        r.orientation = in.Orientation(28);
        in.Bytes(144, r.tail, sizeof r.tail);
        if (got < sizeof bytes)
            break;
    }
    std::fclose(file);
    return true;
}

void CAiMapData::Load()
{
    Clear();
    LoadFile();
}
