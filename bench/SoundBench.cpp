// The sound mixer and the music decoder.
//
// Mix64Buffers3D: one second of output (44100 frames) mixed from 64 playing
// 3D buffers at 22050 Hz, each resampled, attenuated and panned; its CPU time
// per iteration is the share of a core the mixer takes (budget: 20 ms).
// DecodeMusicStream / DecodeBareVorbis: the same Ogg Vorbis file decoded to
// 16-bit samples by the music thread's stream and by a bare libvorbis loop
// (budget: at most 1.2 times the bare loop).
#include "support/BuildPaths.h"
#include "bench/Harness.h"
#include "platform/Backend.h"
#include "platform/dsound/DSoundHeadless.h"
#include "sound/MusicSource.h"
#include "sound/OggStream.h"

#include <benchmark/benchmark.h>
#include <ogg/ogg.h>
#include <vorbis/codec.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
constexpr int kBuffers = 64;
constexpr DWORD kSourceRate = 22050;
constexpr DWORD kBlockFrames = 1024;
const std::string kMusic = tk::test::DataDir().string() + "/music/DuskmereMainTheme.ogg";

void Mix64Buffers3D(benchmark::State& state)
{
    TkSetBackend(TkBackend::Headless);
    LPDIRECTSOUND8 ds = nullptr;
    DirectSoundCreate8(nullptr, &ds, nullptr);
    ds->SetCooperativeLevel(reinterpret_cast<HWND>(ds), DSSCL_PRIORITY);
    DSBUFFERDESC primaryDesc{DSBUFFERDESC_SIZE, DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D, 0, 0, nullptr, {}};
    LPDIRECTSOUNDBUFFER primary = nullptr;
    ds->CreateSoundBuffer(&primaryDesc, &primary, nullptr);
    void* out = nullptr;
    primary->QueryInterface(IID_IDirectSound3DListener, &out);
    auto* listener = static_cast<IDirectSound3DListener*>(out);
    listener->SetRolloffFactor(0.4f, DS3D_IMMEDIATE);

    WAVEFORMATEX f{WAVE_FORMAT_PCM, 1, kSourceRate, kSourceRate * 2, 2, 16, 0};
    DSBUFFERDESC desc{DSBUFFERDESC_SIZE,
                      DSBCAPS_CTRL3D | DSBCAPS_CTRLVOLUME | DSBCAPS_MUTE3DATMAXDISTANCE,
                      kSourceRate * 2,
                      0,
                      &f,
                      {}};
    std::vector<LPDIRECTSOUNDBUFFER> buffers;
    std::vector<IDirectSound3DBuffer*> buffers3D;
    uint32_t noise = 1;
    for (int i = 0; i < kBuffers; ++i)
    {
        LPDIRECTSOUNDBUFFER b = nullptr;
        ds->CreateSoundBuffer(&desc, &b, nullptr);
        void* p = nullptr;
        DWORD n = 0;
        b->Lock(0, 0, &p, &n, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
        auto* s = static_cast<int16_t*>(p);
        for (DWORD k = 0; k < n / 2; ++k)
        {
            noise = noise * 1664525u + 1013904223u;
            s[k] = static_cast<int16_t>(noise >> 20);
        }
        b->Unlock(p, n, nullptr, 0);
        void* q = nullptr;
        b->QueryInterface(IID_IDirectSound3DBuffer, &q);
        auto* b3 = static_cast<IDirectSound3DBuffer*>(q);
        const float angle = 6.2831853f * i / kBuffers;
        b3->SetPosition(100.0f * std::cos(angle), 0.0f, 100.0f * std::sin(angle), DS3D_DEFERRED);
        b3->SetMinDistance(640.0f, DS3D_DEFERRED);
        b3->SetMaxDistance(640.0f, DS3D_DEFERRED);
        b->SetVolume(-600);
        b->Play(0, 0, DSBPLAY_LOOPING);
        buffers.push_back(b);
        buffers3D.push_back(b3);
    }
    listener->CommitDeferredSettings();
    std::vector<int16_t> mixed(kBlockFrames * TK_SOUND_CHANNELS);
    for (auto _ : state)
    {
        for (DWORD done = 0; done < TK_SOUND_RATE; done += kBlockFrames)
            TkSoundMix(mixed.data(), std::min(kBlockFrames, TK_SOUND_RATE - done));
        benchmark::DoNotOptimize(mixed.data());
    }
    for (IDirectSound3DBuffer* b : buffers3D)
        b->Release();
    for (LPDIRECTSOUNDBUFFER b : buffers)
        b->Release();
    listener->Release();
    primary->Release();
    ds->Release();
}
TK_BENCHMARK(Mix64Buffers3D)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The plainest decoding loop libogg and libvorbis allow, with the same
// conversion to 16 bits.
int64_t DecodeBare(const std::vector<uint8_t>& file, std::vector<int16_t>& out)
{
    ogg_sync_state oy;
    ogg_stream_state os;
    ogg_page og;
    ogg_packet op;
    vorbis_info vi;
    vorbis_comment vc;
    vorbis_dsp_state vd;
    vorbis_block vb;
    ogg_sync_init(&oy);
    char* in = ogg_sync_buffer(&oy, static_cast<long>(file.size()));
    std::memcpy(in, file.data(), file.size());
    ogg_sync_wrote(&oy, static_cast<long>(file.size()));
    ogg_sync_pageout(&oy, &og);
    ogg_stream_init(&os, ogg_page_serialno(&og));
    vorbis_info_init(&vi);
    vorbis_comment_init(&vc);
    ogg_stream_pagein(&os, &og);
    int headers = 0;
    int64_t samples = 0;
    bool started = false;
    for (;;)
    {
        while (ogg_stream_packetout(&os, &op) == 1)
        {
            if (headers < 3)
            {
                vorbis_synthesis_headerin(&vi, &vc, &op);
                if (++headers == 3)
                {
                    vorbis_synthesis_init(&vd, &vi);
                    vorbis_block_init(&vd, &vb);
                    started = true;
                }
                continue;
            }
            if (vorbis_synthesis(&vb, &op) == 0)
                vorbis_synthesis_blockin(&vd, &vb);
            float** pcm = nullptr;
            int n = 0;
            while ((n = vorbis_synthesis_pcmout(&vd, &pcm)) > 0)
            {
                out.resize(static_cast<size_t>(n) * vi.channels);
                for (int i = 0; i < n; ++i)
                    for (int c = 0; c < vi.channels; ++c)
                    {
                        const float f = pcm[c][i] * 32767.0f;
                        out[i * vi.channels + c] = static_cast<int16_t>(
                            f >= 32767.0f ? 32767 : (f <= -32767.0f ? -32767 : static_cast<int>(f)));
                    }
                samples += n;
                vorbis_synthesis_read(&vd, n);
            }
        }
        if (ogg_sync_pageout(&oy, &og) != 1)
            break;
        ogg_stream_pagein(&os, &og);
    }
    if (started)
    {
        vorbis_block_clear(&vb);
        vorbis_dsp_clear(&vd);
    }
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    ogg_stream_clear(&os);
    ogg_sync_clear(&oy);
    return samples;
}

// Both decoders on the same file in each iteration; the counter "ratio" is
// the music stream's time over the bare loop's.
void DecodeMusicAgainstBareVorbis(benchmark::State& state)
{
    std::vector<uint8_t> file;
    if (FILE* f = std::fopen(kMusic.c_str(), "rb"))
    {
        uint8_t chunk[4096];
        size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            file.insert(file.end(), chunk, chunk + n);
        std::fclose(f);
    }
    CMusicSource source;
    if (file.empty() || source.Open(kMusic.c_str()) != 0)
    {
        state.SkipWithError("no music file");
        return;
    }
    using Clock = std::chrono::steady_clock;
    std::vector<uint8_t> pcm(4096);
    std::vector<int16_t> bare;
    double oursSeconds = 0.0, bareSeconds = 0.0;
    for (auto _ : state)
    {
        const auto t0 = Clock::now();
        {
            OGG_Stream stream(&source);
            while (stream.ReadPCM(pcm.data(), static_cast<int>(pcm.size())) == static_cast<int>(pcm.size()))
            {
            }
        }
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(DecodeBare(file, bare));
        const auto t2 = Clock::now();
        const double ours = std::chrono::duration<double>(t1 - t0).count();
        oursSeconds += ours;
        bareSeconds += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(ours);
    }
    state.counters["ratio"] = bareSeconds > 0.0 ? oursSeconds / bareSeconds : 0.0;
    state.counters["bare_ms"] = bareSeconds * 1000.0 / static_cast<double>(state.iterations());
}
TK_BENCHMARK(DecodeMusicAgainstBareVorbis)->Unit(benchmark::kMillisecond)->UseManualTime();
} // namespace
