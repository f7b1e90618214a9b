// GameAI: the named script variables, and the level-script calls of the game layer.
#include "game/GameAI.h"

#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "player/Player.h"
#include "shell/CommandMgr.h"
#include "shell/Console.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/SaveFile.h"
#include "world/Object.h"

#include <cctype>
#include <cstring>
#include <string>

GameAI g_GameAI;

namespace
{
const char* const kAllocationTag = "strzmienne";
const char* const kReportFile = "!variables.txt";
const char* const kReportTemporary = "!variables.tmp";
// Names with their own behaviour when set.
const char* const kCrouch = "Crouch";
const char* const kCredits = "credits";
const char* const kForceMusic = "wymus_muzyke";
const char* const kForbidMusic = "zabron_muzyke";
// The hero crouches for this many of his input steps.
constexpr int kForcedCrouchSteps = 3;
// Record markers of the save section.
constexpr BYTE kSavedVariable = 1;
constexpr BYTE kSavedEnd = 0;
// Room for the words around the names of a report line, and the read chunk.
constexpr size_t kReportWords = 32;
constexpr size_t kReadChunk = 4096;

char Fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (Fold(*a) != Fold(*b))
            return false;
    return *a == *b;
}

const char* ObjectName(HOBJECT object)
{
    return object ? object->szName : "";
}

// The report's path: logs live in the folder the game started in.
std::string StartupPath(const char* file)
{
    std::string path = g_Console.GetStartupDirectory();
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path + file;
}
} // namespace

bool CutVariableName(const char* name, char (&out)[strzmienne::NAME_SIZE])
{
    out[0] = 0;
    if (!name)
        return false;
    const size_t length = strnlen(name, strzmienne::NAME_SIZE);
    const bool cut = length >= static_cast<size_t>(strzmienne::NAME_SIZE);
    const size_t kept = cut ? strzmienne::NAME_SIZE - 1 : length;
    std::memcpy(out, name, kept);
    out[kept] = 0;
    return cut;
}

// ---- Lookup --------------------------------------------------------------------------

namespace
{
// The lookup form of a name: cut as a record stores it, the first character
// as written and the rest in small letters, so that equal forms are exactly
// the names the lookup rule matches.
std::string_view LookupKey(const char* name, char (&key)[strzmienne::NAME_SIZE])
{
    CutVariableName(name, key);
    size_t n = 0;
    for (; key[n]; ++n)
        if (n > 0)
            key[n] = Fold(key[n]);
    return std::string_view(key, n);
}
} // namespace

strzmienne* GameAI::FindVariable(const char* name)
{
    char key[strzmienne::NAME_SIZE];
    const std::string_view k = LookupKey(name, key);
    if (k.empty())
        return nullptr;
    const auto found = m_Index.find(k);
    return found == m_Index.end() ? nullptr : found->second;
}

bool GameAI::IsVariableSet(const char* name, HOBJECT* setter)
{
    const strzmienne* v = (name && name[0]) ? FindVariable(name) : nullptr;
    if (!v || !v->isSet)
        return false;
    if (setter)
        *setter = v->setBy;
    return true;
}

BYTE GameAI::IsVariableOn(const char* name)
{
    const strzmienne* v = FindVariable(name);
    return v ? v->isSet : 0;
}

// ---- Records -------------------------------------------------------------------------

strzmienne* GameAI::NewVariable(const char* name, DWORD type)
{
    auto* v = new strzmienne;
    g_Debug.AddAllocation(kAllocationTag);
    if (CutVariableName(name, v->name))
        g_Console.Print3("Script variable name too long, cut to \"", v->name, "\"");
    // The newest record of a name supersedes the older one.
    char key[strzmienne::NAME_SIZE];
    m_Index.insert_or_assign(std::string(LookupKey(v->name, key)), v);
    v->type = type;
    v->older = m_pVariables;
    if (m_pVariables)
        m_pVariables->newer = v;
    m_pVariables = v;
    return v;
}

strzmienne* GameAI::DeclareVariable(const char* name, DWORD type)
{
    if (!name || !name[0])
        return nullptr;
    if (type != strzmienne::TYPE_COUNTER && type != strzmienne::TYPE_INT)
    {
        if (strzmienne* existing = FindVariable(name))
            return existing;
        type = strzmienne::TYPE_BOOL;
    }
    return NewVariable(name, type);
}

void GameAI::FreeVariables()
{
    while (m_pVariables)
    {
        strzmienne* older = m_pVariables->older;
        delete m_pVariables;
        g_Debug.RemoveAllocation(kAllocationTag);
        m_pVariables = older;
    }
    m_Index.clear();
}

void GameAI::ClearValues()
{
    for (strzmienne* v = m_pVariables; v; v = v->older)
    {
        v->isSet = 0;
        v->seconds = 0.0f;
        v->value = 0;
        v->setBy = nullptr;
        v->unsetBy = nullptr;
    }
}

void GameAI::ResetVariables()
{
    ClearValues();
}

void GameAI::ReleaseLevel()
{
    ClearValues();
    // The level's objects go with it: none stays deactivated or hit.
    m_iDeactivated = 0;
    for (auto& hit : m_szHits)
        hit[0] = 0;
}

void GameAI::AdvanceCounters(float seconds)
{
    for (strzmienne* v = m_pVariables; v; v = v->older)
        if (v->type == strzmienne::TYPE_COUNTER)
            v->seconds += seconds;
}

// ---- Set and unset ---------------------------------------------------------------------

void GameAI::SetVariable(const char* name, HOBJECT setter)
{
    if (!name || !name[0] || name[0] == ' ')
        return;
    if (setter)
    {
        if (std::strcmp(name, kForceMusic) == 0)
            g_Console.Print2("wymus_muzyke SET by ", ObjectName(setter));
        else if (std::strcmp(name, kForbidMusic) == 0)
            g_Console.Print2("zabron_muzyke SET by ", ObjectName(setter));
    }
    if (EqualNoCase(name, kCrouch))
    {
        Player.m_iForceCrouch = kForcedCrouchSteps;
        return;
    }
    if (EqualNoCase(name, kCredits))
    {
        // The realistic-mode-unlocked byte of the hero's record, which the key file keeps.
        PlayerStats.m_bRealisticUnlocked = 1;
        g_Console.Print("Realistic mode unlocked.");
        g_CommandMgr.SaveKeys();
    }
    strzmienne* v = FindVariable(name);
    if (!v)
    {
        v = NewVariable(name, strzmienne::TYPE_BOOL);
        v->isSet = 1;
    }
    switch (v->type)
    {
    case strzmienne::TYPE_COUNTER:
        v->seconds = 0.0f;
        break;
    case strzmienne::TYPE_INT:
        v->value = 0;
        break;
    default:
        v->isSet = 1;
        break;
    }
    v->setBy = setter;
    if (g_Options.Debug)
    {
        if (setter)
            g_Console.Print4("zmienna ", v->name, " set by ", ObjectName(setter));
        else
            g_Console.Print3("zmienna ", v->name, " set!");
    }
    if (g_Options.RaportVariables)
        ReportChange(v->name, setter, true);
}

void GameAI::UnsetVariable(const char* name, HOBJECT object)
{
    if (!name || !name[0] || name[0] == ' ')
        return;
    if (object)
    {
        if (std::strcmp(name, kForceMusic) == 0)
            g_Console.Print2("wymus_muzyke UNSET by ", ObjectName(object));
        else if (std::strcmp(name, kForbidMusic) == 0)
            g_Console.Print2("zabron_muzyke UNSET by ", ObjectName(object));
    }
    strzmienne* v = FindVariable(name);
    if (!v)
        v = NewVariable(name, strzmienne::TYPE_BOOL);
    switch (v->type)
    {
    case strzmienne::TYPE_COUNTER:
        v->seconds = 0.0f;
        break;
    case strzmienne::TYPE_INT:
        v->value = 0;
        break;
    default:
        v->isSet = 0;
        break;
    }
    v->unsetBy = object;
    if (g_Options.Debug)
    {
        if (object)
            g_Console.Print4("zmienna ", v->name, " unset by ", ObjectName(object));
        else
            g_Console.Print3("zmienna ", v->name, " unset!");
    }
    if (g_Options.RaportVariables)
        ReportChange(v->name, object, false);
}

// The report's lines are gathered in memory and the file is rewritten whole
// at most once a frame (FlushReport), under a temporary name renamed over the
// old one, so a reader (or a crash) never meets half a line.
void GameAI::ReportChange(const char* name, HOBJECT object, bool set)
{
    if (m_bReportFull)
        return;
    char line[strzmienne::NAME_SIZE + OBJECT_NAME_SIZE + kReportWords];
    if (object)
        std::snprintf(line, sizeof line, "zmienna %s %s by %s", name, set ? "set" : "unset",
                      ObjectName(object));
    else
        std::snprintf(line, sizeof line, "zmienna %s %s", name, set ? "set" : "unset");

    if (!m_bReportLoaded)
    {
        // Lines an earlier run of this program left stay in front.
        m_bReportLoaded = 1;
        m_sReport.clear();
        if (FILE* old = TkFopen(StartupPath(kReportFile).c_str(), "rb"))
        {
            char buffer[kReadChunk];
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, old)) > 0 &&
                   m_sReport.size() <= static_cast<size_t>(MAX_VARIABLE_REPORT_BYTES))
                m_sReport.append(buffer, n);
            std::fclose(old);
        }
    }
    if (m_sReport.size() + std::strlen(line) + 1 > static_cast<size_t>(MAX_VARIABLE_REPORT_BYTES))
    {
        m_bReportFull = 1;
        g_Console.Print2("ERROR: the variable report is full, no more lines go to ", kReportFile);
        return;
    }
    m_sReport += line;
    m_sReport += '\n';
    m_bReportDirty = 1;
}

void GameAI::FlushReport()
{
    if (!m_bReportDirty)
        return;
    m_bReportDirty = 0;
    const std::string path = StartupPath(kReportFile);
    const std::string temporary = StartupPath(kReportTemporary);
    bool written = false;
    if (FILE* out = TkFopen(temporary.c_str(), "wb"))
    {
        written = std::fwrite(m_sReport.data(), 1, m_sReport.size(), out) == m_sReport.size();
        written = (std::fclose(out) == 0) && written;
    }
    if (written)
        written = MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    if (!written)
    {
        DeleteFileA(temporary.c_str());
        g_Console.Print2("ERROR: cannot write ", kReportFile);
    }
}

// ---- Save and load ------------------------------------------------------------------------

void GameAI::MoveToFront(strzmienne* v)
{
    if (v == m_pVariables)
        return;
    // Unlinked from its place, linked in as the newest.
    if (v->newer)
        v->newer->older = v->older;
    if (v->older)
        v->older->newer = v->newer;
    v->newer = nullptr;
    v->older = m_pVariables;
    if (m_pVariables)
        m_pVariables->newer = v;
    m_pVariables = v;
}

bool GameAI::SaveVariables(FILE* file)
{
    bool ok = true;
    // Oldest first in the file: the load puts each read variable in front,
    // so a loaded list keeps the order the saved one had.
    const strzmienne* oldest = m_pVariables;
    while (oldest && oldest->older)
        oldest = oldest->older;
    for (const strzmienne* v = oldest; v; v = v->newer)
    {
        ok = WriteBytes(file, &kSavedVariable, 1) && ok;
        ok = WriteBytes(file, v->name, strzmienne::NAME_SIZE) && ok;
        ok = WriteDword(file, v->type) && ok;
        ok = WriteFloat(file, v->seconds) && ok;
        ok = WriteBytes(file, &v->isSet, 1) && ok;
        ok = WriteDword(file, static_cast<DWORD>(v->value)) && ok;
    }
    ok = WriteBytes(file, &kSavedEnd, 1) && ok;
    return ok;
}

bool GameAI::LoadVariables(FILE* file)
{
    for (;;)
    {
        BYTE marker = kSavedEnd;
        if (!ReadBytes(file, &marker, 1))
            return false;
        if (marker == kSavedEnd)
            return true;
        char name[strzmienne::NAME_SIZE];
        DWORD type = 0;
        float seconds = 0.0f;
        BYTE isSet = 0;
        DWORD value = 0;
        if (!ReadBytes(file, name, sizeof name) || !ReadDword(file, &type) || !ReadFloat(file, &seconds) ||
            !ReadBytes(file, &isSet, 1) || !ReadDword(file, &value))
            return false;
        name[strzmienne::NAME_SIZE - 1] = 0;
        if (!name[0])
            continue;
        strzmienne* v = FindVariable(name);
        if (!v)
            v = NewVariable(name, type);
        else
            MoveToFront(v);
        v->type = type;
        v->seconds = seconds;
        v->isSet = isSet;
        v->value = static_cast<int>(value);
    }
}
