#include "ui/qt/remote_desktop.h"

#include "ui/qt/portal.h"
#include "ui/qt/portal_back_end.h"
#include "ui/qt/portal_request.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace kivano::ui::qt {

namespace {

const QString kRemoteDesktop = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");
const char* const kClosedSlot = SLOT(closed(QVariantMap, QDBusMessage));
constexpr uint kPointer = 2;
constexpr uint kPersistUntilRevoked = 2;
using portal::pathOf;
using Outcome = PortalRequest::Outcome;

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
    const int attempt = attempt_;
    new PortalRequest(client_, this, kRemoteDesktop, method, args, std::move(options),
                      [this, attempt, next](Outcome outcome, const QVariantMap& results) {
                          answered(attempt, next, outcome, results);
                      });
}

void RemoteDesktop::answered(int attempt, Step next, PortalRequest::Outcome outcome,
                             const QVariantMap& results) {
    if (attempt != attempt_ || state_ != State::Starting) {
        // The answer of an attempt that ended: a session it opened is closed, nothing else changes.
        const QString orphan = pathOf(results.value(QStringLiteral("session_handle")));
        if (outcome == Outcome::Granted && !orphan.isEmpty()) closeSession(orphan);
        return;
    }
    switch (outcome) {
    case Outcome::Granted:
        (this->*next)(results);
        return;
    case Outcome::Cancelled:
        fail(Ending::UserSaidNo);
        return;
    case Outcome::Late: // what the desktop still opens then is closed when its answer comes
        fail(Ending::Gone);
        return;
    default:
        fail(Ending::DesktopSaidNo);
    }
}

void RemoteDesktop::closed(const QVariantMap& /*details*/, const QDBusMessage& signal) {
    if (session_.isEmpty() || signal.path() != session_) return; // an older session's end
    dropSession(); // the desktop closed it: nothing left to close
    // While starting, a session closed under the dialog is the user's doing as often as the desktop's:
    // never worth a second dialog.
    fail(Ending::Gone);
}

void RemoteDesktop::vanished() {
    for (PortalRequest* request : findChildren<PortalRequest*>(Qt::FindDirectChildrenOnly))
        request->forget();
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
