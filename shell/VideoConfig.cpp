// The video options: "save\video.cfg" (members of D3DMain) and the dialog
// that sets them (dialog 135 of the launcher).
//
// Where each option lives in g_Options:
//   fast mode                        PostProcessOff (0: Realistic)
//   point-light shadows              VideoOptionA
//   the always-set byte              VideoOptionC
//   real-time water reflection       VideoOptionD
//   animated-model texture quality   VideoLevel1
//   shadow quality                   VideoLevel2
//   world texture quality            VideoLevel3
//   water reflection quality         VideoLevel4
//   and DrawNotImportant, DrawGrass, DrawBirds, DrawDust, AOEnable.
#include "shell/D3DMain.h"

#include "platform/win32/Dialog.h"
#include "shell/Console.h"
#include "shell/GameOptions.h"
#include "shell/Launcher.h"
#include "shell/RecordBytes.h"
#include "shell/SettingsFile.h"
#include "shell/TextMgr.h"
#include "shell/WinMain.h"

#include <cstdio>

namespace
{
const char* const kVideoFile = "save\\video.cfg";

// "save\video.cfg": the version, then the fields in this order.
constexpr size_t kVideoFileBytes = 29;
constexpr size_t kDrawNotImportantAt = 4;
constexpr size_t kPointLightShadowsAt = 5;
constexpr size_t kAlwaysSetAt = 6;
constexpr size_t kWaterReflectionAt = 7;
constexpr size_t kAnimatedTextureQualityAt = 8;
constexpr size_t kShadowQualityAt = 12;
constexpr size_t kWorldTextureQualityAt = 16;
constexpr size_t kWaterQualityAt = 20;
constexpr size_t kDrawGrassAt = 24;
constexpr size_t kDrawBirdsAt = 25;
constexpr size_t kDrawDustAt = 26;
constexpr size_t kAmbientOcclusionAt = 27;
constexpr size_t kFastAt = 28;
static_assert(kFastAt + 1 == kVideoFileBytes);

struct CheckOption
{
    int id;
    const char* textKey;
    BYTE* option;
};

const CheckOption kCheckOptions[] = {
    {IDC_POINT_LIGHT_SHADOWS, ">MV01", &g_Options.VideoOptionA},
    {IDC_AMBIENT_OCCLUSION, ">MV02", &g_Options.AOEnable},
    {IDC_WATER_REFLECTION, ">MV05", &g_Options.VideoOptionD},
    {IDC_GRASS, ">MV19", &g_Options.DrawGrass},
    {IDC_BIRDS, ">MV20", &g_Options.DrawBirds},
    {IDC_DUST, ">MV22", &g_Options.DrawDust},
};

struct QualityOption
{
    int id;
    int labelId;
    const char* labelKey;
    const char* const* entryKeys; // three
    DWORD* level;
};

const char* const kShadowEntries[] = {">Lv01", ">Lv02", ">Lv03"};
const char* const kTextureEntries[] = {">Lv04", ">Lv05", ">Lv06"};
constexpr int kQualityEntries = 3;

const QualityOption kQualityOptions[] = {
    {IDC_SHADOW_QUALITY, IDC_SHADOW_QUALITY_LABEL, ">G28", kShadowEntries, &g_Options.VideoLevel2},
    {IDC_WORLD_TEXTURE_QUALITY, IDC_WORLD_TEXTURE_QUALITY_LABEL, ">G29", kTextureEntries,
     &g_Options.VideoLevel3},
    {IDC_ANIMATED_TEXTURE_QUALITY, IDC_ANIMATED_TEXTURE_QUALITY_LABEL, ">G30", kTextureEntries,
     &g_Options.VideoLevel1},
    {IDC_WATER_QUALITY, IDC_WATER_QUALITY_LABEL, ">G31", kTextureEntries, &g_Options.VideoLevel4},
};

// The expensive effects that Fast mode switches off.
const int kExpensiveEffects[] = {IDC_POINT_LIGHT_SHADOWS, IDC_AMBIENT_OCCLUSION, IDC_WATER_REFLECTION};

// A quality level is one of the three entries of its list; any other number
// takes the first, with a console line.
DWORD CheckedLevel(DWORD level, const char* name)
{
    if (level < static_cast<DWORD>(kQualityEntries))
        return level;
    char line[EConsole::PRINT_MAX + 1];
    std::snprintf(line, sizeof line, "ERROR in D3DMain::LoadVideoConfig(): %s: %s %u out of range, 0 used",
                  kVideoFile, name, static_cast<unsigned>(level));
    g_Console.Print(line);
    return 0;
}

void SetText(HWND dialog, int id, const char* textKey)
{
    SetDlgItemTextA(dialog, id, g_TextMgr.GetText(textKey));
}
} // namespace

// ---- "save\video.cfg" ------------------------------------------------------------------
bool D3DMain::LoadVideoConfig()
{
    // One byte more than a whole file tells a longer one apart.
    BYTE data[kVideoFileBytes + 1];
    size_t size = 0;
    if (!ReadSettingsFile(kVideoFile, data, sizeof data, &size))
    {
        SetDefaultVideoOptions();
        return false;
    }
    const RecordIn in(data, size);
    const char* problem = nullptr;
    if (size < 4 || in.U32(0) != m_dwVersion)
        problem = " is of another version; default video options written";
    else if (size < kVideoFileBytes)
        problem = " is cut short; default video options written";
    if (problem)
    {
        g_Console.Print3("ERROR in D3DMain::LoadVideoConfig(): ", kVideoFile, problem);
        SetDefaultVideoOptions();
        return false;
    }
    if (size > kVideoFileBytes)
        g_Console.Print3("ERROR in D3DMain::LoadVideoConfig(): ", kVideoFile,
                         " is too long; the rest is ignored");
    g_Options.DrawNotImportant = in.U8(kDrawNotImportantAt);
    g_Options.VideoOptionA = in.U8(kPointLightShadowsAt);
    g_Options.VideoOptionC = in.U8(kAlwaysSetAt);
    g_Options.VideoOptionD = in.U8(kWaterReflectionAt);
    g_Options.VideoLevel1 = CheckedLevel(in.U32(kAnimatedTextureQualityAt), "animated-model texture quality");
    g_Options.VideoLevel2 = CheckedLevel(in.U32(kShadowQualityAt), "shadow quality");
    g_Options.VideoLevel3 = CheckedLevel(in.U32(kWorldTextureQualityAt), "world texture quality");
    g_Options.VideoLevel4 = CheckedLevel(in.U32(kWaterQualityAt), "water reflection quality");
    g_Options.DrawGrass = in.U8(kDrawGrassAt);
    g_Options.DrawBirds = in.U8(kDrawBirdsAt);
    g_Options.DrawDust = in.U8(kDrawDustAt);
    g_Options.AOEnable = in.U8(kAmbientOcclusionAt);
    g_Options.PostProcessOff = in.U8(kFastAt);
    g_Options.VideoOptionC = 1;
    return true;
}

void D3DMain::SaveVideoConfig()
{
    BYTE data[kVideoFileBytes];
    RecordOut out(data, sizeof data);
    out.U32(0, m_dwVersion);
    out.U8(kDrawNotImportantAt, g_Options.DrawNotImportant);
    out.U8(kPointLightShadowsAt, g_Options.VideoOptionA);
    out.U8(kAlwaysSetAt, g_Options.VideoOptionC);
    out.U8(kWaterReflectionAt, g_Options.VideoOptionD);
    out.U32(kAnimatedTextureQualityAt, g_Options.VideoLevel1);
    out.U32(kShadowQualityAt, g_Options.VideoLevel2);
    out.U32(kWorldTextureQualityAt, g_Options.VideoLevel3);
    out.U32(kWaterQualityAt, g_Options.VideoLevel4);
    out.U8(kDrawGrassAt, g_Options.DrawGrass);
    out.U8(kDrawBirdsAt, g_Options.DrawBirds);
    out.U8(kDrawDustAt, g_Options.DrawDust);
    out.U8(kAmbientOcclusionAt, g_Options.AOEnable);
    out.U8(kFastAt, g_Options.PostProcessOff);

    if (!WriteSettingsFile(kVideoFile, data, sizeof data))
        g_Console.Print3("ERROR in D3DMain::SaveVideoConfig(): ", kVideoFile, " could not be written");
}

void D3DMain::SetDefaultVideoOptions()
{
    g_Options.DrawNotImportant = 1;
    g_Options.VideoOptionA = 1;
    g_Options.VideoOptionC = 1;
    g_Options.VideoOptionD = 1;
    g_Options.VideoLevel1 = 0;
    g_Options.VideoLevel2 = 0;
    g_Options.VideoLevel3 = 0;
    g_Options.VideoLevel4 = 0;
    SaveVideoConfig();
}

// ---- The video-options dialog -------------------------------------------------------------
void FillVideoOptionsDialog(HWND dialog)
{
    SetWindowTextA(dialog, g_TextMgr.GetText(">MOVideo"));
    SetText(dialog, IDC_QUALITY_LABEL, ">G27");
    SetText(dialog, IDC_REALISTIC, ">MV23");
    SetText(dialog, IDC_FAST, ">MV24");
    SetText(dialog, IDC_VIDEO_OK, ">MMOK");

    const bool fast = g_Options.PostProcessOff != 0;
    if (fast)
    {
        g_Options.VideoOptionA = 0;
        g_Options.AOEnable = 0;
        g_Options.VideoOptionD = 0;
    }
    for (const CheckOption& c : kCheckOptions)
    {
        SetText(dialog, c.id, c.textKey);
        CheckDlgButton(dialog, c.id, *c.option ? BST_CHECKED : BST_UNCHECKED);
    }
    for (int id : kExpensiveEffects)
        EnableWindow(GetDlgItem(dialog, id), fast ? FALSE : TRUE);
    CheckRadioButton(dialog, IDC_REALISTIC, IDC_FAST, fast ? IDC_FAST : IDC_REALISTIC);

    for (const QualityOption& q : kQualityOptions)
    {
        SetText(dialog, q.labelId, q.labelKey);
        SendDlgItemMessageA(dialog, q.id, CB_RESETCONTENT, 0, 0);
        for (int i = 0; i < kQualityEntries; ++i)
            SendDlgItemMessageA(dialog, q.id, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(g_TextMgr.GetText(q.entryKeys[i])));
        // A level outside the list (from an edited file) shows no entry and stays.
        SendDlgItemMessageA(dialog, q.id, CB_SETCURSEL, static_cast<WPARAM>(*q.level), 0);
    }
    g_Options.VideoOptionC = 1;
}

INT_PTR CALLBACK VideoOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
    {
        FillVideoOptionsDialog(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    const int id = LOWORD(wParam);
    const WORD notification = HIWORD(wParam);
    if (notification == CBN_SELCHANGE)
    {
        for (const QualityOption& q : kQualityOptions)
            if (q.id == id)
            {
                const LRESULT chosen = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
                if (chosen >= 0 && chosen < kQualityEntries)
                    *q.level = static_cast<DWORD>(chosen);
                return TRUE;
            }
        return FALSE;
    }
    if (notification != BN_CLICKED)
        return FALSE;
    if (id == IDC_REALISTIC || id == IDC_FAST)
    {
        g_Options.PostProcessOff = id == IDC_FAST ? 1 : 0;
        FillVideoOptionsDialog(dialog);
        return TRUE;
    }
    for (const CheckOption& c : kCheckOptions)
        if (c.id == id)
        {
            *c.option = IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0;
            return TRUE;
        }
    if (id == IDC_VIDEO_OK || id == IDCANCEL) // OK, or the close box
    {
        g_bLauncherExit = 0;
        g_bShowLauncher = 1;
        g_bShowVideoOptions = 0;
        g_D3DMain.SaveVideoConfig();
        EndDialog(dialog, IDC_VIDEO_OK);
        return TRUE;
    }
    return FALSE;
}
