#pragma once
// DirectSound 8 as the sound code calls it: a device, its primary buffer and
// 3D listener, secondary buffers (2D and 3D) that a software mixer plays at
// 44.1 kHz 16-bit stereo. Only the calls, types and constants the game uses.

#include "platform/d3d9/D3D9Types.h"
#include "platform/win32/Unknown.h"

// ---- Wave formats ----------------------------------------------------------
#define WAVE_FORMAT_PCM 1

struct WAVEFORMATEX
{
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
typedef WAVEFORMATEX* LPWAVEFORMATEX;

// ---- Buffer description ----------------------------------------------------
struct DSBUFFERDESC
{
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    LPWAVEFORMATEX lpwfxFormat;
    GUID guid3DAlgorithm;
};
// The descriptor size callers write into dwSize (the 32-bit layout); the
// layer also takes sizeof(DSBUFFERDESC).
#define DSBUFFERDESC_SIZE 36

#define DSBCAPS_PRIMARYBUFFER 0x00000001
#define DSBCAPS_STATIC 0x00000002
#define DSBCAPS_CTRL3D 0x00000010
#define DSBCAPS_CTRLFREQUENCY 0x00000020
#define DSBCAPS_CTRLPAN 0x00000040
#define DSBCAPS_CTRLVOLUME 0x00000080
#define DSBCAPS_GETCURRENTPOSITION2 0x00010000
#define DSBCAPS_MUTE3DATMAXDISTANCE 0x00020000

#define DSSCL_NORMAL 0x00000001
#define DSSCL_PRIORITY 0x00000002

#define DSBPLAY_LOOPING 0x00000001

#define DSBSTATUS_PLAYING 0x00000001
#define DSBSTATUS_BUFFERLOST 0x00000002
#define DSBSTATUS_LOOPING 0x00000004

#define DSBLOCK_FROMWRITECURSOR 0x00000001
#define DSBLOCK_ENTIREBUFFER 0x00000002

#define DSBVOLUME_MIN (-10000)
#define DSBVOLUME_MAX 0
#define DSBPAN_LEFT (-10000)
#define DSBPAN_CENTER 0
#define DSBPAN_RIGHT 10000
#define DSBFREQUENCY_ORIGINAL 0
#define DSBFREQUENCY_MIN 100
#define DSBFREQUENCY_MAX 200000
#define DSBSIZE_MIN 4
#define DSBSIZE_MAX 0x0FFFFFFF

// ---- 3D --------------------------------------------------------------------
#define DS3D_IMMEDIATE 0x00000000
#define DS3D_DEFERRED 0x00000001

#define DS3DMODE_NORMAL 0x00000000
#define DS3DMODE_HEADRELATIVE 0x00000001
#define DS3DMODE_DISABLE 0x00000002

#define DS3D_MINROLLOFFFACTOR 0.0f
#define DS3D_MAXROLLOFFFACTOR 10.0f
#define DS3D_DEFAULTROLLOFFFACTOR 1.0f
#define DS3D_DEFAULTDISTANCEFACTOR 1.0f
#define DS3D_DEFAULTMINDISTANCE 1.0f
#define DS3D_DEFAULTMAXDISTANCE 1000000000.0f

// ---- Results ---------------------------------------------------------------
#define DS_OK S_OK
#define DSERR_ALLOCATED ((HRESULT)0x8878000A)
#define DSERR_CONTROLUNAVAIL ((HRESULT)0x8878001E)
#define DSERR_INVALIDPARAM E_INVALIDARG
#define DSERR_INVALIDCALL ((HRESULT)0x88780032)
#define DSERR_GENERIC E_FAIL
#define DSERR_PRIOLEVELNEEDED ((HRESULT)0x88780046)
#define DSERR_OUTOFMEMORY E_OUTOFMEMORY
#define DSERR_BADFORMAT ((HRESULT)0x88780064)
#define DSERR_UNSUPPORTED E_NOTIMPL
#define DSERR_NOAGGREGATION ((HRESULT)0x80040110)
#define DSERR_BUFFERLOST ((HRESULT)0x88780096)
#define DSERR_UNINITIALIZED ((HRESULT)0x887800AA)
#define DSERR_BUFFERTOOSMALL ((HRESULT)0x887800B4)
#define DSERR_DS8_REQUIRED ((HRESULT)0x887800BE)
#define E_NOINTERFACE ((HRESULT)0x80004002)
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0)

// The interfaces a buffer hands out through QueryInterface.
extern const GUID IID_IDirectSound3DListener;
extern const GUID IID_IDirectSound3DBuffer;
// The default 3D algorithm of a buffer description: all zero.
extern const GUID DS3DALG_DEFAULT;

// ---- Interfaces ------------------------------------------------------------
struct IDirectSoundBuffer : IUnknown
{
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) = 0;
    virtual HRESULT GetFormat(WAVEFORMATEX* format, DWORD sizeAllocated, DWORD* sizeWritten) = 0;
    virtual HRESULT GetVolume(LONG* volume) = 0;
    virtual HRESULT GetPan(LONG* pan) = 0;
    virtual HRESULT GetFrequency(DWORD* frequency) = 0;
    virtual HRESULT GetStatus(DWORD* status) = 0;
    virtual HRESULT Lock(DWORD offset, DWORD bytes, void** part1, DWORD* bytes1, void** part2, DWORD* bytes2,
                         DWORD flags) = 0;
    virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
    virtual HRESULT SetCurrentPosition(DWORD position) = 0;
    virtual HRESULT SetFormat(const WAVEFORMATEX* format) = 0;
    virtual HRESULT SetVolume(LONG volume) = 0;
    virtual HRESULT SetPan(LONG pan) = 0;
    virtual HRESULT SetFrequency(DWORD frequency) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2) = 0;
    virtual HRESULT Restore() = 0;
};
typedef IDirectSoundBuffer* LPDIRECTSOUNDBUFFER;

struct IDirectSound3DBuffer : IUnknown
{
    virtual HRESULT GetMode(DWORD* mode) = 0;
    virtual HRESULT GetPosition(D3DVECTOR* position) = 0;
    virtual HRESULT GetMinDistance(float* distance) = 0;
    virtual HRESULT GetMaxDistance(float* distance) = 0;
    virtual HRESULT SetMode(DWORD mode, DWORD apply) = 0;
    virtual HRESULT SetPosition(float x, float y, float z, DWORD apply) = 0;
    virtual HRESULT SetVelocity(float x, float y, float z, DWORD apply) = 0;
    virtual HRESULT SetMinDistance(float distance, DWORD apply) = 0;
    virtual HRESULT SetMaxDistance(float distance, DWORD apply) = 0;
};
typedef IDirectSound3DBuffer* LPDIRECTSOUND3DBUFFER;

struct IDirectSound3DListener : IUnknown
{
    virtual HRESULT GetPosition(D3DVECTOR* position) = 0;
    virtual HRESULT GetOrientation(D3DVECTOR* front, D3DVECTOR* top) = 0;
    virtual HRESULT GetDistanceFactor(float* factor) = 0;
    virtual HRESULT GetRolloffFactor(float* factor) = 0;
    virtual HRESULT SetPosition(float x, float y, float z, DWORD apply) = 0;
    virtual HRESULT SetOrientation(float frontX, float frontY, float frontZ, float topX, float topY,
                                   float topZ, DWORD apply) = 0;
    virtual HRESULT SetVelocity(float x, float y, float z, DWORD apply) = 0;
    virtual HRESULT SetDistanceFactor(float factor, DWORD apply) = 0;
    virtual HRESULT SetRolloffFactor(float factor, DWORD apply) = 0;
    virtual HRESULT CommitDeferredSettings() = 0;
};
typedef IDirectSound3DListener* LPDIRECTSOUND3DLISTENER;

struct IDirectSound8 : IUnknown
{
    virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer,
                                      IUnknown* outer) = 0;
    virtual HRESULT SetCooperativeLevel(HWND hwnd, DWORD level) = 0;
};
typedef IDirectSound8* LPDIRECTSOUND8;

// The default device when `device` is null. One device plays at a time; a
// second one shares the mixer of the first.
HRESULT DirectSoundCreate8(const GUID* device, IDirectSound8** out, IUnknown* outer);
