#pragma once

#include <QRect>
#include <QSize>
#include <QtGlobal>

#include <functional>
#include <memory>

class QWidget;

namespace display {

// Cooperative levels, with the values the player has always passed.
inline constexpr quint32 DDSCL_NORMAL = 8;
inline constexpr quint32 DDSCL_EXCLUSIVE_FULLSCREEN_ALLOWREBOOT = 0x13;

struct ModeDescription
{
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
};

// What an enumeration callback returns: go on or stop.
enum class EnumResult { Cancel, Ok };
using ModeCallback = std::function<EnumResult(const ModeDescription &)>;

// The display-mode layer: just what the player needs for full screen with a switched mode.
// No surfaces; the picture is drawn by the media device as in the window.
class DisplayModeDevice
{
public:
    virtual ~DisplayModeDevice() = default;

    virtual void EnumDisplayModes(const ModeCallback &callback) = 0;
    virtual void SetCooperativeLevel(QWidget *window, quint32 flags) = 0;
    virtual void SetDisplayMode(int width, int height, int bitsPerPixel) = 0;
    virtual void RestoreDisplayMode() = 0;
    virtual void Release() = 0;

    // Where a rectangle laid out on the screen of a display mode of the given size shows on a
    // monitor of the given size. A backend that switches the monitor's own mode returns it as
    // it is.
    virtual QRect onMonitor(const QRect &inMode, QSize mode, QSize monitor) const = 0;
};

using DisplayModeFactory = std::function<std::unique_ptr<DisplayModeDevice>()>;

// The display-mode layer for the primary screen, or null when no backend can start.
std::unique_ptr<DisplayModeDevice> DirectDrawCreate();

} // namespace display
