#pragma once
// The desktop portal's remote-desktop session: under Wayland the one sanctioned way for a program to
// move the pointer. The desktop asks the user once, with its own dialog, when the session starts; the
// session then takes relative pointer motions. Everything is asynchronous: each portal request answers
// through its request object (PortalRequest).
// Each Start is one attempt; an answer or a signal that belongs to an older attempt or session changes
// nothing but closing what it opened.

#include "ui/qt/bus_client.h"
#include "ui/qt/portal_request.h"

#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>

class QDBusMessage;

namespace kivano::ui::qt {

class PortalBackEnd;

class RemoteDesktop final : public QObject {
    Q_OBJECT

  public:
    enum class State { Idle, Starting, Active };

    // The bus is connected on the first Start, not at start-up: the first window needs none of it.
    explicit RemoteDesktop(BusClient& client, QObject* parent = nullptr);
    ~RemoteDesktop() override;
    RemoteDesktop(const RemoteDesktop&) = delete;
    RemoteDesktop& operator=(const RemoteDesktop&) = delete;

    // Starts a session unless one is active or on its way: the user's Start asks the desktop, again
    // after a refusal. A session lives for the rest of the run, or until the desktop ends it.
    void start();
    // A relative pointer motion, in logical pixels; dropped while no session is active.
    void move(double dx, double dy);
    [[nodiscard]] State state() const { return state_; }

    // Told once each time the desktop refuses, the user cancels, the desktop ends the session or has
    // no such portal; and each time a session starts.
    std::function<void()> onRefused;
    std::function<void()> onStarted;
    // Where the portal can restore a session without asking (its version 2 and later), the token it
    // gives is kept between runs through these.
    std::function<QString()> loadToken;
    std::function<void(const QString&)> saveToken;

    // Which back end serves the session, once found (empty until then); tests wait for it.
    [[nodiscard]] QString backEnd() const;

  private slots:
    void closed(const QVariantMap& details, const QDBusMessage& signal);

  private:
    using Step = void (RemoteDesktop::*)(const QVariantMap& results);
    // Why an attempt ended: only the desktop's own no to a kept answer is worth one fresh try.
    enum class Ending { UserSaidNo, DesktopSaidNo, Gone };

    // Calls a portal method that answers through a request object, then `next` with its results.
    void request(const QString& method, const QVariantList& args, QVariantMap options, Step next);
    void answered(int attempt, Step next, PortalRequest::Outcome outcome, const QVariantMap& results);
    void createSession(unsigned version);
    void selectDevices(const QVariantMap& results);
    void startSession(const QVariantMap& results);
    void started(const QVariantMap& results);
    void fail(Ending why);
    void closeSession(const QString& path);
    void dropSession();
    void vanished();

    QDBusConnection& bus();

    BusClient& client_;
    PortalBackEnd* backEnd_ = nullptr; // made with the bus's first use
    State state_ = State::Idle;
    int attempt_ = 0;
    QString session_;
    unsigned version_ = 1;
    bool usedToken_ = false;
};

} // namespace kivano::ui::qt
