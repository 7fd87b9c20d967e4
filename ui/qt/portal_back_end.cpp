#include "ui/qt/portal_back_end.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

namespace kivano::ui::qt {

namespace {

// Every back end's well-known name starts so (gnome, kde, gtk, wlr, ...).
const QString kBackEndPrefix = QStringLiteral("org.freedesktop.impl.portal.desktop.");
const QString kImplSession = QStringLiteral("\"org.freedesktop.impl.portal.Session\"");
constexpr int kCallTimeoutMs = 5000;

} // namespace

PortalBackEnd::PortalBackEnd(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus), watcher_(new QDBusServiceWatcher(this)) {
    watcher_->setConnection(bus);
    watcher_->setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this, &PortalBackEnd::ownerChanged);
}

void PortalBackEnd::watch(const QString& session) {
    forget();
    session_ = session;
    // Only back ends that run now: asking an activatable name would start it.
    const QDBusMessage list = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
    auto* call = new QDBusPendingCallWatcher(bus_.asyncCall(list, kCallTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, session](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        if (session != session_ || reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return;
        for (const QString& name : reply.arguments().front().toStringList())
            if (name.startsWith(kBackEndPrefix)) ask(name, session);
    });
}

void PortalBackEnd::ask(const QString& name, const QString& session) {
    const QDBusMessage introspect = QDBusMessage::createMethodCall(
        name, session, QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    auto* call = new QDBusPendingCallWatcher(bus_.asyncCall(introspect, kCallTimeoutMs), this);
    connect(
        call, &QDBusPendingCallWatcher::finished, this, [this, name, session](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            const QDBusMessage reply = w->reply();
            if (session != session_ || !name_.isEmpty() || reply.type() != QDBusMessage::ReplyMessage ||
                reply.arguments().isEmpty() || !reply.arguments().front().toString().contains(kImplSession))
                return;
            name_ = name;
            watcher_->addWatchedService(name);
        });
}

void PortalBackEnd::forget() {
    session_.clear();
    name_.clear();
    watcher_->setWatchedServices({});
}

void PortalBackEnd::ownerChanged(const QString& name) {
    if (name.isEmpty() || name != name_) return;
    forget();
    if (onLost) onLost();
}

} // namespace kivano::ui::qt
