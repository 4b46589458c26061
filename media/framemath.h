#pragma once

#include <QtGlobal>

// Frame numbers on top of a time-based engine. Frame N of a movie is the frame shown at time
// t0 + N / fps, where t0 is the time of the first frame (not always 0: MPEG program streams
// start a little later).
namespace framemath {

// The container's frame rate snapped to the exact rate it stands for: 29.97 is 30000/1001.
double snapFrameRate(double containerFps);

// The time to seek to for frame N. The engine shows the first frame at or after the target
// (less a few milliseconds), so aiming half a frame early absorbs rounding either way.
double seekTime(qint64 frame, double t0, double fps);

// The frame shown at the given time.
qint64 frameAt(double time, double t0, double fps);

// Milliseconds and frames.
qint64 framesToMilliseconds(qint64 frames, double fps);
qint64 millisecondsToFrames(qint64 milliseconds, double fps);

} // namespace framemath
