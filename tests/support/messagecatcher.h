#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>

// Answers the modal message boxes the player shows while a test runs, and records them.
class MessageCatcher final : public QObject
{
public:
    struct Message
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };

    MessageCatcher();

    const QList<Message> &messages() const { return m_messages; }

private:
    void answer();

    QTimer m_poll;
    QList<Message> m_messages;
};
