#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP end the player the way Quit does. The signal handler only writes a
// byte to a socket pair, since almost nothing is safe inside it; the Qt thread reads the byte and
// runs the close, once: later signals are ignored while the player closes. One exists at a time.
class TerminationSignals final
{
public:
    // Holds the signals back until one exists: a signal that comes while the player starts then
    // closes it once its windows are up, instead of killing it. Called before any thread is made,
    // so that every later thread holds them back too and only this one takes them.
    static void holdUntilHandled();

    explicit TerminationSignals(std::function<void()> close);
    // Gives the signals their default action again.
    ~TerminationSignals();
    Q_DISABLE_COPY_MOVE(TerminationSignals)

private:
    void receive();

    std::function<void()> m_close;
    int m_sockets[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};
