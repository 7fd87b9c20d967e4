#include "ui/qt/session_lock.h"

#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace kivano::ui::qt {

namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kSessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kLockedHint = QStringLiteral("LockedHint");

// The desktops' screen savers: each says ActiveChanged(true) when it locks or blanks the screen.
const char* const kScreenSavers[] = {
    "org.freedesktop.ScreenSaver", // KDE
    "org.gnome.ScreenSaver",       // GNOME
    "org.mate.ScreenSaver",        // MATE
    "org.cinnamon.ScreenSaver",    // Cinnamon
    "org.xfce.ScreenSaver",        // Xfce
};

} // namespace

SessionLock::SessionLock(BusClient& system, BusClient& session, QObject* parent)
    : QObject(parent), system_(system), session_(session) {}

void SessionLock::watch() {
    savers_ = new QDBusServiceWatcher(this);
    savers_->setConnection(session_.bus());
    savers_->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(savers_, &QDBusServiceWatcher::serviceUnregistered, this, &SessionLock::saverLeft);
    for (const char* name : kScreenSavers)
        session_.bus().connect(QString(), QString(), QString::fromLatin1(name),
                               QStringLiteral("ActiveChanged"), this,
                               SLOT(screenSaverActive(bool, QDBusMessage)));

    if (!system_.bus().isConnected()) return;
    // A launcher may start Kivano outside the session's own processes: "auto" is then the user's
    // graphical session, as logind resolves it.
    const QString id = qEnvironmentVariable("XDG_SESSION_ID");
    QDBusMessage call = QDBusMessage::createMethodCall(kLogind, QStringLiteral("/org/freedesktop/login1"),
                                                       QStringLiteral("org.freedesktop.login1.Manager"),
                                                       QStringLiteral("GetSession"));
    call << (id.isEmpty() ? QStringLiteral("auto") : id);
    system_.call(this, call, [this](const QDBusMessage& reply) {
        const std::optional<QVariant> path = firstArgument(reply);
        if (path && path->canConvert<QDBusObjectPath>()) found(path->value<QDBusObjectPath>().path());
    });
}

void SessionLock::found(const QString& session) {
    sessionPath_ = session;
    system_.bus().connect(kLogind, sessionPath_, kProperties, QStringLiteral("PropertiesChanged"), this,
                          SLOT(sessionChanged(QString, QVariantMap, QStringList)));
    readLockedHint();
}

void SessionLock::readLockedHint() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kLogind, sessionPath_, kProperties, QStringLiteral("Get"));
    call << kSessionInterface << kLockedHint;
    system_.call(this, call, [this](const QDBusMessage& reply) {
        const std::optional<QVariant> value = firstArgument(reply);
        if (!value) return;
        const bool locked = value->value<QDBusVariant>().variant().toBool();
        update([this, locked] { logindLocked_ = locked; });
    });
}

void SessionLock::sessionChanged(const QString& interface, const QVariantMap& changed,
                                 const QStringList& invalidated) {
    if (interface != kSessionInterface) return;
    if (changed.contains(kLockedHint)) {
        const bool locked = changed.value(kLockedHint).toBool();
        update([this, locked] { logindLocked_ = locked; });
    } else if (invalidated.contains(kLockedHint)) {
        readLockedHint();
    }
}

void SessionLock::screenSaverActive(bool active, const QDBusMessage& message) {
    const QString sender = message.service();
    if (active) savers_->addWatchedService(sender); // a screen saver that dies active unlocks nothing
    update([this, active, &sender] {
        if (active) {
            activeSavers_.insert(sender);
        } else {
            activeSavers_.remove(sender);
        }
    });
}

void SessionLock::saverLeft(const QString& name) {
    savers_->removeWatchedService(name);
    update([this, &name] { activeSavers_.remove(name); });
}

void SessionLock::update(const std::function<void()>& change) {
    const bool before = locked();
    change();
    if (locked() != before && onChanged) onChanged(locked());
}

} // namespace kivano::ui::qt
