// STAND-IN: see Console.h.
#include "shell/Console.h"

#include "platform/d3d9/D3D9Types.h"
#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "shell/GameOptions.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

#include <cstdio>

EConsole g_Console;

void EConsole::Print(const char* text)
{
    if (!text || !*text)
        return;
    if (FILE* f = TkFopen("!console.txt", "ab"))
    {
        std::fprintf(f, "%s\r\n", text);
        std::fclose(f);
    }
}

void EConsole::PrintVector(const char* text, const D3DVECTOR& v)
{
    char line[1024];
    std::snprintf(line, sizeof line, "%s(%f, %f, %f)", text, v.x, v.y, v.z);
    Print(line);
}

void EConsole::Print2(const char* a, const char* b)
{
    char line[1024];
    std::snprintf(line, sizeof line, "%s%s", a, b);
    Print(line);
}

void EConsole::Print3(const char* a, const char* b, const char* c)
{
    char line[1024];
    std::snprintf(line, sizeof line, "%s%s%s", a, b, c);
    Print(line);
}

void EConsole::Print4(const char* a, const char* b, const char* c, const char* d)
{
    char line[1024];
    std::snprintf(line, sizeof line, "%s%s%s%s", a, b, c, d);
    Print(line);
}

void EConsole::PrintFloat(const char* text, float value)
{
    char line[1024];
    std::snprintf(line, sizeof line, "%s%f", text, value);
    Print(line);
}

void EConsole::PrintFloatA(const char* text, double value)
{
    char line[1024];
    std::snprintf(line, sizeof line, "%s%f", text, value);
    Print(line);
}

void EConsole::PrintFloatB(const char* text, int value)
{
    char line[1024];
    std::snprintf(line, sizeof line, "%s%f", text, static_cast<double>(value));
    Print(line);
}

void EConsole::PrintInt(const char* text, int value)
{
    char line[1024];
    std::snprintf(line, sizeof line, "%s%d", text, value);
    Print(line);
}

void EConsole::PrintInt2(const char* text, int value)
{
    char line[1024];
    std::snprintf(line, sizeof line, "%s%i", text, value);
    Print(line);
}

void EConsole::Print2Int(const char* a, const char* b, int value)
{
    char line[1024];
    std::snprintf(line, sizeof line, "%s%s%i", a, b, value);
    Print(line);
}

void EConsole::LoadConfig(const char* fileName)
{
    FILE* f = TkFopen(fileName, "rb");
    if (f)
    {
        char line[512];
        while (std::fgets(line, sizeof line, f))
        {
            char key[128] = {}, value[256] = {};
            if (std::sscanf(line, "%127s %255s", key, value) != 2)
                continue;
            if (!strcasecmp(key, "Windowed"))
                g_Options.Windowed = std::atoi(value) ? 1 : 0;
            else if (!strcasecmp(key, "ScreenWidth"))
                g_Options.screenwidth = std::atoi(value);
            else if (!strcasecmp(key, "ScreenHeight"))
                g_Options.screenheight = std::atoi(value);
            else if (!strcasecmp(key, "runworld"))
                std::snprintf(g_Options.runworld, sizeof g_Options.runworld, "%s", value);
        }
        std::fclose(f);
    }
    if (g_Options.Windowed)
    {
        g_Options.screenwidth = 800;
        g_Options.screenheight = 600;
    }
    g_Options.fScreenScaleX = static_cast<float>(g_Options.screenwidth) / 1024.0f;
    g_Options.fScreenScaleY = static_cast<float>(g_Options.screenheight) / 768.0f;
}

void EConsole::BackupConsoleAtStart()
{
    DeleteFileA("!Console.txt");
}
