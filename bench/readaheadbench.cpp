// readaheadbench: times the player's two read-ahead speed-ups, reading a movie once so that the
// disk cache holds it and copying it to the temporary folder, beside cat and cp doing the same to
// the same file, with the page cache holding the file and without.

#include "bench/console.h"
#include "bench/pagecache.h"
#include "playlist/readahead.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <fcntl.h>
#include <functional>
#include <random>
#include <spawn.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 MiB = 1024 * 1024;

using bench::out;
using bench::progress;

using bench::Descriptor;
using bench::evict;
using bench::residentShare;
using bench::Samples;

QString ms(double value)
{
    return QString::number(value, 'f', value < 10 ? 2 : 1);
}

// Random bytes, so that no layer can shortcut zeros or repeats.
void makeFile(const QByteArray &path, qint64 size)
{
    const Descriptor file(path, O_WRONLY | O_CREAT | O_TRUNC);
    std::mt19937_64 random(20240611);
    std::vector<quint64> block(MiB / sizeof(quint64));
    for (qint64 written = 0; written < size; written += MiB) {
        std::generate(block.begin(), block.end(), std::ref(random));
        if (::write(file.fd(), block.data(), MiB) != MiB)
            throw std::runtime_error("cannot write " + path.toStdString());
    }
    if (::fdatasync(file.fd()) != 0)
        throw std::runtime_error("cannot flush " + path.toStdString());
}

// Writes a copy's dirty pages to the disk and deletes it, so that write-back of one run does not
// slow the next.
void settle(const QByteArray &copy)
{
    {
        const Descriptor file(copy, O_RDONLY);
        ::fdatasync(file.fd());
    }
    ::unlink(copy.constData());
}

bool sameContents(const QByteArray &a, const QByteArray &b)
{
    QFile first(QFile::decodeName(a)), second(QFile::decodeName(b));
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly)
        || first.size() != second.size())
        return false;
    while (!first.atEnd())
        if (first.read(MiB) != second.read(MiB))
            return false;
    return true;
}

// posix_spawn, not QProcess: its start costs several times more and would hide the tool's work.
void runTool(const char *program, const QList<QByteArray> &arguments)
{
    std::vector<char *> argv {const_cast<char *>(program)};
    for (const QByteArray &argument : arguments)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int failure = ::posix_spawnp(&child, program, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (failure != 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)
        || WEXITSTATUS(status) != 0)
        throw std::runtime_error(std::string(program) + " failed");
}

qint64 timed(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed();
}

struct Row
{
    Row(const QString &operation, const QString &reference, bool cold)
        : operation(operation)
        , reference(reference)
        , cold(cold)
    {}

    QString operation;
    QString reference;
    bool cold;
    Samples player;
    Samples tool;
    // The page cache's share of the source before each timed run, lowest and highest.
    double leastResident = 1;
    double mostResident = 0;
};

class Bench
{
public:
    Bench(const QByteArray &folder, int runs)
        : m_source(folder + "/movie.avi")
        , m_copy(folder + "/VelmoMPtemp.avi")
        , m_runs(runs)
    {}

    void makeSource(qint64 size) { makeFile(m_source, size); }
    QByteArray source() const { return m_source; }

    Row warmUps(bool cold)
    {
        Row row(QStringLiteral("read whole file once"), QStringLiteral("`cat file > /dev/null`"),
                cold);
        for (int run = 0; run < m_runs; ++run) {
            prepare(row);
            row.player.add(timed([this] { playlist::warmUp(m_source); }));
            prepare(row);
            row.tool.add(timed([this] { runTool("cat", {m_source}); }));
        }
        return row;
    }

    Row copies(bool cold)
    {
        Row row(QStringLiteral("copy to the temporary folder"), QStringLiteral("`cp file dest`"),
                cold);
        for (int run = 0; run < m_runs; ++run) {
            prepare(row);
            row.player.add(timed([this] {
                if (!playlist::copyFile(m_source, m_copy))
                    throw std::runtime_error("the player's copy failed");
            }));
            if (run == 0 && !sameContents(m_source, m_copy))
                throw std::runtime_error("the player's copy differs from the file");
            settle(m_copy);
            prepare(row);
            row.tool.add(timed([this] { runTool("cp", {m_source, m_copy}); }));
            settle(m_copy);
        }
        return row;
    }

    // A process start alone, for reading the tools' times.
    Samples processStarts()
    {
        Samples starts;
        for (int run = 0; run < m_runs; ++run)
            starts.add(timed([] { runTool("cat", {"/dev/null"}); }));
        return starts;
    }

private:
    void prepare(Row &row)
    {
        if (row.cold)
            evict(m_source);
        else
            playlist::warmUp(m_source);
        const double share = residentShare(m_source);
        row.leastResident = std::min(row.leastResident, share);
        row.mostResident = std::max(row.mostResident, share);
    }

    QByteArray m_source;
    QByteArray m_copy;
    int m_runs;
};

QString percent(double share)
{
    return QString::number(share * 100, 'f', 0) + u'%';
}

int run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
            "Times the player's read-ahead (whole read, temporary copy) against cat and cp."));
    parser.addHelpOption();
    const QCommandLineOption sizeOption(QStringLiteral("size"),
                                        QStringLiteral("Size of the file in MiB (200)."),
                                        QStringLiteral("MiB"), QStringLiteral("200"));
    const QCommandLineOption runsOption(QStringLiteral("runs"),
                                        QStringLiteral("Runs of each operation (9)."),
                                        QStringLiteral("count"), QStringLiteral("9"));
    const QCommandLineOption folderOption(
            QStringLiteral("folder"),
            QStringLiteral("Make the file and its copies in <folder> (a new temporary folder)."),
            QStringLiteral("folder"));
    parser.addOptions({sizeOption, runsOption, folderOption});
    parser.process(arguments);
    const int sizeMiB = std::max(1, parser.value(sizeOption).toInt());
    const int runs = std::max(1, parser.value(runsOption).toInt());

    QTemporaryDir temporary(parser.isSet(folderOption)
                                    ? parser.value(folderOption)
                                            + QStringLiteral("/readahead-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/readahead-XXXXXX"));
    if (!temporary.isValid())
        throw std::runtime_error("cannot make a scratch folder");

    Bench bench(QFile::encodeName(temporary.path()), runs);
    progress() << "making a file of " << sizeMiB << " MiB in " << temporary.path() << Qt::endl;
    bench.makeSource(sizeMiB * MiB);
    const Samples starts = bench.processStarts();

    QList<Row> rows;
    for (const bool cold : {false, true}) {
        progress() << (cold ? "page cache emptied" : "page cache holding the file") << Qt::endl;
        rows.append(bench.warmUps(cold));
        rows.append(bench.copies(cold));
    }

    out() << "# readaheadbench\n\n"
          << "- machine: " << QThread::idealThreadCount() << " threads, "
          << QSysInfo::prettyProductName() << '\n'
          << "- file: " << sizeMiB << " MiB of random bytes in " << temporary.path() << '\n'
          << "- runs: " << runs << " of each operation, the player and the tool in turn\n"
          << "- a tool's time includes starting its process: median " << ms(starts.median())
          << " ms for `cat /dev/null`\n\n"
          << "| operation | page cache | source cached before the run | player median ms "
             "| player p95 ms | reference | reference median ms | reference p95 ms "
             "| ratio (median) |\n"
          << "|---|---|--:|--:|--:|---|--:|--:|--:|\n";
    for (const Row &row : std::as_const(rows)) {
        const QString cached = row.leastResident == row.mostResident
                ? percent(row.leastResident)
                : percent(row.leastResident) + QStringLiteral("-") + percent(row.mostResident);
        out() << QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 |\n")
                         .arg(row.operation,
                              row.cold ? QStringLiteral("cold") : QStringLiteral("warm"), cached,
                              ms(row.player.median()), ms(row.player.p95()), row.reference,
                              ms(row.tool.median()), ms(row.tool.p95()),
                              QString::number(row.player.median() / row.tool.median(), 'f', 2));
    }
    out() << Qt::flush;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    try {
        return run(QCoreApplication::arguments());
    } catch (const std::exception &error) {
        progress() << "readaheadbench: " << error.what() << Qt::endl;
        return 1;
    }
}
