// The music thread: its streaming buffer, gapless loops, the end of a track,
// the volume, and files that are not Ogg Vorbis. The worker runs for real;
// the tests advance the sink only once it has refilled, so what they hear
// does not depend on timing.
#include "sound_fixture.h"

#include "sound/MusicSource.h"
#include "sound/MusicThread.h"
#include "sound/OggStream.h"

#include <chrono>
#include <thread>

namespace
{
constexpr auto kPatience = std::chrono::seconds(20);
constexpr DWORD kStepFrames = 2048;

// The bytes the worker has written ahead of the play cursor.
int Ahead(CMusicThread* m)
{
    m->Lock();
    DWORD play = 0;
    m->m_pBuffer->GetCurrentPosition(&play, nullptr);
    const int size = m->BufferBytes();
    const int ahead = (m->m_iWriteCursor - static_cast<int>(play) + size) % size;
    m->Unlock();
    return ahead;
}

// Plays `frames` frames through the sink in steps, each once the worker has
// written more than the step ahead; stops early when the music stops.
std::vector<int16_t> Listen(DWORD frames)
{
    std::vector<int16_t> out;
    CMusicThread* m = g_SoundMgr.m_pMusic;
    m->Lock();
    const int frameBytes = m->BufferBytes() / CMusicThread::STREAM_FRAMES;
    m->Unlock();
    while (out.size() < frames * 2 && g_SoundMgr.Music_IsPlaying())
    {
        const DWORD step = std::min<DWORD>(kStepFrames, frames - static_cast<DWORD>(out.size() / 2));
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (Ahead(m) < static_cast<int>(step) * frameBytes + CMusicThread::GUARD_GAP &&
               g_SoundMgr.Music_IsPlaying())
        {
            if (std::chrono::steady_clock::now() > deadline)
            {
                ADD_FAILURE() << "the music thread did not refill";
                return out;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        TkSoundSinkClear();
        TkSoundSinkAdvance(step);
        const std::vector<int16_t> got = TkSoundSinkTake();
        out.insert(out.end(), got.begin(), got.end());
    }
    return out;
}
// An Ogg stream whose packets are these texts: Ogg, but not Vorbis.
std::string OggOfPackets(const std::vector<std::string>& packets)
{
    ogg_stream_state os;
    ogg_stream_init(&os, 7);
    std::string out;
    for (size_t i = 0; i < packets.size(); ++i)
    {
        ogg_packet p{};
        p.packet = reinterpret_cast<unsigned char*>(const_cast<char*>(packets[i].data()));
        p.bytes = static_cast<long>(packets[i].size());
        p.b_o_s = i == 0;
        p.e_o_s = i + 1 == packets.size();
        p.packetno = static_cast<ogg_int64_t>(i);
        ogg_stream_packetin(&os, &p);
        ogg_page page;
        while (ogg_stream_flush(&os, &page))
        {
            out.append(reinterpret_cast<const char*>(page.header), page.header_len);
            out.append(reinterpret_cast<const char*>(page.body), page.body_len);
        }
    }
    ogg_stream_clear(&os);
    return out;
}
} // namespace

using MusicTest = SoundTest;

TEST_F(MusicTest, BufferSizeFollowsTheChannelsAndRateTheTrack)
{
    const struct
    {
        int channels;
        long rate;
        int bytes;
    } cases[] = {{2, 44100, 36864}, {1, 44100, 18432}, {2, 22050, 36864}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.channels * 100000 + c.rate);
        m_dir.Write("music/t.ogg", OggFile(c.channels, c.rate, c.rate / 2));
        g_SoundMgr.Music_Play("music\\t.ogg", true);
        CMusicThread* m = g_SoundMgr.m_pMusic;
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->BufferBytes(), c.bytes);
        WAVEFORMATEX f{};
        ASSERT_EQ(m->m_pBuffer->GetFormat(&f, sizeof f, nullptr), DS_OK);
        EXPECT_EQ(f.nChannels, c.channels);
        EXPECT_EQ(f.nSamplesPerSec, static_cast<DWORD>(c.rate)) << "the track's own rate";
        EXPECT_TRUE(g_SoundMgr.Music_IsPlaying());
    }
}

TEST_F(MusicTest, LoopingTrackPlaysFromByte1024AndLoopsWithoutAGap)
{
    const long frames = 30000;
    m_dir.Write("music/loop.ogg", OggFile(2, 44100, frames));
    const std::vector<int16_t> track = DecodeOgg((m_dir.path() / "music" / "loop.ogg").string());
    ASSERT_GT(track.size(), 20000u);
    g_SoundMgr.Music_Play("music\\LOOP.ogg", true);
    ASSERT_NE(g_SoundMgr.m_pMusic, nullptr);
    g_SoundMgr.SetMusicVolume(1.0f);
    LONG volume = 1;
    ASSERT_EQ(g_SoundMgr.m_pMusic->m_pBuffer->GetVolume(&volume), DS_OK);
    EXPECT_EQ(volume, 0);

    // Play starts 1024 bytes (256 stereo frames) into the first refill.
    const size_t start = 1024 / 2;
    const DWORD want = static_cast<DWORD>((track.size() * 5 / 2) / 2);
    const std::vector<int16_t> heard = Listen(want);
    ASSERT_EQ(heard.size(), want * 2u);
    for (size_t i = 0; i < heard.size(); ++i)
        ASSERT_EQ(heard[i], track[(start + i) % track.size()]) << "sample " << i << " of " << track.size();
}

TEST_F(MusicTest, TrackThatDoesNotLoopStopsAtItsEnd)
{
    m_dir.Write("music/once.ogg", OggFile(1, 44100, 8000));
    const std::vector<int16_t> track = DecodeOgg((m_dir.path() / "music" / "once.ogg").string());
    g_SoundMgr.Music_Play("music\\once.ogg", false);
    ASSERT_NE(g_SoundMgr.m_pMusic, nullptr);
    const std::vector<int16_t> heard = Listen(TK_SOUND_RATE * 2);
    EXPECT_FALSE(g_SoundMgr.Music_IsPlaying());
    ASSERT_GE(heard.size() / 2, track.size() - 512);
    for (size_t i = 0; i + 512 < track.size(); ++i)
        ASSERT_EQ(heard[2 * i], track[512 + i]) << "frame " << i;
    // After the track: silence, then the buffer stopped.
    for (size_t i = track.size() - 512; i < heard.size() / 2; ++i)
        ASSERT_EQ(heard[2 * i], 0) << "frame " << i;
    EXPECT_LT(heard.size() / 2, track.size() + 2 * CMusicThread::STREAM_FRAMES + kStepFrames);
    // A track that ended is not paused: resuming it (the menu closing) leaves
    // it ended rather than playing the buffer's last stretch round and round.
    g_SoundMgr.Music_Pause();
    g_SoundMgr.Music_Resume();
    EXPECT_FALSE(g_SoundMgr.Music_IsPlaying());
    EXPECT_FALSE(g_SoundMgr.m_pMusic->m_bPlaying);
    // Playing it again starts over.
    g_SoundMgr.m_pMusic->Play(1.0, 0.0, false);
    EXPECT_TRUE(g_SoundMgr.Music_IsPlaying());
}

TEST_F(MusicTest, SlowerTrackPlaysAtItsOwnRate)
{
    // A 441 Hz tone recorded at 22050 Hz still sounds at 441 Hz.
    m_dir.Write("music/slow.ogg", OggFile(1, 22050, 22050, 441.0f));
    g_SoundMgr.Music_Play("music\\slow.ogg", true);
    ASSERT_NE(g_SoundMgr.m_pMusic, nullptr);
    const std::vector<int16_t> heard = Listen(TK_SOUND_RATE / 2);
    ASSERT_EQ(heard.size(), TK_SOUND_RATE);
    int crossings = 0;
    for (size_t i = 1; i < heard.size() / 2; ++i)
        crossings += (heard[2 * i - 2] < 0) != (heard[2 * i] < 0);
    // Half a second of 441 Hz crosses zero about 441 times.
    EXPECT_NEAR(crossings, 441, 6);
}

TEST_F(MusicTest, VolumePauseResumeAndStop)
{
    m_dir.Write("m.ogg", OggFile(2, 44100, 20000));
    // Without a thread the calls do nothing.
    g_SoundMgr.Music_Pause();
    g_SoundMgr.Music_Resume();
    g_SoundMgr.Music_Stop();
    g_SoundMgr.SetMusicVolume(0.5f);
    EXPECT_FALSE(g_SoundMgr.Music_IsPlaying());

    g_SoundMgr.Music_Play("m.ogg", true);
    CMusicThread* m = g_SoundMgr.m_pMusic;
    ASSERT_NE(m, nullptr);
    const struct
    {
        float volume;
        LONG centibels;
    } cases[] = {{0.04f, -10000}, {1.0f, 0}, {0.0625f, -2500}};
    for (const auto& c : cases)
    {
        g_SoundMgr.SetMusicVolume(c.volume);
        LONG v = 1;
        ASSERT_EQ(m->m_pBuffer->GetVolume(&v), DS_OK);
        EXPECT_EQ(v, c.centibels) << c.volume;
    }
    g_SoundMgr.Music_Pause();
    EXPECT_FALSE(g_SoundMgr.Music_IsPlaying());
    EXPECT_FALSE(m->m_bPlaying);
    g_SoundMgr.Music_Resume();
    EXPECT_TRUE(g_SoundMgr.Music_IsPlaying());
    g_SoundMgr.Music_Stop();
    EXPECT_FALSE(g_SoundMgr.Music_IsPlaying());
    g_SoundMgr.Music_Release();
    EXPECT_EQ(g_SoundMgr.m_pMusic, nullptr);
}

TEST_F(MusicTest, BadFilesLeaveNoMusic)
{
    m_dir.Write("m.ogg", OggFile(2, 44100, 20000));
    const std::string good = m_dir.Read("m.ogg");
    const struct
    {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"not Ogg", std::string(5000, 'x')},
        {"empty", ""},
        {"cut inside the headers", good.substr(0, 100)},
        {"a wave file", WaveFile(1, 44100, std::vector<int16_t>(100, 1))},
        {"Ogg but not Vorbis", OggOfPackets({"\x01notvorbis header", "second", "third", "data"})},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        g_SoundMgr.Music_Play("m.ogg", true);
        ASSERT_NE(g_SoundMgr.m_pMusic, nullptr);
        m_dir.Write("bad.ogg", c.bytes);
        const size_t before = ConsoleLog().size();
        // The track playing is stopped and deleted before the new file is even tried.
        g_SoundMgr.Music_Play("bad.ogg", true);
        EXPECT_EQ(g_SoundMgr.m_pMusic, nullptr);
        const std::string log = ConsoleLog().substr(before);
        EXPECT_NE(log.find("ERROR in CSoundMgr::Music_Play(): loading failed..."), std::string::npos) << log;
        EXPECT_NE(log.find("Music File: bad.ogg"), std::string::npos);
    }
    g_SoundMgr.Music_Play("m.ogg", true);
    g_SoundMgr.Music_Play("missing.ogg", true);
    EXPECT_EQ(g_SoundMgr.m_pMusic, nullptr);
    EXPECT_NE(ConsoleLog().find("ERROR in CSoundMgr::Music_Play(): Music file doesn't exist!"),
              std::string::npos);
    EXPECT_NE(ConsoleLog().find("Music File: missing.ogg"), std::string::npos);
}

TEST_F(MusicTest, SourceReadsAndSeeksWithinTheFile)
{
    m_dir.Write("s.bin", "0123456789");
    CMusicSource source;
    EXPECT_EQ(source.Open("missing.bin"), -1);
    ASSERT_EQ(source.Open("S.BIN"), 0);
    char buffer[16] = {};
    EXPECT_EQ(source.Read(buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_FALSE(source.m_bEndReached);
    EXPECT_EQ(source.Read(buffer, 16), 6);
    EXPECT_TRUE(source.m_bEndReached);
    EXPECT_EQ(source.Read(buffer, 0), 0);
    source.Seek(100, SEEK_SET);
    EXPECT_EQ(source.Tell(), 10);
    source.Seek(-5, SEEK_END);
    EXPECT_EQ(source.Tell(), 0);

    // A stream over something that is not Ogg stays closed and reads nothing.
    OGG_Stream stream(&source);
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_EQ(stream.ReadPCM(buffer, sizeof buffer), 0);
    EXPECT_EQ(stream.GetRate(), 0);
}
