#include "display/emulateddisplaymodes.h"
#include "support/printers.h"

#include <QWidget>

#include <gtest/gtest.h>

using display::EmulatedDisplayModes;
using display::EnumResult;
using display::ModeDescription;

namespace {

QList<QList<int>> enumerate(EmulatedDisplayModes &modes, int stopAfter = 100)
{
    QList<QList<int>> seen;
    modes.EnumDisplayModes([&](const ModeDescription &mode) {
        seen << QList<int> {mode.width, mode.height, mode.bitsPerPixel};
        return seen.size() < stopAfter ? EnumResult::Ok : EnumResult::Cancel;
    });
    return seen;
}

} // namespace

TEST(EmulatedDisplayModes, OffersTheSixModesOnce)
{
    EmulatedDisplayModes modes;
    const QList<QList<int>> expected = {{320, 240, 16}, {320, 240, 24}, {320, 240, 32},
                                        {640, 480, 16}, {640, 480, 24}, {640, 480, 32}};
    EXPECT_EQ(enumerate(modes), expected);
    EXPECT_EQ(enumerate(modes, 2).size(), 2) << "the callback can stop the enumeration";
}

TEST(EmulatedDisplayModes, RecordsTheSwitchUntilRestored)
{
    EmulatedDisplayModes modes;
    QWidget window;
    EXPECT_FALSE(modes.switchedMode().has_value());
    modes.SetCooperativeLevel(&window, display::DDSCL_EXCLUSIVE_FULLSCREEN_ALLOWREBOOT);
    modes.SetDisplayMode(320, 240, 24);
    ASSERT_TRUE(modes.switchedMode().has_value());
    EXPECT_EQ(modes.switchedMode()->width, 320);
    EXPECT_EQ(modes.switchedMode()->bitsPerPixel, 24);
    EXPECT_EQ(modes.cooperativeWindow(), &window);
    EXPECT_EQ(modes.cooperativeLevel(), display::DDSCL_EXCLUSIVE_FULLSCREEN_ALLOWREBOOT);

    modes.SetCooperativeLevel(&window, display::DDSCL_NORMAL);
    EXPECT_TRUE(modes.switchedMode().has_value()) << "the mode stays switched at normal level";
    modes.RestoreDisplayMode();
    EXPECT_FALSE(modes.switchedMode().has_value());
}

TEST(EmulatedDisplayModes, ReleaseRestoresAndEndsEverything)
{
    EmulatedDisplayModes modes;
    modes.SetDisplayMode(640, 480, 32);
    modes.Release();
    EXPECT_TRUE(modes.released());
    EXPECT_FALSE(modes.switchedMode().has_value());
    modes.SetDisplayMode(640, 480, 32);
    EXPECT_FALSE(modes.switchedMode().has_value());
    EXPECT_TRUE(enumerate(modes).isEmpty());
}

TEST(EmulatedDisplayModes, ShowsAModesScreenScaledUpOnTheMonitor)
{
    const struct
    {
        QRect inMode;
        QSize mode, monitor;
        QRect onMonitor;
    } cases[] = {
            // The desktop's own screen is not scaled.
            {{-51, 0, 1126, 768}, {1024, 768}, {1024, 768}, {-51, 0, 1126, 768}},
            // 640*480 on 1920*1080: scaled by 2.25, centred, black at the sides.
            {{0, 0, 640, 480}, {640, 480}, {1920, 1080}, {240, 0, 1440, 1080}},
            {{0, 22, 639, 436}, {640, 480}, {1920, 1080}, {240, 50, 1438, 981}},
            // 320*240 on 800*600 fills it.
            {{0, 0, 320, 240}, {320, 240}, {800, 600}, {0, 0, 800, 600}},
    };
    const EmulatedDisplayModes modes;
    for (const auto &c : cases) {
        EXPECT_EQ(modes.onMonitor(c.inMode, c.mode, c.monitor), c.onMonitor)
                << "case " << &c - cases;
    }
}

TEST(EmulatedDisplayModes, CreatedWhenThereIsAScreen)
{
    EXPECT_NE(display::DirectDrawCreate(), nullptr);
}
