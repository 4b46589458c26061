#pragma once

#include <QByteArray>

namespace display {

// The name proposed for a still: the movie's name without its last extension, the frame number
// in brackets and ".BMP", e.g. "sea(120).BMP" for /clips/sea.avi at frame 120.
QByteArray stillFileName(const QByteArray &movie, qint32 frame);

} // namespace display
