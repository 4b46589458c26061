#include "ui/cursorcount.h"

#include <QCursor>
#include <QGuiApplication>

namespace ui {

namespace {

int displayCount = 0;
bool blanked = false;

} // namespace

int ShowCursor(bool show)
{
    displayCount += show ? 1 : -1;
    // One override cursor stands for the whole hidden state, however deep the count goes.
    if (displayCount < 0 && !blanked) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
        blanked = true;
    } else if (displayCount >= 0 && blanked) {
        QGuiApplication::restoreOverrideCursor();
        blanked = false;
    }
    return displayCount;
}

void ForceCursorHidden()
{
    while (ShowCursor(false) >= 0) {
    }
}

void ForceCursorShown()
{
    while (ShowCursor(true) < 1) {
    }
}

bool cursorHidden()
{
    return blanked;
}

} // namespace ui
