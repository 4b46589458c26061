#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <optional>

// What the X server knows of its windows, asked on the test program's own connection to it:
// the whole-program cases poll these every few milliseconds, where a tool process per question
// took a core of its own.
namespace systemtest::xquery {

// The window's _NET_WM_NAME, else its WM_NAME; empty when it has neither.
QString title(quint64 window);
// Position on the screen and size; nothing when the window is gone.
std::optional<QRect> geometry(quint64 window);
// The viewable windows whose _NET_WM_PID is pid, top-level ones first, each level from the
// bottom of the stack to its top.
QList<quint64> viewableWindowsOf(qint64 pid);

} // namespace systemtest::xquery
