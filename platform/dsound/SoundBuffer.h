#pragma once
// One DirectSound buffer: a primary buffer (the device's format and its 3D
// listener) or a secondary buffer that holds samples the mixer plays at its
// play cursor. A secondary buffer made with DSBCAPS_CTRL3D is also its own
// IDirectSound3DBuffer.

#include "platform/dsound/Mixer.h"

// PCM, mono or stereo, 8 or 16 bits, a rate the mixer takes, a block that fits.
bool TkValidPcmFormat(const WAVEFORMATEX* format);

class TkSoundBuffer final : public IDirectSoundBuffer, public IDirectSound3DBuffer
{
public:
    // A primary buffer when `format` is null.
    TkSoundBuffer(DWORD flags, const WAVEFORMATEX* format, DWORD bytes);

    ULONG AddRef() override;
    ULONG Release() override;

    // IDirectSoundBuffer
    HRESULT QueryInterface(REFIID iid, void** object) override;
    HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) override;
    HRESULT GetFormat(WAVEFORMATEX* format, DWORD sizeAllocated, DWORD* sizeWritten) override;
    HRESULT GetVolume(LONG* volume) override;
    HRESULT GetPan(LONG* pan) override;
    HRESULT GetFrequency(DWORD* frequency) override;
    HRESULT GetStatus(DWORD* status) override;
    HRESULT Lock(DWORD offset, DWORD bytes, void** part1, DWORD* bytes1, void** part2, DWORD* bytes2,
                 DWORD flags) override;
    HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) override;
    HRESULT SetCurrentPosition(DWORD position) override;
    HRESULT SetFormat(const WAVEFORMATEX* format) override;
    HRESULT SetVolume(LONG volume) override;
    HRESULT SetPan(LONG pan) override;
    HRESULT SetFrequency(DWORD frequency) override;
    HRESULT Stop() override;
    HRESULT Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2) override;
    HRESULT Restore() override;

    // IDirectSound3DBuffer
    HRESULT GetMode(DWORD* mode) override;
    HRESULT GetPosition(D3DVECTOR* position) override;
    HRESULT GetMinDistance(float* distance) override;
    HRESULT GetMaxDistance(float* distance) override;
    HRESULT SetMode(DWORD mode, DWORD apply) override;
    HRESULT SetPosition(float x, float y, float z, DWORD apply) override;
    HRESULT SetVelocity(float x, float y, float z, DWORD apply) override;
    HRESULT SetMinDistance(float distance, DWORD apply) override;
    HRESULT SetMaxDistance(float distance, DWORD apply) override;

    // The mixer's side, with its lock held.
    void MixLocked(float* acc, DWORD frames, const TkListenerParams& listener);
    void CommitLocked() { m_3D = m_3DPending; }
    void LoseLocked();
    bool IsPrimary() const { return (m_dwFlags & DSBCAPS_PRIMARYBUFFER) != 0; }

private:
    ~TkSoundBuffer();
    template <class Apply> HRESULT Set3D(DWORD apply, Apply change);
    DWORD PlayCursorLocked() const;
    // Left and right gains from the volume, the pan and the 3D settings.
    void GainsLocked(const TkListenerParams& listener, float& left, float& right) const;

    std::atomic<ULONG> m_Refs{1};
    DWORD m_dwFlags;
    WAVEFORMATEX m_Format{};
    std::vector<uint8_t> m_Data;
    DWORD m_dwFrames = 0;
    LONG m_lVolume = DSBVOLUME_MAX;
    LONG m_lPan = DSBPAN_CENTER;
    DWORD m_dwFrequency = 0; // samples per second now played
    bool m_bPlaying = false;
    bool m_bLooping = false;
    bool m_bLost = false;
    uint64_t m_Position = 0; // play position in frames, 32.32 fixed point
    Tk3DParams m_3D;
    Tk3DParams m_3DPending;
    // An outstanding Lock: the caller writes into a copy that Unlock puts in place.
    bool m_bLocked = false;
    DWORD m_dwLockOffset = 0;
    DWORD m_dwLockBytes1 = 0;
    DWORD m_dwLockBytes2 = 0;
    std::vector<uint8_t> m_Staging;
};
