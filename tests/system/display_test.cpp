// The Size keys as a person uses them: the window follows the picture, full screen covers the
// screen, and leaving from full screen keeps the window's place for the next start.

#include "harness.h"

#include <QFile>

using namespace systemtest;

namespace {

// The player's visible window that passes the test, once one does.
std::optional<XWindow> waitForWindow(const Player &player,
                                     const std::function<bool(const XWindow &)> &test)
{
    std::optional<XWindow> found;
    waitUntil([&] {
        for (const quint64 id : player.visibleWindows()) {
            if (test(XWindow(id))) {
                found.emplace(id);
                return true;
            }
        }
        return false;
    });
    return found;
}

void focus(const XWindow &window)
{
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
             QString::number(window.id())});
}

class DisplayTest : public testing::Test
{
protected:
    Sandbox sandbox;
    QString iniPath = sandbox.filePath(QStringLiteral("VelmoMP.ini"));
    QString movie = sandbox.filePath(QStringLiteral("cif.avi"));

    void SetUp() override
    {
        runTool(QStringLiteral(FFMPEG_PATH),
                {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                 QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                 QStringLiteral("testsrc2=size=352x240:rate=25:duration=2"), QStringLiteral("-c:v"),
                 QStringLiteral("mjpeg"), movie});
        QFile file(iniPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Velmo]\nLocate=123 77\n");
    }
};

} // namespace

TEST_F(DisplayTest, TheWindowFollowsTheSizeKeysAndFullScreenCoversTheScreen)
{
    const auto player = sandbox.start({movie});
    ASSERT_TRUE(player->waitForTitle(movie));
    const XWindow &window = player->mainWindow();
    focus(window);

    // The menu bar sits above the picture, so heights are compared with the source size's.
    pressKeys({QStringLiteral("s")});
    ASSERT_TRUE(waitUntil([&] { return window.geometry().width() == 352; }));
    const int menuBar = window.geometry().height() - 240;
    EXPECT_GT(menuBar, 0);

    const struct
    {
        const char *key;
        QSize client;
    } sizes[] = {
            {"f", {639, 436}},
            {"h", {319, 218}},
            {"F5", {352, 240}}, // twice the source is wider than 640
            {"s", {352, 240}},
    };
    for (const auto &step : sizes) {
        pressKeys({QLatin1StringView(step.key)});
        EXPECT_TRUE(waitUntil([&] {
            return window.geometry().size() == step.client + QSize(0, menuBar);
        })) << step.key
            << ": " << testing::PrintToString(window.geometry().size());
        EXPECT_EQ(window.geometry().topLeft(), QPoint(123, 77)) << step.key;
    }

    pressKeys({QStringLiteral("F12")});
    const auto full = waitForWindow(
            *player, [](const XWindow &w) { return w.geometry() == QRect(0, 0, 1280, 1024); });
    ASSERT_TRUE(full) << "full screen covers the screen, without a menu bar";
    focus(*full);
    pressKeys({QStringLiteral("f")});
    const auto back = waitForWindow(*player, [&](const XWindow &w) {
        return w.geometry() == QRect(QPoint(123, 77), QSize(639, 436 + menuBar));
    });
    EXPECT_TRUE(back) << "back in the window at its place";
    if (back)
        focus(*back);
    pressKeys({QStringLiteral("Escape")});
    EXPECT_EQ(player->waitForExit(), 0);
}

TEST_F(DisplayTest, EscapeInFullScreenEndsThePlayerAndKeepsTheWindowedPlace)
{
    const auto player = sandbox.start({movie});
    ASSERT_TRUE(player->waitForTitle(movie));
    focus(player->mainWindow());
    pressKeys({QStringLiteral("a")});
    const auto full = waitForWindow(
            *player, [](const XWindow &w) { return w.geometry() == QRect(0, 0, 1280, 1024); });
    ASSERT_TRUE(full);
    focus(*full);
    pressKeys({QStringLiteral("Escape")});
    ASSERT_EQ(player->waitForExit(), 0);

    QFile file(iniPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("\nLocate=123 77"));
}
