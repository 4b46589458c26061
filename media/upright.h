#pragma once

#include <QSize>
#include <QtGlobal>

// How a movie's pictures are turned upright and how large they are meant to be seen.
namespace media::upright {

// The largest side a picture may be meant to be seen at: anything larger is a header's
// nonsense (a sample aspect of 255:1), and no window or picture of the player could hold it.
inline constexpr int MaxSide = 16384;

// The container's display rotation (clockwise degrees, any value) as the quarter turn nearest to
// it: 0, 90, 180 or 270.
int quarterTurn(qint64 clockwiseDegrees);

// The engine's video filter that turns a stored picture upright, or nullptr for none.
// The software renderer cannot turn pictures (it aborts on a quarter turn and ignores a half
// turn), so the engine's own rotation is off and this filter does it, as mpv does for video
// outputs that cannot rotate.
const char *filterFor(int quarterTurn);

// Whether a picture meant to be seen at this size can be shown.
bool isShowable(QSize displaySize);

} // namespace media::upright
