#pragma once
// Keeps the desktop session from going idle while Kivano moves the pointer: an idle inhibitor held on
// the session bus, through the screen saver's own interface (GNOME, KDE) where the desktop offers it,
// else through GNOME's session manager (which MATE and Cinnamon serve too, and whose list their screen
// savers heed), else through the desktop portal, held only once its request answers yes. Where none is
// there, nothing is held and nothing is said. Every call is asynchronous: a bus that does not answer
// never stalls the window. Each way is tried at most once per request to stay awake: after a no from
// all, nothing is asked again until one of their names appears on the bus or the next request comes.

#include "ui/qt/bus_client.h"
#include "ui/qt/portal_request.h"

#include <QDBusError>
#include <QDBusPendingCall>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <array>
#include <cstddef>
#include <functional>

namespace kivano::ui::qt {

class IdleInhibitor final : public QObject {
    Q_OBJECT

  public:
    // The bus is connected on first use, not at start-up: the first window needs none of it.
    explicit IdleInhibitor(BusClient& client, QObject* parent = nullptr);
    ~IdleInhibitor() override;
    IdleInhibitor(const IdleInhibitor&) = delete;
    IdleInhibitor& operator=(const IdleInhibitor&) = delete;

    // Asks for an inhibitor (on) or lets it go (off); at most one is held at a time.
    void hold(bool on);

    // Told each time both ways have said no to a standing request to stay awake.
    std::function<void()> onNothingHeld;

  private:
    enum class Via { ScreenSaver, SessionManager, Portal, None };
    static constexpr std::size_t kWays = 3;

    void reconcile();
    [[nodiscard]] Via nextToTry() const;
    void request(Via via);
    void answered(const QDBusMessage& reply);
    void portalAnswered(PortalRequest::Outcome outcome);
    void settled(bool held);
    void release();
    void appeared(const QString& name);
    void vanished(const QString& name);

    QDBusConnection& bus();

    BusClient& client_;
    bool watching_ = false; // the desktop's services, once the bus is in use
    bool wanted_ = false;
    bool pending_ = false;  // an answer is on its way
    Via asked_ = Via::None; // whom it went to
    QDBusPendingCall call_{QDBusPendingCall::fromError(QDBusError())};
    PortalRequest* portal_ = nullptr; // the portal's request while it is asked
    // Who said no (or never answered) since the last request to stay awake or the last name that
    // appeared: none is asked again until then.
    std::array<bool, kWays> saidNo_{};
    Via held_ = Via::None;
    quint32 cookie_ = 0; // the screen saver's or the session manager's
    QString handle_;     // the portal's request object, once it holds
};

} // namespace kivano::ui::qt
