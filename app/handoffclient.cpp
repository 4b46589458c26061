#include "app/handoffclient.h"

#include "app/handoffblock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QThread>

namespace {
constexpr int ReachTimeoutMs = 3000;
constexpr int RetryIntervalMs = 50;
constexpr int TransferTimeoutMs = 3000;
} // namespace

void HandOffArguments(const QList<QByteArray> &arguments, const QString &serverPath)
{
    if (arguments.isEmpty())
        return;
    // The running player has a current folder of its own.
    const QByteArray currentFolder = QFile::encodeName(QDir::currentPath());
    QList<QByteArray> names;
    names.reserve(arguments.size());
    for (const QByteArray &argument : arguments)
        names << absolutePath(argument, currentFolder);
    PostFileList(serverPath, names);
}

bool PostFileList(const QString &serverPath, const QList<QByteArray> &names)
{
    const QByteArray block = handoff::makeBlock(names);
    QLocalSocket socket;
    const QDeadlineTimer reachDeadline(ReachTimeoutMs);
    for (;;) {
        socket.connectToServer(serverPath);
        if (socket.waitForConnected(RetryIntervalMs))
            break;
        socket.abort();
        if (reachDeadline.hasExpired())
            return false;
        QThread::msleep(RetryIntervalMs);
    }
    socket.write(block);
    const QDeadlineTimer transferDeadline(TransferTimeoutMs);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(transferDeadline.remainingTime())))
            return false;
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(int(transferDeadline.remainingTime()));
    return true;
}

QByteArray absolutePath(const QByteArray &path, const QByteArray &currentFolder)
{
    if (path.startsWith('/'))
        return path;
    if (currentFolder.endsWith('/'))
        return currentFolder + path;
    return currentFolder + '/' + path;
}
