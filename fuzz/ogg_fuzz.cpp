// Music files as the music thread opens them: the whole file in memory, the
// Vorbis headers, and a bounded stretch of decoding, rewound once.
#include "FuzzInput.h"

#include "sound/MusicSource.h"
#include "sound/OggStream.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace
{
constexpr const char* kFile = "fuzz.ogg";
constexpr int kChunkBytes = 4096;
constexpr int kMaxChunks = 32;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzinput::StartLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzinput::WriteInput(kFile, data, size);

    CMusicSource source;
    if (source.Open(kFile) != 0)
        return 0;
    OGG_Stream stream(&source);
    fuzzinput::RemoveLogs();
    if (!stream.IsOpen())
        return 0;
    if (stream.GetRate() <= 0 || stream.GetChannels() <= 0)
        __builtin_trap();
    std::vector<uint8_t> pcm(kChunkBytes);
    for (int pass = 0; pass < 2; ++pass)
    {
        for (int i = 0; i < kMaxChunks && !stream.IsEof(); ++i)
        {
            const int got = stream.ReadPCM(pcm.data(), kChunkBytes);
            if (got < 0 || got > kChunkBytes || got % (stream.GetChannels() * 2) != 0)
                __builtin_trap();
        }
        stream.Rewind();
    }
    return 0;
}
