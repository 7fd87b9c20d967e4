#pragma once
// The compositor's virtual pointer (wlroots compositors: Sway, labwc, Wayfire): relative motions that
// the compositor takes as input of a pointer device of its own, moving the real pointer and counting as
// activity. Nothing is asked of the user. Made on Qt's connection, through our own registry.

#include "ui/qt/wayland_globals.h"

#include <QObject>
#include <chrono>
#include <cstdint>
#include <functional>

struct zwlr_virtual_pointer_manager_v1;
struct zwlr_virtual_pointer_v1;

namespace kivano::ui::qt {

class VirtualPointer final : public QObject {
  public:
    // The pointer joins the compositor's default seat: Qt 6.4 crashes when asked for its seat before it
    // has an input device, which a headless or pointer-less session never has.
    explicit VirtualPointer(WaylandGlobals& globals, QObject* parent = nullptr);
    ~VirtualPointer() override;
    VirtualPointer(const VirtualPointer&) = delete;
    VirtualPointer& operator=(const VirtualPointer&) = delete;

    // Makes the pointer unless it is there: true where the compositor offers one.
    bool start();
    // A relative motion, in logical pixels; false (and nothing sent) while there is no pointer.
    bool move(double dx, double dy);

    // Told once, from the event loop, when the compositor takes away a pointer that was made.
    std::function<void()> onLost;

  private:
    bool stillOffered();
    void drop();

    WaylandGlobals& globals_;
    WaylandGlobals::Bound manager_;
    zwlr_virtual_pointer_v1* pointer_ = nullptr;
    std::chrono::steady_clock::time_point epoch_ = std::chrono::steady_clock::now();
};

} // namespace kivano::ui::qt
