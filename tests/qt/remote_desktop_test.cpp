// The remote-desktop session and the Wayland cursor against a stand-in desktop on a private session bus
// (run under dbus-run-session): the portal's flow in order, motions equal to the engine's steps, and
// what a refusal, a cancel, a closed session, a missing portal or a rejected kept answer lead to.

#include "standin.h"
#include "ui/qt/qt_backend.h"
#include "ui/qt/remote_desktop.h"
#include "ui/qt/virtual_pointer.h"
#include "ui/qt/wayland_cursor.h"
#include "ui/qt/wayland_idle_inhibit.h"

#include <QCursor>
#include <QtTest>
#include <memory>

using kivano::ui::qt::RemoteDesktop;

class RemoteDesktopTest : public QObject {
    Q_OBJECT

  private:
    StandInDesktop desktop_;
    kivano::ui::qt::BusClient bus_;
    int refusals_ = 0;
    QString savedToken_;

    bool startDesktop(const QStringList& options) {
        return desktop_.start(QStringList{"--no-screensaver"} + options);
    }
    // What Kivano asked of the desktop, in order.
    [[nodiscard]] QStringList calls() const {
        QStringList out = desktop_.lines();
        out.removeAll(QStringLiteral("ready"));
        out.removeAll(QStringLiteral("owned"));
        return out;
    }
    std::unique_ptr<RemoteDesktop> session() {
        auto remote = std::make_unique<RemoteDesktop>(bus_);
        remote->onRefused = [this] { ++refusals_; };
        remote->loadToken = [this] { return savedToken_; };
        remote->saveToken = [this](const QString& token) { savedToken_ = token; };
        return remote;
    }
    // Sessions the desktop opened that Kivano neither uses nor closed.
    [[nodiscard]] QStringList unclosedSessions() const {
        QStringList open;
        for (const QString& line : calls()) {
            if (line.startsWith(QStringLiteral("RemoteDesktop.CreateSession "))) open << line.section(' ', 1);
            if (line.startsWith(QStringLiteral("Session.Close"))) open.removeAll(line.section(' ', 1));
        }
        return open;
    }
    static const inline QStringList kFlow{"RemoteDesktop.CreateSession",
                                          "RemoteDesktop.SelectDevices types=2 persist=0 token=-",
                                          "RemoteDesktop.Start answer=0"};

  private slots:
    void init() {
        refusals_ = 0;
        savedToken_.clear();
    }
    void cleanup() {
        desktop_.stop();
        bus_.timeoutMs = kivano::ui::qt::BusClient::kTimeoutMs;
    }

    void theSessionStartsOnceAndTakesTheEnginesSteps_data() {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("answers after the call returns") << QStringList{};
        QTest::newRow("answers before the call returns") << QStringList{"--response-first"};
        QTest::newRow("answers late") << QStringList{"--delay-ms", "300"};
        QTest::newRow("answers twice") << QStringList{"--response-twice"};
    }
    void theSessionStartsOnceAndTakesTheEnginesSteps() {
        QFETCH(QStringList, options);
        QVERIFY(startDesktop(options));
        const auto remote = session();
        remote->start();
        QTRY_COMPARE(remote->state(), RemoteDesktop::State::Active);
        QCOMPARE(calls().replaceInStrings(QRegularExpression(QStringLiteral(" /.*")), QString()), kFlow);
        // The Wayland cursor: from where the pointer was last seen, the first move after load is (+1, +1).
        kivano::ui::qt::WaylandCursor cursor([&](double dx, double dy) { remote->move(dx, dy); });
        QCursor::setPos(300, 200);
        kivano::ui::Point p;
        QVERIFY(cursor.get(p));
        QCOMPARE(p, (kivano::ui::Point{300, 200}));
        cursor.set({301, 201});
        cursor.set({298, 203});
        cursor.set({-50, 203}); // clipped at the screen's left edge, as a platform would
        QVERIFY(cursor.get(p));
        QCOMPARE(p, (kivano::ui::Point{0, 203}));
        remote->start(); // a second Start reuses the session
        QTRY_COMPARE(calls().size(), kFlow.size() + 3);
        QCOMPARE(calls().mid(kFlow.size()), (QStringList{"motion 1 1", "motion -3 2", "motion -298 0"}));
        QCOMPARE(refusals_, 0);
    }

    void aRefusalIsSaidOnceAndTheNextStartAsksAgain_data() {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("cancelled") << QStringList{"--start-answer", "1"};
        QTest::newRow("refused") << QStringList{"--start-answer", "2"};
        QTest::newRow("no remote-desktop portal") << QStringList{"--no-remote-desktop"};
    }
    void aRefusalIsSaidOnceAndTheNextStartAsksAgain() {
        QFETCH(QStringList, options);
        QVERIFY(startDesktop(options));
        const auto remote = session();
        remote->start();
        QTRY_COMPARE(refusals_, 1);
        QCOMPARE(remote->state(), RemoteDesktop::State::Idle);
        remote->move(1, 1); // dropped: no session
        const auto asked = calls().filter(QStringLiteral("RemoteDesktop.Start")).size();
        remote->start(); // the user's next Start, wherever the pointer is
        QTRY_COMPARE(refusals_, 2);
        QCOMPARE(calls().filter(QStringLiteral("RemoteDesktop.Start")).size(), asked * 2);
        QCOMPARE(calls().filter(QStringLiteral("motion")), QStringList{});
        QCOMPARE(unclosedSessions(), QStringList{});
    }

    // Staying awake (a schedule's pause period) never asks for the pointer; only the user's Start does.
    void onlyTheUsersStartAsksForThePointer() {
        QVERIFY(startDesktop({"--start-answer", "1"}));
        RemoteDesktop remote(bus_);
        remote.onRefused = [this] { ++refusals_; };
        kivano::ui::qt::WaylandGlobals none(nullptr); // a compositor without a virtual pointer
        kivano::ui::qt::VirtualPointer pointer(none);
        kivano::ui::qt::WaylandIdleInhibit surfaceInhibit(none, {});
        const kivano::ui::qt::WaylandServices wayland{pointer, remote, surfaceInhibit};
        kivano::ui::qt::QtSystem system(nullptr, &wayland);
        system.keepAwake(true);
        system.keepAwake(false);
        system.keepAwake(true);
        QTest::qWait(300);
        QCOMPARE(calls(), QStringList{});
        system.requestPointer();
        QTRY_COMPARE(refusals_, 1);
        QCOMPARE(calls().filter(QStringLiteral("RemoteDesktop.Start")).size(), 1);
    }

    // The orders the real desktops produce when the user cancels: each is one refusal, one dialog, and
    // the session closed; the next Start asks once more and is not upset by the old session's end.
    void aCancelInAnyOrderIsOneRefusal_data() {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("Response, then Closed") << QStringList{"--close-on-refusal"};
        QTest::newRow("Closed before the Response") << QStringList{"--close-on-refusal", "--closed-first"};
        QTest::newRow("Closed before the reply")
            << QStringList{"--close-on-refusal", "--closed-first", "--response-first"};
    }
    void aCancelInAnyOrderIsOneRefusal() {
        QFETCH(QStringList, options);
        QVERIFY(startDesktop(QStringList{"--start-answer", "1"} + options));
        const auto remote = session();
        remote->start();
        QTRY_COMPARE(refusals_, 1);
        QTest::qWait(300);
        QCOMPARE(refusals_, 1);
        QCOMPARE(calls().filter(QStringLiteral("RemoteDesktop.Start")).size(), 1);
        remote->start();
        QTRY_COMPARE(refusals_, 2);
        QTest::qWait(300);
        QCOMPARE(refusals_, 2);
        QCOMPARE(calls().filter(QStringLiteral("RemoteDesktop.Start")).size(), 2);
        QCOMPARE(remote->state(), RemoteDesktop::State::Idle);
        QCOMPARE(unclosedSessions(), QStringList{});
    }

    void aSessionTheDesktopClosesEndsTheMotions() {
        QVERIFY(startDesktop({"--close-after", "2"}));
        const auto remote = session();
        remote->start();
        QTRY_COMPARE(remote->state(), RemoteDesktop::State::Active);
        remote->move(1, 1);
        remote->move(1, 1);
        QTRY_COMPARE(refusals_, 1);
        QCOMPARE(remote->state(), RemoteDesktop::State::Idle);
        remote->move(1, 1);
        QTest::qWait(200);
        QCOMPARE(calls().filter(QStringLiteral("motion")).size(), 2);
    }

    // The desktop's bus name vanishing mid-run: motions go nowhere, and the next Start is refused
    // plainly, without a crash or a hang.
    void aDesktopThatVanishesMidRunIsRefusalNotFailure() {
        QVERIFY(startDesktop({}));
        const auto remote = session();
        remote->start();
        QTRY_COMPARE(remote->state(), RemoteDesktop::State::Active);
        cleanup(); // the desktop is gone
        remote->move(1, 1);
        QTRY_COMPARE(refusals_, 1); // its session's Closed never comes; the next request fails instead
    }

    // The back end that holds the session dies (a crash, an upgrade): the front end keeps the session
    // and says nothing, so the back end's bus name is watched. Another back end's end changes nothing.
    void aBackEndThatLeavesEndsItsSessionOnly_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("lost");
        QTest::newRow("the session's back end") << "--backend-dies-after" << true;
        QTest::newRow("another back end") << "--other-backend-dies-after" << false;
    }
    void aBackEndThatLeavesEndsItsSessionOnly() {
        QFETCH(QString, option);
        QFETCH(bool, lost);
        BusMonitor monitor;
        QVERIFY(monitor.start({QStringLiteral("NotifyPointerMotion"), QStringLiteral("Close")}));
        QVERIFY(startDesktop({option, "2"}));
        const auto remote = session();
        remote->start();
        QTRY_COMPARE(remote->backEnd(), QStringLiteral("org.freedesktop.impl.portal.desktop.standin"));
        for (int i = 0; i < 5; ++i) {
            remote->move(1, 1);
            QTest::qWait(100);
        }
        QTRY_COMPARE(refusals_, lost ? 1 : 0);
        QCOMPARE(monitor.count(QStringLiteral("member=NotifyPointerMotion")), lost ? 2 : 5);
        QCOMPARE(monitor.count(QStringLiteral("member=Close")), lost ? 1 : 0);
        if (!lost) return;
        remote->start(); // the user's Stop, then Start: a fresh session, served again
        QTRY_COMPARE(remote->backEnd(), QStringLiteral("org.freedesktop.impl.portal.desktop.standin"));
        remote->move(1, 1);
        QTRY_COMPARE(monitor.count(QStringLiteral("member=NotifyPointerMotion")), 3);
        QCOMPARE(calls().filter(QStringLiteral("CreateSession")).size(), 2);
    }

    // A desktop that answers after the call's time is up: that attempt is refused, the session it opens
    // late is closed, and its late answer, coming while the user's next Start is asking, is not taken
    // for the newer one's.
    void aLateSessionOfAnEndedAttemptIsClosedNotTaken() {
        BusMonitor monitor;
        QVERIFY(monitor.start({QStringLiteral("NotifyPointerMotion"), QStringLiteral("Close"),
                               QStringLiteral("SelectDevices")}));
        QVERIFY(startDesktop({"--slow-create-ms", "800", "--delay-ms", "400"}));
        const auto remote = session();
        bus_.timeoutMs = 300;
        remote->start();
        QTRY_COMPARE(refusals_, 1);
        remote->start();
        QTRY_COMPARE(remote->state(), RemoteDesktop::State::Active);
        remote->move(1, 1);
        QTRY_COMPARE(monitor.count(QStringLiteral("member=NotifyPointerMotion")), 1);
        const QStringList created = calls().filter(QStringLiteral("CreateSession"));
        QCOMPARE(created.size(), 2);
        QCOMPARE(monitor.count(QStringLiteral("member=SelectDevices")), 1);
        QCOMPARE(monitor.count(QStringLiteral("member=Close")), 1);
        QCOMPARE(monitor.count("path=" + created.front().section(' ', 1) + ";"), 1); // the first one's
        QCOMPARE(refusals_, 1);
    }

    // A kept answer the desktop no longer honours, then the user's Cancel in the fresh dialog: the old
    // session's Closed comes while the fresh attempt runs and must not touch it. One refusal, and
    // every session opened is closed.
    void aStaleKeptAnswerThenACancelIsOneRefusal() {
        savedToken_ = QStringLiteral("token-9");
        QVERIFY(
            startDesktop({"--version", "2", "--reject-token", "--close-on-refusal", "--start-answer", "1"}));
        const auto remote = session();
        remote->start();
        QTRY_COMPARE(refusals_, 1);
        QTest::qWait(300);
        QCOMPARE(refusals_, 1);
        QCOMPARE(calls().filter(QStringLiteral("SelectDevices")),
                 (QStringList{"RemoteDesktop.SelectDevices types=2 persist=2 token=token-9",
                              "RemoteDesktop.SelectDevices types=2 persist=2 token=-"}));
        QCOMPARE(savedToken_, QString());
        QCOMPARE(unclosedSessions(), QStringList{});
    }

    // A desktop that shows its dialog in spite of the kept answer, and the user cancels: that is the
    // user's no, not a stale answer, and no second dialog follows.
    void aCancelAfterAKeptAnswerIsARefusalNotARetry() {
        savedToken_ = QStringLiteral("token-9");
        QVERIFY(startDesktop({"--version", "2", "--start-answer", "1"}));
        const auto remote = session();
        remote->start();
        QTRY_COMPARE(refusals_, 1);
        QTest::qWait(300);
        QCOMPARE(calls().filter(QStringLiteral("RemoteDesktop.Start")).size(), 1);
        QCOMPARE(refusals_, 1);
    }

    // The desktop gone while its version answer is still on its way, then back: the late failure ends
    // only its own attempt, and the next Start gets one session.
    void aDesktopThatComesBackIsAskedAfresh() {
        QVERIFY(startDesktop({"--version-delay-ms", "1500"}));
        const auto remote = session();
        remote->start();
        QTest::qWait(200);
        cleanup();
        QTRY_COMPARE(refusals_, 1);
        QVERIFY(startDesktop({}));
        remote->start();
        QTRY_COMPARE(remote->state(), RemoteDesktop::State::Active);
        QTest::qWait(300);
        QCOMPARE(calls().filter(QStringLiteral("CreateSession")).size(), 1);
        QCOMPARE(refusals_, 1);
    }

    // A portal of version 2 keeps the user's answer: the next run starts without a dialog; an answer
    // it no longer honours is forgotten and the user asked afresh.
    void aKeptAnswerIsUsedAndARejectedOneForgotten() {
        QVERIFY(startDesktop({"--version", "2"}));
        {
            const auto first = session(); // the first run
            first->start();
            QTRY_COMPARE(savedToken_, QStringLiteral("token-1"));
        }
        cleanup();
        QVERIFY(startDesktop({"--version", "2", "--reject-token"}));
        const auto remote = session();
        remote->start();
        QTRY_COMPARE(remote->state(), RemoteDesktop::State::Active);
        QCOMPARE(calls().filter(QStringLiteral("SelectDevices")),
                 (QStringList{"RemoteDesktop.SelectDevices types=2 persist=2 token=token-1",
                              "RemoteDesktop.SelectDevices types=2 persist=2 token=-"}));
        QCOMPARE(refusals_, 0);
        QCOMPARE(savedToken_, QStringLiteral("token-1")); // the stand-in's counter starts afresh
    }
};

QTEST_MAIN(RemoteDesktopTest)
#include "remote_desktop_test.moc"
