// The main window as a person meets it: the start-up picture, the files of the command line,
// the playlist menu under the right mouse button and the File menu; and a start without a
// display.
#include "harness.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <utility>

namespace systemtest {
namespace {

const QString InitialTitle = QStringLiteral("Velmo Movie Player v1.00");

constexpr int PanelWidth = 320;
constexpr int PanelHeight = 240;
// Where the start-up logo sits inside the panel.
const QRect LogoInPanel(43, 105, 235, 30);

// Rows at the bottom of the picture that are black in column x.
int blackRowsFromBottom(const QImage &picture, int x)
{
    int rows = 0;
    for (int y = picture.height() - 1; y >= 0 && isBlack(picture.pixel(x, y)); --y)
        ++rows;
    return rows;
}

struct PixelCount
{
    int count = 0;
    QRect bounds;
};

// The pixels of area (inside the picture) that pass the test, and the smallest rectangle
// around them.
template<typename Test> PixelCount countPixels(const QImage &picture, const QRect &area, Test test)
{
    PixelCount found;
    const QRect inside = area.intersected(picture.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (test(QPoint(x, y), picture.pixel(x, y))) {
                ++found.count;
                found.bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return found;
}

// Waits until the window shows the same picture twice in a row with some red in it, that is,
// until the logo has been painted; gives that picture.
QImage paintedPicture(const XWindow &window)
{
    QImage picture;
    QImage previous;
    waitUntil([&] {
        previous = std::exchange(picture, window.grab());
        return picture == previous
                && countPixels(picture, picture.rect(),
                               [](QPoint, QRgb pixel) { return isRed(pixel); })
                           .count
                > 0;
    });
    return picture;
}

class MainWindowTest : public testing::Test
{
protected:
    Sandbox sandbox;
};

TEST_F(MainWindowTest, ShowsLogoOnBlackPanelAndLoadsFirstArgumentOnFirstTick)
{
    sandbox.makeMovie(QStringLiteral("movies/first.avi"));
    const QString second = sandbox.makeMovie(QStringLiteral("movies/second.avi"));
    auto player = sandbox.start({QStringLiteral("first.avi"), second},
                                sandbox.filePath(QStringLiteral("movies")));
    const XWindow &window = player->mainWindow();

    // Nothing is loaded before the first tick of the once-a-second timer.
    EXPECT_EQ(window.title(), InitialTitle);

    const QRect frame = window.geometry();
    EXPECT_EQ(frame.width(), PanelWidth);
    EXPECT_GT(frame.height(), PanelHeight) << "no room for the menu bar";

    const QImage picture = paintedPicture(window);
    ASSERT_EQ(picture.size(), frame.size());

    // The black panel fills the window below the menu bar, which is not black.
    EXPECT_EQ(blackRowsFromBottom(picture, 0), PanelHeight);
    EXPECT_EQ(blackRowsFromBottom(picture, picture.width() - 1), PanelHeight);
    const QRect panel(0, picture.height() - PanelHeight, PanelWidth, PanelHeight);
    const QRect logo = LogoInPanel.translated(panel.topLeft());

    // The logo's text is red on black and spreads over most of its width.
    const PixelCount red
            = countPixels(picture, logo, [](QPoint, QRgb pixel) { return isRed(pixel); });
    EXPECT_GE(red.count, 300);
    EXPECT_GE(red.bounds.width(), 150);
    const PixelCount coloured = countPixels(picture, logo, [](QPoint, QRgb pixel) {
        return qGreen(pixel) > 60 || qBlue(pixel) > 60;
    });
    EXPECT_EQ(coloured.count, 0) << "the logo has colours other than red and black";

    // Around the logo the panel is plain black.
    const PixelCount aroundLogo = countPixels(picture, panel, [&logo](QPoint at, QRgb pixel) {
        return !logo.contains(at) && !isBlack(pixel);
    });
    EXPECT_EQ(aroundLogo.count, 0)
            << "first stray pixel near " << aroundLogo.bounds.x() << "," << aroundLogo.bounds.y();

    // The first tick loads the first file; the title shows its path as it was given.
    EXPECT_TRUE(player->waitForTitle(QStringLiteral("first.avi")));
}

TEST_F(MainWindowTest, PassesOverArgumentsThatAreNotPlayableFiles)
{
    sandbox.makeMovie(QStringLiteral(".hidden.avi"));
    const QString movie = sandbox.makeMovie(QStringLiteral("movie.avi"));
    auto player = sandbox.start({sandbox.filePath(QStringLiteral("missing.avi")),
                                 sandbox.filePath(QStringLiteral(".hidden.avi")),
                                 sandbox.makeFolder(QStringLiteral("folder.avi")), movie});

    // Only the movie made it into the playlist, so it is the entry the first tick loads.
    EXPECT_TRUE(player->waitForTitle(movie));
}

TEST_F(MainWindowTest, MissingFileOnlyLoadsNothingAndHasNoPlaylistMenu)
{
    auto player = sandbox.start({sandbox.filePath(QStringLiteral("missing.avi"))});
    const XWindow &window = player->mainWindow();
    EXPECT_EQ(window.title(), InitialTitle);

    // An empty playlist has no menu to show; the watch also outlasts the first tick.
    window.click(QPoint(PanelWidth / 2, window.geometry().height() - PanelHeight / 2), 3);
    EXPECT_FALSE(player->waitForPopup(Watch)) << "a menu opened for an empty playlist";

    EXPECT_TRUE(player->isRunning());
    EXPECT_EQ(window.title(), InitialTitle);
}

TEST_F(MainWindowTest, PlaylistMenuLoadsTheChosenEntry)
{
    const QString first = sandbox.makeMovie(QStringLiteral("first.avi"));
    const QString second = sandbox.makeMovie(QStringLiteral("second.avi"));
    auto player = sandbox.start({first, second});
    ASSERT_TRUE(player->waitForTitle(first));
    const XWindow &window = player->mainWindow();
    // Once a movie is open the window takes its size, just after its title: click inside the
    // picture.
    ASSERT_TRUE(waitUntil([&] { return window.geometry().width() == Sandbox::MovieSize.width(); }));
    const QRect frame = window.geometry();
    const QPoint inPanel(frame.width() / 2, frame.height() - 30);

    // The right button opens the playlist menu at the pointer; a click on its second row
    // loads the second file.
    window.click(inPanel, 3);
    std::optional<XWindow> menu = player->waitForPopup();
    ASSERT_TRUE(menu) << "the right button opened no menu";
    const QRect menuFrame = menu->geometry();
    EXPECT_EQ(menuFrame.topLeft(), frame.topLeft() + inPanel);
    menu->click(QPoint(menuFrame.width() / 2, menuFrame.height() * 3 / 4));
    EXPECT_TRUE(player->waitForTitle(second));

    // The keyboard works in the menu too: the first row, then Return.
    ASSERT_TRUE(waitUntil([&] { return player->visibleWindows().size() == 1; }))
            << "the playlist menu stayed open";
    window.click(inPanel, 3);
    menu = player->waitForPopup();
    ASSERT_TRUE(menu) << "the right button opened no menu the second time";
    pressKeys({QStringLiteral("Down"), QStringLiteral("Return")});
    EXPECT_TRUE(player->waitForTitle(first));
}

TEST_F(MainWindowTest, QuitInFileMenuEndsPlayerWithExitCodeZero)
{
    const QString movie = sandbox.makeMovie(QStringLiteral("movie.avi"));
    auto player = sandbox.start({movie});
    const XWindow &window = player->mainWindow();
    const QRect frame = window.geometry();

    // File is the leftmost title of the menu bar; its menu drops below the bar.
    window.click(QPoint(20, 8));
    const std::optional<XWindow> menu = player->waitForPopup();
    ASSERT_TRUE(menu) << "the File menu did not open";
    const QRect menuFrame = menu->geometry();
    EXPECT_NEAR(menuFrame.top(), frame.bottom() + 1 - PanelHeight, 2);
    EXPECT_LT(menuFrame.left(), frame.left() + 20);

    // 終了(Q) is the last of its three items.
    menu->click(QPoint(menuFrame.width() / 2, menuFrame.height() * 5 / 6));
    EXPECT_EQ(player->waitForExit(), std::optional<int>(0));

    // The player gave up its single-instance lock: the next start is a player of its own.
    auto next = sandbox.start({movie});
    EXPECT_TRUE(next->waitForTitle(movie));
}

TEST_F(MainWindowTest, WithoutAReachableDisplayTheStartEndsWithOneLine)
{
    const QString number = unusedDisplayNumber();
    // A null text leaves the variable out; without a platform Qt chooses its own.
    const struct
    {
        const char *what;
        QString display;
        QString platform;
    } cases[] = {
            {"no server", u':' + number, {}},
            {"connection refused", QStringLiteral("127.0.0.1:") + number, QStringLiteral("xcb")},
            {"no DISPLAY", {}, {}},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.what);
        sandbox.setEnvironment(QStringLiteral("DISPLAY"), row.display);
        sandbox.setEnvironment(QStringLiteral("QT_QPA_PLATFORM"), row.platform);
        const PlayerEnd end = sandbox.run({});
        ASSERT_TRUE(end.exitCode) << "crashed: " << end.standardError.toStdString();
        EXPECT_EQ(*end.exitCode, 2);
        EXPECT_EQ(end.standardError.count('\n'), 1) << end.standardError.toStdString();
        EXPECT_TRUE(end.standardError.endsWith('\n'));
        EXPECT_TRUE(end.standardError.contains("cannot reach the display"))
                << end.standardError.toStdString();
    }
}

// A Wayland compositor of its own: weston's headless backend, its socket in a private runtime
// folder.
class Weston final
{
public:
    Weston()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("weston"),
                        {QStringLiteral("--backend=headless-backend.so"),
                         QStringLiteral("--socket=velmo-test"), QStringLiteral("--idle-time=0"),
                         QStringLiteral("--width=1280"), QStringLiteral("--height=1024")});
        waitUntil([this] {
            return QFile::exists(socket()) || m_process.state() == QProcess::NotRunning;
        });
    }
    ~Weston()
    {
        m_process.terminate();
        if (!m_process.waitForFinished())
            m_process.kill();
    }
    Q_DISABLE_COPY_MOVE(Weston)

    // Why it cannot serve, or nothing.
    std::optional<QString> failure()
    {
        if (!m_runtime.isValid())
            return QStringLiteral("no runtime folder");
        if (m_process.state() == QProcess::NotRunning)
            return QStringLiteral("weston did not start: ") + m_process.errorString()
                    + QString::fromLocal8Bit(m_process.readAll());
        if (!QFile::exists(socket()))
            return QStringLiteral("weston made no socket");
        return std::nullopt;
    }
    QString socket() const { return m_runtime.filePath(QStringLiteral("velmo-test")); }

private:
    QTemporaryDir m_runtime;
    QProcess m_process;
};

// In a Wayland session the player goes through the session's X server, where it can place its
// windows; without one it runs on Wayland itself. Either way it ends like Quit when told to.
TEST_F(MainWindowTest, InAWaylandSessionItUsesTheXServerWhenThereIsOne)
{
    Weston weston;
    if (const std::optional<QString> failure = weston.failure())
        GTEST_SKIP() << failure->toStdString();
    const QString movie = sandbox.makeMovie(QStringLiteral("movie.avi"));
    sandbox.setEnvironment(QStringLiteral("WAYLAND_DISPLAY"), weston.socket());
    sandbox.setEnvironment(QStringLiteral("QT_QPA_PLATFORM"), {});

    auto throughX = sandbox.start({movie});
    ASSERT_TRUE(throughX->waitForTitle(movie)) << "the window is on the X server";
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
             QString::number(throughX->mainWindow().id())});
    pressKeys({QStringLiteral("Escape")});
    ASSERT_EQ(throughX->waitForExit(), std::optional<int>(0));

    sandbox.setEnvironment(QStringLiteral("DISPLAY"), {});
    auto onWayland = sandbox.start({movie});
    EXPECT_FALSE(onWayland->waitForExit(Watch)) << "it ended without an X server";
    QFile::remove(sandbox.filePath(QStringLiteral("VelmoMP.ini")));
    ::kill(pid_t(onWayland->pid()), SIGTERM);
    EXPECT_EQ(onWayland->waitForExit(), std::optional<int>(0));
    QFile settings(sandbox.filePath(QStringLiteral("VelmoMP.ini")));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly)) << "nothing was saved";
    EXPECT_TRUE(settings.readAll().contains("\nLocate="));
}

} // namespace
} // namespace systemtest
