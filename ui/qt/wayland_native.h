#pragma once
// Qt's own Wayland objects, as its platform plugin hands them out; all null outside Wayland.

struct wl_display;
struct wl_surface;
class QWindow;

namespace kivano::ui::qt {

wl_display* qtWaylandDisplay();
// The window's surface while it is shown; null before and after.
wl_surface* qtWaylandSurface(QWindow* window);

} // namespace kivano::ui::qt
