#pragma once

#include <QByteArray>

#include <atomic>
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

// Bounds what FFmpeg's libraries allocate at once, in the whole process (the engine's too): a
// hostile movie is refused instead of taking gigabytes. The media driver does it when it is made.
void limitAllocations();

// The movie's container opened with libavformat, or nothing when it cannot be read. Reading
// stops with an error once cancelled is set, when it is given.
Format openInput(const QByteArray &path, const std::atomic<bool> *cancelled = nullptr);

// The index of the first video stream that is not a cover picture, or -1. Program streams
// announce their streams only as their packets come, so packets may be read to find it.
int findVideoStream(AVFormatContext &format, AVPacket &packet);

} // namespace media
