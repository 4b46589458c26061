#include "ui/messages.h"

namespace ui {

QString applicationTitle()
{
    return QStringLiteral("Velmo Movie Player");
}

void showMessage(QWidget *owner, const QString &text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, applicationTitle(), text, QMessageBox::Ok, owner);
    box.exec();
}

} // namespace ui
