#include "app/displaycheck.h"
#include "support/printers.h"

#include <gtest/gtest.h>

TEST(DisplayCheck, QtStartsOnX11OnlyWhenNothingElseIsTried)
{
    const struct
    {
        const char *qpaPlatform;
        bool waylandSession;
        bool x11Only;
    } cases[] = {
            {"", false, true},
            {"", true, false},
            {"xcb", false, true},
            {"xcb", true, true},
            {"xcb:nomitshm", false, true},
            {"offscreen", false, false},
            {"wayland;xcb", false, false},
            {"xcb;offscreen", false, false},
            {"xcbx", false, false},
    };
    for (const auto &row : cases) {
        const PlatformEnvironment environment {row.qpaPlatform, row.waylandSession, ":0"};
        EXPECT_EQ(startsOnX11Only(environment), row.x11Only)
                << '"' << row.qpaPlatform << "\" wayland " << row.waylandSession;
    }
}

TEST(DisplayCheck, WithoutADisplayNameOnlyX11IsRefused)
{
    const QByteArray refused = "velmomp: cannot reach the display: DISPLAY is not set";
    const struct
    {
        const char *qpaPlatform;
        bool waylandSession;
        QByteArray failure;
    } cases[] = {
            {"", false, refused},
            {"xcb", true, refused},
            {"", true, {}},
            {"offscreen", false, {}},
    };
    for (const auto &row : cases) {
        EXPECT_EQ(unreachableDisplay({row.qpaPlatform, row.waylandSession, {}}), row.failure)
                << '"' << row.qpaPlatform << "\" wayland " << row.waylandSession;
    }
}
