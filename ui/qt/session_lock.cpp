#include "ui/qt/session_lock.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
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

// Calls `done` with the reply's single argument, or not at all for an error or no answer.
void onReply(QObject* owner, const QDBusPendingCall& call, std::function<void(const QVariant&)> done) {
    auto* watcher = new QDBusPendingCallWatcher(call, owner);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, owner,
                     [done = std::move(done)](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         const QDBusMessage reply = w->reply();
                         if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1)
                             done(reply.arguments().front());
                     });
}

} // namespace

SessionLock::SessionLock(std::function<QDBusConnection()> system, std::function<QDBusConnection()> session,
                         QObject* parent)
    : QObject(parent), connectSystem_(std::move(system)), connectSession_(std::move(session)) {}

void SessionLock::watch() {
    QDBusConnection session = connectSession_();
    savers_ = new QDBusServiceWatcher(this);
    savers_->setConnection(session);
    savers_->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(savers_, &QDBusServiceWatcher::serviceUnregistered, this, &SessionLock::saverLeft);
    for (const char* name : kScreenSavers)
        session.connect(QString(), QString(), QString::fromLatin1(name), QStringLiteral("ActiveChanged"),
                        this, SLOT(screenSaverActive(bool, QDBusMessage)));

    system_ = connectSystem_();
    if (!system_->isConnected()) return;
    // A launcher may start Kivano outside the session's own processes: "auto" is then the user's
    // graphical session, as logind resolves it.
    const QString id = qEnvironmentVariable("XDG_SESSION_ID");
    QDBusMessage call = QDBusMessage::createMethodCall(kLogind, QStringLiteral("/org/freedesktop/login1"),
                                                       QStringLiteral("org.freedesktop.login1.Manager"),
                                                       QStringLiteral("GetSession"));
    call << (id.isEmpty() ? QStringLiteral("auto") : id);
    onReply(this, system_->asyncCall(call, kCallTimeoutMs), [this](const QVariant& path) {
        if (path.canConvert<QDBusObjectPath>()) found(path.value<QDBusObjectPath>().path());
    });
}

void SessionLock::found(const QString& session) {
    session_ = session;
    system_->connect(kLogind, session_, kProperties, QStringLiteral("PropertiesChanged"), this,
                     SLOT(sessionChanged(QString, QVariantMap, QStringList)));
    readLockedHint();
}

void SessionLock::readLockedHint() {
    QDBusMessage call = QDBusMessage::createMethodCall(kLogind, session_, kProperties, QStringLiteral("Get"));
    call << kSessionInterface << kLockedHint;
    onReply(this, system_->asyncCall(call, kCallTimeoutMs), [this](const QVariant& value) {
        const bool locked = value.value<QDBusVariant>().variant().toBool();
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
