// The session's lock as the desktop tells it, on a private bus (run under dbus-run-session) that plays
// both the system bus, with python3-dbusmock's logind, and the session bus, where screen savers speak.

#include "standin.h"
#include "ui/qt/session_lock.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QtTest>
#include <memory>

using kivano::ui::qt::SessionLock;

namespace {

const QString kSessionPath = QStringLiteral("/org/freedesktop/login1/session/c7");

QDBusConnection privateBus() {
    return QDBusConnection::sessionBus();
}

// Both buses are the private one.
struct Buses {
    kivano::ui::qt::BusClient system{&privateBus};
    kivano::ui::qt::BusClient session{&privateBus};
};

} // namespace

class SessionLockTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QProcess> logind_;

    // logind with Kivano's session, its locked hint as given.
    bool startLogind(bool locked) {
        logind_ = std::make_unique<QProcess>();
        logind_->start(QStringLiteral("/usr/bin/python3"),
                       {"-m", "dbusmock", "--session", "--template", "logind"});
        waitUntil([] {
            return privateBus().interface()->isServiceRegistered(QStringLiteral("org.freedesktop.login1"));
        });
        QDBusInterface mock(QStringLiteral("org.freedesktop.login1"),
                            QStringLiteral("/org/freedesktop/login1"),
                            QStringLiteral("org.freedesktop.DBus.Mock"), privateBus());
        const QDBusMessage added = mock.call(QStringLiteral("AddSession"), QStringLiteral("c7"),
                                             QStringLiteral("seat0"), 1000U, QStringLiteral("kivano"), true);
        return added.type() == QDBusMessage::ReplyMessage && (!locked || setLockedHint(true));
    }
    static bool setLockedHint(bool locked) {
        QDBusInterface session(QStringLiteral("org.freedesktop.login1"), kSessionPath,
                               QStringLiteral("org.freedesktop.login1.Session"), privateBus());
        return session.call(QStringLiteral("SetLockedHint"), locked).type() == QDBusMessage::ReplyMessage;
    }
    // A screen saver's word, from a connection of its own that can leave the bus.
    static void saverSays(const QString& connection, const char* interface, bool active) {
        QDBusConnection saver = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connection);
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/ScreenSaver"), QString::fromLatin1(interface), QStringLiteral("ActiveChanged"));
        signal << active;
        saver.send(signal);
    }

  private slots:
    void init() { qputenv("XDG_SESSION_ID", "c7"); }
    void cleanup() {
        for (const char* name : {"kde", "mate", "other"})
            QDBusConnection::disconnectFromBus(QString::fromLatin1(name));
        if (logind_) {
            logind_->kill();
            logind_->waitForFinished();
        }
        logind_.reset();
    }

    // Each source alone, and both together: told once per change, unlocked only when every source says so.
    void followsLogindAndTheScreenSavers() {
        QVERIFY(startLogind(false));
        Buses buses;
        SessionLock lock(buses.system, buses.session);
        QList<bool> told;
        lock.onChanged = [&told](bool locked) { told << locked; };
        lock.watch();
        QTest::qWait(300); // logind's first answer: not locked, nothing to tell

        QVERIFY(setLockedHint(true));
        QTRY_COMPARE(told, (QList<bool>{true}));
        saverSays(QStringLiteral("kde"), "org.freedesktop.ScreenSaver", true); // the same lock, twice told
        QVERIFY(setLockedHint(false));
        QTest::qWait(300);
        QCOMPARE(told, (QList<bool>{true}));
        saverSays(QStringLiteral("kde"), "org.freedesktop.ScreenSaver", false);
        QTRY_COMPARE(told, (QList<bool>{true, false}));

        saverSays(QStringLiteral("mate"), "org.mate.ScreenSaver", true);
        QTRY_COMPARE(told, (QList<bool>{true, false, true}));
        saverSays(QStringLiteral("other"), "org.example.NotAScreenSaver", false);
        QTest::qWait(300);
        QCOMPARE(told.size(), 3);
        // A screen saver that leaves the bus while active takes its lock with it.
        QDBusConnection::disconnectFromBus(QStringLiteral("mate"));
        QTRY_COMPARE(told, (QList<bool>{true, false, true, false}));
        QVERIFY(!lock.locked());
    }

    // Started under a lock (as after a crash and restart): locked from logind's first answer.
    void aLockThatStandsAtStartIsRead() {
        QVERIFY(startLogind(true));
        Buses buses;
        SessionLock lock(buses.system, buses.session);
        QList<bool> told;
        lock.onChanged = [&told](bool locked) { told << locked; };
        lock.watch();
        QTRY_COMPARE(told, (QList<bool>{true}));
        QVERIFY(setLockedHint(false));
        QTRY_COMPARE(told, (QList<bool>{true, false}));
    }
};

QTEST_GUILESS_MAIN(SessionLockTest)
#include "session_lock_test.moc"
