// The DirectSound device and its 3D listener.
#include "platform/dsound/DSoundHeadless.h"
#include "platform/dsound/SoundBuffer.h"

#include <cmath>
#include <cstring>
#include <new>

namespace
{
std::atomic<bool> g_bFailCreate{false};

using std::lock_guard;
using std::mutex;

class TkListener final : public IDirectSound3DListener
{
public:
    ULONG AddRef() override { return ++m_Refs; }
    ULONG Release() override
    {
        const ULONG left = --m_Refs;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT GetPosition(D3DVECTOR* position) override
    {
        if (!position)
            return DSERR_INVALIDPARAM;
        return Read(
            [&](const TkListenerParams& p) {
                *position = {p.position.x, p.position.y, p.position.z};
            });
    }
    HRESULT GetOrientation(D3DVECTOR* front, D3DVECTOR* top) override
    {
        if (!front || !top)
            return DSERR_INVALIDPARAM;
        return Read(
            [&](const TkListenerParams& p)
            {
                *front = {p.front.x, p.front.y, p.front.z};
                *top = {p.top.x, p.top.y, p.top.z};
            });
    }
    HRESULT GetDistanceFactor(float* factor) override
    {
        if (!factor)
            return DSERR_INVALIDPARAM;
        return Read([&](const TkListenerParams& p) { *factor = p.distanceFactor; });
    }
    HRESULT GetRolloffFactor(float* factor) override
    {
        if (!factor)
            return DSERR_INVALIDPARAM;
        return Read([&](const TkListenerParams& p) { *factor = p.rolloffFactor; });
    }
    HRESULT SetPosition(float x, float y, float z, DWORD apply) override
    {
        if (!Finite({x, y, z}))
            return DSERR_INVALIDPARAM;
        return Write(apply, [=](TkListenerParams& p) { p.position = {x, y, z}; });
    }
    HRESULT SetOrientation(float fx, float fy, float fz, float tx, float ty, float tz, DWORD apply) override
    {
        if (!Finite({fx, fy, fz}) || !Finite({tx, ty, tz}))
            return DSERR_INVALIDPARAM;
        return Write(apply,
                     [=](TkListenerParams& p)
                     {
                         p.front = {fx, fy, fz};
                         p.top = {tx, ty, tz};
                     });
    }
    HRESULT SetVelocity(float x, float y, float z, DWORD apply) override
    {
        if (!Finite({x, y, z}))
            return DSERR_INVALIDPARAM;
        return Write(apply, [=](TkListenerParams& p) { p.velocity = {x, y, z}; });
    }
    HRESULT SetDistanceFactor(float factor, DWORD apply) override
    {
        if (!(factor > 0.0f) || !std::isfinite(factor))
            return DSERR_INVALIDPARAM;
        return Write(apply, [=](TkListenerParams& p) { p.distanceFactor = factor; });
    }
    HRESULT SetRolloffFactor(float factor, DWORD apply) override
    {
        if (!(factor >= DS3D_MINROLLOFFFACTOR && factor <= DS3D_MAXROLLOFFFACTOR))
            return DSERR_INVALIDPARAM;
        return Write(apply, [=](TkListenerParams& p) { p.rolloffFactor = factor; });
    }
    HRESULT CommitDeferredSettings() override
    {
        TkMixer& mixer = TkMixer::Get();
        lock_guard<mutex> hold(mixer.m_Lock);
        mixer.CommitLocked();
        return DS_OK;
    }

private:
    static bool Finite(const TkVec3& v)
    {
        return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
    }
    template <class F> static HRESULT Read(F read)
    {
        TkMixer& mixer = TkMixer::Get();
        lock_guard<mutex> hold(mixer.m_Lock);
        read(mixer.m_ListenerPending);
        return DS_OK;
    }
    template <class F> static HRESULT Write(DWORD apply, F change)
    {
        if (apply != DS3D_IMMEDIATE && apply != DS3D_DEFERRED)
            return DSERR_INVALIDPARAM;
        TkMixer& mixer = TkMixer::Get();
        lock_guard<mutex> hold(mixer.m_Lock);
        change(mixer.m_ListenerPending);
        if (apply == DS3D_IMMEDIATE)
            change(mixer.m_Listener);
        return DS_OK;
    }

    std::atomic<ULONG> m_Refs{1};
};

class TkDirectSound final : public IDirectSound8
{
public:
    TkDirectSound() { TkMixer::Get().DeviceCreated(); }

    ULONG AddRef() override { return ++m_Refs; }
    ULONG Release() override
    {
        const ULONG left = --m_Refs;
        if (left == 0)
        {
            TkMixer::Get().DeviceReleased();
            delete this;
        }
        return left;
    }

    HRESULT SetCooperativeLevel(HWND hwnd, DWORD level) override
    {
        if (!hwnd || (level != DSSCL_NORMAL && level != DSSCL_PRIORITY))
            return DSERR_INVALIDPARAM;
        m_dwLevel = level;
        return DS_OK;
    }

    HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer, IUnknown* outer) override
    {
        if (!buffer)
            return DSERR_INVALIDPARAM;
        *buffer = nullptr;
        if (outer)
            return DSERR_NOAGGREGATION;
        if (!desc || (desc->dwSize != DSBUFFERDESC_SIZE && desc->dwSize != sizeof(DSBUFFERDESC)))
            return DSERR_INVALIDPARAM;
        if (m_dwLevel == 0)
            return DSERR_UNINITIALIZED;
        const DWORD flags = desc->dwFlags;
        if (flags & DSBCAPS_PRIMARYBUFFER)
        {
            if (desc->dwBufferBytes != 0 || desc->lpwfxFormat)
                return DSERR_INVALIDPARAM;
            *buffer = new (std::nothrow) TkSoundBuffer(flags, nullptr, 0);
            return *buffer ? DS_OK : DSERR_OUTOFMEMORY;
        }
        const WAVEFORMATEX* f = desc->lpwfxFormat;
        if (!f)
            return DSERR_INVALIDPARAM;
        if (!TkValidPcmFormat(f))
            return DSERR_BADFORMAT;
        if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX)
            return DSERR_INVALIDPARAM;
        // 3D sound comes from one point: it needs a mono buffer, and its pan is the 3D one.
        if ((flags & DSBCAPS_CTRL3D) && (f->nChannels != 1 || (flags & DSBCAPS_CTRLPAN)))
            return DSERR_INVALIDPARAM;
        *buffer = new (std::nothrow) TkSoundBuffer(flags, f, desc->dwBufferBytes);
        return *buffer ? DS_OK : DSERR_OUTOFMEMORY;
    }

private:
    std::atomic<ULONG> m_Refs{1};
    DWORD m_dwLevel = 0;
};
} // namespace

IDirectSound3DListener* TkCreateListener()
{
    return new TkListener();
}

HRESULT DirectSoundCreate8(const GUID*, IDirectSound8** out, IUnknown* outer)
{
    if (!out)
        return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (outer)
        return DSERR_NOAGGREGATION;
    if (g_bFailCreate)
        return DSERR_GENERIC;
    *out = new TkDirectSound();
    return DS_OK;
}

void TkSoundFailCreate(bool fail)
{
    g_bFailCreate = fail;
}
