#pragma once
// Whether the user's session is locked, as the desktop tells it: logind's LockedHint on Kivano's own
// session (system bus), and the ActiveChanged signal of the desktop's screen saver (session bus), which
// the X11 desktops' lockers send and logind never hears of. Only told, never polled: where nothing
// tells (a bare window manager, the wlroots lockers) the session never counts as locked.

#include "ui/qt/bus_client.h"

#include <QDBusMessage>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>

class QDBusServiceWatcher;

namespace kivano::ui::qt {

class SessionLock final : public QObject {
    Q_OBJECT

  public:
    SessionLock(BusClient& system, BusClient& session, QObject* parent = nullptr);

    // Starts listening; logind's answer may already say locked.
    void watch();
    [[nodiscard]] bool locked() const { return logindLocked_ || !activeSavers_.isEmpty(); }

    // Told each time locked() changes.
    std::function<void(bool)> onChanged;

  private slots:
    void screenSaverActive(bool active, const QDBusMessage& message);
    void sessionChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

  private:
    void found(const QString& session);
    void readLockedHint();
    void saverLeft(const QString& name);
    void update(const std::function<void()>& change);

    BusClient& system_;
    BusClient& session_;
    QString sessionPath_; // logind's object path of Kivano's session
    bool logindLocked_ = false;
    QSet<QString> activeSavers_; // the unique bus names of the screen savers that last said active
    QDBusServiceWatcher* savers_ = nullptr;
};

} // namespace kivano::ui::qt
