#include "sound/SoundMgr.h"

#include "game/MainGame.h"
#include "platform/dsound/DSoundHeadless.h"
#include "platform/win32/Path.h"
#include "platform/win32/Win32.h"
#include "shell/Console.h"
#include "shell/Debug.h"
#include "shell/GameOptions.h"
#include "shell/Timer.h"
#include "sound/MusicThread.h"
#include "sound/SoundCache.h"
#include "sound/SoundWave.h"
#include "ui/Panel.h"
#include "world/Engine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

CSoundMgr g_SoundMgr;

namespace
{
constexpr const char* TAG_SOUND = "strSound";
constexpr const char* TAG_WAVE = "CSoundWave";
constexpr const char* TAG_LISTENER = "m_pDSListener";
constexpr const char* TAG_MUSIC = "CMusicThread";
constexpr DWORD kFlags2D = DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
constexpr DWORD kFlags3D = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRL3D | DSBCAPS_MUTE3DATMAXDISTANCE;
constexpr WORD kPrimaryChannels = 2;
constexpr DWORD kPrimaryRate = 44100;
constexpr WORD kPrimaryBits = 16;
constexpr float kListenerRolloff = 0.4f;
constexpr float kListenerDistanceFactor = 1.0f;
constexpr double kGainScale = 1.1;
constexpr double kVoiceGainScale = 1.4;
constexpr double kGainFloor = 0.1;
constexpr double kLetterboxVoiceGain = 0.95;
constexpr float kPanScale = 10000.0f;
constexpr float kMusicSilence = 0.05f;
constexpr double kMusicVolumeRoot = 0.25;
constexpr BYTE kSilence8 = 128;
// Buffer volumes are hundredths of a decibel, and fall as the attenuation grows.
constexpr float kCentibelsPerDecibel = -100.0f;
// Room beside the file name for the words of a line.
constexpr int kLineExtra = 32;

// The error names the buffer creation reports.
struct ErrorName
{
    HRESULT code;
    const char* name;
};
constexpr ErrorName kErrorNames[] = {
    {DSERR_ALLOCATED, "DSERR_ALLOCATED"},           {DSERR_BADFORMAT, "DSERR_BADFORMAT"},
    {DSERR_BUFFERTOOSMALL, "DSERR_BUFFERTOOSMALL"}, {DSERR_CONTROLUNAVAIL, "DSERR_CONTROLUNAVAIL"},
    {DSERR_DS8_REQUIRED, "DSERR_DS8_REQUIRED"},     {DSERR_INVALIDCALL, "DSERR_INVALIDCALL"},
    {DSERR_INVALIDPARAM, "DSERR_INVALIDPARAM"},     {DSERR_NOAGGREGATION, "DSERR_NOAGGREGATION"},
    {DSERR_OUTOFMEMORY, "DSERR_OUTOFMEMORY"},       {DSERR_UNINITIALIZED, "DSERR_UNINITIALIZED"},
    {DSERR_UNSUPPORTED, "DSERR_UNSUPPORTED"},
};

void PrintName(const char* format, const char* name)
{
    char line[strSound::FILE_NAME_SIZE + kLineExtra];
    std::snprintf(line, sizeof line, format, name ? name : "");
    g_Console.Print(line);
}

bool ContainsVoices(const char* name)
{
    static constexpr char kVoices[] = "voices";
    const size_t n = sizeof kVoices - 1;
    for (const char* p = name; *p; ++p)
    {
        size_t i = 0;
        while (i < n && p[i] && (p[i] | 0x20) == kVoices[i])
            ++i;
        if (i == n)
            return true;
    }
    return false;
}

float Clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

// Attenuation in decibels for a level in 0..1, linear by segments: 1 gives 0,
// 0.5 gives 20, 0.25 gives 45, 0.125 gives 70 and 0 gives 100.
struct CurveStep
{
    float above; // the level this segment starts above
    float slope; // its level span is 1 / slope
    float span;  // decibels over the segment
    float base;  // decibels at its top end
};
constexpr CurveStep kVolumeCurve[] = {
    {0.5f, 2.0f, 20.0f, 0.0f},
    {0.25f, 4.0f, 25.0f, 20.0f},
    {0.125f, 8.0f, 25.0f, 45.0f},
    {-1.0f, 8.0f, 30.0f, 70.0f},
};

LONG VolumeFor(float v)
{
    for (const CurveStep& s : kVolumeCurve)
    {
        if (v > s.above)
        {
            const float from = s.above < 0.0f ? 0.0f : s.above;
            float a = (1.0f - (v - from) * s.slope) * s.span;
            a = a < 0.0f ? 0.0f : (a > s.span ? s.span : a);
            const LONG volume = static_cast<LONG>((a + s.base) * kCentibelsPerDecibel);
            return volume < DSBVOLUME_MIN ? DSBVOLUME_MIN : (volume > DSBVOLUME_MAX ? DSBVOLUME_MAX : volume);
        }
    }
    return DSBVOLUME_MIN;
}
} // namespace

bool CSoundMgr::Allowed()
{
    return g_Options.sound && !g_Engine.m_bSkipCutscene;
}

void CSoundMgr::Lock()
{
    if (m_pMusic)
        m_pMusic->Lock();
}

void CSoundMgr::Unlock()
{
    if (m_pMusic)
        m_pMusic->Unlock();
}

// ---- Device --------------------------------------------------------------------

bool CSoundMgr::Initialize(HWND hwnd)
{
    if (m_pDS)
        Release();
    m_bFlag = 0;
    if (FAILED(DirectSoundCreate8(nullptr, &m_pDS, nullptr)))
    {
        m_pDS = nullptr;
        g_Console.Print("Sound Initialize Failed... (DirectSoundCreate8)");
        Release();
        return false;
    }
    if (FAILED(m_pDS->SetCooperativeLevel(hwnd, DSSCL_PRIORITY)))
    {
        g_Console.Print("Sound Initialize Failed... (SetCooperativeLevel)");
        Release();
        return false;
    }
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_SIZE;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    if (FAILED(m_pDS->CreateSoundBuffer(&desc, &primary, nullptr)))
    {
        g_Console.Print("Sound Initialize Failed (Create Primary Buffer)...");
        Release();
        return false;
    }
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = kPrimaryChannels;
    format.nSamplesPerSec = kPrimaryRate;
    format.wBitsPerSample = kPrimaryBits;
    format.nBlockAlign = static_cast<WORD>(kPrimaryChannels * kPrimaryBits / 8);
    format.nAvgBytesPerSec = kPrimaryRate * format.nBlockAlign;
    const HRESULT set = primary->SetFormat(&format);
    primary->Release();
    if (FAILED(set))
    {
        g_Console.Print("Sound Initialize Failed (SetPrimaryBufferFormat)...");
        Release();
        return false;
    }
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
    if (SUCCEEDED(m_pDS->CreateSoundBuffer(&desc, &primary, nullptr)))
    {
        void* listener = nullptr;
        if (SUCCEEDED(primary->QueryInterface(IID_IDirectSound3DListener, &listener)))
            m_pDSListener = static_cast<IDirectSound3DListener*>(listener);
        primary->Release();
    }
    if (m_pDSListener)
    {
        g_Debug.AddAllocation(TAG_LISTENER);
        m_pDSListener->SetVelocity(0.0f, 0.0f, 0.0f, DS3D_DEFERRED);
        m_pDSListener->SetDistanceFactor(kListenerDistanceFactor, DS3D_DEFERRED);
        m_pDSListener->SetRolloffFactor(kListenerRolloff, DS3D_DEFERRED);
    }
    CommitListener();
    m_fMasterVolume = 1.0f;
    m_pMusic = nullptr;
    m_fMusicVolume = 1.0f;
    m_bFlag = 0;
    m_dDeviceTime = Timer(TIMER_GETABSOLUTETIME);
    return true;
}

void CSoundMgr::Release()
{
    DeleteAllSounds();
    ClearCache();
    if (m_pDSListener)
    {
        m_pDSListener->Release();
        m_pDSListener = nullptr;
        g_Debug.RemoveAllocation(TAG_LISTENER);
    }
    Music_Release();
    if (m_pDS)
    {
        m_pDS->Release();
        m_pDS = nullptr;
    }
}

void CSoundMgr::Update()
{
    for (strSound* s = m_pSounds; s; s = s->pNext)
        if (s->b3D)
            UpdateSound3D(s);
    CommitListener();
    DeleteFinishedSounds();
    FollowTheClock();
}

void CSoundMgr::FollowTheClock()
{
    if (!m_pDS || !TkSoundFollowsClock())
        return;
    // The frames the clock says are due, in steps short enough that the music
    // stream, refilled before each, never runs dry.
    const double due = Timer(TIMER_GETABSOLUTETIME) - m_dDeviceTime;
    const uint64_t dueFrames = due > 0.0 ? static_cast<uint64_t>(std::llround(due * TK_SOUND_RATE)) : 0;
    for (uint64_t played = TkSoundPlayedFrames(); played < dueFrames; played = TkSoundPlayedFrames())
    {
        if (m_pMusic)
            m_pMusic->RefillNow();
        TkSoundPlay(static_cast<DWORD>(std::min<uint64_t>(CLOCK_STEP_FRAMES, dueFrames - played)));
    }
    // A track whose end was played in the last stretch is seen to end in this frame.
    if (m_pMusic)
        m_pMusic->RefillNow();
}

// ---- Sounds --------------------------------------------------------------------

strSound* CSoundMgr::Create(const char* fileName, DWORD flags)
{
    if (!Allowed() || !m_pDS || !fileName || !*fileName)
        return nullptr;
    DeleteFinishedSounds();
    Lock();
    auto* sound = new strSound();
    g_Debug.AddAllocation(TAG_SOUND);
    std::snprintf(sound->szFileName, sizeof sound->szFileName, "%s", fileName);
    sound->fVolume = 1.0f;
    sound->fBaseVolume = 1.0f;
    sound->pNext = m_pSounds;

    CSoundCache::Entry* cached = nullptr;
    CSoundWave* wave = nullptr;
    CSoundWave* temporary = nullptr;
    if (g_SoundCache.Find(fileName, &cached))
        wave = cached->wave;
    else
    {
        temporary = new CSoundWave();
        g_Debug.AddAllocation(TAG_WAVE);
        if (!temporary->LoadWaveFromFile(fileName))
        {
            g_Console.Print("ERROR: SoundMgr.cpp  *** Sound loading problem!");
            PrintName("WaveFileName: %s", fileName);
            g_Console.Print(" ");
            delete temporary;
            g_Debug.RemoveAllocation(TAG_WAVE);
            delete sound;
            g_Debug.RemoveAllocation(TAG_SOUND);
            Unlock();
            return nullptr;
        }
        wave = temporary;
    }

    WAVEFORMATEX format = wave->m_Format;
    format.cbSize = 0;
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_SIZE;
    desc.dwFlags = flags;
    desc.dwBufferBytes = wave->m_dwDataSize;
    desc.lpwfxFormat = &format;
    desc.guid3DAlgorithm = DS3DALG_DEFAULT;
    sound->Format = format;
    const HRESULT hr = m_pDS->CreateSoundBuffer(&desc, &sound->pBuffer, nullptr);
    if (FAILED(hr))
    {
        sound->pBuffer = nullptr;
        g_Console.Print(" ");
        g_Console.Print("ERROR in SoundMgr.cpp:");
        PrintName("WaveFileName: %s", fileName);
        g_Console.Print("CreateSoundBuffer() failed...");
        for (const ErrorName& e : kErrorNames)
            if (e.code == hr)
                g_Console.Print(e.name);
        if ((flags & DSBCAPS_CTRL3D) && format.nChannels > 1)
            g_Console.Print("---> 3D Sound has to be mono!");
        g_Console.Print(" ");
    }
    else
        FillBuffer(wave, sound->pBuffer);
    if (temporary)
    {
        delete temporary;
        g_Debug.RemoveAllocation(TAG_WAVE);
    }
    if (!sound->pBuffer)
    {
        delete sound;
        g_Debug.RemoveAllocation(TAG_SOUND);
        Unlock();
        return nullptr;
    }
    m_pSounds = sound;
    Unlock();
    return sound;
}

strSound* CSoundMgr::CreateSound(const char* fileName)
{
    strSound* sound = Create(fileName, kFlags2D);
    SetSoundVolume(sound, 1.0f);
    return sound;
}

strSound* CSoundMgr::CreateSound3D(const char* fileName)
{
    strSound* sound = Create(fileName, kFlags3D);
    if (!sound)
        return nullptr;
    sound->b3D = 1;
    sound->bVoice = 0;
    sound->fDistance = DEFAULT_3D_DISTANCE;
    SetSoundVolume(sound, 1.0f);
    sound->bVoice = ContainsVoices(fileName) ? 1 : 0;
    Lock();
    void* buffer3D = nullptr;
    if (FAILED(sound->pBuffer->QueryInterface(IID_IDirectSound3DBuffer, &buffer3D)) || !buffer3D)
        g_Console.Print("ERROR in CSoundMgr::CreateSound3D() problems with 3D buffer...");
    else
    {
        sound->p3DBuffer = static_cast<IDirectSound3DBuffer*>(buffer3D);
        sound->p3DBuffer->SetMode(DS3DMODE_NORMAL, DS3D_DEFERRED);
        sound->p3DBuffer->SetVelocity(0.0f, 0.0f, 0.0f, DS3D_DEFERRED);
    }
    Unlock();
    CommitListener();
    return sound;
}

strSound* CSoundMgr::CreateSound3DAt(const char* fileName, const D3DVECTOR* position, float distance,
                                     bool play, bool looping)
{
    if (!fileName || !position)
        return nullptr;
    FILE* f = TkFopen(fileName, "rb");
    if (!f)
        return nullptr;
    std::fclose(f);
    strSound* sound = CreateSound3D(fileName);
    if (!sound)
        return nullptr;
    if (ContainsVoices(fileName))
        sound->bVoice = 1;
    SetSoundPosition(sound, *position);
    SetSoundDistance(sound, distance);
    if (play)
    {
        PlaySound(sound, looping);
        CommitListener();
    }
    return sound;
}

void CSoundMgr::PlaySound(strSound* sound, bool looping)
{
    if (!sound || !sound->pBuffer || !Allowed())
        return;
    Lock();
    sound->bLooping = looping ? 1 : 0;
    BYTE restored = 0;
    if (SUCCEEDED(RestoreBuffer(sound->pBuffer, &restored)))
    {
        if (restored)
        {
            // The buffer came back empty: its wave again, from the cache or the disk.
            CSoundCache::Entry* cached = nullptr;
            CSoundWave* wave = nullptr;
            CSoundWave* temporary = nullptr;
            if (g_SoundCache.Find(sound->szFileName, &cached))
                wave = cached->wave;
            else
            {
                temporary = new CSoundWave();
                g_Debug.AddAllocation(TAG_WAVE);
                if (temporary->LoadWaveFromFile(sound->szFileName))
                    wave = temporary;
                else
                {
                    g_Console.Print("ERROR in CSoundMgr::PlaySound(): Sound loading problem!");
                    PrintName("WaveFileName: %s", sound->szFileName);
                }
            }
            if (wave)
                FillBuffer(wave, sound->pBuffer);
            if (temporary)
            {
                delete temporary;
                g_Debug.RemoveAllocation(TAG_WAVE);
            }
        }
        sound->pBuffer->Play(0, 0, looping ? DSBPLAY_LOOPING : 0);
    }
    Unlock();
    if (sound->b3D)
    {
        UpdateSound3D(sound);
        CommitListener();
    }
}

void CSoundMgr::PlaySoundOnce(const char* fileName, float volume, float pan)
{
    if (!Allowed())
        return;
    strSound* sound = CreateSound(fileName);
    if (!sound)
        return;
    sound->bAutoDelete = 1;
    SetSoundVolume(sound, volume);
    SetSoundPan(sound, pan);
    PlaySound(sound, false);
}

void CSoundMgr::PlaySound3DOnce(const char* fileName, const D3DVECTOR* position, float distance)
{
    if (!Allowed())
        return;
    strSound* sound = CreateSound3D(fileName);
    if (!sound)
        return;
    sound->bAutoDelete = 1;
    if (position)
        SetSoundPosition(sound, *position);
    SetSoundDistance(sound, distance);
    SetSoundVolume(sound, 1.0f);
    PlaySound(sound, false);
    CommitListener();
}

void CSoundMgr::StopSound(strSound* sound)
{
    if (!sound || !sound->pBuffer)
        return;
    Lock();
    sound->pBuffer->Stop();
    Unlock();
}

bool CSoundMgr::IsPlaying(strSound* sound)
{
    if (!sound || !sound->pBuffer)
        return false;
    DWORD status = 0;
    Lock();
    const HRESULT hr = sound->pBuffer->GetStatus(&status);
    Unlock();
    return SUCCEEDED(hr) && (status & DSBSTATUS_PLAYING);
}

bool CSoundMgr::Holds(const strSound* sound) const
{
    for (const strSound* s = m_pSounds; s && sound; s = s->pNext)
        if (s == sound)
            return true;
    return false;
}

void CSoundMgr::DeleteSound(strSound* sound)
{
    if (!sound)
        return;
    Lock();
    if (sound->pBuffer)
        sound->pBuffer->Stop();
    if (sound->p3DBuffer)
    {
        sound->p3DBuffer->Release();
        sound->p3DBuffer = nullptr;
    }
    if (sound->pBuffer)
    {
        sound->pBuffer->Release();
        sound->pBuffer = nullptr;
    }
    Unlock();
    for (strSound** link = &m_pSounds; *link; link = &(*link)->pNext)
    {
        if (*link == sound)
        {
            *link = sound->pNext;
            delete sound;
            g_Debug.RemoveAllocation(TAG_SOUND);
            return;
        }
    }
    // Not one of ours: its buffers are released, the record is the caller's.
}

void CSoundMgr::DeleteAllSounds()
{
    while (m_pSounds)
        DeleteSound(m_pSounds);
}

void CSoundMgr::DeleteFinishedSounds()
{
    strSound* s = m_pSounds;
    while (s)
    {
        strSound* next = s->pNext;
        if (s->bAutoDelete && !IsPlaying(s))
            DeleteSound(s);
        s = next;
    }
}

void CSoundMgr::StopAllSounds()
{
    for (strSound* s = m_pSounds; s; s = s->pNext)
        if (!s->bLooping)
            StopSound(s);
}

// ---- Levels and places -----------------------------------------------------------

void CSoundMgr::SetSoundVolume(strSound* sound, float volume)
{
    if (!sound || !sound->pBuffer)
        return;
    sound->fVolume = volume;
    const float v = Clamp01(Clamp01(sound->fBaseVolume * volume) * m_fMasterVolume);
    const LONG centibels = VolumeFor(v);
    Lock();
    sound->pBuffer->SetVolume(centibels);
    Unlock();
}

void CSoundMgr::SetSoundBaseVolume(strSound* sound, float baseVolume)
{
    if (!sound || !sound->pBuffer)
        return;
    sound->fBaseVolume = Clamp01(baseVolume);
}

void CSoundMgr::SetSoundPan(strSound* sound, float pan)
{
    if (!sound || !sound->pBuffer)
        return;
    const float p = pan < -1.0f ? -1.0f : (pan > 1.0f ? 1.0f : pan);
    Lock();
    sound->pBuffer->SetPan(static_cast<LONG>(p * kPanScale));
    Unlock();
}

void CSoundMgr::SetSoundPosition(strSound* sound, const D3DVECTOR& position)
{
    if (!sound || !sound->pBuffer || !sound->p3DBuffer)
        return;
    Lock();
    sound->p3DBuffer->SetPosition(position.x, position.y, position.z, DS3D_DEFERRED);
    Unlock();
    sound->vPosition = position;
    UpdateSound3D(sound);
}

void CSoundMgr::SetSoundDistance(strSound* sound, float distance)
{
    if (!sound || !sound->pBuffer || !sound->p3DBuffer)
        return;
    // Also catches NaN.
    if (!(distance >= MIN_3D_DISTANCE))
        distance = MIN_3D_DISTANCE;
    Lock();
    sound->p3DBuffer->SetMaxDistance(distance, DS3D_DEFERRED);
    sound->p3DBuffer->SetMinDistance(distance, DS3D_DEFERRED);
    Unlock();
    sound->fDistance = distance;
}

void CSoundMgr::UpdateSound3D(strSound* sound)
{
    if (!sound || !sound->pBuffer || !sound->b3D)
        return;
    const float dx = sound->vPosition.x - m_vListenerPosition.x;
    const float dy = sound->vPosition.y - m_vListenerPosition.y;
    const float dz = sound->vPosition.z - m_vListenerPosition.z;
    const double d =
        std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy + static_cast<double>(dz) * dz);
    double g = (1.0 - d / sound->fDistance) * kGainScale;
    if (sound->bVoice)
        g *= kVoiceGainScale;
    if (!(g >= kGainFloor))
        g = 0.0;
    if (g > 1.0)
        g = 1.0;
    if (sound->bVoice && g_Panel.LetterboxOn() && g < kLetterboxVoiceGain)
        g = kLetterboxVoiceGain;
    if (g_MainGame.m_iLevelFrame < SILENT_3D_FRAMES)
        g = 0.0;
    SetSoundVolume(sound, static_cast<float>(g));
}

void CSoundMgr::SetListenerPosition(const D3DVECTOR& position)
{
    if (m_pDSListener)
    {
        Lock();
        m_pDSListener->SetPosition(position.x, position.y, position.z, DS3D_DEFERRED);
        Unlock();
    }
    m_vListenerPosition = position;
}

void CSoundMgr::SetListenerOrientation(const D3DVECTOR& front, const D3DVECTOR& top)
{
    if (!m_pDSListener)
        return;
    Lock();
    m_pDSListener->SetOrientation(front.x, front.y, front.z, top.x, top.y, top.z, DS3D_DEFERRED);
    Unlock();
}

void CSoundMgr::CommitListener()
{
    if (!m_pDSListener)
        return;
    Lock();
    m_pDSListener->CommitDeferredSettings();
    Unlock();
}

void CSoundMgr::SetMasterVolume(float volume)
{
    m_fMasterVolume = volume > 0.0f ? std::sqrt(volume) : 0.0f;
    for (strSound* s = m_pSounds; s; s = s->pNext)
        SetSoundVolume(s, s->fVolume);
}

// ---- Cache and buffers -------------------------------------------------------------

bool CSoundMgr::PreloadSound(const char* fileName)
{
    if (!fileName)
        return false;
    return g_SoundCache.LoadToCache(fileName);
}

void CSoundMgr::ClearCache()
{
    g_SoundCache.Clear();
}

HRESULT CSoundMgr::RestoreBuffer(IDirectSoundBuffer* buffer, BYTE* restored)
{
    if (!buffer)
        return CO_E_NOTINITIALIZED;
    DWORD status = 0;
    const HRESULT hr = buffer->GetStatus(&status);
    if (FAILED(hr))
        return hr;
    if (!(status & DSBSTATUS_BUFFERLOST))
        return 1;
    // The device may stay with another program: a bounded wait, then this
    // play is skipped and the next one asks again.
    for (int tries = 0; buffer->Restore() == DSERR_BUFFERLOST; ++tries)
    {
        if (tries + 1 >= MAX_RESTORE_TRIES)
            return DSERR_BUFFERLOST;
        Sleep(RESTORE_WAIT_MS);
    }
    if (restored)
        *restored = 1;
    return 0;
}

HRESULT CSoundMgr::FillBuffer(CSoundWave* wave, IDirectSoundBuffer* buffer)
{
    if (!wave || !buffer)
        return 1;
    BYTE restored = 0;
    const HRESULT r = RestoreBuffer(buffer, &restored);
    if (FAILED(r))
        return r;
    void *part1 = nullptr, *part2 = nullptr;
    DWORD bytes1 = 0, bytes2 = 0;
    const HRESULT hr = buffer->Lock(0, 0, &part1, &bytes1, &part2, &bytes2, DSBLOCK_ENTIREBUFFER);
    if (FAILED(hr))
        return hr;
    std::memset(part1, wave->m_Format.wBitsPerSample == 8 ? kSilence8 : 0, bytes1);
    // A wave read again may not be the one the buffer was made for: never
    // more than the buffer holds.
    const DWORD copy = wave->m_dwDataSize < bytes1 ? wave->m_dwDataSize : bytes1;
    if (copy && wave->m_pReadedWaveData)
        std::memcpy(part1, wave->m_pReadedWaveData, copy);
    return buffer->Unlock(part1, bytes1, part2, bytes2);
}

// ---- Music -------------------------------------------------------------------------

void CSoundMgr::Music_Play(const char* fileName, bool looping)
{
    Music_Release();
    FILE* f = fileName ? TkFopen(fileName, "rb") : nullptr;
    if (!f)
    {
        g_Console.Print(" ");
        g_Console.Print("ERROR in CSoundMgr::Music_Play(): Music file doesn't exist!");
        PrintName("Music File: %s", fileName);
        g_Console.Print(" ");
        return;
    }
    std::fclose(f);
    if (!m_pDS)
        return;
    m_pMusic = new CMusicThread(m_pDS);
    g_Debug.AddAllocation(TAG_MUSIC);
    if (m_pMusic->Open(fileName))
    {
        m_pMusic->Play(m_fMusicVolume, 0.0, looping);
        return;
    }
    g_Console.Print(" ");
    g_Console.Print("ERROR in CSoundMgr::Music_Play(): loading failed...");
    PrintName("Music File: %s", fileName);
    g_Console.Print(" ");
    Music_Release();
}

void CSoundMgr::Music_Stop()
{
    if (m_pMusic)
        m_pMusic->Stop();
}

void CSoundMgr::Music_Release()
{
    if (!m_pMusic)
        return;
    delete m_pMusic;
    m_pMusic = nullptr;
    g_Debug.RemoveAllocation(TAG_MUSIC);
}

void CSoundMgr::Music_Pause()
{
    if (m_pMusic)
        m_pMusic->Pause();
}

void CSoundMgr::Music_Resume()
{
    if (m_pMusic)
        m_pMusic->Resume();
}

bool CSoundMgr::Music_IsPlaying()
{
    return m_pMusic && m_pMusic->IsPlaying();
}

void CSoundMgr::SetMusicVolume(float volume)
{
    m_fMusicVolume = volume;
    if (!m_pMusic)
        return;
    const double v = volume < kMusicSilence ? 0.0 : std::pow(static_cast<double>(volume), kMusicVolumeRoot);
    m_pMusic->Lock();
    m_pMusic->SetVolume(v);
    m_pMusic->SetPan(0.0);
    m_pMusic->Unlock();
}
