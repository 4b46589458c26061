#pragma once

#include <QImage>
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

// The size of a picture before or after a clockwise quarter turn: a quarter turn swaps the sides.
QSize turned(QSize size, int quarterTurn);

// Turns a drawn picture (32 bits a pixel) clockwise by the quarter turn into the upright one,
// reusing into when it has the upright size already.
// The software renderer cannot turn pictures (it aborts on a quarter turn and ignores a half
// turn), so the engine's own rotation is off and the drawn picture is turned instead: only what
// is shown, at the size it is shown, where a filter in the engine would turn every decoded
// picture at its full size, those an exact seek decodes and drops included.
void turn(const QImage &drawn, int quarterTurn, QImage &into);

// Whether a picture meant to be seen at this size can be shown.
bool isShowable(QSize displaySize);

} // namespace media::upright
