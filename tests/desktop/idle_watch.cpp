// Watches a Wayland session's idle state from outside, as a screen locker would: asks the compositor
// (ext-idle-notify-v1) to say when no input came for TIMEOUT ms, listens for WATCH ms, then prints
// "idle N" or "active N", N being how often the session went idle meanwhile.
// Usage: idle_watch TIMEOUT-MS WATCH-MS

#include "ext-idle-notify-v1-client-protocol.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <wayland-client.h>

namespace {

struct Watch {
    wl_seat* seat = nullptr;
    ext_idle_notifier_v1* notifier = nullptr;
    bool idle = false;
    int idled = 0;
};

void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t /*version*/) {
    auto* watch = static_cast<Watch*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && watch->seat == nullptr) {
        watch->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
        watch->notifier = static_cast<ext_idle_notifier_v1*>(
            wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    }
}

void globalRemoved(void* /*data*/, wl_registry* /*registry*/, uint32_t /*name*/) {}

void idled(void* data, ext_idle_notification_v1* /*notification*/) {
    auto* watch = static_cast<Watch*>(data);
    watch->idle = true;
    ++watch->idled;
}

void resumed(void* data, ext_idle_notification_v1* /*notification*/) {
    static_cast<Watch*>(data)->idle = false;
}

// Dispatches the compositor's events until `ms` have passed.
bool listen(wl_display* display, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) return true;
        while (wl_display_prepare_read(display) != 0)
            wl_display_dispatch_pending(display);
        wl_display_flush(display);
        pollfd fd{wl_display_get_fd(display), POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left.count())) > 0) {
            if (wl_display_read_events(display) != 0) return false;
        } else {
            wl_display_cancel_read(display);
        }
        if (wl_display_dispatch_pending(display) < 0) return false;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: idle_watch TIMEOUT-MS WATCH-MS\n", stderr);
        return 2;
    }
    const auto timeout = static_cast<uint32_t>(std::stoul(argv[1]));
    const int watchMs = std::stoi(argv[2]);
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fputs("idle_watch: no Wayland display\n", stderr);
        return 1;
    }
    Watch watch;
    const wl_registry_listener registryListener{global, globalRemoved};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &watch);
    wl_display_roundtrip(display);
    if (watch.seat == nullptr || watch.notifier == nullptr) {
        std::fputs("idle_watch: the compositor offers no seat or no ext-idle-notify-v1\n", stderr);
        return 1;
    }
    const ext_idle_notification_v1_listener notificationListener{idled, resumed};
    ext_idle_notification_v1* notification =
        ext_idle_notifier_v1_get_idle_notification(watch.notifier, timeout, watch.seat);
    ext_idle_notification_v1_add_listener(notification, &notificationListener, &watch);
    if (!listen(display, watchMs)) {
        std::fputs("idle_watch: lost the compositor\n", stderr);
        return 1;
    }
    std::printf("%s %d\n", watch.idle ? "idle" : "active", watch.idled);
    ext_idle_notification_v1_destroy(notification);
    wl_display_disconnect(display);
    return 0;
}
