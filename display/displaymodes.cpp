#include "display/displaymodes.h"

#include "display/emulateddisplaymodes.h"

#include <QGuiApplication>
#include <QScreen>

namespace display {

std::unique_ptr<DisplayModeDevice> DirectDrawCreate()
{
    if (QGuiApplication::primaryScreen() == nullptr)
        return nullptr;
    return std::make_unique<EmulatedDisplayModes>();
}

} // namespace display
