#pragma once

#include <QRect>
#include <QSize>

// Full screen: which switched mode a movie asks for, and where its picture goes in the box.
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

// Where the panel goes in a full-screen box: the picture centred in it, each half truncated, so
// negative when the picture is the larger.
QRect centredInBox(QSize box, QSize picture);

} // namespace display
