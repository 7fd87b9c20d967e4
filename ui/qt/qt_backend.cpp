#include "ui/qt/qt_backend.h"

#include "ui/qt/idle_inhibitor.h"
#include "ui/qt/remote_desktop.h"
#include "ui/qt/virtual_pointer.h"
#include "ui/qt/wayland_idle_inhibit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

namespace kivano::ui::qt {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}
QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The client area's top-left corner that centres a window, frame and all, on its owner. The dialog's
// frame is not known before it is shown; the owner's, from the same window manager, stands in for it.
QPoint centredOnOwner(const QWidget* owner, QSize client) {
    if (owner == nullptr) {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        return screen.center() - QPoint(client.width() / 2, client.height() / 2);
    }
    const QRect frame = owner->frameGeometry();
    const QRect inner = owner->geometry();
    const int leftMinusRight = (inner.left() - frame.left()) - (frame.right() - inner.right());
    const int topMinusBottom = (inner.top() - frame.top()) - (frame.bottom() - inner.bottom());
    return frame.center() - QPoint(client.width() / 2, client.height() / 2) +
           QPoint(leftMinusRight / 2, topMinusBottom / 2);
}

QColor colourOf(Colour c, const QPalette& palette) {
    switch (c) {
    case Colour::ButtonShadow:
        return palette.color(QPalette::Dark);
    case Colour::ButtonHighlight:
        return palette.color(QPalette::Light);
    case Colour::ThreeDLight:
        return palette.color(QPalette::Midlight);
    case Colour::Black:
        return Qt::black;
    case Colour::White:
        return Qt::white;
    case Colour::Grey:
        return {128, 128, 128};
    case Colour::Default:
        break;
    }
    return palette.color(QPalette::WindowText);
}

// Forwards the mouse reaching one control's widget, and its key presses, to the layer's handlers.
// The mouse is seen when it enters the control (and on moves with a button held): without mouse
// tracking on every control, the cursor's own moves cost a fraction of the CPU, and the hint line,
// which names the control under the mouse, shows the same.
class ControlEvents final : public QObject {
  public:
    ControlEvents(QObject* parent, Handler* mouseMove, KeyHandler* keyPress)
        : QObject(parent), mouseMove_(mouseMove), keyPress_(keyPress) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto type = event->type();
        if ((type == QEvent::Enter || type == QEvent::MouseMove) && mouseMove_ != nullptr && *mouseMove_) {
            (*mouseMove_)();
        }
        if (event->type() == QEvent::KeyPress && keyPress_ != nullptr && *keyPress_) {
            const QString text = static_cast<QKeyEvent*>(event)->text();
            if (!text.isEmpty() && text.at(0).unicode() >= 0x20) (*keyPress_)(text.at(0).unicode());
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    Handler* mouseMove_;
    KeyHandler* keyPress_;
};

class QtLabel final : public ui::Label {
  public:
    explicit QtLabel(QLabel* w) : w_(w) {}
    [[nodiscard]] std::string caption() const override { return w_->text().toStdString(); }
    // The hint line is rewritten on every mouse move; the same text needs no repaint.
    void setCaption(const std::string& text) override {
        const QString wanted = q(text);
        if (w_->text() != wanted) w_->setText(wanted);
    }

  private:
    QLabel* w_;
};

class QtTextBox final : public ui::TextBox {
  public:
    explicit QtTextBox(QLineEdit* w) : w_(w) {
        // Emitted for the user's edits and, synchronously, for the program's writes of a different text.
        QObject::connect(w_, &QLineEdit::textChanged, w_, [this] {
            if (onChange) onChange();
        });
    }
    [[nodiscard]] std::string text() const override { return w_->text().toStdString(); }
    void setText(const std::string& text) override { w_->setText(q(text)); }

  private:
    QLineEdit* w_;
};

class QtButton final : public ui::Button {
  public:
    explicit QtButton(QPushButton* w) : w_(w) {
        QObject::connect(w_, &QPushButton::clicked, w_, [this] {
            if (onClick) onClick();
        });
    }
    [[nodiscard]] std::string caption() const override { return w_->text().toStdString(); }
    void setCaption(const std::string& text) override { w_->setText(q(text)); }
    [[nodiscard]] std::string tooltip() const override { return w_->toolTip().toStdString(); }
    void setTooltip(const std::string& text) override { w_->setToolTip(q(text)); }
    [[nodiscard]] bool enabled() const override { return w_->isEnabled(); }
    void setEnabled(bool on) override { w_->setEnabled(on); }
    [[nodiscard]] QPushButton* widget() const { return w_; }

  private:
    QPushButton* w_;
};

// Two arrow buttons that report clicks and hold no value of their own.
class QtUpDown final : public ui::UpDown {
  public:
    QtUpDown(QWidget* parent, QRect r, const std::string& name) : box_(new QWidget(parent)) {
        box_->setGeometry(r);
        auto* layout = new QVBoxLayout(box_);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        auto* up = new QToolButton(box_);
        auto* down = new QToolButton(box_);
        for (auto* b : {up, down}) {
            b->setObjectName(b == up ? "up" : "down");
            b->setAccessibleName(q(arrowName(name, b == up)));
            b->setArrowType(b == up ? Qt::UpArrow : Qt::DownArrow);
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
            b->setFocusPolicy(Qt::NoFocus);
            b->setAutoRepeat(true);
            layout->addWidget(b);
        }
        QObject::connect(up, &QToolButton::clicked, box_, [this] {
            if (onUpClick) onUpClick();
        });
        QObject::connect(down, &QToolButton::clicked, box_, [this] {
            if (onDownClick) onDownClick();
        });
    }
    [[nodiscard]] QWidget* widget() const { return box_; }

  private:
    QWidget* box_;
};

// Like the system's browser control, the pane loads its page on its own, once the event loop runs:
// the window shows without waiting for it, and of several quick navigations only the last is loaded.
class QtBrowser final : public ui::Browser {
  public:
    explicit QtBrowser(QTextBrowser* w) : w_(w) {}
    void navigate(const std::string& address) override {
        const bool queued = !pending_.isEmpty();
        pending_ = q(address);
        if (queued) return;
        QMetaObject::invokeMethod(
            w_,
            [this] {
                w_->setSource(QUrl(pending_));
                pending_.clear();
            },
            Qt::QueuedConnection);
    }

  private:
    QTextBrowser* w_;
    QString pending_;
};

class QtTimer final : public ui::Timer {
  public:
    explicit QtTimer(QObject* parent) : t_(new QTimer(parent)) {
        t_->setTimerType(Qt::PreciseTimer);
        QObject::connect(t_, &QTimer::timeout, t_, [this] {
            if (onTimer) onTimer();
        });
    }
    [[nodiscard]] bool enabled() const override { return enabled_; }
    void setEnabled(bool on) override {
        if (on && !enabled_) t_->start(static_cast<int>(interval_));
        if (!on) t_->stop();
        enabled_ = on;
    }
    [[nodiscard]] std::uint32_t interval() const override { return interval_; }
    void setInterval(std::uint32_t ms) override {
        interval_ = ms;
        if (enabled_) t_->start(static_cast<int>(ms)); // a new interval starts a fresh period
    }

  private:
    QTimer* t_;
    bool enabled_ = false;
    std::uint32_t interval_ = 0;
};

class QtLine final : public ui::Line {};

} // namespace

// The top-level widget: draws the lines and background picture, and routes the keys that the platform
// leaves to the window (Enter, Esc, characters typed while no control has the focus).
class WindowWidget final : public QWidget {
  public:
    explicit WindowWidget(QtWindow& owner) : owner_(owner) {}
    void setPicture(const QPixmap& picture) { picture_ = picture; }
    struct LineSpec {
        QLine line;
        QColor colour;
        int width;
    };
    std::vector<LineSpec> lines;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    QtWindow& owner_;
    QPixmap picture_;
};

class QtWindow final : public ui::Window {
  public:
    QtWindow(QtToolkit& toolkit, const WindowLayout& layout);
    ~QtWindow() override;

    [[nodiscard]] std::string caption() const override { return widget_->windowTitle().toStdString(); }
    void setCaption(const std::string& text) override { widget_->setWindowTitle(q(text)); }
    [[nodiscard]] WindowState state() const override {
        const auto s = widget_->windowState();
        if (s & Qt::WindowMinimized) return WindowState::Minimized;
        if (s & Qt::WindowMaximized) return WindowState::Maximized;
        return WindowState::Normal;
    }
    void setState(WindowState state) override {
        if (state == WindowState::Minimized) widget_->showMinimized();
        if (state == WindowState::Maximized) widget_->showMaximized();
        if (state == WindowState::Normal) widget_->showNormal();
    }
    [[nodiscard]] Rect outerRect() const override {
        const QRect r = widget_->frameGeometry();
        return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
    }
    void show() override { widget_->show(); }
    void showModal() override {
        widget_->setWindowModality(Qt::ApplicationModal);
        widget_->show();
        widget_->activateWindow();
        QEventLoop loop;
        modalLoop_ = &loop;
        if (open_) loop.exec();
        modalLoop_ = nullptr;
    }
    void close() override {
        if (!open_) return;
        finish();
        widget_->hide();
    }
    [[nodiscard]] bool isOpen() const override { return open_; }

    // The close box, or any other close request of the platform.
    void finish() {
        open_ = false;
        if (onUnload) onUnload();
        if (modalLoop_ != nullptr) modalLoop_->quit();
        if (runLoop_ != nullptr) runLoop_->quit();
    }
    void pressRole(bool wantDefault) {
        for (const auto& [name, layout] : layouts_) {
            if (!(wantDefault ? layout->isDefault : layout->isCancel)) continue;
            auto* b = dynamic_cast<QtButton*>(controls_.at(name).get());
            if (b != nullptr && b->enabled()) b->widget()->click();
        }
    }
    bool handleKey(QObject* target, QKeyEvent* e) {
        const int key = e->key();
        if (key == Qt::Key_Escape) {
            pressRole(false);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (auto* b = qobject_cast<QPushButton*>(target)) {
                b->click();
            } else {
                pressRole(true);
            }
            return true;
        }
        return false;
    }
    void windowKey(QKeyEvent* e) {
        // The window's own key press comes only while no control has the focus.
        QWidget* focus = widget_->focusWidget();
        if ((focus == nullptr || focus == widget_) && onKeyPress && !e->text().isEmpty()) {
            onKeyPress(e->text().at(0).unicode());
        }
    }
    void setRunLoop(QEventLoop* loop) { runLoop_ = loop; }
    [[nodiscard]] QWidget* widget() const { return widget_; }

  protected:
    ui::Control* find(std::string_view name) override {
        const auto it = controls_.find(std::string(name));
        return it == controls_.end() ? nullptr : it->second.get();
    }

  private:
    void build(const WindowLayout& layout, const ScaledLayout& scaled);

    QtToolkit& toolkit_;
    WindowWidget* widget_;
    std::map<std::string, std::unique_ptr<ui::Control>> controls_;
    std::map<std::string, const ControlLayout*> layouts_;
    QEventLoop* modalLoop_ = nullptr;
    QEventLoop* runLoop_ = nullptr;
    bool open_ = true;
};

// Keys of the window's controls: Enter and Esc take the window's default and cancel roles.
class KeyRouter final : public QObject {
  public:
    explicit KeyRouter(QtWindow& window) : QObject(window.widget()), window_(window) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && window_.handleKey(watched, static_cast<QKeyEvent*>(event))) {
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QtWindow& window_;
};

void WindowWidget::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter p(this);
    if (!picture_.isNull()) p.drawPixmap(0, 0, picture_);
    for (const auto& l : lines) {
        p.setPen(QPen(l.colour, l.width));
        p.drawLine(l.line);
    }
}

void WindowWidget::closeEvent(QCloseEvent* event) {
    if (owner_.isOpen()) owner_.finish();
    event->accept();
}

void WindowWidget::keyPressEvent(QKeyEvent* event) {
    if (!owner_.handleKey(this, event)) owner_.windowKey(event);
}

void WindowWidget::mouseMoveEvent(QMouseEvent* event) {
    // Moves over a control reach here too, passed up from the control; only the bare area counts.
    if (childAt(event->position().toPoint()) == nullptr && owner_.onMouseMove) owner_.onMouseMove();
    QWidget::mouseMoveEvent(event);
}

QtWindow::QtWindow(QtToolkit& toolkit, const WindowLayout& layout)
    : toolkit_(toolkit), widget_(new WindowWidget(*this)) {
    widget_->setObjectName(q(layout.name));
    widget_->setWindowTitle(q(layout.caption));
    widget_->setWindowIcon(QIcon(QStringLiteral(":/kivano/kivano.png")));
    QFont font(q(layout.fontName));
    font.setPointSizeF(layout.fontPoints);
    widget_->setFont(font);
    const ScaledLayout scaled = scaleLayout(layout, static_cast<int>(widget_->logicalDpiX()));
    const QSize client(scaled.clientWidth, scaled.clientHeight);
    // A fixed frame with a close box only; the main window stays a normal window with a taskbar entry.
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    flags |= layout.frame == Frame::ToolWindow ? Qt::Window : Qt::Dialog;
    if (layout.frame == Frame::Dialog && toolkit.mainWidget() != nullptr) {
        widget_->setParent(toolkit.mainWidget(), flags);
    } else {
        widget_->setWindowFlags(flags);
    }
    widget_->setFixedSize(client);
    widget_->setMouseTracking(true);
    if (!layout.background.empty())
        widget_->setPicture(QPixmap(QStringLiteral(":/kivano/") + q(layout.background)));
    build(layout, scaled);
    // Placed by its client area, as the layout gives it: setGeometry, unlike move, leaves the window
    // manager's frame out, so the frame grows outwards from the client area.
    QPoint place(scaled.left, scaled.top);
    if (layout.centreOnOwner) place = centredOnOwner(toolkit.mainWidget(), client);
    widget_->setGeometry(QRect(place, client));
    toolkit.windows_.push_back(this);
}

QtWindow::~QtWindow() {
    std::erase(toolkit_.windows_, this);
    delete widget_;
}

void QtWindow::build(const WindowLayout& layout, const ScaledLayout& scaled) {
    auto* keys = new KeyRouter(*this);
    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (size_t i = 0; i < layout.controls.size(); ++i) {
        const ControlLayout& c = layout.controls[i];
        const PixelRect& place = scaled.controls[i];
        const QRect r(place.left, place.top, place.width, place.height);
        QWidget* w = nullptr;
        std::unique_ptr<ui::Control> control;
        switch (c.kind) {
        case Kind::Label: {
            auto* label = new QLabel(q(c.caption), widget_);
            label->setGeometry(r);
            label->setWordWrap(c.wrap);
            QPalette pal = label->palette();
            if (c.foreground != Colour::Default)
                pal.setColor(QPalette::WindowText, colourOf(c.foreground, pal));
            if (c.background != Colour::Default) {
                pal.setColor(QPalette::Window, colourOf(c.background, pal));
                label->setAutoFillBackground(true);
            }
            label->setPalette(pal);
            if (c.bold) {
                QFont f = label->font();
                f.setBold(true);
                label->setFont(f);
            }
            if (c.autoSize) label->adjustSize(); // keeps its left and top, fits its text
            w = label;
            control = std::make_unique<QtLabel>(label);
            break;
        }
        case Kind::TextBox: {
            auto* edit = new QLineEdit(widget_);
            edit->setGeometry(r);
            w = edit;
            control = std::make_unique<QtTextBox>(edit);
            break;
        }
        case Kind::Button: {
            auto* button = new QPushButton(q(c.caption), widget_);
            button->setGeometry(r);
            button->setToolTip(q(c.tooltip));
            button->setAutoDefault(false);
            w = button;
            control = std::make_unique<QtButton>(button);
            break;
        }
        case Kind::UpDown: {
            auto updown = std::make_unique<QtUpDown>(widget_, r, accessibleName(layout, c));
            w = updown->widget();
            w->setToolTip(q(c.tooltip));
            for (auto* child : w->findChildren<QWidget*>()) {
                child->installEventFilter(new ControlEvents(child, &updown->onMouseMove, nullptr));
            }
            control = std::move(updown);
            break;
        }
        case Kind::Browser: {
            auto* browser = new QTextBrowser(widget_);
            browser->setGeometry(r);
            browser->setFocusPolicy(Qt::NoFocus);
            browser->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            browser->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            w = browser;
            control = std::make_unique<QtBrowser>(browser);
            break;
        }
        case Kind::Timer: {
            auto timer = std::make_unique<QtTimer>(widget_);
            timer->setInterval(c.interval);
            control = std::move(timer);
            break;
        }
        case Kind::Line:
            widget_->lines.push_back({QLine(place.left, place.top, place.width, place.height),
                                      colourOf(c.foreground, widget_->palette()), c.lineWidth});
            control = std::make_unique<QtLine>();
            break;
        }
        if (w != nullptr) {
            w->setObjectName(q(c.name));
            // Controls without a text of their own are named for screen readers; labels and buttons
            // already say what they are.
            if (c.kind == Kind::TextBox || c.kind == Kind::UpDown || c.kind == Kind::Browser)
                w->setAccessibleName(q(accessibleName(layout, c)));
            w->installEventFilter(keys);
            if (c.kind != Kind::UpDown) {
                auto* key = c.kind == Kind::Button    ? &static_cast<QtButton*>(control.get())->onKeyPress
                            : c.kind == Kind::TextBox ? &static_cast<QtTextBox*>(control.get())->onKeyPress
                                                      : nullptr;
                w->installEventFilter(new ControlEvents(w, &control->onMouseMove, key));
            }
            if (c.tabStop) {
                tabOrder.emplace_back(c.tabIndex, w);
            } else if (c.kind != Kind::TextBox && c.kind != Kind::Button) {
                w->setFocusPolicy(Qt::NoFocus);
            }
        }
        layouts_[std::string(c.name)] = &c;
        controls_.emplace(std::string(c.name), std::move(control));
    }
    std::sort(tabOrder.begin(), tabOrder.end());
    for (size_t i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    if (!tabOrder.empty()) tabOrder.front().second->setFocus();
}

std::unique_ptr<ui::Window> QtToolkit::createWindow(const WindowLayout& layout) {
    return std::make_unique<QtWindow>(*this, layout);
}

QWidget* QtToolkit::mainWidget() const {
    return windows_.empty() ? nullptr : windows_.front()->widget();
}

void QtToolkit::messageBox(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, q(caption), q(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void QtToolkit::run(ui::Window& main) {
    auto& window = dynamic_cast<QtWindow&>(main);
    QEventLoop loop;
    window.setRunLoop(&loop);
    if (window.isOpen()) loop.exec();
    window.setRunLoop(nullptr);
}

bool QtCursor::get(Point& where) {
    const QPoint p = QCursor::pos();
    where = {p.x(), p.y()};
    return true;
}

bool QtCursor::set(Point where) {
    QCursor::setPos(where.x, where.y);
    return true;
}

void QtSystem::keepAwake(bool on) {
    if (inhibitor_ != nullptr) inhibitor_->hold(on);
    if (surfaceInhibit_ != nullptr) surfaceInhibit_->hold(on);
}

void QtSystem::requestPointer() {
    // The portal is asked only where the compositor has no virtual pointer (GNOME and Plasma have none).
    if (pointer_ != nullptr && pointer_->start()) return;
    if (remote_ != nullptr) remote_->start();
}

std::string QtSystem::exeFolder() const {
    return QCoreApplication::applicationDirPath().toStdString();
}

std::string QtSystem::decimalSeparator() const {
    return QLocale::system().decimalPoint().toStdString();
}

bool QtSystem::fileExists(const std::string& path) const {
    return QFileInfo(q(path)).isFile();
}

bool QtSystem::startProcess(const std::string& path) {
    // The path is the program itself: no shell, no splitting, no arguments.
    return !path.empty() && QProcess::startDetached(q(path), {});
}

} // namespace kivano::ui::qt
