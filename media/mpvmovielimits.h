#pragma once

#include <QtGlobal>

#include <chrono>

// Limits of the movie on libmpv that its opening and its frame addressing share.
namespace media::limits {

using namespace std::chrono_literals;

// mpv plays a frame step in real time, about 90 ms on the sound clock. Untimed (while the movie
// does not play) and this fast, a step takes about as long as decoding the frame.
inline constexpr double StepSpeed = 100;
// A seek to a frame the table has not reached yet waits this long for it.
inline constexpr auto TableDeadline = 30000ms;
// A wait for the table longer than this is told to the user.
inline constexpr auto NoticedTableWait = 500ms;
// What the pictures kept for steps back may take by default.
inline constexpr qint64 FrameCacheBytes = 256LL * 1024 * 1024;

} // namespace media::limits
