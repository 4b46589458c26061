#include "display/screenmode.h"

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

QRect centredInBox(QSize box, QSize picture)
{
    return QRect(QPoint((box.width() - picture.width()) / 2, (box.height() - picture.height()) / 2),
                 picture);
}

} // namespace display
