#include "ui/qt/wayland_cursor.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace kivano::ui::qt {

// Qt knows the pointer only from the events of its own windows, in their frame: a change there means
// the pointer was seen over the window, and it is where Qt says.
void WaylandCursor::catchUp() {
    const QPoint now = QCursor::pos();
    if (now == seen_) return;
    seen_ = now;
    tracked_ = {now.x(), now.y()};
}

bool WaylandCursor::get(Point& where) {
    catchUp();
    where = tracked_;
    return true;
}

bool WaylandCursor::set(Point where) {
    catchUp();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen != nullptr ? screen->size() : QSize(1, 1);
    where.x = std::clamp(where.x, 0, size.width() - 1);
    where.y = std::clamp(where.y, 0, size.height() - 1);
    move_(where.x - tracked_.x, where.y - tracked_.y);
    tracked_ = where;
    return true;
}

} // namespace kivano::ui::qt
