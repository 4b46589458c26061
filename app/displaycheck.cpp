#include "app/displaycheck.h"

#include <QList>

#include <xcb/xcb.h>

PlatformEnvironment PlatformEnvironment::current()
{
    return {qgetenv("QT_QPA_PLATFORM"),
            qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
                    || qgetenv("XDG_SESSION_TYPE") == "wayland",
            qgetenv("DISPLAY")};
}

bool startsOnX11Only(const PlatformEnvironment &environment)
{
    // Without a choice of its own, Qt tries Wayland in a Wayland session and X11 after it.
    if (environment.qpaPlatform.isEmpty())
        return !environment.waylandSession;
    // Each platform may carry options after a colon, as in "xcb:nomitshm".
    for (const QByteArray &platform : environment.qpaPlatform.split(';')) {
        if (platform.split(':').constFirst() != "xcb")
            return false;
    }
    return true;
}

QByteArray preferredPlatform(const PlatformEnvironment &environment,
                             const std::function<bool(const QByteArray &display)> &reachable)
{
    if (!environment.qpaPlatform.isEmpty() || !environment.waylandSession
        || environment.display.isEmpty() || !reachable(environment.display))
        return {};
    return QByteArrayLiteral("xcb");
}

bool reachesDisplay(const QByteArray &display)
{
    // A failed connection is still an object that tells the failure and must be freed.
    xcb_connection_t *connection = xcb_connect(display.constData(), nullptr);
    const bool reached = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reached;
}

QByteArray unreachableDisplay(const PlatformEnvironment &environment)
{
    if (!startsOnX11Only(environment))
        return {};
    if (environment.display.isEmpty())
        return QByteArrayLiteral("velmomp: cannot reach the display: DISPLAY is not set");
    if (reachesDisplay(environment.display))
        return {};
    return "velmomp: cannot reach the display \"" + environment.display + '"';
}
