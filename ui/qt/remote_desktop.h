#pragma once
// The desktop portal's remote-desktop session: under Wayland the one sanctioned way for a program to
// move the pointer. The desktop asks the user once, with its own dialog, when the session starts; the
// session then takes relative pointer motions. Everything is asynchronous: each portal request answers
// through the Response signal of its request object, which is subscribed to before the call is made.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <optional>

class QDBusMessage;

namespace kivano::ui::qt {

class RemoteDesktop final : public QObject {
    Q_OBJECT

  public:
    enum class State { Idle, Starting, Active };

    // The bus is connected on the first Start, not at start-up: the first window needs none of it.
    explicit RemoteDesktop(std::function<QDBusConnection()> connect = &QDBusConnection::sessionBus,
                           QObject* parent = nullptr);
    ~RemoteDesktop() override;
    RemoteDesktop(const RemoteDesktop&) = delete;
    RemoteDesktop& operator=(const RemoteDesktop&) = delete;

    // Starts a session unless one is active or on its way; a session lives for the rest of the run.
    void start();
    // A relative pointer motion, in logical pixels; dropped while no session is active.
    void move(double dx, double dy);
    // After a refusal the desktop is asked again only once the user is back at Kivano's window (the
    // pointer seen over it), never by a schedule on its own.
    void allowRetry() { retryBlocked_ = false; }
    [[nodiscard]] State state() const { return state_; }

    // Told once each time the desktop refuses, cancels or closes the session, or has no such portal.
    std::function<void()> onRefused;
    // Where the portal can restore a session without asking (its version 2 and later), the token it
    // gives is kept between runs through these.
    std::function<QString()> loadToken;
    std::function<void(const QString&)> saveToken;

  private slots:
    void response(uint code, const QVariantMap& results);
    void closed();

  private:
    using Step = void (RemoteDesktop::*)(const QVariantMap& results);

    // Calls a portal method that answers through a request object, then `next` with its results.
    void request(const QString& method, const QVariantList& args, QVariantMap options, Step next);
    void subscribe(const QString& path);
    void createSession(unsigned version);
    void selectDevices(const QVariantMap& results);
    void startSession(const QVariantMap& results);
    void started(const QVariantMap& results);
    void fail();

    QDBusConnection& bus();

    std::function<QDBusConnection()> connect_;
    std::optional<QDBusConnection> bus_;
    State state_ = State::Idle;
    QString session_;
    QString requestPath_;
    Step next_ = nullptr;
    unsigned version_ = 1;
    bool usedToken_ = false;
    bool retryBlocked_ = false;
    int tokens_ = 0;
};

} // namespace kivano::ui::qt
