// The wave cache: one entry per name whatever its case, and the oldest load
// makes room when all 550 are used.
#include "sound_fixture.h"

#include <string>

using WaveCacheTest = SoundTest;

TEST_F(WaveCacheTest, OneEntryPerNameWhateverItsCase)
{
    m_dir.Write("sounds/Shot.wav", WaveFile(1, 22050, {1, 2, 3, 4}));
    ASSERT_TRUE(g_SoundMgr.PreloadSound("sounds\\Shot.wav"));
    ASSERT_TRUE(g_SoundMgr.PreloadSound("SOUNDS\\SHOT.WAV"));
    int used = 0;
    for (const CSoundCache::Entry& e : g_SoundCache.m_Entries)
        used += e.used;
    EXPECT_EQ(used, 1);
    EXPECT_TRUE(g_SoundCache.Contains("sounds\\shot.wav"));
    EXPECT_FALSE(g_SoundMgr.PreloadSound(nullptr));

    // A failed load leaves its entry free and says which file.
    EXPECT_FALSE(g_SoundMgr.PreloadSound("sounds\\missing.wav"));
    EXPECT_NE(ConsoleLog().find("ERROR in CSoundCache::LoadToCache(): LoadWaveFromFile() failed..."),
              std::string::npos);
    EXPECT_NE(ConsoleLog().find("sounds\\missing.wav"), std::string::npos);
    EXPECT_FALSE(g_SoundCache.Contains("sounds\\missing.wav"));

    g_SoundMgr.ClearCache();
    EXPECT_FALSE(g_SoundCache.Contains("sounds\\shot.wav"));
}

TEST_F(WaveCacheTest, TheOldestLoadMakesRoom)
{
    const std::string bytes = WaveFile(1, 22050, {1, 2});
    auto name = [](int i) { return "w" + std::to_string(i) + ".wav"; };
    for (int i = 0; i <= CSoundCache::MAX_CACHED_WAVES; ++i)
        m_dir.Write(name(i), bytes);
    for (int i = 0; i < CSoundCache::MAX_CACHED_WAVES; ++i)
        ASSERT_TRUE(g_SoundCache.LoadToCache(name(i).c_str()));
    // Freed and loaded again, w0 is now the newest: w1 is the oldest.
    g_SoundCache.FreeEntry(0);
    ASSERT_TRUE(g_SoundCache.LoadToCache(name(0).c_str()));
    ASSERT_TRUE(g_SoundCache.LoadToCache(name(CSoundCache::MAX_CACHED_WAVES).c_str()));
    EXPECT_FALSE(g_SoundCache.Contains(name(1).c_str()));
    EXPECT_TRUE(g_SoundCache.Contains(name(0).c_str()));
    EXPECT_TRUE(g_SoundCache.Contains(name(2).c_str()));
    EXPECT_TRUE(g_SoundCache.Contains(name(CSoundCache::MAX_CACHED_WAVES).c_str()));
    g_SoundCache.FreeEntry(CSoundCache::MAX_CACHED_WAVES); // out of range: nothing
}
