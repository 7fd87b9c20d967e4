#include "ui/qt/wayland_globals.h"

#include <algorithm>
#include <cstring>
#include <wayland-client.h>

namespace kivano::ui::qt {

WaylandGlobals::WaylandGlobals(wl_display* display) : display_(display) {
    if (display_ == nullptr) return;
    queue_ = wl_display_create_queue(display_);
    // The registry is made through a wrapper on our queue, so that not one of its events reaches Qt's.
    auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display_));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue_);
    registry_ = wl_display_get_registry(wrapper);
    wl_proxy_wrapper_destroy(wrapper);
    static const wl_registry_listener listener{&WaylandGlobals::added, &WaylandGlobals::removed};
    wl_registry_add_listener(registry_, &listener, this);
    wl_display_roundtrip_queue(display_, queue_);
}

WaylandGlobals::~WaylandGlobals() {
    if (registry_ != nullptr) wl_registry_destroy(registry_);
    if (queue_ != nullptr) wl_event_queue_destroy(queue_);
}

void WaylandGlobals::added(void* data, wl_registry* /*registry*/, std::uint32_t name, const char* interface,
                           std::uint32_t version) {
    static_cast<WaylandGlobals*>(data)->globals_.push_back({name, interface, version});
}

void WaylandGlobals::removed(void* data, wl_registry* /*registry*/, std::uint32_t name) {
    std::erase_if(static_cast<WaylandGlobals*>(data)->globals_,
                  [name](const Global& g) { return g.name == name; });
}

WaylandGlobals::Bound WaylandGlobals::bind(const wl_interface& interface, std::uint32_t version) {
    if (!update()) return {};
    const auto it = std::find_if(globals_.begin(), globals_.end(),
                                 [&](const Global& g) { return g.interface == interface.name; });
    if (it == globals_.end() || registry_ == nullptr) return {};
    const std::uint32_t wanted = std::min(version, it->version);
    return {wl_registry_bind(registry_, it->name, &interface, wanted), it->name};
}

void WaylandGlobals::rebind(Bound& bound, const wl_interface& interface, std::uint32_t version,
                            const std::function<void()>& letGo) {
    if (bound.proxy != nullptr && !(update() && offers(bound.name))) {
        letGo();
        bound = {};
    }
    if (bound.proxy == nullptr) bound = bind(interface, version);
}

bool WaylandGlobals::update() {
    if (display_ == nullptr) return false;
    if (wl_display_dispatch_queue_pending(display_, queue_) >= 0 && wl_display_get_error(display_) == 0)
        return true;
    globals_.clear(); // a failed connection offers nothing any more
    return false;
}

bool WaylandGlobals::offers(std::uint32_t name) const {
    return std::any_of(globals_.begin(), globals_.end(), [name](const Global& g) { return g.name == name; });
}

void WaylandGlobals::flush() {
    if (display_ != nullptr) wl_display_flush(display_);
}

} // namespace kivano::ui::qt
