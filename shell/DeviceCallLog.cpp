#include "shell/DeviceCallLog.h"

namespace
{
bool s_recording = false;

std::vector<std::string>& Log()
{
    static std::vector<std::string> log;
    return log;
}
} // namespace

void TkRecordDeviceCalls(bool on)
{
    s_recording = on;
    Log().clear();
}

void TkNoteDeviceCall(const char* name)
{
    if (s_recording && name)
        Log().emplace_back(name);
}

const std::vector<std::string>& TkDeviceCallLog()
{
    return Log();
}
