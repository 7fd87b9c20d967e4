#include "ui/qt/wayland_native.h"

#include <QGuiApplication>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

// Qt 6.4 has no public way to these (QNativeInterface::QWaylandApplication came with 6.5); the platform
// plugin's native interface gives them on every release since.

namespace kivano::ui::qt {

namespace {
QPlatformNativeInterface* native() {
    if (QGuiApplication::platformName() != QStringLiteral("wayland")) return nullptr;
    return QGuiApplication::platformNativeInterface();
}
} // namespace

wl_display* qtWaylandDisplay() {
    QPlatformNativeInterface* n = native();
    return n == nullptr ? nullptr : static_cast<wl_display*>(n->nativeResourceForIntegration("wl_display"));
}

wl_surface* qtWaylandSurface(QWindow* window) {
    QPlatformNativeInterface* n = native();
    if (n == nullptr || window == nullptr || window->handle() == nullptr) return nullptr;
    return static_cast<wl_surface*>(n->nativeResourceForWindow("surface", window));
}

} // namespace kivano::ui::qt
