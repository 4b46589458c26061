#include "media/framemath.h"

#include <array>
#include <cmath>

namespace framemath {

double snapFrameRate(double containerFps)
{
    if (!(containerFps > 0) || !std::isfinite(containerFps))
        return 0;
    static constexpr std::array<double, 6> ntscBases = {24, 30, 48, 60, 120, 240};
    for (double base : ntscBases) {
        const double ntsc = base * 1000.0 / 1001.0;
        if (std::abs(containerFps - ntsc) < 0.005)
            return ntsc;
    }
    const double whole = std::round(containerFps);
    if (std::abs(containerFps - whole) < 0.005)
        return whole;
    return containerFps;
}

double seekTime(qint64 frame, double t0, double fps)
{
    if (frame <= 0)
        return t0;
    return t0 + (double(frame) - 0.5) / fps;
}

qint64 frameAt(double time, double t0, double fps)
{
    return qint64(std::floor((time - t0) * fps + 0.5));
}

qint64 framesToMilliseconds(qint64 frames, double fps)
{
    return fps > 0 ? qint64(std::llround(double(frames) * 1000.0 / fps)) : 0;
}

qint64 millisecondsToFrames(qint64 milliseconds, double fps)
{
    return qint64(std::floor(double(milliseconds) * fps / 1000.0 + 1e-9));
}

} // namespace framemath
