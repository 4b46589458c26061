#pragma once

#include <QtGlobal>

#include <chrono>
#include <optional>

namespace media {

class MpvHandle;

// Waits for what an engine's commands lead to, shared by every engine a movie uses.
namespace mpvwaits {

inline constexpr std::chrono::milliseconds StepDeadline {1000};

// Waits for the file to be loaded; false, with the reason as an error code of the device's
// vocabulary, when it ends instead.
bool waitForLoad(MpvHandle &mpv, quint32 &error);
bool waitForPlaybackRestart(MpvHandle &mpv);
// Waits for the pause that ends a frame step from the frame at fromTime (the engine must
// observe its pause property); gives the time of the frame it paused on.
std::optional<double> waitForFrameStep(MpvHandle &mpv, double fromTime,
                                       std::chrono::milliseconds deadline = StepDeadline);

} // namespace mpvwaits
} // namespace media
