// The save-file primitives: see SaveFile.h.
#include "shell/SaveFile.h"

#include "platform/d3d9/D3D9Types.h"
#include "shell/Console.h"
#include "shell/Orientation.h"
#include "shell/RecordBytes.h"
#include "world/Engine.h"
#include "world/Object.h"

#include <bit>
#include <cstring>

DWORD g_dwBytesWritten = 0;
DWORD g_dwBytesRead = 0;
bool g_bSaveWriteFailed = false;
bool g_bSaveReadFailed = false;

namespace
{
// One console line when a section first fails; the caller names the file.
void WriteFailed()
{
    if (!g_bSaveWriteFailed)
        g_Console.Print("ERROR: save file write failed!");
    g_bSaveWriteFailed = true;
}

void ReadFailed()
{
    if (!g_bSaveReadFailed)
        g_Console.Print("ERROR: save file read past its end or failed!");
    g_bSaveReadFailed = true;
}

// Writes n bytes, counted as asked; false (and the flag) on a short write.
bool Put(FILE* file, const void* data, DWORD n)
{
    g_dwBytesWritten += n;
    if (std::fwrite(data, 1, n, file) != n)
    {
        WriteFailed();
        return false;
    }
    return true;
}

bool Get(FILE* file, void* data, DWORD n)
{
    g_dwBytesRead += n;
    if (std::fread(data, 1, n, file) != n)
    {
        ReadFailed();
        return false;
    }
    return true;
}
} // namespace

void ResetSaveFileErrors()
{
    g_bSaveWriteFailed = false;
    g_bSaveReadFailed = false;
}

bool FinishWriting(FILE* file)
{
    if (!file)
        return false;
    if (std::fflush(file) != 0 || std::ferror(file))
    {
        WriteFailed();
        return false;
    }
    return true;
}

bool CloseSaveFile(FILE* file)
{
    if (!file)
        return false;
    bool ok = FinishWriting(file);
    if (std::fclose(file) != 0)
    {
        WriteFailed();
        ok = false;
    }
    return ok;
}

bool WriteBytes(FILE* file, const void* data, DWORD n)
{
    if (n == 0)
        return true;
    if (!file || !data)
        return false;
    return Put(file, data, n);
}

bool ReadBytes(FILE* file, void* data, DWORD n)
{
    if (n == 0)
        return true;
    if (!file || !data)
        return false;
    return Get(file, data, n);
}

bool WriteDword(FILE* file, DWORD value)
{
    if (!file)
        return false;
    BYTE b[4];
    RecordOut(b, sizeof b).U32(0, value);
    return Put(file, b, sizeof b);
}

bool ReadDword(FILE* file, DWORD* value)
{
    if (!file || !value)
        return false;
    BYTE b[4];
    if (!Get(file, b, 4))
        return false;
    *value = RecordIn(b, sizeof b).U32(0);
    return true;
}

bool WriteFloat(FILE* file, float value)
{
    return WriteDword(file, std::bit_cast<DWORD>(value));
}

bool ReadFloat(FILE* file, float* value)
{
    if (!value)
        return false;
    DWORD d;
    if (!ReadDword(file, &d))
        return false;
    *value = std::bit_cast<float>(d);
    return true;
}

bool WriteBool(FILE* file, bool value)
{
    if (!file)
        return false;
    const BYTE b = value ? 1 : 0;
    return Put(file, &b, 1);
}

bool ReadBool(FILE* file, bool* value)
{
    if (!file || !value)
        return false;
    BYTE b = 0;
    // At the end of the file nothing was read: that is a failure and a false,
    // never a made-up true.
    const bool ok = Get(file, &b, 1);
    *value = ok && b != 0;
    return ok;
}

bool ReadBool(FILE* file, BYTE* value)
{
    if (!value)
        return false;
    bool b = false;
    const bool ok = ReadBool(file, &b);
    if (file)
        *value = b ? 1 : 0;
    return ok;
}

bool WriteVector(FILE* file, const float* v)
{
    if (!file || !v)
        return false;
    BYTE b[12];
    RecordOut(b, sizeof b).Vec3(0, D3DXVECTOR3(v[0], v[1], v[2]));
    return Put(file, b, sizeof b);
}

bool WriteVector(FILE* file, const D3DVECTOR* v)
{
    if (!v)
        return false;
    const float f[3] = {v->x, v->y, v->z};
    return WriteVector(file, f);
}

bool ReadVector(FILE* file, float* v)
{
    if (!file || !v)
        return false;
    BYTE b[12];
    if (!Get(file, b, 12))
        return false;
    const D3DXVECTOR3 read = RecordIn(b, sizeof b).Vec3(0);
    v[0] = read.x, v[1] = read.y, v[2] = read.z;
    return true;
}

bool ReadVector(FILE* file, D3DVECTOR* v)
{
    if (!v)
        return false;
    float f[3];
    if (!ReadVector(file, f))
        return false;
    v->x = f[0], v->y = f[1], v->z = f[2];
    return true;
}

bool WriteString(FILE* file, const char* text)
{
    if (!file || !text)
        return false;
    const DWORD len = static_cast<DWORD>(std::strlen(text));
    if (!WriteDword(file, len))
        return false;
    return WriteBytes(file, text, len);
}

bool ReadString(FILE* file, char* buffer, size_t capacity)
{
    if (!file || !buffer || capacity == 0)
        return false;
    DWORD len = 0;
    if (!ReadDword(file, &len))
    {
        buffer[0] = 0;
        return false;
    }
    if (len < capacity)
    {
        const bool ok = ReadBytes(file, buffer, len);
        buffer[ok ? len : 0] = 0;
        return ok;
    }

    // Longer than the caller's buffer: keep what fits, skip the rest so the
    // next item is read from its own place.
    char line[160];
    std::snprintf(line, sizeof line, "ERROR: ReadString(): stored string of %u characters cut to %u!",
                  static_cast<unsigned>(len), static_cast<unsigned>(capacity - 1));
    g_Console.Print(line);
    const DWORD keep = static_cast<DWORD>(capacity - 1);
    bool ok = ReadBytes(file, buffer, keep);
    buffer[ok ? keep : 0] = 0;
    g_dwBytesRead += len - keep;
    DWORD left = ok ? len - keep : 0;
    char scrap[4096];
    while (left > 0)
    {
        const DWORD n = left < sizeof scrap ? left : static_cast<DWORD>(sizeof scrap);
        if (std::fread(scrap, 1, n, file) != n)
        {
            ReadFailed();
            break;
        }
        left -= n;
    }
    return false;
}

bool WriteOrientation(FILE* file, const EOrientation* o)
{
    if (!file || !o)
        return false;
    BYTE b[116];
    RecordOut(b, sizeof b).Orientation(0, *o);
    return Put(file, b, sizeof b);
}

bool ReadOrientation(FILE* file, EOrientation* o)
{
    if (!file || !o)
        return false;
    BYTE b[116];
    if (!Get(file, b, sizeof b))
        return false;
    *o = RecordIn(b, sizeof b).Orientation(0);
    return true;
}

bool WritePesel(FILE* file, HOBJECT obj)
{
    if (!file)
        return false;
    BYTE b[12];
    RecordOut out(b, sizeof b);
    for (int i = 0; i < 3; ++i)
        out.U32(4 * size_t(i), obj ? obj->PESEL[i] : 0);
    return Put(file, b, sizeof b);
}

bool ReadPesel(FILE* file, HOBJECT* obj)
{
    if (!file || !obj)
        return false;
    BYTE b[12];
    if (!Get(file, b, 12))
    {
        *obj = nullptr;
        return false;
    }
    const RecordIn in(b, sizeof b);
    *obj = g_Engine.FindObjectByPesel(in.U32(0), in.U32(4), in.U32(8));
    return true;
}
