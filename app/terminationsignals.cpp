#include "app/terminationsignals.h"

#include <QSocketNotifier>

#include <sys/socket.h>

#include <cerrno>
#include <csignal>
#include <system_error>
#include <unistd.h>

namespace {

constexpr int Handled[] = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t writeEnd = -1;

void onSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // The socket does not block: when it is full, bytes are waiting already and one more would
    // change nothing.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = savedErrno;
}

sigset_t handledSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : Handled)
        sigaddset(&set, signal);
    return set;
}

void setAction(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : Handled)
        ::sigaction(signal, &action, nullptr);
}

} // namespace

void TerminationSignals::holdUntilHandled()
{
    const sigset_t set = handledSet();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TerminationSignals::TerminationSignals(std::function<void()> close)
    : m_close(std::move(close))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, m_sockets) != 0)
        throw std::system_error(errno, std::generic_category(), "socketpair");
    writeEnd = m_sockets[0];
    m_notifier = std::make_unique<QSocketNotifier>(m_sockets[1], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { receive(); });
    setAction(onSignal);
    // A signal held back meanwhile arrives now, at the handler.
    const sigset_t set = handledSet();
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    setAction(SIG_DFL);
    writeEnd = -1;
    m_notifier.reset();
    ::close(m_sockets[0]);
    ::close(m_sockets[1]);
}

void TerminationSignals::receive()
{
    char bytes[16];
    while (::read(m_sockets[1], bytes, sizeof bytes) > 0) {
    }
    m_notifier->setEnabled(false);
    m_close();
}
