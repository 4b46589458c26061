#include "display/emulateddisplaymodes.h"

#include <array>

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

} // namespace display
