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

TEST(EmulatedDisplayModes, CreatedWhenThereIsAScreen)
{
    EXPECT_NE(display::DirectDrawCreate(), nullptr);
}
