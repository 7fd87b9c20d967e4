#pragma once
// Keeps the session awake through the compositor itself (wlroots compositors, where no desktop service
// on the bus takes an inhibitor): an idle inhibitor on Kivano's main window, honoured while the window
// is visible. Made on Qt's connection, through our own registry.

#include "ui/qt/wayland_globals.h"

#include <functional>

struct wl_surface;
struct zwp_idle_inhibit_manager_v1;
struct zwp_idle_inhibitor_v1;

namespace kivano::ui::qt {

class WaylandIdleInhibit {
  public:
    // `surface` gives the main window's surface while it is shown, else null.
    WaylandIdleInhibit(WaylandGlobals& globals, std::function<wl_surface*()> surface);
    ~WaylandIdleInhibit();
    WaylandIdleInhibit(const WaylandIdleInhibit&) = delete;
    WaylandIdleInhibit& operator=(const WaylandIdleInhibit&) = delete;

    // Takes an inhibitor (on) or lets it go (off); at most one is held. False where none could be
    // taken: the compositor offers none, or the window is not shown.
    bool hold(bool on);
    [[nodiscard]] bool held() const { return inhibitor_ != nullptr; }

  private:
    void release();
    [[nodiscard]] zwp_idle_inhibit_manager_v1* manager() const;

    WaylandGlobals& globals_;
    std::function<wl_surface*()> surface_;
    WaylandGlobals::Bound manager_;
    zwp_idle_inhibitor_v1* inhibitor_ = nullptr;
};

} // namespace kivano::ui::qt
