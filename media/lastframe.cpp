#include "media/lastframe.h"

#include "media/avformatinput.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/common.h>
}

#include <algorithm>
#include <cstdint>

namespace media {
namespace {

// Far enough to seek past the end of any movie, small enough for every clock to hold.
constexpr qint64 PastTheEndSeconds = 1'000'000'000;
// Video packets after the last keyframe worth reading: more, and decoding them is no slower.
constexpr int MaxTailPackets = 5000;
// Seeks back from the end, each twice as far as the one before, before the end is left to the
// engine.
constexpr int MaxTailSeeks = 6;

struct Tail
{
    std::optional<int64_t> last;
    // The earliest decoding time read, where a packet had one.
    std::optional<int64_t> firstDecoded;
    bool keyframe = false;
    bool unsettled = false;
    // Read to the end of the file, every packet whole.
    bool complete = false;
};

// The video packets from where the demuxer stands to the end of the file, up to
// MaxTailPackets of them.
Tail readTail(AVFormatContext &format, int video, AVPacket &packet)
{
    Tail tail;
    int error = 0;
    for (int read = 0; read <= MaxTailPackets && (error = av_read_frame(&format, &packet)) >= 0;
         av_packet_unref(&packet)) {
        // Packets an edit list cuts away are never shown.
        if (packet.stream_index != video || (packet.flags & AV_PKT_FLAG_DISCARD) != 0)
            continue;
        if ((packet.flags & AV_PKT_FLAG_CORRUPT) != 0) {
            av_packet_unref(&packet);
            return tail;
        }
        ++read;
        tail.keyframe = tail.keyframe || (packet.flags & AV_PKT_FLAG_KEY) != 0;
        if (packet.dts != AV_NOPTS_VALUE)
            tail.firstDecoded = std::min(tail.firstDecoded.value_or(packet.dts), packet.dts);
        // A packet without a time is shown before a later reference frame, which is shown after
        // its decoding time, so such a frame settles it; without one it could be the last.
        if (packet.pts == AV_NOPTS_VALUE) {
            tail.unsettled = true;
            continue;
        }
        if (packet.dts != AV_NOPTS_VALUE && packet.pts > packet.dts)
            tail.unsettled = false;
        tail.last = std::max(tail.last.value_or(packet.pts), packet.pts);
    }
    tail.complete = error == AVERROR_EOF;
    return tail;
}

} // namespace

std::optional<double> findLastFrameTime(const QByteArray &path)
{
    const Format format = openInput(path);
    if (!format)
        return std::nullopt;
    return findLastFrameTime(*format);
}

std::optional<double> findLastFrameTime(AVFormatContext &format)
{
    const Packet packet(av_packet_alloc());
    if (!packet)
        return std::nullopt;
    const int video = findVideoStream(format, *packet);
    av_packet_unref(packet.get());
    if (video < 0)
        return std::nullopt;
    const AVRational timeBase = format.streams[video]->time_base;
    int64_t target = av_rescale_q(PastTheEndSeconds, {1, 1}, timeBase);
    // Without an index, a seek lands on the last packet stamped before its target, which need
    // not be a keyframe: where the keyframe just before it in decoding order is shown after it
    // (a program stream ending on B-frames), the tail would miss the last frame. The tail must
    // hold a keyframe, so the seek goes further back till it does.
    for (int seek = 0; seek < MaxTailSeeks; ++seek) {
        if (av_seek_frame(&format, video, target, AVSEEK_FLAG_BACKWARD) < 0)
            return std::nullopt;
        const Tail tail = readTail(format, video, *packet);
        if (!tail.complete || !tail.last || tail.unsettled)
            return std::nullopt;
        if (tail.keyframe || !tail.firstDecoded)
            return double(*tail.last) * av_q2d(timeBase);
        target = av_sat_sub64(std::min(target, *tail.firstDecoded),
                              av_rescale_q(int64_t(1) << seek, {1, 1}, timeBase));
    }
    return std::nullopt;
}

} // namespace media
