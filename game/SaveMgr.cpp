// CSaveMgr: saving and loading a save file, the section order, the final
// data and the screen after a load.
#include "game/SaveMgr.h"

#include "characters/KillCam.h"
#include "characters/PostacMgr.h"
#include "environment/FxMgr.h"
#include "environment/Mewy.h"
#include "game/CutScene.h"
#include "game/DialogueMgr.h"
#include "game/GameAI.h"
#include "game/MainGame.h"
#include "game/QuestSystem.h"
#include "game/SaveSections.h"
#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "player/ItemMgr.h"
#include "player/LaserMgr.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "render/Font.h"
#include "render/PostProcess.h"
#include "render/SkyLight.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/D3DMain.h"
#include "shell/GameOptions.h"
#include "shell/RecordBytes.h"
#include "shell/SaveFile.h"
#include "shell/TextMgr.h"
#include "shell/TextUtils.h"
#include "ui/HudLayout.h"
#include "ui/Menu.h"
#include "ui/Objective.h"
#include "ui/Panel.h"
#include "world/Camera.h"
#include "world/Engine.h"
#include "world/EngineObject.h"

#include <cmath>
#include <cstring>

CSaveMgr g_SaveMgr;

namespace
{
constexpr size_t kMouseStateBytes = 88;
constexpr DWORD kLevelFrameAfterLoad = 99;
constexpr float kScreenTextX = 512.0f;
constexpr float kScreenTextY = 320.0f;
constexpr float kScreenTextSize = 24.0f;
constexpr float kFadeInSeconds = 0.4f;
constexpr const char* kTempSuffix = ".tmp";
constexpr const char* kSaveFolderName = "save";

bool NoSection(FILE*)
{
    return true;
}

// The sections in file order. There are no tags or lengths between them: a
// reader takes exactly what its writer wrote.
const SaveSection kSections[] = {
    {"Engine", [](FILE* f) { return g_Engine.Save(f); }, [](FILE* f) { return g_Engine.Load(f); }},
    {"EngineObject", [](FILE* f) { return g_EngineObject.SaveAmbientSound(f); },
     [](FILE* f) { return g_EngineObject.LoadAmbientSound(f); }},
    {"MainGame", [](FILE* f) { return g_MainGame.Save(f); }, [](FILE* f) { return g_MainGame.Load(f); }},
    {"ItemMgr", [](FILE* f) { return ItemMgr.Save(f); }, [](FILE* f) { return ItemMgr.Load(f); }},
    {"Bronie", [](FILE* f) { return Bronie.Save(f); }, [](FILE* f) { return Bronie.Load(f); }},
    {"OBE", [](FILE* f) { return OBE.Save(f); }, [](FILE* f) { return OBE.Load(f); }},
    {"Player", [](FILE* f) { return Player.Save(f); }, [](FILE* f) { return Player.Load(f); }},
    // The camera's saved frames are taken at the save: the load restores them.
    {"Camera",
     [](FILE* f)
     {
         g_Camera.SaveFrames();
         return g_Camera.Save(f);
     },
     [](FILE* f) { return g_Camera.Load(f); }},
    {"PlantMgr", NoSection, NoSection},
    {"PostProcess", SaveSections::SavePostProcess, SaveSections::LoadPostProcess},
    {"PMgr", [](FILE* f) { return PMgr.Save(f); }, [](FILE* f) { return PMgr.Load(f); }},
    {"Dialogue", SaveSections::SaveDialogue, SaveSections::LoadDialogue},
    {"GameAI", [](FILE* f) { return g_GameAI.Save(f); }, [](FILE* f) { return g_GameAI.Load(f); }},
    {"QuestSystem", [](FILE* f) { return g_QuestSystem.Save(f); },
     [](FILE* f) { return g_QuestSystem.Load(f); }},
    {"FX", NoSection, NoSection},
    {"Panel", [](FILE* f) { return g_Panel.Save(f), true; }, [](FILE* f) { return g_Panel.Load(f), true; }},
    {"Objective", [](FILE* f) { return g_Objective.Save(f), true; },
     [](FILE* f) { return g_Objective.Load(f), true; }},
    {"Env", [](FILE* f) { return Env.SaveState(f); }, [](FILE* f) { return Env.LoadState(f); }},
};

void WriteTime(FILE* file, const SYSTEMTIME& t)
{
    const WORD parts[] = {t.wYear, t.wMonth,  t.wDayOfWeek, t.wDay,
                          t.wHour, t.wMinute, t.wSecond,    t.wMilliseconds};
    BYTE bytes[sizeof parts];
    for (size_t i = 0; i < std::size(parts); ++i)
    {
        bytes[2 * i] = static_cast<BYTE>(parts[i]);
        bytes[2 * i + 1] = static_cast<BYTE>(parts[i] >> 8);
    }
    WriteBytes(file, bytes, sizeof bytes);
}

bool ReadTime(FILE* file, SYSTEMTIME* t)
{
    BYTE b[16];
    if (!ReadBytes(file, b, sizeof b))
        return false;
    WORD* parts[] = {&t->wYear, &t->wMonth,  &t->wDayOfWeek, &t->wDay,
                     &t->wHour, &t->wMinute, &t->wSecond,    &t->wMilliseconds};
    for (size_t i = 0; i < std::size(parts); ++i)
        *parts[i] = static_cast<WORD>(b[2 * i] | (b[2 * i + 1] << 8));
    return true;
}

void MouseStateBytes(const EMouseState& s, BYTE* out)
{
    RecordOut r(out, kMouseStateBytes);
    // The button states are never carried into a save.
    const double values[] = {s.x, s.y, s.z, s.rawX, s.rawY, s.rawZ, s.dx, s.dy, s.dz, s.last};
    for (size_t i = 0; i < std::size(values); ++i)
        r.F64(8 + 8 * i, values[i]);
}

bool MouseStateFromBytes(const BYTE* in, EMouseState* s)
{
    const RecordIn r(in, kMouseStateBytes);
    double* values[] = {&s->x, &s->y, &s->z, &s->rawX, &s->rawY, &s->rawZ, &s->dx, &s->dy, &s->dz, &s->last};
    double read[std::size(values)];
    for (size_t i = 0; i < std::size(values); ++i)
    {
        read[i] = r.F64(8 + 8 * i);
        if (!std::isfinite(read[i]))
            return false;
    }
    for (size_t i = 0; i < std::size(values); ++i)
        *values[i] = read[i];
    for (BYTE& b : s->buttons)
        b = 0;
    return true;
}

bool IsQuickName(const char* name)
{
    return CompareNoCase(name, "_quick") == 0;
}

// Variables a load clears. Clearing one no script declared would only add
// it, so that a save loaded and saved again would not give the same bytes.
const char* const kUnsetAtLoad[] = {"Jen_captured", "mission_failed", "credits"};
void UnsetIfDeclared(const char* name)
{
    if (g_GameAI.FindVariable(name))
        g_GameAI.UnsetVariable(name, nullptr);
}

void ShowMessageKey(const char* key)
{
    g_Panel.ShowMessage(g_TextMgr.GetText(key), "", "");
}
} // namespace

const SaveSection* CSaveMgr::Sections(size_t& count)
{
    count = std::size(kSections);
    return kSections;
}

CSaveMgr::~CSaveMgr()
{
    ClearFileList();
}

void CSaveMgr::SavePath(const char* name, char* out, size_t size)
{
    std::snprintf(out, size, "%s%s.sav", SAVE_FOLDER, name ? name : "");
}

// ---- Saving ------------------------------------------------------------------------------

bool CSaveMgr::SaveGame(const char* name, bool quick, const char* description)
{
    if (!name || !name[0] || g_MainGame.halted || g_CutScene.m_bPlaying || PlayerStats.m_bDead ||
        g_Panel.m_bHold2 || PlayerStats.m_bMissionFailed)
        return false;
    if (g_Panel.WideScreen)
    {
        if (!g_Menu.m_bMenuActive)
            ShowMessageKey(">S19");
        return false;
    }
    char path[MAX_PATH];
    SavePath(name, path, sizeof path);
    if (std::strlen(path) + std::strlen(kTempSuffix) + 1 >= sizeof path)
    {
        g_Console.Print2("Can't open save output file ", path);
        ShowMessageKey(">S20");
        return false;
    }
    saveInProgress = 1;
    const char* text = description;
    if (quick || IsQuickName(name))
        text = QUICK_DESCRIPTION;
    else if (!text)
        text = g_GameAI.m_szLevelDisplayName;
    const bool ok = WriteSaveFile(path, text ? text : "");
    if (ok)
    {
        g_Panel.ClearSaveFlash();
        for (BYTE& b : g_Mouse.m_State.buttons)
            b = 0;
    }
    else
        ShowMessageKey(">S20");
    saveInProgress = 0;
    return ok;
}

bool CSaveMgr::WriteSaveFile(const char* path, const char* description)
{
    char temp[MAX_PATH];
    std::snprintf(temp, sizeof temp, "%s%s", path, kTempSuffix);
    // The thumbnail goes beside the save, also through a temporary file.
    char bmp[MAX_PATH], bmpTemp[MAX_PATH];
    std::snprintf(bmp, sizeof bmp, "%.*s.bmp", static_cast<int>(std::strlen(path) - 4), path);
    std::snprintf(bmpTemp, sizeof bmpTemp, "%s%s", bmp, kTempSuffix);

    // The settings files make the folder at start; a game run without them still saves.
    if (GetFileAttributesA(kSaveFolderName) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryA(kSaveFolderName, nullptr);
    FILE* file = TkFopen(temp, "wb");
    if (!file)
    {
        g_Console.Print2("Can't open save output file ", path);
        return false;
    }
    ResetSaveFileErrors();
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    WriteDword(file, version);
    WriteDword(file, static_cast<DWORD>(g_Options.Difficulty));
    WriteString(file, g_Engine.m_szWorld);
    WriteString(file, description);
    WriteTime(file, now);
    char line[64];
    for (const SaveSection& s : kSections)
    {
        g_dwBytesWritten = 0;
        if (!s.save(file))
            g_bSaveWriteFailed = true;
        std::snprintf(line, sizeof line, "%s saved: %u", s.name, g_dwBytesWritten);
        g_Console.Print(line);
    }
    g_dwBytesWritten = 0;
    BYTE mouse[kMouseStateBytes];
    MouseStateBytes(mouseState, mouse);
    WriteBytes(file, mouse, sizeof mouse);
    WriteDword(file, static_cast<DWORD>(g_Options.Difficulty));
    WriteFloat(file, g_Options.GlobalTimeSpeed);
    WriteBool(file, g_Options.DrawSkylightLitObjects);
    WriteBool(file, g_Options.DrawAmbientLitObjects);
    WriteBool(file, g_Options.UseSkyLight);
    WriteBool(file, g_Options.DrawWater);
    std::snprintf(line, sizeof line, "Final data saved: %u", g_dwBytesWritten);
    g_Console.Print(line);
    const bool written = !g_bSaveWriteFailed;
    if (!CloseSaveFile(file) || !written)
    {
        DeleteFileA(temp);
        g_Console.Print2("ERROR: the save could not be written, the old file is kept: ", path);
        return false;
    }
    if (!MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING))
    {
        DeleteFileA(temp);
        g_Console.Print2("ERROR: the save could not be written, the old file is kept: ", path);
        return false;
    }
    if (m_bThumbnail && thumbnail.m_pSurface)
    {
        if (SUCCEEDED(D3DXSaveSurfaceToFileA(bmpTemp, D3DXIFF_BMP, thumbnail.m_pSurface, nullptr, nullptr)) &&
            MoveFileExA(bmpTemp, bmp, MOVEFILE_REPLACE_EXISTING))
            return true;
        DeleteFileA(bmpTemp);
        g_Console.Print2("The thumbnail could not be written: ", bmp);
    }
    return true;
}

// ---- Loading -----------------------------------------------------------------------------

bool CSaveMgr::ReadHeader(const char* path, SaveHeader* header)
{
    FILE* file = TkFopen(path, "rb");
    if (!file)
        return false;
    ResetSaveFileErrors();
    bool ok = ReadDword(file, &header->version);
    if (ok && header->version == SAVE_VERSION)
    {
        ok = ReadDword(file, &header->difficulty) && ReadString(file, header->world) &&
             ReadString(file, header->description) && ReadTime(file, &header->time);
    }
    std::fclose(file);
    return ok;
}

bool CSaveMgr::CheckSaveFile(const char* name)
{
    if (!name || !name[0])
        return false;
    char path[MAX_PATH];
    SavePath(name, path, sizeof path);
    SaveHeader header;
    FILE* file = TkFopen(path, "rb");
    if (!file)
    {
        ShowMessageKey(">S13");
        return false;
    }
    std::fclose(file);
    if (!ReadHeader(path, &header) || header.version != SAVE_VERSION)
    {
        ShowMessageKey(">S14");
        return false;
    }
    return true;
}

bool CSaveMgr::LoadGame(const char* name)
{
    if (!name || !name[0])
        return false;
    char path[MAX_PATH];
    SavePath(name, path, sizeof path);
    g_Console.Print2("Loading ", path);
    // Everything is checked that can be before the running game is touched:
    // the file opens, holds this version and a whole header.
    FILE* file = TkFopen(path, "rb");
    if (!file)
    {
        ShowMessageKey(">S13");
        return false;
    }
    ResetSaveFileErrors();
    SaveHeader header;
    if (!ReadDword(file, &header.version) || header.version != SAVE_VERSION)
    {
        std::fclose(file);
        ShowMessageKey(">S14");
        char line[64];
        std::snprintf(line, sizeof line, "Save version invalid: %u", header.version);
        g_Console.Print(line);
        return false;
    }
    if (!ReadDword(file, &header.difficulty) || !ReadString(file, header.world) ||
        !ReadString(file, header.description) || !ReadTime(file, &header.time) || !header.world[0])
    {
        std::fclose(file);
        g_Console.Print2("The save's header is damaged: ", path);
        ShowMessageKey(">S14");
        return false;
    }

    const bool otherWorld = CompareNoCase(header.world, g_Engine.m_szWorld) != 0;
    FILE* world = otherWorld ? TkFopen(header.world, "rb") : nullptr;
    if (world)
        std::fclose(world);
    else if (otherWorld)
    {
        std::fclose(file);
        g_Console.Print2("The save's world does not exist: ", header.world);
        ShowMessageKey(">S13");
        return false;
    }

    for (const char* name : kUnsetAtLoad)
        UnsetIfDeclared(name);
    loadInProgress = 1;
    saveScreen = 0;
    ClearGameForLoad();
    loadingWorld = 1;
    saveScreen = 1;

    g_Options.Difficulty = static_cast<int>(header.difficulty);
    g_Console.Print3("Odczytano level \"", header.world, "\"");
    if (otherWorld)
    {
        g_Console.Print2("Starting world ", header.world);
        if (!g_Engine.StartWorld(header.world))
        {
            std::fclose(file);
            loadInProgress = 0;
            loadingWorld = 0;
            saveScreen = 0;
            m_bLoadedFromSave = 0;
            ShowMessageKey(">S13");
            g_MainGame.WorldStartFailed(header.world);
            return false;
        }
        g_MainGame.GeneratePaths();
        g_Console.Print("World started");
        g_MainGame.m_iLevelFrame = 0;
        g_MainGame.m_bWorldActive = 0;
        m_bLoadedFromSave = 1;
        Player.m_bUpdated = 0;
    }
    g_Console.Print("Load engine: ");
    const bool ok = ReadSections(file, path) && LoadFinalData(file);
    std::fclose(file);
    if (!ok)
    {
        FailAfterTearDown(header.world);
        return false;
    }
    FinishLoad();
    return true;
}

void CSaveMgr::ClearGameForLoad()
{
    m_bLoadedFromSave = 1;
    m_iFramesSinceLevelStart = 0;
    g_MainGame.m_iLevelFrame = kLevelFrameAfterLoad;
    Bronie.PutAwayCurrent();
    Bronie.ClearSlots();
    g_Options.FOV = g_Options.FOV2;
    PMgr.ClearAlarms();
    PMgr.DeleteAllCharacters();
    FX.ReleaseAllFx();
    g_LaserMgr.ClearBeams();
    ItemMgr.DeleteAllItems();
    g_GameAI.FreeVariables();
    g_DialogueMgr.StopAll();
    // The black-and-white object effect goes; the save's own state comes
    // back with its "PostProcess" section.
    PostProcess.DisableObjectEffect(1);
}

bool CSaveMgr::ReadSections(FILE* file, const char* path)
{
    char line[MAX_PATH + 64];
    for (const SaveSection& s : kSections)
    {
        g_dwBytesRead = 0;
        g_bSaveReadFailed = false;
        const bool ok = s.load(file) && !g_bSaveReadFailed;
        std::snprintf(line, sizeof line, "%s loaded: %u", s.name, g_dwBytesRead);
        g_Console.Print(line);
        if (!ok)
        {
            std::snprintf(line, sizeof line, "ERROR: the save's section %s could not be read: %s", s.name,
                          path);
            g_Console.Print(line);
            return false;
        }
    }
    return true;
}

bool CSaveMgr::LoadFinalData(FILE* file)
{
    g_dwBytesRead = 0;
    g_bSaveReadFailed = false;
    BYTE mouse[kMouseStateBytes];
    DWORD difficulty = 0;
    float timeSpeed = 1.0f;
    BYTE switches[4] = {};
    bool ok =
        ReadBytes(file, mouse, sizeof mouse) && ReadDword(file, &difficulty) && ReadFloat(file, &timeSpeed);
    for (BYTE& b : switches)
        ok = ok && ReadBool(file, &b);
    EMouseState state = mouseState;
    ok = ok && std::isfinite(timeSpeed) && timeSpeed >= 0.0f && MouseStateFromBytes(mouse, &state);
    char line[64];
    std::snprintf(line, sizeof line, "Final data loaded: %u", g_dwBytesRead);
    g_Console.Print(line);
    if (!ok)
    {
        g_Console.Print("ERROR: the save's final data could not be read");
        return false;
    }
    mouseState = state;
    g_Mouse.m_SavedState = state;
    g_Options.Difficulty = static_cast<int>(difficulty);
    g_Options.GlobalTimeSpeed = timeSpeed;
    g_Options.DrawSkylightLitObjects = switches[0];
    g_Options.DrawAmbientLitObjects = switches[1];
    g_Options.UseSkyLight = switches[2];
    g_Options.DrawWater = switches[3];
    return true;
}

void CSaveMgr::FinishLoad()
{
    g_Engine.m_fDeltaTime = 0.0f;
    timeSinceLoad = 0.0f;
    g_Mouse.RestoreState();
    g_Camera.RestoreFrames();
    PMgr.ClearAlarms();
    g_Mewy.Clear();
    g_Camera.UpdateProjection();
    for (BYTE& b : g_Mouse.m_State.buttons)
        b = 0;
    g_CommandMgr.ClearKeyboardState();
    loadInProgress = 0;
    loadingWorld = 0;
    g_Panel.WideScreen = 0;
    g_Panel.m_bHold1 = 0;
    PlayerStats.m_bMissionFailed = 0;
    g_Options.UpdateBezier = 1;
    g_Options.UpdateModels = 1;
    UnsetIfDeclared(kUnsetAtLoad[0]);
}

void CSaveMgr::FailAfterTearDown(const char* world)
{
    // The running game was already emptied: nothing half-read may be played.
    // The level scripts are read again (their declarations return) and the
    // saved world starts afresh.
    g_Console.Print2("The save could not be loaded; the world starts afresh: ", world);
    ShowMessageKey(">S14");
    g_GameAI.Init();
    loadInProgress = 0;
    loadingWorld = 0;
    saveScreen = 0;
    m_bLoadedFromSave = 0;
    g_Options.GlobalTimeSpeed = 1.0f;
    g_Engine.RequestWorldChange(g_Engine.m_szWorld[0] ? g_Engine.m_szWorld : world);
}

// ---- Frame -------------------------------------------------------------------------------

void CSaveMgr::ResetFlags()
{
    pendingCheckpoint = 0;
    saveScreen = 0;
}

void CSaveMgr::Update()
{
    DoPendingCheckpoint();
    if (m_bLoadedFromSave && m_iFramesSinceLevelStart >= TIME_SINCE_LOAD_FROM_FRAME && !saveScreen)
        timeSinceLoad += g_Engine.m_fDeltaTime;
}

void CSaveMgr::UpdateScreen()
{
    if (!saveScreen || !g_CommandMgr.IsCommandDown(CMD_CONTINUE))
        return;
    saveScreen = 0;
    g_CommandMgr.SetFireLatch();
    g_Panel.m_bHold1 = 0;
    g_Panel.m_bHold2 = 0;
    g_Panel.FadeIn(kFadeInSeconds);
}

void CSaveMgr::RenderScreen()
{
    if (!saveScreen || !g_pD3DInterface)
        return;
    g_pD3DInterface->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(0xFF, 0, 0, 0), 1.0f, 0);
    char text[256];
    std::snprintf(text, sizeof text, "%s %s %s.", g_TextMgr.GetText(">S15"), g_TextMgr.GetText(">G01"),
                  g_TextMgr.GetText(">K09"));
    g_Font.DrawText(text, hud::X(kScreenTextX), hud::Y(kScreenTextY), g_Panel.m_dwMainColor, kScreenTextSize,
                    0, true, false);
}
