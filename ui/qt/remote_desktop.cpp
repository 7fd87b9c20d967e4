#include "ui/qt/remote_desktop.h"

#include "ui/qt/portal.h"
#include "ui/qt/portal_back_end.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace kivano::ui::qt {

namespace {

const QString kRemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");
const char* const kResponseSlot = SLOT(response(uint, QVariantMap, QDBusMessage));
const char* const kClosedSlot = SLOT(closed(QVariantMap, QDBusMessage));
constexpr uint kPointer = 2;
constexpr uint kPersistUntilRevoked = 2;
constexpr uint kUserCancelled = 1;

QString pathOf(const QVariant& v) {
    return v.canConvert<QDBusObjectPath>() ? v.value<QDBusObjectPath>().path() : v.toString();
}

} // namespace

RemoteDesktop::RemoteDesktop(BusClient& client, QObject* parent) : QObject(parent), client_(client) {}

QDBusConnection& RemoteDesktop::bus() {
    if (backEnd_ == nullptr) {
        // The portal going away ends its session as surely as a Closed signal would.
        auto* watcher = new QDBusServiceWatcher(portal::kService, client_.bus(),
                                                QDBusServiceWatcher::WatchForUnregistration, this);
        connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, &RemoteDesktop::vanished);
        // So does the back end that served it: the front end keeps such a session and says nothing.
        backEnd_ = new PortalBackEnd(client_, this);
        backEnd_->onLost = [this] {
            if (state_ == State::Active) fail(Ending::Gone);
        };
    }
    return client_.bus();
}

QString RemoteDesktop::backEnd() const {
    return backEnd_ != nullptr ? backEnd_->name() : QString();
}

RemoteDesktop::~RemoteDesktop() {
    if (!session_.isEmpty()) closeSession(session_);
}

void RemoteDesktop::start() {
    if (state_ != State::Idle) return;
    state_ = State::Starting;
    const int attempt = ++attempt_;
    if (!bus().isConnected()) {
        fail(Ending::Gone);
        return;
    }
    // The version says whether the portal can keep the user's answer between runs.
    QDBusMessage get = QDBusMessage::createMethodCall(portal::kService, portal::kPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << kRemoteDesktop << QStringLiteral("version");
    client_.call(this, get, [this, attempt](const QDBusMessage& reply) {
        if (attempt != attempt_ || state_ != State::Starting) return; // the flow moved on
        const std::optional<QVariant> version = firstArgument(reply);
        if (!version) {
            fail(Ending::Gone); // no remote-desktop portal on this desktop
            return;
        }
        createSession(version->value<QDBusVariant>().variant().toUInt());
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
            {{QStringLiteral("session_handle_token"), client_.nextToken()}}, &RemoteDesktop::selectDevices);
}

void RemoteDesktop::selectDevices(const QVariantMap& results) {
    session_ = pathOf(results.value(QStringLiteral("session_handle")));
    if (session_.isEmpty()) {
        fail(Ending::DesktopSaidNo);
        return;
    }
    bus().connect(portal::kService, session_, kSession, QStringLiteral("Closed"), this, kClosedSlot);
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
    usedToken_ = false;
    backEnd_->watch(session_);
    const QString token = results.value(QStringLiteral("restore_token")).toString();
    if (!token.isEmpty() && saveToken) saveToken(token);
    if (onStarted) onStarted();
}

void RemoteDesktop::request(const QString& method, const QVariantList& args, QVariantMap options, Step next) {
    const QString token = client_.nextToken();
    options.insert(QStringLiteral("handle_token"), token);
    const QString expected = client_.requestPath(token);
    const int attempt = attempt_;
    listen(expected, {attempt, next});
    QDBusMessage call =
        QDBusMessage::createMethodCall(portal::kService, portal::kPath, kRemoteDesktop, method);
    call.setArguments(args + QVariantList{options});
    client_.call(this, call, [this, expected, attempt](const QDBusMessage& reply) {
        const std::optional<QVariant> handle = firstArgument(reply);
        if (!handle) {
            // A desktop that answers after our time is up may still open a session then: its
            // answer is still awaited, so that what it opens is closed.
            const bool late = QDBusError(reply).type() == QDBusError::NoReply;
            if (!late) forget(expected);
            if (attempt == attempt_ && state_ == State::Starting)
                fail(late ? Ending::Gone : Ending::DesktopSaidNo);
            return;
        }
        // Older portals name the request object themselves.
        const QString path = pathOf(*handle);
        if (path == expected || !requests_.contains(expected)) return;
        const Pending pending = requests_.value(expected);
        forget(expected);
        listen(path, pending);
    });
}

void RemoteDesktop::listen(const QString& path, Pending pending) {
    requests_.insert(path, pending);
    bus().connect(portal::kService, path, portal::kRequest, QStringLiteral("Response"), this, kResponseSlot);
}

void RemoteDesktop::forget(const QString& path) {
    if (requests_.remove(path) > 0)
        bus().disconnect(portal::kService, path, portal::kRequest, QStringLiteral("Response"), this,
                         kResponseSlot);
}

void RemoteDesktop::response(uint code, const QVariantMap& results, const QDBusMessage& signal) {
    const QString path = signal.path();
    if (!requests_.contains(path)) return; // repeated, or not ours
    const Pending pending = requests_.value(path);
    forget(path);
    if (pending.attempt != attempt_ || state_ != State::Starting) {
        // The answer of an attempt that ended: a session it opened is closed, nothing else changes.
        const QString orphan = pathOf(results.value(QStringLiteral("session_handle")));
        if (code == 0 && !orphan.isEmpty()) closeSession(orphan);
        return;
    }
    if (code != 0) { // 1: the user said no, 2: the desktop did
        fail(code == kUserCancelled ? Ending::UserSaidNo : Ending::DesktopSaidNo);
        return;
    }
    (this->*pending.next)(results);
}

void RemoteDesktop::closed(const QVariantMap& /*details*/, const QDBusMessage& signal) {
    if (session_.isEmpty() || signal.path() != session_) return; // an older session's end
    dropSession(); // the desktop closed it: nothing left to close
    // While starting, a session closed under the dialog is the user's doing as often as the desktop's:
    // never worth a second dialog.
    fail(Ending::Gone);
}

void RemoteDesktop::vanished() {
    for (const QString& path : requests_.keys())
        forget(path);
    if (!session_.isEmpty()) dropSession(); // gone with the portal
    if (state_ != State::Idle) fail(Ending::Gone);
}

void RemoteDesktop::closeSession(const QString& path) {
    bus().send(QDBusMessage::createMethodCall(portal::kService, path, kSession, QStringLiteral("Close")));
    if (path == session_) dropSession(); // `path` may be session_ itself: cleared last
}

void RemoteDesktop::dropSession() {
    bus().disconnect(portal::kService, session_, kSession, QStringLiteral("Closed"), this, kClosedSlot);
    session_.clear();
    backEnd_->forget();
}

void RemoteDesktop::fail(Ending why) {
    if (!session_.isEmpty()) closeSession(session_);
    state_ = State::Idle;
    const bool staleAnswer = usedToken_ && why == Ending::DesktopSaidNo;
    usedToken_ = false;
    if (staleAnswer) {
        // A kept answer the desktop no longer honours: forgotten, and the user asked afresh, once.
        if (saveToken) saveToken(QString());
        start();
        return;
    }
    if (onRefused) onRefused();
}

} // namespace kivano::ui::qt
