// The Size keys as a person uses them: the window follows the picture, full screen covers the
// screen, and leaving from full screen keeps the window's place for the next start.

#include "harness.h"
#include "support/testmovies.h"

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

// The screen's scale factor: sizes and places are in the desktop's units, the screen's pixels
// are that many times more.
// Edges (a clear change of colour) from one pixel to the next inside the pairs of columns 0-1,
// 2-3, ... and between them, in the upper half of the picture, above the frame-number band.
std::pair<int, int> edgesInsideAndBetweenPixelPairs(const QImage &picture)
{
    const auto differ = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b))
                + std::abs(qBlue(a) - qBlue(b))
                > 24;
    };
    int inside = 0;
    int between = 0;
    for (int y = 0; y < picture.height() / 2; ++y) {
        for (int x = 0; x + 2 < picture.width(); x += 2) {
            inside += differ(picture.pixel(x, y), picture.pixel(x + 1, y)) ? 1 : 0;
            between += differ(picture.pixel(x + 1, y), picture.pixel(x + 2, y)) ? 1 : 0;
        }
    }
    return {inside, between};
}

// Whether the picture inside a grab (the part that is not black around it) shows a frame index,
// which it does only upright.
bool showsUprightFrame(const QImage &grab)
{
    QRect picture;
    for (int y = 0; y < grab.height(); ++y) {
        for (int x = 0; x < grab.width(); ++x) {
            if (!isBlack(grab.pixel(x, y)))
                picture |= QRect(x, y, 1, 1);
        }
    }
    return frameIndexOf(grab.copy(picture)).has_value();
}

class ScaledDisplayTest : public DisplayTest, public testing::WithParamInterface<int>
{};

} // namespace

TEST_P(ScaledDisplayTest, TheWindowFollowsTheSizeKeysAndFullScreenCoversTheScreen)
{
    const int scale = GetParam();
    sandbox.setEnvironment(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
    const auto player = sandbox.start({movie});
    ASSERT_TRUE(player->waitForTitle(movie));
    const XWindow &window = player->mainWindow();
    focus(window);

    // The menu bar sits above the picture, so heights are compared with the source size's.
    pressKeys({QStringLiteral("s")});
    ASSERT_TRUE(waitUntil([&] { return window.geometry().width() == 352 * scale; }));
    const int menuBar = window.geometry().height() - 240 * scale;
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
            return window.geometry().size() == step.client * scale + QSize(0, menuBar);
        })) << step.key
            << ": " << testing::PrintToString(window.geometry().size());
        EXPECT_EQ(window.geometry().topLeft(), QPoint(123, 77) * scale) << step.key;
    }

    pressKeys({QStringLiteral("F12")});
    const auto full = waitForWindow(
            *player, [](const XWindow &w) { return w.geometry() == QRect(0, 0, 1280, 1024); });
    ASSERT_TRUE(full) << "full screen covers the screen, without a menu bar";
    focus(*full);
    pressKeys({QStringLiteral("f")});
    const auto back = waitForWindow(*player, [&](const XWindow &w) {
        return w.geometry()
                == QRect(QPoint(123, 77) * scale, QSize(639, 436) * scale + QSize(0, menuBar));
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

INSTANTIATE_TEST_SUITE_P(Scales, ScaledDisplayTest, testing::Values(1, 2), scaleName);

// On a screen scaled twice a 1080p movie in the 640*480 window is drawn at the screen's
// 1278*718 pixels: the picture has edges inside pairs of pixels, which a picture drawn at
// 639*359 and doubled never has.
TEST_F(DisplayTest, OnAScreenScaledTwiceThePictureIsDrawnAtTheScreensPixels)
{
    const QString large = sandbox.filePath(QStringLiteral("large.avi"));
    runTool(QStringLiteral(FFMPEG_PATH),
            {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
             QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
             QStringLiteral("testsrc2=size=1920x1080:rate=25"), QStringLiteral("-vf"),
             frameIndexBandFilter(), QStringLiteral("-frames:v"), QStringLiteral("5"),
             QStringLiteral("-c:v"), QStringLiteral("mjpeg"), large});
    {
        // The window, 1278 screen pixels wide, fits the screen at the corner only.
        QFile file(iniPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Velmo]\nLocate=0 0\n");
    }
    sandbox.setEnvironment(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    const auto player = sandbox.start({large});
    ASSERT_TRUE(player->waitForTitle(large));
    const XWindow &window = player->mainWindow();
    focus(window);
    pressKeys({QStringLiteral("f")});
    ASSERT_TRUE(waitUntil([&] { return window.geometry().width() == 1278; }));

    // The picture may first be shown at the former size, until the window has its new size.
    std::pair<int, int> edges;
    const auto shows = [&](const XWindow &shown, const QRect &area, bool sharp) {
        const QImage picture = shown.grab().copy(area);
        edges = edgesInsideAndBetweenPixelPairs(picture);
        return frameIndexOf(picture).has_value() && edges.second > 1000
                && (sharp ? edges.first > edges.second / 3 : edges.first == 0);
    };
    // Below the menu bar.
    const QRect inWindow(0, window.geometry().height() - 718, 1278, 718);
    EXPECT_TRUE(waitUntil([&] { return shows(window, inWindow, true); }))
            << edges.first << " edges inside pixel pairs, " << edges.second << " between them";

    // The switched 640*480 full screen stays a coarse picture: 640*360 pixels shown doubled.
    pressKeys({QStringLiteral("a")});
    const auto full = waitForWindow(
            *player, [](const XWindow &w) { return w.geometry() == QRect(0, 0, 1280, 1024); });
    ASSERT_TRUE(full);
    focus(*full);
    EXPECT_TRUE(waitUntil([&] { return shows(*full, QRect(0, 152, 1280, 720), false); }))
            << edges.first << " edges inside pixel pairs, " << edges.second << " between them";
    pressKeys({QStringLiteral("Escape")});
    EXPECT_EQ(player->waitForExit(), 0);
}

TEST_F(DisplayTest, APhonesPortraitMovieIsUprightInAPortraitWindowAndInFullScreen)
{
    const TestMovie movie = makeTestMovie(MovieKind::PortraitH264Mp4, sandbox.path());
    const auto player = sandbox.start({movie.path});
    ASSERT_TRUE(player->waitForTitle(movie.path));
    const XWindow &window = player->mainWindow();
    focus(window);
    pressKeys({QStringLiteral("s")});
    ASSERT_TRUE(waitUntil([&] { return window.geometry().width() == 144; }));
    const int menuBar = window.geometry().height() - 192;
    EXPECT_GT(menuBar, 0);
    EXPECT_TRUE(waitUntil([&] {
        return showsUprightFrame(window.grab().copy(0, menuBar, 144, 192));
    })) << "upright at the source size";

    pressKeys({QStringLiteral("f")});
    EXPECT_TRUE(waitUntil([&] { return window.geometry().size() == QSize(360, 480 + menuBar); }))
            << testing::PrintToString(window.geometry().size());
    EXPECT_TRUE(waitUntil([&] { return showsUprightFrame(window.grab()); }))
            << "upright at 640*480";

    // Each full screen is left for the window before the next, so that the window found is
    // the new one.
    for (const char *key : {"F12", "a"}) {
        pressKeys({QLatin1StringView(key)});
        const auto full = waitForWindow(*player, [](const XWindow &w) {
            return w.geometry() == QRect(0, 0, 1280, 1024) && showsUprightFrame(w.grab());
        });
        ASSERT_TRUE(full) << key << ": upright in full screen";
        focus(*full);
        pressKeys({QStringLiteral("s")});
        const auto back = waitForWindow(
                *player, [](const XWindow &w) { return w.geometry().width() == 144; });
        ASSERT_TRUE(back) << key << ": back in the window";
        focus(*back);
    }
    pressKeys({QStringLiteral("Escape")});
    EXPECT_EQ(player->waitForExit(), 0);
}
