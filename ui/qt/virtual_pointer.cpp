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
    if (manager_ != nullptr) zwlr_virtual_pointer_manager_v1_destroy(manager_);
    pointer_ = nullptr;
    manager_ = nullptr;
    globals_.flush();
}

// A withdrawn manager leaves its pointers inert: they move nothing any more.
bool VirtualPointer::stillOffered() {
    return globals_.update() && globals_.offers(managerName_);
}

bool VirtualPointer::start() {
    if (manager_ != nullptr && !stillOffered()) drop();
    if (manager_ == nullptr) {
        const auto bound = globals_.bind(zwlr_virtual_pointer_manager_v1_interface, 1);
        manager_ = static_cast<zwlr_virtual_pointer_manager_v1*>(bound.proxy);
        managerName_ = bound.name;
    }
    if (manager_ == nullptr) return false;
    if (pointer_ == nullptr)
        pointer_ = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager_, nullptr);
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
