#include "platform/win32/Frames.h"

#include "platform/Backend.h"
#include "platform/win32/EventScript.h"
#include "platform/win32/Headless.h"
#include "platform/win32/MessageQueue.h"
#include "platform/win32/WindowTimers.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace
{
uint32_t g_frame = 0;
uint32_t g_frameLimit = 0;
bool g_limitFromEnvironment = true;
bool g_awaitingIdle = false;

// TK_FRAMES: run this many frames, then WM_QUIT (unset or 0: no limit).
void ReadEnvironment()
{
    if (g_limitFromEnvironment)
    {
        g_limitFromEnvironment = false;
        g_frameLimit = 0;
        if (const char* frames = std::getenv("TK_FRAMES"); frames && *frames)
        {
            char* end = nullptr;
            errno = 0;
            unsigned long n = std::strtoul(frames, &end, 10);
            if (*end || errno || n > UINT32_MAX || frames[0] == '-')
                std::fprintf(stderr, "TK_FRAMES=\"%s\" is not a frame count; running without a limit\n",
                             frames);
            else
                g_frameLimit = static_cast<uint32_t>(n);
        }
    }
}
} // namespace

bool TkIdlePass()
{
    if (g_awaitingIdle)
    {
        g_awaitingIdle = false;
        return false;
    }
    ReadEnvironment();
    if (g_frameLimit && g_frame >= g_frameLimit)
    {
        PostQuitMessage(0);
        return true;
    }
    if (TkVirtualClock())
        TkHeadlessAdvanceFrameClock();
    ++g_frame;
    TkPlayScriptFrame(g_frame);
    if (TkMessageWaiting() || TkQuitPending() || TkAnyTimerDue())
    {
        g_awaitingIdle = true;
        return true;
    }
    return false;
}

uint32_t TkFrameCount()
{
    return g_frame;
}

void TkSetFrameLimit(uint32_t frames)
{
    g_limitFromEnvironment = false;
    g_frameLimit = frames;
}

void TkResetFrames()
{
    g_frame = 0;
    g_frameLimit = 0;
    g_limitFromEnvironment = true;
    g_awaitingIdle = false;
}
