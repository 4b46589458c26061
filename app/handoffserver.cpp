#include "app/handoffserver.h"

#include "app/handoffblock.h"

#include <QLocalSocket>
#include <QTimer>

namespace {
constexpr int ConnectionTimeoutMs = 5000;
}

HandOffServer::HandOffServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QLocalServer::newConnection, this, &HandOffServer::acceptConnections);
}

bool HandOffServer::listen(const QString &path)
{
    // Qt would take an empty name as one in the shared temporary folder.
    if (path.isEmpty())
        return false;
    // The caller holds the instance lock, so a socket file left at the path is stale.
    QLocalServer::removeServer(path);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    return m_server.listen(path);
}

void HandOffServer::setReceiver(Receiver receiver)
{
    m_receiver = std::move(receiver);
    const QList<QByteArray> waiting = std::exchange(m_waiting, {});
    for (const QByteArray &block : waiting)
        m_receiver(block);
}

void HandOffServer::acceptConnections()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection())
        watch(socket);
}

void HandOffServer::watch(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::readyRead, socket, [socket] {
        if (socket->bytesAvailable() > handoff::MaxBlockSize)
            drop(socket);
    });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { finish(socket); });
    QTimer::singleShot(ConnectionTimeoutMs, socket, [socket] { drop(socket); });
    if (socket->state() == QLocalSocket::UnconnectedState)
        finish(socket);
}

void HandOffServer::drop(QLocalSocket *socket)
{
    socket->disconnect();
    socket->abort();
    socket->deleteLater();
}

void HandOffServer::finish(QLocalSocket *socket)
{
    socket->disconnect();
    const QByteArray block = socket->readAll();
    socket->deleteLater();
    if (block.size() > handoff::MaxBlockSize)
        return;
    if (m_receiver)
        m_receiver(block);
    else
        m_waiting << block;
}
