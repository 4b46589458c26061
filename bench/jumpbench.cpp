// jumpbench: the real player on a private Xvfb server, opened on two-hour movies (180,000 frames)
// of four containers with the file out of the page cache, a frame in the last minute typed on
// the keypad right after the open, another frame once the frame table is whole, and the first
// again after a second open that finds the table kept. The frame is read from the window's
// pixels. Beside it, in this process: the whole table read from the packets and from the index,
// and the kept table loaded, each beside cat reading the same file cold; and the same jumps on
// the one-minute movie the long ones are joined from.

#include "bench/console.h"
#include "bench/fixtures.h"
#include "bench/longmovieplayer.h"
#include "bench/longmovies.h"
#include "bench/pagecache.h"
#include "bench/xvfb.h"
#include "media/frametable.h"
#include "media/frametablecache.h"
#include "support/testmovies.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <exception>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

using bench::out;
using bench::progress;
using bench::words;
using namespace bench::longmovies;

// Drops the file from the page cache; returns the share left, in percent, which the report shows.
double drop(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    bench::evict(name);
    return 100 * bench::residentShare(name);
}

// The table entries the player left in the cache folder.
QFileInfoList keptEntries(const QString &cacheHome)
{
    return QDir(cacheHome + QStringLiteral("/velmomp"))
            .entryInfoList({QStringLiteral("*.table")}, QDir::Files);
}

// ---- one movie in the player ----

struct Open
{
    double cachedBefore = -1;
    double firstPicture = -1;
    int firstIndex = -1;
    double afterOpen = -1;
    int afterOpenShown = -1;
    // Seconds from the start until the kept entry appeared; -1 when none was awaited or came.
    double tableKept = -1;
    double later = -1;
    int laterShown = -1;
    double laterPlaying = -1;
    int laterPlayingShown = -1;
    bool quitItself = false;
};

struct Targets
{
    qint64 afterOpen = 0;
    qint64 later = 0;
    qint64 laterPlaying = 0;
};

// Ten frames after a keyframe, at an index of the minute that needs bit 10, in the last minute;
// ten after another at about two thirds, at an index playback does not reach in seconds; and ten
// after a third at about a third.
Targets targetsFor(int segments)
{
    return {qint64(segments - 1) * SegmentFrames + 1260,
            qint64(segments * 2 / 3) * SegmentFrames + 510,
            qint64(segments / 3) * SegmentFrames + 1010};
}

// How long the movie plays before the jump made while playing.
constexpr int PlayingMs = 1000;

struct PlayerRun
{
    Open first;
    Open second;
};

Open openAndJump(const QString &executable, const QString &path, const QString &cacheHome,
                 const Targets &targets, int settleMs, bool awaitEntry)
{
    Open open;
    open.cachedBefore = drop(path);
    Player player(executable, path, cacheHome);
    std::tie(open.firstPicture, open.firstIndex) = player.waitForFirstPicture();
    if (open.firstPicture < 0)
        throw std::runtime_error("the player shows no readable picture");
    std::tie(open.afterOpen, open.afterOpenShown) = player.jump(targets.afterOpen);
    if (awaitEntry) {
        while (keptEntries(cacheHome).isEmpty()
               && player.secondsSinceStart() * 1000 < KeptTablePatienceMs)
            QThread::msleep(100);
        if (!keptEntries(cacheHome).isEmpty())
            open.tableKept = player.secondsSinceStart();
    } else {
        QThread::msleep(settleMs);
    }
    std::tie(open.later, open.laterShown) = player.jump(targets.later);
    // The movie plays from the open on: the jump right after it is one made while playing.
    player.play();
    QThread::msleep(PlayingMs);
    std::tie(open.laterPlaying, open.laterPlayingShown) = player.jump(targets.laterPlaying);
    open.quitItself = player.quit();
    progress() << "  first picture " << open.firstPicture << " s (frame " << open.firstIndex
               << "), jump right after the open " << open.afterOpen << " s (shows "
               << open.afterOpenShown << "), table kept after " << open.tableKept
               << " s, later jump " << open.later << " s (shows " << open.laterShown
               << "), later jump while playing " << open.laterPlaying << " s (shows "
               << open.laterPlayingShown << ")" << Qt::endl;
    return open;
}

// ---- tables read in this process ----

struct Reading
{
    double catFirst = -1;
    double cat = -1;
    double packets = -1;
    qint64 packetFrames = -1;
    double index = -1;
    qint64 indexFrames = -1;
    qint64 entryBytes = -1;
    double load = -1;
    qint64 loadFrames = -1;
    double cachedBefore = 0;
};

double timed(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

Reading readTables(const QString &path, const QString &cacheHome)
{
    Reading reading;
    const QByteArray name = QFile::encodeName(path);
    const auto coldly = [&](const std::function<void()> &work) {
        reading.cachedBefore = std::max(reading.cachedBefore, drop(path));
        return timed(work);
    };
    const auto cat = [&] {
        return coldly([&] {
            QProcess process;
            process.setStandardOutputFile(QProcess::nullDevice());
            process.start(QStringLiteral("cat"), {path});
            if (!process.waitForFinished(-1) || process.exitCode() != 0)
                throw std::runtime_error("cat failed on " + path.toStdString());
        });
    };
    // Under a virtual machine the host may keep what the first read brought in: cat runs first
    // and last, and the faster of the two is the reference.
    const double catFirst = cat();
    std::optional<media::CachedTable> table;
    reading.packets
            = coldly([&] { table = media::readFrameTable(name, media::TableReading::Packets); });
    reading.packetFrames = table ? qint64(table->frames.size()) : -1;
    reading.index
            = coldly([&] { table = media::readFrameTable(name, media::TableReading::Index); });
    reading.indexFrames = table ? qint64(table->frames.size()) : -1;
    reading.catFirst = catFirst;
    reading.cat = std::min(catFirst, cat());
    const QFileInfoList entries = keptEntries(cacheHome);
    const std::optional<media::ContentKey> key = media::contentKeyOf(name);
    if (!entries.isEmpty() && key) {
        reading.entryBytes = entries.first().size();
        drop(entries.first().filePath());
        reading.load = timed([&] {
            table = media::FrameTableCache(cacheHome + QStringLiteral("/velmomp")).load(*key);
        });
        reading.loadFrames = table ? qint64(table->frames.size()) : -1;
    }
    return reading;
}

// ---- the report ----

// The median, a failure (negative) counting as slower than any time; negative when most failed.
double median(QList<double> values)
{
    if (values.isEmpty())
        return -1;
    for (double &value : values) {
        if (value < 0)
            value = std::numeric_limits<double>::infinity();
    }
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    const double result = values.size() % 2 != 0 ? values.at(middle)
                                                 : (values.at(middle - 1) + values.at(middle)) / 2;
    return std::isfinite(result) ? result : -1;
}

QString seconds(double value, int decimals = 2)
{
    return value < 0 ? QStringLiteral("never") : QString::number(value, 'f', decimals);
}

QString ratio(double numerator, double denominator)
{
    return numerator < 0 || denominator <= 0 ? QStringLiteral("-")
                                             : QString::number(numerator / denominator, 'f', 2);
}

QString shownText(double time, int shown)
{
    return time < 0 ? QStringLiteral("never (shows %1)").arg(shown) : seconds(time);
}

template<typename Item, typename Get> double medianOf(const QList<Item> &items, Get get)
{
    QList<double> values;
    for (const Item &item : items)
        values.append(get(item));
    return median(values);
}

struct MovieFiles
{
    Movie movie;
    QString longPath;
    QString shortPath;
    QList<PlayerRun> longRuns;
    QList<PlayerRun> shortRuns;
    QList<Reading> readings;
};

void reportOpens(const QString &title, const QList<PlayerRun> &runs, const Targets &targets,
                 const QString &movie, bool second)
{
    const auto pick = [second](const PlayerRun &run) { return second ? run.second : run.first; };
    const Open last = pick(runs.last());
    const double first = medianOf(runs, [&](const PlayerRun &r) { return pick(r).firstPicture; });
    const double after = medianOf(runs, [&](const PlayerRun &r) { return pick(r).afterOpen; });
    const double kept = medianOf(runs, [&](const PlayerRun &r) { return pick(r).tableKept; });
    const double later = medianOf(runs, [&](const PlayerRun &r) { return pick(r).later; });
    const double playing = medianOf(runs, [&](const PlayerRun &r) { return pick(r).laterPlaying; });
    double cached = 0;
    bool quitItself = true;
    for (const PlayerRun &run : runs) {
        cached = std::max(cached, pick(run).cachedBefore);
        quitItself = quitItself && pick(run).quitItself;
    }
    out() << "| " << movie << " | " << title << " | " << (second ? "second" : "first") << " | "
          << QString::number(cached, 'f', 0) << "% | " << seconds(first) << " (" << last.firstIndex
          << ") | " << targets.afterOpen << ": " << shownText(after, last.afterOpenShown) << " | "
          << (kept < 0 ? QStringLiteral("-") : seconds(kept, 1)) << " | " << targets.later << ": "
          << shownText(later, last.laterShown) << " | " << ratio(after, later) << " | "
          << targets.laterPlaying << ": " << shownText(playing, last.laterPlayingShown) << " | "
          << ratio(after, playing) << " | " << (quitItself ? "yes" : "no, killed") << " |\n"
          << Qt::flush;
}

// The first two figures of /proc/loadavg: the machine is shared, and a busy one reads tables
// slower in the background.
QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    const QList<QByteArray> fields = file.readAll().split(' ');
    return QString::fromLatin1(fields.value(0) + " (1 min), " + fields.value(1) + " (5 min)");
}

QString mib(qint64 bytes)
{
    return QString::number(double(bytes) / (1 << 20), 'f', 0);
}

int run(const QStringList &arguments, const bench::Xvfb &)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
            QStringLiteral("Times typed jumps in the real player on two-hour movies."));
    parser.addHelpOption();
    const QCommandLineOption fixturesOption = bench::fixturesOption();
    const QCommandLineOption playerOption(
            QStringLiteral("player"), QStringLiteral("The player to drive (the one built here)."),
            QStringLiteral("path"),
            QCoreApplication::applicationDirPath() + QStringLiteral("/../velmomp"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
                                          QStringLiteral("Rounds per movie (1)."),
                                          QStringLiteral("count"), QStringLiteral("1"));
    const QCommandLineOption onlyOption(QStringLiteral("only"),
                                        QStringLiteral("Only these containers: mp4,mkv,ts,avi."),
                                        QStringLiteral("list"));
    const QCommandLineOption segmentsOption(
            QStringLiteral("segments"),
            QStringLiteral("Minutes in a long movie (120); other counts name other files."),
            QStringLiteral("count"), QStringLiteral("120"));
    const QCommandLineOption settleOption(
            QStringLiteral("settle"),
            QStringLiteral("Seconds to wait before the later jump where no table is kept (20)."),
            QStringLiteral("seconds"), QStringLiteral("20"));
    parser.addOptions(
            {fixturesOption, playerOption, roundsOption, onlyOption, segmentsOption, settleOption});
    parser.process(arguments);
    const int rounds = std::max(1, parser.value(roundsOption).toInt());
    const int segments = std::max(2, parser.value(segmentsOption).toInt());
    const int settleMs = std::max(1, parser.value(settleOption).toInt()) * 1000;
    const QString executable = QFileInfo(parser.value(playerOption)).absoluteFilePath();
    if (!QFileInfo(executable).isExecutable())
        throw std::runtime_error("no player at " + executable.toStdString());

    QTemporaryDir temporary;
    const QDir folder = bench::fixturesFolder(parser, temporary);
    const QStringList only = parser.value(onlyOption).split(u',', Qt::SkipEmptyParts);

    QElapsedTimer whole;
    whole.start();
    const QString loadBefore = loadAverage();
    QList<MovieFiles> movies;
    for (const Movie &movie : allMovies()) {
        if (!only.isEmpty() && !only.contains(movie.key))
            continue;
        const QString segment = makeSegment(folder, movie.mpeg4);
        const QString longName = segments == 120
                ? QStringLiteral("long.%1").arg(movie.key)
                : QStringLiteral("long-%1min.%2").arg(segments).arg(movie.key);
        movies.append({movie,
                       makeJoined(folder, movie, segment, segments, longName),
                       makeJoined(folder, movie, segment, 1, QStringLiteral("short.") + movie.key),
                       {},
                       {},
                       {}});
    }
    const double makingSeconds = double(whole.elapsed()) / 1000;
    const QString loadAfterMaking = loadAverage();
    const Targets longTargets = targetsFor(segments);
    const Targets shortTargets = targetsFor(1);

    // The cache folders outlive the players: the in-process readings load the kept entries.
    std::vector<std::unique_ptr<QTemporaryDir>> cacheHomes;
    QMap<QString, QString> lastCacheHome;
    for (int round = 1; round <= rounds; ++round) {
        for (MovieFiles &files : movies) {
            for (const bool isLong : {true, false}) {
                const QString &path = isLong ? files.longPath : files.shortPath;
                progress() << files.movie.name << (isLong ? ", long" : ", short") << ", round "
                           << round << Qt::endl;
                cacheHomes.push_back(std::make_unique<QTemporaryDir>());
                const QString cacheHome = cacheHomes.back()->path();
                const Targets &targets = isLong ? longTargets : shortTargets;
                // Only a long table read from the packets is kept.
                const bool awaitEntry = isLong && !files.movie.fromIndex;
                PlayerRun run;
                run.first = openAndJump(executable, path, cacheHome, targets,
                                        isLong ? settleMs : settleMs / 4, awaitEntry);
                run.second = openAndJump(executable, path, cacheHome, targets, settleMs / 4, false);
                (isLong ? files.longRuns : files.shortRuns).append(run);
                if (isLong)
                    lastCacheHome[files.movie.key] = cacheHome;
            }
            progress() << files.movie.name << ", tables in this process, round " << round
                       << Qt::endl;
            files.readings.append(readTables(files.longPath, lastCacheHome[files.movie.key]));
        }
    }

    out() << "# jumpbench\n\n"
          << "- movies: ffmpeg's testsrc2 at 1920x1080, " << Fps
          << " fps, with the frame band; a one-minute segment (" << SegmentFrames
          << " frames, a keyframe every " << KeyframeInterval
          << "; H.264 with libx264 -preset ultrafast, MPEG-4 Visual with mpeg4 for the AVI; "
             "-b:v 1800k -maxrate 2400k; no sound) joined "
          << segments << " times with the concat demuxer and -c copy: " << segments * SegmentFrames
          << " frames, " << segments << " minutes\n"
          << "- each movie dropped from the page cache (fdatasync, posix_fadvise DONTNEED) "
             "before every open and every read\n"
          << "- machine: " << QThread::idealThreadCount() << " threads, "
          << QSysInfo::prettyProductName() << "; " << rounds << " round(s); making the movies "
          << QString::number(makingSeconds, 'f', 0) << " s\n"
          << "- load average at the start " << loadBefore << ", once the movies were ready "
          << loadAfterMaking << ", at the end " << loadAverage() << "\n\n"
          << "## Typed jumps in the player\n\n"
          << "Seconds from KP_Enter to the picture on the frame (the picture staying " << StillMs
          << " ms); the reference is the later jump in the same open, once the table is whole "
             "(after the kept entry appeared, or "
          << settleMs / 1000 << " s; " << settleMs / 4000
          << " s for the second open and the short movie). The second open has the same cache "
             "folder as the first. The movie plays from the open on (the default settings), so the "
             "jump right after the open is made while playing; the later jump is made stopped, and "
             "one more while playing, "
          << PlayingMs << " ms after P.\n\n"
          << "| movie | length | open | cached before | start to first picture, s (frame) | "
             "jump right after the open, s | table kept after, s | later jump, s | "
             "after the open / later | later jump while playing, s | after the open / later "
             "while playing | quit by Q |\n"
          << "|---|---|---|--:|--:|--:|--:|--:|--:|--:|--:|---|\n";
    for (const MovieFiles &files : movies) {
        for (const bool second : {false, true}) {
            reportOpens(QStringLiteral("%1 min").arg(segments), files.longRuns, longTargets,
                        files.movie.name, second);
        }
        for (const bool second : {false, true})
            reportOpens(QStringLiteral("1 min"), files.shortRuns, shortTargets, files.movie.name,
                        second);
    }

    out() << "\n## Short beside long (first open)\n\n"
          << "| movie | start to first picture: 1 min, s | " << segments
          << " min, s | long / short | jump right after the open: 1 min, s | " << segments
          << " min, s | long / short |\n"
          << "|---|--:|--:|--:|--:|--:|--:|\n";
    for (const MovieFiles &files : movies) {
        const auto first = [](const PlayerRun &r) { return r.first.firstPicture; };
        const auto after = [](const PlayerRun &r) { return r.first.afterOpen; };
        const double shortFirst = medianOf(files.shortRuns, first);
        const double longFirst = medianOf(files.longRuns, first);
        const double shortAfter = medianOf(files.shortRuns, after);
        const double longAfter = medianOf(files.longRuns, after);
        out() << "| " << files.movie.name << " | " << seconds(shortFirst) << " | "
              << seconds(longFirst) << " | " << ratio(longFirst, shortFirst) << " | "
              << seconds(shortAfter) << " | " << seconds(longAfter) << " | "
              << ratio(longAfter, shortAfter) << " |\n";
    }

    out() << "\n## Whole tables read in this process, beside cat (cold)\n\n"
          << "`media::readFrameTable()` from every packet and from the index, `cat file > "
             "/dev/null` (the faster of a read before the tables and one after), and the entry "
             "the player kept loaded with `FrameTableCache::load()` (the entry dropped from the "
             "page cache too); frames must be "
          << segments * SegmentFrames << ".\n\n"
          << "| movie | MiB | cached before | cat before the tables, s | cat, s | packets, s | "
             "packets / cat | frames | "
             "index, s | index / cat | frames | kept entry, KiB | entry load, ms | load / cat | "
             "frames |\n"
          << "|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|\n";
    for (const MovieFiles &files : movies) {
        const QList<Reading> &r = files.readings;
        const Reading &last = r.last();
        const double catFirst = medianOf(r, [](const Reading &x) { return x.catFirst; });
        const double cat = medianOf(r, [](const Reading &x) { return x.cat; });
        const double packets = medianOf(r, [](const Reading &x) { return x.packets; });
        const double index = medianOf(r, [](const Reading &x) { return x.index; });
        const double load = medianOf(r, [](const Reading &x) { return x.load; });
        double cached = 0;
        for (const Reading &x : r)
            cached = std::max(cached, x.cachedBefore);
        const auto frames = [](qint64 count) {
            return count < 0 ? QStringLiteral("none") : QString::number(count);
        };
        out() << "| " << files.movie.name << " | " << mib(QFileInfo(files.longPath).size()) << " | "
              << QString::number(cached, 'f', 0) << "% | " << seconds(catFirst) << " | "
              << seconds(cat) << " | " << seconds(packets) << " | " << ratio(packets, cat) << " | "
              << frames(last.packetFrames) << " | "
              << (last.indexFrames < 0 ? QStringLiteral("none (%1)").arg(seconds(index, 3))
                                       : seconds(index, 3))
              << " | " << (last.indexFrames < 0 ? QStringLiteral("-") : ratio(index, cat)) << " | "
              << frames(last.indexFrames) << " | "
              << (last.entryBytes < 0 ? QStringLiteral("none")
                                      : QString::number(double(last.entryBytes) / 1024, 'f', 0))
              << " | " << (load < 0 ? QStringLiteral("-") : QString::number(load * 1000, 'f', 1))
              << " | " << ratio(load, cat) << " | " << frames(last.loadFrames) << " |\n";
    }

    out() << "\n## The first open's table beside cat\n\n"
          << "For movies without an index: seconds from the first picture (the player reads a long "
             "movie's table once it shows it) until the kept entry appeared, beside `cat` of the "
             "same file after the same drop (before the tables) and at its faster.\n\n"
          << "| movie | table kept after the first picture, s | cat before the tables, s | "
             "table / cat before | cat, s | table / cat |\n"
          << "|---|--:|--:|--:|--:|--:|\n";
    for (const MovieFiles &files : movies) {
        if (files.movie.fromIndex)
            continue;
        const double reading = medianOf(files.longRuns, [](const PlayerRun &r) {
            return r.first.tableKept < 0 ? -1 : r.first.tableKept - r.first.firstPicture;
        });
        const QList<Reading> &r = files.readings;
        const double catFirst = medianOf(r, [](const Reading &x) { return x.catFirst; });
        const double cat = medianOf(r, [](const Reading &x) { return x.cat; });
        out() << "| " << files.movie.name << " | " << seconds(reading) << " | " << seconds(catFirst)
              << " | " << ratio(reading, catFirst) << " | " << seconds(cat) << " | "
              << ratio(reading, cat) << " |\n";
    }
    out() << "\nOne run took " << QString::number(double(whole.elapsed()) / 60000, 'f', 1)
          << " minutes, making the movies included.\n"
          << Qt::flush;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return bench::runWithWindows(argc, argv, "jumpbench", run);
}
