#pragma once

// Drives the real velmomp executable from the outside: a private X server per test program, a
// scratch folder per test case, real input through xdotool, and the window's title and pixels.

#include "support/printers.h"

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>

class QGuiApplication;

// Let the test framework show Qt values in its messages (texts: support/printers.h).
void PrintTo(const QPoint &point, std::ostream *out);
void PrintTo(const QSize &size, std::ostream *out);

namespace systemtest {

// How long something that is bound to happen may take, even on a machine as busy as two test
// programs and a build beside each other make it: a deadline, not a wait.
constexpr std::chrono::milliseconds Patience {30000};
// How long to watch for something that must not happen.
constexpr std::chrono::milliseconds Watch {2000};

// Asks condition every few milliseconds until it holds or the deadline has passed; returns
// whether it held.
bool waitUntil(const std::function<bool()> &condition,
               std::chrono::milliseconds deadline = Patience);

// The X server all windows of this test program live on. It is started only when the first
// test runs, so that listing the tests needs no display.
class XServerEnvironment final : public testing::Environment
{
public:
    explicit XServerEnvironment(char *programName);
    ~XServerEnvironment() override;

    void SetUp() override;
    void TearDown() override;

    // The DISPLAY value of the running server, e.g. ":3".
    static QString display();

private:
    int m_argc = 1;
    char *m_argv[2];
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QTemporaryDir> m_runtime;
    std::unique_ptr<QGuiApplication> m_application;
};

// Runs a program to its end and gives what it printed. Throws when it does not start, does not
// end in time or fails.
QByteArray runTool(const QString &program, const QStringList &arguments);

// xdotool with the given arguments; throws unless it succeeds.
QByteArray xdotool(const QStringList &arguments);

// Presses and releases the keys (xdotool key names) one after the other on the focused window.
void pressKeys(const QStringList &keys);

// A top-level window on the X server.
class XWindow final
{
public:
    explicit XWindow(quint64 id)
        : m_id(id)
    {}

    quint64 id() const { return m_id; }
    QString title() const;
    // Position on the screen and size; without a window manager there is no frame.
    QRect geometry() const;
    // What the window shows now.
    QImage grab() const;
    // Moves the pointer to at (inside the window) and clicks the button there (1 left, 3 right).
    void click(QPoint at, int button = 1) const;

private:
    quint64 m_id;
};

// One running player started by a Sandbox. Destroying it kills a player still running.
class Player final
{
public:
    explicit Player(std::unique_ptr<QProcess> process);
    ~Player();
    Q_DISABLE_COPY_MOVE(Player)

    qint64 pid() const { return m_pid; }

    // The player's visible top-level windows, main window and open menus alike.
    QList<quint64> visibleWindows() const;

    // Waits for the first visible window, the main window, and remembers it. Throws when none
    // appears.
    const XWindow &mainWindow();

    // Waits for the main window's title to become expected.
    testing::AssertionResult waitForTitle(const QString &expected);

    // Waits for a visible window of the player other than the main window: an open menu.
    std::optional<XWindow> waitForPopup(std::chrono::milliseconds deadline = Patience);

    // Waits for the player to end; gives its exit code, or nothing when it is still running or
    // crashed.
    std::optional<int> waitForExit(std::chrono::milliseconds deadline = Patience);
    bool isRunning() const;

private:
    std::unique_ptr<QProcess> m_process;
    qint64 m_pid = 0;
    std::optional<XWindow> m_mainWindow;
};

// How a player run to its end ended.
struct PlayerEnd
{
    // Nothing when it crashed.
    std::optional<int> exitCode;
    QByteArray standardError;
};

// A display number (without the colon) that no X server on this machine serves.
QString unusedDisplayNumber();

// A scratch folder for one test case: a copy of the executable (its settings file lives beside
// it), a private runtime folder for the single-instance lock and socket, and a home folder.
class Sandbox final
{
public:
    Sandbox();
    Q_DISABLE_COPY_MOVE(Sandbox)

    // The scratch folder without symbolic links, the way the player's current folder reads.
    QString path() const { return m_path; }
    QString filePath(const QString &relativePath) const;

    // Makes a tiny movie of MovieSize at relativePath (folders are created) and returns its
    // absolute path.
    QString makeMovie(const QString &relativePath);
    static constexpr QSize MovieSize {160, 120};
    // Makes a folder at relativePath and returns its absolute path.
    QString makeFolder(const QString &relativePath);

    // Starts the player with the arguments in workingFolder (default: the scratch folder).
    std::unique_ptr<Player> start(const QStringList &arguments, const QString &workingFolder = {});

    // Sets a variable of the environment the next starts get; a null value removes it.
    void setEnvironment(const QString &name, const QString &value);

    // Starts the player and waits for its end, keeping what it wrote to standard error. Throws
    // when it does not end in time.
    PlayerEnd run(const QStringList &arguments);

    // Starts the player as a later start and waits for its end. Gives its exit code, or nothing
    // when it did not end within the deadline or crashed.
    std::optional<int> runLaterStart(const QStringList &arguments,
                                     const QString &workingFolder = {},
                                     std::chrono::milliseconds deadline = Patience);

private:
    std::unique_ptr<QProcess> launch(const QStringList &arguments, const QString &workingFolder,
                                     QProcess::ProcessChannelMode channels
                                     = QProcess::ForwardedChannels);

    QTemporaryDir m_dir;
    QString m_path;
    QString m_executable;
    QString m_movieTemplate;
    QProcessEnvironment m_environment;
};

// Names the cases of a test over the screen's scale factors: Scale1, Scale2.
inline std::string scaleName(const testing::TestParamInfo<int> &info)
{
    return "Scale" + std::to_string(info.param);
}

// Picture tests.
inline bool isRed(QRgb pixel)
{
    return qRed(pixel) >= 200 && qGreen(pixel) <= 60 && qBlue(pixel) <= 60;
}

inline bool isBlack(QRgb pixel)
{
    return qRed(pixel) <= 16 && qGreen(pixel) <= 16 && qBlue(pixel) <= 16;
}

} // namespace systemtest
