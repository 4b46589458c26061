#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <chrono>
#include <functional>
#include <optional>

namespace media {

class MpvHandle;

// Waits for what an engine's commands lead to, shared by every engine a movie uses.
namespace mpvwaits {

inline constexpr std::chrono::milliseconds StepDeadline {1000};

// Loads the movie on an engine that has loaded none before and waits until it is loaded; false,
// with the reason as an error code of the device's vocabulary, when it ends instead. Before any
// picture is decoded, turnUpright is told the clockwise quarter turn that shows the movie's
// pictures upright (see upright::turn). Every engine of a movie loads it this way, so that all
// of them draw the same pictures.
bool loadMovie(MpvHandle &mpv, const QByteArray &path, quint32 &error,
               const std::function<void(int quarterTurn)> &turnUpright = {});
bool waitForPlaybackRestart(MpvHandle &mpv);
// Waits for the pause that ends a frame step from the frame at fromTime (the engine must
// observe its pause property); gives the time of the frame it paused on.
std::optional<double> waitForFrameStep(MpvHandle &mpv, double fromTime,
                                       std::chrono::milliseconds deadline = StepDeadline);

} // namespace mpvwaits
} // namespace media
