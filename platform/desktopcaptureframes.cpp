// The windows on the desktop, for capturing one of them. Only X11 lets a program see other programs'
// windows; elsewhere there is no list.
#include "platform/desktopcapture.h"

#ifdef BRIVO_HAVE_XCB
#include <QGuiApplication>
#include <qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#endif

namespace brivo {

#ifdef BRIVO_HAVE_XCB

namespace {

struct FreeReply
{
    void operator()(void *reply) const { std::free(reply); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

// The root window of the X screen the program shows its windows on: the one its display name names.
xcb_window_t rootWindow(xcb_connection_t *connection)
{
    int screenNumber = 0;
    char *host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screenNumber))
        std::free(host);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; screens.rem > 0; ++i, xcb_screen_next(&screens)) {
        if (i == screenNumber)
            return screens.data->root;
    }
    return XCB_WINDOW_NONE;
}

} // namespace

std::optional<QList<QRect>> desktopWindowFrames()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return std::nullopt;
    QList<QRect> frames;
    const xcb_window_t root = rootWindow(connection);
    if (root == XCB_WINDOW_NONE)
        return frames;

    // The root's children are the top-level windows (a window manager's frames, where it draws them),
    // bottom first. Every question is sent before the first answer is read: one round trip, not two per
    // window.
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
    if (!tree)
        return frames;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    QList<xcb_get_window_attributes_cookie_t> attributes;
    QList<xcb_get_geometry_cookie_t> geometries;
    for (int i = 0; i < count; ++i) {
        attributes.append(xcb_get_window_attributes(connection, children[i]));
        geometries.append(xcb_get_geometry(connection, children[i]));
    }
    for (int i = count - 1; i >= 0; --i) {
        const Reply<xcb_get_window_attributes_reply_t> attribute(
            xcb_get_window_attributes_reply(connection, attributes.at(i), nullptr));
        const Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(connection, geometries.at(i), nullptr));
        // A window may have gone between the two questions; one that is not drawn is no choice.
        if (!attribute || !geometry || attribute->map_state != XCB_MAP_STATE_VIEWABLE ||
            attribute->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT)
            continue;
        const int border = geometry->border_width;
        frames.append(
            QRect(geometry->x, geometry->y, geometry->width + 2 * border, geometry->height + 2 * border));
    }
    return frames;
}

#else

std::optional<QList<QRect>> desktopWindowFrames()
{
    return std::nullopt;
}

#endif

} // namespace brivo
