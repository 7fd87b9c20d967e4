// A window's life (creation, placement, modal showing, closing), its keys and its painting.

#include "ui/qt/window.h"

#include "ui/qt/controls.h"
#include "ui/qt/text.h"
#include "ui/qt/toolkit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

namespace kivano::ui::qt {

namespace {

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

// Keys of the window's controls: Enter and Esc take the window's default and cancel roles.
class KeyRouter final : public QObject {
  public:
    KeyRouter(QtWindow& window, QObject* parent) : QObject(parent), window_(window) {}

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

} // namespace

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

namespace {

// Whether each label's caption fits its box in `font`, on one line or, where it wraps, within its height.
bool labelsFit(const WindowLayout& layout, const ScaledLayout& scaled, QFont font) {
    for (size_t i = 0; i < layout.controls.size(); ++i) {
        const ControlLayout& c = layout.controls[i];
        if (c.kind != Kind::Label || c.caption.empty()) continue;
        font.setBold(c.bold);
        const QFontMetricsF metrics(font);
        const QRectF box(0, 0, scaled.controls[i].width, scaled.controls[i].height);
        const QRectF need = c.wrap ? metrics.boundingRect(box, Qt::TextWordWrap, q(c.caption))
                                   : QRectF(0, 0, metrics.horizontalAdvance(q(c.caption)), metrics.height());
        if (need.width() > box.width() || need.height() > box.height()) return false;
    }
    return true;
}

} // namespace

// The layout's boxes were measured in a font Linux lacks: the window draws in the desktop's own font
// family, at the layout's size or, where a label's text would not fit its box, the largest size below
// that lets it. No control moves and no text is cut.
QFont QtWindow::fittingFont(const WindowLayout& layout, const ScaledLayout& scaled) {
    constexpr double kSmallest = 6;
    constexpr double kStep = 0.25;
    QFont font = QApplication::font();
    font.setPointSizeF(layout.fontPoints);
    while (font.pointSizeF() - kStep >= kSmallest && !labelsFit(layout, scaled, font))
        font.setPointSizeF(font.pointSizeF() - kStep);
    return font;
}

QtWindow::QtWindow(QtToolkit& toolkit, const WindowLayout& layout)
    : toolkit_(toolkit), widget_(new WindowWidget(*this)), keys_(new KeyRouter(*this, widget_)) {
    widget_->setObjectName(q(layout.name));
    widget_->setWindowTitle(q(layout.caption));
    widget_->setWindowIcon(QIcon(QStringLiteral(":/kivano/kivano.png")));
    const ScaledLayout scaled = scaleLayout(layout, static_cast<int>(widget_->logicalDpiX()));
    widget_->setFont(fittingFont(layout, scaled));
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

std::string QtWindow::caption() const {
    return widget_->windowTitle().toStdString();
}

void QtWindow::setCaption(const std::string& text) {
    widget_->setWindowTitle(q(text));
}

WindowState QtWindow::state() const {
    const auto s = widget_->windowState();
    if (s & Qt::WindowMinimized) return WindowState::Minimized;
    if (s & Qt::WindowMaximized) return WindowState::Maximized;
    return WindowState::Normal;
}

void QtWindow::setState(WindowState state) {
    if (state == WindowState::Minimized) widget_->showMinimized();
    if (state == WindowState::Maximized) widget_->showMaximized();
    if (state == WindowState::Normal) widget_->showNormal();
}

Rect QtWindow::outerRect() const {
    const QRect r = widget_->frameGeometry();
    return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

void QtWindow::showModal() {
    widget_->setWindowModality(Qt::ApplicationModal);
    widget_->show();
    widget_->activateWindow();
    QEventLoop loop;
    modalLoop_ = &loop;
    if (open_) loop.exec();
    modalLoop_ = nullptr;
}

void QtWindow::close() {
    if (!open_) return;
    finish();
    widget_->hide();
}

void QtWindow::finish() {
    open_ = false;
    if (onUnload) onUnload();
    if (modalLoop_ != nullptr) modalLoop_->quit();
    if (runLoop_ != nullptr) runLoop_->quit();
}

void QtWindow::pressRole(bool wantDefault) {
    for (const auto& [name, layout] : layouts_) {
        if (!(wantDefault ? layout->isDefault : layout->isCancel)) continue;
        auto* b = dynamic_cast<Button*>(controls_.at(name).get());
        if (b != nullptr && b->enabled()) b->widget()->click();
    }
}

bool QtWindow::handleKey(QObject* target, QKeyEvent* e) {
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

void QtWindow::windowKey(QKeyEvent* e) {
    // The window's own key press comes only while no control has the focus.
    QWidget* focus = widget_->focusWidget();
    if ((focus == nullptr || focus == widget_) && onKeyPress && !e->text().isEmpty()) {
        onKeyPress(e->text().at(0).unicode());
    }
}

} // namespace kivano::ui::qt
