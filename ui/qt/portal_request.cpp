#include "ui/qt/portal_request.h"

#include "ui/qt/portal.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QTimer>

namespace kivano::ui::qt {

namespace {

const char* const kResponseSlot = SLOT(response(uint, QVariantMap, QDBusMessage));
constexpr uint kUserCancelled = 1;

} // namespace

QString portal::pathOf(const QVariant& v) {
    return v.canConvert<QDBusObjectPath>() ? v.value<QDBusObjectPath>().path() : v.toString();
}

PortalRequest::PortalRequest(BusClient& client, QObject* owner, const QString& interface,
                             const QString& method, const QVariantList& args, QVariantMap options, Done done,
                             int answerWithinMs)
    : QObject(owner), client_(client), done_(std::move(done)), answerWithinMs_(answerWithinMs) {
    const QString token = client_.nextToken();
    options.insert(QStringLiteral("handle_token"), token);
    path_ = client_.requestPath(token);
    listen(true);
    QDBusMessage call = QDBusMessage::createMethodCall(portal::kService, portal::kPath, interface, method);
    call.setArguments(args + QVariantList{options});
    client_.call(this, call, [this](const QDBusMessage& reply) { returned(reply); });
}

void PortalRequest::returned(const QDBusMessage& reply) {
    if (finished_) return; // answered before the call returned
    const std::optional<QVariant> handle = firstArgument(reply);
    if (!handle) {
        if (QDBusError(reply).type() == QDBusError::NoReply) {
            done_(Outcome::Late, {});
        } else {
            finish(Outcome::Failed);
        }
        return;
    }
    const QString path = portal::pathOf(*handle);
    if (path != path_) { // older portals name the request object themselves
        listen(false);
        path_ = path;
        listen(true);
    }
    if (answerWithinMs_ > 0) {
        QTimer::singleShot(answerWithinMs_, this, [this] {
            if (finished_) return;
            close();
            done_(Outcome::Unanswered, {});
        });
    }
}

void PortalRequest::response(uint code, const QVariantMap& results, const QDBusMessage& signal) {
    if (finished_ || signal.path() != path_) return; // repeated, or not ours
    finish(code == 0                ? Outcome::Granted
           : code == kUserCancelled ? Outcome::Cancelled
                                    : Outcome::Refused,
           results);
}

void PortalRequest::close() {
    if (finished_) return;
    client_.bus().send(
        QDBusMessage::createMethodCall(portal::kService, path_, portal::kRequest, QStringLiteral("Close")));
    forget();
}

void PortalRequest::forget() {
    finished_ = true;
    listen(false);
    deleteLater();
}

void PortalRequest::finish(Outcome outcome, const QVariantMap& results) {
    forget();
    done_(outcome, results); // the owner may read path() here still
}

void PortalRequest::listen(bool on) {
    const QString response = QStringLiteral("Response");
    if (on) {
        client_.bus().connect(portal::kService, path_, portal::kRequest, response, this, kResponseSlot);
    } else {
        client_.bus().disconnect(portal::kService, path_, portal::kRequest, response, this, kResponseSlot);
    }
}

} // namespace kivano::ui::qt
