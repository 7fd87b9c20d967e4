#pragma once
// The globals of a Wayland connection (Qt's own, in the program), seen through a registry and an event
// queue of our own: Qt's queue is never dispatched or waited on here, and no second connection is
// opened. A compositor may withdraw a global at any time; update() takes that in.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct wl_display;
struct wl_event_queue;
struct wl_interface;
struct wl_registry;

namespace kivano::ui::qt {

class WaylandGlobals {
  public:
    // Lists the compositor's globals with one round trip on our queue; a null display lists none.
    explicit WaylandGlobals(wl_display* display);
    ~WaylandGlobals();
    WaylandGlobals(const WaylandGlobals&) = delete;
    WaylandGlobals& operator=(const WaylandGlobals&) = delete;

    struct Bound {
        void* proxy = nullptr; // null where the compositor offers no such global
        std::uint32_t name = 0;
    };
    // Binds the compositor's global of this interface at no more than `version`; its objects answer on
    // our queue.
    Bound bind(const wl_interface& interface, std::uint32_t version);
    // Keeps `bound` one the compositor offers: a global withdrawn since it was bound leaves its objects
    // inert, so it is let go through `letGo` and the one offered now, if any, is bound in its place.
    void rebind(Bound& bound, const wl_interface& interface, std::uint32_t version,
                const std::function<void()>& letGo);
    // Takes in what the compositor said since the last call; false once the connection has failed.
    bool update();
    [[nodiscard]] bool offers(std::uint32_t name) const;
    // Sends the requests made so far without waiting for Qt to do it.
    void flush();

  private:
    struct Global {
        std::uint32_t name;
        std::string interface;
        std::uint32_t version;
    };
    static void added(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                      std::uint32_t version);
    static void removed(void* data, wl_registry* registry, std::uint32_t name);

    wl_display* display_;
    wl_event_queue* queue_ = nullptr;
    wl_registry* registry_ = nullptr;
    std::vector<Global> globals_;
};

} // namespace kivano::ui::qt
