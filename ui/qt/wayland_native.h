#pragma once
// Qt's own Wayland objects, as its platform plugin hands them out; all null outside Wayland.

struct wl_display;
struct wl_seat;
struct wl_surface;
class QWindow;

namespace kivano::ui::qt {

wl_display* qtWaylandDisplay();
wl_seat* qtWaylandSeat();
// The window's surface while it is shown; null before and after.
wl_surface* qtWaylandSurface(QWindow* window);

} // namespace kivano::ui::qt
