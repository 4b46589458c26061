#include "harness.h"

#include "xquery.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <sys/prctl.h>

#include <csignal>
#include <stdexcept>

void PrintTo(const QPoint &point, std::ostream *out)
{
    *out << '(' << point.x() << ", " << point.y() << ')';
}

void PrintTo(const QSize &size, std::ostream *out)
{
    *out << size.width() << 'x' << size.height();
}

namespace systemtest {
namespace {

constexpr int PollIntervalMs = 20;

QString displayName;

[[noreturn]] void fail(const QString &what)
{
    throw std::runtime_error(what.toStdString());
}

// Children end with the test program, even when it crashes or is killed.
void endWithParent(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

int milliseconds(std::chrono::milliseconds duration)
{
    return int(duration.count());
}

} // namespace

bool waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds deadline)
{
    const QDeadlineTimer timer(deadline);
    for (;;) {
        if (condition())
            return true;
        if (timer.hasExpired())
            return false;
        QThread::msleep(PollIntervalMs);
    }
}

XServerEnvironment::XServerEnvironment(char *programName)
    : m_argv {programName, nullptr}
{}

XServerEnvironment::~XServerEnvironment() = default;

void XServerEnvironment::SetUp()
{
    m_server = std::make_unique<QProcess>();
    m_server->setProgram(QStringLiteral(XVFB_PATH));
    m_server->setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"),
                            QStringLiteral("-screen"), QStringLiteral("0"),
                            QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                            QStringLiteral("tcp")});
    m_server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    endWithParent(*m_server);
    m_server->start();
    if (!m_server->waitForStarted(milliseconds(Patience)))
        GTEST_FAIL() << "Xvfb did not start: " << m_server->errorString().toStdString();

    // Xvfb writes the number of the display it chose once it accepts connections.
    QByteArray number;
    const QDeadlineTimer deadline(Patience);
    while (!number.contains('\n')) {
        if (!m_server->waitForReadyRead(int(deadline.remainingTime())))
            GTEST_FAIL() << "Xvfb did not tell its display number";
        number += m_server->readAllStandardOutput();
    }
    displayName = u':' + QString::fromLatin1(number.trimmed());

    qputenv("DISPLAY", displayName.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");
    // The test program's own runtime folder, private like the players' ones.
    m_runtime = std::make_unique<QTemporaryDir>(QDir::tempPath()
                                                + QStringLiteral("/velmomp-system-run-XXXXXX"));
    if (m_runtime->isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
    m_application = std::make_unique<QGuiApplication>(m_argc, m_argv);
}

void XServerEnvironment::TearDown()
{
    m_application.reset();
    m_runtime.reset();
    if (m_server && m_server->state() != QProcess::NotRunning) {
        m_server->terminate();
        if (!m_server->waitForFinished(milliseconds(Patience)))
            m_server->kill();
        m_server->waitForFinished();
    }
    m_server.reset();
}

QString XServerEnvironment::display()
{
    return displayName;
}

QByteArray runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    endWithParent(process);
    process.start();
    if (!process.waitForStarted(milliseconds(Patience)))
        fail(program + QStringLiteral(" did not start: ") + process.errorString());
    if (!process.waitForFinished(milliseconds(Patience))) {
        process.kill();
        process.waitForFinished();
        fail(program + QStringLiteral(" did not end: ") + arguments.join(u' '));
    }
    if (process.exitStatus() != QProcess::NormalExit)
        fail(program + QStringLiteral(" crashed: ") + arguments.join(u' '));
    if (process.exitCode() != 0)
        fail(program + QStringLiteral(" failed: ") + arguments.join(u' '));
    return process.readAllStandardOutput();
}

QByteArray xdotool(const QStringList &arguments)
{
    return runTool(QStringLiteral(XDOTOOL_PATH), arguments);
}

void pressKeys(const QStringList &keys)
{
    xdotool(QStringList {QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("40")}
            + keys);
}

QString XWindow::title() const
{
    return xquery::title(m_id);
}

QRect XWindow::geometry() const
{
    const std::optional<QRect> rect = xquery::geometry(m_id);
    if (!rect)
        fail(QStringLiteral("window %1 has no geometry").arg(m_id));
    return *rect;
}

QImage XWindow::grab() const
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        fail(QStringLiteral("no screen to grab from"));
    return screen->grabWindow(WId(m_id)).toImage().convertToFormat(QImage::Format_RGB32);
}

void XWindow::click(QPoint at, int button) const
{
    // The server handles the move before the click; waiting for the move (--sync) never ends
    // when the pointer already is there.
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(m_id),
             QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"),
             QString::number(button)});
}

Player::Player(std::unique_ptr<QProcess> process)
    : m_process(std::move(process))
    , m_pid(m_process->processId())
{}

Player::~Player()
{
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(milliseconds(Patience));
    }
}

QList<quint64> Player::visibleWindows() const
{
    return xquery::viewableWindowsOf(m_pid);
}

const XWindow &Player::mainWindow()
{
    if (m_mainWindow)
        return *m_mainWindow;
    QList<quint64> windows;
    waitUntil([&] {
        windows = visibleWindows();
        return !windows.isEmpty() || !isRunning();
    });
    if (windows.isEmpty())
        fail(isRunning() ? QStringLiteral("the player shows no window")
                         : QStringLiteral("the player ended without showing a window"));
    m_mainWindow.emplace(windows.first());
    return *m_mainWindow;
}

testing::AssertionResult Player::waitForTitle(const QString &expected)
{
    const XWindow &window = mainWindow();
    QString title;
    if (waitUntil([&] {
            title = window.title();
            return title == expected;
        }))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the title is \"" << title.toStdString()
                                       << "\" instead of \"" << expected.toStdString() << '"';
}

std::optional<XWindow> Player::waitForPopup(std::chrono::milliseconds deadline)
{
    const quint64 main = mainWindow().id();
    std::optional<XWindow> popup;
    waitUntil(
            [&] {
                for (quint64 id : visibleWindows()) {
                    if (id != main)
                        popup.emplace(id);
                }
                return popup.has_value();
            },
            deadline);
    return popup;
}

std::optional<int> Player::waitForExit(std::chrono::milliseconds deadline)
{
    if (m_process->state() != QProcess::NotRunning
        && !m_process->waitForFinished(milliseconds(deadline)))
        return std::nullopt;
    if (m_process->exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return m_process->exitCode();
}

bool Player::isRunning() const
{
    return m_process->state() != QProcess::NotRunning;
}

QString unusedDisplayNumber()
{
    // An X server holds a lock file and a socket named after its number while it runs.
    for (int number = 99;; ++number) {
        const QString name = QString::number(number);
        if (!QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(name))
            && !QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(name)))
            return name;
    }
}

Sandbox::Sandbox()
    : m_dir(QDir::tempPath() + QStringLiteral("/velmomp-system-XXXXXX"))
{
    if (!m_dir.isValid())
        fail(QStringLiteral("no scratch folder: ") + m_dir.errorString());
    m_path = QDir(m_dir.path()).canonicalPath();

    m_executable = filePath(QStringLiteral("velmomp"));
    if (!QFile::copy(QStringLiteral(VELMOMP_PATH), m_executable))
        fail(QStringLiteral("cannot copy the player to ") + m_executable);
    QFile::setPermissions(m_executable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QString runtime = makeFolder(QStringLiteral("run"));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString home = makeFolder(QStringLiteral("home"));

    m_environment = QProcessEnvironment::systemEnvironment();
    m_environment.insert(QStringLiteral("DISPLAY"), XServerEnvironment::display());
    m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    m_environment.insert(QStringLiteral("HOME"), home);
    m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                         makeFolder(QStringLiteral("home/.config")));
    m_environment.insert(QStringLiteral("XDG_CACHE_HOME"),
                         makeFolder(QStringLiteral("home/.cache")));
    m_environment.insert(QStringLiteral("XDG_DATA_HOME"),
                         makeFolder(QStringLiteral("home/.local/share")));
    m_environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    m_environment.remove(QStringLiteral("XDG_SESSION_TYPE"));
    m_environment.remove(QStringLiteral("SESSION_MANAGER"));
}

QString Sandbox::filePath(const QString &relativePath) const
{
    return m_path + u'/' + relativePath;
}

QString Sandbox::makeFolder(const QString &relativePath)
{
    const QString folder = filePath(relativePath);
    if (!QDir().mkpath(folder))
        fail(QStringLiteral("cannot make the folder ") + folder);
    return folder;
}

QString Sandbox::makeMovie(const QString &relativePath)
{
    const QString movie = filePath(relativePath);
    QDir().mkpath(QFileInfo(movie).absolutePath());
    if (!m_movieTemplate.isEmpty()) {
        if (!QFile::copy(m_movieTemplate, movie))
            fail(QStringLiteral("cannot copy a movie to ") + movie);
        return movie;
    }
    runTool(QStringLiteral(FFMPEG_PATH),
            {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
             QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
             QStringLiteral("testsrc2=size=%1x%2:rate=10:duration=1")
                     .arg(MovieSize.width())
                     .arg(MovieSize.height()),
             QStringLiteral("-c:v"), QStringLiteral("mjpeg"), movie});
    m_movieTemplate = movie;
    return movie;
}

void Sandbox::setEnvironment(const QString &name, const QString &value)
{
    if (value.isNull())
        m_environment.remove(name);
    else
        m_environment.insert(name, value);
}

std::unique_ptr<QProcess> Sandbox::launch(const QStringList &arguments,
                                          const QString &workingFolder,
                                          QProcess::ProcessChannelMode channels)
{
    auto process = std::make_unique<QProcess>();
    process->setProgram(m_executable);
    process->setArguments(arguments);
    process->setWorkingDirectory(workingFolder.isEmpty() ? m_path : workingFolder);
    process->setProcessEnvironment(m_environment);
    process->setProcessChannelMode(channels);
    endWithParent(*process);
    process->start();
    if (!process->waitForStarted(milliseconds(Patience)))
        fail(QStringLiteral("the player did not start: ") + process->errorString());
    return process;
}

std::unique_ptr<Player> Sandbox::start(const QStringList &arguments, const QString &workingFolder)
{
    return std::make_unique<Player>(launch(arguments, workingFolder));
}

PlayerEnd Sandbox::run(const QStringList &arguments)
{
    const auto process = launch(arguments, {}, QProcess::ForwardedOutputChannel);
    if (!process->waitForFinished(milliseconds(Patience))) {
        process->kill();
        process->waitForFinished();
        fail(QStringLiteral("the player did not end"));
    }
    PlayerEnd end;
    if (process->exitStatus() == QProcess::NormalExit)
        end.exitCode = process->exitCode();
    end.standardError = process->readAllStandardError();
    return end;
}

std::optional<int> Sandbox::runLaterStart(const QStringList &arguments,
                                          const QString &workingFolder,
                                          std::chrono::milliseconds deadline)
{
    Player later(launch(arguments, workingFolder));
    return later.waitForExit(deadline);
}

} // namespace systemtest
