#pragma once

#include <QByteArray>

#include <optional>

struct AVFormatContext;

namespace media {

// The presentation time, on the container's clock in seconds, of a movie's last video frame,
// read from the packets after its last keyframe without decoding any of them: a few
// milliseconds, where decoding the last group of pictures of a long-GOP movie takes most of a
// second.
//
// Nothing when the file does not tell it plainly: no video, no way to reach its end, a packet
// without a time or marked corrupt, a read error, or more packets after the last keyframe than
// is worth reading. The engine's own decoding must find the end then.
std::optional<double> findLastFrameTime(const QByteArray &path);
// The same for a container already opened.
std::optional<double> findLastFrameTime(AVFormatContext &format);

} // namespace media
