#include "media/lastframe.h"

#include "media/avformatinput.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cstdint>

namespace media {
namespace {

// Far enough to seek past the end of any movie, small enough for every clock to hold.
constexpr qint64 PastTheEndSeconds = 1'000'000'000;
// Video packets after the last keyframe worth reading: more, and decoding them is no slower.
constexpr int MaxTailPackets = 5000;

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
    const qint64 pastTheEnd = av_rescale_q(PastTheEndSeconds, {1, 1}, timeBase);
    if (av_seek_frame(&format, video, pastTheEnd, AVSEEK_FLAG_BACKWARD) < 0)
        return std::nullopt;

    std::optional<int64_t> last;
    // A packet without a time is shown before a later reference frame, which is shown after its
    // decoding time, so such a frame settles it; without one it could be the last.
    bool unsettled = false;
    int error = 0;
    for (int tail = 0;
         tail <= MaxTailPackets && (error = av_read_frame(&format, packet.get())) >= 0;
         av_packet_unref(packet.get())) {
        // Packets an edit list cuts away are never shown.
        if (packet->stream_index != video || (packet->flags & AV_PKT_FLAG_DISCARD) != 0)
            continue;
        if ((packet->flags & AV_PKT_FLAG_CORRUPT) != 0)
            return std::nullopt;
        ++tail;
        if (packet->pts == AV_NOPTS_VALUE) {
            unsettled = true;
            continue;
        }
        if (packet->dts != AV_NOPTS_VALUE && packet->pts > packet->dts)
            unsettled = false;
        last = std::max(last.value_or(packet->pts), packet->pts);
    }
    if (error != AVERROR_EOF || !last || unsettled)
        return std::nullopt;
    return double(*last) * av_q2d(timeBase);
}

} // namespace media
