#pragma once

#include <QByteArray>
#include <QList>
#include <QLocalServer>
#include <QObject>

#include <functional>

class QLocalSocket;

// Receives hand-off blocks from later starts. Each connection carries one block and ends when
// the sender closes it; a connection that sends too much or stays open too long is dropped.
class HandOffServer final : public QObject
{
    Q_OBJECT

public:
    using Receiver = std::function<void(const QByteArray &block)>;

    explicit HandOffServer(QObject *parent = nullptr);

    // Listens at the given socket path, reachable by this user only; false for an empty path.
    bool listen(const QString &path);
    // Blocks that arrived before the receiver was set are handed to it now, in order.
    void setReceiver(Receiver receiver);

private:
    void acceptConnections();
    void watch(QLocalSocket *socket);
    void finish(QLocalSocket *socket);
    static void drop(QLocalSocket *socket);

    QLocalServer m_server;
    Receiver m_receiver;
    QList<QByteArray> m_waiting;
};
