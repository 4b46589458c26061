#include "display/emulateddisplaymodes.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace display {

void EmulatedDisplayModes::EnumDisplayModes(const ModeCallback &callback)
{
    static constexpr std::array<ModeDescription, 6> modes {{
            {320, 240, 16},
            {320, 240, 24},
            {320, 240, 32},
            {640, 480, 16},
            {640, 480, 24},
            {640, 480, 32},
    }};
    if (m_released)
        return;
    for (const ModeDescription &mode : modes) {
        if (callback(mode) == EnumResult::Cancel)
            return;
    }
}

void EmulatedDisplayModes::SetCooperativeLevel(QWidget *window, quint32 flags)
{
    if (m_released)
        return;
    m_window = window;
    m_cooperativeLevel = flags;
}

void EmulatedDisplayModes::SetDisplayMode(int width, int height, int bitsPerPixel)
{
    if (m_released)
        return;
    m_switchedMode = ModeDescription {width, height, bitsPerPixel};
}

void EmulatedDisplayModes::RestoreDisplayMode()
{
    m_switchedMode.reset();
}

void EmulatedDisplayModes::Release()
{
    RestoreDisplayMode();
    m_window.clear();
    m_released = true;
}

QRect EmulatedDisplayModes::onMonitor(const QRect &inMode, QSize mode, QSize monitor) const
{
    if (mode.isEmpty() || mode == monitor)
        return inMode;
    const double scale = std::min(double(monitor.width()) / mode.width(),
                                  double(monitor.height()) / mode.height());
    const double originX = (monitor.width() - mode.width() * scale) / 2;
    const double originY = (monitor.height() - mode.height() * scale) / 2;
    const auto x = [&](int v) { return int(std::lround(originX + v * scale)); };
    const auto y = [&](int v) { return int(std::lround(originY + v * scale)); };
    const int left = x(inMode.left());
    const int top = y(inMode.top());
    return QRect(left, top, x(inMode.left() + inMode.width()) - left,
                 y(inMode.top() + inMode.height()) - top);
}

} // namespace display
