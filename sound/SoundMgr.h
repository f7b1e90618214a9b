#pragma once
// CSoundMgr: the one owner of DirectSound. Every sound effect and voice is a
// strSound, one buffer holding a whole wave, played in 2D (volume and pan) or
// in 3D (volume and a position, attenuated here by the distance to the
// listener). It also owns the music thread, whose semaphore is the sound lock.

#include "platform/dsound/DSound.h"

class CMusicThread;
class CSoundWave;

struct strSound
{
    static constexpr int FILE_NAME_SIZE = 256;

    char szFileName[FILE_NAME_SIZE];
    IDirectSoundBuffer* pBuffer;
    WAVEFORMATEX Format;
    BYTE bAutoDelete;
    BYTE bLooping;
    float fVolume;
    float fBaseVolume;
    BYTE b3D;
    BYTE bVoice;
    D3DVECTOR vPosition;
    float fDistance;
    IDirectSound3DBuffer* p3DBuffer;
    strSound* pNext;
};

class CSoundMgr
{
public:
    // The audible range of a new 3D sound.
    static constexpr float DEFAULT_3D_DISTANCE = 640.0f;
    static constexpr float MIN_3D_DISTANCE = 1.0f;
    // Level frames during which every 3D sound stays silent.
    static constexpr DWORD SILENT_3D_FRAMES = 210;
    // How often a lost buffer is asked to come back before this play is skipped.
    static constexpr int MAX_RESTORE_TRIES = 20;
    static constexpr DWORD RESTORE_WAIT_MS = 10;
    // A headless recording plays this many frames at a time (10 ms).
    static constexpr DWORD CLOCK_STEP_FRAMES = 441;

    CSoundMgr() = default;
    CSoundMgr(const CSoundMgr&) = delete;
    CSoundMgr& operator=(const CSoundMgr&) = delete;

    bool Initialize(HWND hwnd);
    void Update();
    void Release();

    strSound* CreateSound(const char* fileName);
    strSound* CreateSound3D(const char* fileName);
    strSound* CreateSound3DAt(const char* fileName, const D3DVECTOR* position, float distance, bool play,
                              bool looping);
    void PlaySound(strSound* sound, bool looping);
    void PlaySoundOnce(const char* fileName, float volume, float pan);
    void PlaySound3DOnce(const char* fileName, const D3DVECTOR* position, float distance);
    void StopSound(strSound* sound);
    bool IsPlaying(strSound* sound);
    // Whether the sound is still one of the manager's: a world's reset deletes them all.
    bool Holds(const strSound* sound) const;
    void DeleteSound(strSound* sound);
    void DeleteAllSounds();
    void DeleteFinishedSounds();
    void StopAllSounds();

    void SetSoundVolume(strSound* sound, float volume);
    void SetSoundBaseVolume(strSound* sound, float baseVolume);
    void SetSoundPan(strSound* sound, float pan);
    void SetSoundPosition(strSound* sound, const D3DVECTOR& position);
    void SetSoundDistance(strSound* sound, float distance);
    void UpdateSound3D(strSound* sound);

    void SetListenerPosition(const D3DVECTOR& position);
    void SetListenerOrientation(const D3DVECTOR& front, const D3DVECTOR& top);
    void CommitListener();
    void SetMasterVolume(float volume);

    bool PreloadSound(const char* fileName);
    void ClearCache();

    HRESULT RestoreBuffer(IDirectSoundBuffer* buffer, BYTE* restored);
    HRESULT FillBuffer(CSoundWave* wave, IDirectSoundBuffer* buffer);

    // Music (one track at a time, streamed by the music thread).
    void Music_Play(const char* fileName, bool looping);
    void Music_Stop();
    void Music_Release();
    void Music_Pause();
    void Music_Resume();
    bool Music_IsPlaying();
    void SetMusicVolume(float volume);

    IDirectSound8* m_pDS = nullptr;
    IDirectSound3DListener* m_pDSListener = nullptr;
    strSound* m_pSounds = nullptr;
    float m_fMasterVolume = 0.0f;
    CMusicThread* m_pMusic = nullptr;
    float m_fMusicVolume = 0.0f;
    BYTE m_bFlag = 0;
    D3DVECTOR m_vListenerPosition = {};
    // The engine clock when the device was made: a headless run that writes
    // what it plays plays what the clock has moved on since.
    double m_dDeviceTime = 0.0;

private:
    // The music thread's semaphore around DirectSound calls; nothing without music.
    void Lock();
    void Unlock();
    strSound* Create(const char* fileName, DWORD flags);
    // A headless run that writes what it plays: plays what the clock says is due.
    void FollowTheClock();
    // Sound is on and no cut-scene stop is pending.
    static bool Allowed();
};

extern CSoundMgr g_SoundMgr;
