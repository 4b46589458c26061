#pragma once

#include <QByteArray>

// Qt's X11 platform ends the process with a core dump when it cannot connect to its display.
// The player checks first, so that it can end with a plain message instead.

// What Qt chooses its platform by.
struct PlatformEnvironment
{
    // QT_QPA_PLATFORM: the platforms Qt tries in turn, separated by ';'.
    QByteArray qpaPlatform;
    // WAYLAND_DISPLAY is set or XDG_SESSION_TYPE is "wayland": Qt tries Wayland first.
    bool waylandSession = false;
    // DISPLAY.
    QByteArray display;

    static PlatformEnvironment current();
};

// Whether Qt will start on X11 and nothing else, so that an unreachable X display ends it.
bool startsOnX11Only(const PlatformEnvironment &environment);

// The line to print when Qt would start on X11 alone and cannot reach its display (no server
// there, or the server refuses the connection); empty otherwise.
QByteArray unreachableDisplay(const PlatformEnvironment &environment);
