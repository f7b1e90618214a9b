#pragma once
// STAND-IN: the console's log line only. The console work replaces this file
// with the whole console (ring of lines, variables, commands, drawing).

#include "platform/win32/WinTypes.h"

struct D3DVECTOR;

class EConsole
{
public:
    virtual ~EConsole() = default;

    // One log line: appended to "!console.txt".
    void Print(const char* text);
    void PrintVector(const char* text, const D3DVECTOR& v);
    void Print2(const char* a, const char* b);
    void Print3(const char* a, const char* b, const char* c);
    void Print4(const char* a, const char* b, const char* c, const char* d);
    void PrintFloat(const char* text, float value);
    void PrintFloatA(const char* text, double value);
    void PrintFloatB(const char* text, int value);
    void PrintInt(const char* text, int value);
    void PrintInt2(const char* text, int value);
    void Print2Int(const char* a, const char* b, int value);

    // Reads the settings file: the few settings start-up needs.
    void LoadConfig(const char* fileName);
    // Each run starts a fresh "!console.txt".
    void BackupConsoleAtStart();
    void BackupConsoleAtExit() {}
    void FreeVariables() {}
};

extern EConsole g_Console;
