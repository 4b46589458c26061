// fullscreenbench: plays the 1080p H.264 movie at the desktop's full screen with the player's main
// window, beside mpv playing it full screen with its own X11 output, on a private 1920x1080 Xvfb
// server, and compares the CPU time each spends and the frames each drops.

#include "app/tform1.h"
#include "bench/console.h"
#include "bench/fixtures.h"
#include "bench/xvfb.h"
#include "media/mediadevice.h"
#include "media/mpvdriver.h"
#include "media/videosurface.h"
#include "settings/tform2.h"
#include "settings/tform3.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QScreen>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <clocale>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace {

using bench::Fixture;
using bench::spawn;
using bench::Xvfb;

using bench::out;
using bench::progress;

double seconds(const timeval &time)
{
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

double cpuSeconds(const rusage &usage)
{
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double selfCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return cpuSeconds(usage);
}

// User and system time of a running child, from /proc: fields 14 and 15, after the command name
// in parentheses, which may itself hold spaces.
double processCpuSeconds(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    // Field 3 (the state) is the first after the name.
    const double ticks = fields.value(14 - 3).toDouble() + fields.value(15 - 3).toDouble();
    return ticks / double(sysconf(_SC_CLK_TCK));
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll().split(' ').mid(0, 3).join(' '));
}

// Counts the paint events of a widget: each frame the video surface receives asks for one, and
// frames whose repaints Qt merged never reached the screen.
class PaintCounter final : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct PlayerRun
{
    double cpu = 0;
    // The part of cpu spent in LoadCurrentFile, before playback starts.
    double loadCpu = 0;
    double serverCpu = 0;
    int shown = 0;
    int position = 0;
    QSize surface;
};

struct MpvRun
{
    double cpu = 0;
    double serverCpu = 0;
    qint64 voDrops = -1;
    qint64 decoderDrops = -1;
    qint64 position = -1;
    QSize screen;
};

void runEventLoop(int milliseconds)
{
    QEventLoop loop;
    // A coarse timer, Qt's default, may end ten seconds up to half a second early or late.
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// The player as a user starts it with the movie, full screen at the desktop's resolution and
// playing on load, with a settings file of its own and no sound.
PlayerRun runPlayer(const Fixture &fixture, int playSeconds, const Xvfb &server)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw std::runtime_error("cannot make a temporary folder");
    TForm1 form1({}, display::DirectDrawCreate, [] {
        return std::make_unique<media::MpvDriver>(media::MpvOptions {{"ao", "null"}});
    });
    auto *form2 = new TForm2(form1, scratch.filePath(QStringLiteral("VelmoMP.ini")));
    new TForm3(*form2);
    form2->AutoStart->setChecked(true);
    // Start-up done by hand: the monitor's first tick would otherwise load the movie again.
    form1.StartupState = 2;
    form1.show();
    if (!QTest::qWaitForWindowExposed(&form1))
        throw std::runtime_error("the main window was never shown");
    form1.AddFile(QFile::encodeName(fixture.path));
    form1.DisplayMode = 5;

    const double cpuBefore = selfCpuSeconds();
    const double serverBefore = processCpuSeconds(server.pid());
    form1.LoadCurrentFile();
    if (form1.MovieOpened != 1)
        throw std::runtime_error("the player cannot open the movie");
    const double cpuLoaded = selfCpuSeconds();
    auto *surface = form1.Panel1->findChild<media::VideoSurface *>();
    if (surface == nullptr)
        throw std::runtime_error("the player shows no video surface");
    PaintCounter counter;
    surface->installEventFilter(&counter);
    runEventLoop(playSeconds * 1000);

    PlayerRun run;
    run.cpu = selfCpuSeconds() - cpuBefore;
    run.loadCpu = cpuLoaded - cpuBefore;
    run.serverCpu = processCpuSeconds(server.pid()) - serverBefore;
    run.shown = counter.paints;
    run.position = form1.MediaPlayer1->QueryPosition();
    run.surface = surface->size();
    surface->removeEventFilter(&counter);
    return run;
}

// Keeps the last value mpv reported for each watched property. Its frame number is not sent as it
// changes, the playback time is.
void readIpcEvents(QLocalSocket &ipc, int fps, MpvRun &run)
{
    while (ipc.canReadLine()) {
        const QJsonObject message = QJsonDocument::fromJson(ipc.readLine()).object();
        if (message.value(QStringLiteral("event")).toString() != QStringLiteral("property-change"))
            continue;
        const QString name = message.value(QStringLiteral("name")).toString();
        const QJsonValue data = message.value(QStringLiteral("data"));
        if (!data.isDouble())
            continue;
        const auto value = qint64(data.toDouble());
        if (name == QStringLiteral("time-pos"))
            run.position = qRound64(data.toDouble() * fps);
        else if (name == QStringLiteral("frame-drop-count"))
            run.voDrops = value;
        else if (name == QStringLiteral("decoder-frame-drop-count"))
            run.decoderDrops = value;
        else if (name == QStringLiteral("osd-width"))
            run.screen.setWidth(int(value));
        else if (name == QStringLiteral("osd-height"))
            run.screen.setHeight(int(value));
    }
}

// mpv on its own, as a user would start it: its CPU time is the whole process's, taken when it
// is reaped, and its counters come as property changes over its JSON IPC socket up to its exit.
MpvRun runMpv(const Fixture &fixture, int playSeconds, const Xvfb &server)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw std::runtime_error("cannot make a temporary folder");
    const QString socketPath = scratch.filePath(QStringLiteral("mpv.socket"));

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const double serverBefore = processCpuSeconds(server.pid());
    pid_t pid = 0;
    try {
        pid = spawn({"mpv", "--no-config", "--vo=x11", "--fs", "--ao=null", "--no-terminal",
                     "--length=" + QByteArray::number(playSeconds),
                     "--input-ipc-server=" + QFile::encodeName(socketPath),
                     QFile::encodeName(fixture.path)},
                    &actions);
    } catch (...) {
        posix_spawn_file_actions_destroy(&actions);
        throw;
    }
    posix_spawn_file_actions_destroy(&actions);

    MpvRun run;
    QLocalSocket ipc;
    rusage usage {};
    int status = 0;
    bool observing = false;
    for (;;) {
        if (wait4(pid, &status, WNOHANG, &usage) == pid)
            break;
        if (ipc.state() != QLocalSocket::ConnectedState) {
            ipc.connectToServer(socketPath);
            if (!ipc.waitForConnected(50))
                QThread::msleep(20);
            continue;
        }
        if (!observing) {
            const char *names[] = {"frame-drop-count", "decoder-frame-drop-count", "time-pos",
                                   "osd-width", "osd-height"};
            int id = 1;
            for (const char *name : names) {
                ipc.write(QStringLiteral("{\"command\":[\"observe_property\",%1,\"%2\"]}\n")
                                  .arg(id++)
                                  .arg(QLatin1String(name))
                                  .toUtf8());
            }
            ipc.flush();
            observing = true;
        }
        ipc.waitForReadyRead(50);
        readIpcEvents(ipc, fixture.fps, run);
    }
    readIpcEvents(ipc, fixture.fps, run);
    run.serverCpu = processCpuSeconds(server.pid()) - serverBefore;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("mpv failed");
    run.cpu = cpuSeconds(usage);
    return run;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 != 0 ? values.at(middle)
                                  : (values.at(middle - 1) + values.at(middle)) / 2;
}

QString number(double value, int decimals = 2)
{
    return QString::number(value, 'f', decimals);
}

QString size(QSize value)
{
    return QStringLiteral("%1x%2").arg(value.width()).arg(value.height());
}

int run(const QStringList &arguments, const Xvfb &server)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
            "Compares full-screen playback of a 1080p H.264 movie by the player and by mpv."));
    parser.addHelpOption();
    const QCommandLineOption fixturesOption = bench::fixturesOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"),
                                        QStringLiteral("Runs of each player (3)."),
                                        QStringLiteral("count"), QStringLiteral("3"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
                                           QStringLiteral("Seconds of playback per run (10)."),
                                           QStringLiteral("seconds"), QStringLiteral("10"));
    parser.addOptions({fixturesOption, runsOption, secondsOption});
    parser.process(arguments);
    const int runs = std::max(1, parser.value(runsOption).toInt());
    Fixture fixture = bench::h264Fixture();
    // The movie is 20 seconds long: longer playback would reach its end.
    const int playSeconds
            = std::clamp(parser.value(secondsOption).toInt(), 1, fixture.frames / fixture.fps - 1);

    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    if (screen != QSize(1920, 1080))
        throw std::runtime_error("the private X server's screen is not 1920x1080");

    QTemporaryDir temporary;
    const QDir folder = bench::fixturesFolder(parser, temporary);
    bench::makeFixture(fixture, folder);
    const int expected = playSeconds * fixture.fps;

    const QString loadBefore = loadAverage();
    QList<PlayerRun> playerRuns;
    QList<MpvRun> mpvRuns;
    for (int i = 1; i <= runs; ++i) {
        progress() << "run " << i << ": player" << Qt::endl;
        playerRuns.append(runPlayer(fixture, playSeconds, server));
        progress() << "run " << i << ": mpv" << Qt::endl;
        mpvRuns.append(runMpv(fixture, playSeconds, server));
    }

    out() << "# fullscreenbench\n\n"
          << "- movie: " << fixture.name << ", " << fixture.fps << " fps, " << playSeconds
          << " s played per run = " << expected << " frames\n"
          << "- screen: Xvfb " << server.display() << ", " << size(screen) << "x24\n"
          << "- machine: " << QThread::idealThreadCount() << " threads, "
          << QSysInfo::prettyProductName() << "; load average " << loadBefore << " before, "
          << loadAverage() << " after\n"
          << "- player: TForm1 with media::MpvDriver({ao=null}), DisplayMode 5, AutoStart; CPU "
             "from the load to the end of playback (getrusage, every thread)\n"
          << "- mpv: --no-config --vo=x11 --fs --ao=null --length=" << playSeconds
          << "; CPU of the whole process (wait4)\n";

    const auto row = [](const QStringList &cells) {
        return QStringLiteral("| ") + cells.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
    };
    QString table
            = row({QStringLiteral("run"), QStringLiteral("player CPU s"),
                   QStringLiteral("of which loading"), QStringLiteral("mpv CPU s"),
                   QStringLiteral("ratio"), QStringLiteral("player frames shown"),
                   QStringLiteral("expected"), QStringLiteral("player dropped"),
                   QStringLiteral("player position"), QStringLiteral("mpv dropped (vo + decoder)"),
                   QStringLiteral("mpv position"), QStringLiteral("Xvfb CPU s (player)"),
                   QStringLiteral("Xvfb CPU s (mpv)")})
            + QStringLiteral("|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|\n");
    QList<double> columns[12];
    QStringList sizes;
    for (int i = 0; i < runs; ++i) {
        const PlayerRun &player = playerRuns.at(i);
        const MpvRun &mpv = mpvRuns.at(i);
        const double values[12]
                = {player.cpu,
                   player.loadCpu,
                   mpv.cpu,
                   player.cpu / mpv.cpu,
                   double(player.shown),
                   double(expected),
                   double(std::max(0, expected - player.shown)),
                   double(player.position),
                   double(std::max<qint64>(0, mpv.voDrops) + std::max<qint64>(0, mpv.decoderDrops)),
                   double(mpv.position),
                   player.serverCpu,
                   mpv.serverCpu};
        QStringList cells = {QString::number(i + 1)};
        for (int column = 0; column < 12; ++column) {
            columns[column].append(values[column]);
            cells.append(number(values[column], column < 4 || column >= 10 ? 2 : 0));
        }
        table += row(cells);
        sizes.append(QStringLiteral("player surface %1, mpv window %2")
                             .arg(size(player.surface), size(mpv.screen)));
    }
    QStringList medians = {QStringLiteral("median")};
    for (int column = 0; column < 12; ++column)
        medians.append(number(median(columns[column]), column < 4 || column >= 10 ? 2 : 0));
    table += row(medians);
    sizes.removeDuplicates();
    out() << "- pictures: " << sizes.join(QStringLiteral("; ")) << "\n\n";
    out() << table << Qt::flush;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    try {
        // Before the application: Qt and the mpv children all find the private server through
        // DISPLAY.
        const Xvfb server;
        qputenv("DISPLAY", server.display());
        qputenv("QT_QPA_PLATFORM", "xcb");
        QApplication app(argc, argv);
        // libmpv refuses to start under a locale whose decimal point is not a dot.
        std::setlocale(LC_NUMERIC, "C");
        return run(QApplication::arguments(), server);
    } catch (const std::exception &error) {
        progress() << "fullscreenbench: " << error.what() << Qt::endl;
        return 1;
    }
}
