#pragma once

#include <QRect>
#include <QSize>

// Full screen with a switched mode: which mode a movie asks for, and how the emulated mode is
// shown on the real monitor.
namespace display {

// The colour settings: one choice per box size, or the other box instead.
struct ColourChoices
{
    bool color16H = false;
    bool color24H = false;
    bool colorFull = false; // show at 640*480 instead of 320*240
    bool color16F = false;
    bool color24F = false;
    bool colorHalf = false; // show at 320*240 instead of 640*480
};

struct ScreenMode
{
    int scale = 1; // 1 for 320*240, 2 for 640*480
    int depth = 32;

    friend bool operator==(const ScreenMode &, const ScreenMode &) = default;
};

// A movie up to 240 lines high uses 320*240 and a taller one 640*480, each at its box's depth,
// unless a cross-choice sends it to the other box; when both rules apply the 640*480 one wins.
ScreenMode chooseScreenMode(int sourceHeight, const ColourChoices &choices);

// Maps a rectangle laid out for the switched box onto the monitor: the box scaled up as far as
// it fits, aspect kept, centred. A box as large as the monitor maps to itself.
QRect boxOnMonitor(const QRect &inBox, QSize box, QSize monitor);

// Where the panel goes in full screen: the picture centred in the box (each half truncated, so
// negative when the picture is the larger), then mapped onto the monitor.
QRect fullScreenPanel(QSize box, QSize picture, QSize monitor);

} // namespace display
