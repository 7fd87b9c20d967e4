#include "ui/qt/x11_motion.h"

#include <QGuiApplication>
#include <algorithm>
#include <cstdint>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace kivano::ui::qt {

std::unique_ptr<X11Motion> X11Motion::open() {
    auto* x11 = qApp != nullptr ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr) return nullptr;
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(connection, &xcb_test_id);
    if (xtest == nullptr || xtest->present == 0) return nullptr;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    return std::unique_ptr<X11Motion>(new X11Motion(connection, root));
}

void X11Motion::moveTo(Point where) {
    // Detail 0: an absolute position. X coordinates are 16 bits; farther off is clipped all the same.
    const auto coordinate = [](std::int32_t v) {
        return static_cast<std::int16_t>(std::clamp(v, -32768, 32767));
    };
    xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_, coordinate(where.x),
                        coordinate(where.y), 0);
    xcb_flush(connection_);
}

} // namespace kivano::ui::qt
