#pragma once

#include <QtGlobal>

struct mpv_handle;

namespace media {

// What a loaded movie holds, as the engine lists its tracks.
struct Tracks
{
    bool movingVideo = false;
    bool stillPicture = false;
    bool audio = false;
    // The container's clockwise display rotation of the first moving video track, the one the
    // engine picks; known before any picture is decoded.
    qint64 rotation = 0;
};

Tracks tracksOf(mpv_handle *handle);

} // namespace media
