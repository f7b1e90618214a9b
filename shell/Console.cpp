// STAND-IN: see Console.h.
#include "shell/Console.h"

#include "platform/d3d9/D3D9Types.h"
#include "platform/win32/Path.h"

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
