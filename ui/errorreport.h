#pragma once

#include <QApplication>

class QWidget;

namespace ui {

// The default error report: the error's text followed by a full stop, with the error icon.
void showErrorReport(QWidget *owner, const QString &text);

// Every entry from Qt (menu action, key, timer tick, socket read, queued call) passes through
// notify(), so this one guard keeps exceptions from crossing the event loop.
class GuardedApplication final : public QApplication
{
public:
    GuardedApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace ui
