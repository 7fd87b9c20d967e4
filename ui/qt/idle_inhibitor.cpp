#include "ui/qt/idle_inhibitor.h"

#include "ui/qt/portal.h"
#include "ui/qt/portal_request.h"

#include <QDBusMessage>
#include <QDBusServiceWatcher>

namespace kivano::ui::qt {

namespace {

const QString kScreenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kSessionManager = QStringLiteral("org.gnome.SessionManager");
const QString kSessionManagerPath = QStringLiteral("/org/gnome/SessionManager");
const QString kReason = QStringLiteral("Kivano is moving the mouse pointer");
constexpr quint32 kInhibitIdle = 8;

std::size_t indexOf(auto via) {
    return static_cast<std::size_t>(via);
}

} // namespace

IdleInhibitor::IdleInhibitor(BusClient& client, QObject* parent) : QObject(parent), client_(client) {}

QDBusConnection& IdleInhibitor::bus() {
    if (!watching_) {
        watching_ = true;
        // A desktop service that starts or restarts later is the one change that makes a new try worth it.
        auto* watcher = new QDBusServiceWatcher(this);
        watcher->setConnection(client_.bus());
        watcher->setWatchedServices({kScreenSaver, kSessionManager, portal::kService});
        connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &IdleInhibitor::appeared);
        connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, &IdleInhibitor::vanished);
    }
    return client_.bus();
}

IdleInhibitor::~IdleInhibitor() {
    wanted_ = false;
    // The window is closing: an answer still on its way is waited for (no longer than the call's own
    // timeout), so that what it grants is let go of too; an open portal request is closed either way.
    if (pending_ && asked_ == Via::Portal) {
        pending_ = false;
        portal_->close();
    } else if (pending_) {
        call_.waitForFinished();
        answered(call_.reply());
    }
    reconcile();
}

void IdleInhibitor::hold(bool on) {
    if (on && !wanted_) saidNo_ = {}; // a new need: one more try each
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
    for (const Via via : {Via::ScreenSaver, Via::SessionManager, Via::Portal})
        if (!saidNo_[indexOf(via)]) return via;
    return Via::None;
}

void IdleInhibitor::appeared(const QString& name) {
    saidNo_[indexOf(name == kScreenSaver      ? Via::ScreenSaver
                    : name == kSessionManager ? Via::SessionManager
                                              : Via::Portal)] = false;
    reconcile();
}

// What a vanished service held is gone with it: nothing to let go of; a new one is asked for when a
// service appears again.
void IdleInhibitor::vanished(const QString& name) {
    if ((held_ == Via::ScreenSaver && name == kScreenSaver) ||
        (held_ == Via::SessionManager && name == kSessionManager) ||
        (held_ == Via::Portal && name == portal::kService))
        held_ = Via::None;
}

void IdleInhibitor::request(Via via) {
    pending_ = true;
    asked_ = via;
    if (via == Via::Portal) {
        // Its request's answer, not the call's, says whether it holds: no answer within a call's time
        // counts as a no.
        portal_ = new PortalRequest(
            client_, this, QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"),
            {QString(), kInhibitIdle}, {{QStringLiteral("reason"), kReason}},
            [this](PortalRequest::Outcome outcome, const QVariantMap& /*results*/) {
                portalAnswered(outcome);
            },
            client_.timeoutMs);
        return;
    }
    QDBusMessage call;
    if (via == Via::ScreenSaver) {
        call = QDBusMessage::createMethodCall(kScreenSaver, kScreenSaverPath, kScreenSaver,
                                              QStringLiteral("Inhibit"));
        call << QStringLiteral("Kivano") << kReason;
    } else {
        call = QDBusMessage::createMethodCall(kSessionManager, kSessionManagerPath, kSessionManager,
                                              QStringLiteral("Inhibit"));
        // The app id names Kivano in the desktop's list; no X window, as the inhibitor is the session's.
        call << QStringLiteral("com.olberin.Kivano") << 0U << kReason << kInhibitIdle;
    }
    call_ = client_.call(this, call, [this](const QDBusMessage& reply) {
        if (pending_) answered(reply); // else already taken at the end
    });
}

void IdleInhibitor::answered(const QDBusMessage& reply) {
    const std::optional<QVariant> cookie =
        reply.arguments().size() == 1 ? firstArgument(reply) : std::nullopt;
    const bool held = cookie && cookie->canConvert<quint32>();
    if (held) cookie_ = cookie->toUInt();
    settled(held);
}

void IdleInhibitor::portalAnswered(PortalRequest::Outcome outcome) {
    if (outcome == PortalRequest::Outcome::Late) portal_->close(); // what it grants later is not ours
    handle_ = portal_->path();
    portal_ = nullptr;
    settled(outcome == PortalRequest::Outcome::Granted);
}

// The answer is in: held, or this way is out until something changes. A silent bus costs one timeout
// per way, and the window goes on meanwhile.
void IdleInhibitor::settled(bool held) {
    pending_ = false;
    if (held) {
        held_ = asked_;
    } else {
        saidNo_[indexOf(asked_)] = true;
    }
    reconcile();
    if (wanted_ && !pending_ && held_ == Via::None && nextToTry() == Via::None && onNothingHeld)
        onNothingHeld();
}

void IdleInhibitor::release() {
    QDBusMessage call;
    if (held_ == Via::ScreenSaver) {
        call = QDBusMessage::createMethodCall(kScreenSaver, kScreenSaverPath, kScreenSaver,
                                              QStringLiteral("UnInhibit"));
        call << cookie_;
    } else if (held_ == Via::SessionManager) {
        call = QDBusMessage::createMethodCall(kSessionManager, kSessionManagerPath, kSessionManager,
                                              QStringLiteral("Uninhibit"));
        call << cookie_;
    } else {
        call = QDBusMessage::createMethodCall(portal::kService, handle_, portal::kRequest,
                                              QStringLiteral("Close"));
    }
    held_ = Via::None;
    // Sent without waiting for the answer; the desktop drops what a vanished client held in any case.
    bus().send(call);
}

} // namespace kivano::ui::qt
