#include "platform/win32/Headless.h"

#include "platform/Backend.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Frames.h"
#include "platform/win32/Input.h"
#include "platform/win32/MessageQueue.h"
#include "platform/win32/SingleInstance.h"
#include "platform/win32/WindowRegistry.h"
#include "platform/win32/WindowTimers.h"

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr double kDefaultFrameStepMs = 1000.0 / 60.0;
constexpr double kMaxFrameStepMs = 60000.0;
constexpr double kNsPerMs = 1e6;

// The music thread may read the clock while the UI thread moves it.
std::atomic<int64_t> g_clockNs{0};
std::atomic<bool> g_highResolution{true};
double g_frameStepMs = kDefaultFrameStepMs;
bool g_stepFromEnvironment = true;
int g_frameClockFromEnvironment = -1; // -1: not read yet
// Frame steps that are not whole nanoseconds are carried so that sixty frames
// of 1000/60 ms make exactly one second.
double g_stepRemainderNs = 0.0;
std::vector<TkMessageBoxRecord> g_messageBoxes;

int64_t ToNs(double ms)
{
    return static_cast<int64_t>(std::llround(ms * kNsPerMs));
}

void ReadFrameStep()
{
    if (!g_stepFromEnvironment)
        return;
    g_stepFromEnvironment = false;
    g_frameStepMs = kDefaultFrameStepMs;
    if (const char* step = std::getenv("TK_FRAME_MS"); step && *step)
    {
        char* end = nullptr;
        errno = 0;
        double ms = std::strtod(step, &end);
        if (*end || errno || !(ms > 0.0) || ms > kMaxFrameStepMs)
            std::fprintf(stderr, "TK_FRAME_MS=\"%s\" is not a frame step in milliseconds; using %.4f\n", step,
                         kDefaultFrameStepMs);
        else
            g_frameStepMs = ms;
    }
}
} // namespace

bool TkVirtualClock()
{
    if (TkIsHeadless())
        return true;
    if (g_frameClockFromEnvironment < 0)
    {
        const char* clock = std::getenv("TK_CLOCK");
        g_frameClockFromEnvironment = clock && std::strcmp(clock, "frames") == 0;
    }
    return g_frameClockFromEnvironment == 1;
}

int64_t TkHeadlessClockNs()
{
    return g_clockNs.load();
}

void TkHeadlessAdvanceClockNs(int64_t ns)
{
    if (ns > 0)
        g_clockNs.fetch_add(ns);
}

double TkHeadlessClockMs()
{
    return static_cast<double>(g_clockNs.load()) / kNsPerMs;
}

void TkHeadlessSetClockMs(double ms)
{
    g_clockNs.store(ms > 0.0 ? ToNs(ms) : 0);
    g_stepRemainderNs = 0.0;
}

void TkHeadlessAdvanceClockMs(double ms)
{
    if (ms > 0.0)
        g_clockNs.fetch_add(ToNs(ms));
}

void TkHeadlessSetFrameStepMs(double ms)
{
    g_stepFromEnvironment = false;
    if (ms > 0.0 && ms <= kMaxFrameStepMs)
        g_frameStepMs = ms;
    g_stepRemainderNs = 0.0;
}

double TkHeadlessFrameStepMs()
{
    ReadFrameStep();
    return g_frameStepMs;
}

void TkHeadlessAdvanceFrameClock()
{
    ReadFrameStep();
    double step = g_frameStepMs * kNsPerMs + g_stepRemainderNs;
    int64_t whole = static_cast<int64_t>(std::floor(step + 1e-6));
    g_stepRemainderNs = step - static_cast<double>(whole);
    g_clockNs.fetch_add(whole);
}

void TkHeadlessSetHighResolutionCounter(bool available)
{
    g_highResolution.store(available);
}

bool TkHighResolutionCounterAvailable()
{
    return g_highResolution.load();
}

const std::vector<TkMessageBoxRecord>& TkHeadlessMessageBoxes()
{
    return g_messageBoxes;
}

void TkRecordMessageBox(const char* caption, const char* text, UINT type)
{
    g_messageBoxes.push_back(TkMessageBoxRecord{caption ? caption : "", text ? text : "", type});
}

void TkHeadlessReset()
{
    TkResetWindows();
    TkResetTimers();
    TkResetMessageQueue();
    TkResetInput();
    TkClearScript();
    TkResetDialogs();
    TkResetFrames();
    TkResetMutexes();
    g_messageBoxes.clear();
    g_clockNs.store(0);
    g_highResolution.store(true);
    g_frameStepMs = kDefaultFrameStepMs;
    g_stepFromEnvironment = true;
    g_frameClockFromEnvironment = -1;
    g_stepRemainderNs = 0.0;
}
