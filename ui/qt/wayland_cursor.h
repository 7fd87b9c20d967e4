#pragma once
// The pointer under Wayland, where no program may read or place it. The position is tracked here, in
// a frame whose origin is the window's top-left corner: it starts where the pointer was last seen over
// Kivano's window, follows Kivano's own moves (sent on as relative motions: to the remote-desktop
// session, or the compositor's virtual pointer), and is corrected whenever the pointer is seen over the
// window again.

#include "ui/ui.h"

#include <QPoint>
#include <functional>
#include <utility>

namespace kivano::ui::qt {

class WaylandCursor final : public ui::Cursor {
  public:
    // Where each relative motion goes, in logical pixels.
    using Motion = std::function<void(double dx, double dy)>;
    explicit WaylandCursor(Motion move) : move_(std::move(move)) {}
    bool get(Point& where) override;
    // Clipped to a screen of the size of the one the window is on, as a platform clips the pointer.
    bool set(Point where) override;

  private:
    void catchUp();

    Motion move_;
    Point tracked_;
    QPoint seen_{-1, -1};
};

} // namespace kivano::ui::qt
