#include "ui/qt/wayland_idle_inhibit.h"

#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "ui/qt/wayland_globals.h"

#include <utility>

namespace kivano::ui::qt {

WaylandIdleInhibit::WaylandIdleInhibit(WaylandGlobals& globals, std::function<wl_surface*()> surface)
    : globals_(globals), surface_(std::move(surface)) {}

WaylandIdleInhibit::~WaylandIdleInhibit() {
    release();
    if (manager() != nullptr) zwp_idle_inhibit_manager_v1_destroy(manager());
    globals_.flush();
}

zwp_idle_inhibit_manager_v1* WaylandIdleInhibit::manager() const {
    return static_cast<zwp_idle_inhibit_manager_v1*>(manager_.proxy);
}

void WaylandIdleInhibit::release() {
    if (inhibitor_ != nullptr) zwp_idle_inhibitor_v1_destroy(inhibitor_);
    inhibitor_ = nullptr;
}

bool WaylandIdleInhibit::hold(bool on) {
    release();
    if (on) {
        globals_.rebind(manager_, zwp_idle_inhibit_manager_v1_interface, 1,
                        [this] { zwp_idle_inhibit_manager_v1_destroy(manager()); });
        wl_surface* surface = surface_ ? surface_() : nullptr;
        if (manager() != nullptr && surface != nullptr)
            inhibitor_ = zwp_idle_inhibit_manager_v1_create_inhibitor(manager(), surface);
    }
    globals_.flush();
    return inhibitor_ != nullptr || !on;
}

} // namespace kivano::ui::qt
