#pragma once

#include "display/displaymodes.h"

#include <QPointer>
#include <QWidget>

#include <optional>

namespace display {

// Emulates a mode switch instead of changing the monitor's real mode, so a killed player can
// never leave the desktop switched: it records the mode asked for, and the screen of a mode is
// shown scaled up on the whole monitor, aspect kept and centred. It offers the six modes the
// player can use.
class EmulatedDisplayModes final : public DisplayModeDevice
{
public:
    EmulatedDisplayModes() = default;
    Q_DISABLE_COPY_MOVE(EmulatedDisplayModes)

    void EnumDisplayModes(const ModeCallback &callback) override;
    void SetCooperativeLevel(QWidget *window, quint32 flags) override;
    void SetDisplayMode(int width, int height, int bitsPerPixel) override;
    void RestoreDisplayMode() override;
    void Release() override;
    // A screen as large as the monitor maps to itself; both edges of the rectangle are rounded,
    // so neighbouring rectangles stay edge to edge.
    QRect onMonitor(const QRect &inMode, QSize mode, QSize monitor) const override;

    // The mode asked for by the last SetDisplayMode, until RestoreDisplayMode.
    std::optional<ModeDescription> switchedMode() const { return m_switchedMode; }
    QWidget *cooperativeWindow() const { return m_window; }
    quint32 cooperativeLevel() const { return m_cooperativeLevel; }
    bool released() const { return m_released; }

private:
    std::optional<ModeDescription> m_switchedMode;
    QPointer<QWidget> m_window;
    quint32 m_cooperativeLevel = DDSCL_NORMAL;
    bool m_released = false;
};

} // namespace display
