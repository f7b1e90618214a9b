#include "platform/dsound/Mixer.h"

#include "platform/Backend.h"
#include "platform/dsound/DSoundHeadless.h"
#include "platform/dsound/SoundBuffer.h"
#include "platform/win32/Path.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace
{
using std::lock_guard;
using std::mutex;

constexpr DWORD kBytesPerFrame = TK_SOUND_CHANNELS * sizeof(int16_t);
constexpr size_t kSinkMaxFrames = static_cast<size_t>(TK_SOUND_RATE) * 120;
constexpr DWORD kAdvanceBlockFrames = 4096;
constexpr Uint16 kSdlCallbackFrames = 1024;
// The real-time writer mixes in steps of 10 ms.
constexpr DWORD kPaceFrames = TK_SOUND_RATE / 100;
constexpr int kWavHeaderBytes = 44;
constexpr DWORD kRiffSizeOffset = 4;
constexpr DWORD kDataSizeOffset = 40;
constexpr DWORD kRiffHeaderRest = 36; // RIFF size = data bytes + 36
constexpr DWORD kFmtChunkBytes = 16;
constexpr float kSampleMax = 32767.0f;
constexpr float kSampleMin = -32768.0f;

mutex g_SinkLock;
std::vector<int16_t> g_Sink;

void PutU32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutU16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void WavHeader(uint8_t* h, uint32_t dataBytes)
{
    std::memcpy(h, "RIFF", 4);
    PutU32(h + kRiffSizeOffset, dataBytes + kRiffHeaderRest);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    PutU32(h + 16, kFmtChunkBytes);
    PutU16(h + 20, WAVE_FORMAT_PCM);
    PutU16(h + 22, TK_SOUND_CHANNELS);
    PutU32(h + 24, TK_SOUND_RATE);
    PutU32(h + 28, TK_SOUND_RATE * kBytesPerFrame);
    PutU16(h + 32, kBytesPerFrame);
    PutU16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    PutU32(h + kDataSizeOffset, dataBytes);
}

bool WriteSamples(FILE* f, const int16_t* s, size_t count)
{
    std::vector<uint8_t> bytes(count * 2);
    for (size_t i = 0; i < count; ++i)
        PutU16(&bytes[2 * i], static_cast<uint16_t>(s[i]));
    return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

// Where the mixed sound goes when nothing advances it by hand: SDL's audio
// device, or (headless with TK_SOUND_WAV, or when SDL has no audio device) a
// thread that mixes in real time. Both also write TK_SOUND_WAV when set.
class Output
{
public:
    void Start()
    {
        // Each device writes a file of its own from its first sample.
        m_dwWavBytes = 0;
        m_dwSinceHeader = 0;
        const char* wav = std::getenv("TK_SOUND_WAV");
        if (wav && *wav)
        {
            m_pWav = TkFopen(wav, "wb");
            if (m_pWav)
            {
                uint8_t header[kWavHeaderBytes];
                WavHeader(header, 0);
                std::fwrite(header, 1, sizeof header, m_pWav);
            }
        }
        m_qwPlayedFrames = 0;
        // Headless, the file follows the game's virtual clock: the sound
        // manager plays the frames each step of the clock is due, so what the
        // file holds does not depend on how fast the machine runs.
        if (TkIsHeadless())
        {
            m_bFollowsClock = m_pWav != nullptr;
            return;
        }
        if (OpenSdl())
            return;
        m_bStop = false;
        m_Thread = std::thread([this] { Pace(); });
    }

    // Headless: mixes the next `frames` frames into the file.
    void Play(DWORD frames)
    {
        if (!m_bFollowsClock)
            return;
        m_Block.resize(static_cast<size_t>(frames) * TK_SOUND_CHANNELS);
        TkMixer::Get().Mix(m_Block.data(), frames);
        Tee(m_Block.data(), frames);
        m_qwPlayedFrames += frames;
    }

    void Stop()
    {
        if (m_Device)
        {
            SDL_CloseAudioDevice(m_Device);
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            m_Device = 0;
        }
        if (m_Thread.joinable())
        {
            {
                lock_guard<mutex> hold(m_WakeLock);
                m_bStop = true;
            }
            m_Wake.notify_all();
            m_Thread.join();
        }
        m_bFollowsClock = false;
        if (m_pWav)
        {
            FinishWav();
            std::fclose(m_pWav);
            m_pWav = nullptr;
        }
    }

    bool FollowsClock() const { return m_bFollowsClock; }
    uint64_t PlayedFrames() const { return m_qwPlayedFrames; }

private:
    bool OpenSdl()
    {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return false;
        SDL_AudioSpec want{};
        want.freq = TK_SOUND_RATE;
        want.format = AUDIO_S16SYS;
        want.channels = TK_SOUND_CHANNELS;
        want.samples = kSdlCallbackFrames;
        want.callback = &Output::Callback;
        want.userdata = this;
        m_Device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (!m_Device)
        {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
        SDL_PauseAudioDevice(m_Device, 0);
        return true;
    }

    static void Callback(void* self, Uint8* stream, int len)
    {
        const DWORD frames = static_cast<DWORD>(len) / kBytesPerFrame;
        auto* out = reinterpret_cast<int16_t*>(stream);
        TkMixer::Get().Mix(out, frames);
        static_cast<Output*>(self)->Tee(out, frames);
    }

    void Pace()
    {
        std::vector<int16_t> block(kPaceFrames * TK_SOUND_CHANNELS);
        const auto step = std::chrono::microseconds(1000000LL * kPaceFrames / TK_SOUND_RATE);
        auto next = std::chrono::steady_clock::now();
        std::unique_lock<mutex> hold(m_WakeLock);
        while (!m_bStop)
        {
            hold.unlock();
            TkMixer::Get().Mix(block.data(), kPaceFrames);
            Tee(block.data(), kPaceFrames);
            m_qwPlayedFrames += kPaceFrames;
            hold.lock();
            next += step;
            m_Wake.wait_until(hold, next, [this] { return m_bStop; });
        }
    }

    // Called from the one thread that plays; the file is closed only after it ended.
    void Tee(const int16_t* samples, DWORD frames)
    {
        if (!m_pWav)
            return;
        WriteSamples(m_pWav, samples, static_cast<size_t>(frames) * TK_SOUND_CHANNELS);
        m_dwWavBytes += frames * kBytesPerFrame;
        // The sizes are brought up to date each second, so a run that is
        // killed still leaves a file that plays.
        m_dwSinceHeader += frames;
        if (m_dwSinceHeader >= TK_SOUND_RATE)
        {
            m_dwSinceHeader = 0;
            FinishWav();
            std::fseek(m_pWav, 0, SEEK_END);
        }
    }

    void FinishWav()
    {
        uint8_t header[kWavHeaderBytes];
        WavHeader(header, m_dwWavBytes);
        std::fflush(m_pWav);
        std::fseek(m_pWav, 0, SEEK_SET);
        std::fwrite(header, 1, sizeof header, m_pWav);
    }

    SDL_AudioDeviceID m_Device = 0;
    std::thread m_Thread;
    mutex m_WakeLock;
    std::condition_variable m_Wake;
    bool m_bStop = false;
    FILE* m_pWav = nullptr;
    DWORD m_dwWavBytes = 0;
    DWORD m_dwSinceHeader = 0;
    std::atomic<bool> m_bFollowsClock{false};
    std::atomic<uint64_t> m_qwPlayedFrames{0};
    std::vector<int16_t> m_Block;
};

mutex g_OutputLock;
Output g_Output;
} // namespace

TkMixer& TkMixer::Get()
{
    static TkMixer mixer;
    return mixer;
}

void TkMixer::Add(TkSoundBuffer* buffer)
{
    m_Buffers.push_back(buffer);
}

void TkMixer::Remove(TkSoundBuffer* buffer)
{
    m_Buffers.erase(std::remove(m_Buffers.begin(), m_Buffers.end(), buffer), m_Buffers.end());
}

void TkMixer::MixLocked(float* acc, DWORD frames)
{
    for (TkSoundBuffer* b : m_Buffers)
        b->MixLocked(acc, frames, m_Listener);
}

void TkMixer::CommitLocked()
{
    m_Listener = m_ListenerPending;
    for (TkSoundBuffer* b : m_Buffers)
        b->CommitLocked();
}

void TkMixer::Mix(int16_t* out, DWORD frames)
{
    lock_guard<mutex> hold(m_Lock);
    m_Acc.assign(static_cast<size_t>(frames) * TK_SOUND_CHANNELS, 0.0f);
    MixLocked(m_Acc.data(), frames);
    for (size_t i = 0; i < m_Acc.size(); ++i)
        out[i] = static_cast<int16_t>(std::lrint(std::clamp(m_Acc[i], kSampleMin, kSampleMax)));
}

void TkMixer::DeviceCreated()
{
    lock_guard<mutex> hold(g_OutputLock);
    if (m_iDevices++ == 0)
    {
        {
            // A device starts with the listener at rest where the defaults put it.
            lock_guard<mutex> state(m_Lock);
            m_Listener = m_ListenerPending = TkListenerParams{};
        }
        g_Output.Start();
    }
}

void TkMixer::DeviceReleased()
{
    lock_guard<mutex> hold(g_OutputLock);
    if (--m_iDevices == 0)
        g_Output.Stop();
}

// ---- Headless hooks --------------------------------------------------------------

void TkSoundSinkAdvance(DWORD frames)
{
    std::vector<int16_t> block;
    while (frames)
    {
        const DWORD n = std::min(frames, kAdvanceBlockFrames);
        block.resize(static_cast<size_t>(n) * TK_SOUND_CHANNELS);
        TkMixer::Get().Mix(block.data(), n);
        {
            lock_guard<mutex> hold(g_SinkLock);
            const size_t cap = kSinkMaxFrames * TK_SOUND_CHANNELS;
            const size_t room = cap - std::min(g_Sink.size(), cap);
            g_Sink.insert(g_Sink.end(), block.begin(), block.begin() + std::min(room, block.size()));
        }
        frames -= n;
    }
}

std::vector<int16_t> TkSoundSinkTake()
{
    lock_guard<mutex> hold(g_SinkLock);
    std::vector<int16_t> out;
    out.swap(g_Sink);
    return out;
}

void TkSoundSinkClear()
{
    lock_guard<mutex> hold(g_SinkLock);
    std::vector<int16_t>().swap(g_Sink);
}

void TkSoundMix(int16_t* out, DWORD frames)
{
    TkMixer::Get().Mix(out, frames);
}

bool TkSoundSaveWav(const char* file, const std::vector<int16_t>& samples)
{
    FILE* f = TkFopen(file, "wb");
    if (!f)
        return false;
    uint8_t header[kWavHeaderBytes];
    WavHeader(header, static_cast<uint32_t>(samples.size() * sizeof(int16_t)));
    bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header;
    ok = WriteSamples(f, samples.data(), samples.size()) && ok;
    return std::fclose(f) == 0 && ok;
}

void TkSoundLoseBuffers()
{
    TkMixer& mixer = TkMixer::Get();
    lock_guard<mutex> hold(mixer.m_Lock);
    mixer.ForEachLocked([](TkSoundBuffer* b) { b->LoseLocked(); });
}

bool TkSoundFollowsClock()
{
    return g_Output.FollowsClock();
}

uint64_t TkSoundPlayedFrames()
{
    return g_Output.PlayedFrames();
}

void TkSoundPlay(DWORD frames)
{
    g_Output.Play(frames);
}

void TkSoundSetDeviceAvailable(bool available)
{
    TkMixer& mixer = TkMixer::Get();
    lock_guard<mutex> hold(mixer.m_Lock);
    mixer.m_bDeviceAvailable = available;
}

unsigned TkSoundLiveBuffers()
{
    TkMixer& mixer = TkMixer::Get();
    lock_guard<mutex> hold(mixer.m_Lock);
    return mixer.LiveBuffers();
}

void TkSoundResetHeadless()
{
    TkSoundSetDeviceAvailable(true);
    TkSoundFailCreate(false);
    TkSoundSinkClear();
}
