#pragma once
// OGG_Stream: an Ogg Vorbis track decoded packet by packet from a
// CMusicSource, into interleaved signed 16-bit samples.

#include "platform/win32/WinTypes.h"

#include <ogg/ogg.h>
#include <vorbis/codec.h>

class CMusicSource;

class OGG_Stream
{
public:
    // The bytes handed to the Ogg reader at a time.
    static constexpr int READ_CHUNK = 4096;

    explicit OGG_Stream(CMusicSource* source);
    virtual ~OGG_Stream();
    OGG_Stream(const OGG_Stream&) = delete;
    OGG_Stream& operator=(const OGG_Stream&) = delete;

    virtual bool IsEof() { return m_bEndOfStream != 0; }
    // Called when the music stops; there is nothing to do.
    virtual void OnStop() {}
    virtual void Rewind();
    // Back to `offset` bytes past the headers.
    virtual void Seek(int offset);
    // Decodes into `buffer`; the bytes written (whole frames only).
    virtual int ReadPCM(void* buffer, int bytes);
    virtual int GetRate() { return m_bOpen ? static_cast<int>(m_Info.rate) : 0; }

    // Reads the three Vorbis headers; the stream stays closed when they are not there.
    void Open();
    void Close();
    // Feeds the decoder one packet: 0 at the end of the source.
    int DecodeNextPacket();

    bool IsOpen() const { return m_bOpen != 0; }
    int GetChannels() const { return m_bOpen ? m_Info.channels : 0; }

    BYTE m_bOpen = 0;
    int m_iDataStart = 0;
    CMusicSource* m_pSource;
    BYTE m_bEndOfStream = 0;
    ogg_sync_state m_Sync{};
    ogg_stream_state m_Stream{};
    ogg_page m_Page{};
    ogg_packet m_Packet{};
    vorbis_info m_Info{};
    vorbis_comment m_Comment{};
    vorbis_dsp_state m_Dsp{};
    vorbis_block m_Block{};

private:
    // Which library states exist, so a failed open frees exactly those.
    bool m_bSync = false, m_bStream = false, m_bInfo = false, m_bDsp = false;
    void FreeStates();
    // Hands the next chunk of the source to the sync state: the bytes read.
    int Feed();
};
