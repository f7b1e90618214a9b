#pragma once
// CMusicThread: one Ogg Vorbis track streamed by a worker thread into a
// looping DirectSound buffer of about a fifth of a second. Its semaphore is
// also the sound lock the sound manager takes around its own DirectSound calls.

#include "platform/dsound/DSound.h"
#include "sound/Thread.h"

class CMusicSource;
class OGG_Stream;

class CMusicThread : public Thread
{
public:
    // Sample frames of the streaming buffer, whatever the channel count.
    static constexpr int STREAM_FRAMES = 9216;
    static constexpr int GUARD_GAP = 512;
    // Where Play starts: the first refill runs up to the cursor at 4096, then
    // playback starts at 1024.
    static constexpr DWORD PLAY_PREFILL_CURSOR = 4096;
    static constexpr DWORD PLAY_START_CURSOR = 1024;
    static constexpr DWORD STREAM_FLAGS =
        DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_STATIC;

    explicit CMusicThread(IDirectSound8* device);
    ~CMusicThread() override;

    bool Open(const char* fileName);
    void Play(double volume, double pan, bool looping);
    void Stop();
    bool IsPlaying();
    void Close();
    void SetVolume(double volume);
    void SetPan(double pan);
    // The sound manager's pause and resume, under the lock.
    void Pause();
    void Resume();
    // The worker's refill, with the lock held.
    void Refill();
    // The worker's step, from the caller's thread: a headless recording
    // refills before each stretch it mixes, so the stream never runs dry.
    void RefillNow();
    DWORD Run() override;

    // The size of the streaming buffer in bytes; 0 without one.
    int BufferBytes() const { return m_iBufferBytes; }

    IDirectSound8* m_pDevice;
    BYTE m_bStreamEnded = 0;
    int m_iWriteCursor = 0;
    int m_iBytesToWrite = 0;
    int m_iGuardGap = GUARD_GAP;
    int m_iEndMarker = -1;
    DWORD m_dwMarkerWrapped = 0;
    IDirectSoundBuffer* m_pBuffer = nullptr;
    BYTE m_bPlaying = 0;
    // Stopped by Pause: only a paused track is resumed (one that ended stays ended).
    BYTE m_bPaused = 0;
    BYTE m_bLooping = 0;
    double m_dVolume = 0.0;
    BYTE m_bLoaded = 0;
    OGG_Stream* m_pStream = nullptr;
    CMusicSource* m_pSource = nullptr;
    // While an end marker is set: the bytes the play cursor has yet to go to
    // reach it, and where it was at the last look.
    int m_iToMarker = 0;
    int m_iLastPlay = 0;
    // Fixed when the buffer is made: the stream's channels times 9216 frames.
    int m_iBufferBytes = 0;

private:
    // Decodes into one locked part; with looping on, a track that ends goes
    // on from its beginning in the same part. The bytes left unfilled are zeroed.
    void Decode(BYTE* into, int bytes);
    void StopLocked();
};
