#include "game/GameTrace.h"

namespace
{
bool g_recording = false;

std::vector<std::string>& Log()
{
    static std::vector<std::string> log;
    return log;
}
} // namespace

void TkRecordGameSteps(bool on)
{
    g_recording = on;
    Log().clear();
}

void TkNoteGameStep(const char* name)
{
    if (g_recording && name)
        Log().emplace_back(name);
}

const std::vector<std::string>& TkGameStepLog()
{
    return Log();
}
