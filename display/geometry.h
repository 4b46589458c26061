#pragma once

#include <QRect>
#include <QSize>

#include <array>

// Where the picture goes: the table of source-size multiples and the destination rectangle for
// a box under the aspect modes.
namespace geometry {

using ZoomTable = std::array<QSize, 5>;

// The source size times 1 to 5; a multiple wider than 640 or taller than 480 repeats the
// largest one that fits, and so does every later one.
ZoomTable zoomSizes(QSize source);

enum AspectMode { FullMode = 0, NormalMode = 1, ZoomMode = 2 };

// The destination rectangle (0, 0, width, height) for a box: stretched to it (full), kept
// within it (normal), or as high as it (zoom, possibly wider). The scale is a double and the
// product is taken with a long double, then truncated, so 352*240 in 640*480 gives 639*436.
// An unknown mode counts as normal; a source without a size is stretched.
QRect fitRect(QSize box, QSize source, int aspectMode);

} // namespace geometry
