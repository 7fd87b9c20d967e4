#include "ui/qt/idle_inhibitor.h"

#include "ui/qt/portal.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QVariantMap>

namespace kivano::ui::qt {

namespace {

const QString kScreenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kReason = QStringLiteral("Kivano is moving the mouse pointer");
constexpr quint32 kInhibitIdle = 8;

} // namespace

IdleInhibitor::IdleInhibitor(std::function<QDBusConnection()> connect, QObject* parent)
    : QObject(parent), connect_(std::move(connect)) {}

QDBusConnection& IdleInhibitor::bus() {
    if (!bus_) {
        bus_ = connect_();
        // A desktop service that starts or restarts later is the one change that makes a new try worth it.
        auto* watcher = new QDBusServiceWatcher(this);
        watcher->setConnection(*bus_);
        watcher->setWatchedServices({kScreenSaver, portal::kService});
        connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &IdleInhibitor::appeared);
        connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, &IdleInhibitor::vanished);
    }
    return *bus_;
}

IdleInhibitor::~IdleInhibitor() {
    wanted_ = false;
    // The window is closing: an answer still on its way is waited for (no longer than the call's own
    // timeout), so that what it grants is let go of too.
    if (pending_) {
        call_.waitForFinished();
        answered(call_.reply());
    }
    reconcile();
}

void IdleInhibitor::hold(bool on) {
    if (on && !wanted_) screenSaverSaidNo_ = portalSaidNo_ = false; // a new need: one more try each
    wanted_ = on;
    reconcile();
}

void IdleInhibitor::reconcile() {
    if (pending_ || (!wanted_ && held_ == Via::None) || !bus().isConnected()) return;
    if (wanted_ && held_ == Via::None) {
        const Via via = nextToTry();
        if (via != Via::None) request(via);
    }
    if (!wanted_ && held_ != Via::None) release();
}

IdleInhibitor::Via IdleInhibitor::nextToTry() const {
    if (!screenSaverSaidNo_) return Via::ScreenSaver;
    if (!portalSaidNo_) return Via::Portal;
    return Via::None;
}

void IdleInhibitor::appeared(const QString& name) {
    (name == kScreenSaver ? screenSaverSaidNo_ : portalSaidNo_) = false;
    reconcile();
}

// What a vanished service held is gone with it: nothing to let go of; a new one is asked for when a
// service appears again.
void IdleInhibitor::vanished(const QString& name) {
    if ((held_ == Via::ScreenSaver && name == kScreenSaver) ||
        (held_ == Via::Portal && name == portal::kService))
        held_ = Via::None;
}

void IdleInhibitor::request(Via via) {
    QDBusMessage call;
    if (via == Via::ScreenSaver) {
        call = QDBusMessage::createMethodCall(kScreenSaver, kScreenSaverPath, kScreenSaver,
                                              QStringLiteral("Inhibit"));
        call << QStringLiteral("Kivano") << kReason;
    } else {
        call = QDBusMessage::createMethodCall(portal::kService, portal::kPath,
                                              QStringLiteral("org.freedesktop.portal.Inhibit"),
                                              QStringLiteral("Inhibit"));
        const QVariantMap options{{QStringLiteral("handle_token"), QStringLiteral("kivano%1").arg(++tokens_)},
                                  {QStringLiteral("reason"), kReason}};
        call << QString() << kInhibitIdle << options;
    }
    pending_ = true;
    asked_ = via;
    call_ = bus().asyncCall(call, kCallTimeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(call_, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (!pending_) return; // already taken at the end
        answered(w->reply());
        reconcile();
        if (wanted_ && !pending_ && held_ == Via::None && nextToTry() == Via::None && onNothingHeld)
            onNothingHeld();
    });
}

void IdleInhibitor::answered(const QDBusMessage& reply) {
    pending_ = false;
    if (reply.type() == QDBusMessage::ReplyMessage) granted(reply);
    if (held_ != Via::None) return;
    // An error, a malformed answer or none at all: this way is out until something changes. A silent
    // bus costs one timeout per way, and the window goes on meanwhile.
    (asked_ == Via::ScreenSaver ? screenSaverSaidNo_ : portalSaidNo_) = true;
}

void IdleInhibitor::granted(const QDBusMessage& reply) {
    const QVariantList args = reply.arguments();
    if (args.size() != 1) return; // a malformed answer holds nothing we could let go of
    if (asked_ == Via::ScreenSaver && args.front().canConvert<quint32>()) {
        cookie_ = args.front().toUInt();
        held_ = asked_;
    } else if (asked_ == Via::Portal && args.front().canConvert<QDBusObjectPath>()) {
        handle_ = args.front().value<QDBusObjectPath>().path();
        held_ = asked_;
    }
}

void IdleInhibitor::release() {
    QDBusMessage call;
    if (held_ == Via::ScreenSaver) {
        call = QDBusMessage::createMethodCall(kScreenSaver, kScreenSaverPath, kScreenSaver,
                                              QStringLiteral("UnInhibit"));
        call << cookie_;
    } else {
        call = QDBusMessage::createMethodCall(portal::kService, handle_,
                                              QStringLiteral("org.freedesktop.portal.Request"),
                                              QStringLiteral("Close"));
    }
    held_ = Via::None;
    // Sent without waiting for the answer; the desktop drops what a vanished client held in any case.
    bus().send(call);
}

} // namespace kivano::ui::qt
