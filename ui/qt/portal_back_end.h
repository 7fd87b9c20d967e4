#pragma once
// The portal's front end passes a remote-desktop session's calls on to the desktop's own back end (a
// service such as xdg-desktop-portal-gnome or -kde) and does not notice when that back end dies: the
// session lives on in the front end, motions are taken without a word, and nothing moves. The back end
// exports its side of the session under the same object path, which tells which of them holds it; its
// bus name changing hands is then the session's end. One look per session, then only the bus's own
// name-owner signal: nothing is polled.

#include "ui/qt/bus_client.h"

#include <QObject>
#include <QString>
#include <functional>

class QDBusServiceWatcher;

namespace kivano::ui::qt {

class PortalBackEnd final : public QObject {
  public:
    PortalBackEnd(BusClient& client, QObject* parent);

    // Finds the back end that holds `session` and watches it from then on; forgets any earlier one.
    void watch(const QString& session);
    void forget();
    // The name being watched, once found.
    [[nodiscard]] const QString& name() const { return name_; }

    // Told once when the watched back end leaves the bus or another process takes its name.
    std::function<void()> onLost;

  private:
    void ask(const QString& name, const QString& session);
    void ownerChanged(const QString& name);

    BusClient& client_;
    QDBusServiceWatcher* watcher_;
    QString session_;
    QString name_;
};

} // namespace kivano::ui::qt
