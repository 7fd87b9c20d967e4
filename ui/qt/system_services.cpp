#include "ui/qt/system_services.h"

#include "ui/qt/idle_inhibitor.h"
#include "ui/qt/remote_desktop.h"
#include "ui/qt/text.h"
#include "ui/qt/virtual_pointer.h"
#include "ui/qt/wayland_idle_inhibit.h"
#include "ui/qt/x11_motion.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>

namespace kivano::ui::qt {

bool QtCursor::get(Point& where) {
    const QPoint p = QCursor::pos();
    where = {p.x(), p.y()};
    return true;
}

QtCursor::QtCursor() : motion_(X11Motion::open()) {}

QtCursor::~QtCursor() = default;

bool QtCursor::set(Point where) {
    if (motion_) {
        motion_->moveTo(where);
    } else {
        QCursor::setPos(where.x, where.y);
    }
    return true;
}

void QtSystem::keepAwake(bool on) {
    if (inhibitor_ != nullptr) inhibitor_->hold(on);
    if (wayland_ != nullptr) wayland_->surfaceInhibit.hold(on);
}

void QtSystem::requestPointer() {
    // The portal is asked only where the compositor has no virtual pointer (GNOME and Plasma have none).
    if (wayland_ != nullptr && !wayland_->pointer.start()) wayland_->remote.start();
}

std::string QtSystem::exeFolder() const {
    return QCoreApplication::applicationDirPath().toStdString();
}

std::string QtSystem::decimalSeparator() const {
    return QLocale::system().decimalPoint().toStdString();
}

bool QtSystem::fileExists(const std::string& path) const {
    return QFileInfo(q(path)).isFile();
}

bool QtSystem::startProcess(const std::string& path) {
    // The path is the program itself: no shell, no splitting, no arguments.
    if (path.empty()) return false;
    QProcess process;
    process.setProgram(q(path));
    process.setProcessEnvironment(children_);
    return process.startDetached();
}

} // namespace kivano::ui::qt
