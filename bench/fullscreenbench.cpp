// fullscreenbench: steady playback of the 1080p H.264 movie with the player's main window in
// three display modes (the desktop's full screen, the 640*480 window, the switched 640*480 full
// screen), beside mpv with its own X11 output (full screen, a 640x360 window), on a private
// 1920x1080 Xvfb server. After a warm-up it compares the CPU time each spends over the same
// seconds of playback, and the frames each drops.

#include "app/tform1.h"
#include "bench/barewindow.h"
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
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QScreen>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>
#include <unistd.h>

namespace {

using bench::Fixture;
using bench::Xvfb;

using bench::out;
using bench::progress;

// Playback before the measured seconds: the picture is up and the engine's queues are full.
constexpr int WarmUpMs = 2000;

double selfCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds
            = [](const timeval &time) { return double(time.tv_sec) + double(time.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// User and system time of a running process, from /proc: fields 14 and 15, after the command
// name in parentheses, which may itself hold spaces.
double processCpuSeconds(qint64 pid)
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

struct Mode
{
    QString name;
    int displayMode = 5;
    // mpv's options for the same picture; none: the player alone.
    QStringList mpvOptions;
    // The bare client's window; empty: full screen.
    QSize bareWindow;
};

// What one player did over the measured seconds.
struct Measured
{
    double cpu = 0;
    double serverCpu = 0;
    // Frames shown (paint events of the player's surface; mpv: frames advanced minus drops).
    qint64 shown = 0;
    qint64 dropped = 0;
    // Frames the position moved on by.
    qint64 advanced = 0;
    QSize picture;
};

void runEventLoop(int milliseconds)
{
    QEventLoop loop;
    // A coarse timer, Qt's default, may end the seconds up to 5% early or late.
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Plays on for the measured seconds in this process: the CPU of all its threads and of the X
// server, and the frames the widget that shows them painted.
Measured measureInProcess(QWidget &shown, const Fixture &fixture, int playSeconds,
                          const Xvfb &server)
{
    PaintCounter counter;
    shown.installEventFilter(&counter);
    const double cpuBefore = selfCpuSeconds();
    const double serverBefore = processCpuSeconds(server.pid());
    runEventLoop(playSeconds * 1000);
    Measured run;
    run.cpu = selfCpuSeconds() - cpuBefore;
    run.serverCpu = processCpuSeconds(server.pid()) - serverBefore;
    run.shown = counter.paints;
    run.dropped = std::max<qint64>(0, qint64(playSeconds) * fixture.fps - run.shown);
    run.picture = shown.size();
    shown.removeEventFilter(&counter);
    return run;
}

// The player as a user starts it with the movie, in the display mode and playing on load, with a
// settings file of its own and no sound.
Measured runPlayer(const Fixture &fixture, const Mode &mode, int playSeconds, const Xvfb &server)
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
    form1.DisplayMode = mode.displayMode;
    form1.LoadCurrentFile();
    if (form1.MovieOpened != 1)
        throw std::runtime_error("the player cannot open the movie");
    auto *surface = form1.Panel1->findChild<media::VideoSurface *>();
    if (surface == nullptr)
        throw std::runtime_error("the player shows no video surface");
    runEventLoop(WarmUpMs);

    const qint64 positionBefore = form1.MediaPlayer1->QueryPosition();
    Measured run = measureInProcess(*surface, fixture, playSeconds, server);
    run.advanced = form1.MediaPlayer1->QueryPosition() - positionBefore;
    return run;
}

// The bare libmpv client in a Qt window of the mode's size, measured as the player is.
Measured runBare(const Fixture &fixture, const Mode &mode, int playSeconds, const Xvfb &server)
{
    bench::BareWindow window;
    if (mode.bareWindow.isEmpty()) {
        // Placed over the whole screen by hand: without a window manager, as here, nothing
        // honours a request for full screen, and the window would stay at its first size.
        window.setWindowFlag(Qt::FramelessWindowHint);
        window.setGeometry(QGuiApplication::primaryScreen()->geometry());
    } else {
        window.resize(mode.bareWindow);
    }
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        throw std::runtime_error("the bare client's window was never shown");
    window.play(QFile::encodeName(fixture.path));
    QElapsedTimer timer;
    timer.start();
    while (window.timePos() < 0) {
        if (timer.elapsed() > 10000)
            throw std::runtime_error("the bare client never started playing");
        runEventLoop(10);
    }
    runEventLoop(WarmUpMs);

    const double timeBefore = window.timePos();
    Measured run = measureInProcess(window, fixture, playSeconds, server);
    run.advanced = qRound64((window.timePos() - timeBefore) * fixture.fps);
    return run;
}

// mpv's counters, kept from the changes of the properties it is told to watch.
struct MpvCounters
{
    double time = -1;
    qint64 voDrops = 0;
    qint64 decoderDrops = 0;
    QSize picture;

    void read(QLocalSocket &ipc)
    {
        while (ipc.canReadLine()) {
            const QJsonObject message = QJsonDocument::fromJson(ipc.readLine()).object();
            if (message.value(QStringLiteral("event")).toString()
                != QStringLiteral("property-change"))
                continue;
            const QString name = message.value(QStringLiteral("name")).toString();
            const QJsonValue data = message.value(QStringLiteral("data"));
            if (!data.isDouble())
                continue;
            const auto value = qint64(data.toDouble());
            if (name == QStringLiteral("time-pos"))
                time = data.toDouble();
            else if (name == QStringLiteral("frame-drop-count"))
                voDrops = value;
            else if (name == QStringLiteral("decoder-frame-drop-count"))
                decoderDrops = value;
            else if (name == QStringLiteral("osd-width"))
                picture.setWidth(int(value));
            else if (name == QStringLiteral("osd-height"))
                picture.setHeight(int(value));
        }
    }

    // Reads for the time given.
    void readFor(QLocalSocket &ipc, int milliseconds)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < milliseconds) {
            ipc.waitForReadyRead(int(std::max<qint64>(1, milliseconds - timer.elapsed())));
            read(ipc);
        }
    }
};

// mpv on its own, as a user would start it, measured over the same seconds after the same
// warm-up: its CPU time is the whole process's, from /proc.
Measured runMpv(const Fixture &fixture, const Mode &mode, int playSeconds, const Xvfb &server)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw std::runtime_error("cannot make a temporary folder");
    const QString socketPath = scratch.filePath(QStringLiteral("mpv.socket"));
    QProcess mpv;
    mpv.setStandardOutputFile(QProcess::nullDevice());
    mpv.setStandardErrorFile(QProcess::nullDevice());
    mpv.start(QStringLiteral("mpv"),
              QStringList {QStringLiteral("--no-config"), QStringLiteral("--vo=x11"),
                           QStringLiteral("--ao=null"), QStringLiteral("--no-terminal"),
                           QStringLiteral("--input-ipc-server=") + socketPath}
                      + mode.mpvOptions + QStringList {fixture.path});
    if (!mpv.waitForStarted())
        throw std::runtime_error("mpv does not start");
    QLocalSocket ipc;
    QElapsedTimer timer;
    timer.start();
    while (ipc.state() != QLocalSocket::ConnectedState) {
        if (timer.elapsed() > 10000)
            throw std::runtime_error("mpv's IPC socket never came up");
        ipc.connectToServer(socketPath);
        if (!ipc.waitForConnected(50))
            QThread::msleep(20);
    }
    int id = 1;
    for (const char *name :
         {"frame-drop-count", "decoder-frame-drop-count", "time-pos", "osd-width", "osd-height"}) {
        ipc.write(QStringLiteral("{\"command\":[\"observe_property\",%1,\"%2\"]}\n")
                          .arg(id++)
                          .arg(QLatin1String(name))
                          .toUtf8());
    }
    ipc.flush();
    MpvCounters counters;
    while (counters.time < 0) {
        if (timer.elapsed() > 10000)
            throw std::runtime_error("mpv never started playing");
        counters.readFor(ipc, 10);
    }
    counters.readFor(ipc, WarmUpMs);

    const MpvCounters before = counters;
    const double cpuBefore = processCpuSeconds(mpv.processId());
    const double serverBefore = processCpuSeconds(server.pid());
    counters.readFor(ipc, playSeconds * 1000);
    Measured run;
    run.cpu = processCpuSeconds(mpv.processId()) - cpuBefore;
    run.serverCpu = processCpuSeconds(server.pid()) - serverBefore;
    run.advanced = qRound64((counters.time - before.time) * fixture.fps);
    run.dropped = counters.voDrops + counters.decoderDrops - before.voDrops - before.decoderDrops;
    run.shown = run.advanced - run.dropped;
    run.picture = counters.picture;
    mpv.kill();
    mpv.waitForFinished();
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

QString row(const QStringList &cells)
{
    return QStringLiteral("| ") + cells.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
}

constexpr int Columns = 12;

// The columns of the table after the run number: CPU figures have decimals, frame counts none.
bool isMpvColumn(int column)
{
    return column == 1 || column == 2 || column == 6 || column == 7 || column >= 9;
}

int decimals(int column)
{
    return column < 3 || column >= 8 ? 2 : 0;
}

int run(const QStringList &arguments, const Xvfb &server)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
            "Compares steady playback of a 1080p H.264 movie by the player and by mpv."));
    parser.addHelpOption();
    const QCommandLineOption fixturesOption = bench::fixturesOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"),
                                        QStringLiteral("Runs of each player and mode (3)."),
                                        QStringLiteral("count"), QStringLiteral("3"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
                                           QStringLiteral("Seconds measured per run (8)."),
                                           QStringLiteral("seconds"), QStringLiteral("8"));
    parser.addOptions({fixturesOption, runsOption, secondsOption});
    parser.process(arguments);
    const int runs = std::max(1, parser.value(runsOption).toInt());
    Fixture fixture = bench::h264Fixture();
    // The movie is 20 seconds long: the warm-up and the seconds measured stay inside it.
    const int playSeconds = std::clamp(parser.value(secondsOption).toInt(), 1,
                                       fixture.frames / fixture.fps - WarmUpMs / 1000 - 2);

    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    if (screen != QSize(1920, 1080))
        throw std::runtime_error("the private X server's screen is not 1920x1080");

    QTemporaryDir temporary;
    const QDir folder = bench::fixturesFolder(parser, temporary);
    bench::makeFixture(fixture, folder);

    const QList<Mode> modes = {
            {QStringLiteral("desktop full screen (F12) / mpv --fs"),
             5,
             {QStringLiteral("--fs")},
             {}},
            {QStringLiteral("window 640*480 (F) / mpv --geometry=640x360"),
             2,
             {QStringLiteral("--geometry=640x360")},
             {640, 360}},
            {QStringLiteral("switched full screen 640*480 (A)"), 1, {}, {}},
    };
    const QString loadBefore = loadAverage();
    QString report;
    for (const Mode &mode : modes) {
        QList<Measured> player, mpv, bare;
        for (int i = 1; i <= runs; ++i) {
            progress() << mode.name << ", run " << i << Qt::endl;
            player.append(runPlayer(fixture, mode, playSeconds, server));
            if (!mode.mpvOptions.isEmpty()) {
                mpv.append(runMpv(fixture, mode, playSeconds, server));
                bare.append(runBare(fixture, mode, playSeconds, server));
            }
        }
        report += QStringLiteral("\n## ") + mode.name + QStringLiteral("\n\npictures: player ")
                + size(player.first().picture)
                + (mpv.isEmpty() ? QString() : QStringLiteral(", mpv ") + size(mpv.first().picture))
                + QStringLiteral("\n\n")
                + row({QStringLiteral("run"), QStringLiteral("player CPU s"),
                       QStringLiteral("mpv CPU s"), QStringLiteral("ratio"),
                       QStringLiteral("player shown"), QStringLiteral("player dropped"),
                       QStringLiteral("player advanced"), QStringLiteral("mpv dropped"),
                       QStringLiteral("mpv advanced"), QStringLiteral("Xvfb CPU s (player)"),
                       QStringLiteral("Xvfb CPU s (mpv)"), QStringLiteral("bare client CPU s"),
                       QStringLiteral("bare / mpv")})
                + QStringLiteral("|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|\n");
        QList<double> columns[Columns];
        for (int i = 0; i < runs; ++i) {
            const Measured &ours = player.at(i);
            const std::optional<Measured> theirs
                    = mpv.isEmpty() ? std::nullopt : std::optional(mpv.at(i));
            const std::optional<Measured> plain
                    = bare.isEmpty() ? std::nullopt : std::optional(bare.at(i));
            const double values[Columns] = {ours.cpu,
                                            theirs ? theirs->cpu : 0,
                                            theirs ? ours.cpu / theirs->cpu : 0,
                                            double(ours.shown),
                                            double(ours.dropped),
                                            double(ours.advanced),
                                            theirs ? double(theirs->dropped) : 0,
                                            theirs ? double(theirs->advanced) : 0,
                                            ours.serverCpu,
                                            theirs ? theirs->serverCpu : 0,
                                            plain ? plain->cpu : 0,
                                            plain && theirs ? plain->cpu / theirs->cpu : 0};
            QStringList cells = {QString::number(i + 1)};
            for (int column = 0; column < Columns; ++column) {
                columns[column].append(values[column]);
                cells.append(!theirs && isMpvColumn(column)
                                     ? QStringLiteral("-")
                                     : number(values[column], decimals(column)));
            }
            report += row(cells);
        }
        QStringList medians = {QStringLiteral("median")};
        for (int column = 0; column < Columns; ++column) {
            medians.append(mpv.isEmpty() && isMpvColumn(column)
                                   ? QStringLiteral("-")
                                   : number(median(columns[column]), decimals(column)));
        }
        report += row(medians);
    }

    out() << "# fullscreenbench\n\n"
          << "- movie: " << fixture.name << ", " << fixture.fps << " fps; " << WarmUpMs / 1000
          << " s of warm-up after the picture is up, then " << playSeconds
          << " s measured = " << playSeconds * fixture.fps << " frames\n"
          << "- screen: Xvfb " << server.display() << ", " << size(screen) << "x24\n"
          << "- machine: " << QThread::idealThreadCount() << " threads, "
          << QSysInfo::prettyProductName() << "; load average " << loadBefore << " before, "
          << loadAverage() << " after\n"
          << "- player: TForm1 with media::MpvDriver({ao=null}), AutoStart; CPU of every thread "
             "(getrusage)\n"
          << "- mpv: --no-config --vo=x11 --ao=null; CPU of the whole process (/proc)\n"
          << "- bare client: a Qt window showing libmpv's software renderer (vo=libmpv, ao=null) "
             "at its size, drawn on a thread of its own (bench/barewindow.h); getrusage\n"
          << report << Qt::flush;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return bench::runWithWindows<QApplication>(argc, argv, "fullscreenbench", run);
}
