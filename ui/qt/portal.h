#pragma once
// The desktop portal's names on the session bus, shared by the services that use it.

#include <QDBusConnection>
#include <QString>

namespace kivano::ui::qt::portal {

inline const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

// The path of the request object a call with this handle_token makes: known before the call, so that
// its Response is listened for before it can come.
inline QString requestPath(const QDBusConnection& bus, const QString& token) {
    QString sender = bus.baseService().mid(1);
    sender.replace('.', '_');
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

} // namespace kivano::ui::qt::portal
