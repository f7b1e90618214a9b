#include "sound/Thread.h"

#include <atomic>
#include <system_error>

namespace
{
std::atomic<DWORD> g_NextThreadId{1};
}

Thread::~Thread()
{
    Stop();
}

void Thread::Lock()
{
    if (m_hSemaphore)
        m_hSemaphore->Wait();
}

void Thread::Unlock()
{
    if (m_hSemaphore)
        m_hSemaphore->Post();
}

void Thread::Start()
{
    if (m_hThread.joinable())
        Stop();
    m_bRunning = 1;
    m_hSemaphore = std::make_unique<CSemaphore>();
    try
    {
        m_hThread = std::thread([this] { Run(); });
        m_dwThreadId = g_NextThreadId++;
    }
    catch (const std::system_error&)
    {
        m_bRunning = 0;
    }
}

void Thread::Stop()
{
    if (m_hThread.joinable())
    {
        Lock();
        m_bRunning = 0;
        Unlock();
        m_hThread.join();
        m_dwThreadId = 0;
    }
    m_hSemaphore.reset();
}
