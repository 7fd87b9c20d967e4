#pragma once
// The pointer under Wayland, where no program may read or place it. The position is tracked here, in
// a frame whose origin is the window's top-left corner: it starts where the pointer was last seen over
// Kivano's window, follows Kivano's own moves (sent to the remote-desktop session as relative
// motions), and is corrected whenever the pointer is seen over the window again.

#include "ui/ui.h"

#include <QPoint>

namespace kivano::ui::qt {

class RemoteDesktop;

class WaylandCursor final : public ui::Cursor {
  public:
    explicit WaylandCursor(RemoteDesktop& desktop) : desktop_(desktop) {}
    bool get(Point& where) override;
    // Clipped to a screen of the size of the one the window is on, as a platform clips the pointer.
    bool set(Point where) override;

  private:
    void catchUp();

    RemoteDesktop& desktop_;
    Point tracked_;
    QPoint seen_{-1, -1};
};

} // namespace kivano::ui::qt
