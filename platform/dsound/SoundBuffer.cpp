#include "platform/dsound/SoundBuffer.h"

#include "platform/dsound/DSoundHeadless.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr int kFixedShift = 32; // play positions are frames in 32.32 fixed point
constexpr double kFixedOne = 4294967296.0;
// Hundredths of a decibel per factor of ten in amplitude.
constexpr float kCentibelsPerDecade = 2000.0f;
// How far ahead of the play cursor the write cursor runs while playing: the
// span the output may already have taken (10 ms).
constexpr DWORD kWriteLeadFrames = TK_SOUND_RATE / 100;
// A 3D sound straight to one side keeps this share of its level in the far ear.
constexpr float kFarEarLevel = 0.2f;
constexpr float kTinyDistance = 1e-6f;
constexpr int kSilentSample8 = 128;
constexpr WORD kBits8 = 8;
constexpr WORD kBits16 = 16;
constexpr int kBitsPerByte = 8;
constexpr WORD kMixBlockAlign = TK_SOUND_CHANNELS * sizeof(int16_t);
constexpr float kScale8To16 = 256.0f;

using std::lock_guard;
using std::mutex;

float Gain(LONG centibels)
{
    if (centibels <= DSBVOLUME_MIN)
        return 0.0f;
    return std::pow(10.0f, static_cast<float>(centibels) / kCentibelsPerDecade);
}

float Dot(const TkVec3& a, const TkVec3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

TkVec3 Cross(const TkVec3& a, const TkVec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

TkVec3 Scaled(const TkVec3& a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}

TkVec3 Minus(const TkVec3& a, const TkVec3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

bool Normalise(TkVec3& v)
{
    const float length = std::sqrt(Dot(v, v));
    if (!(length > kTinyDistance) || !std::isfinite(length))
        return false;
    v = Scaled(v, 1.0f / length);
    return true;
}

// The listener's right axis (left-handed: right = top x front), with a sane
// frame for a zero or degenerate orientation.
TkVec3 RightAxis(const TkListenerParams& l)
{
    TkVec3 front = l.front;
    if (!Normalise(front))
        front = {0.0f, 0.0f, 1.0f};
    TkVec3 top = Minus(l.top, Scaled(front, Dot(l.top, front)));
    if (!Normalise(top))
    {
        // Looking straight up or down: any top at right angles will do.
        top = std::fabs(front.y) < 0.9f ? TkVec3{0.0f, 1.0f, 0.0f} : TkVec3{0.0f, 0.0f, 1.0f};
        top = Minus(top, Scaled(front, Dot(top, front)));
        Normalise(top);
    }
    return Cross(top, front);
}

template <int Bits> inline float Sample(const uint8_t* p)
{
    if constexpr (Bits == 8)
        return (static_cast<float>(*p) - kSilentSample8) * kScale8To16;
    else
    {
        int16_t v;
        std::memcpy(&v, p, sizeof v);
        return static_cast<float>(v);
    }
}

// Adds `frames` output frames of a buffer read from `pos` with step `step`.
// Returns false when a buffer that does not loop ran out (it stops there).
template <int Bits, int Channels>
bool MixFrames(const uint8_t* data, DWORD count, bool looping, uint64_t& pos, uint64_t step, float* acc,
               DWORD frames, float gl, float gr)
{
    constexpr int kBlock = Bits / 8 * Channels;
    constexpr int kRight = Channels == 2 ? Bits / 8 : 0;
    const uint64_t end = static_cast<uint64_t>(count) << kFixedShift;
    constexpr float kFrac = static_cast<float>(1.0 / kFixedOne);
    for (DWORD i = 0; i < frames; ++i)
    {
        if (pos >= end)
        {
            if (!looping)
                return false;
            pos %= end;
        }
        const DWORD at = static_cast<DWORD>(pos >> kFixedShift);
        DWORD next = at + 1;
        if (next >= count)
            next = looping ? 0 : at;
        const float f = static_cast<float>(pos & 0xFFFFFFFFu) * kFrac;
        const uint8_t* a = data + static_cast<size_t>(at) * kBlock;
        const uint8_t* b = data + static_cast<size_t>(next) * kBlock;
        const float l0 = Sample<Bits>(a), l1 = Sample<Bits>(b);
        const float r0 = Sample<Bits>(a + kRight), r1 = Sample<Bits>(b + kRight);
        acc[2 * i] += (l0 + (l1 - l0) * f) * gl;
        acc[2 * i + 1] += (r0 + (r1 - r0) * f) * gr;
        pos += step;
    }
    return looping || pos < end;
}
} // namespace

bool TkValidPcmFormat(const WAVEFORMATEX* f)
{
    if (!f || f->wFormatTag != WAVE_FORMAT_PCM)
        return false;
    if (f->nChannels < 1 || f->nChannels > TK_SOUND_CHANNELS)
        return false;
    if (f->wBitsPerSample != kBits8 && f->wBitsPerSample != kBits16)
        return false;
    if (f->nSamplesPerSec < DSBFREQUENCY_MIN || f->nSamplesPerSec > DSBFREQUENCY_MAX)
        return false;
    return f->nBlockAlign == f->nChannels * f->wBitsPerSample / kBitsPerByte;
}

const GUID IID_IDirectSound3DListener = {
    0x7ab5d301, 0x4b1c, 0x4d2e, {0x9a, 0x11, 0x54, 0x6b, 0x0d, 0x31, 0x4c, 0x01}};
const GUID IID_IDirectSound3DBuffer = {
    0x7ab5d302, 0x4b1c, 0x4d2e, {0x9a, 0x11, 0x54, 0x6b, 0x0d, 0x31, 0x4c, 0x02}};
const GUID DS3DALG_DEFAULT = {};

IDirectSound3DListener* TkCreateListener(); // Device.cpp

TkSoundBuffer::TkSoundBuffer(DWORD flags, const WAVEFORMATEX* format, DWORD bytes) : m_dwFlags(flags)
{
    if (format)
    {
        m_Format = *format;
        m_Format.cbSize = 0;
        m_Data.assign(bytes, m_Format.wBitsPerSample == kBits8 ? kSilentSample8 : 0);
        m_dwFrames = bytes / m_Format.nBlockAlign;
        m_dwFrequency = m_Format.nSamplesPerSec;
    }
    else
    {
        // The primary buffer starts in the mixer's own format.
        m_Format = {WAVE_FORMAT_PCM,
                    TK_SOUND_CHANNELS,
                    TK_SOUND_RATE,
                    TK_SOUND_RATE * kMixBlockAlign,
                    kMixBlockAlign,
                    kBits16,
                    0};
        m_dwFrequency = TK_SOUND_RATE;
    }
    TkMixer& mixer = TkMixer::Get();
    lock_guard<mutex> hold(mixer.m_Lock);
    mixer.Add(this);
}

TkSoundBuffer::~TkSoundBuffer() = default;

ULONG TkSoundBuffer::AddRef()
{
    return ++m_Refs;
}

ULONG TkSoundBuffer::Release()
{
    const ULONG left = --m_Refs;
    if (left == 0)
    {
        TkMixer& mixer = TkMixer::Get();
        {
            lock_guard<mutex> hold(mixer.m_Lock);
            mixer.Remove(this);
        }
        delete this;
    }
    return left;
}

HRESULT TkSoundBuffer::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (std::memcmp(&iid, &IID_IDirectSound3DBuffer, sizeof(GUID)) == 0 && !IsPrimary() &&
        (m_dwFlags & DSBCAPS_CTRL3D))
    {
        AddRef();
        *object = static_cast<IDirectSound3DBuffer*>(this);
        return S_OK;
    }
    if (std::memcmp(&iid, &IID_IDirectSound3DListener, sizeof(GUID)) == 0 && IsPrimary() &&
        (m_dwFlags & DSBCAPS_CTRL3D))
    {
        *object = TkCreateListener();
        return S_OK;
    }
    return E_NOINTERFACE;
}

DWORD TkSoundBuffer::PlayCursorLocked() const
{
    if (m_dwFrames == 0)
        return 0;
    const DWORD frame = static_cast<DWORD>((m_Position >> kFixedShift) % m_dwFrames);
    return frame * m_Format.nBlockAlign;
}

HRESULT TkSoundBuffer::GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor)
{
    if (IsPrimary())
        return DSERR_INVALIDCALL;
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    const DWORD play = PlayCursorLocked();
    if (playCursor)
        *playCursor = play;
    if (writeCursor)
    {
        DWORD write = play;
        if (m_bPlaying && m_dwFrames)
            write = (play + std::min(kWriteLeadFrames, m_dwFrames - 1) * m_Format.nBlockAlign) %
                    (m_dwFrames * m_Format.nBlockAlign);
        *writeCursor = write;
    }
    return DS_OK;
}

HRESULT TkSoundBuffer::GetFormat(WAVEFORMATEX* format, DWORD sizeAllocated, DWORD* sizeWritten)
{
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    if (sizeWritten)
        *sizeWritten = sizeof(WAVEFORMATEX);
    if (!format)
        return sizeWritten ? DS_OK : DSERR_INVALIDPARAM;
    if (sizeAllocated < sizeof(WAVEFORMATEX))
        return DSERR_INVALIDPARAM;
    *format = m_Format;
    return DS_OK;
}

HRESULT TkSoundBuffer::GetVolume(LONG* volume)
{
    if (!volume)
        return DSERR_INVALIDPARAM;
    if (!(m_dwFlags & DSBCAPS_CTRLVOLUME))
        return DSERR_CONTROLUNAVAIL;
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    *volume = m_lVolume;
    return DS_OK;
}

HRESULT TkSoundBuffer::GetPan(LONG* pan)
{
    if (!pan)
        return DSERR_INVALIDPARAM;
    if (!(m_dwFlags & DSBCAPS_CTRLPAN))
        return DSERR_CONTROLUNAVAIL;
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    *pan = m_lPan;
    return DS_OK;
}

HRESULT TkSoundBuffer::GetFrequency(DWORD* frequency)
{
    if (!frequency)
        return DSERR_INVALIDPARAM;
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    *frequency = m_dwFrequency;
    return DS_OK;
}

HRESULT TkSoundBuffer::GetStatus(DWORD* status)
{
    if (!status)
        return DSERR_INVALIDPARAM;
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    DWORD s = 0;
    if (m_bPlaying)
        s |= DSBSTATUS_PLAYING | (m_bLooping ? DSBSTATUS_LOOPING : 0);
    if (m_bLost)
        s |= DSBSTATUS_BUFFERLOST;
    *status = s;
    return DS_OK;
}

HRESULT TkSoundBuffer::Lock(DWORD offset, DWORD bytes, void** part1, DWORD* bytes1, void** part2,
                            DWORD* bytes2, DWORD flags)
{
    if (IsPrimary())
        return DSERR_PRIOLEVELNEEDED;
    if (!part1 || !bytes1)
        return DSERR_INVALIDPARAM;
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    const DWORD size = static_cast<DWORD>(m_Data.size());
    if (m_bLost)
        return DSERR_BUFFERLOST;
    if (m_bLocked)
        return DSERR_INVALIDCALL;
    if (flags & DSBLOCK_ENTIREBUFFER)
        bytes = size;
    if (flags & DSBLOCK_FROMWRITECURSOR)
    {
        offset = PlayCursorLocked();
        if (m_bPlaying && m_dwFrames)
            offset = (offset + std::min(kWriteLeadFrames, m_dwFrames - 1) * m_Format.nBlockAlign) % size;
    }
    if (bytes == 0 || bytes > size || offset >= size)
        return DSERR_INVALIDPARAM;
    const DWORD first = std::min(bytes, size - offset);
    const DWORD second = bytes - first;
    if (second && (!part2 || !bytes2))
        return DSERR_INVALIDPARAM;
    m_Staging.assign(m_Data.begin() + offset, m_Data.begin() + offset + first);
    m_Staging.insert(m_Staging.end(), m_Data.begin(), m_Data.begin() + second);
    m_bLocked = true;
    m_dwLockOffset = offset;
    m_dwLockBytes1 = first;
    m_dwLockBytes2 = second;
    *part1 = m_Staging.data();
    *bytes1 = first;
    if (part2)
        *part2 = second ? m_Staging.data() + first : nullptr;
    if (bytes2)
        *bytes2 = second;
    return DS_OK;
}

HRESULT TkSoundBuffer::Unlock(void* part1, DWORD bytes1, void* part2, DWORD bytes2)
{
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    if (!m_bLocked || part1 != m_Staging.data())
        return DSERR_INVALIDPARAM;
    if (bytes1 > m_dwLockBytes1 || bytes2 > m_dwLockBytes2)
        return DSERR_INVALIDPARAM;
    if (bytes2 && part2 != m_Staging.data() + m_dwLockBytes1)
        return DSERR_INVALIDPARAM;
    // The buffer may have been lost meanwhile: what was written is then gone.
    if (!m_bLost)
    {
        std::memcpy(m_Data.data() + m_dwLockOffset, m_Staging.data(), bytes1);
        std::memcpy(m_Data.data(), m_Staging.data() + m_dwLockBytes1, bytes2);
    }
    m_bLocked = false;
    std::vector<uint8_t>().swap(m_Staging);
    return DS_OK;
}

HRESULT TkSoundBuffer::Play(DWORD, DWORD, DWORD flags)
{
    if (IsPrimary())
        return DS_OK; // the primary buffer always plays: it is the output
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    if (m_bLost)
        return DSERR_BUFFERLOST;
    m_bLooping = (flags & DSBPLAY_LOOPING) != 0;
    m_bPlaying = true;
    // A one-shot buffer that already played to its end starts again.
    if (!m_bLooping && m_dwFrames && (m_Position >> kFixedShift) >= m_dwFrames)
        m_Position = 0;
    return DS_OK;
}

HRESULT TkSoundBuffer::SetCurrentPosition(DWORD position)
{
    if (IsPrimary())
        return DSERR_INVALIDCALL;
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    if (position >= m_Data.size())
        return DSERR_INVALIDPARAM;
    m_Position = static_cast<uint64_t>(position / m_Format.nBlockAlign) << kFixedShift;
    return DS_OK;
}

HRESULT TkSoundBuffer::SetFormat(const WAVEFORMATEX* format)
{
    if (!IsPrimary())
        return DSERR_INVALIDCALL;
    if (!TkValidPcmFormat(format))
        return DSERR_BADFORMAT;
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    // The mixer keeps playing at 44.1 kHz stereo; the format is kept for GetFormat.
    m_Format = *format;
    m_Format.cbSize = 0;
    return DS_OK;
}

HRESULT TkSoundBuffer::SetVolume(LONG volume)
{
    if (!(m_dwFlags & DSBCAPS_CTRLVOLUME))
        return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX)
        return DSERR_INVALIDPARAM;
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    m_lVolume = volume;
    return DS_OK;
}

HRESULT TkSoundBuffer::SetPan(LONG pan)
{
    if (!(m_dwFlags & DSBCAPS_CTRLPAN))
        return DSERR_CONTROLUNAVAIL;
    if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT)
        return DSERR_INVALIDPARAM;
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    m_lPan = pan;
    return DS_OK;
}

HRESULT TkSoundBuffer::SetFrequency(DWORD frequency)
{
    if (IsPrimary() || !(m_dwFlags & DSBCAPS_CTRLFREQUENCY))
        return DSERR_CONTROLUNAVAIL;
    if (frequency != DSBFREQUENCY_ORIGINAL && (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX))
        return DSERR_INVALIDPARAM;
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    m_dwFrequency = frequency == DSBFREQUENCY_ORIGINAL ? m_Format.nSamplesPerSec : frequency;
    return DS_OK;
}

HRESULT TkSoundBuffer::Stop()
{
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    m_bPlaying = false;
    return DS_OK;
}

HRESULT TkSoundBuffer::Restore()
{
    TkMixer& mixer = TkMixer::Get();
    lock_guard<mutex> hold(mixer.m_Lock);
    if (!m_bLost)
        return DS_OK;
    if (!mixer.m_bDeviceAvailable)
        return DSERR_BUFFERLOST;
    // The memory comes back, its samples do not: the owner refills it.
    m_bLost = false;
    std::fill(m_Data.begin(), m_Data.end(), m_Format.wBitsPerSample == kBits8 ? kSilentSample8 : 0);
    m_Position = 0;
    return DS_OK;
}

void TkSoundBuffer::LoseLocked()
{
    if (IsPrimary())
        return;
    m_bLost = true;
    m_bPlaying = false;
}

// ---- 3D ------------------------------------------------------------------------

template <class Apply> HRESULT TkSoundBuffer::Set3D(DWORD apply, Apply change)
{
    if (apply != DS3D_IMMEDIATE && apply != DS3D_DEFERRED)
        return DSERR_INVALIDPARAM;
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    change(m_3DPending);
    if (apply == DS3D_IMMEDIATE)
        change(m_3D);
    return DS_OK;
}

HRESULT TkSoundBuffer::GetMode(DWORD* mode)
{
    if (!mode)
        return DSERR_INVALIDPARAM;
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    *mode = m_3DPending.mode;
    return DS_OK;
}

HRESULT TkSoundBuffer::GetPosition(D3DVECTOR* position)
{
    if (!position)
        return DSERR_INVALIDPARAM;
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    *position = {m_3DPending.position.x, m_3DPending.position.y, m_3DPending.position.z};
    return DS_OK;
}

HRESULT TkSoundBuffer::GetMinDistance(float* distance)
{
    if (!distance)
        return DSERR_INVALIDPARAM;
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    *distance = m_3DPending.minDistance;
    return DS_OK;
}

HRESULT TkSoundBuffer::GetMaxDistance(float* distance)
{
    if (!distance)
        return DSERR_INVALIDPARAM;
    lock_guard<mutex> hold(TkMixer::Get().m_Lock);
    *distance = m_3DPending.maxDistance;
    return DS_OK;
}

HRESULT TkSoundBuffer::SetMode(DWORD mode, DWORD apply)
{
    if (mode > DS3DMODE_DISABLE)
        return DSERR_INVALIDPARAM;
    return Set3D(apply, [mode](Tk3DParams& p) { p.mode = mode; });
}

HRESULT TkSoundBuffer::SetPosition(float x, float y, float z, DWORD apply)
{
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
        return DSERR_INVALIDPARAM;
    return Set3D(apply, [=](Tk3DParams& p) { p.position = {x, y, z}; });
}

HRESULT TkSoundBuffer::SetVelocity(float x, float y, float z, DWORD apply)
{
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
        return DSERR_INVALIDPARAM;
    return Set3D(apply, [=](Tk3DParams& p) { p.velocity = {x, y, z}; });
}

HRESULT TkSoundBuffer::SetMinDistance(float distance, DWORD apply)
{
    if (!(distance > 0.0f) || !std::isfinite(distance))
        return DSERR_INVALIDPARAM;
    return Set3D(apply, [=](Tk3DParams& p) { p.minDistance = distance; });
}

HRESULT TkSoundBuffer::SetMaxDistance(float distance, DWORD apply)
{
    if (!(distance > 0.0f) || !std::isfinite(distance))
        return DSERR_INVALIDPARAM;
    return Set3D(apply, [=](Tk3DParams& p) { p.maxDistance = distance; });
}

// ---- Mixing --------------------------------------------------------------------

void TkSoundBuffer::GainsLocked(const TkListenerParams& listener, float& left, float& right) const
{
    const float volume = (m_dwFlags & DSBCAPS_CTRLVOLUME) ? Gain(m_lVolume) : 1.0f;
    left = right = volume;
    if (m_dwFlags & DSBCAPS_CTRLPAN)
    {
        if (m_lPan > 0)
            left *= Gain(-m_lPan);
        else if (m_lPan < 0)
            right *= Gain(m_lPan);
    }
    if (!(m_dwFlags & DSBCAPS_CTRL3D) || m_3D.mode == DS3DMODE_DISABLE)
        return;

    // Direct3D Sound's distance model: full level up to the minimum distance,
    // then min / (min + rolloff x (d - min)); held at the maximum distance, or
    // silent beyond it when the buffer asks for that.
    const bool relative = m_3D.mode == DS3DMODE_HEADRELATIVE;
    const TkVec3 offset = relative ? m_3D.position : Minus(m_3D.position, listener.position);
    float d = std::sqrt(Dot(offset, offset));
    const float minD = m_3D.minDistance;
    const float maxD = std::max(m_3D.maxDistance, minD);
    if (d > maxD)
    {
        if (m_dwFlags & DSBCAPS_MUTE3DATMAXDISTANCE)
        {
            left = right = 0.0f;
            return;
        }
        d = maxD;
    }
    const float distanceGain = d <= minD ? 1.0f : minD / (minD + listener.rolloffFactor * (d - minD));
    left *= distanceGain;
    right *= distanceGain;

    // Pan from where the sound lies along the listener's right axis.
    if (!(d > kTinyDistance))
        return;
    const float side = relative ? offset.x / d : Dot(offset, RightAxis(listener)) / d;
    const float s = std::clamp(side, -1.0f, 1.0f);
    if (s > 0.0f)
        left *= 1.0f - (1.0f - kFarEarLevel) * s;
    else
        right *= 1.0f + (1.0f - kFarEarLevel) * s;
}

void TkSoundBuffer::MixLocked(float* acc, DWORD frames, const TkListenerParams& listener)
{
    if (!m_bPlaying || m_bLost || IsPrimary())
        return;
    if (m_dwFrames == 0)
    {
        m_bPlaying = false;
        return;
    }
    const uint64_t step =
        static_cast<uint64_t>(static_cast<double>(m_dwFrequency) / TK_SOUND_RATE * kFixedOne + 0.5);
    float gl = 0.0f, gr = 0.0f;
    GainsLocked(listener, gl, gr);
    const uint64_t end = static_cast<uint64_t>(m_dwFrames) << kFixedShift;
    if (gl == 0.0f && gr == 0.0f)
    {
        // Silent: only the cursor moves (wide, so no run of frames can wrap it).
        const unsigned __int128 moved =
            static_cast<unsigned __int128>(m_Position) + static_cast<unsigned __int128>(step) * frames;
        if (moved < end)
            m_Position = static_cast<uint64_t>(moved);
        else if (m_bLooping)
            m_Position = static_cast<uint64_t>(moved % end);
        else
        {
            m_Position = end;
            m_bPlaying = false;
        }
        return;
    }
    bool more = true;
    const uint8_t* data = m_Data.data();
    const bool stereo = m_Format.nChannels == 2;
    if (m_Format.wBitsPerSample == kBits16)
        more = stereo ? MixFrames<16, 2>(data, m_dwFrames, m_bLooping, m_Position, step, acc, frames, gl, gr)
                      : MixFrames<16, 1>(data, m_dwFrames, m_bLooping, m_Position, step, acc, frames, gl, gr);
    else
        more = stereo ? MixFrames<8, 2>(data, m_dwFrames, m_bLooping, m_Position, step, acc, frames, gl, gr)
                      : MixFrames<8, 1>(data, m_dwFrames, m_bLooping, m_Position, step, acc, frames, gl, gr);
    if (!more)
    {
        m_Position = end;
        m_bPlaying = false;
    }
}
