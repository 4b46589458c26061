#include "app/displaycheck.h"
#include "support/printers.h"

#include <QList>

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

TEST(DisplayCheck, AWaylandSessionRunsThroughItsXServerWhenOneAnswers)
{
    const struct
    {
        const char *qpaPlatform;
        bool waylandSession;
        const char *display;
        bool answers;
        QByteArray platform;
    } cases[] = {
            {"", true, ":1", true, "xcb"},     {"", true, ":1", false, {}},
            {"", true, "", true, {}},          {"", false, ":1", true, {}},
            {"wayland", true, ":1", true, {}},
    };
    for (const auto &row : cases) {
        QList<QByteArray> asked;
        const auto reachable = [&](const QByteArray &display) {
            asked << display;
            return row.answers;
        };
        EXPECT_EQ(preferredPlatform({row.qpaPlatform, row.waylandSession, row.display}, reachable),
                  row.platform)
                << '"' << row.qpaPlatform << "\" wayland " << row.waylandSession << " display \""
                << row.display << '"';
        // Only a Wayland session without a platform of its own connects to find out.
        EXPECT_EQ(!asked.isEmpty(), *row.qpaPlatform == '\0' && row.waylandSession && *row.display)
                << row.display;
    }
}
