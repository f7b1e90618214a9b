// QuestSystem: choosing the mission script of a world, reading it with one
// level of "#include", and turning each line into a command record.
#include "game/QuestSystem.h"

#include "game/QuestSystemCalls.h"
#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "shell/Console.h"
#include "shell/TextUtils.h"
#include "world/Engine.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string_view>

QuestSystem g_QuestSystem;

namespace
{
const char* const kFolder = "scripts\\quests";
const char* const kErrorFile = "!QSErrors.txt";
const char* const kIncludeErrorFile = "QSErrors.txt";
constexpr int kErrorChars = 1024;
// Words of a line: more cannot fit in a line of LINE_CHARS characters.
constexpr int kMaxWords = QuestSystem::LINE_CHARS / 2 + 1;

// How a command takes its arguments by position.
enum class Args
{
    None,
    Value,    // a number into `value`
    Number,   // a whole number into `number`
    Name,     // arg1
    TwoNames, // arg1, arg2
    NamePath, // arg1, bezier
    NameGoto, // arg1, gotoTarget
    NameValue,
    Sound3d,  // arg1, arg2, value
    Camera,   // cameraStart, cameraDest, cameraTarget, value
    Dialogue, // arg1, then up to three actors
};

struct CommandRow
{
    const char* word;
    Args args;
};

// The command table; a command's code is its row.
const CommandRow kCommands[QuestSystem::COMMAND_COUNT] = {
    {"wait", Args::Value},
    {"goto", Args::Name},
    {"set", Args::Name},
    {"unset", Args::Name},
    {"activate", Args::Name},
    {"hero_dialogue", Args::Name},
    {"super_line", Args::Name},
    {"use", Args::Name},
    {"bezier_move", Args::NamePath},
    {"sound_ambient", Args::Name},
    {"music", Args::Name},
    {"enemies_dead", Args::Value},
    {"set_warzone", Args::Name},
    {"set_hide_zone", Args::Name},
    {"allow_shooting", Args::Name},
    {"forbid_shooting", Args::Name},
    {"unhide", Args::Name},
    {"hide", Args::Name},
    {"set_anim", Args::TwoNames},
    {"set_fail_on_shot", Args::Value},
    {"unset_fail_on_shot", Args::None},
    {"mark_character", Args::Name},
    {"unmark_character", Args::Name},
    {"wait_end_hero_dialogue", Args::None},
    {"enemy_dead", Args::Name},
    {"start_world", Args::Name},
    {"allow_OBE", Args::None},
    {"forbid_OBE", Args::None},
    {"alarm", Args::Name},
    {"rocket", Args::TwoNames},
    {"sector_show", Args::Number},
    {"sector_hide", Args::Number},
    {"far_z", Args::Value},
    {"checkpoint", Args::None},
    {"kill_em_all", Args::Value},
    {"mission_failed", Args::None},
    {"movement_radius_on", Args::Value},
    {"movement_radius_off", Args::None},
    {"combat_mode_on", Args::None},
    {"combat_mode_off", Args::None},
    {"allow_bezier_pass_blockers", Args::Name},
    {"forbid_bezier_pass_blockers", Args::Name},
    {"set_detailed_shadow", Args::Name},
    {"immortal_character", Args::Name},
    {"mortal_character", Args::Name},
    {"set_grass_width", Args::Value},
    {"panoramic_on", Args::None},
    {"panoramic_off", Args::None},
    {"set_fail_on_enemy_reach", Args::Name},
    {"unset_fail_on_enemy_reach", Args::None},
    {"character_phase", Args::TwoNames},
    {"set_rotate_to_player", Args::Name},
    {"unset_rotate_to_player", Args::Name},
    {"character_teleport", Args::TwoNames},
    {"camera_move", Args::Camera},
    {"camera_stop", Args::None},
    {"fov", Args::Value},
    {"fade_out", Args::Value},
    {"fade_in", Args::Value},
    {"object_teleport", Args::TwoNames},
    {"black_out", Args::None},
    {"sound_3d", Args::Sound3d},
    {"sound", Args::Name},
    {"player_start_moving_on_object", Args::TwoNames},
    {"player_stop_moving_on_object", Args::None},
    {"wait_object_destroyed", Args::Name},
    {"wind_calm", Args::None},
    {"wind_normal", Args::None},
    {"move_character", Args::NameGoto},
    {"set_look_at", Args::TwoNames},
    {"unset_look_at", Args::Name},
    {"allow_clouds", Args::None},
    {"forbid_clouds", Args::None},
    {"set_heli_sound", Args::TwoNames},
    {"unset_warzone", Args::Name},
    {"unset_all_warzones", Args::None},
    {"set_player_look_at", Args::NameValue},
    {"unset_player_look_at", Args::None},
    {"set_dof_target", Args::Name},
    {"unset_dof_target", Args::None},
    {"dialogue", Args::Dialogue},
    {"wait_end_dialogue", Args::None},
    {"gun_forbid_dismounting", Args::None},
    {"gun_allow_dismounting", Args::None},
    {"gun_dismount", Args::Name},
    {"battlefield_enable", Args::Name},
    {"set_phase", Args::TwoNames},
    {"delete_character", Args::Name},
    {"BF_attack", Args::Name},
    {"gun_forbid_mounting", Args::Name},
    {"gun_allow_mounting", Args::Name},
    {"quit", Args::None},
    {"white_on", Args::Value},
    {"white_off", Args::Value},
};

// Codes the parser and the runner treat specially.
enum Code : DWORD
{
    QS_WAIT = 0,
    QS_GOTO = 1,
    QS_ACTIVATE = 4,
    QS_USE = 7,
    QS_BEZIER_MOVE = 8,
    QS_ENEMIES_DEAD = 11,
    QS_SET_WARZONE = 12,
    QS_ALLOW_SHOOTING = 14,
    QS_FORBID_SHOOTING = 15,
    QS_SET_ANIM = 18,
    QS_SET_FAIL_ON_SHOT = 19,
    QS_ENEMY_DEAD = 24,
    QS_ROCKET = 29,
    QS_SECTOR_SHOW = 30,
    QS_SECTOR_HIDE = 31,
    QS_FAR_Z = 32,
    QS_KILL_EM_ALL = 34,
    QS_MOVEMENT_RADIUS_ON = 36,
    QS_SET_GRASS_WIDTH = 45,
    QS_SET_FAIL_ON_ENEMY_REACH = 48,
    QS_CHARACTER_PHASE = 50,
    QS_SET_ROTATE_TO_PLAYER = 51,
    QS_UNSET_ROTATE_TO_PLAYER = 52,
    QS_CHARACTER_TELEPORT = 53,
    QS_CAMERA_MOVE = 54,
    QS_OBJECT_TELEPORT = 59,
    QS_SOUND_3D = 61,
    QS_SOUND = 62,
    QS_PLAYER_START_MOVING = 63,
    QS_WAIT_OBJECT_DESTROYED = 65,
    QS_MOVE_CHARACTER = 68,
    QS_SET_LOOK_AT = 69,
    QS_SET_HELI_SOUND = 73,
    QS_BATTLEFIELD_ENABLE = 85,
    QS_SET_PHASE = 86,
};

void Error(const char* file, const char* format, ...)
{
    char text[kErrorChars];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    AppendLogLine(text, file, kErrorChars);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The words of a line, each its own zero-terminated copy.
struct Words
{
    explicit Words(const char* line)
    {
        std::strncpy(buffer, line, sizeof buffer - 1);
        char* p = buffer;
        while (*p && count < kMaxWords)
        {
            while (IsBlank(*p))
                *p++ = 0;
            if (!*p)
                break;
            word[count++] = p;
            while (*p && !IsBlank(*p))
                ++p;
        }
    }
    // "" past the last word.
    const char* operator[](int i) const { return i >= 0 && i < count ? word[i] : ""; }

    char buffer[QuestSystem::LINE_CHARS * 2 + 2] = {};
    const char* word[kMaxWords] = {};
    int count = 0;
};

bool Exists(const char* name)
{
    return name[0] && g_Engine.FindObject(name, 0) != nullptr;
}

float Number(const char* text)
{
    return static_cast<float>(std::strtod(text, nullptr));
}

int WholeNumber(const char* text)
{
    const long n = std::strtol(text, nullptr, 10);
    return n > INT32_MAX ? INT32_MAX : (n < INT32_MIN ? INT32_MIN : static_cast<int>(n));
}

// Copies a word into a field; a word that does not fit leaves the field empty
// and is reported.
template <size_t N> void Store(char (&field)[N], const char* word, int line)
{
    if (std::strlen(word) >= N)
    {
        field[0] = 0;
        Error(kErrorFile, "%i: %s too long", line, word);
        return;
    }
    std::memcpy(field, word, std::strlen(word) + 1);
}

// The "NULL" check of a name and, when it names no object, the "does not
// exist" check: both with the command's own wording.
void CheckName(const char* name, int line, const char* command, bool mustExist)
{
    if (!name[0])
        Error(kErrorFile, "%i: %s command with NULL parameter!", line, command);
    else if (mustExist && !Exists(name))
        Error(kErrorFile, "%i: %s: target does not exist!", line, command);
}

// An object argument with the "%s command with NULL object!" family.
void CheckObject(const char* name, int line, const char* command)
{
    if (!name[0])
        Error(kErrorFile, "%i: %s command with NULL object!", line, command);
    else if (!Exists(name))
        Error(kErrorFile, "%i: %s command: object %s does not exist!", line, command, name);
}

void CheckSecond(const char* name, int line, const char* command, const char* what)
{
    if (!name[0])
        Error(kErrorFile, "%i: %s command with NULL %s!", line, command, what);
}

void CheckAtLeast(float value, float minimum, int line, const char* message)
{
    if (value < minimum)
        Error(kErrorFile, message, line);
}

bool IsDirection(const char* word)
{
    for (const char* d : {"s", "n", "w", "e", "ne", "nw", "se", "sw"})
        if (CompareNoCase(word, d) == 0)
            return true;
    return false;
}

// The checks made when a command is read; each failure is reported and the
// command stays.
void Validate(const QuestCommand& c, int line)
{
    switch (c.code)
    {
    case QS_WAIT:
        if (c.value == 0.0f)
            Error(kErrorFile, "%i: WAIT command with zero parameter!", line);
        return;
    case QS_FAR_Z:
        return CheckAtLeast(c.value, 1.0f, line, "%i: FAR_Z command with parameter<1.0f!");
    case QS_SET_GRASS_WIDTH:
        return CheckAtLeast(c.value, 1.0f, line, "%i: SET_GRASS_WIDTH command with parameter<1.0f!");
    case QS_KILL_EM_ALL:
        return CheckAtLeast(c.value, 1.0f, line, "%i: KILL_EM_ALL command with parameter<1.0f!");
    case QS_MOVEMENT_RADIUS_ON:
        return CheckAtLeast(c.value, 0.0f, line, "%i: movement_radious_on command with parameter<0.0f!");
    case QS_ENEMIES_DEAD:
        return CheckAtLeast(c.value, 1.0f, line, "%i: ENEMIES_DEAD command less than 1 meters!");
    case QS_SECTOR_SHOW:
        if (c.number == 0)
            Error(kErrorFile, "%i: SECTOR_SHOW command with zero parameter!", line);
        return;
    case QS_SECTOR_HIDE:
        if (c.number == 0)
            Error(kErrorFile, "%i: SECTOR_HIDE command with zero parameter!", line);
        return;
    case QS_SET_FAIL_ON_SHOT:
        if (c.value == 0.0f)
            Error(kErrorFile, "%i: SET_FAIL_ON_SHOOT command with zero parameter!", line);
        return;
    case QS_BATTLEFIELD_ENABLE:
        if (!IsDirection(c.arg1))
        {
            Error(kErrorFile, "%i: Battlefield_enable command with wrong direction!", line);
            Error(kErrorFile, "Proper directions are: s, n, w, e, ne, nw, se, sw ONLY.");
        }
        return;
    case QS_GOTO:
        if (!c.arg1[0])
            Error(kErrorFile, "%i: GOTO command with NULL parameter!", line);
        return;
    case QS_SET_FAIL_ON_ENEMY_REACH:
        return CheckName(c.arg1, line, "SET_FAIL_ON_ENEMY_REACH", true);
    case QS_WAIT_OBJECT_DESTROYED:
        return CheckName(c.arg1, line, "WAIT_OBJECT_DESTROYED", true);
    case QS_SET_WARZONE:
        return CheckName(c.arg1, line, "SET_WARZONE", std::strcmp(c.arg1, "*") != 0);
    case QS_SET_ROTATE_TO_PLAYER:
        return CheckName(c.arg1, line, "SET_ROTATE_TO_PLAYER", true);
    case QS_UNSET_ROTATE_TO_PLAYER:
        return CheckName(c.arg1, line, "UNSET_ROTATE_TO_PLAYER", true);
    case QS_SET_PHASE:
        CheckName(c.arg1, line, "SET_PHASE", false);
        if (c.arg1[0] && !c.arg2[0])
            Error(kErrorFile, "%i: SET_PHASE command with NULL phase!", line);
        return;
    case QS_SOUND_3D:
        if (!c.arg1[0])
            Error(kErrorFile, "%i: Sound_3D command with NULL sound name!", line);
        else if (!FileExists(c.arg1))
            Error(kErrorFile, "%i: Sound_3D command: file %s does not exist!", line, c.arg1);
        if (!c.arg2[0])
            Error(kErrorFile, "%i: Sound_3D command with NULL object name!", line);
        else if (!Exists(c.arg2))
            Error(kErrorFile, "%i: Sound_3D command can't find object %s!", line, c.arg2);
        if (c.value < 1.0f)
            Error(kErrorFile, "%i: Sound_3D with radius <1.0f!", line);
        return;
    case QS_CHARACTER_TELEPORT:
    case QS_OBJECT_TELEPORT:
    {
        const bool character = c.code == QS_CHARACTER_TELEPORT;
        const char* word = character ? "CHARACTER_TELEPORT" : "OBJECT_TELEPORT";
        if (!c.arg1[0])
            Error(kErrorFile, "%i: %s command with NULL parameter!", line, word);
        else if (!Exists(c.arg1))
            Error(kErrorFile, "%i: %s: %s does not exist!", line, word, character ? "respawner" : "object");
        if (!c.arg2[0])
            Error(kErrorFile, "%i: %s command with NULL target!", line, word);
        else if (!Exists(c.arg2))
            Error(kErrorFile, "%i: %s: target does not exist!", line, word);
        return;
    }
    case QS_CAMERA_MOVE:
        if (!Exists(c.cameraStart))
            Error(kErrorFile, "%i: CAMERA_MOVE: start object %s does not exist!", line, c.cameraStart);
        if (!Exists(c.cameraDest))
            Error(kErrorFile, "%i: CAMERA_MOVE: dest object %s does not exist!", line, c.cameraDest);
        if (!Exists(c.cameraTarget))
            Error(kErrorFile, "%i: CAMERA_MOVE: target object %s does not exist!", line, c.cameraTarget);
        return;
    case QS_ALLOW_SHOOTING:
        if (!c.arg1[0])
            Error(kErrorFile, "%i: ALLOW_SHOOTING command with NULL parameter!", line);
        break;
    case QS_BEZIER_MOVE:
        CheckObject(c.arg1, line, "BEZIER_MOVE");
        return CheckSecond(c.bezier, line, "BEZIER_MOVE", "Bezier name");
    case QS_PLAYER_START_MOVING:
        CheckObject(c.arg1, line, "PLAYER_START_MOVING_ON_OBJECT");
        return CheckSecond(c.arg2, line, "PLAYER_START_MOVING_ON_OBJECT", "anim name");
    case QS_SET_HELI_SOUND:
        CheckObject(c.arg1, line, "SET_HELI_SOUND");
        return CheckSecond(c.arg2, line, "SET_HELI_SOUND", "sound name");
    case QS_ROCKET:
        CheckObject(c.arg1, line, "ROCKET");
        if (!c.arg2[0])
            Error(kErrorFile, "%i: ROCKET command with NULL anim name!", line);
        else if (!Exists(c.arg2))
            Error(kErrorFile, "%i: ROCKET command: object %s does not exist!", line, c.arg2);
        return;
    case QS_SET_ANIM:
        CheckObject(c.arg1, line, "SET_ANIM");
        return CheckSecond(c.arg2, line, "SET_ANIM", "anim name");
    case QS_CHARACTER_PHASE:
        CheckObject(c.arg1, line, "CHARACTER_PHASE");
        return CheckSecond(c.arg2, line, "CHARACTER_PHASE", "phase");
    case QS_SOUND:
        if (!c.arg1[0])
            Error(kErrorFile, "%i: SOUND command with NULL object!", line);
        else if (!FileExists(c.arg1))
            Error(kErrorFile, "%i: SOUND command: file %s does not exist!", line, c.arg1);
        return;
    case QS_MOVE_CHARACTER:
        CheckSecond(c.arg1, line, "MOVE_CHARACTER", "object");
        if (!c.gotoTarget[0])
            Error(kErrorFile, "%i: MOVE_CHARACTER command with NULL target!", line);
        else if (!Exists(c.gotoTarget))
            Error(kErrorFile, "%i: MOVE_CHARACTER command: can't find target %s!", line, c.gotoTarget);
        return;
    case QS_SET_LOOK_AT:
        CheckSecond(c.arg1, line, "SET_LOOK_AT", "object");
        return CheckSecond(c.arg2, line, "SET_LOOK_AT", "target");
    default:
        // Every other command taking a name: only the NULL check.
        if (kCommands[c.code].args == Args::Name || kCommands[c.code].args == Args::Dialogue)
            CheckName(c.arg1, line, kCommands[c.code].word, false);
        break;
    }
    // use, activate and the helicopter's shooting: a warning when the object
    // is missing, unless the name is one of the generated "_g" guns.
    if ((c.code == QS_USE || c.code == QS_ACTIVATE || c.code == QS_ALLOW_SHOOTING ||
         c.code == QS_FORBID_SHOOTING) &&
        c.arg1[0] && !ContainsNoCase(c.arg1, "_g") && !Exists(c.arg1))
        Error(kErrorFile, "%i: warning: %s does not exist in the world!", line, c.arg1);
}

enum class OptionKind
{
    Flag,
    Text,   // a word into a long field
    Short,  // a word into a 64-character field
    Number, // a number
};

struct OptionRow
{
    const char* word;
    OptionKind kind;
    const char* upper; // the option's name in its messages
};

const OptionRow kOptions[] = {
    {"-comment", OptionKind::Text, "COMMENT"},
    {"-text", OptionKind::Text, "TEXT"},
    {"-distance", OptionKind::Number, "DISTANCE"},
    {"-burst", OptionKind::Number, "BURST"},
    {"-burst_interval", OptionKind::Number, "BURST_INTERVAL"},
    {"-display", OptionKind::Flag, nullptr},
    {"-loop", OptionKind::Flag, nullptr},
    {"-stop_running_when_shot", OptionKind::Flag, nullptr},
    {"-dont_interrupt", OptionKind::Flag, nullptr},
    {"-eyes_only", OptionKind::Flag, nullptr},
    {"-phase_on_target", OptionKind::Short, nullptr},
    {"-always_in_sight", OptionKind::Flag, nullptr},
    {"-waypoint", OptionKind::Text, "WAYPOINT"},
    {"-explosive_target", OptionKind::Text, "EXPLOSIVE_TARGET"},
    {"-goto", OptionKind::Text, "GOTO"},
    {"-bezier", OptionKind::Text, "BEZIER"},
    {"-objective", OptionKind::Text, "OBJECTIVE"},
    {"-moving_anim", OptionKind::Short, "MOVING_ANIM"},
};

// Stores one option; false when it is an error (the line's options end).
bool StoreOption(QuestCommand& c, int row, const char* value, int line)
{
    const OptionRow& o = kOptions[row];
    const bool missing = !value[0];
    if (o.kind != OptionKind::Flag && missing)
    {
        if (o.upper)
            Error(kErrorFile, "%i: -%s param with NULL!", line, o.upper);
        return false;
    }
    switch (row)
    {
    case 0:
        Store(c.comment, value, line);
        return true;
    case 1:
        Store(c.text, value, line);
        return true;
    case 2:
    {
        const float d = Number(value);
        if (d <= 1.0f && c.code != QS_SET_WARZONE)
        {
            Error(kErrorFile, "%i: -DISTANCE param less than 1.0f!", line);
            return false;
        }
        c.distance = d;
        return true;
    }
    case 3:
    case 4:
    {
        const float v = Number(value);
        if (v < 0.0f)
        {
            Error(kErrorFile,
                  row == 3 ? "%i: -BURST param less than 0.0f!" : "%i: -BURST_INTERVAL param less than 0.0f!",
                  line);
            return false;
        }
        (row == 3 ? c.burst : c.burstInterval) = v;
        return true;
    }
    case 5:
        c.display = 1;
        return true;
    case 6:
        c.loop = 1;
        return true;
    case 7:
        c.stopRunningWhenShot = 1;
        return true;
    case 8:
        c.dontInterrupt = 1;
        return true;
    case 9:
        c.eyesOnly = 1;
        return true;
    case 10:
        Store(c.phaseOnTarget, value, line);
        return true;
    case 11:
        c.alwaysInSight = 1;
        return true;
    case 12:
        Store(c.waypoint, value, line);
        return true;
    case 13:
        Store(c.explosiveTarget, value, line);
        return true;
    case 14:
        Store(c.gotoTarget, value, line);
        return true;
    case 15:
        Store(c.bezier, value, line);
        return true;
    case 16:
        Store(c.objective, value, line);
        return true;
    default:
        Store(c.movingAnim, value, line);
        return true;
    }
}

// The defaults a command has before its options.
void SetDefaults(QuestCommand& c)
{
    if (c.code == QS_SET_WARZONE)
        c.distance = 20.0f;
    else if (c.code == QS_ALLOW_SHOOTING)
    {
        c.distance = 40.0f;
        c.burst = 5.0f;
        c.burstInterval = 1.0f;
    }
    else if (c.code == QS_ENEMY_DEAD)
        c.distance = 0.0f;
}
} // namespace

const char* QuestSystem::CommandWord(DWORD code)
{
    return code < COMMAND_COUNT ? kCommands[code].word : "";
}

void QuestSystem::LoadScripts()
{
    DeleteFileA(kErrorFile);
    FreeCommands();
    const std::string path = FindScript();
    if (path.empty())
        g_Console.Print("No QuestSystem script found!");
    else
        ReadFile(path.c_str());
    m_bStarted = 0;
    m_iCurrent = -1;
    QuestCalls::OverlayName("");
    for (QuestWarzone& zone : m_Warzones)
        zone = QuestWarzone();
    m_fOutsideTime = 0.0f;
    m_bFailOnShot = 0;
    m_bShotTriggered = 0;
    m_fShotTimer = 0.0f;
    m_bFailOnReach = 0;
    m_bFovSet = 0;
}

std::string QuestSystem::FindScript() const
{
    WIN32_FIND_DATAA found;
    const std::string folder = kFolder;
    HANDLE find = FindFirstFileA((folder + "\\*.txt").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return {};
    std::string script;
    do
    {
        if (found.cFileName[0] == '.' || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        const std::string path = folder + "\\" + found.cFileName;
        FILE* file = TkFopen(path.c_str(), "rt");
        if (!file)
            continue;
        char line[LINE_CHARS + 1];
        while (script.empty() && !std::feof(file) && !std::ferror(file))
        {
            ReadLineOrSkip(file, line, LINE_CHARS);
            TrimRight(line);
            const char* start = line;
            while (IsBlank(*start))
                ++start;
            if (IsKeyword(start, "world") && CompareNoCase(GetLineValue(start), g_Engine.m_szWorld) == 0)
                script = path;
        }
        std::fclose(file);
    } while (script.empty() && FindNextFileA(find, &found));
    FindClose(find);
    return script;
}

void QuestSystem::ReadFile(const char* path)
{
    FILE* file = path ? TkFopen(path, "rt") : nullptr;
    if (!file)
        return;
    int lineNumber = 0;
    ReadLines(file, &lineNumber, false);
    std::fclose(file);
}

void QuestSystem::ReadLines(FILE* file, int* lineNumber, bool included)
{
    char line[LINE_CHARS + 1];
    while (!std::ferror(file))
    {
        // Only lines that are there count: the end of the file is no line.
        const int first = std::fgetc(file);
        if (first == EOF)
            break;
        std::ungetc(first, file);
        const bool whole = ReadLineOrSkip(file, line, LINE_CHARS);
        ++*lineNumber;
        if (!whole)
            Error(kErrorFile, "%i: line too long", *lineNumber);
        TrimRight(line);
        const char* start = line;
        while (IsBlank(*start))
            ++start;
        if (!*start)
            continue;
        if (!IsKeyword(start, "#include"))
        {
            ParseLine(start, *lineNumber);
            continue;
        }
        const char* name = GetLineValue(start);
        if (included)
        {
            Error(kIncludeErrorFile, "Nesting #include commands FORBIDDEN!");
            continue;
        }
        const std::string path = std::string(kFolder) + "\\" + name;
        FILE* inner = TkFopen(path.c_str(), "rt");
        if (!inner)
        {
            Error(kIncludeErrorFile, "#include %s - can't open file!", name);
            continue;
        }
        ReadLines(inner, lineNumber, true);
        std::fclose(inner);
    }
}

void QuestSystem::ParseLine(const char* line, int lineNumber)
{
    if (!line)
        return;
    while (IsBlank(*line))
        ++line;
    if (std::strlen(line) < 2 || std::strncmp(line, "//", 2) == 0 || IsKeyword(line, "world"))
        return;
    const Words words(line);
    DWORD code = COMMAND_COUNT;
    for (DWORD i = 0; i < COMMAND_COUNT; ++i)
        if (CompareNoCase(words[0], kCommands[i].word) == 0)
        {
            code = i;
            break;
        }
    if (code == COMMAND_COUNT)
    {
        Error(kErrorFile, "%i: Improper command: %s", lineNumber, words[0]);
        return;
    }
    m_Commands.emplace_back();
    QuestCommand& c = m_Commands.back();
    c.code = code;
    c.index = m_iLoadedCount++;
    SetDefaults(c);
    ParseArguments(c, line, lineNumber);
    Validate(c, lineNumber);
}

void QuestSystem::ParseArguments(QuestCommand& c, const char* line, int lineNumber)
{
    const Words w(line);
    int next = 1; // the first option's word
    switch (kCommands[c.code].args)
    {
    case Args::None:
        break;
    case Args::Value:
        c.value = Number(w[1]);
        next = 2;
        break;
    case Args::Number:
        c.number = WholeNumber(w[1]);
        next = 2;
        break;
    case Args::Name:
        Store(c.arg1, w[1], lineNumber);
        next = 2;
        break;
    case Args::TwoNames:
        Store(c.arg1, w[1], lineNumber);
        Store(c.arg2, w[2], lineNumber);
        next = 3;
        break;
    case Args::NamePath:
        Store(c.arg1, w[1], lineNumber);
        Store(c.bezier, w[2], lineNumber);
        next = 3;
        break;
    case Args::NameGoto:
        Store(c.arg1, w[1], lineNumber);
        Store(c.gotoTarget, w[2], lineNumber);
        next = 3;
        break;
    case Args::NameValue:
        Store(c.arg1, w[1], lineNumber);
        c.value = Number(w[2]);
        next = 3;
        break;
    case Args::Sound3d:
        Store(c.arg1, w[1], lineNumber);
        Store(c.arg2, w[2], lineNumber);
        c.value = Number(w[3]);
        next = 4;
        break;
    case Args::Camera:
        Store(c.cameraStart, w[1], lineNumber);
        Store(c.cameraDest, w[2], lineNumber);
        Store(c.cameraTarget, w[3], lineNumber);
        c.value = Number(w[4]);
        next = 5;
        break;
    case Args::Dialogue:
    {
        Store(c.arg1, w[1], lineNumber);
        next = 2;
        // The actors are optional: a word beginning with "-" starts the options.
        char* actors[] = {c.arg3, c.arg4, c.arg5};
        for (char* actor : actors)
        {
            const char* word = w[next];
            if (!word[0] || word[0] == '-' || std::strncmp(word, "//", 2) == 0)
                break;
            if (std::strlen(word) < QS_SHORT_SIZE)
                std::memcpy(actor, word, std::strlen(word) + 1);
            else
                Error(kErrorFile, "%i: %s too long", lineNumber, word);
            ++next;
        }
        break;
    }
    }
    for (int i = next; i < w.count; ++i)
    {
        const char* word = w[i];
        if (std::strncmp(word, "//", 2) == 0)
            return;
        int row = -1;
        for (int r = 0; r < static_cast<int>(std::size(kOptions)); ++r)
            if (CompareNoCase(word, kOptions[r].word) == 0)
            {
                row = r;
                break;
            }
        if (row < 0)
        {
            Error(kErrorFile, "%i: unknown param %s", lineNumber, word);
            return;
        }
        if (kOptions[row].kind == OptionKind::Flag)
        {
            StoreOption(c, row, "", lineNumber);
            continue;
        }
        const char* value = w[i + 1];
        if (std::strncmp(value, "//", 2) == 0)
            value = "";
        if (!StoreOption(c, row, value, lineNumber))
            return;
        ++i;
    }
}

void QuestSystem::FreeCommands()
{
    m_Commands.clear();
    m_Commands.shrink_to_fit();
    m_iCurrent = -1;
    m_iLoadedCount = 0;
}
