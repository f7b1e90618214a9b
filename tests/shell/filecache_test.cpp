#include "support/ConsoleLog.h"
#include "support/TempDir.h"
// FileCacheManager: line ends, handles, removal while reading, capacities.
#include "shell/FileCache.h"

#include "shell/Debug.h"
#include "shell/GameOptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{
class FileCache : public ::testing::Test
{
protected:
    void SetUp() override
    {
        temp = std::make_unique<TempDir>();
        cache = std::make_unique<FileCacheManager>();
    }
    void TearDown() override
    {
        cache.reset();
        temp.reset();
    }

    static void Write(const char* name, const std::string& bytes)
    {
        FILE* f = std::fopen(name, "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }

    std::vector<std::string> Lines(const char* name, DWORD n = 255)
    {
        std::vector<std::string> lines;
        strCachedFile* h = cache->Open(name);
        EXPECT_NE(h, nullptr);
        if (!h)
            return lines;
        std::vector<char> buf(n + 1);
        for (int guard = 0; !cache->Eof(h) && guard < 1000; ++guard)
        {
            cache->ReadLine(h, buf.data(), n);
            lines.emplace_back(buf.data());
        }
        cache->Close(h);
        return lines;
    }

    std::unique_ptr<FileCacheManager> cache;
    std::unique_ptr<TempDir> temp;
};
} // namespace

TEST_F(FileCache, AllLineEndsGiveTheSameLines)
{
    const std::vector<std::string> expected = {"mesh a.x", "", "radius 2.5", "end"};
    struct Case
    {
        const char* name;
        const char* bytes;
    } cases[] = {
        {"crlf.txt", "mesh a.x\r\n\r\nradius 2.5\r\nend"},
        {"lf.txt", "mesh a.x\n\nradius 2.5\nend"},
        {"cr.txt", "mesh a.x\r\rradius 2.5\rend"},
        {"crlf_end.txt", "mesh a.x\r\n\r\nradius 2.5\r\nend\r\n"},
        {"lf_end.txt", "mesh a.x\n\nradius 2.5\nend\n"},
        {"cr_end.txt", "mesh a.x\r\rradius 2.5\rend\r"},
        {"mixed.txt", "mesh a.x\r\n\rradius 2.5\nend\r"},
    };
    for (const auto& c : cases)
    {
        Write(c.name, c.bytes);
        EXPECT_EQ(Lines(c.name), expected) << c.name;
    }
}

TEST_F(FileCache, TwoHandlesOnOneFileReadIndependently)
{
    Write("model.txt", "one\ntwo\nthree\n");
    strCachedFile* a = cache->Open("model.txt");
    strCachedFile* b = cache->Open("MODEL.TXT"); // names are case-blind
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(a->pEntry, b->pEntry);
    char buf[32];
    cache->ReadLine(a, buf, 31);
    EXPECT_STREQ(buf, "one");
    cache->ReadLine(a, buf, 31);
    EXPECT_STREQ(buf, "two");
    cache->ReadLine(b, buf, 31);
    EXPECT_STREQ(buf, "one");
    cache->ReadLine(a, buf, 31);
    EXPECT_STREQ(buf, "three");
    EXPECT_TRUE(cache->Eof(a));
    EXPECT_FALSE(cache->Eof(b));
    cache->Close(a);
    cache->Close(b);
}

TEST_F(FileCache, AtTheEndReadLineGivesTheEmptyString)
{
    Write("short.txt", "x\n");
    strCachedFile* h = cache->Open("short.txt");
    char buf[8];
    cache->ReadLine(h, buf, 7);
    EXPECT_STREQ(buf, "x");
    EXPECT_TRUE(cache->Eof(h));
    std::strcpy(buf, "old");
    cache->ReadLine(h, buf, 7);
    EXPECT_STREQ(buf, "");
    EXPECT_TRUE(cache->Eof(h));
    EXPECT_EQ(h->iPosition, 2u);
    cache->Close(h);

    Write("empty.txt", "");
    h = cache->Open("empty.txt");
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(cache->Eof(h));
    std::strcpy(buf, "old");
    cache->ReadLine(h, buf, 7);
    EXPECT_STREQ(buf, "");
    cache->Close(h);
}

TEST_F(FileCache, LongLinesComeInPiecesOfN)
{
    Write("long.txt", "abcdefgh\nij\n");
    EXPECT_EQ(Lines("long.txt", 3), (std::vector<std::string>{"abc", "def", "gh", "ij"}));
    // A piece never overruns the n + 1 bytes.
    strCachedFile* h = cache->Open("long.txt");
    char buf[5] = {'#', '#', '#', '#', '#'};
    cache->ReadLine(h, buf, 4);
    EXPECT_STREQ(buf, "abcd");
    cache->Close(h);
}

TEST_F(FileCache, ClosedOrNullHandlesAndZeroLengthLeaveTheBuffer)
{
    Write("f.txt", "data\n");
    strCachedFile* h = cache->Open("f.txt");
    char buf[8] = "keep";
    cache->ReadLine(h, buf, 0);
    EXPECT_STREQ(buf, "keep");
    cache->ReadLine(nullptr, buf, 7);
    EXPECT_STREQ(buf, "keep");
    EXPECT_FALSE(cache->Eof(nullptr));
    cache->Close(h);
    cache->ReadLine(h, buf, 7);
    EXPECT_STREQ(buf, "keep");
    EXPECT_FALSE(cache->Eof(h));
    cache->Close(nullptr);
}

TEST_F(FileCache, ClosedHandleIsReusedAndTheDataStayCached)
{
    Write("desc.txt", "first\n");
    strCachedFile* h = cache->Open("desc.txt");
    cache->Close(h);
    // The disk copy changes; the cache keeps what it read.
    Write("desc.txt", "second\n");
    strCachedFile* again = cache->Open("desc.txt");
    EXPECT_EQ(again, h);
    char buf[16];
    cache->ReadLine(again, buf, 15);
    EXPECT_STREQ(buf, "first");
    cache->Close(again);
}

TEST_F(FileCache, MissingFileIsNullWithoutAMessage)
{
    EXPECT_EQ(cache->AddToCache("nothing.txt"), -1);
    EXPECT_EQ(cache->Open("nothing.txt"), nullptr);
    EXPECT_EQ(ConsoleLog(), "");
}

TEST_F(FileCache, RemovingAnEntryWhileAHandleReadsItIsSafe)
{
    const int oldSystemDebug = g_Options.SystemDebug;
    g_Options.SystemDebug = 1;
    auto liveBlocks = []
    {
        for (int i = 0; i < EDebug::MAX_ALLOCATION_TAGS; ++i)
            if (g_Debug.m_bUsed[i] && std::strcmp(g_Debug.m_szTags[i], "m_Cache[i].pData") == 0)
                return static_cast<int>(g_Debug.m_iCounts[i]);
        return 0;
    };
    const int before = liveBlocks();

    Write("skin.txt", "line one\nline two\n");
    strCachedFile* h = cache->Open("skin.txt");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(liveBlocks(), before + 1);
    char buf[32];
    cache->ReadLine(h, buf, 31);
    EXPECT_STREQ(buf, "line one");

    cache->RemoveFromCache("SKIN.TXT");
    // The reader goes on with the data it opened.
    cache->ReadLine(h, buf, 31);
    EXPECT_STREQ(buf, "line two");
    EXPECT_TRUE(cache->Eof(h));
    // A new reader gets the file afresh from disk.
    Write("skin.txt", "changed\n");
    strCachedFile* fresh = cache->Open("skin.txt");
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh->pEntry, h->pEntry);
    cache->ReadLine(fresh, buf, 31);
    EXPECT_STREQ(buf, "changed");
    EXPECT_EQ(liveBlocks(), before + 2);

    // The removed data go when their last reader closes.
    cache->Close(h);
    EXPECT_EQ(liveBlocks(), before + 1);
    cache->Close(fresh);
    cache->RemoveFromCache("skin.txt");
    EXPECT_EQ(liveBlocks(), before);
    cache->RemoveFromCache("skin.txt"); // nothing left: nothing happens
    g_Options.SystemDebug = oldSystemDebug;
}

TEST_F(FileCache, FullCacheAndFullHandleTableAreReported)
{
    char name[32];
    for (int i = 0; i < FileCacheManager::MAX_CACHED_FILES; ++i)
    {
        std::snprintf(name, sizeof name, "f%03d.txt", i);
        Write(name, "x\n");
        ASSERT_EQ(cache->AddToCache(name), i);
    }
    Write("extra.txt", "x\n");
    EXPECT_EQ(cache->AddToCache("extra.txt"), -1);
    EXPECT_EQ(cache->Open("extra.txt"), nullptr);
    EXPECT_NE(ConsoleLog().find("ERROR in FileCacheManager: no more free space in cache! file: extra.txt"),
              std::string::npos);

    for (int i = 0; i < FileCacheManager::MAX_CACHED_FILE_HANDLES; ++i)
        ASSERT_NE(cache->Open("f007.txt"), nullptr);
    EXPECT_EQ(cache->Open("f008.txt"), nullptr);
    EXPECT_NE(ConsoleLog().find("ERROR in FileCacheManager: no more free file handles! file: f008.txt"),
              std::string::npos);
}

TEST_F(FileCache, OverlongNameIsRefused)
{
    const std::string longName(300, 'n');
    EXPECT_EQ(cache->AddToCache(longName.c_str()), -1);
    EXPECT_EQ(cache->Open(longName.c_str()), nullptr);
    EXPECT_NE(ConsoleLog().find("file name too long"), std::string::npos);
}

TEST_F(FileCache, SameNameAddedTwiceOpensTheFirst)
{
    Write("dup.txt", "old\n");
    EXPECT_EQ(cache->AddToCache("dup.txt"), 0);
    Write("dup.txt", "new\n");
    EXPECT_EQ(cache->AddToCache("dup.txt"), 1);
    strCachedFile* h = cache->Open("dup.txt");
    char buf[8];
    cache->ReadLine(h, buf, 7);
    EXPECT_STREQ(buf, "old");
    cache->Close(h);
}

TEST_F(FileCache, NamesGoThroughThePathResolver)
{
    std::filesystem::create_directories("Models/Hero");
    Write("Models/Hero/Physics.txt", "mass 80\n");
    EXPECT_EQ(Lines("models\\hero\\physics.txt"), (std::vector<std::string>{"mass 80"}));
}
