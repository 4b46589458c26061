#include "display/screenmode.h"

#include <algorithm>
#include <cmath>

namespace display {

ScreenMode chooseScreenMode(int sourceHeight, const ColourChoices &choices)
{
    ScreenMode mode;
    if ((sourceHeight <= 240 && !choices.colorFull) || choices.colorHalf)
        mode = {1, choices.color16H ? 16 : choices.color24H ? 24 : 32};
    if ((sourceHeight > 240 && !choices.colorHalf) || choices.colorFull)
        mode = {2, choices.color16F ? 16 : choices.color24F ? 24 : 32};
    return mode;
}

QRect boxOnMonitor(const QRect &inBox, QSize box, QSize monitor)
{
    if (box.isEmpty() || box == monitor)
        return inBox;
    const double scale = std::min(double(monitor.width()) / box.width(),
                                  double(monitor.height()) / box.height());
    const double originX = (monitor.width() - box.width() * scale) / 2;
    const double originY = (monitor.height() - box.height() * scale) / 2;
    // Both edges are rounded, so neighbouring rectangles stay edge to edge.
    const auto x = [&](int v) { return int(std::lround(originX + v * scale)); };
    const auto y = [&](int v) { return int(std::lround(originY + v * scale)); };
    const int left = x(inBox.left());
    const int top = y(inBox.top());
    return QRect(left, top, x(inBox.left() + inBox.width()) - left,
                 y(inBox.top() + inBox.height()) - top);
}

QRect fullScreenPanel(QSize box, QSize picture, QSize monitor)
{
    const QPoint corner((box.width() - picture.width()) / 2, (box.height() - picture.height()) / 2);
    return boxOnMonitor(QRect(corner, picture), box, monitor);
}

} // namespace display
