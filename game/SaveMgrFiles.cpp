// CSaveMgr: the save list, checkpoints, the thumbnail and the notice.
#include "game/SaveMgr.h"

#include "characters/KillCam.h"
#include "game/CutScene.h"
#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "render/Font.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "ui/HudLayout.h"
#include "ui/Menu.h"
#include "ui/Panel.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace
{
constexpr const char* kListPattern = "save\\*.sav";
constexpr const char* kCheckpointFormat = "checkpoint%04d";
constexpr const char* kThumbnailCapture = "temp.bmp";
constexpr const char* kNoticeCapture = "tmp.bmp";
constexpr int kMonths = 12;
constexpr int kDifficultyTexts = 3;
constexpr float kNoticeX = 512.0f;
constexpr float kNoticeY = 384.0f + 96.0f;
constexpr float kNoticeSize = 24.0f;
constexpr DWORD kNoticeColor = 0xFFE0E080;

// Newer first, by the header's date and time to the second.
bool Newer(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    const WORD ka[] = {a.wYear, a.wMonth, a.wDay, a.wHour, a.wMinute, a.wSecond};
    const WORD kb[] = {b.wYear, b.wMonth, b.wDay, b.wHour, b.wMinute, b.wSecond};
    return std::lexicographical_compare(kb, kb + std::size(kb), ka, ka + std::size(ka));
}

// Ordering of checkpoints: the written-last one, milliseconds included.
bool Later(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    const WORD ka[] = {a.wYear, a.wMonth, a.wDay, a.wHour, a.wMinute, a.wSecond, a.wMilliseconds};
    const WORD kb[] = {b.wYear, b.wMonth, b.wDay, b.wHour, b.wMinute, b.wSecond, b.wMilliseconds};
    return std::lexicographical_compare(kb, kb + std::size(kb), ka, ka + std::size(ka));
}

void CopyField(char* out, size_t size, const char* text)
{
    std::snprintf(out, size, "%s", text ? text : "");
}

bool FileOpens(const char* path)
{
    FILE* f = TkFopen(path, "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

// Reads the back buffer into a bitmap file.
bool CaptureBackBuffer(const char* path)
{
    if (!g_pD3DInterface)
        return false;
    IDirect3DSurface9* back = nullptr;
    if (FAILED(g_pD3DInterface->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) || !back)
        return false;
    const bool ok = SUCCEEDED(D3DXSaveSurfaceToFileA(path, D3DXIFF_BMP, back, nullptr, nullptr));
    back->Release();
    return ok;
}
} // namespace

// ---- The save list --------------------------------------------------------------------

void CSaveMgr::ClearFileList()
{
    while (m_pFileList)
    {
        SaveFileRecord* next = m_pFileList->next;
        delete m_pFileList;
        m_pFileList = next;
    }
}

void CSaveMgr::AddRecord(SaveFileRecord* record)
{
    record->prev = nullptr;
    record->next = m_pFileList;
    if (m_pFileList)
        m_pFileList->prev = record;
    m_pFileList = record;
}

int CSaveMgr::BuildFileList()
{
    ClearFileList();
    highestNumber = 0;
    WIN32_FIND_DATAA found = {};
    HANDLE find = FindFirstFileA(kListPattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do
    {
        const char* file = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || file[0] == '.' ||
            ContainsNoCase(file, "auto"))
            continue;
        auto record = std::make_unique<SaveFileRecord>();
        std::memset(record.get(), 0, sizeof(SaveFileRecord));
        const int written = std::snprintf(record->path, sizeof record->path, "%s%s", SAVE_FOLDER, file);
        const size_t nameLength = std::strlen(file) - std::strlen(".sav");
        if (written < 0 || static_cast<size_t>(written) >= sizeof record->path)
        {
            g_Console.Print2("The save's name is too long for the list: ", file);
            continue;
        }
        std::snprintf(record->thumbnailPath, sizeof record->thumbnailPath, "%.*s.bmp",
                      static_cast<int>(std::strlen(record->path) - std::strlen(".sav")), record->path);
        std::snprintf(record->name, sizeof record->name, "%.*s", static_cast<int>(nameLength), file);
        if (std::isdigit(static_cast<unsigned char>(file[0])))
            highestNumber =
                std::max<DWORD>(highestNumber, static_cast<DWORD>(std::strtoul(file, nullptr, 10)));
        if (!FileOpens(record->path))
            continue;
        SaveHeader header;
        if (!ReadHeader(record->path, &header))
        {
            g_Console.Print2("The save's header cannot be read: ", file);
            continue;
        }
        if (header.version != SAVE_VERSION)
        {
            // Another build's save: left out of the list, and left on disk.
            g_Console.Print2("Tworzenie listy - zla wersja pliku ", file);
            continue;
        }
        CopyField(record->description, sizeof record->description, header.description);
        record->time = header.time;
        const SYSTEMTIME& t = header.time;
        char month[8] = {};
        if (t.wMonth >= 1 && t.wMonth <= kMonths)
            std::snprintf(month, sizeof month, ">S%02d", t.wMonth);
        char hour[8], minute[8], second[8];
        std::snprintf(hour, sizeof hour, "%i", t.wHour);
        std::snprintf(minute, sizeof minute, "%02i", t.wMinute);
        std::snprintf(second, sizeof second, "%02i", t.wSecond);
        std::snprintf(record->dateText, sizeof record->dateText, "%s %i, %i; %s:%s:%s",
                      month[0] ? g_TextMgr.GetText(month) : "", t.wDay, t.wYear, hour, minute, second);
        if (header.difficulty < static_cast<DWORD>(kDifficultyTexts))
        {
            char key[8];
            std::snprintf(key, sizeof key, ">MS%u", header.difficulty + 2);
            CopyField(record->difficultyText, sizeof record->difficultyText, g_TextMgr.GetText(key));
        }
        AddRecord(record.release());
        ++count;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    SortFileList();
    return count;
}

void CSaveMgr::SortFileList()
{
    std::vector<SaveFileRecord*> records;
    for (SaveFileRecord* r = m_pFileList; r; r = r->next)
        records.push_back(r);
    if (records.size() < 2)
        return;
    std::stable_sort(records.begin(), records.end(),
                     [](const SaveFileRecord* a, const SaveFileRecord* b)
                     { return Newer(a->time, b->time); });
    const auto quick = std::find_if(records.begin(), records.end(),
                                    [](const SaveFileRecord* r) { return ContainsNoCase(r->name, "quick"); });
    if (quick != records.end())
        std::rotate(quick, quick + 1, records.end());
    m_pFileList = records.front();
    for (size_t i = 0; i < records.size(); ++i)
    {
        records[i]->prev = i ? records[i - 1] : nullptr;
        records[i]->next = i + 1 < records.size() ? records[i + 1] : nullptr;
    }
}

// ---- Checkpoints ---------------------------------------------------------------------

void CSaveMgr::DoPendingCheckpoint()
{
    // A checkpoint waits while the letterbox, a cut-scene or the kill camera
    // holds the view: a save taken then would keep their slowed time and bars.
    if (!pendingCheckpoint || g_Panel.WideScreen || g_Panel.m_bPanoramic || g_CutScene.m_bPlaying ||
        OBE.m_bRunning)
        return;
    pendingCheckpoint = 0;
    SaveCheckpoint();
}

void CSaveMgr::SaveCheckpoint()
{
    // The picture is taken before the notice is drawn over the screen.
    CaptureThumbnail();
    ShowNotice(false);
    char name[32] = {};
    for (int n = 0; n < MAX_CHECKPOINTS; ++n)
    {
        std::snprintf(name, sizeof name, kCheckpointFormat, n);
        char path[MAX_PATH];
        SavePath(name, path, sizeof path);
        if (!FileOpens(path))
            break;
    }
    g_Mouse.SaveState();
    mouseState = g_Mouse.m_SavedState;
    SaveGame(name, false, nullptr);
    g_Mouse.RestoreState();
    ReleaseThumbnail();
}

bool CSaveMgr::FindLastCheckpoint(char* name, size_t size)
{
    bool found = false;
    SYSTEMTIME best = {};
    for (int n = 0; n < MAX_CHECKPOINTS; ++n)
    {
        char candidate[32];
        std::snprintf(candidate, sizeof candidate, kCheckpointFormat, n);
        char path[MAX_PATH];
        SavePath(candidate, path, sizeof path);
        SaveHeader header;
        if (!FileOpens(path) || !ReadHeader(path, &header) || header.version != SAVE_VERSION)
            continue;
        // Later numbers win a tie of times.
        if (!found || !Later(best, header.time))
        {
            found = true;
            best = header.time;
            std::snprintf(name, size, "%s", candidate);
        }
    }
    return found;
}

void CSaveMgr::LoadLastCheckpoint()
{
    if (g_Menu.m_bMenuActive)
        return;
    char name[32];
    if (!FindLastCheckpoint(name, sizeof name))
    {
        g_Console.Print("No checkpoints to load!");
        return;
    }
    ShowNotice(true);
    LoadGame(name);
}

// ---- Thumbnail and notice --------------------------------------------------------------

void CSaveMgr::CaptureThumbnail()
{
    ReleaseThumbnail();
    if (!CaptureBackBuffer(kThumbnailCapture))
        return;
    m_bThumbnail = thumbnail.LoadFromFile(kThumbnailCapture, false, THUMBNAIL_WIDTH, THUMBNAIL_HEIGHT) == 0;
    DeleteFileA(kThumbnailCapture);
}

void CSaveMgr::ReleaseThumbnail()
{
    thumbnail.Release();
    m_bThumbnail = 0;
}

void CSaveMgr::ShowNotice(bool loading)
{
    if (!g_pD3DInterface || !CaptureBackBuffer(kNoticeCapture))
        return;
    ESurface picture;
    const bool captured = picture.LoadFromFile(kNoticeCapture, true, 0, 0) == 0;
    DeleteFileA(kNoticeCapture);
    g_pD3DInterface->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(0xFF, 0, 0, 0), 1.0f, 0);
    if (captured)
    {
        picture.m_SourceRect = {0, 0, static_cast<LONG>(picture.m_ImageInfo.Width),
                                static_cast<LONG>(picture.m_ImageInfo.Height)};
        picture.SetPositionAndDraw(0, 0);
    }
    if (SUCCEEDED(g_pD3DInterface->BeginScene()))
    {
        g_Font.DrawText(g_TextMgr.GetText(loading ? ">S22" : ">SG01"), hud::X(kNoticeX), hud::Y(kNoticeY),
                        kNoticeColor, kNoticeSize, 0, true, false);
        g_pD3DInterface->EndScene();
    }
    g_pD3DInterface->Present(nullptr, nullptr, nullptr, nullptr);
}
