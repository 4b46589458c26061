#include "ui/errorreport.h"

#include "ui/messages.h"

#include <exception>

namespace ui {

void showErrorReport(QWidget *owner, const QString &text)
{
    // Also where a log or a terminal keeps it: the box is gone once answered.
    qWarning("velmomp: %s", qUtf8Printable(text));
    showMessage(owner, text + u'.', QMessageBox::Critical);
}

GuardedApplication::GuardedApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{}

bool GuardedApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        showErrorReport(activeWindow(), QString::fromUtf8(error.what()));
    } catch (...) {
        showErrorReport(activeWindow(), QStringLiteral("原因不明のｴﾗｰ"));
    }
    return true;
}

} // namespace ui
