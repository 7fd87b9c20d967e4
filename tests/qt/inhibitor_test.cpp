// The idle inhibitor against a stand-in desktop on a private session bus (run under dbus-run-session):
// which interface it uses, that it holds one at a time and lets go of it, and that a desktop that is
// missing, late or silent costs nothing but that.

#include "standin.h"
#include "ui/qt/idle_inhibitor.h"

#include <QtTest>
#include <memory>
#include <sys/resource.h>

using kivano::ui::qt::IdleInhibitor;

namespace {

// The CPU time this process has used, in seconds: the bus's thread included.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

const QString kScreenSaverName = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPortalName = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kSessionManagerName = QStringLiteral("org.gnome.SessionManager");

} // namespace

class InhibitorTest : public QObject {
    Q_OBJECT

  private:
    StandInDesktop desktop_;
    kivano::ui::qt::BusClient bus_;

    bool startDesktop(const QStringList& options) { return desktop_.start(options); }
    [[nodiscard]] QStringList calls() const { return desktop_.lines(); }
    // The calls after start-up, the held counts left out.
    [[nodiscard]] QStringList requests() const {
        QStringList out;
        for (const QString& line : calls()) {
            if (line != QStringLiteral("ready") && line != QStringLiteral("owned") &&
                !line.startsWith(QStringLiteral("held")))
                out << line;
        }
        return out;
    }
    [[nodiscard]] QString held() const {
        const QStringList all = calls().filter(QRegularExpression(QStringLiteral("^held ")));
        return all.isEmpty() ? QStringLiteral("held 0") : all.back();
    }

  private slots:
    void cleanup() { desktop_.stop(); }

    void holdsExactlyWhileAskedThroughTheDesktopsInterface_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::newRow("screen saver") << QStringList{} << "ScreenSaver.Inhibit Kivano"
                                      << "ScreenSaver.UnInhibit 42";
        QTest::newRow("screen saver answering late")
            << QStringList{"--delay-ms", "400"} << "ScreenSaver.Inhibit Kivano"
            << "ScreenSaver.UnInhibit 42";
        QTest::newRow("portal only") << QStringList{"--no-screensaver"} << "Portal.Inhibit 8 "
                                     << "Request.Close ";
        QTest::newRow("session manager before the portal")
            << QStringList{"--no-screensaver", "--session-manager"}
            << "SessionManager.Inhibit com.olberin.Kivano 8"
            << "SessionManager.Uninhibit 42";
    }
    void holdsExactlyWhileAskedThroughTheDesktopsInterface() {
        QFETCH(QStringList, options);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QVERIFY(startDesktop(options));
        IdleInhibitor inhibitor(bus_);
        inhibitor.hold(true);
        inhibitor.hold(true); // one at a time
        QTRY_COMPARE(held(), QStringLiteral("held 1"));
        QTest::qWait(500);
        QCOMPARE(requests().size(), 1);
        QVERIFY(requests().front().startsWith(first));
        inhibitor.hold(false);
        QTRY_COMPARE(held(), QStringLiteral("held 0"));
        QCOMPARE(requests().size(), 2);
        QVERIFY2(requests().back().startsWith(last), qPrintable(requests().back()));
        if (first.startsWith(QStringLiteral("Portal"))) {
            QCOMPARE(requests().back().section(' ', 1),
                     requests().front().section(' ', 2)); // the same handle
        }
    }

    // Let go of before the answer came: released as soon as it comes.
    void aReleaseBeforeTheAnswerLetsGoWhenItArrives() {
        QVERIFY(startDesktop({"--delay-ms", "500"}));
        IdleInhibitor inhibitor(bus_);
        inhibitor.hold(true);
        inhibitor.hold(false);
        QTRY_COMPARE(requests().size(), 2);
        QCOMPARE(requests(), (QStringList{"ScreenSaver.Inhibit Kivano", "ScreenSaver.UnInhibit 42"}));
        QCOMPARE(held(), QStringLiteral("held 0"));
    }

    void aSecondStartHoldsAgainAndTheEndLetsGo() {
        QVERIFY(startDesktop({}));
        {
            IdleInhibitor inhibitor(bus_);
            inhibitor.hold(true);
            QTRY_COMPARE(held(), QStringLiteral("held 1"));
            inhibitor.hold(false);
            QTRY_COMPARE(held(), QStringLiteral("held 0"));
            inhibitor.hold(true);
            QTRY_COMPARE(held(), QStringLiteral("held 1"));
        } // the window closed while moving
        QTRY_COMPARE(held(), QStringLiteral("held 0"));
        QCOMPARE(requests().filter(QStringLiteral("Inhibit Kivano")).size(), 2);
    }

    // Where no way to hold one is offered, each is asked once per Start, whatever the answer: counted
    // on the bus, where calls to names nobody owns show too, and in the CPU the waiting costs.
    void eachWayIsAskedOncePerStart_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("holding");
        QTest::addColumn<bool>("closed"); // the portal's request, once per Start
        QTest::newRow("no desktop services at all")
            << QStringList{"--no-screensaver", "--no-portal"} << 0 << false;
        QTest::newRow("a portal without Inhibit")
            << QStringList{"--no-screensaver", "--no-inhibit"} << 0 << false;
        QTest::newRow("a screen saver that answers errors")
            << QStringList{"--screensaver-error", "--no-inhibit"} << 0 << false;
        QTest::newRow("a screen saver that answers errors beside a portal")
            << QStringList{"--screensaver-error"} << 1 << true;
        // The portal's request says no, or says nothing: a request handle is no inhibitor, and one
        // left unanswered is withdrawn.
        QTest::newRow("a portal whose request answers no")
            << QStringList{"--no-screensaver", "--inhibit-answer", "2"} << 0 << false;
        QTest::newRow("a portal whose request never answers")
            << QStringList{"--no-screensaver", "--inhibit-no-response"} << 0 << true;
    }
    void eachWayIsAskedOncePerStart() {
        QFETCH(QStringList, options);
        QFETCH(int, holding);
        QFETCH(bool, closed);
        BusMonitor monitor;
        QVERIFY(monitor.start({QStringLiteral("Inhibit")}));
        QVERIFY(startDesktop(options));
        IdleInhibitor inhibitor(bus_);
        int nothingHeld = 0;
        inhibitor.onNothingHeld = [&nothingHeld] { ++nothingHeld; };
        for (int start = 1; start <= 2; ++start) {
            const double before = cpuSeconds();
            QElapsedTimer wall;
            wall.start();
            inhibitor.hold(true);
            QTest::qWait(1000);
            // told once per Start where nothing holds, a portal that never answers its request included
            QTRY_COMPARE_WITH_TIMEOUT(nothingHeld, holding == 0 ? start : 0,
                                      kivano::ui::qt::BusClient::kTimeoutMs * 2);
            QCOMPARE(monitor.calls(kScreenSaverName), start);
            QCOMPARE(monitor.calls(kSessionManagerName), start);
            QCOMPARE(monitor.calls(kPortalName), start);
            QCOMPARE(held(), QStringLiteral("held %1").arg(holding));
            // Waiting for nothing costs next to nothing; a loop of calls would take half a core or more.
            const double share = (cpuSeconds() - before) / (static_cast<double>(wall.elapsed()) / 1000);
            QVERIFY2(share < 0.2, qPrintable(QStringLiteral("CPU share %1").arg(share)));
            inhibitor.hold(false);
            QTRY_COMPARE(requests().filter(QStringLiteral("Request.Close")).size(), closed ? start : 0);
        }
    }

    // A desktop service that starts after the first no is asked at once, without a new Start.
    void aNameThatAppearsLaterIsAskedThen() {
        BusMonitor monitor;
        QVERIFY(monitor.start({QStringLiteral("Inhibit")}));
        QVERIFY(startDesktop({"--own-after-ms", "800"}));
        IdleInhibitor inhibitor(bus_);
        inhibitor.hold(true);
        QTRY_COMPARE(monitor.calls(kPortalName), 1); // both said no: nobody owned their names yet
        QCOMPARE(held(), QStringLiteral("held 0"));
        QTRY_COMPARE(held(), QStringLiteral("held 1"));
        QCOMPARE(requests().filter(QStringLiteral("ScreenSaver.Inhibit")).size(), 1);
        QTest::qWait(300);
        QCOMPARE(monitor.calls(kScreenSaverName), 2);
        QCOMPARE(monitor.calls(kPortalName), 1);
    }

    // The screen saver's service restarting mid-run took Kivano's inhibitor with it: asked again.
    void aRestartedServiceIsAskedAgain() {
        BusMonitor monitor;
        QVERIFY(monitor.start({QStringLiteral("Inhibit")}));
        QVERIFY(startDesktop({}));
        IdleInhibitor inhibitor(bus_);
        inhibitor.hold(true);
        QTRY_COMPARE(held(), QStringLiteral("held 1"));
        cleanup();
        QVERIFY(startDesktop({}));
        QTRY_COMPARE(monitor.calls(kScreenSaverName), 2);
        QTRY_COMPARE(held(), QStringLiteral("held 1"));
    }

    // A desktop that never answers costs one timeout, and never blocks the caller; the portal is
    // asked next.
    void aSilentScreenSaverCostsOneTimeout() {
        QVERIFY(startDesktop({"--silent-screensaver"}));
        IdleInhibitor inhibitor(bus_);
        QElapsedTimer call;
        call.start();
        inhibitor.hold(true);
        // A blocking call would take the bus's whole timeout; this one only queues the message.
        QVERIFY(call.elapsed() < bus_.timeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(held(), QStringLiteral("held 1"),
                                  kivano::ui::qt::BusClient::kTimeoutMs * 3);
        QCOMPARE(requests().size(), 2);
        QCOMPARE(requests().front(), QStringLiteral("ScreenSaver.Inhibit Kivano"));
        QVERIFY(requests().back().startsWith(QStringLiteral("Portal.Inhibit 8 ")));
    }
};

QTEST_GUILESS_MAIN(InhibitorTest)
#include "inhibitor_test.moc"
