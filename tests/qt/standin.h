#pragma once
// The stand-in desktop (standin_desktop.py) for one test: started on the private session bus with the
// given options, its log of calls read back, stopped with the test.

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// Runs the event loop until `done` holds, at most `ms`; whether it held.
template <typename F> bool waitUntil(F done, int ms = 10000) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < ms)
        QTest::qWait(20);
    return done();
}

// What goes out on the private bus, seen by a monitor: calls to names nobody owns too, which no
// stand-in can see.
class BusMonitor {
  public:
    // Starts dbus-monitor for method calls with these members and waits until it watches.
    bool start(const QStringList& members) {
        QStringList rules{QStringLiteral("--session"), QStringLiteral("type='signal',member='NameLost'")};
        for (const QString& member : members)
            rules << QStringLiteral("type='method_call',member='%1'").arg(member);
        process_ = std::make_unique<QProcess>();
        process_->setProcessChannelMode(QProcess::MergedChannels);
        process_->start(QStringLiteral("dbus-monitor"), rules);
        // dbus-monitor gives up its name as it turns monitor: from then on it sees everything.
        return waitUntil([this] { return count(QStringLiteral("member=NameLost")) > 0; });
    }
    // How many calls went to `destination` so far.
    int calls(const QString& destination) { return count("destination=" + destination + " "); }
    // How often `text` was seen so far, e.g. "member=Close" or a path.
    int count(const QString& text) {
        if (process_) output_ += process_->readAll();
        return static_cast<int>(output_.count(text.toUtf8()));
    }
    ~BusMonitor() {
        if (process_) {
            process_->kill();
            process_->waitForFinished();
        }
    }

  private:
    std::unique_ptr<QProcess> process_;
    QByteArray output_;
};

class StandInDesktop {
  public:
    // Starts it and waits until it owns its names; false if it never did.
    bool start(const QStringList& options) {
        log_ = dir_.filePath(QStringLiteral("calls-%1.log").arg(QDateTime::currentMSecsSinceEpoch()));
        process_ = std::make_unique<QProcess>();
        process_->start(QStringLiteral("/usr/bin/python3"),
                        QStringList{qEnvironmentVariable("KIVANO_STANDIN"), log_} + options);
        return waitUntil([this] { return lines().contains(QStringLiteral("ready")); });
    }
    void stop() {
        if (process_) {
            process_->kill();
            process_->waitForFinished();
        }
        process_.reset();
    }
    // Every line of its log, in order.
    [[nodiscard]] QStringList lines() const {
        QFile file(log_);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

  private:
    QTemporaryDir dir_;
    std::unique_ptr<QProcess> process_;
    QString log_;
};
