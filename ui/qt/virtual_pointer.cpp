#include "ui/qt/virtual_pointer.h"

#include "ui/qt/wayland_globals.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <QMetaObject>

namespace kivano::ui::qt {

VirtualPointer::VirtualPointer(WaylandGlobals& globals, QObject* parent)
    : QObject(parent), globals_(globals) {}

VirtualPointer::~VirtualPointer() {
    drop();
}

void VirtualPointer::drop() {
    if (pointer_ != nullptr) zwlr_virtual_pointer_v1_destroy(pointer_);
    if (manager_.proxy != nullptr)
        zwlr_virtual_pointer_manager_v1_destroy(
            static_cast<zwlr_virtual_pointer_manager_v1*>(manager_.proxy));
    pointer_ = nullptr;
    manager_ = {};
    globals_.flush();
}

// A withdrawn manager leaves its pointers inert: they move nothing any more.
bool VirtualPointer::stillOffered() {
    return globals_.update() && globals_.offers(manager_.name);
}

bool VirtualPointer::start() {
    globals_.rebind(manager_, zwlr_virtual_pointer_manager_v1_interface, 1, [this] { drop(); });
    auto* manager = static_cast<zwlr_virtual_pointer_manager_v1*>(manager_.proxy);
    if (manager == nullptr) return false;
    if (pointer_ == nullptr)
        pointer_ = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, nullptr);
    globals_.flush();
    return true;
}

bool VirtualPointer::move(double dx, double dy) {
    if (pointer_ == nullptr) return false;
    if (!stillOffered()) {
        drop();
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (onLost) onLost();
            },
            Qt::QueuedConnection);
        return false;
    }
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - epoch_);
    const auto time = static_cast<std::uint32_t>(ms.count()); // wraps, as a device clock does
    zwlr_virtual_pointer_v1_motion(pointer_, time, wl_fixed_from_double(dx), wl_fixed_from_double(dy));
    zwlr_virtual_pointer_v1_frame(pointer_);
    globals_.flush();
    return true;
}

} // namespace kivano::ui::qt
