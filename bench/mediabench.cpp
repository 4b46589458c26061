// mediabench: times opening a movie and reaching exact frames with the player's media device,
// beside the same work done by a bare libmpv client, and checks on every picture that the
// device shows the frame it was asked for.

#include "bench/console.h"
#include "bench/fixtures.h"
#include "bench/rawplayer.h"
#include "media/framemath.h"
#include "media/mediadevice.h"
#include "media/mpvdriver.h"
#include "support/testmovies.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QWidget>

#include <mpv/client.h>
#include <mpv/render.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using bench::EventDeadlineMs;
using bench::Fixture;
using bench::Options;
using bench::RawPlayer;

using bench::out;
using bench::progress;

QList<Fixture> fixtures()
{
    return {bench::h264Fixture(),
            bench::mjpegFixture(),
            bench::transportStreamFixture(),
            bench::variableRateFixture(),
            bench::storedPortraitHevcFixture(),
            bench::portraitHevcFixture(),
            bench::timedMpeg2Fixture(),
            bench::lowRateMpeg2Fixture(),
            bench::largeTransportStreamFixture()};
}

using bench::Samples;

qint64 timed(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed();
}

// Lets queued deliveries (the device's pictures, its event draining) happen between two
// commands, as the player's event loop does between two key presses.
void idle()
{
    QCoreApplication::processEvents();
}

// The player's media device on a movie, showing into a window of its own, without sound.
struct Player
{
    QWidget panel;
    media::MediaDevice device {
            std::make_unique<media::MpvDriver>(media::MpvOptions {{"ao", "null"}})};

    explicit Player(const Fixture &fixture)
    {
        panel.resize(fixture.view);
        device.Display = &panel;
        device.FileName = QFile::encodeName(fixture.path);
    }

    int shownFrame(QSize view, int readTurn)
    {
        QImage picture(view, QImage::Format_RGB32);
        picture.fill(Qt::black);
        device.PaintFrame(picture);
        return bench::frameOf(picture, readTurn);
    }
};

Options rawOptions(const QStringList &extra)
{
    Options options
            = {{"config", "no"},        {"terminal", "no"}, {"idle", "yes"}, {"pause", "yes"},
               {"keep-open", "always"}, {"vo", "libmpv"},   {"ao", "null"}};
    for (const QString &option : extra) {
        const qsizetype equals = option.indexOf(QLatin1Char('='));
        if (equals > 0)
            options.append({option.left(equals).toUtf8(), option.mid(equals + 1).toUtf8()});
    }
    return options;
}

struct Counts
{
    int opens = 10;
    int seeks = 50;
    int steps = 50;
};

struct Row
{
    QString operation;
    Samples player;
    Samples raw;
    int playerMismatches = 0;
    int rawMismatches = 0;
};

class Bench
{
public:
    Bench(Fixture fixture, Counts counts, Options raw)
        : m_fixture(std::move(fixture))
        , m_counts(counts)
        , m_rawOptions(std::move(raw))
    {}

    QList<Row> run()
    {
        QList<Row> rows
                = {{QStringLiteral("open to first frame"), {}, {}, 0, 0},
                   {QStringLiteral("exact seek to a random frame"), {}, {}, 0, 0},
                   {QStringLiteral("one frame forward"), {}, {}, 0, 0},
                   {QStringLiteral("one frame back"), {}, {}, 0, 0},
                   {QStringLiteral("first frame back into a group not kept"), {}, {}, 0, 0}};
        progress() << m_fixture.name << ": opening" << Qt::endl;
        measureOpens(rows[0]);
        if (m_fixture.opensOnly)
            return rows.mid(0, 1);
        progress() << m_fixture.name << ": player seeks and steps" << Qt::endl;
        measurePlayer(rows[1], rows[2], rows[3]);
        measureFirstBackSteps(rows[4]);
        progress() << m_fixture.name << ": libmpv seeks and steps" << Qt::endl;
        measureRaw(rows[1], rows[2], rows[3], rows[4]);
        return rows;
    }

    const QStringList &mismatches() const { return m_mismatches; }
    // Of this process, in MiB, with the player on its last frame after a walk back through a
    // whole group of pictures, and before that walk.
    double residentAfterWalk() const { return m_residentAfterWalk; }
    double residentBeforeWalk() const { return m_residentBeforeWalk; }
    qint32 length() const { return m_length; }

private:
    void mismatch(const QString &who, const QString &operation, int wanted, int shown,
                  const QString &more = {})
    {
        m_mismatches.append(QStringLiteral("%1, %2, %3: wanted frame %4, shows %5%6")
                                    .arg(m_fixture.name, who, operation)
                                    .arg(wanted)
                                    .arg(shown)
                                    .arg(more));
    }

    void checkPlayer(Player &player, Row &row, int wanted)
    {
        const int shown = player.shownFrame(m_fixture.view, m_fixture.readTurn);
        const qint32 position = player.device.QueryPosition();
        const quint32 error = player.device.LastError;
        if (shown == wanted && position == wanted && error == 0)
            return;
        ++row.playerMismatches;
        mismatch(QStringLiteral("player"), row.operation, wanted, shown,
                 QStringLiteral(" (position %1, error %2)").arg(position).arg(error));
    }

    void checkRaw(RawPlayer &raw, Row &row, int wanted, bool succeeded)
    {
        const int shown = bench::frameOf(raw.shownPicture(), m_fixture.readTurn);
        if (shown == wanted && succeeded)
            return;
        ++row.rawMismatches;
        mismatch(QStringLiteral("libmpv"), row.operation, wanted, shown,
                 succeeded ? QString() : QStringLiteral(" (no event)"));
    }

    double seekTime(int frame) const { return framemath::seekTime(frame, 0, m_fixture.fps); }

    void measureOpens(Row &row)
    {
        // Untimed first round: libraries and the file are in memory for every timed one.
        {
            Player warm(m_fixture);
            warm.device.OpenDevice();
            m_length = warm.device.QueryLength();
            RawPlayer(m_rawOptions, m_fixture.view).open(QFile::encodeName(m_fixture.path));
        }
        idle();

        for (int round = 0; round < m_counts.opens; ++round) {
            std::unique_ptr<Player> player;
            row.player.add(timed([&] {
                player = std::make_unique<Player>(m_fixture);
                player->device.OpenDevice();
                QImage picture(m_fixture.view, QImage::Format_RGB32);
                player->device.PaintFrame(picture);
            }));
            checkPlayer(*player, row, 0);
            player.reset();
            idle();

            std::unique_ptr<RawPlayer> raw;
            bool opened = false;
            row.raw.add(timed([&] {
                raw = std::make_unique<RawPlayer>(m_rawOptions, m_fixture.view);
                opened = raw->open(QFile::encodeName(m_fixture.path));
            }));
            checkRaw(*raw, row, 0, opened);
            raw.reset();
        }
    }

    // A player that has kept no pictures yet.
    std::unique_ptr<Player> openPlayer() const
    {
        auto player = std::make_unique<Player>(m_fixture);
        player->device.OpenDevice();
        if (m_fixture.view != m_fixture.size)
            player->device.PutDestination(QRect(QPoint(0, 0), m_fixture.view));
        idle();
        return player;
    }

    void measurePlayer(Row &seeks, Row &forward, Row &backward)
    {
        std::unique_ptr<Player> player = openPlayer();
        std::mt19937 random(20240607);
        std::uniform_int_distribution<int> anyFrame(0, m_fixture.frames - 1);
        for (int i = 0; i < m_counts.seeks; ++i) {
            const int target = anyFrame(random);
            seeks.player.add(timed([&] { player->device.SeekTo(target); }));
            checkPlayer(*player, seeks, target);
            idle();
        }

        // Each way on a player of its own: pictures kept on the way are not met again.
        const auto step = [&](Row &row, int from, int by) {
            player = openPlayer();
            player->device.SeekTo(from);
            idle();
            for (int i = 1; i <= m_counts.steps; ++i) {
                row.player.add(
                        timed([&] { player->device.SeekTo(player->device.QueryPosition() + by); }));
                checkPlayer(*player, row, from + i * by);
                idle();
            }
        };
        step(forward, m_fixture.forwardFrom, 1);
        step(backward, m_fixture.backwardFrom, -1);

        // On back through the rest of the group of pictures before the keyframe at 250.
        m_residentBeforeWalk = bench::residentMiB();
        while (player->device.QueryPosition() > 0) {
            player->device.SeekTo(player->device.QueryPosition() - 1);
            idle();
        }
        m_residentAfterWalk = bench::residentMiB();
    }

    // Frames deep into the second group of pictures, each the first step back of a player that
    // has kept nothing yet.
    QList<int> firstBackStepTargets() const
    {
        QList<int> targets;
        for (int frame = m_fixture.backwardFrom; frame < m_fixture.frames; frame += 23)
            targets.append(frame);
        return targets.mid(0, 10);
    }

    void measureFirstBackSteps(Row &row)
    {
        for (int from : firstBackStepTargets()) {
            const std::unique_ptr<Player> player = openPlayer();
            player->device.SeekTo(from);
            idle();
            row.player.add(timed([&] { player->device.SeekTo(from - 1); }));
            checkPlayer(*player, row, from - 1);
        }
    }

    void measureRaw(Row &seeks, Row &forward, Row &backward, Row &firstBack)
    {
        RawPlayer raw(m_rawOptions, m_fixture.view);
        if (!raw.open(QFile::encodeName(m_fixture.path)))
            throw std::runtime_error("libmpv cannot open the movie");
        raw.observeStepping();

        std::mt19937 random(20240607);
        std::uniform_int_distribution<int> anyFrame(0, m_fixture.frames - 1);
        for (int i = 0; i < m_counts.seeks; ++i) {
            const int target = anyFrame(random);
            bool done = false;
            seeks.raw.add(timed([&] { done = raw.seekExact(seekTime(target)); }));
            checkRaw(raw, seeks, target, done);
        }

        const auto step = [&](Row &row, int from, int by, const std::function<bool()> &once) {
            raw.seekExact(seekTime(from));
            for (int i = 1; i <= m_counts.steps; ++i) {
                bool done = false;
                row.raw.add(timed([&] { done = once(); }));
                checkRaw(raw, row, from + i * by, done);
            }
        };
        step(forward, m_fixture.forwardFrom, 1, [&] { return raw.frameStep(); });
        step(backward, m_fixture.backwardFrom, -1, [&] { return raw.frameBackStep(); });
        // Beside the player's first step back: an exact seek to the same frame.
        for (int from : firstBackStepTargets()) {
            raw.seekExact(seekTime(from));
            bool done = false;
            firstBack.raw.add(timed([&] { done = raw.seekExact(seekTime(from - 1)); }));
            checkRaw(raw, firstBack, from - 1, done);
        }
    }

    Fixture m_fixture;
    Counts m_counts;
    double m_residentBeforeWalk = 0;
    double m_residentAfterWalk = 0;
    Options m_rawOptions;
    QStringList m_mismatches;
    qint32 m_length = 0;
};

QString ms(double value)
{
    return QString::number(value, 'f', value < 10 ? 2 : 1);
}

QString engineVersion()
{
    const std::unique_ptr<mpv_handle, void (*)(mpv_handle *)> mpv(mpv_create(),
                                                                  &mpv_terminate_destroy);
    if (!mpv)
        return QStringLiteral("libmpv (cannot start)");
    mpv_set_option_string(mpv.get(), "config", "no");
    mpv_initialize(mpv.get());
    QString text;
    for (const char *name : {"mpv-version", "ffmpeg-version"}) {
        char *value = mpv_get_property_string(mpv.get(), name);
        if (value == nullptr)
            continue;
        if (!text.isEmpty())
            text += QStringLiteral(", FFmpeg ");
        text += QString::fromUtf8(value);
        mpv_free(value);
    }
    return text;
}

int run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
            "Times opening and exact positioning of the media device against bare libmpv."));
    parser.addHelpOption();
    const QCommandLineOption fixturesOption = bench::fixturesOption();
    const QCommandLineOption opensOption(QStringLiteral("opens"),
                                         QStringLiteral("Opens per movie (10)."),
                                         QStringLiteral("count"), QStringLiteral("10"));
    const QCommandLineOption seeksOption(QStringLiteral("seeks"),
                                         QStringLiteral("Random seeks per movie (50)."),
                                         QStringLiteral("count"), QStringLiteral("50"));
    const QCommandLineOption stepsOption(QStringLiteral("steps"),
                                         QStringLiteral("Steps each way per movie (50)."),
                                         QStringLiteral("count"), QStringLiteral("50"));
    const QCommandLineOption rawOption(
            QStringLiteral("raw-option"),
            QStringLiteral("Extra libmpv option for the bare player, e.g. "
                           "hr-seek-demuxer-offset=1; may be repeated."),
            QStringLiteral("name=value"));
    const QCommandLineOption onlyOption(
            QStringLiteral("only"),
            QStringLiteral("Only the movies whose file name holds this text; may be repeated."),
            QStringLiteral("text"));
    parser.addOptions(
            {fixturesOption, opensOption, seeksOption, stepsOption, rawOption, onlyOption});
    parser.process(arguments);

    Counts counts;
    counts.opens = std::max(1, parser.value(opensOption).toInt());
    counts.seeks = std::max(1, parser.value(seeksOption).toInt());
    // The steps start at frames 225 and 275: more would run off the start of the movies.
    counts.steps = std::clamp(parser.value(stepsOption).toInt(), 1, 224);
    const QStringList rawExtra = parser.values(rawOption);
    const Options raw = rawOptions(rawExtra);

    QTemporaryDir temporary;
    const QDir folder = bench::fixturesFolder(parser, temporary);

    QList<Fixture> movies = fixtures();
    if (const QStringList only = parser.values(onlyOption); !only.isEmpty()) {
        movies.removeIf([&](const Fixture &fixture) {
            return std::none_of(only.begin(), only.end(), [&](const QString &text) {
                return fixture.fileName.contains(text);
            });
        });
    }
    for (Fixture &fixture : movies)
        bench::makeFixture(fixture, folder);

    QStringList rawText;
    for (const auto &[name, value] : raw)
        rawText.append(QString::fromUtf8(name + '=' + value));

    out() << "# mediabench\n\n"
          << "- engine: " << engineVersion() << '\n'
          << "- machine: " << QThread::idealThreadCount() << " threads, "
          << QSysInfo::prettyProductName() << '\n'
          << "- rounds: " << counts.opens << " opens, " << counts.seeks << " random seeks, "
          << counts.steps << " steps each way per movie\n"
          << "- player: media::MediaDevice on media::MpvDriver({ao=null})\n"
          << "- libmpv: " << rawText.join(QStringLiteral(" ")) << ", software renderer\n"
          << Qt::endl;

    QStringList mismatches;
    QString table = QStringLiteral(
            "| fixture | operation | player median ms | player p95 ms | libmpv median ms "
            "| libmpv p95 ms | ratio (median) | frame mismatches | libmpv mismatches |\n"
            "|---|---|--:|--:|--:|--:|--:|--:|--:|\n");
    QStringList frameTimes;
    QMap<QString, QList<Row>> rowsOf;
    for (const Fixture &fixture : movies) {
        Bench bench(fixture, counts, rawOptions(rawExtra + fixture.rawOptions));
        const QList<Row> rows = bench.run();
        rowsOf.insert(fixture.fileName, rows);
        mismatches += bench.mismatches();
        const double frameTime = 1000.0 / fixture.fps;
        frameTimes.append(QStringLiteral("- %1: %2 frames (the player counts %3) at %4 fps, "
                                         "one frame = %5 ms")
                                  .arg(fixture.name)
                                  .arg(fixture.frames)
                                  .arg(bench.length())
                                  .arg(fixture.fps)
                                  .arg(ms(frameTime)));
        if (bench.residentAfterWalk() > 0) {
            frameTimes.append(QStringLiteral("  - resident: %1 MiB after the steps back, %2 MiB "
                                             "after walking on back to frame 0")
                                      .arg(bench.residentBeforeWalk(), 0, 'f', 0)
                                      .arg(bench.residentAfterWalk(), 0, 'f', 0));
        }
        for (const Row &row : rows) {
            table += QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 |\n")
                             .arg(fixture.name, row.operation, ms(row.player.median()),
                                  ms(row.player.p95()), ms(row.raw.median()), ms(row.raw.p95()),
                                  QString::number(row.player.median() / row.raw.median(), 'f', 2))
                             .arg(row.playerMismatches)
                             .arg(row.rawMismatches);
        }
    }
    out() << table << '\n' << frameTimes.join(QLatin1Char('\n')) << "\n\n";
    // Movies the player reads differently beside the same movie read the plain way.
    const struct
    {
        const char *what;
        Fixture tried;
        Fixture plain;
    } pairs[] = {
            {"portrait HEVC turned upright / as stored", bench::portraitHevcFixture(),
             bench::storedPortraitHevcFixture()},
            {"MPEG-2 PS low rate / every picture timed", bench::lowRateMpeg2Fixture(),
             bench::timedMpeg2Fixture()},
    };
    out() << "| player, median ms | operation | tried | plain | ratio |\n|---|---|--:|--:|--:|\n";
    for (const auto &pair : pairs) {
        const QList<Row> tried = rowsOf.value(pair.tried.fileName);
        const QList<Row> plain = rowsOf.value(pair.plain.fileName);
        for (qsizetype i = 0; i < std::min(tried.size(), plain.size()); ++i) {
            out() << QStringLiteral("| %1 | %2 | %3 | %4 | %5 |\n")
                             .arg(QLatin1String(pair.what), tried[i].operation,
                                  ms(tried[i].player.median()), ms(plain[i].player.median()),
                                  QString::number(tried[i].player.median()
                                                          / plain[i].player.median(),
                                                  'f', 2));
        }
    }
    out() << '\n';
    if (mismatches.isEmpty()) {
        out() << "Every picture showed the frame asked for." << Qt::endl;
    } else {
        out() << "Pictures that did not show the frame asked for:\n\n";
        for (const QString &line : std::as_const(mismatches))
            out() << "- " << line << '\n';
        out() << Qt::flush;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // libmpv refuses to start under a locale whose decimal point is not a dot.
    std::setlocale(LC_NUMERIC, "C");
    try {
        return run(QApplication::arguments());
    } catch (const std::exception &error) {
        progress() << "mediabench: " << error.what() << Qt::endl;
        return 1;
    }
}
