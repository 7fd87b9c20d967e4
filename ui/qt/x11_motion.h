#pragma once
// Pointer motion on X11 as device input, through the XTest extension on Qt's own X connection. A warp
// moves the pointer but is no input: the server's idle time resets, yet the observers that read the
// input devices' events (XInput2 raw events, as xscreensaver does) never see it.

#include "ui/ui.h"

#include <memory>

struct xcb_connection_t;

namespace kivano::ui::qt {

class X11Motion {
  public:
    // Over Qt's X connection; none where Qt is not on X11 or the server lacks XTest.
    static std::unique_ptr<X11Motion> open();
    // Moves the pointer to `where` on the root window as a device would: the server clips it to the
    // screens and has placed it before it answers the next request.
    void moveTo(Point where);

  private:
    X11Motion(xcb_connection_t* connection, unsigned root) : connection_(connection), root_(root) {}

    xcb_connection_t* connection_;
    unsigned root_;
};

} // namespace kivano::ui::qt
