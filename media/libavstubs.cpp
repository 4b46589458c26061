// The demuxers' functions the player calls, each opening its library at its first use
// (lazylibrary.h). The allocations fail and the frees of nothing do nothing without the
// libraries; every other function takes what only an open library gives.
#include "media/lazylibrary.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

constinit media::LazyLibrary libavformat(VELMO_LIBAVFORMAT);
constinit media::LazyLibrary libavcodec(VELMO_LIBAVCODEC);
constinit media::LazyLibrary libavutil(VELMO_LIBAVUTIL);

} // namespace

extern "C" {

AVFormatContext *avformat_alloc_context(void)
{
    const auto real = VELMO_REAL(libavformat, avformat_alloc_context);
    return real != nullptr ? real() : nullptr;
}

int avformat_open_input(AVFormatContext **ps, const char *url, const AVInputFormat *fmt,
                        AVDictionary **options)
{
    return VELMO_REAL(libavformat, avformat_open_input)(ps, url, fmt, options);
}

void avformat_close_input(AVFormatContext **s)
{
    VELMO_REAL(libavformat, avformat_close_input)(s);
}

const AVInputFormat *av_find_input_format(const char *short_name)
{
    return VELMO_REAL(libavformat, av_find_input_format)(short_name);
}

int av_read_frame(AVFormatContext *s, AVPacket *pkt)
{
    return VELMO_REAL(libavformat, av_read_frame)(s, pkt);
}

int av_seek_frame(AVFormatContext *s, int stream_index, int64_t timestamp, int flags)
{
    return VELMO_REAL(libavformat, av_seek_frame)(s, stream_index, timestamp, flags);
}

const AVIndexEntry *avformat_index_get_entry(AVStream *st, int idx)
{
    return VELMO_REAL(libavformat, avformat_index_get_entry)(st, idx);
}

int avformat_index_get_entries_count(const AVStream *st)
{
    return VELMO_REAL(libavformat, avformat_index_get_entries_count)(st);
}

AVIOContext *avio_alloc_context(unsigned char *buffer, int buffer_size, int write_flag,
                                void *opaque, int (*read_packet)(void *, uint8_t *, int),
                                int (*write_packet)(void *, uint8_t *, int),
                                int64_t (*seek)(void *, int64_t, int))
{
    return VELMO_REAL(libavformat, avio_alloc_context)(buffer, buffer_size, write_flag, opaque,
                                                       read_packet, write_packet, seek);
}

void avio_context_free(AVIOContext **s)
{
    VELMO_REAL(libavformat, avio_context_free)(s);
}

int64_t avio_size(AVIOContext *s)
{
    return VELMO_REAL(libavformat, avio_size)(s);
}

AVPacket *av_packet_alloc(void)
{
    const auto real = VELMO_REAL(libavcodec, av_packet_alloc);
    return real != nullptr ? real() : nullptr;
}

void av_packet_free(AVPacket **pkt)
{
    VELMO_REAL(libavcodec, av_packet_free)(pkt);
}

void av_packet_unref(AVPacket *pkt)
{
    VELMO_REAL(libavcodec, av_packet_unref)(pkt);
}

void *av_malloc(size_t size)
{
    const auto real = VELMO_REAL(libavutil, av_malloc);
    return real != nullptr ? real(size) : nullptr;
}

void av_free(void *ptr)
{
    if (const auto real = VELMO_REAL(libavutil, av_free))
        real(ptr);
}

void av_freep(void *ptr)
{
    VELMO_REAL(libavutil, av_freep)(ptr);
}

void av_max_alloc(size_t max)
{
    if (const auto real = VELMO_REAL(libavutil, av_max_alloc))
        real(max);
}

int64_t av_rescale_q(int64_t a, AVRational bq, AVRational cq)
{
    return VELMO_REAL(libavutil, av_rescale_q)(a, bq, cq);
}

} // extern "C"
