#pragma once
// The software mixer behind the DirectSound layer: every buffer's state, the
// 3D listener, and the one lock that guards them against the thread that
// plays (SDL's audio callback, the real-time writer) and the music worker.

#include "platform/dsound/DSound.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

struct TkVec3
{
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

struct Tk3DParams
{
    DWORD mode = DS3DMODE_NORMAL;
    TkVec3 position;
    TkVec3 velocity;
    float minDistance = DS3D_DEFAULTMINDISTANCE;
    float maxDistance = DS3D_DEFAULTMAXDISTANCE;
};

struct TkListenerParams
{
    TkVec3 position;
    TkVec3 front{0.0f, 0.0f, 1.0f};
    TkVec3 top{0.0f, 1.0f, 0.0f};
    TkVec3 velocity;
    float distanceFactor = DS3D_DEFAULTDISTANCEFACTOR;
    float rolloffFactor = DS3D_DEFAULTROLLOFFFACTOR;
};

class TkSoundBuffer;

class TkMixer
{
public:
    static TkMixer& Get();

    // Everything below is called with m_Lock held.
    void Add(TkSoundBuffer* buffer);
    void Remove(TkSoundBuffer* buffer);
    // Adds `frames` frames of every playing buffer to `acc` (2 x frames).
    void MixLocked(float* acc, DWORD frames);
    void CommitLocked();
    template <class F> void ForEachLocked(F f)
    {
        for (TkSoundBuffer* b : m_Buffers)
            f(b);
    }
    unsigned LiveBuffers() const { return static_cast<unsigned>(m_Buffers.size()); }

    // Mixes into 16-bit samples; takes the lock.
    void Mix(int16_t* out, DWORD frames);

    // A device came or went: the first starts the output, the last stops it.
    void DeviceCreated();
    void DeviceReleased();

    std::mutex m_Lock;
    TkListenerParams m_Listener;        // in force
    TkListenerParams m_ListenerPending; // as last set
    bool m_bDeviceAvailable = true;

private:
    std::vector<TkSoundBuffer*> m_Buffers;
    std::vector<float> m_Acc;
    int m_iDevices = 0;
};
