// The Qt widgets' wiring: each event reaches its handler. Runs on the offscreen platform.

#include "app/frmMain.h"
#include "resources/layouts.h"
#include "settings/file_registry.h"
#include "ui/qt/qt_backend.h"

#include <QAccessible>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

using namespace kivano;

class QtWiringTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    std::unique_ptr<ui::qt::QtToolkit> toolkit_;
    ui::qt::QtCursor cursor_;
    ui::qt::QtSystem system_;
    std::unique_ptr<settings::FileRegistry> registry_;
    app::FixedSeedRandom random_;
    std::unique_ptr<app::Services> services_;
    std::unique_ptr<app::frmMain> form_;

    template <typename T> T* child(const char* name) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == "frmMain") return w->findChild<T*>(name);
        }
        return nullptr;
    }
    // The mouse arriving over a control, as the platform reports it.
    static void hover(QWidget* w) {
        QEnterEvent enter(QPointF(2, 2), w->mapTo(w->window(), QPointF(2, 2)), w->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(w, &enter);
    }
    // Acts on the named window as soon as it shows, from the event loop its modal show runs: a window
    // that comes late is still answered, one that never comes leaves the action undone.
    static void whenShown(const char* name, std::function<void(QWidget*)> act) {
        auto* poll = new QTimer;
        auto deadline = std::make_shared<QDeadlineTimer>(5000);
        QObject::connect(poll, &QTimer::timeout, [poll, deadline, name, act = std::move(act)] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() == name && w->isVisible()) {
                    poll->deleteLater();
                    poll->stop();
                    act(w);
                    return;
                }
            }
            if (deadline->hasExpired()) poll->deleteLater();
        });
        poll->start(10);
    }
    static void moveOver(QWidget* w, QPoint at) {
        QMouseEvent move(QEvent::MouseMove, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }

  private slots:
    void init() {
        toolkit_ = std::make_unique<ui::qt::QtToolkit>();
        registry_ = std::make_unique<settings::FileRegistry>(
            std::vector<settings::RootFile>{{settings::kHkeyCurrentUser, "HKEY_CURRENT_USER",
                                             (dir_.path() + "/user.reg").toStdString(), true}});
        services_ =
            std::make_unique<app::Services>(app::Services{*toolkit_, cursor_, system_, *registry_, random_});
        form_ = std::make_unique<app::frmMain>(*services_);
        form_->Form_Load();
        form_->window().show();
    }

    void cleanup() {
        form_.reset();
        QFile::remove(dir_.path() + "/user.reg");
    }

    void loadFillsTheBoxes() {
        QCOMPARE(child<QLineEdit>("edDelay")->text(), QString("0.1"));
        QCOMPARE(child<QLineEdit>("edSpeed")->text(), QString("3"));
        QCOMPARE(child<QLineEdit>("edRandomize")->text(), QString("2"));
        QCOMPARE(child<QLabel>("lblTop")->text(), QString("Press START button "));
    }

    void clickingStartStartsAndStops() {
        auto* start = child<QPushButton>("cbStart");
        QTest::mouseClick(start, Qt::LeftButton);
        QCOMPARE(start->text(), QString("Stop"));
        QVERIFY(!child<QPushButton>("cbTimer")->isEnabled());
        QTest::mouseClick(start, Qt::LeftButton);
        QCOMPARE(start->text(), QString("Start"));
    }

    void enterInATextBoxPressesStart() {
        auto* delay = child<QLineEdit>("edDelay");
        delay->setFocus();
        QTest::keyClick(delay, Qt::Key_Return);
        QCOMPARE(child<QPushButton>("cbStart")->text(), QString("Stop"));
    }

    void typingRunsTheValidation() {
        auto* speed = child<QLineEdit>("edSpeed");
        speed->setFocus();
        speed->selectAll();
        QTest::keyClicks(speed, "07");
        QCOMPARE(speed->text(), QString("7"));
        QCOMPARE(form_->Speed, 7.0);
    }

    void spinnerClickLeavesOnlyTheHandlersText() {
        auto* up = child<QWidget>("udSpeed")->findChild<QToolButton*>("up");
        auto* down = child<QWidget>("udDelay")->findChild<QToolButton*>("down");
        QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(child<QLineEdit>("edSpeed")->text(), QString("3.1"));
        QTest::mouseClick(down, Qt::LeftButton);
        QCOMPARE(child<QLineEdit>("edDelay")->text(), QString("0.1"));
    }

    void mouseMovesSetTheHint() {
        hover(child<QPushButton>("cbTimer"));
        QCOMPARE(child<QLabel>("lblTop")->text(), QString("Set up TIMER"));
        hover(child<QWidget>("udRandomize")->findChild<QToolButton*>("up"));
        QCOMPARE(child<QLabel>("lblTop")->text(), QString("Set up parameter to RANDOMIZE process"));
    }

    void onlyTheBareAreaHoldsBackTheMovingTimer() {
        QTest::mouseClick(child<QPushButton>("cbStart"), Qt::LeftButton);
        QWidget* window = child<QPushButton>("cbStart")->window();
        form_->WaitTicks = 5;
        moveOver(window, child<QPushButton>("cbStart")->geometry().center());
        QCOMPARE(form_->WaitTicks, 5);
        QVERIFY(!form_->RestartPending);
        moveOver(window, QPoint(2, window->height() - 2));
        QCOMPARE(form_->WaitTicks, 0);
        QVERIFY(form_->RestartPending);
    }

    void movingTimerMovesTheCursor() {
        QCursor::setPos(300, 300);
        child<QLineEdit>("edDelay")->setText("0.1");
        QTest::mouseClick(child<QPushButton>("cbStart"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(QCursor::pos() != QPoint(300, 300), 2000);
    }

    void letterIOnStartOpensTheAboutBoxModally() {
        bool seen = false;
        whenShown("frmAbout", [&](QWidget* w) {
            seen = w->findChild<QLabel*>("lblVersion")->text() == "Version 2.2.0";
            QTest::mouseClick(w->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
        });
        auto* start = child<QPushButton>("cbStart");
        start->setFocus();
        QTest::keyClick(start, 'i');
        QVERIFY(seen);
    }

    void timerDialogEscCancels() {
        bool seen = false;
        whenShown("dlgTimer", [&](QWidget* w) {
            seen = w->findChild<QLineEdit*>("edWork")->text() == "1";
            QTest::keyClick(w->findChild<QLineEdit*>("edWork"), Qt::Key_Escape);
        });
        QTest::mouseClick(child<QPushButton>("cbTimer"), Qt::LeftButton);
        QVERIFY(seen);
        QCOMPARE(child<QPushButton>("cbStart")->text(), QString("Start"));
    }

    // What a screen reader says each control is, through Qt's accessibility interfaces.
    void everyControlHasAnAccessibleName() {
        const auto about = toolkit_->createWindow(resources::frmAboutLayout());
        const auto timer = toolkit_->createWindow(resources::dlgTimerLayout());
        const auto nameOf = [](QWidget* w) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            return a != nullptr ? a->text(QAccessible::Name) : QString("(no interface)");
        };
        const struct {
            const char* window;
            const char* path; // a control, or an up-down's arrow as "control/up"
            const char* name;
        } table[] = {
            {"frmMain", "edDelay", "Time delay"},
            {"frmMain", "udDelay/up", "Increase time delay"},
            {"frmMain", "udDelay/down", "Decrease time delay"},
            {"frmMain", "edSpeed", "Mouse speed"},
            {"frmMain", "udSpeed/up", "Increase mouse speed"},
            {"frmMain", "edRandomize", "Randomize"},
            {"frmMain", "udRandomize/down", "Decrease randomize"},
            {"frmMain", "wbMain", "Status"},
            {"frmMain", "cbStart", "Start"},
            {"dlgTimer", "edPeriod", "Pause time"},
            {"dlgTimer", "udPeriod/up", "Increase pause time"},
            {"dlgTimer", "edWork", "Work time"},
            {"dlgTimer", "udWork/down", "Decrease work time"},
            {"frmAbout", "cmdSysInfo", "System Info..."},
        };
        for (const auto& row : table) {
            QWidget* top = nullptr;
            for (QWidget* w : QApplication::allWidgets()) {
                if (w->isWindow() && w->objectName() == row.window) top = w;
            }
            QVERIFY2(top != nullptr, row.window);
            const QStringList path = QString(row.path).split('/');
            QWidget* w = top->findChild<QWidget*>(path.front());
            if (w != nullptr && path.size() > 1) w = w->findChild<QWidget*>(path.back());
            QVERIFY2(w != nullptr, row.path);
            QCOMPARE(nameOf(w), QString(row.name));
        }
        // And none is left unnamed: every box, button, arrow, label and pane of the three windows.
        for (QWidget* w : QApplication::allWidgets()) {
            const bool control = qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w) ||
                                 qobject_cast<QLabel*>(w) || qobject_cast<QTextBrowser*>(w);
            if (control) QVERIFY2(!nameOf(w).trimmed().isEmpty(), qPrintable(w->objectName()));
        }
    }

    // In the desktop's own font, at any size it is set to, every label's text stays whole and inside
    // the box its layout gives it.
    void everyLabelFitsItsBoxInTheDesktopsFont_data() {
        QTest::addColumn<QFont>("desktop");
        QTest::newRow("the platform's default") << QApplication::font();
        QTest::newRow("a large sans") << QFont("DejaVu Sans", 11);
        QTest::newRow("a wide serif") << QFont("DejaVu Serif", 12);
    }
    void everyLabelFitsItsBoxInTheDesktopsFont() {
        QFETCH(QFont, desktop);
        form_.reset(); // its window was made in the font before
        const QFont before = QApplication::font();
        QApplication::setFont(desktop);
        for (const ui::WindowLayout* layout :
             {&resources::frmMainLayout(), &resources::dlgTimerLayout(), &resources::frmAboutLayout()}) {
            const auto window = toolkit_->createWindow(*layout);
            QWidget* top = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName() ==
                    QString::fromUtf8(layout->name.data(), static_cast<int>(layout->name.size())))
                    top = w;
            QVERIFY(top != nullptr);
            QCOMPARE(top->font().family(), desktop.family());
            const ui::ScaledLayout scaled = ui::scaleLayout(*layout, top->logicalDpiX());
            for (size_t i = 0; i < layout->controls.size(); ++i) {
                const ui::ControlLayout& c = layout->controls[i];
                auto* label = top->findChild<QLabel*>(
                    QString::fromUtf8(c.name.data(), static_cast<int>(c.name.size())));
                if (c.kind != ui::Kind::Label || label == nullptr || label->text().isEmpty()) continue;
                const QRect box(scaled.controls[i].left, scaled.controls[i].top, scaled.controls[i].width,
                                scaled.controls[i].height);
                const QRect text = label->fontMetrics().boundingRect(
                    box, (c.wrap ? Qt::TextWordWrap : Qt::TextSingleLine) | Qt::AlignLeft | Qt::AlignTop,
                    label->text());
                QVERIFY2(box.contains(text) && box.contains(label->geometry()),
                         qPrintable(label->objectName() + ": " + QString::number(text.width()) + " px of " +
                                    QString::number(box.width())));
            }
        }
        QApplication::setFont(before);
    }

    void closingStoresTheValues() {
        child<QLineEdit>("edSpeed")->setText("4.5");
        form_->window().close();
        QVERIFY(!form_->window().isOpen());
        std::ifstream in((dir_.path() + "/user.reg").toStdString());
        std::stringstream text;
        text << in.rdbuf();
        QVERIFY(text.str().find("\"Speed\"=\"4.5\"") != std::string::npos);
    }

    // A program started from Kivano gets the environment Kivano was started with, not what Kivano set
    // for itself later (GTK's accessibility switched off, for one).
    void startedProgramsGetTheEnvironmentKivanoStartedWith() {
        qunsetenv("NO_AT_BRIDGE");
        ui::qt::QtSystem system(nullptr, nullptr, QProcessEnvironment::systemEnvironment());
        qputenv("NO_AT_BRIDGE", "1");
        const QString script = dir_.path() + "/child", out = dir_.path() + "/env";
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("#!/bin/sh\nenv >'%1.part' && mv '%1.part' '%1'\n").arg(out).toUtf8());
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        QVERIFY(system.startProcess(script.toStdString()));
        QTRY_VERIFY(QFile::exists(out));
        QFile env(out);
        QVERIFY(env.open(QIODevice::ReadOnly));
        const QByteArray text = env.readAll();
        qunsetenv("NO_AT_BRIDGE");
        QVERIFY(text.contains("\nHOME=") || text.startsWith("HOME="));
        QVERIFY(!text.contains("NO_AT_BRIDGE"));
    }
};

QTEST_MAIN(QtWiringTest)
#include "qt_wiring_test.moc"
