#include "ui/qt/portal_back_end.h"

#include <QDBusMessage>
#include <QDBusServiceWatcher>

namespace kivano::ui::qt {

namespace {

// Every back end's well-known name starts so (gnome, kde, gtk, wlr, ...).
const QString kBackEndPrefix = QStringLiteral("org.freedesktop.impl.portal.desktop.");
const QString kImplSession = QStringLiteral("\"org.freedesktop.impl.portal.Session\"");

} // namespace

PortalBackEnd::PortalBackEnd(BusClient& client, QObject* parent)
    : QObject(parent), client_(client), watcher_(new QDBusServiceWatcher(this)) {
    watcher_->setConnection(client.bus());
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
    client_.call(this, list, [this, session](const QDBusMessage& reply) {
        const std::optional<QVariant> names = firstArgument(reply);
        if (session != session_ || !names) return;
        for (const QString& name : names->toStringList())
            if (name.startsWith(kBackEndPrefix)) ask(name, session);
    });
}

void PortalBackEnd::ask(const QString& name, const QString& session) {
    const QDBusMessage introspect = QDBusMessage::createMethodCall(
        name, session, QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    client_.call(this, introspect, [this, name, session](const QDBusMessage& reply) {
        const std::optional<QVariant> xml = firstArgument(reply);
        if (session != session_ || !name_.isEmpty() || !xml || !xml->toString().contains(kImplSession))
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
