// A movie given on the command line plays in the window, and the keys move it to exact frames.

#include "harness.h"
#include "support/testmovies.h"

using namespace systemtest;

namespace {

// The frame index the player's picture shows: the picture fills the window below the menu bar.
int shownFrame(const XWindow &window, QSize movieSize)
{
    const QImage picture = window.grab();
    const QRect panel(0, picture.height() - movieSize.height(), movieSize.width(),
                      movieSize.height());
    return frameIndexOf(picture.copy(panel)).value_or(-1);
}

// The screen's scale factor: the window's sizes are in the desktop's units.
class PlaybackTest : public testing::TestWithParam<int>
{};

} // namespace

TEST_P(PlaybackTest, KeysMoveThePictureToExactFrames)
{
    const int scale = GetParam();
    Sandbox sandbox;
    sandbox.setEnvironment(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
    const TestMovie movie = makeTestMovie(MovieKind::Mpeg1Mpg, sandbox.path());
    const QSize size = QSize(movie.width, movie.height) * scale;
    const auto player = sandbox.start({movie.path});
    ASSERT_TRUE(player->waitForTitle(movie.path));
    const XWindow &window = player->mainWindow();
    // The title comes before the window takes the movie's size.
    EXPECT_TRUE(waitUntil([&] { return window.geometry().width() == size.width(); }))
            << "first shown at the source size, not " << window.geometry().width();

    // It plays by itself: the picture moves on.
    ASSERT_TRUE(waitUntil([&] { return shownFrame(window, size) > 5; }))
            << "the movie does not play";

    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
             QString::number(window.id())});
    pressKeys({QStringLiteral("KP_0"), QStringLiteral("KP_0"), QStringLiteral("KP_7")});
    ASSERT_TRUE(player->waitForTitle(QStringLiteral("007")));
    pressKeys({QStringLiteral("Return")});
    ASSERT_TRUE(player->waitForTitle(movie.path));
    EXPECT_TRUE(waitUntil([&] { return shownFrame(window, size) == 7; }))
            << "shows " << shownFrame(window, size);

    pressKeys({QStringLiteral("Right"), QStringLiteral("Right")});
    EXPECT_TRUE(waitUntil([&] { return shownFrame(window, size) == 9; }))
            << "shows " << shownFrame(window, size);
    pressKeys({QStringLiteral("Left")});
    EXPECT_TRUE(waitUntil([&] { return shownFrame(window, size) == 8; }))
            << "shows " << shownFrame(window, size);

    pressKeys({QStringLiteral("Escape")});
    EXPECT_EQ(player->waitForExit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Scales, PlaybackTest, testing::Values(1, 2), scaleName);