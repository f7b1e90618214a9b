#pragma once
// GameOptions: the one record of the program's tunables, read directly by
// every subsystem. Most fields are written by the setting of the same name
// (EConsole::ApplySetting: "tk.cfg", the console, "exec" files, scripts); a
// byte set by a setting becomes 1 for any non-zero integer, an int takes the
// integer value and a float the decimal value. The others are written by the
// launcher, "save\keys.cfg" or the device's capability checks, as noted.
//
// Every field has a constant default, so the record is ready before any
// constructor runs.

#include "platform/win32/WinTypes.h"

struct GameOptions
{
    static constexpr int WORLD_NAME = 80; // characters of a world name, terminator included

    BYTE NoLight = 0;         // the device fell back to software vertex processing
    BYTE GameplayRunning = 0; // set by the game layer while a level runs
    BYTE Windowed = 0;        // an 800 x 600 window instead of full screen
    BYTE Demo = 0;
    int Difficulty = 1;
    BYTE LoadOneLevelTextureOnly = 0;
    BYTE UseSkyLight = 1;
    BYTE sound = 1;
    float MasterVolume = 0.8f; // "save\keys.cfg"; the sound manager's master volume
    BYTE MusicOn = 1;          // "save\keys.cfg"; 0 keeps music paused
    float MusicVolume = 0.65f; // "save\keys.cfg"
    BYTE SubtitlesOn = 1;      // "save\keys.cfg"; read when dialogue lines start
    BYTE KeyOption = 1;        // "save\keys.cfg" only
    int Debug = 0;             // trace lines by level
    int SystemDebug = 0;       // switches the allocation tracker on
    BYTE PrintPolygonCount = 0;
    BYTE DrawCharacterPaths = 0;
    BYTE DrawPaths = 0;
    BYTE DrawFPS = 0;
    BYTE DrawCameraCoordinates = 0;
    BYTE DebugHeroLights = 0;
    int DebugLights = 0; // the decimal value truncated
    BYTE DebugVM = 0;
    BYTE DebugCharacters = 0;
    BYTE DebugPerformance = 0;
    BYTE God = 0;
    BYTE mucha = 0;
    float MuchaSpeed = 20.0f;
    BYTE DrawCompass = 0;
    BYTE BloodScreens = 1; // the HUD's blood screens while the hero is hurt
    float CorpseDisappearTime = 300.0f;
    char runworld[WORLD_NAME] = "worlds\\test.w"; // the world the game starts
    char SecondWorld[WORLD_NAME] = {};
    BYTE StartMenu = 0;
    BYTE PostProcessOff = 0; // video options: Fast mode (0 Realistic); 1 skips the post-process target
    BYTE AOEnable = 1;
    BYTE AODrawSurface = 0;
    BYTE VideoOptionA = 1; // video options: point-light shadows
    BYTE DrawNotImportant = 1;
    BYTE VideoOptionC = 1; // video options; forced to 1 after "save\video.cfg" is read
    BYTE DrawProjectors = 1;
    BYTE DrawPhysics = 0;
    BYTE DrawTextures = 1;
    BYTE VideoOptionD = 0; // video options: real-time water reflection
    BYTE DrawVPL = 1;
    DWORD VideoLevel1 = 0; // video options: animated-model texture quality (0 best, 1, 2)
    DWORD VideoLevel2 = 0; // video options: shadow quality
    DWORD VideoLevel3 = 0; // video options: world texture quality
    DWORD VideoLevel4 = 0; // video options: water reflection quality
    BYTE AddFX = 1;
    BYTE RepairMultiData = 0;
    BYTE developer = 0;
    BYTE UseOPT = 1;
    BYTE UsePVS = 1;
    BYTE UseLod = 1;
    BYTE DrawAmbientLitObjects = 1;
    BYTE DrawSkylightLitObjects = 1;
    BYTE DrawCharacterTextures = 1;
    BYTE DrawMultitextures = 1;
    float SkinmeshLightCoef = 1.0f;   // skinned meshes' share of the sun (world key)
    float SkinmeshAmbientCoef = 1.0f; // skinned meshes' share of the ambient light (world key)
    float PhysicsDisableDistance = 80.0f;
    BYTE UpdatePhysics = 1;
    BYTE PrintShakeScreenDistance = 0;
    BYTE RecalculateSkyLightEveryFrame = 0;
    BYTE UpdateBezier = 1;
    BYTE DrawStickMarkers = 0;
    BYTE loadmodels = 1;
    BYTE UpdateModels = 1;
    BYTE UpdatePMgr = 1;
    BYTE raporttechs = 0;
    BYTE extractusedtextures = 0;
    BYTE UpdateObjects = 1;
    BYTE UpdateObjectsLoop = 1;
    BYTE UpdateObjectsLinked = 1;
    int Disable = 0;
    BYTE DrawFX = 1;
    float ASDist = 5.0f;
    float ASLim = 0.8f;
    BYTE DrawWorld = 0;
    BYTE RecalculateCamera = 1;
    BYTE RecalculateOccluders = 1;
    BYTE RecalculateSkyShadow = 1;
    int NumApprovedLights = 30;
    BYTE PixelShader30 = 0; // capability check
    BYTE PixelShader20 = 0; // capability check
    float LightPowerMultiplier = 1.0f;
    float MenuValueA = 0.2f;       // "save\keys.cfg" only
    float MouseSensitivity = 0.4f; // "save\keys.cfg"; scales the mouse movement
    BYTE MouseOption = 0;          // "save\keys.cfg"; read by the mouse poll
    float Brightness = 1.0f;       // "save\keys.cfg"; menu and post-processing
    BYTE WireFrame = 0;
    BYTE DrawTerrain = 1;
    BYTE DrawSky = 1;
    BYTE DrawWater = 1;
    BYTE DrawGrass = 1;
    BYTE DrawBirds = 1;
    BYTE DrawWires = 1;
    BYTE DrawDust = 1;
    BYTE DrawSprites = 1;
    BYTE DrawModels = 1;
    BYTE DrawProjectors2 = 1; // the second byte "DrawProjectors" sets
    BYTE DrawLights = 1;
    BYTE DrawLinearLights = 1;
    BYTE DrawMinusLights = 1;
    BYTE Multisample4xAvailable = 0; // device creation
    BYTE EnableAntialiasing = 0;
    BYTE DrawDetail = 1;
    BYTE DrawTransparent = 1;
    BYTE DrawTranslucent = 1;
    BYTE DepthFormatsAvailable = 1; // capability check
    BYTE raportsubsets = 0;
    BYTE raporttextures = 0;
    BYTE RaportVariables = 0;
    float FOV = 1.2f; // "FOV" sets both field-of-view values
    float FOV2 = 1.2f;
    DWORD DepthStencilFormat = 0; // the format in use
    static constexpr int DEFAULT_SCREEN_WIDTH = 640;
    static constexpr int DEFAULT_SCREEN_HEIGHT = 480;
    int screenheight = DEFAULT_SCREEN_HEIGHT; // "ScreenHeight"; smaller sizes fall back to the default
    int screenwidth = DEFAULT_SCREEN_WIDTH;   // "ScreenWidth"; smaller sizes fall back to the default
    float fScreenScaleX = 0.625f;             // screenwidth / 1024, recomputed after "tk.cfg"
    float fScreenScaleY = 0.625f;             // screenheight / 768, recomputed after "tk.cfg"
    float SkinMeshSpeed = 1.0f;
    float GlobalTimeSpeed = 1.0f;
    BYTE RaportUndefinedTextures = 0;
    BYTE RaportDoubleTextures = 0;
};

extern GameOptions g_Options;

// Settles the screen size once the settings or the launcher have chosen it: a
// windowed game is always 800 x 600, a size below the default 640 x 480 (no
// display mode is that small) becomes the default with a console line, and
// the 2D layer's scale factors follow the size (its layout is made for 1024 x 768).
void SettleScreenSize();
