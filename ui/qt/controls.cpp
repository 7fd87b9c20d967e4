// The controls and their creation from the layout.

#include "ui/qt/controls.h"

#include "ui/qt/text.h"
#include "ui/qt/window.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace kivano::ui::qt {

namespace {

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

QLabel* makeLabel(QWidget* parent, const ControlLayout& c, const QRect& r) {
    auto* label = new QLabel(q(c.caption), parent);
    label->setGeometry(r);
    label->setWordWrap(c.wrap);
    QPalette pal = label->palette();
    if (c.foreground != Colour::Default) pal.setColor(QPalette::WindowText, colourOf(c.foreground, pal));
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
    return label;
}

} // namespace

std::string QtLabel::caption() const {
    return w_->text().toStdString();
}

void QtLabel::setCaption(const std::string& text) {
    const QString wanted = q(text);
    if (w_->text() != wanted) w_->setText(wanted);
}

QtTextBox::QtTextBox(QLineEdit* w) : w_(w) {
    QObject::connect(w_, &QLineEdit::textChanged, w_, [this] {
        if (onChange) onChange();
    });
}

std::string QtTextBox::text() const {
    return w_->text().toStdString();
}

void QtTextBox::setText(const std::string& text) {
    w_->setText(q(text));
}

QtButton::QtButton(QPushButton* w) : w_(w) {
    QObject::connect(w_, &QPushButton::clicked, w_, [this] {
        if (onClick) onClick();
    });
}

std::string QtButton::caption() const {
    return w_->text().toStdString();
}
void QtButton::setCaption(const std::string& text) {
    w_->setText(q(text));
}
std::string QtButton::tooltip() const {
    return w_->toolTip().toStdString();
}
void QtButton::setTooltip(const std::string& text) {
    w_->setToolTip(q(text));
}
bool QtButton::enabled() const {
    return w_->isEnabled();
}
void QtButton::setEnabled(bool on) {
    w_->setEnabled(on);
}

QtUpDown::QtUpDown(QWidget* parent, const QRect& r, const std::string& name) : box_(new QWidget(parent)) {
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

void QtBrowser::navigate(const std::string& address) {
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

QtTimer::QtTimer(QObject* parent) : t_(new QTimer(parent)) {
    t_->setTimerType(Qt::PreciseTimer);
    QObject::connect(t_, &QTimer::timeout, t_, [this] {
        if (onTimer) onTimer();
    });
}

void QtTimer::setEnabled(bool on) {
    if (on && !enabled_) t_->start(static_cast<int>(interval_));
    if (!on) t_->stop();
    enabled_ = on;
}

void QtTimer::setInterval(std::uint32_t ms) {
    interval_ = ms;
    if (enabled_) t_->start(static_cast<int>(ms)); // a new interval starts a fresh period
}

void QtWindow::build(const WindowLayout& layout, const ScaledLayout& scaled) {
    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (size_t i = 0; i < layout.controls.size(); ++i) {
        const ControlLayout& c = layout.controls[i];
        const PixelRect& place = scaled.controls[i];
        const QRect r(place.left, place.top, place.width, place.height);
        QWidget* w = nullptr;
        std::unique_ptr<ui::Control> control;
        switch (c.kind) {
        case Kind::Label: {
            auto* label = makeLabel(widget_, c, r);
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
            w->installEventFilter(keys_);
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

} // namespace kivano::ui::qt
