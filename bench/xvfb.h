#pragma once

// A private X server for the benchmarks that show windows, and starting programs on it.

#include "bench/console.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QList>
#include <QProcess>
#include <QStringList>

#include <sys/wait.h>

#include <clocale>
#include <exception>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace bench {

// Starts a program with the environment of this process (DISPLAY included); file actions may
// redirect its descriptors.
inline pid_t spawn(const QList<QByteArray> &arguments, const posix_spawn_file_actions_t *actions)
{
    std::vector<char *> argv;
    for (const QByteArray &argument : arguments)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], actions, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + arguments.first().toStdString());
    return pid;
}

// Runs xdotool on the private server and returns what it printed.
inline QByteArray xdotool(const QStringList &arguments)
{
    constexpr int Patience = 30000;
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(Patience) || tool.exitCode() != 0)
        throw std::runtime_error("xdotool failed: " + arguments.join(u' ').toStdString());
    return tool.readAllStandardOutput();
}

// A private X server with one 1920x1080 screen, so that both players get the same screen
// whatever display the developer sits at.
class Xvfb final
{
public:
    Xvfb()
    {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            throw std::runtime_error("cannot make a pipe for Xvfb");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        try {
            m_pid = spawn({"Xvfb", "-displayfd", QByteArray::number(pipeEnds[1]), "-screen", "0",
                           "1920x1080x24", "-nolisten", "tcp",
                           // Programs started one after another must not meet a reset.
                           "-noreset"},
                          &actions);
        } catch (...) {
            posix_spawn_file_actions_destroy(&actions);
            close(pipeEnds[0]);
            close(pipeEnds[1]);
            throw;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[1]);
        // The server writes its display number once it accepts clients; end of file means it
        // died.
        QByteArray number;
        char c = 0;
        while (read(pipeEnds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(pipeEnds[0]);
        if (number.isEmpty())
            throw std::runtime_error("Xvfb did not start");
        m_display = ':' + number;
    }

    ~Xvfb()
    {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }

    Xvfb(const Xvfb &) = delete;
    Xvfb &operator=(const Xvfb &) = delete;

    pid_t pid() const { return m_pid; }
    const QByteArray &display() const { return m_display; }

private:
    pid_t m_pid = 0;
    QByteArray m_display;
};

// The main() of a benchmark that drives the player's windows: a private X server for them and
// the C locale for its figures; a failure is reported under the benchmark's name. The run is
// given the arguments and the server. Application is QApplication for benchmarks that show
// widgets.
template<typename Application = QGuiApplication, typename Run>
int runWithWindows(int argc, char **argv, const char *name, Run run)
{
    try {
        // Before the application: Qt and the engines' children all find the server through
        // DISPLAY.
        const Xvfb server;
        qputenv("DISPLAY", server.display());
        qputenv("QT_QPA_PLATFORM", "xcb");
        Application app(argc, argv);
        // libmpv refuses to start under a locale whose decimal point is not a dot.
        std::setlocale(LC_NUMERIC, "C");
        return run(Application::arguments(), server);
    } catch (const std::exception &error) {
        progress() << name << ": " << error.what() << Qt::endl;
        return 1;
    }
}

} // namespace bench
