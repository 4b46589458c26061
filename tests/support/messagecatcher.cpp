#include "support/messagecatcher.h"

#include <QApplication>

MessageCatcher::MessageCatcher()
{
    connect(&m_poll, &QTimer::timeout, this, &MessageCatcher::answer);
    m_poll.start(5);
}

void MessageCatcher::answer()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible())
        return;
    m_messages << Message {box->windowTitle(), box->text(), box->icon()};
    box->done(QMessageBox::Ok);
}
