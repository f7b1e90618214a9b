// The settings: one setter by name for "tk.cfg", typed console lines, "exec"
// files and scripts. Most names write a field of g_Options; the others write a
// field of another manager or run an action. The chain below is walked in
// order and every rule whose name matches applies, so a name listed twice
// applies both.

#include "characters/PostacMgr.h"
#include "game/BezierCamera.h"
#include "game/CutScene.h"
#include "player/ItemMgr.h"
#include "player/Player.h"
#include "player/PlayerWeapons.h"
#include "render/PostProcess.h"
#include "render/Renderer.h"
#include "render/SkyLight.h"
#include "render/SkyLights.h"
#include "shell/Console.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/Profiler.h"
#include "shell/TextUtils.h"
#include "ui/Panel.h"
#include "platform/win32/Path.h"
#include "world/Camera.h"
#include "world/Engine.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

namespace
{
// ---- Numbers in the C locale ---------------------------------------------------

const char* SkipBlanks(const char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    if (*text == '+' && text[1] != '-')
        ++text;
    return text;
}

// The decimal number at the start of the text (what follows is ignored), as
// the C library reads it but independent of the locale. False, with 0, when
// the text does not begin with a finite number.
bool ParseDecimal(const char* text, double* out)
{
    *out = 0.0;
    const char* p = SkipBlanks(text);
    const char* end = p + std::strlen(p);
    double value = 0.0;
    const std::from_chars_result r = std::from_chars(p, end, value);
    if (r.ptr == p)
        return false;
    if (r.ec == std::errc::result_out_of_range)
    {
        // Too large keeps its sign at the largest float; too small is 0.
        const char* e = std::find_if(p, r.ptr, [](char c) { return c == 'e' || c == 'E'; });
        bool tiny = true;
        if (e != r.ptr)
            tiny = e[1] == '-';
        else
            for (const char* q = p; q < r.ptr && *q != '.'; ++q)
                if (*q >= '1' && *q <= '9')
                {
                    tiny = false;
                    break;
                }
        value = tiny ? 0.0 : FLT_MAX;
        if (*p == '-')
            value = -value;
    }
    if (!std::isfinite(value))
        return false;
    *out = value;
    return true;
}

// The integer at the start of the text, as atoi reads it, clamped to int.
int ParseInteger(const char* text)
{
    const char* p = SkipBlanks(text);
    long long value = 0;
    const std::from_chars_result r = std::from_chars(p, p + std::strlen(p), value);
    if (r.ptr == p)
        return 0;
    if (r.ec == std::errc::result_out_of_range)
        return *p == '-' ? INT_MIN : INT_MAX;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

float ToFloat(double v)
{
    if (v > FLT_MAX)
        return FLT_MAX;
    if (v < -FLT_MAX)
        return -FLT_MAX;
    return static_cast<float>(v);
}

// ---- The chain -------------------------------------------------------------------

struct SettingCall
{
    EConsole& console;
    const char* value; // the value text, trimmed
    float number;      // its decimal value (0 when it is no number)
    int integer;       // its integer value
    BYTE fromConfig;
};

// Runs a setting's effect; true ends the chain.
typedef bool (*SettingAction)(const SettingCall& call);

enum class Needs
{
    Nothing, // acts whatever the value
    Number,
    Text,
};

struct SettingRule
{
    const char* name;
    BYTE* byteField;
    int* intField;
    float* floatField;
    SettingAction action;
    Needs needs;
};

constexpr SettingRule Byte(const char* name, BYTE* field)
{
    return {name, field, nullptr, nullptr, nullptr, Needs::Number};
}

constexpr SettingRule Int(const char* name, int* field)
{
    return {name, nullptr, field, nullptr, nullptr, Needs::Number};
}

constexpr SettingRule Float(const char* name, float* field)
{
    return {name, nullptr, nullptr, field, nullptr, Needs::Number};
}

constexpr SettingRule Act(const char* name, SettingAction action, Needs needs = Needs::Number)
{
    return {name, nullptr, nullptr, nullptr, action, needs};
}

float NumberOf(const char* text)
{
    double v = 0.0;
    ParseDecimal(text, &v);
    return ToFloat(v);
}

// The three words of a value as three numbers.
void ThreeNumbers(const char* value, float out[3])
{
    for (int i = 0; i < 3; ++i)
    {
        char word[TEXT_LINE_LIMIT];
        std::snprintf(word, sizeof word, "%s", GetToken(value, i));
        out[i] = NumberOf(word);
    }
}

// A colour setting given as three numbers "r g b": each goes to its channel's setter.
void SetColourChannels(const char* value, void (ESkyLight::*r)(float), void (ESkyLight::*g)(float),
                       void (ESkyLight::*b)(float))
{
    float rgb[3];
    ThreeNumbers(value, rgb);
    (Env.*r)(rgb[0]);
    (Env.*g)(rgb[1]);
    (Env.*b)(rgb[2]);
}

// The forward axis of an orientation built from yaw and pitch in degrees
// (roll 0): the third row of the yaw-pitch-roll rotation matrix.
D3DVECTOR ForwardFromDegrees(float yawDegrees, float pitchDegrees)
{
    constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
    const double yaw = static_cast<double>(yawDegrees) * kRadiansPerDegree;
    const double pitch = static_cast<double>(pitchDegrees) * kRadiansPerDegree;
    return D3DVECTOR{static_cast<float>(std::sin(yaw) * std::cos(pitch)),
                     static_cast<float>(-std::sin(pitch)),
                     static_cast<float>(std::cos(yaw) * std::cos(pitch))};
}

D3DVECTOR DirectionFromVariables(EConsole& console, const char* yawName, const char* pitchName)
{
    float yaw = 0.0f;
    float pitch = 0.0f;
    console.GetVariable(yawName, &yaw);
    console.GetVariable(pitchName, &pitch);
    return ForwardFromDegrees(yaw, pitch);
}

WeaponView* CurrentWeaponView()
{
    return Bronie.m_pWeaponView;
}

bool SetOffset(int i, float value)
{
    if (WeaponView* view = CurrentWeaponView())
        view->offset[i] = value;
    return false;
}

bool SetAngle(int i, float value)
{
    if (WeaponView* view = CurrentWeaponView())
        view->angle[i] = value;
    return false;
}

const SettingRule SETTINGS[] = {
    Act("credits", [](const SettingCall&) { return false; }, Needs::Nothing),
    Byte("RepairMultiData", &g_Options.RepairMultiData),
    Byte("NormalOnly", &PostProcess.NormalOnly),
    Int("InstancesBoundary", &g_Renderer.m_iInstancesBoundary),
    Act("VPLR",
        [](const SettingCall& c) {
            g_SkyLights.m_fColorScale[0] = c.number / 255.0f;
            return false;
        }),
    Act("VPLG",
        [](const SettingCall& c) {
            g_SkyLights.m_fColorScale[1] = c.number / 255.0f;
            return false;
        }),
    Act("VPLB",
        [](const SettingCall& c) {
            g_SkyLights.m_fColorScale[2] = c.number / 255.0f;
            return false;
        }),
    Byte("RecalculateLights", &g_SkyLights.m_bPickEveryFrame),
    Byte("DrawVPL", &g_Options.DrawVPL),
    Float("PhysicsDisableDistance", &g_Options.PhysicsDisableDistance),
    Act("FogMax",
        [](const SettingCall& c) {
            Env.SetFogMax(c.number);
            return false;
        }),
    Float("FogDistCoef", &PostProcess.FogDistCoef),
    Byte("UpdatePhysics", &g_Options.UpdatePhysics),
    Float("SkyFogHeight", &Env.SkyFogHeight),
    Float("SkyFogCoef", &Env.SkyFogCoef),
    Float("SNumSamples", &PostProcess.SNumSamples),
    Float("SDensity", &PostProcess.SDensity),
    Float("SWeight", &PostProcess.SWeight),
    Float("SDecay", &PostProcess.SDecay),
    Float("SExposure", &PostProcess.SExposure),
    Int("Disable", &g_Options.Disable),
    Byte("Windowed", &g_Options.Windowed),
    Float("ASDist", &g_Options.ASDist),
    Float("ASLim", &g_Options.ASLim),
    Byte("UseLod", &g_Options.UseLod),
    Byte("UsePVS", &g_Options.UsePVS),
    Byte("UseOPT", &g_Options.UseOPT),
    Act("DeleteNotImportant",
        [](const SettingCall& c) {
            if (c.integer)
                c.console.PrintInt("Deleted NotImportant: ", g_Engine.DeleteNotImportantObjects());
            return false;
        }),
    Act("DeleteWindows",
        [](const SettingCall& c) {
            if (c.integer)
                c.console.PrintInt("Deleted windows: ", g_Engine.DeleteWindowObjects());
            return false;
        }),
    Float("Desaturacja", &PostProcess.Desaturacja),
    Int("Profiler", &g_Profiler.m_iReport),
    Byte("DrawMultitextures", &g_Options.DrawMultitextures),
    Byte("DrawDust", &g_Options.DrawDust),
    Byte("DrawBirds", &g_Options.DrawBirds),
    Byte("DrawWires", &g_Options.DrawWires),
    Byte("DrawTerrain", &g_Options.DrawTerrain),
    Int("Difficulty", &g_Options.Difficulty),
    Act("developer",
        [](const SettingCall& c) {
            g_Options.developer = c.integer ? 1 : 0;
            c.console.Print(g_Options.developer ? "Developer system enabled." : "Developer system disabled.");
            return false;
        }),
    Byte("HDRMeasureLuminance", &PostProcess.HDRMeasureLuminance),
    Float("HDRTargetLuminance", &PostProcess.HDRTargetLuminance),
    Float("HDRSpeed", &PostProcess.HDRSpeed),
    Byte("DrawPhysics", &g_Options.DrawPhysics),
    Byte("DrawTextures", &g_Options.DrawTextures),
    Byte("RecalculateOccluders", &g_Options.RecalculateOccluders),
    Act("CombatMode",
        [](const SettingCall& c) {
            Player.SetCombatMode(c.integer != 0);
            return false;
        }),
    Act(
        "Teleport",
        [](const SettingCall& c) {
            if (HOBJECT object = g_Engine.FindObject(c.value, 0))
            {
                D3DVECTOR position = {0.0f, 0.0f, 0.0f};
                g_Engine.GetObjectPosition(object, &position);
                position.y += 64.0f;
                Player.TeleportTo(&position);
            }
            return false;
        },
        Needs::Text),
    Act("WipeOut",
        [](const SettingCall& c) {
            g_Engine.WipeOut(c.number);
            return true;
        }),
    Act(
        "Gimme",
        [](const SettingCall& c) {
            ItemMgr.GiveItem(c.value, 1);
            return false;
        },
        Needs::Text),
    Act("Health",
        [](const SettingCall& c) {
            Player.SetHealth(c.number);
            return false;
        }),
    Byte("God", &g_Options.God),
    Byte("mucha", &g_Options.mucha),
    Act("SectorShow",
        [](const SettingCall& c) {
            if (c.integer)
                g_Engine.SetSectorHidden(static_cast<DWORD>(c.integer), 0);
            return false;
        }),
    Act("SectorHide",
        [](const SettingCall& c) {
            if (c.integer)
                g_Engine.SetSectorHidden(static_cast<DWORD>(c.integer), 1);
            return false;
        }),
    Act(
        "SectorShowAll",
        [](const SettingCall&) {
            for (DWORD n = 0; n < 256; ++n)
                g_Engine.SetSectorHidden(n, 0);
            return false;
        },
        Needs::Nothing),
    Byte("AOEnable", &g_Options.AOEnable),
    Byte("AODrawSurface", &g_Options.AODrawSurface),
    Act("AODepth",
        [](const SettingCall& c) {
            PostProcess.SetAODepth(c.number);
            return false;
        }),
    Act("AOIntensity",
        [](const SettingCall& c) {
            PostProcess.SetAOIntensity(c.number);
            return false;
        }),
    Byte("AORenderScene", &PostProcess.AORenderScene),
    Byte("DrawCharacterTextures", &g_Options.DrawCharacterTextures),
    Byte("DrawGrass", &g_Options.DrawGrass),
    Byte("RaportUndefinedTextures", &g_Options.RaportUndefinedTextures),
    Byte("RaportDoubleTextures", &g_Options.RaportDoubleTextures),
    Byte("DrawAmbientLitObjects", &g_Options.DrawAmbientLitObjects),
    Byte("DrawSkylightLitObjects", &g_Options.DrawSkylightLitObjects),
    Float("SkinmeshLightCoef", &g_Options.SkinmeshLightCoef),
    Byte("DrawProjectors", &g_Options.DrawProjectors),
    Act("BloomCone",
        [](const SettingCall& c) {
            float cone = 0.0f;
            float power = 0.0f;
            c.console.GetVariable("BloomCone", &cone);
            c.console.GetVariable("BloomPower", &power);
            ESkyLight::SetBloom(cone, power);
            return false;
        }),
    Act("BloomPower",
        [](const SettingCall& c) {
            float cone = 0.0f;
            float power = 0.0f;
            c.console.GetVariable("BloomCone", &cone);
            c.console.GetVariable("BloomPower", &power);
            ESkyLight::SetBloom(cone, power);
            return false;
        }),
    Act(
        "CutScene",
        [](const SettingCall& c) {
            g_CutScene.Start(c.value);
            return true;
        },
        Needs::Text),
    Act(
        "BezierCamera",
        [](const SettingCall& c) {
            g_BezierCamera.Start(c.value);
            return false;
        },
        Needs::Text),
    Act(
        "DeleteDead",
        [](const SettingCall&) {
            PMgr.DeleteDeadCharacters();
            return true;
        },
        Needs::Nothing),
    Act(
        "Action",
        [](const SettingCall& c) {
            g_Engine.RunObjectAction(c.value, 0);
            return true;
        },
        Needs::Text),
    Act("BronX", [](const SettingCall& c) { return SetOffset(0, c.number); }),
    Act("BronAX", [](const SettingCall& c) { return SetAngle(0, c.number); }),
    Act("BronY", [](const SettingCall& c) { return SetOffset(1, c.number); }),
    Act("BronAY", [](const SettingCall& c) { return SetAngle(1, c.number); }),
    Act("BronZ", [](const SettingCall& c) { return SetOffset(2, c.number); }),
    Act("BronAZ", [](const SettingCall& c) { return SetAngle(2, c.number); }),
    Act("BronRX", [](const SettingCall& c) { return SetOffset(2, c.number); }),
    Act("BronRAX", [](const SettingCall& c) { return SetAngle(0, c.number); }),
    Act("BronRY", [](const SettingCall& c) { return SetOffset(0, c.number); }),
    Act("BronRAY", [](const SettingCall& c) { return SetOffset(1, c.number); }),
    Byte("PrintShakeScreenDistance", &g_Options.PrintShakeScreenDistance),
    Byte("DrawStickMarkers", &g_Options.DrawStickMarkers),
    Byte("DrawNotImportant", &g_Options.DrawNotImportant),
    Byte("DrawDetail", &g_Options.DrawDetail),
    Byte("RecalculateSkyLightEveryFrame", &g_Options.RecalculateSkyLightEveryFrame),
    Byte("Demo", &g_Options.Demo),
    Byte("RaportVariables", &g_Options.RaportVariables),
    Byte("LoadOneLevelTextureOnly", &g_Options.LoadOneLevelTextureOnly),
    Byte("WideScreen", &g_Panel.WideScreen),
    Byte("AddFX", &g_Options.AddFX),
    Float("SkyLightPower", &Env.SkyLightPower),
    Float("LightPowerMultiplier", &g_Options.LightPowerMultiplier),
    Byte("UpdateBezier", &g_Options.UpdateBezier),
    Byte("UpdateModels", &g_Options.UpdateModels),
    Byte("UpdatePMgr", &g_Options.UpdatePMgr),
    Byte("DrawModels", &g_Options.DrawModels),
    Byte("UpdateObjects", &g_Options.UpdateObjects),
    Byte("UpdateObjectsLoop", &g_Options.UpdateObjectsLoop),
    Byte("UpdateObjectsLinked", &g_Options.UpdateObjectsLinked),
    Byte("DrawFX", &g_Options.DrawFX),
    Byte("DrawWorld", &g_Options.DrawWorld),
    Byte("DebugPerformance", &g_Options.DebugPerformance),
    Act("DebugLights",
        [](const SettingCall& c) {
            // The decimal value truncated, not the integer reading of the text.
            const float v = c.number;
            g_Options.DebugLights = v >= 2147483520.0f ? INT_MAX : v <= -2147483648.0f ? INT_MIN : static_cast<int>(v);
            return false;
        }),
    Byte("DebugVM", &g_Options.DebugVM),
    Byte("DebugCharacters", &g_Options.DebugCharacters),
    Byte("DebugHeroLights", &g_Options.DebugHeroLights),
    Byte("RecalculateCamera", &g_Options.RecalculateCamera),
    Byte("RecalculateSkyShadow", &g_Options.RecalculateSkyShadow),
    Byte("UseSkyLight", &g_Options.UseSkyLight),
    Int("NumApprovedLights", &g_Options.NumApprovedLights),
    Act("FOV",
        [](const SettingCall& c) {
            g_Options.FOV = c.number;
            g_Options.FOV2 = c.number;
            g_Camera.UpdateProjection();
            return false;
        }),
    Int("screenwidth", &g_Options.screenwidth),
    Int("screenheight", &g_Options.screenheight),
    Act(
        "runworld",
        [](const SettingCall& c) {
            if (std::strlen(c.value) >= sizeof g_Options.runworld)
                c.console.PrintInt("ERROR in EConsole::ApplySetting(): runworld name cut to characters: ",
                                   static_cast<int>(sizeof g_Options.runworld - 1));
            std::snprintf(g_Options.runworld, sizeof g_Options.runworld, "%s", c.value);
            if (!c.fromConfig)
                g_Engine.RequestWorldChange(g_Options.runworld);
            return true;
        },
        Needs::Text),
    Float("SkinMeshSpeed", &g_Options.SkinMeshSpeed),
    Float("GlobalTimeSpeed", &g_Options.GlobalTimeSpeed),
    Byte("loadmodels", &g_Options.loadmodels),
    Byte("DrawFPS", &g_Options.DrawFPS),
    Byte("PrintPolygonCount", &g_Options.PrintPolygonCount),
    Byte("DrawTransparent", &g_Options.DrawTransparent),
    Byte("DrawTranslucent", &g_Options.DrawTranslucent),
    Byte("DrawSky", &g_Options.DrawSky),
    Byte("DrawWater", &g_Options.DrawWater),
    Byte("raportsubsets", &g_Options.raportsubsets),
    Byte("raporttextures", &g_Options.raporttextures),
    Byte("sound", &g_Options.sound),
    Act("numconsolelines",
        [](const SettingCall& c) {
            // More lines than the ring holds would be read from outside it.
            int n = c.integer;
            if (n < 0)
                n = 0;
            if (n > EConsole::RING_LINES)
                n = EConsole::RING_LINES;
            c.console.m_iRecentLines = static_cast<DWORD>(n);
            return false;
        }),
    Byte("extractusedtextures", &g_Options.extractusedtextures),
    Byte("raporttechs", &g_Options.raporttechs),
    Act("farz",
        [](const SettingCall& c) {
            g_Camera.SetFarPlane(c.number);
            return false;
        }),
    Act("fogr",
        [](const SettingCall& c) {
            Env.SetFogR(c.number);
            return false;
        }),
    Act("fogg",
        [](const SettingCall& c) {
            Env.SetFogG(c.number);
            return false;
        }),
    Act("fogb",
        [](const SettingCall& c) {
            Env.SetFogB(c.number);
            return false;
        }),
    Act("fog",
        [](const SettingCall& c) {
            SetColourChannels(c.value, &ESkyLight::SetFogR, &ESkyLight::SetFogG, &ESkyLight::SetFogB);
            return false;
        }),
    Act("ambientr",
        [](const SettingCall& c) {
            Env.SetAmbientR(c.number);
            return false;
        }),
    Act("ambientg",
        [](const SettingCall& c) {
            Env.SetAmbientG(c.number);
            return false;
        }),
    Act("ambientb",
        [](const SettingCall& c) {
            Env.SetAmbientB(c.number);
            return false;
        }),
    Act("ambient",
        [](const SettingCall& c) {
            SetColourChannels(c.value, &ESkyLight::SetAmbientR, &ESkyLight::SetAmbientG, &ESkyLight::SetAmbientB);
            return false;
        }),
    Act("skylightr",
        [](const SettingCall& c) {
            Env.SetSkyLightR(c.number);
            return false;
        }),
    Act("skylightg",
        [](const SettingCall& c) {
            Env.SetSkyLightG(c.number);
            return false;
        }),
    Act("skylightb",
        [](const SettingCall& c) {
            Env.SetSkyLightB(c.number);
            return false;
        }),
    Act("SkyLight",
        [](const SettingCall& c) {
            SetColourChannels(c.value, &ESkyLight::SetSkyLightR, &ESkyLight::SetSkyLightG, &ESkyLight::SetSkyLightB);
            return false;
        }),
    Act("SkyLightRotation",
        [](const SettingCall& c) {
            const D3DVECTOR d = DirectionFromVariables(c.console, "SkyLightRotation", "SkyLightPitch");
            Env.SetSkyLightDirection(&d);
            return false;
        }),
    Act("SkyLightPitch",
        [](const SettingCall& c) {
            const D3DVECTOR d = DirectionFromVariables(c.console, "SkyLightRotation", "SkyLightPitch");
            Env.SetSkyLightDirection(&d);
            return false;
        }),
    Act("LensFlareRotation",
        [](const SettingCall& c) {
            const D3DVECTOR d = DirectionFromVariables(c.console, "LensFlareRotation", "LensFlarePitch");
            Env.SetLensFlareDirection(&d);
            return false;
        }),
    Act("LensFlarePitch",
        [](const SettingCall& c) {
            const D3DVECTOR d = DirectionFromVariables(c.console, "LensFlareRotation", "LensFlarePitch");
            Env.SetLensFlareDirection(&d);
            return false;
        }),
    Float("CorpseDisappearTime", &g_Options.CorpseDisappearTime),
    Byte("DrawCharacterPaths", &g_Options.DrawCharacterPaths),
    Byte("DrawPaths", &g_Options.DrawPaths),
    Byte("WireFrame", &g_Options.WireFrame),
    Byte("DrawSprites", &g_Options.DrawSprites),
    // Listed twice on purpose: the one name sets both bytes (pinned by
    // Settings.DrawProjectorsClearsBothBytes).
    Byte("DrawProjectors", &g_Options.DrawProjectors2),
    Byte("DrawLights", &g_Options.DrawLights),
    Byte("DrawMinusLights", &g_Options.DrawMinusLights),
    Byte("DrawLinearLights", &g_Options.DrawLinearLights),
    Byte("StartMenu", &g_Options.StartMenu),
    Float("MuchaSpeed", &g_Options.MuchaSpeed),
    Byte("DrawCameraCoordinates", &g_Options.DrawCameraCoordinates),
    Byte("DrawCompass", &g_Options.DrawCompass),
    Act("Gamma",
        [](const SettingCall& c) {
            g_Camera.SetGamma(c.number);
            return false;
        }),
    Act("GammaR",
        [](const SettingCall& c) {
            g_Camera.SetGammaRed(c.number);
            return false;
        }),
    Act("GammaG",
        [](const SettingCall& c) {
            g_Camera.SetGammaGreen(c.number);
            return false;
        }),
    Act("GammaB",
        [](const SettingCall& c) {
            g_Camera.SetGammaBlue(c.number);
            return false;
        }),
    Int("Debug", &g_Options.Debug),
    Int("SystemDebug", &g_Options.SystemDebug),
    Byte("EnableAntialiasing", &g_Options.EnableAntialiasing),
};

bool IsBlankText(const char* text)
{
    for (; *text; ++text)
        if (*text != ' ' && *text != '\t')
            return false;
    return true;
}

// Copies the first word of a line (up to a blank) and the trimmed rest.
void SplitSetting(const char* line, char* name, size_t nameSize, char* value, size_t valueSize)
{
    size_t n = 0;
    while (line[n] && line[n] != ' ' && line[n] != '\t' && n + 1 < nameSize)
    {
        name[n] = line[n];
        ++n;
    }
    name[n] = 0;
    std::snprintf(value, valueSize, "%s", GetLineValue(line));
}
} // namespace

void EConsole::ApplySetting(const char* name, const char* value, BYTE fromConfig)
{
    if (!name || !value)
        return;
    if (CompareNoCase(name, "DropDebug") == 0)
    {
        Print("............");
        g_Debug.PrintAllocations();
        return;
    }

    Needs needs = Needs::Nothing;
    for (const SettingRule& rule : SETTINGS)
        if (CompareNoCase(name, rule.name) == 0 && rule.needs > needs)
            needs = rule.needs;
    const char* source = m_pszSettingSource ? m_pszSettingSource : "ERROR in EConsole::ApplySetting()";
    if (needs != Needs::Nothing && IsBlankText(value))
    {
        // Without a value the setting keeps what it has: 0 for a screen size
        // or an empty world name would break the game.
        Print4(source, ": setting ", name, " has no value, ignored");
        return;
    }

    double decimal = 0.0;
    const bool isNumber = ParseDecimal(value, &decimal);
    if (needs == Needs::Number && !isNumber)
    {
        // A typo must not turn a size or a speed into 0: the setting keeps
        // what it has.
        char line[PRINT_MAX + 1];
        std::snprintf(line, sizeof line, "%s: setting %s: \"%s\" is no number, ignored", source, name, value);
        Print(line);
        return;
    }
    const SettingCall call = {*this, value, ToFloat(decimal), ParseInteger(value), fromConfig};
    SetVariable(name, call.number, fromConfig);

    for (const SettingRule& rule : SETTINGS)
    {
        if (CompareNoCase(name, rule.name) != 0)
            continue;
        if (rule.byteField)
            *rule.byteField = call.integer ? 1 : 0;
        else if (rule.intField)
            *rule.intField = call.integer;
        else if (rule.floatField)
            *rule.floatField = call.number;
        else if (rule.action && rule.action(call))
            break; // later rules are skipped, the reset below is not
    }

    // These three name actions, not values to keep (pinned by
    // Settings.FogNamesAnActionNotAValue and
    // Settings.ASettingThatEndsTheChainStillClearsTheActionNames).
    SetVariable("fog", 0.0f, 0);
    SetVariable("Ambient", 0.0f, 0);
    SetVariable("SkyLight", 0.0f, 0);
}

void EConsole::LoadConfig(const char* fileName)
{
    if (!fileName)
        return;
    // A settings file that is not there is simply not applied: the game runs
    // on its defaults without "tk.cfg".
    FILE* f = TkFopen(fileName, "r");
    if (!f)
        return;
    const BYTE fromConfig = CompareNoCase(fileName, "tk.cfg") == 0 ? 1 : 0;
    const char* outerSource = m_pszSettingSource;
    m_pszSettingSource = fileName;

    char line[SETTINGS_LINE + 1];
    int number = 0;
    while (!std::feof(f) && !std::ferror(f))
    {
        const bool whole = ReadLineOrSkip(f, line, SETTINGS_LINE);
        ++number;
        if (!whole)
        {
            char report[PRINT_MAX + 1];
            std::snprintf(report, sizeof report,
                          "%s: line %d is longer than %d characters, its end is skipped", fileName, number,
                          SETTINGS_LINE);
            Print(report);
        }
        TrimRight(line);
        char name[SETTINGS_LINE + 1];
        char value[TEXT_LINE_LIMIT];
        SplitSetting(line, name, sizeof name, value, sizeof value);
        // A blank line, or one that begins with a blank, names no setting.
        if (name[0])
            ApplySetting(name, value, fromConfig);
    }
    std::fclose(f);
    m_pszSettingSource = outerSource;

    SettleScreenSize();
}

void EConsole::ExecFile(const char* fileName)
{
    if (fileName && fileName[0])
        LoadConfig(fileName);
}

void EConsole::ExecuteSetting(const char* line)
{
    if (!line)
        return;
    char name[TEXT_LINE_LIMIT];
    char value[TEXT_LINE_LIMIT];
    SplitSetting(line, name, sizeof name, value, sizeof value);
    ApplySetting(name, value, 0);
}
