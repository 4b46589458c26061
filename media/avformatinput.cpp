#include "media/avformatinput.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace media {
namespace {

// Video packets a program stream may need before its video stream shows up.
constexpr int MaxPacketsToFindVideo = 1000;

int videoStreamOf(const AVFormatContext &format)
{
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        const AVStream &stream = *format.streams[i];
        if (stream.codecpar->codec_type == AVMEDIA_TYPE_VIDEO
            && (stream.disposition & AV_DISPOSITION_ATTACHED_PIC) == 0)
            return int(i);
    }
    return -1;
}

} // namespace

void FormatCloser::operator()(AVFormatContext *format) const
{
    avformat_close_input(&format);
}

void PacketFreer::operator()(AVPacket *packet) const
{
    av_packet_free(&packet);
}

void limitAllocations()
{
    av_max_alloc(MaxAllocationBytes);
}

Format openInput(const QByteArray &path, const std::atomic<bool> *cancelled)
{
    AVFormatContext *opened = avformat_alloc_context();
    if (opened == nullptr)
        return nullptr;
    if (cancelled != nullptr) {
        opened->interrupt_callback.callback = [](void *flag) {
            return static_cast<const std::atomic<bool> *>(flag)->load() ? 1 : 0;
        };
        opened->interrupt_callback.opaque = const_cast<std::atomic<bool> *>(cancelled);
    }
    // The protocol prefix keeps a colon in the name from being taken for another protocol.
    if (avformat_open_input(&opened, ("file:" + path).constData(), nullptr, nullptr) < 0)
        return nullptr;
    return Format(opened);
}

int findVideoStream(AVFormatContext &format, AVPacket &packet)
{
    int video = videoStreamOf(format);
    for (int read = 0; video < 0 && read < MaxPacketsToFindVideo; ++read) {
        av_packet_unref(&packet);
        if (av_read_frame(&format, &packet) < 0)
            return -1;
        video = videoStreamOf(format);
    }
    // The packet that made the stream appear is its first: it stays for the caller.
    if (video < 0 || packet.stream_index != video)
        av_packet_unref(&packet);
    return video;
}

} // namespace media
