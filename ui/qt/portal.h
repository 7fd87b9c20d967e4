#pragma once
// The desktop portal's names on the session bus, shared by the services that use it.

#include <QString>

namespace kivano::ui::qt::portal {

inline const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

} // namespace kivano::ui::qt::portal
