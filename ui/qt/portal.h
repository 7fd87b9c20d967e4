#pragma once
// The desktop portal's names on the session bus, shared by the services that use it.

#include <QDBusObjectPath>
#include <QString>
#include <QVariant>

namespace kivano::ui::qt::portal {

inline const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

// An object path as the portal sends it: typed, or as a plain string by older versions.
QString pathOf(const QVariant& v);

} // namespace kivano::ui::qt::portal
