#include "ui/qt/remote_desktop.h"

#include "ui/qt/portal.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace kivano::ui::qt {

namespace {

const QString kRemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");
constexpr int kCallTimeoutMs = 5000;
constexpr uint kPointer = 2;
constexpr uint kPersistUntilRevoked = 2;

QString pathOf(const QVariant& v) {
    return v.canConvert<QDBusObjectPath>() ? v.value<QDBusObjectPath>().path() : v.toString();
}

} // namespace

RemoteDesktop::RemoteDesktop(std::function<QDBusConnection()> connect, QObject* parent)
    : QObject(parent), connect_(std::move(connect)) {}

QDBusConnection& RemoteDesktop::bus() {
    if (!bus_) {
        bus_ = connect_();
        // The portal going away ends its session as surely as a Closed signal would.
        auto* watcher = new QDBusServiceWatcher(portal::kService, *bus_,
                                                QDBusServiceWatcher::WatchForUnregistration, this);
        connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
            if (state_ != State::Idle) closed();
        });
    }
    return *bus_;
}

RemoteDesktop::~RemoteDesktop() {
    if (!session_.isEmpty()) {
        bus().send(
            QDBusMessage::createMethodCall(portal::kService, session_, kSession, QStringLiteral("Close")));
    }
}

void RemoteDesktop::start() {
    if (state_ != State::Idle || retryBlocked_) return;
    state_ = State::Starting;
    if (!bus().isConnected()) {
        fail();
        return;
    }
    // The version says whether the portal can keep the user's answer between runs.
    QDBusMessage get = QDBusMessage::createMethodCall(portal::kService, portal::kPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << kRemoteDesktop << QStringLiteral("version");
    auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(get, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusMessage reply = w->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            fail(); // no remote-desktop portal on this desktop
            return;
        }
        createSession(reply.arguments().front().value<QDBusVariant>().variant().toUInt());
    });
}

void RemoteDesktop::move(double dx, double dy) {
    if (state_ != State::Active || (dx == 0 && dy == 0)) return;
    QDBusMessage motion = QDBusMessage::createMethodCall(portal::kService, portal::kPath, kRemoteDesktop,
                                                         QStringLiteral("NotifyPointerMotion"));
    motion << QVariant::fromValue(QDBusObjectPath(session_)) << QVariantMap() << dx << dy;
    bus().send(motion);
}

void RemoteDesktop::createSession(unsigned version) {
    version_ = version;
    request(QStringLiteral("CreateSession"), {},
            {{QStringLiteral("session_handle_token"), QStringLiteral("kivano%1").arg(++tokens_)}},
            &RemoteDesktop::selectDevices);
}

void RemoteDesktop::selectDevices(const QVariantMap& results) {
    session_ = pathOf(results.value(QStringLiteral("session_handle")));
    if (session_.isEmpty()) {
        fail();
        return;
    }
    bus().connect(portal::kService, session_, kSession, QStringLiteral("Closed"), this, SLOT(closed()));
    QVariantMap options{{QStringLiteral("types"), kPointer}};
    if (version_ >= 2) {
        options.insert(QStringLiteral("persist_mode"), kPersistUntilRevoked);
        const QString token = loadToken ? loadToken() : QString();
        usedToken_ = !token.isEmpty();
        if (usedToken_) options.insert(QStringLiteral("restore_token"), token);
    }
    request(QStringLiteral("SelectDevices"), {QVariant::fromValue(QDBusObjectPath(session_))}, options,
            &RemoteDesktop::startSession);
}

void RemoteDesktop::startSession(const QVariantMap& /*results*/) {
    request(QStringLiteral("Start"), {QVariant::fromValue(QDBusObjectPath(session_)), QString()}, {},
            &RemoteDesktop::started);
}

void RemoteDesktop::started(const QVariantMap& results) {
    state_ = State::Active;
    const QString token = results.value(QStringLiteral("restore_token")).toString();
    if (!token.isEmpty() && saveToken) saveToken(token);
}

void RemoteDesktop::request(const QString& method, const QVariantList& args, QVariantMap options, Step next) {
    const QString token = QStringLiteral("kivano%1").arg(++tokens_);
    options.insert(QStringLiteral("handle_token"), token);
    // The request object's path is known before the call, so its answer cannot slip past.
    QString sender = bus().baseService().mid(1);
    sender.replace('.', '_');
    next_ = next;
    const QString expected =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    subscribe(expected);
    QDBusMessage call =
        QDBusMessage::createMethodCall(portal::kService, portal::kPath, kRemoteDesktop, method);
    call.setArguments(args + QVariantList{options});
    auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, expected](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (requestPath_ != expected || next_ == nullptr) return; // answered already: the flow went on
        const QDBusMessage reply = w->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            fail();
            return;
        }
        // Older portals name the request object themselves.
        const QString path = pathOf(reply.arguments().front());
        if (path != expected) subscribe(path);
    });
}

void RemoteDesktop::subscribe(const QString& path) {
    if (!requestPath_.isEmpty()) {
        bus().disconnect(portal::kService, requestPath_, kRequest, QStringLiteral("Response"), this,
                         SLOT(response(uint, QVariantMap)));
    }
    requestPath_ = path;
    bus().connect(portal::kService, requestPath_, kRequest, QStringLiteral("Response"), this,
                  SLOT(response(uint, QVariantMap)));
}

void RemoteDesktop::response(uint code, const QVariantMap& results) {
    const Step next = next_;
    next_ = nullptr;
    if (next == nullptr || state_ != State::Starting) return; // late or repeated: nothing waits for it
    if (code != 0) {                                          // 1: the user said no, 2: the desktop did
        fail();
        return;
    }
    (this->*next)(results);
}

void RemoteDesktop::closed() {
    if (state_ == State::Idle) return;
    session_.clear();
    fail();
}

void RemoteDesktop::fail() {
    next_ = nullptr;
    if (!session_.isEmpty()) {
        bus().send(
            QDBusMessage::createMethodCall(portal::kService, session_, kSession, QStringLiteral("Close")));
        session_.clear();
    }
    state_ = State::Idle;
    if (usedToken_) {
        // A kept answer the portal no longer honours: forgotten, and the user is asked afresh.
        usedToken_ = false;
        if (saveToken) saveToken(QString());
        start();
        return;
    }
    retryBlocked_ = true;
    if (onRefused) onRefused();
}

} // namespace kivano::ui::qt
