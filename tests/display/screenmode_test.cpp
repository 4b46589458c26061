#include "display/geometry.h"
#include "display/screenmode.h"
#include "display/stillname.h"
#include "support/printers.h"

#include <gtest/gtest.h>

using display::ColourChoices;
using display::ScreenMode;

TEST(ScreenMode, HeightClassAndColourChoices)
{
    ColourChoices depths;
    depths.color24H = true;
    depths.color16F = true;
    ColourChoices full = depths;
    full.colorFull = true;
    ColourChoices half = depths;
    half.colorHalf = true;
    ColourChoices neither; // no mode at all: both cross-choices
    neither.colorFull = neither.colorHalf = true;

    const struct
    {
        int height;
        ColourChoices choices;
        ScreenMode mode;
    } cases[] = {
            {240, depths, {1, 24}},
            {241, depths, {2, 16}},
            {120, ColourChoices {}, {1, 32}},
            {480, ColourChoices {}, {2, 32}},
            {240, full, {2, 16}},
            {480, half, {1, 24}},
            {240, half, {1, 24}},
            {480, full, {2, 16}},
            {240, neither, {2, 32}},
            {480, neither, {2, 32}},
    };
    for (const auto &c : cases) {
        const ScreenMode mode = display::chooseScreenMode(c.height, c.choices);
        EXPECT_EQ(mode.scale, c.mode.scale) << c.height << " lines";
        EXPECT_EQ(mode.depth, c.mode.depth) << c.height << " lines";
    }
}

TEST(ScreenMode, FullScreenPanelPlacement)
{
    const QSize cif(352, 240), desktop(1024, 768);
    EXPECT_EQ(display::centredInBox(desktop, geometry::fitRect(desktop, cif, 1).size()),
              QRect(0, 35, 1024, 698));
    // Zoom mode wider than the screen: cut equally on both sides.
    const QSize zoomed = geometry::fitRect(desktop, cif, geometry::ZoomMode).size();
    ASSERT_EQ(zoomed, QSize(1126, 768));
    EXPECT_EQ(display::centredInBox(desktop, zoomed), QRect(-51, 0, 1126, 768));
    EXPECT_EQ(display::centredInBox({320, 240}, {353, 240}).left(), -16)
            << "halves truncate toward zero";
}

TEST(StillName, ProposedNames)
{
    const struct
    {
        QByteArray movie;
        qint32 frame;
        QByteArray name;
    } cases[] = {
            {"/clips/sea.avi", 120, "sea(120).BMP"},
            {"/clips/sea", 0, "sea(0).BMP"},
            {"/clips.old/sea", 3, "sea(3).BMP"},
            {"/clips/sea.tar.mpg", 7, "sea.tar(7).BMP"},
            {"/tmp/VelmoMPtemp.avi", 1, "VelmoMPtemp(1).BMP"},
            {"sea.", 9, "sea(9).BMP"},
            {"/clips/.hidden", 2, "(2).BMP"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(display::stillFileName(c.movie, c.frame), c.name) << c.movie.constData();
}
