#include "ui/qt/wayland_idle_inhibit.h"

#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "ui/qt/wayland_globals.h"

#include <utility>

namespace kivano::ui::qt {

WaylandIdleInhibit::WaylandIdleInhibit(WaylandGlobals& globals, std::function<wl_surface*()> surface)
    : globals_(globals), surface_(std::move(surface)) {}

WaylandIdleInhibit::~WaylandIdleInhibit() {
    release();
    if (manager_ != nullptr) zwp_idle_inhibit_manager_v1_destroy(manager_);
    globals_.flush();
}

void WaylandIdleInhibit::release() {
    if (inhibitor_ != nullptr) zwp_idle_inhibitor_v1_destroy(inhibitor_);
    inhibitor_ = nullptr;
}

bool WaylandIdleInhibit::hold(bool on) {
    release();
    if (on) {
        // A withdrawn manager's inhibitors are inert: a manager offered anew is bound afresh.
        if (manager_ != nullptr && !(globals_.update() && globals_.offers(managerName_))) {
            zwp_idle_inhibit_manager_v1_destroy(manager_);
            manager_ = nullptr;
        }
        if (manager_ == nullptr) {
            const auto bound = globals_.bind(zwp_idle_inhibit_manager_v1_interface, 1);
            manager_ = static_cast<zwp_idle_inhibit_manager_v1*>(bound.proxy);
            managerName_ = bound.name;
        }
        wl_surface* surface = surface_ ? surface_() : nullptr;
        if (manager_ != nullptr && surface != nullptr)
            inhibitor_ = zwp_idle_inhibit_manager_v1_create_inhibitor(manager_, surface);
    }
    globals_.flush();
    return inhibitor_ != nullptr || !on;
}

} // namespace kivano::ui::qt
