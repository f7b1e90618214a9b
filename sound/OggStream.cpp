#include "sound/OggStream.h"

#include "sound/MusicSource.h"

#include <cstdio>
#include <cstring>

namespace
{
constexpr int kHeaderPackets = 3;
constexpr float kSampleScale = 32767.0f;
constexpr int kSampleMax = 32767;
} // namespace

OGG_Stream::OGG_Stream(CMusicSource* source) : m_pSource(source)
{
    Open();
}

OGG_Stream::~OGG_Stream()
{
    Close();
    FreeStates();
}

int OGG_Stream::Feed()
{
    char* into = ogg_sync_buffer(&m_Sync, READ_CHUNK);
    if (!into || !m_pSource)
        return 0;
    const int got = m_pSource->Read(into, READ_CHUNK);
    ogg_sync_wrote(&m_Sync, got);
    return got;
}

void OGG_Stream::FreeStates()
{
    if (m_bDsp)
    {
        vorbis_block_clear(&m_Block);
        vorbis_dsp_clear(&m_Dsp);
    }
    if (m_bInfo)
    {
        // The comment holds the strings of the header: it goes with the info.
        vorbis_comment_clear(&m_Comment);
        vorbis_info_clear(&m_Info);
    }
    if (m_bStream)
        ogg_stream_clear(&m_Stream);
    if (m_bSync)
        ogg_sync_clear(&m_Sync);
    m_bSync = m_bStream = m_bInfo = m_bDsp = false;
}

void OGG_Stream::Open()
{
    if (m_bOpen || !m_pSource)
        return;
    FreeStates();
    m_pSource->Seek(0, SEEK_SET);
    ogg_sync_init(&m_Sync);
    m_bSync = true;
    Feed();
    if (ogg_sync_pageout(&m_Sync, &m_Page) != 1)
        return;
    ogg_stream_init(&m_Stream, ogg_page_serialno(&m_Page));
    m_bStream = true;
    vorbis_info_init(&m_Info);
    vorbis_comment_init(&m_Comment);
    m_bInfo = true;
    if (ogg_stream_pagein(&m_Stream, &m_Page) < 0 || ogg_stream_packetout(&m_Stream, &m_Packet) != 1 ||
        vorbis_synthesis_headerin(&m_Info, &m_Comment, &m_Packet) < 0)
        return;
    int headers = 1;
    while (headers < kHeaderPackets)
    {
        const int page = ogg_sync_pageout(&m_Sync, &m_Page);
        if (page == 0)
        {
            if (Feed() == 0)
                return; // the source ran dry inside the headers
            continue;
        }
        if (page < 0)
            continue; // bytes skipped to the next page
        // Pages of another logical stream are not ours.
        if (ogg_stream_pagein(&m_Stream, &m_Page) < 0)
            continue;
        while (headers < kHeaderPackets)
        {
            const int got = ogg_stream_packetout(&m_Stream, &m_Packet);
            if (got == 0)
                break;
            if (got < 0 || vorbis_synthesis_headerin(&m_Info, &m_Comment, &m_Packet) < 0)
                return;
            ++headers;
        }
    }
    if (vorbis_synthesis_init(&m_Dsp, &m_Info) != 0)
        return;
    if (vorbis_block_init(&m_Dsp, &m_Block) != 0)
    {
        vorbis_dsp_clear(&m_Dsp);
        return;
    }
    m_bDsp = true;
    m_iDataStart = m_pSource->Tell();
    m_bEndOfStream = 0;
    m_bOpen = 1;
}

void OGG_Stream::Close()
{
    if (!m_bOpen)
        return;
    m_bEndOfStream = 0;
    m_bOpen = 0;
    FreeStates();
    if (m_pSource)
        m_pSource->Seek(0, SEEK_SET);
}

void OGG_Stream::Rewind()
{
    Close();
    Open();
    Seek(0);
}

void OGG_Stream::Seek(int offset)
{
    if (m_pSource)
        m_pSource->Seek(m_iDataStart + offset, SEEK_SET);
    m_bEndOfStream = 0;
}

int OGG_Stream::DecodeNextPacket()
{
    if (!m_bOpen)
        return 0;
    for (;;)
    {
        const int packet = ogg_stream_packetout(&m_Stream, &m_Packet);
        if (packet == 1)
        {
            if (vorbis_synthesis(&m_Block, &m_Packet) == 0)
                vorbis_synthesis_blockin(&m_Dsp, &m_Block);
            return 1;
        }
        if (packet < 0)
            continue; // a hole in the data: the next packet
        const int page = ogg_sync_pageout(&m_Sync, &m_Page);
        if (page == 1)
        {
            ogg_stream_pagein(&m_Stream, &m_Page);
            continue;
        }
        if (page < 0)
            continue;
        if (Feed() == 0)
        {
            m_bEndOfStream = 1;
            return 0;
        }
    }
}

int OGG_Stream::ReadPCM(void* buffer, int bytes)
{
    const int channels = GetChannels();
    if (!buffer || bytes <= 0 || channels <= 0)
        return 0;
    const int frameBytes = channels * 2;
    int frames = bytes / frameBytes;
    auto* out = static_cast<uint8_t*>(buffer);
    int written = 0;
    while (frames > 0 && !m_bEndOfStream)
    {
        float** pcm = nullptr;
        const int ready = vorbis_synthesis_pcmout(&m_Dsp, &pcm);
        if (ready <= 0)
        {
            DecodeNextPacket();
            continue;
        }
        const int take = ready < frames ? ready : frames;
        for (int i = 0; i < take; ++i)
        {
            for (int c = 0; c < channels; ++c)
            {
                // Damaged data can decode to anything, NaN included.
                const float f = pcm[c][i] * kSampleScale;
                int v = 0;
                if (f >= kSampleMax)
                    v = kSampleMax;
                else if (f <= -kSampleMax)
                    v = -kSampleMax;
                else if (f == f)
                    v = static_cast<int>(f);
                const auto u = static_cast<uint16_t>(static_cast<int16_t>(v));
                out[written++] = static_cast<uint8_t>(u);
                out[written++] = static_cast<uint8_t>(u >> 8);
            }
        }
        vorbis_synthesis_read(&m_Dsp, take);
        frames -= take;
    }
    return written;
}
