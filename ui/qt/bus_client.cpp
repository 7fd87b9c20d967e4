#include "ui/qt/bus_client.h"

#include <QDBusPendingCallWatcher>
#include <QObject>

namespace kivano::ui::qt {

QDBusConnection& BusClient::bus() {
    if (!bus_) bus_ = connect_();
    return *bus_;
}

QDBusPendingCall BusClient::call(QObject* context, const QDBusMessage& message,
                                 std::function<void(const QDBusMessage&)> done) {
    QDBusPendingCall pending = bus().asyncCall(message, timeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(pending, context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [done = std::move(done)](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         done(w->reply());
                     });
    return pending;
}

QString BusClient::requestPath(const QString& token) {
    QString sender = bus().baseService().mid(1);
    sender.replace('.', '_');
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

std::optional<QVariant> firstArgument(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
    return reply.arguments().front();
}

} // namespace kivano::ui::qt
