// A later start of the player hands its files to the running one and ends with exit code 1.
#include "harness.h"

#include <gtest/gtest.h>

#include <memory>

namespace systemtest {
namespace {

class HandOffTest : public testing::Test
{
protected:
    // Starts the running player with one movie and waits for its first tick to load it.
    void startRunningPlayer(const QString &workingFolder = {})
    {
        firstMovie = sandbox.makeMovie(QStringLiteral("first.avi"));
        running = sandbox.start({firstMovie}, workingFolder);
        ASSERT_TRUE(running->waitForTitle(firstMovie));
    }

    // A right click in the middle of the running player's panel opens its playlist menu.
    void openPlaylistMenu()
    {
        const XWindow &window = running->mainWindow();
        // The window takes the movie's size once one is open, just after its title: click
        // inside its picture.
        ASSERT_TRUE(
                waitUntil([&] { return window.geometry().width() == Sandbox::MovieSize.width(); }));
        const QRect frame = window.geometry();
        window.click(QPoint(frame.width() / 2, frame.height() - 30), 3);
        ASSERT_TRUE(running->waitForPopup()) << "the right button opened no menu";
    }

    // Watches the running player's title for a while; it must keep showing expected.
    testing::AssertionResult titleStays(const QString &expected)
    {
        const XWindow &window = running->mainWindow();
        QString title;
        if (waitUntil(
                    [&] {
                        title = window.title();
                        return title != expected;
                    },
                    Watch))
            return testing::AssertionFailure()
                    << "the title changed to \"" << title.toStdString() << '"';
        return testing::AssertionSuccess();
    }

    Sandbox sandbox;
    QString firstMovie;
    std::unique_ptr<Player> running;
};

TEST_F(HandOffTest, LaterStartAppendsExistingFilesAndLoadsFirstOfThem)
{
    ASSERT_NO_FATAL_FAILURE(startRunningPlayer());
    const QString a = sandbox.makeMovie(QStringLiteral("a.avi"));
    const QString b = sandbox.makeMovie(QStringLiteral("b.avi"));
    const QString c = sandbox.makeMovie(QStringLiteral("c.avi"));

    EXPECT_EQ(sandbox.runLaterStart({a, sandbox.filePath(QStringLiteral("missing.avi")), b, c}),
              std::optional<int>(1));
    EXPECT_TRUE(running->waitForTitle(a));

    // The playlist now reads first, a, b, c: the fourth row of its menu is c.
    ASSERT_NO_FATAL_FAILURE(openPlaylistMenu());
    pressKeys({QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Down"),
               QStringLiteral("Down"), QStringLiteral("Return")});
    EXPECT_TRUE(running->waitForTitle(c));
}

TEST_F(HandOffTest, LaterStartWithoutPlayableFilesChangesNothing)
{
    ASSERT_NO_FATAL_FAILURE(startRunningPlayer());
    sandbox.makeMovie(QStringLiteral(".hidden.avi"));

    EXPECT_EQ(sandbox.runLaterStart({sandbox.filePath(QStringLiteral("missing.avi")),
                                     sandbox.filePath(QStringLiteral("also-missing.avi"))}),
              std::optional<int>(1));
    // Hidden files and folders are refused the same way.
    EXPECT_EQ(sandbox.runLaterStart({sandbox.filePath(QStringLiteral(".hidden.avi")),
                                     sandbox.makeFolder(QStringLiteral("folder.avi"))}),
              std::optional<int>(1));

    EXPECT_TRUE(titleStays(firstMovie));
    EXPECT_TRUE(running->isRunning());
}

TEST_F(HandOffTest, LaterStartWithoutArgumentsEndsAtOnce)
{
    ASSERT_NO_FATAL_FAILURE(startRunningPlayer());

    EXPECT_EQ(sandbox.runLaterStart({}, {}, std::chrono::milliseconds(5000)),
              std::optional<int>(1));
    EXPECT_TRUE(running->isRunning());
    EXPECT_EQ(running->mainWindow().title(), firstMovie);
}

TEST_F(HandOffTest, LaterStartMakesRelativeNamesAbsoluteInItsOwnFolder)
{
    // Both folders hold a clip.avi, so a name resolved in the wrong folder still loads, but
    // shows the wrong path.
    const QString runningFolder = sandbox.makeFolder(QStringLiteral("running"));
    sandbox.makeMovie(QStringLiteral("running/clip.avi"));
    const QString laterFolder = sandbox.makeFolder(QStringLiteral("later"));
    sandbox.makeMovie(QStringLiteral("later/clip.avi"));
    sandbox.makeMovie(QStringLiteral("later/sub/other.avi"));
    ASSERT_NO_FATAL_FAILURE(startRunningPlayer(runningFolder));

    EXPECT_EQ(sandbox.runLaterStart({QStringLiteral("clip.avi"), QStringLiteral("sub/other.avi")},
                                    laterFolder),
              std::optional<int>(1));
    EXPECT_TRUE(running->waitForTitle(laterFolder + QStringLiteral("/clip.avi")));

    // The second name was made absolute the same way: it is the third row of the menu.
    ASSERT_NO_FATAL_FAILURE(openPlaylistMenu());
    pressKeys({QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Down"),
               QStringLiteral("Return")});
    EXPECT_TRUE(running->waitForTitle(laterFolder + QStringLiteral("/sub/other.avi")));
}

} // namespace
} // namespace systemtest
