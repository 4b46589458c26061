// keyholdbench: the real player on a private Xvfb server, driven as a user holding a key: 50
// presses of ← at 25 a second from frame 275 to 225, across the keyframe at 250, then 50 of →
// back to 275. It reads the frame from the window's pixels and times how long after the last
// press the picture reaches the last frame, and whether every press counted.

#include "bench/console.h"
#include "bench/fixtures.h"
#include "bench/xvfb.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include <clocale>
#include <exception>
#include <memory>

namespace {

using bench::Fixture;
using bench::out;
using bench::progress;

constexpr int Presses = 50;
constexpr int PressDelayMs = 40;
constexpr int From = 275;
constexpr int Patience = 30000;

// One player started with the movie, with a settings file, runtime and home folder of its own.
class Player final
{
public:
    Player(const QString &executable, const Fixture &movie)
        : m_aspect(double(movie.size.height()) / movie.size.width())
    {
        if (!m_scratch.isValid())
            throw std::runtime_error("cannot make a temporary folder");
        // The settings file lives beside the executable.
        const QString copy = m_scratch.filePath(QStringLiteral("velmomp"));
        if (!QFile::copy(executable, copy))
            throw std::runtime_error("cannot copy " + executable.toStdString());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_scratch.path());
        environment.insert(QStringLiteral("HOME"), m_scratch.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(copy, {movie.path});
        if (!m_process.waitForStarted())
            throw std::runtime_error("the player does not start");
        const QByteArray found
                = bench::xdotool({QStringLiteral("search"), QStringLiteral("--sync"),
                                  QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                  QString::number(m_process.processId())});
        m_window = found.split('\n').value(0).toULongLong();
        focus();
    }

    // Without a window manager the focus stays where it is put, and a new display mode may take
    // it away.
    void focus()
    {
        bench::xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                        QString::number(m_window)});
    }

    qint64 pid() const { return m_process.processId(); }

    void press(const QStringList &keys, int delayMs = 12)
    {
        bench::xdotool(QStringList {QStringLiteral("key"), QStringLiteral("--delay"),
                                    QString::number(delayMs)}
                       + keys);
    }

    // The frame the picture shows, or -1.
    int shownFrame() const
    {
        const QImage window = QGuiApplication::primaryScreen()
                                      ->grabWindow(WId(m_window))
                                      .toImage()
                                      .convertToFormat(QImage::Format_RGB32);
        // The picture fills the window's width at the movie's aspect, below the menu bar.
        const int height = qRound(window.width() * m_aspect);
        if (height <= 0 || height > window.height())
            return -1;
        const QRect picture(0, window.height() - height, window.width(), height);
        return frameIndexOf(window.copy(picture)).value_or(-1);
    }

    // Milliseconds until the picture shows the frame, or -1 when it does not within the
    // patience.
    qint64 waitForFrame(int frame) const
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < Patience) {
            if (shownFrame() == frame)
                return timer.elapsed();
            QThread::msleep(2);
        }
        return -1;
    }

private:
    const double m_aspect;
    QTemporaryDir m_scratch;
    QProcess m_process;
    quint64 m_window = 0;
};

struct Walk
{
    // Seconds from the last press to the picture on the last frame; negative: never.
    double settle = -1;
    // What the picture shows a second later.
    int finalFrame = -1;
};

Walk hold(Player &player, const QString &key, int to)
{
    player.press(QStringList(Presses, key), PressDelayMs);
    Walk walk;
    const qint64 ms = player.waitForFrame(to);
    walk.settle = ms < 0 ? -1 : double(ms) / 1000;
    QThread::msleep(1000);
    walk.finalFrame = player.shownFrame();
    return walk;
}

struct Round
{
    Walk back;
    Walk forward;
    double residentMiB = 0;
};

Round runRound(const QString &executable, const Fixture &fixture)
{
    Player player(executable, fixture);
    if (player.waitForFrame(0) < 0 && player.shownFrame() < 0)
        throw std::runtime_error("the player shows no readable picture");
    player.press({QStringLiteral("f")});
    QThread::msleep(500);
    player.focus();
    // A typed frame number stops playback there.
    player.press({QStringLiteral("KP_2"), QStringLiteral("KP_7"), QStringLiteral("KP_5")});
    player.press({QStringLiteral("Return")});
    if (player.waitForFrame(From) < 0)
        throw std::runtime_error("the typed frame is not shown: the picture shows "
                                 + std::to_string(player.shownFrame()));
    QThread::msleep(1000);
    Round round;
    round.back = hold(player, QStringLiteral("Left"), From - Presses);
    round.residentMiB = bench::residentMiB(player.pid());
    round.forward = hold(player, QStringLiteral("Right"), From);
    return round;
}

QString seconds(double value)
{
    return value < 0 ? QStringLiteral("never") : QString::number(value, 'f', 2);
}

int run(const QStringList &arguments, const bench::Xvfb &)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
            QStringLiteral("Holds ← and → on the real player and times the picture."));
    parser.addHelpOption();
    const QCommandLineOption fixturesOption = bench::fixturesOption();
    const QCommandLineOption playerOption(
            QStringLiteral("player"), QStringLiteral("The player to drive (the one built here)."),
            QStringLiteral("path"),
            QCoreApplication::applicationDirPath() + QStringLiteral("/../velmomp"));
    const QCommandLineOption beforeOption(
            QStringLiteral("before"),
            QStringLiteral("Another build of the player to drive beside it, e.g. an older one."),
            QStringLiteral("path"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
                                          QStringLiteral("Rounds per player and movie (3)."),
                                          QStringLiteral("count"), QStringLiteral("3"));
    parser.addOptions({fixturesOption, playerOption, beforeOption, roundsOption});
    parser.process(arguments);
    const int rounds = std::max(1, parser.value(roundsOption).toInt());

    QTemporaryDir temporary;
    const QDir folder = bench::fixturesFolder(parser, temporary);
    QList<Fixture> movies = {bench::h264Fixture(), bench::mjpegFixture()};
    for (Fixture &movie : movies)
        bench::makeFixture(movie, folder);
    QList<std::pair<QString, QString>> players
            = {{QStringLiteral("player"), parser.value(playerOption)}};
    if (parser.isSet(beforeOption))
        players.append({QStringLiteral("before"), parser.value(beforeOption)});

    out() << "# keyholdbench\n\n"
          << "- " << Presses << " presses of ← from frame " << From << ", then " << Presses
          << " of →, " << PressDelayMs << " ms apart (xdotool), display mode 640*480 (key F)\n"
          << "- machine: " << QThread::idealThreadCount() << " threads, "
          << QSysInfo::prettyProductName() << "\n\n"
          << "| movie | player | round | ← last press to frame " << From - Presses
          << " (s) | frame a second later | → last press to frame " << From
          << " (s) | frame a second later | resident MiB after ← |\n"
          << "|---|---|--:|--:|--:|--:|--:|--:|\n";
    for (const Fixture &movie : movies) {
        for (int round = 1; round <= rounds; ++round) {
            // Side by side: each round drives every player once.
            for (const auto &[name, executable] : players) {
                progress() << movie.name << ", " << name << ", round " << round << Qt::endl;
                const Round result = runRound(executable, movie);
                out() << "| " << movie.name << " | " << name << " | " << round << " | "
                      << seconds(result.back.settle) << " | " << result.back.finalFrame << " | "
                      << seconds(result.forward.settle) << " | " << result.forward.finalFrame
                      << " | " << QString::number(result.residentMiB, 'f', 0) << " |\n"
                      << Qt::flush;
            }
        }
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return bench::runWithWindows(argc, argv, "keyholdbench", run);
}
