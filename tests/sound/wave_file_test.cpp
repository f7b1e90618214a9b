// Reading wave files: chunks in any order, padding, and damaged files.
#include "sound_fixture.h"

#include "sound/SoundWave.h"

#include <cstring>

namespace
{
const std::vector<int16_t> kSamples = {100, -200, 300, -400};
} // namespace

using WaveFileTest = SoundTest;

TEST_F(WaveFileTest, ChunksInAnyOrderWithPadding)
{
    // The data first, and an odd-sized chunk whose pad byte sits before the next one.
    m_dir.Write(
        "sounds/a.wav",
        RiffFile({{"data", Samples16(kSamples)}, {"LIST", "odd"}, {"fmt ", FormatChunk(1, 22050, 16)}}));
    CSoundWave wave;
    ASSERT_TRUE(wave.LoadWaveFromFile("SOUNDS\\A.WAV"));
    EXPECT_EQ(wave.m_Format.nChannels, 1);
    EXPECT_EQ(wave.m_Format.nSamplesPerSec, 22050u);
    EXPECT_EQ(wave.m_Format.nBlockAlign, 2);
    ASSERT_EQ(wave.m_dwDataSize, 8u);
    EXPECT_EQ(std::memcmp(wave.m_pReadedWaveData, Samples16(kSamples).data(), 8), 0);
    EXPECT_STREQ(wave.m_szFileName, "SOUNDS\\A.WAV");

    // A longer format chunk (with its extra size word) reads its 16 bytes.
    m_dir.Write("b.wav",
                RiffFile({{"fmt ", FormatChunk(2, 44100, 8) + std::string("\0\0", 2)}, {"data", "abcd"}}));
    ASSERT_TRUE(wave.LoadWaveFromFile("b.wav"));
    EXPECT_EQ(wave.m_Format.nChannels, 2);
    EXPECT_EQ(wave.m_Format.wBitsPerSample, 8);
    EXPECT_EQ(wave.m_dwDataSize, 4u);
}

TEST_F(WaveFileTest, DamagedFilesAreRefusedWithTheirLines)
{
    const std::string fmt = FormatChunk(1, 22050, 16);
    const std::string data = Samples16(kSamples);
    const std::string whole = WaveFile(1, 22050, kSamples);
    struct Case
    {
        const char* what;
        std::string bytes;
        bool err2, err3;
    };
    const Case cases[] = {
        {"no format", RiffFile({{"data", data}}), true, false},
        {"neither chunk", RiffFile({{"LIST", "xy"}}), true, true},
        {"no data", RiffFile({{"fmt ", fmt}}), false, true},
        {"data size past the end", RiffFile({{"fmt ", fmt}, {"data", data, 1 << 30}}), false, true},
        {"data cut short", whole.substr(0, whole.size() - 3), false, true},
        {"format shorter than 16 bytes", RiffFile({{"fmt ", fmt.substr(0, 14)}, {"data", data}}), true,
         false},
        {"zero channels", RiffFile({{"fmt ", FormatChunk(0, 22050, 16)}, {"data", data}}), true, false},
        {"empty file", "", true, true},
        {"header only", whole.substr(0, 12), true, true},
        {"chunk header cut", whole.substr(0, 16), true, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        m_dir.Write("bad.wav", c.bytes);
        const size_t before = ConsoleLog().size();
        CSoundWave wave;
        EXPECT_FALSE(wave.LoadWaveFromFile("bad.wav"));
        EXPECT_EQ(wave.m_pReadedWaveData, nullptr);
        EXPECT_EQ(wave.m_dwDataSize, 0u);
        const std::string log = ConsoleLog().substr(before);
        EXPECT_EQ(log.find("ERR #2: format chunk wrong") != std::string::npos, c.err2) << log;
        EXPECT_EQ(log.find("ERR #3: data chunk wrong") != std::string::npos, c.err3) << log;
    }

    CSoundWave wave;
    const size_t before = ConsoleLog().size();
    EXPECT_FALSE(wave.LoadWaveFromFile("missing.wav"));
    EXPECT_NE(ConsoleLog().find("ERR #1: There's no disk file!", before), std::string::npos);
    EXPECT_FALSE(wave.LoadWaveFromFile(nullptr));
}

TEST_F(WaveFileTest, LongNamesAreCutAndEnded)
{
    const std::string name(400, 'n');
    CSoundWave wave;
    EXPECT_FALSE(wave.LoadWaveFromFile(name.c_str()));
    m_dir.Write("w.wav", WaveFile(1, 22050, kSamples));
    ASSERT_TRUE(wave.LoadWaveFromFile("w.wav"));
    EXPECT_STREQ(wave.m_szFileName, "w.wav");
    // The cache refuses a name it could not hold whole, and says so.
    EXPECT_FALSE(g_SoundCache.LoadToCache(name.c_str()));
    EXPECT_NE(ConsoleLog().find("file name too long"), std::string::npos);
}
