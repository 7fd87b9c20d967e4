// The Qt edition's entry point.

#include "app/program.h"
#include "settings/file_registry.h"
#include "ui/qt/idle_inhibitor.h"
#include "ui/qt/kept_answer.h"
#include "ui/qt/qt_backend.h"
#include "ui/qt/remote_desktop.h"
#include "ui/qt/session_lock.h"
#include "ui/qt/virtual_pointer.h"
#include "ui/qt/wayland_cursor.h"
#include "ui/qt/wayland_globals.h"
#include "ui/qt/wayland_idle_inhibit.h"
#include "ui/qt/wayland_native.h"

#include <QApplication>
#include <QDBusConnection>
#include <QProcessEnvironment>
#include <QTimer>
#include <QWidget>

namespace {

// Under XWayland a warp moves no real pointer: in a Wayland session the Wayland platform is preferred.
void preferWayland() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qgetenv("XDG_SESSION_TYPE") == "wayland")
        qputenv("QT_QPA_PLATFORM", "wayland;xcb");
}

// GTK, loaded only for the desktop's theme and never drawing a window, would put a second, empty
// "kivano" on the accessibility bus beside Qt's own, and screen readers and test robots would find that
// one first. (The programs Kivano starts get the environment it was started with.)
void keepGtkOffTheAccessibilityBus() {
    qputenv("NO_AT_BRIDGE", "1");
}

} // namespace

int main(int argc, char** argv) {
    using namespace kivano;
    const QProcessEnvironment started = QProcessEnvironment::systemEnvironment();
    preferWayland();
    keepGtkOffTheAccessibilityBus(); // before the theme loads
    QApplication application(argc, argv);
    const bool wayland = QGuiApplication::platformName() == QStringLiteral("wayland");
    ui::qt::QtToolkit toolkit;
    ui::qt::BusClient sessionBus;
    ui::qt::BusClient systemBus(&QDBusConnection::systemBus);
    ui::qt::RemoteDesktop remote(sessionBus);
    ui::qt::QtCursor x11Cursor;
    // On wlroots compositors the compositor itself moves the pointer and keeps the session awake.
    ui::qt::WaylandGlobals globals(ui::qt::qtWaylandDisplay());
    ui::qt::VirtualPointer pointer(globals);
    ui::qt::WaylandIdleInhibit surfaceInhibit(globals, [&toolkit] {
        const QWidget* main = toolkit.mainWidget();
        return ui::qt::qtWaylandSurface(main != nullptr ? main->windowHandle() : nullptr);
    });
    ui::qt::WaylandCursor waylandCursor([&](double dx, double dy) {
        if (!pointer.move(dx, dy)) remote.move(dx, dy);
    });
    ui::qt::IdleInhibitor inhibitor(sessionBus);
    ui::qt::SessionLock lock(systemBus, sessionBus);
    const ui::qt::WaylandServices waylandServices{pointer, remote, surfaceInhibit};
    ui::qt::QtSystem system(&inhibitor, wayland ? &waylandServices : nullptr, started);
    settings::FileRegistry registry(settings::FileRegistry::defaultRoots());
    app::FixedSeedRandom random;
    app::Services services{toolkit, wayland ? static_cast<ui::Cursor&>(waylandCursor) : x11Cursor, system,
                           registry, random};

    ui::qt::keepAnswerIn(registry, remote);
    const int code = app::runProgram(services, [&](app::frmMain& form) {
        remote.onRefused = [&form] { form.Pointer_Refused(); };
        remote.onStarted = [&form] { form.Pointer_Granted(); };
        pointer.onLost = [&form] { form.Pointer_Refused(); };
        lock.onChanged = [&form](bool locked) { form.window().onSessionLock(locked); };
        // Once the window is up: the buses are not worth its first paint.
        QTimer::singleShot(0, &lock, [&lock] { lock.watch(); });
        // On X11 each warp keeps the server awake; under Wayland nothing may be left holding.
        if (wayland)
            inhibitor.onNothingHeld = [&form, &surfaceInhibit] {
                if (!surfaceInhibit.held()) form.Awake_Refused();
            };
    });
    // The window is gone.
    remote.onRefused = remote.onStarted = pointer.onLost = inhibitor.onNothingHeld = nullptr;
    lock.onChanged = nullptr;
    return code;
}
