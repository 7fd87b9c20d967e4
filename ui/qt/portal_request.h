#pragma once
// One call to a desktop-portal method that answers through a request object: its Response is listened
// for before the call is sent, as the answer may come before the call returns, and followed to the
// object an older portal names instead. It tells its owner each outcome: one final answer, after a late
// call at most one more. Made as a child of its owner, it goes with it; answered, it goes by itself.

#include "ui/qt/bus_client.h"

#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>

class QDBusMessage;

namespace kivano::ui::qt {

class PortalRequest final : public QObject {
    Q_OBJECT

  public:
    enum class Outcome {
        Granted,
        Cancelled, // by the user
        Refused,   // by the desktop
        Failed,    // the call itself failed: no such portal or method
        // The call's own answer did not come in time: the Response is still listened for, so that
        // what a slow desktop grants later can be closed.
        Late,
        Unanswered, // no Response within the wait asked for: the request was closed
    };
    using Done = std::function<void(Outcome, const QVariantMap& results)>;

    // `answerWithinMs` bounds the wait for the Response once the call has returned; 0 waits as long as
    // the desktop takes (a dialog the user answers).
    PortalRequest(BusClient& client, QObject* owner, const QString& interface, const QString& method,
                  const QVariantList& args, QVariantMap options, Done done, int answerWithinMs = 0);

    // Withdraws the request: the desktop drops what it granted (an inhibitor) or the dialog it shows.
    // Nothing more is told.
    void close();
    // Stops listening and goes, without a word to the desktop (it went away).
    void forget();
    [[nodiscard]] const QString& path() const { return path_; }

  private slots:
    void response(uint code, const QVariantMap& results, const QDBusMessage& signal);

  private:
    void returned(const QDBusMessage& reply);
    void listen(bool on);
    void finish(Outcome outcome, const QVariantMap& results = {});

    BusClient& client_;
    Done done_;
    QString path_;
    int answerWithinMs_;
    bool finished_ = false;
};

} // namespace kivano::ui::qt
