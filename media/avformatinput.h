#pragma once

#include <QByteArray>

#include <atomic>
#include <cstddef>
#include <memory>

struct AVFormatContext;
struct AVPacket;

namespace media {

struct FormatCloser
{
    void operator()(AVFormatContext *format) const;
};
using Format = std::unique_ptr<AVFormatContext, FormatCloser>;

struct PacketFreer
{
    void operator()(AVPacket *packet) const;
};
using Packet = std::unique_ptr<AVPacket, PacketFreer>;

// No real movie needs one allocation this large: an MP4's table of a billion samples would be
// 4 GB of movie headers. A 5 KiB file can make libavformat ask for 1.4 GB for a table it then
// fails to read; bounded, the file is refused at once.
inline constexpr size_t MaxAllocationBytes = size_t(256) << 20;

// Bounds what FFmpeg's libraries allocate at once, in the whole process (the engine's too): a
// hostile movie is refused instead of taking gigabytes. The media driver does it when it is made.
void limitAllocations();

// The movie's container opened with libavformat, or nothing when it cannot be read. Reading
// stops with an error once cancelled is set, when it is given.
Format openInput(const QByteArray &path, const std::atomic<bool> *cancelled = nullptr);

// An MP4 or QuickTime file opened so that its packets come without reading their bytes: the
// boxes are read from the file, but reading within a media data box reads nothing and leaves
// the packet's bytes undefined. For whoever needs only where and when each sample lies, which
// the boxes tell. Nothing when the file is not made of such boxes.
Format openWithoutSampleBytes(const QByteArray &path);
// The same for a file already open: takes the descriptor over, closing it in any case.
Format openWithoutSampleBytes(int fd);

// The index of the first video stream that is not a cover picture, or -1. Program streams
// announce their streams only as their packets come, so packets may be read to find it: then
// packet holds the stream's first packet, which the caller must not lose; else it is empty.
int findVideoStream(AVFormatContext &format, AVPacket &packet);

} // namespace media
