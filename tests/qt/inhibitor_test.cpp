// The idle inhibitor against a stand-in desktop on a private session bus (run under dbus-run-session):
// which interface it uses, that it holds one at a time and lets go of it, and that a desktop that is
// missing, late or silent costs nothing but that.

#include "standin.h"
#include "ui/qt/idle_inhibitor.h"

#include <QtTest>
#include <memory>

using kivano::ui::qt::IdleInhibitor;

class InhibitorTest : public QObject {
    Q_OBJECT

  private:
    StandInDesktop desktop_;

    bool startDesktop(const QStringList& options) { return desktop_.start(options); }
    [[nodiscard]] QStringList calls() const { return desktop_.lines(); }
    // The calls after start-up, the held counts left out.
    [[nodiscard]] QStringList requests() const {
        QStringList out;
        for (const QString& line : calls()) {
            if (line != QStringLiteral("ready") && !line.startsWith(QStringLiteral("held"))) out << line;
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
    }
    void holdsExactlyWhileAskedThroughTheDesktopsInterface() {
        QFETCH(QStringList, options);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QVERIFY(startDesktop(options));
        IdleInhibitor inhibitor;
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
        IdleInhibitor inhibitor;
        inhibitor.hold(true);
        inhibitor.hold(false);
        QTRY_COMPARE(requests().size(), 2);
        QCOMPARE(requests(), (QStringList{"ScreenSaver.Inhibit Kivano", "ScreenSaver.UnInhibit 42"}));
        QCOMPARE(held(), QStringLiteral("held 0"));
    }

    void aSecondStartHoldsAgainAndTheEndLetsGo() {
        QVERIFY(startDesktop({}));
        {
            IdleInhibitor inhibitor;
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

    void noDesktopHoldsNothingAndSaysNothing() {
        QVERIFY(startDesktop({"--no-screensaver", "--no-portal"}));
        IdleInhibitor inhibitor;
        inhibitor.hold(true);
        QTest::qWait(300);
        inhibitor.hold(false);
        inhibitor.hold(true);
        QTest::qWait(300);
        QCOMPARE(requests(), QStringList{});
    }

    // A desktop that never answers costs one timeout, once, and never blocks the caller.
    void aSilentDesktopCostsOneTimeout() {
        QVERIFY(startDesktop({"--silent-screensaver"}));
        IdleInhibitor inhibitor;
        QElapsedTimer call;
        call.start();
        inhibitor.hold(true);
        // A blocking call would take the bus's whole timeout; this one only queues the message.
        QVERIFY(call.elapsed() < IdleInhibitor::kCallTimeoutMs);
        QTest::qWait(IdleInhibitor::kCallTimeoutMs + 500);
        inhibitor.hold(false);
        inhibitor.hold(true);
        QTest::qWait(300);
        QCOMPARE(requests(), QStringList{"ScreenSaver.Inhibit Kivano"}); // no second try, no portal
    }
};

QTEST_GUILESS_MAIN(InhibitorTest)
#include "inhibitor_test.moc"
