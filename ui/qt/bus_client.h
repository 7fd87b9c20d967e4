#pragma once
// Kivano's side of a D-Bus bus, shared by the desktop services that use it (the idle inhibitor, the
// remote-desktop session and its back end's watch, the session's lock): one connection, made on first
// use; one timeout for every call; one source of the portal's request tokens, so that no two requests
// of the program share a request object's path.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

class QObject;

namespace kivano::ui::qt {

class BusClient {
  public:
    explicit BusClient(std::function<QDBusConnection()> connect = &QDBusConnection::sessionBus)
        : connect_(std::move(connect)) {}

    [[nodiscard]] QDBusConnection& bus();
    // Sends `message` without waiting; `done` runs once, in `context`'s thread and only while it
    // lives, with the reply: an answer, an error, or the timeout's error.
    QDBusPendingCall call(QObject* context, const QDBusMessage& message,
                          std::function<void(const QDBusMessage&)> done);
    // A fresh handle token, and the path of the request object a portal call made with it answers
    // from: known before the call, so that its Response is listened for before it can come.
    [[nodiscard]] QString nextToken() { return QStringLiteral("kivano%1").arg(++tokens_); }
    [[nodiscard]] QString requestPath(const QString& token);

    static constexpr int kTimeoutMs = 5000;
    int timeoutMs = kTimeoutMs; // how long a call may wait for its answer; tests make it short

  private:
    std::function<QDBusConnection()> connect_;
    std::optional<QDBusConnection> bus_;
    int tokens_ = 0;
};

// The first argument of an answer, or none for an error, a missing answer or an empty one.
std::optional<QVariant> firstArgument(const QDBusMessage& reply);

} // namespace kivano::ui::qt
