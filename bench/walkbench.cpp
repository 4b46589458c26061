// walkbench: the real player walking a playlist of short movies of many containers with Continue
// and Repeat on, on a private Xvfb server, beside mpv walking the same list with
// --loop-playlist. Every so many opens it samples each side's resident memory, open descriptors
// and threads. With --bad-every it also hands the running player a file it cannot open, as a
// second start does: the message is answered and, since a file that fails to open ends a
// Continue walk, the walk is resumed with the next-file key.

#include "bench/console.h"
#include "bench/xvfb.h"
#include "support/testmovies.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include <xcb/xcb.h>

#include <clocale>
#include <exception>
#include <memory>
#include <optional>

namespace {

using bench::out;
using bench::progress;

// How long one open may take before the walk counts as stuck.
constexpr qint64 StuckMs = 20000;
constexpr int PollMs = 10;
constexpr char Loading[] = "Now Loading.....";

struct Sample
{
    int opens = 0;
    double residentMiB = 0;
    int descriptors = 0;
    int threads = 0;
    // The movie just opened: the engine's threads depend on its kind.
    QString movie;
};

int entriesOf(const QString &folder)
{
    return int(
            QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

Sample sampleOf(qint64 pid, int opens)
{
    return {opens, bench::residentMiB(pid), entriesOf(QStringLiteral("/proc/%1/fd").arg(pid)),
            entriesOf(QStringLiteral("/proc/%1/task").arg(pid)), QString()};
}

// The titles of a process's visible top-level windows, read from the X server directly: fast
// enough to poll every few milliseconds.
class WindowWatch final
{
public:
    explicit WindowWatch(qint64 pid)
        : m_pid(pid)
        , m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection) != 0)
            throw std::runtime_error("cannot reach the private X server");
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        m_pidAtom = atom("_NET_WM_PID");
        m_nameAtom = atom("_NET_WM_NAME");
        m_utf8Atom = atom("UTF8_STRING");
    }
    ~WindowWatch() { xcb_disconnect(m_connection); }
    WindowWatch(const WindowWatch &) = delete;
    WindowWatch &operator=(const WindowWatch &) = delete;

    struct Window
    {
        xcb_window_t id = 0;
        QByteArray title;
    };

    QList<Window> windows()
    {
        QList<Window> found;
        const std::unique_ptr<xcb_query_tree_reply_t, decltype(&free)> tree(
                xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr),
                &free);
        if (!tree)
            return found;
        const xcb_window_t *children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            if (viewable(children[i])
                && property(children[i], m_pidAtom, XCB_ATOM_CARDINAL)
                        == QByteArray::fromRawData(reinterpret_cast<const char *>(&m_pid),
                                                   sizeof m_pid))
                found.append({children[i], property(children[i], m_nameAtom, m_utf8Atom)});
        }
        return found;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
                xcb_intern_atom_reply(
                        m_connection,
                        xcb_intern_atom(m_connection, 0, uint16_t(strlen(name)), name), nullptr),
                &free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    bool viewable(xcb_window_t window)
    {
        const std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&free)> reply(
                xcb_get_window_attributes_reply(
                        m_connection, xcb_get_window_attributes(m_connection, window), nullptr),
                &free);
        return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    QByteArray property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
    {
        const std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
                xcb_get_property_reply(
                        m_connection,
                        xcb_get_property(m_connection, 0, window, name, type, 0, 1024), nullptr),
                &free);
        if (!reply)
            return {};
        return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                          xcb_get_property_value_length(reply.get()));
    }

    // _NET_WM_PID is a 32-bit cardinal.
    const quint32 m_pid;
    xcb_connection_t *m_connection;
    xcb_window_t m_root = 0;
    xcb_atom_t m_pidAtom = 0, m_nameAtom = 0, m_utf8Atom = 0;
};

struct Walk
{
    QList<Sample> samples;
    int refused = 0;
    int handedOver = 0;
};

// The player as a user starts it with the movies, walking them with Continue and Repeat on.
class PlayerWalk final
{
public:
    PlayerWalk(const QString &executable, const QStringList &movies)
    {
        if (!m_scratch.isValid())
            throw std::runtime_error("cannot make a temporary folder");
        // The settings file lives beside the executable.
        m_copy = m_scratch.filePath(QStringLiteral("velmomp"));
        if (!QFile::copy(executable, m_copy))
            throw std::runtime_error("cannot copy " + executable.toStdString());
        QFile settings(m_scratch.filePath(QStringLiteral("VelmoMP.ini")));
        if (!settings.open(QIODevice::WriteOnly)
            || settings.write("[Velmo]\nScreen=1\nSize=1\nAutoStart=2\nContinue=2\nRepeat=2\n"
                              "Pixel=1\nTemp=0 0 0 0\n")
                    < 0)
            throw std::runtime_error("cannot write the settings file");
        settings.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_scratch.path());
        environment.insert(QStringLiteral("HOME"), m_scratch.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_process.setProcessEnvironment(environment);
        // The engine's audio output reports at every open that this machine has no sound card.
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(m_copy, movies);
        if (!m_process.waitForStarted())
            throw std::runtime_error("the player does not start");
        m_watch = std::make_unique<WindowWatch>(m_process.processId());
    }

    ~PlayerWalk()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    PlayerWalk(const PlayerWalk &) = delete;
    PlayerWalk &operator=(const PlayerWalk &) = delete;

    qint64 pid() const { return m_process.processId(); }
    QString title() const { return QFileInfo(QString::fromUtf8(m_lastTitle)).fileName(); }

    // Waits for the next open to show its title; a file the player cannot open has its message
    // answered and the walk resumed, and counts as refused.
    void waitForOpen(Walk &walk)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < StuckMs) {
            if (m_process.state() != QProcess::Running)
                throw std::runtime_error("the player ended during the walk");
            const QList<WindowWatch::Window> windows = m_watch->windows();
            for (const WindowWatch::Window &window : windows) {
                if (m_main == 0 && window.title != Loading)
                    m_main = window.id;
                if (window.id != m_main) {
                    answer(window.id);
                    ++walk.refused;
                    continue;
                }
                // The title names the movie by the absolute path it was given; the start-up
                // title and "Now Loading....." are no opens.
                if (window.title.startsWith('/') && window.title != m_lastTitle) {
                    m_lastTitle = window.title;
                    return;
                }
            }
            QThread::msleep(PollMs);
        }
        throw std::runtime_error("no movie opened for " + std::to_string(StuckMs / 1000)
                                 + " s; the title is \"" + m_lastTitle.toStdString() + '"');
    }

    // Hands a file to the running player the way a second start does.
    void handOver(const QString &path)
    {
        QProcess second;
        second.setProcessEnvironment(m_process.processEnvironment());
        second.start(m_copy, {path});
        if (!second.waitForFinished(StuckMs) || second.exitCode() != 1)
            throw std::runtime_error("the second start did not hand its file over");
    }

private:
    // The message about a file that cannot be opened: answered, then the walk goes on.
    void answer(xcb_window_t box)
    {
        bench::xdotool(
                {QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(box)});
        bench::xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        QElapsedTimer timer;
        timer.start();
        while (m_watch->windows().size() > 1 && timer.elapsed() < StuckMs)
            QThread::msleep(PollMs);
        bench::xdotool(
                {QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(m_main)});
        bench::xdotool({QStringLiteral("key"), QStringLiteral("n")});
    }

    QTemporaryDir m_scratch;
    QString m_copy;
    QProcess m_process;
    std::unique_ptr<WindowWatch> m_watch;
    xcb_window_t m_main = 0;
    QByteArray m_lastTitle;
};

QStringList badFiles(const QString &folder)
{
    QStringList files;
    for (const BadKind kind :
         {BadKind::TextAsAvi, BadKind::EmptyAvi, BadKind::PngAsAvi, BadKind::AudioOnlyAvi})
        files.append(makeBadFile(kind, folder));
    return files;
}

Walk walkPlayer(const QString &executable, const QStringList &movies, int opens, int every,
                int badEvery, const QString &folder)
{
    const QStringList bad = badFiles(folder);
    PlayerWalk player(executable, movies);
    Walk walk;
    for (int open = 1; open <= opens; ++open) {
        if (badEvery > 0 && open % badEvery == 0) {
            // Each hand-over adds an entry of a name of its own.
            const QString &original = bad.at(walk.handedOver % bad.size());
            const QString copy = QDir(folder).filePath(
                    QStringLiteral("bad-%1-%2").arg(open).arg(QFileInfo(original).fileName()));
            if (!QFile::copy(original, copy))
                throw std::runtime_error("cannot copy a bad file");
            player.handOver(copy);
            ++walk.handedOver;
        }
        player.waitForOpen(walk);
        if (open % every == 0 || open == 1) {
            walk.samples.append(sampleOf(player.pid(), open));
            walk.samples.last().movie = player.title();
            progress() << "player: " << open << " opens, "
                       << QString::number(walk.samples.last().residentMiB, 'f', 1) << " MiB"
                       << Qt::endl;
        }
    }
    return walk;
}

// mpv's own player walking the same list; its opens are its file-loaded events.
QList<Sample> walkMpv(const QStringList &movies, int opens, int every, const QString &folder)
{
    const QString socketPath = QDir(folder).filePath(QStringLiteral("mpv.socket"));
    QProcess mpv;
    mpv.start(QStringLiteral("mpv"),
              QStringList {QStringLiteral("--no-config"), QStringLiteral("--vo=x11"),
                           QStringLiteral("--ao=null"), QStringLiteral("--no-terminal"),
                           QStringLiteral("--loop-playlist=inf"),
                           QStringLiteral("--input-ipc-server=") + socketPath}
                      + movies);
    if (!mpv.waitForStarted())
        throw std::runtime_error("mpv does not start");
    QLocalSocket ipc;
    QElapsedTimer timer;
    timer.start();
    while (ipc.state() != QLocalSocket::ConnectedState && timer.elapsed() < StuckMs) {
        ipc.connectToServer(socketPath);
        if (!ipc.waitForConnected(50))
            QThread::msleep(20);
    }
    QList<Sample> samples;
    int loaded = 0;
    while (loaded < opens) {
        if (!ipc.canReadLine() && !ipc.waitForReadyRead(int(StuckMs)))
            throw std::runtime_error("mpv stopped opening files");
        const QJsonObject message = QJsonDocument::fromJson(ipc.readLine()).object();
        if (message.value(QStringLiteral("event")).toString() != QStringLiteral("file-loaded"))
            continue;
        ++loaded;
        if (loaded % every == 0 || loaded == 1)
            samples.append(sampleOf(mpv.processId(), loaded));
    }
    mpv.kill();
    mpv.waitForFinished();
    return samples;
}

// mpv's own player with one movie, some seconds into playback.
Sample playAlone(const QString &movie)
{
    QProcess mpv;
    mpv.start(QStringLiteral("mpv"),
              {QStringLiteral("--no-config"), QStringLiteral("--vo=x11"),
               QStringLiteral("--ao=null"), QStringLiteral("--no-terminal"), movie});
    if (!mpv.waitForStarted())
        throw std::runtime_error("mpv does not start");
    QThread::sleep(5);
    const Sample sample = sampleOf(mpv.processId(), 1);
    mpv.kill();
    mpv.waitForFinished();
    return sample;
}

int run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
            "Walks a playlist of short movies with the player and with mpv and samples memory."));
    parser.addHelpOption();
    const QCommandLineOption playerOption(
            QStringLiteral("player"), QStringLiteral("The player to drive (the one built here)."),
            QStringLiteral("path"),
            QCoreApplication::applicationDirPath() + QStringLiteral("/../velmomp"));
    const QCommandLineOption opensOption(QStringLiteral("opens"),
                                         QStringLiteral("Opens per walk (500)."),
                                         QStringLiteral("count"), QStringLiteral("500"));
    const QCommandLineOption everyOption(QStringLiteral("every"),
                                         QStringLiteral("Opens between samples (50)."),
                                         QStringLiteral("count"), QStringLiteral("50"));
    const QCommandLineOption badOption(
            QStringLiteral("bad-every"),
            QStringLiteral("Hand the player a file it cannot open every so many opens (never)."),
            QStringLiteral("count"), QStringLiteral("0"));
    const QCommandLineOption noMpvOption(QStringLiteral("no-mpv"),
                                         QStringLiteral("Walk with the player only."));
    const QCommandLineOption aloneOption(
            QStringLiteral("alone"),
            QStringLiteral("Also sample mpv playing this movie alone (e.g. a 1080p one)."),
            QStringLiteral("path"));
    parser.addOptions(
            {playerOption, opensOption, everyOption, badOption, noMpvOption, aloneOption});
    parser.process(arguments);
    const int opens = std::max(1, parser.value(opensOption).toInt());
    const int every = std::max(1, parser.value(everyOption).toInt());
    const int badEvery = std::max(0, parser.value(badOption).toInt());

    QTemporaryDir folder;
    if (!folder.isValid())
        throw std::runtime_error("cannot make a temporary folder");
    // Twenty kinds of many containers, half a second each.
    QStringList movies;
    for (const MovieKind kind : exactnessMovieKinds().mid(0, 20)) {
        progress() << "making " << movieKindName(kind) << Qt::endl;
        movies.append(makeTestMovie(kind, folder.path(), 12).path);
    }

    progress() << "player walk" << Qt::endl;
    const Walk player
            = walkPlayer(parser.value(playerOption), movies, opens, every, badEvery, folder.path());
    QList<Sample> mpv;
    if (!parser.isSet(noMpvOption)) {
        progress() << "mpv walk" << Qt::endl;
        mpv = walkMpv(movies, opens, every, folder.path());
    }

    out() << "# walkbench\n\n"
          << "- " << movies.size() << " movies of 12 frames (" << exactnessMovieKinds().size()
          << " kinds' first 20), Continue and Repeat on; " << opens << " opens\n"
          << "- files the player cannot open handed over: " << player.handedOver
          << ", refused with the message: " << player.refused << "\n"
          << "- machine: " << QThread::idealThreadCount() << " threads, "
          << QSysInfo::prettyProductName() << "\n";
    if (parser.isSet(aloneOption)) {
        const Sample alone = playAlone(parser.value(aloneOption));
        out() << "- mpv playing " << QFileInfo(parser.value(aloneOption)).fileName()
              << " alone: " << QString::number(alone.residentMiB, 'f', 1) << " MiB\n";
    }
    out() << "\n| opens | movie just opened | player MiB | descriptors | threads | mpv MiB | ratio "
             "|\n"
          << "|--:|---|--:|--:|--:|--:|--:|\n";
    for (const Sample &sample : player.samples) {
        std::optional<Sample> other;
        for (const Sample &candidate : mpv) {
            if (candidate.opens == sample.opens)
                other = candidate;
        }
        out() << "| " << sample.opens << " | " << sample.movie << " | "
              << QString::number(sample.residentMiB, 'f', 1) << " | " << sample.descriptors << " | "
              << sample.threads << " | "
              << (other ? QString::number(other->residentMiB, 'f', 1) : QStringLiteral("-"))
              << " | "
              << (other ? QString::number(sample.residentMiB / other->residentMiB, 'f', 2)
                        : QStringLiteral("-"))
              << " |\n";
    }
    out() << Qt::flush;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    try {
        const bench::Xvfb server;
        qputenv("DISPLAY", server.display());
        QCoreApplication app(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        return run(QCoreApplication::arguments());
    } catch (const std::exception &error) {
        progress() << "walkbench: " << error.what() << Qt::endl;
        return 1;
    }
}
