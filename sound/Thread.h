#pragma once
// Thread: a worker thread that runs the object's Run, and the semaphore
// (count 1, at most 1) that the worker and its owner share as a lock.

#include "platform/win32/WinTypes.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

// A counting semaphore of at most one, not re-entrant: Wait blocks while the
// count is 0, Post raises it.
class CSemaphore
{
public:
    void Wait()
    {
        std::unique_lock<std::mutex> hold(m_Lock);
        m_Ready.wait(hold, [this] { return m_iCount > 0; });
        --m_iCount;
    }
    void Post()
    {
        {
            std::lock_guard<std::mutex> hold(m_Lock);
            if (m_iCount < 1)
                ++m_iCount;
        }
        m_Ready.notify_one();
    }

private:
    std::mutex m_Lock;
    std::condition_variable m_Ready;
    int m_iCount = 1;
};

class Thread
{
public:
    Thread() = default;
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // The worker's body; the base does nothing.
    virtual DWORD Run() { return 0; }

    // Starts the worker (stopping a running one first) with a new semaphore.
    void Start();
    // Ends the worker: clears running under the lock and waits for it.
    void Stop();

    // The shared lock; nothing before the worker started.
    void Lock();
    void Unlock();

    std::thread m_hThread;
    DWORD m_dwThreadId = 0;
    BYTE m_bRunning = 0;
    std::unique_ptr<CSemaphore> m_hSemaphore;
};
