// Long and odd file names given to the real player on its command line, and handed over by a
// later start: each name that can be opened plays under its own name, the others are left out,
// and none is cut or split into another existing file.
#include "harness.h"
#include "support/oddnames.h"
#include "support/testmovies.h"

#include <QFile>

#include <sys/prctl.h>

#include <csignal>

using namespace systemtest;

namespace {

// Each byte as an octal escape of printf, so that any name survives the shell unchanged.
QByteArray printfEscaped(const QByteArray &bytes)
{
    QByteArray escaped;
    for (const char byte : bytes)
        escaped += '\\' + QByteArray::number(quint8(byte), 8).rightJustified(3, '0');
    return escaped;
}

// Starts the sandbox's player with arguments that are bytes, not texts: a process takes its
// arguments as texts, which names that are not UTF-8 do not survive. A shell builds them from
// escapes and then becomes the player, which so keeps the process id the harness knows.
std::unique_ptr<Player> startWithBytes(Sandbox &sandbox, const QList<QByteArray> &arguments)
{
    // A command substitution drops trailing line breaks: each name carries an 'x' to the end.
    QByteArray script = "set --\n";
    for (const QByteArray &argument : arguments)
        script += "a=$(printf '" + printfEscaped(argument) + "x'); set -- \"$@\" \"${a%x}\"\n";
    script += "exec ./velmomp \"$@\"\n";

    // The environment Sandbox::start gives the player.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), XServerEnvironment::display());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), sandbox.filePath(QStringLiteral("run")));
    environment.insert(QStringLiteral("HOME"), sandbox.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       sandbox.filePath(QStringLiteral("home/.config")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"),
                       sandbox.filePath(QStringLiteral("home/.cache")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"),
                       sandbox.filePath(QStringLiteral("home/.local/share")));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("SESSION_MANAGER"));

    auto process = std::make_unique<QProcess>();
    process->setProgram(QStringLiteral("/bin/sh"));
    process->setArguments({QStringLiteral("-c"), QString::fromLatin1(script)});
    process->setWorkingDirectory(sandbox.path());
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process->start();
    if (!process->waitForStarted(int(Patience.count())))
        throw std::runtime_error("the shell did not start");
    return std::make_unique<Player>(std::move(process));
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

class OddNamesTest : public testing::Test
{
protected:
    Sandbox sandbox;
    TestMovie movie = makeTestMovie(MovieKind::MjpegAvi, sandbox.path(), 10);
    OddNames names {QFile::encodeName(sandbox.path()), fileBytes(movie.path)};

    // The frame index the player's picture shows, which sits at the bottom of the window.
    int shownFrame(const XWindow &window) const
    {
        const QImage picture = window.grab();
        return frameIndexOf(
                       picture.copy(0, picture.height() - movie.height, movie.width, movie.height))
                .value_or(-1);
    }

    // The player shows the openable names from the first on, one after the other with the
    // key for the next file: each under its own name, playing, without a message.
    void expectEachPlays(Player &player)
    {
        const XWindow &window = player.mainWindow();
        for (qsizetype i = 0; i < names.openable.size(); ++i) {
            const QByteArray &name = names.openable[i];
            SCOPED_TRACE(name.left(100).toStdString());
            if (i > 0) {
                xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                         QString::number(window.id())});
                pressKeys({QStringLiteral("n")});
            }
            ASSERT_TRUE(player.waitForTitle(QFile::decodeName(name)));
            EXPECT_TRUE(waitUntil([&] { return shownFrame(window) >= 0; })) << "no picture";
            const QList<quint64> windows = player.visibleWindows();
            QStringList titles;
            for (quint64 id : windows)
                titles << XWindow(id).title();
            EXPECT_EQ(windows.size(), 1)
                    << "a message or menu is open: " << titles.join(u" | ").toStdString();
        }
        // Nothing follows: no cut or split name was added after them.
        pressKeys({QStringLiteral("n")});
        EXPECT_FALSE(waitUntil(
                [&] { return window.title() != QFile::decodeName(names.openable.last()); }, Watch));
    }
};

} // namespace

TEST_F(OddNamesTest, CommandLineNamesPlayAsWrittenOrAreLeftOut)
{
    const auto player = startWithBytes(sandbox, names.given);
    ASSERT_NO_FATAL_FAILURE(expectEachPlays(*player));
    EXPECT_TRUE(player->isRunning());
    pressKeys({QStringLiteral("Escape")});
    EXPECT_EQ(player->waitForExit(), 0);
}

TEST_F(OddNamesTest, HandedOverNamesPlayAsWrittenOrAreLeftOut)
{
    const QString first = sandbox.makeMovie(QStringLiteral("first.avi"));
    const auto running = sandbox.start({first});
    ASSERT_TRUE(running->waitForTitle(first));

    const auto later = startWithBytes(sandbox, names.given);
    EXPECT_EQ(later->waitForExit(), 1);
    ASSERT_NO_FATAL_FAILURE(expectEachPlays(*running));
    EXPECT_TRUE(running->isRunning());
}
