#include "game/GameConsole.h"

#include "game/GameAI.h"
#include "game/MainGame.h"
#include "shell/Console.h"

#include <cstdio>

namespace
{
constexpr int kLineChars = 160;

const char* TypeName(DWORD type)
{
    switch (type)
    {
    case strzmienne::TYPE_COUNTER:
        return "counter";
    case strzmienne::TYPE_INT:
        return "int";
    default:
        return "bool";
    }
}

void PrintVariable(const strzmienne& v)
{
    char line[kLineChars];
    std::snprintf(line, sizeof line, "Variable %s: %s, set %d, seconds %.2f, value %d", v.name,
                  TypeName(v.type), v.isSet, static_cast<double>(v.seconds), v.value);
    g_Console.Print(line);
}

void StartWorld(const char* value)
{
    g_MainGame.ScheduleWorldStart(value);
}

void SetVariable(const char* value)
{
    g_GameAI.SetVariable(value, nullptr);
}

void UnsetVariable(const char* value)
{
    g_GameAI.UnsetVariable(value, nullptr);
}

void ShowVariable(const char* value)
{
    if (const strzmienne* v = g_GameAI.FindVariable(value))
        PrintVariable(*v);
    else
        g_Console.Print2("No variable ", value ? value : "");
}

void ShowVariables(const char*)
{
    for (const strzmienne* v = g_GameAI.m_pVariables; v; v = v->older)
        PrintVariable(*v);
}

void ShowLevelFrame(const char*)
{
    g_Console.PrintInt("LevelFrame == ", static_cast<int>(g_MainGame.m_iLevelFrame));
}
} // namespace

void RegisterGameConsoleCommands()
{
    g_Console.RegisterCommand("StartWorld", StartWorld);
    g_Console.RegisterCommand("SetVariable", SetVariable);
    g_Console.RegisterCommand("UnsetVariable", UnsetVariable);
    g_Console.RegisterCommand("Variable", ShowVariable);
    g_Console.RegisterCommand("Variables", ShowVariables);
    g_Console.RegisterCommand("LevelFrame", ShowLevelFrame);
}
