// Wave and Ogg Vorbis files for the sound tests.
#include "sound_fixture.h"

#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstring>

namespace
{
void PutU32(std::string& s, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>(v >> (8 * i));
}

void PutU16(std::string& s, uint16_t v)
{
    s += static_cast<char>(v);
    s += static_cast<char>(v >> 8);
}

void Append(std::string& out, const ogg_page& page)
{
    out.append(reinterpret_cast<const char*>(page.header), page.header_len);
    out.append(reinterpret_cast<const char*>(page.body), page.body_len);
}
} // namespace

std::string RiffFile(const std::vector<WaveChunk>& chunks)
{
    std::string body = "WAVE";
    for (const WaveChunk& c : chunks)
    {
        body += c.id;
        PutU32(body, c.declaredSize >= 0 ? static_cast<uint32_t>(c.declaredSize)
                                         : static_cast<uint32_t>(c.bytes.size()));
        body += c.bytes;
        if (c.bytes.size() % 2)
            body += '\0';
    }
    std::string file = "RIFF";
    PutU32(file, static_cast<uint32_t>(body.size()));
    return file + body;
}

std::string FormatChunk(uint16_t channels, uint32_t rate, uint16_t bits)
{
    std::string s;
    const uint16_t block = static_cast<uint16_t>(channels * bits / 8);
    PutU16(s, 1);
    PutU16(s, channels);
    PutU32(s, rate);
    PutU32(s, rate * block);
    PutU16(s, block);
    PutU16(s, bits);
    return s;
}

std::string Samples16(const std::vector<int16_t>& samples)
{
    std::string s;
    for (int16_t v : samples)
        PutU16(s, static_cast<uint16_t>(v));
    return s;
}

std::string WaveFile(uint16_t channels, uint32_t rate, const std::vector<int16_t>& samples)
{
    return RiffFile({{"fmt ", FormatChunk(channels, rate, 16)}, {"data", Samples16(samples)}});
}

std::string OggFile(int channels, long rate, long frames, float hz)
{
    vorbis_info vi;
    vorbis_info_init(&vi);
    EXPECT_EQ(vorbis_encode_init_vbr(&vi, channels, rate, 0.4f), 0);
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "TITLE", "test tone");
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 12345);
    ogg_packet header, comment, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comment);
    ogg_stream_packetin(&os, &code);
    std::string out;
    ogg_page page;
    while (ogg_stream_flush(&os, &page))
        Append(out, page);

    const long chunk = 1024;
    bool done = false;
    for (long at = 0; !done;)
    {
        const long n = std::min(chunk, frames - at);
        if (n > 0)
        {
            float** in = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (long i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    in[c][i] = 0.5f * std::sin(6.2831853f * hz * (c + 1) * static_cast<float>(at + i) / rate);
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            at += n;
        }
        else
            vorbis_analysis_wrote(&vd, 0);
        while (vorbis_analysis_blockout(&vd, &vb) == 1)
        {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op))
            {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &page))
                {
                    Append(out, page);
                    if (ogg_page_eos(&page))
                        done = true;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

std::vector<int16_t> DecodeOgg(const std::string& path)
{
    std::vector<int16_t> out;
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0)
        return out;
    const int channels = ov_info(&vf, -1)->channels;
    for (;;)
    {
        float** pcm = nullptr;
        int section = 0;
        const long n = ov_read_float(&vf, &pcm, 4096, &section);
        if (n <= 0)
            break;
        for (long i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
            {
                int v = static_cast<int>(pcm[c][i] * 32767.0f);
                v = v > 32767 ? 32767 : (v < -32767 ? -32767 : v);
                out.push_back(static_cast<int16_t>(v));
            }
    }
    ov_clear(&vf);
    return out;
}
