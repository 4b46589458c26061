#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace ui {

// Title of the application; message boxes and the start-up logo show it.
QString applicationTitle();

// A modal message box owned by the given window, captioned with the application title,
// with one OK button.
void showMessage(QWidget *owner, const QString &text, QMessageBox::Icon icon = QMessageBox::NoIcon);

} // namespace ui
