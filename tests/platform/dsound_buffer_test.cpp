// Buffers: creation, locking at the cursors, status, loss and restore.
#include "dsound_fixture.h"

#include "support/TempDir.h"

#include <string>

TEST_F(DSoundTest, CreationRefusesWhatCannotPlay)
{
    const int16_t samples[8] = {};
    struct Case
    {
        const char* what;
        DWORD flags;
        WAVEFORMATEX format;
        DWORD bytes;
        HRESULT result;
    };
    const Case cases[] = {
        {"stereo 3D", DSBCAPS_CTRL3D, Format(2, 22050, 16), 16, DSERR_INVALIDPARAM},
        {"3D with pan", DSBCAPS_CTRL3D | DSBCAPS_CTRLPAN, Format(1, 22050, 16), 16, DSERR_INVALIDPARAM},
        {"zero channels", 0, Format(0, 22050, 16), 16, DSERR_BADFORMAT},
        {"24-bit", 0, Format(1, 22050, 24), 15, DSERR_BADFORMAT},
        {"rate too low", 0, Format(1, 50, 16), 16, DSERR_BADFORMAT},
        {"too small", 0, Format(1, 22050, 16), 2, DSERR_INVALIDPARAM},
        {"mono 16-bit", DSBCAPS_CTRL3D, Format(1, 22050, 16), 16, DS_OK},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        HRESULT hr = S_OK;
        LPDIRECTSOUNDBUFFER b = Make(c.flags, c.format, samples, c.bytes, &hr);
        EXPECT_EQ(hr, c.result);
        EXPECT_EQ(b != nullptr, c.result == DS_OK);
    }
    WAVEFORMATEX bad = Format(1, 22050, 16);
    bad.nBlockAlign = 3;
    HRESULT hr = S_OK;
    EXPECT_EQ(Make(0, bad, samples, 16, &hr), nullptr);
    EXPECT_EQ(hr, DSERR_BADFORMAT);

    DSBUFFERDESC desc{};
    desc.dwSize = 12;
    LPDIRECTSOUNDBUFFER b = nullptr;
    EXPECT_EQ(m_ds->CreateSoundBuffer(&desc, &b, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(m_ds->CreateSoundBuffer(nullptr, &b, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(b, nullptr);
}

TEST_F(DSoundTest, PrimaryBufferTakesTheDeviceFormatAndGivesTheListener)
{
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_SIZE;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    LPDIRECTSOUNDBUFFER primary = nullptr;
    ASSERT_EQ(m_ds->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    WAVEFORMATEX wanted = Format(2, TK_SOUND_RATE, 16);
    EXPECT_EQ(primary->SetFormat(&wanted), DS_OK);
    WAVEFORMATEX got{};
    ASSERT_EQ(primary->GetFormat(&got, sizeof got, nullptr), DS_OK);
    EXPECT_EQ(got.nAvgBytesPerSec, 176400u);
    WAVEFORMATEX broken = Format(0, TK_SOUND_RATE, 16);
    EXPECT_EQ(primary->SetFormat(&broken), DSERR_BADFORMAT);
    // Without DSBCAPS_CTRL3D there is no listener.
    void* out = nullptr;
    EXPECT_EQ(primary->QueryInterface(IID_IDirectSound3DListener, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    primary->Release();
    EXPECT_NE(Listener(), nullptr);
}

TEST_F(DSoundTest, DeviceNeedsACooperativeLevel)
{
    LPDIRECTSOUND8 other = nullptr;
    ASSERT_EQ(DirectSoundCreate8(nullptr, &other, nullptr), DS_OK);
    WAVEFORMATEX f = Format(1, 22050, 16);
    DSBUFFERDESC desc{DSBUFFERDESC_SIZE, 0, 64, 0, &f, {}};
    LPDIRECTSOUNDBUFFER b = nullptr;
    EXPECT_EQ(other->CreateSoundBuffer(&desc, &b, nullptr), DSERR_UNINITIALIZED);
    EXPECT_EQ(other->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DSERR_INVALIDPARAM);
    other->Release();

    TkSoundFailCreate(true);
    EXPECT_EQ(DirectSoundCreate8(nullptr, &other, nullptr), DSERR_GENERIC);
    EXPECT_EQ(other, nullptr);
}

TEST_F(DSoundTest, LockSpansTheEndInTwoParts)
{
    std::vector<int16_t> zeros(500, 0);
    LPDIRECTSOUNDBUFFER b = MakeMono(0, zeros);
    ASSERT_NE(b, nullptr);
    void *p1 = nullptr, *p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    ASSERT_EQ(b->Lock(900, 200, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 100u);
    EXPECT_EQ(n2, 100u);
    ASSERT_NE(p2, nullptr);
    // A second lock while one is open is refused.
    void* q = nullptr;
    DWORD m = 0;
    EXPECT_EQ(b->Lock(0, 10, &q, &m, nullptr, nullptr, 0), DSERR_INVALIDCALL);
    std::memset(p1, 0x11, n1);
    std::memset(p2, 0x22, n2);
    // Only the bytes the caller says it wrote are kept.
    ASSERT_EQ(b->Unlock(p1, n1, p2, 50), DS_OK);

    ASSERT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    const auto* bytes = static_cast<const uint8_t*>(p1);
    EXPECT_EQ(n1, 1000u);
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(bytes[0], 0x22);
    EXPECT_EQ(bytes[49], 0x22);
    EXPECT_EQ(bytes[50], 0);
    EXPECT_EQ(bytes[899], 0);
    EXPECT_EQ(bytes[900], 0x11);
    EXPECT_EQ(bytes[999], 0x11);
    EXPECT_EQ(b->Unlock(static_cast<uint8_t*>(p1) + 1, 0, nullptr, 0), DSERR_INVALIDPARAM);
    ASSERT_EQ(b->Unlock(p1, 0, nullptr, 0), DS_OK);

    const struct
    {
        DWORD offset, bytes;
    } bad[] = {{1000, 4}, {0, 1001}, {0, 0}};
    for (const auto& c : bad)
        EXPECT_EQ(b->Lock(c.offset, c.bytes, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    // A span that wraps needs somewhere to put its second part.
    EXPECT_EQ(b->Lock(990, 20, &p1, &n1, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
}

TEST_F(DSoundTest, CursorsFollowTheOutput)
{
    LPDIRECTSOUNDBUFFER b = MakeMono(0, std::vector<int16_t>(TK_SOUND_RATE, 0));
    ASSERT_NE(b, nullptr);
    DWORD play = 1, write = 1;
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 0u);
    EXPECT_EQ(write, 0u);
    // Stopped, the cursor stays.
    TkSoundSinkAdvance(100);
    ASSERT_EQ(b->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, 0u);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    TkSoundSinkAdvance(100);
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 200u);
    EXPECT_GT(write, play);
    ASSERT_EQ(b->SetCurrentPosition(1001), DS_OK);
    ASSERT_EQ(b->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, 1000u) << "positions keep to whole frames";
    EXPECT_EQ(b->SetCurrentPosition(TK_SOUND_RATE * 2), DSERR_INVALIDPARAM);
    ASSERT_EQ(b->Stop(), DS_OK);
    TkSoundSinkAdvance(100);
    ASSERT_EQ(b->GetCurrentPosition(&play, nullptr), DS_OK);
    EXPECT_EQ(play, 1000u);
}

TEST_F(DSoundTest, LostBuffersRefuseUntilRestored)
{
    LPDIRECTSOUNDBUFFER b = MakeMono(0, std::vector<int16_t>(100, 1234));
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    TkSoundLoseBuffers();
    DWORD status = 0;
    ASSERT_EQ(b->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, DWORD(DSBSTATUS_BUFFERLOST));
    EXPECT_EQ(Advance(1)[0], 0);
    EXPECT_EQ(b->Play(0, 0, 0), DSERR_BUFFERLOST);
    void* p = nullptr;
    DWORD n = 0;
    EXPECT_EQ(b->Lock(0, 2, &p, &n, nullptr, nullptr, 0), DSERR_BUFFERLOST);

    TkSoundSetDeviceAvailable(false);
    EXPECT_EQ(b->Restore(), DSERR_BUFFERLOST);
    TkSoundSetDeviceAvailable(true);
    ASSERT_EQ(b->Restore(), DS_OK);
    ASSERT_EQ(b->GetStatus(&status), DS_OK);
    EXPECT_EQ(status, 0u);
    // The memory is back but not its samples.
    ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(Advance(1)[0], 0);
}

TEST_F(DSoundTest, SinkSavesAsAWaveFile)
{
    TempDir dir;
    const std::vector<int16_t> samples = {1, -2, 300, -400};
    ASSERT_TRUE(TkSoundSaveWav("out.wav", samples));
    const std::string bytes = dir.Read("out.wav");
    ASSERT_EQ(bytes.size(), 44u + 8u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(bytes.substr(36, 4), "data");
    EXPECT_EQ(static_cast<uint8_t>(bytes[40]), 8);
    EXPECT_EQ(static_cast<uint8_t>(bytes[44]), 1);
    EXPECT_EQ(static_cast<uint8_t>(bytes[46]), 0xFE);
    EXPECT_EQ(static_cast<uint8_t>(bytes[47]), 0xFF);
}
