#include "sound/MusicThread.h"

#include "platform/dsound/DSoundHeadless.h"
#include "platform/win32/Win32.h"
#include "shell/Debug.h"
#include "sound/MusicSource.h"
#include "sound/OggStream.h"

#include <cstring>

namespace
{
constexpr const char* TAG_SOURCE = "CMusicSource";
constexpr const char* TAG_STREAM = "OGG_Stream";
constexpr DWORD kIdleSleepMs = 20;
constexpr DWORD kNearEndSleepMs = 1;
constexpr int kBytesPerSample = 2;
constexpr WORD kBits = 16;
constexpr double kSilentVolume = 0.05;
constexpr double kVolumeRange = -5000.0;
constexpr double kPanRange = 10000.0;
// One refill goes back to its start at most once after a rewind.
constexpr int kRefillPasses = 2;
} // namespace

CMusicThread::CMusicThread(IDirectSound8* device) : m_pDevice(device) {}

CMusicThread::~CMusicThread()
{
    Thread::Stop();
    Close();
}

bool CMusicThread::Open(const char* fileName)
{
    if (m_bLoaded)
        return false;
    Lock();
    m_pSource = new CMusicSource();
    g_Debug.AddAllocation(TAG_SOURCE);
    bool ok = m_pSource->Open(fileName) == 0;
    if (ok)
    {
        m_pStream = new OGG_Stream(m_pSource);
        g_Debug.AddAllocation(TAG_STREAM);
        // Without its headers the stream has no channel count to build on.
        ok = m_pStream->IsOpen();
    }
    if (ok && m_pDevice)
    {
        const WORD channels = static_cast<WORD>(m_pStream->GetChannels());
        const DWORD rate = static_cast<DWORD>(m_pStream->GetRate());
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = channels;
        // The track's own rate, so it plays at its own speed and pitch.
        format.nSamplesPerSec = rate;
        format.wBitsPerSample = kBits;
        format.nBlockAlign = static_cast<WORD>(channels * kBytesPerSample);
        format.nAvgBytesPerSec = rate * format.nBlockAlign;
        DSBUFFERDESC desc{};
        desc.dwSize = DSBUFFERDESC_SIZE;
        desc.dwFlags = STREAM_FLAGS;
        m_iBufferBytes = channels * kBytesPerSample * STREAM_FRAMES;
        desc.dwBufferBytes = static_cast<DWORD>(m_iBufferBytes);
        desc.lpwfxFormat = &format;
        desc.guid3DAlgorithm = DS3DALG_DEFAULT;
        if (FAILED(m_pDevice->CreateSoundBuffer(&desc, &m_pBuffer, nullptr)))
            m_pBuffer = nullptr;
    }
    if (!ok || !m_pBuffer)
    {
        m_iBufferBytes = 0;
        if (m_pStream)
        {
            delete m_pStream;
            m_pStream = nullptr;
            g_Debug.RemoveAllocation(TAG_STREAM);
        }
        delete m_pSource;
        m_pSource = nullptr;
        g_Debug.RemoveAllocation(TAG_SOURCE);
        Unlock();
        return false;
    }
    m_bPlaying = 0;
    m_iWriteCursor = 0;
    m_dVolume = 0.0;
    m_bLooping = 1;
    m_bLoaded = 1;
    Unlock();
    Start();
    return true;
}

void CMusicThread::Play(double volume, double pan, bool looping)
{
    if (!m_bLoaded)
        return;
    Stop();
    Lock();
    m_iEndMarker = -1;
    m_dwMarkerWrapped = 0;
    m_bLooping = looping ? 1 : 0;
    m_iGuardGap = GUARD_GAP;
    m_iWriteCursor = 0;
    SetVolume(volume);
    SetPan(pan);
    if (m_pBuffer)
    {
        m_pBuffer->SetCurrentPosition(PLAY_PREFILL_CURSOR);
        m_bStreamEnded = 0;
        m_pStream->Rewind();
        Refill();
        m_pBuffer->SetCurrentPosition(PLAY_START_CURSOR);
        m_pBuffer->Play(0, 0, DSBPLAY_LOOPING);
        m_pBuffer->SetCurrentPosition(PLAY_START_CURSOR);
        m_bPlaying = 1;
    }
    Unlock();
}

void CMusicThread::StopLocked()
{
    m_bPlaying = 0;
    m_bPaused = 0;
    if (m_pStream)
        m_pStream->OnStop();
    if (m_pBuffer)
        m_pBuffer->Stop();
}

void CMusicThread::Stop()
{
    if (!m_bLoaded)
        return;
    Lock();
    StopLocked();
    Unlock();
}

bool CMusicThread::IsPlaying()
{
    DWORD status = 0;
    Lock();
    const bool known = m_pBuffer && SUCCEEDED(m_pBuffer->GetStatus(&status));
    Unlock();
    return known && (status & DSBSTATUS_PLAYING);
}

void CMusicThread::Close()
{
    Stop();
    Lock();
    m_bLoaded = 0;
    m_bPlaying = 0;
    m_iWriteCursor = 0;
    if (m_pBuffer)
    {
        m_pBuffer->Stop();
        m_pBuffer->Release();
        m_pBuffer = nullptr;
    }
    m_iBufferBytes = 0;
    if (m_pStream)
    {
        delete m_pStream;
        m_pStream = nullptr;
        g_Debug.RemoveAllocation(TAG_STREAM);
    }
    if (m_pSource)
    {
        delete m_pSource;
        m_pSource = nullptr;
        g_Debug.RemoveAllocation(TAG_SOURCE);
    }
    Unlock();
}

void CMusicThread::SetVolume(double volume)
{
    if (!m_bLoaded || !m_pBuffer)
        return;
    const LONG v = volume < kSilentVolume ? DSBVOLUME_MIN : static_cast<LONG>((1.0 - volume) * kVolumeRange);
    m_pBuffer->SetVolume(v < DSBVOLUME_MIN ? DSBVOLUME_MIN : (v > DSBVOLUME_MAX ? DSBVOLUME_MAX : v));
    m_dVolume = volume;
}

void CMusicThread::SetPan(double pan)
{
    if (!m_bLoaded || !m_pBuffer)
        return;
    const double p = pan < -1.0 ? -1.0 : (pan > 1.0 ? 1.0 : pan);
    m_pBuffer->SetPan(static_cast<LONG>(p * kPanRange));
}

void CMusicThread::Pause()
{
    if (!m_bLoaded || !m_pBuffer)
        return;
    Lock();
    m_pBuffer->Stop();
    if (m_bPlaying)
        m_bPaused = 1;
    m_bPlaying = 0;
    Unlock();
}

void CMusicThread::Resume()
{
    if (!m_bLoaded || !m_pBuffer)
        return;
    Lock();
    if (m_bPaused)
    {
        m_pBuffer->Play(0, 0, DSBPLAY_LOOPING);
        m_bPlaying = 1;
        m_bPaused = 0;
    }
    Unlock();
}

void CMusicThread::Decode(BYTE* into, int bytes)
{
    int got = m_pStream->ReadPCM(into, bytes);
    // A looping track goes on from its beginning right after its last sample.
    while (got < bytes && m_bLooping)
    {
        m_pStream->Rewind();
        const int more = m_pStream->ReadPCM(into + got, bytes - got);
        if (more <= 0)
            break; // a track with nothing in it: silence, not a spin
        got += more;
    }
    if (got < bytes)
    {
        std::memset(into + got, 0, static_cast<size_t>(bytes - got));
        m_bStreamEnded = 1;
    }
}

void CMusicThread::Refill()
{
    for (int pass = 0; pass < kRefillPasses; ++pass)
    {
        if (!m_pBuffer || !m_pStream)
            return;
        const int size = m_iBufferBytes;
        if (size <= 0)
            return;
        DWORD playCursor = 0;
        if (FAILED(m_pBuffer->GetCurrentPosition(&playCursor, nullptr)))
            return;
        const int play = static_cast<int>(playCursor);
        int n = play - m_iGuardGap - m_iWriteCursor;
        if (play <= m_iWriteCursor)
            n += size;
        m_iBytesToWrite = n;
        if (n > m_iGuardGap)
        {
            void *part1 = nullptr, *part2 = nullptr;
            DWORD bytes1 = 0, bytes2 = 0;
            if (FAILED(m_pBuffer->Lock(static_cast<DWORD>(m_iWriteCursor), static_cast<DWORD>(n), &part1,
                                       &bytes1, &part2, &bytes2, 0)))
                return;
            Decode(static_cast<BYTE*>(part1), static_cast<int>(bytes1));
            if (part2 && bytes2)
            {
                if (m_bStreamEnded)
                    std::memset(part2, 0, bytes2);
                else
                    Decode(static_cast<BYTE*>(part2), static_cast<int>(bytes2));
            }
            m_pBuffer->Unlock(part1, bytes1, part2, bytes2);

            m_iWriteCursor += n;
            if (m_iWriteCursor >= size)
                m_iWriteCursor -= size;

            if ((m_pStream->IsEof() || m_bStreamEnded) && m_iEndMarker < 0)
            {
                m_iEndMarker = m_iWriteCursor;
                m_dwMarkerWrapped = play >= m_iEndMarker ? 1 : 0;
                // The way the play cursor still has to go: round the buffer
                // when it is at or past the marker already.
                m_iToMarker = (m_iEndMarker - play + size) % size;
                if (m_iToMarker == 0)
                    m_iToMarker = size;
                m_iLastPlay = play;
            }
        }
        if (m_iEndMarker < 0)
            return;
        // Counting the way the cursor went, rather than looking for it in the
        // span before the marker, notices the end even when the cursor moved
        // across that span between two looks.
        m_iToMarker -= (play - m_iLastPlay + size) % size;
        m_iLastPlay = play;
        if (m_dwMarkerWrapped && play < m_iEndMarker)
            m_dwMarkerWrapped = 0;
        if (m_iToMarker > 0)
            return;

        // Playback has passed the end of the track.
        if (!m_bLooping)
        {
            m_pBuffer->Stop();
            m_bPlaying = 0;
            return;
        }
        m_pStream->Rewind();
        m_iEndMarker = -1;
        m_dwMarkerWrapped = 0;
        m_bStreamEnded = 0;
    }
}

void CMusicThread::RefillNow()
{
    Lock();
    if (m_bPlaying)
        Refill();
    Unlock();
}

DWORD CMusicThread::Run()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    Lock();
    while (m_bRunning)
    {
        // While the sound follows the virtual clock, the game's thread refills
        // as it plays each stretch (RefillNow): were the worker to look too,
        // the frame in which a track is seen to end would hang on its real
        // naps, and with it every choice the game makes on the music.
        if (m_bPlaying && !TkSoundFollowsClock())
            Refill();
        const bool nearEnd = m_iEndMarker >= 0;
        Unlock();
        Sleep(nearEnd ? kNearEndSleepMs : kIdleSleepMs);
        Lock();
    }
    Unlock();
    CoUninitialize();
    return 0;
}
