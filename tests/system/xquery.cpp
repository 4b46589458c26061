#include "xquery.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace systemtest::xquery {
namespace {

// A reply of xcb, freed with free().
template<typename Reply> using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

template<typename Reply> Owned<Reply> owned(Reply *reply)
{
    return Owned<Reply>(reply, &std::free);
}

xcb_connection_t *connection()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t atom(const char *name)
{
    const auto reply = owned(xcb_intern_atom_reply(
            connection(), xcb_intern_atom(connection(), 1, uint16_t(qstrlen(name)), name),
            nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

Owned<xcb_get_property_reply_t> property(quint64 window, xcb_atom_t name, xcb_atom_t type)
{
    return owned(xcb_get_property_reply(
            connection(),
            xcb_get_property(connection(), 0, xcb_window_t(window), name, type, 0, 4096), nullptr));
}

QByteArray propertyBytes(quint64 window, xcb_atom_t name, xcb_atom_t type)
{
    const auto reply = property(window, name, type);
    if (!reply || reply->format != 8)
        return {};
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

std::optional<quint32> pidOf(xcb_window_t window, xcb_atom_t pidAtom)
{
    const auto reply = property(window, pidAtom, XCB_ATOM_CARDINAL);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    return *static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
}

bool viewable(xcb_window_t window)
{
    const auto reply = owned(xcb_get_window_attributes_reply(
            connection(), xcb_get_window_attributes(connection(), window), nullptr));
    return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

QList<xcb_window_t> childrenOf(xcb_window_t window)
{
    const auto reply = owned(
            xcb_query_tree_reply(connection(), xcb_query_tree(connection(), window), nullptr));
    if (!reply)
        return {};
    const xcb_window_t *children = xcb_query_tree_children(reply.get());
    return QList<xcb_window_t>(children, children + xcb_query_tree_children_length(reply.get()));
}

// Each window's children are tested before any of their own children, as xdotool searches.
void collect(xcb_window_t parent, quint32 pid, xcb_atom_t pidAtom, QList<quint64> &found)
{
    const QList<xcb_window_t> children = childrenOf(parent);
    for (const xcb_window_t child : children) {
        if (pidOf(child, pidAtom) == pid && viewable(child))
            found.append(child);
    }
    for (const xcb_window_t child : children)
        collect(child, pid, pidAtom, found);
}

} // namespace

QString title(quint64 window)
{
    const QByteArray name = propertyBytes(window, atom("_NET_WM_NAME"), atom("UTF8_STRING"));
    if (!name.isEmpty())
        return QString::fromUtf8(name);
    return QString::fromLocal8Bit(
            propertyBytes(window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY));
}

std::optional<QRect> geometry(quint64 window)
{
    const auto size = owned(xcb_get_geometry_reply(
            connection(), xcb_get_geometry(connection(), xcb_drawable_t(window)), nullptr));
    if (!size)
        return std::nullopt;
    const auto place = owned(xcb_translate_coordinates_reply(
            connection(),
            xcb_translate_coordinates(connection(), xcb_window_t(window), size->root, 0, 0),
            nullptr));
    if (!place)
        return std::nullopt;
    return QRect(place->dst_x, place->dst_y, size->width, size->height);
}

QList<quint64> viewableWindowsOf(qint64 pid)
{
    QList<quint64> found;
    xcb_connection_t *x = connection();
    if (x == nullptr)
        return found;
    const xcb_atom_t pidAtom = atom("_NET_WM_PID");
    for (xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(x)); screen.rem;
         xcb_screen_next(&screen))
        collect(screen.data->root, quint32(pid), pidAtom, found);
    return found;
}

} // namespace systemtest::xquery
