#pragma once

#include <QByteArray>

#include <functional>

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

// The platform to ask Qt for: X11 in a Wayland session whose X server (XWayland) answers, since
// only there can the player place its windows (the saved place, centring, the place kept across
// full screen); otherwise nothing, and Qt chooses.
QByteArray preferredPlatform(const PlatformEnvironment &environment,
                             const std::function<bool(const QByteArray &display)> &reachable);

// Whether an X server answers at the display.
bool reachesDisplay(const QByteArray &display);

// The line to print when Qt would start on X11 alone and cannot reach its display (no server
// there, or the server refuses the connection); empty otherwise.
QByteArray unreachableDisplay(const PlatformEnvironment &environment);
