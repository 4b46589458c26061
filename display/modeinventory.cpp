#include "display/modeinventory.h"

namespace display {

EnumResult ModeInventoryCallback(const ModeDescription &mode, qint32 &mask)
{
    const auto depthBit = [](int bitsPerPixel) {
        switch (bitsPerPixel) {
        case 16:
            return 1;
        case 24:
            return 2;
        case 32:
            return 4;
        default:
            return 0;
        }
    };
    if (mode.width == 320 && mode.height == 240)
        mask |= depthBit(mode.bitsPerPixel);
    else if (mode.width == 640 && mode.height == 480)
        mask |= depthBit(mode.bitsPerPixel) << 4;
    return EnumResult::Ok;
}

} // namespace display
