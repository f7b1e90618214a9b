#pragma once
// The DirectSound tests: a device at priority level on the headless sink, and
// buffers made from sample arrays.

#include "platform/Backend.h"
#include "platform/dsound/DSound.h"
#include "platform/dsound/DSoundHeadless.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

class DSoundTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TkSetBackend(TkBackend::Headless);
        TkSoundResetHeadless();
        m_liveBefore = TkSoundLiveBuffers();
        ASSERT_EQ(DirectSoundCreate8(nullptr, &m_ds, nullptr), DS_OK);
        ASSERT_EQ(m_ds->SetCooperativeLevel(reinterpret_cast<HWND>(this), DSSCL_PRIORITY), DS_OK);
    }

    void TearDown() override
    {
        for (LPDIRECTSOUNDBUFFER b : m_buffers)
            b->Release();
        m_buffers.clear();
        if (m_listener)
            m_listener->Release();
        if (m_ds)
            m_ds->Release();
        EXPECT_EQ(TkSoundLiveBuffers(), m_liveBefore);
        TkSoundResetHeadless();
    }

    static WAVEFORMATEX Format(WORD channels, DWORD rate, WORD bits)
    {
        const WORD block = static_cast<WORD>(channels * bits / 8);
        return {WAVE_FORMAT_PCM, channels, rate, rate * block, block, bits, 0};
    }

    // A buffer holding exactly these bytes; null when creation fails.
    LPDIRECTSOUNDBUFFER Make(DWORD flags, WAVEFORMATEX format, const void* bytes, DWORD size,
                             HRESULT* result = nullptr)
    {
        DSBUFFERDESC desc{};
        desc.dwSize = DSBUFFERDESC_SIZE;
        desc.dwFlags = flags;
        desc.dwBufferBytes = size;
        desc.lpwfxFormat = &format;
        LPDIRECTSOUNDBUFFER b = nullptr;
        const HRESULT hr = m_ds->CreateSoundBuffer(&desc, &b, nullptr);
        if (result)
            *result = hr;
        if (FAILED(hr))
            return nullptr;
        m_buffers.push_back(b);
        void* p1 = nullptr;
        void* p2 = nullptr;
        DWORD n1 = 0, n2 = 0;
        EXPECT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
        EXPECT_EQ(n1, size);
        std::memcpy(p1, bytes, size);
        EXPECT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
        return b;
    }

    // A 16-bit mono buffer of these samples.
    LPDIRECTSOUNDBUFFER MakeMono(DWORD flags, const std::vector<int16_t>& samples, DWORD rate = TK_SOUND_RATE)
    {
        return Make(flags, Format(1, rate, 16), samples.data(), static_cast<DWORD>(samples.size() * 2));
    }

    IDirectSound3DListener* Listener()
    {
        DSBUFFERDESC desc{};
        desc.dwSize = DSBUFFERDESC_SIZE;
        desc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRL3D;
        LPDIRECTSOUNDBUFFER primary = nullptr;
        EXPECT_EQ(m_ds->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
        void* out = nullptr;
        EXPECT_EQ(primary->QueryInterface(IID_IDirectSound3DListener, &out), DS_OK);
        primary->Release();
        m_listener = static_cast<IDirectSound3DListener*>(out);
        return m_listener;
    }

    // The next `frames` frames of the output, interleaved left and right.
    static std::vector<int16_t> Advance(DWORD frames)
    {
        TkSoundSinkClear();
        TkSoundSinkAdvance(frames);
        return TkSoundSinkTake();
    }

    LPDIRECTSOUND8 m_ds = nullptr;
    IDirectSound3DListener* m_listener = nullptr;
    std::vector<LPDIRECTSOUNDBUFFER> m_buffers;
    unsigned m_liveBefore = 0;
};
