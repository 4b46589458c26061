#include "media/upright.h"

namespace media::upright {

int quarterTurn(qint64 clockwiseDegrees)
{
    const qint64 degrees = ((clockwiseDegrees % 360) + 360) % 360;
    return int(((degrees + 45) / 90) % 4) * 90;
}

const char *filterFor(int quarterTurn)
{
    switch (quarterTurn) {
    case 90:
        return "lavfi=[transpose=clock]";
    case 180:
        return "lavfi=[hflip,vflip]";
    case 270:
        return "lavfi=[transpose=cclock]";
    default:
        return nullptr;
    }
}

bool isShowable(QSize displaySize)
{
    return displaySize.width() > 0 && displaySize.height() > 0 && displaySize.width() <= MaxSide
            && displaySize.height() <= MaxSide;
}

} // namespace media::upright
