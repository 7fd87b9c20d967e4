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

std::string Label::caption() const {
    return w_->text().toStdString();
}

void Label::setCaption(const std::string& text) {
    const QString wanted = q(text);
    if (w_->text() != wanted) w_->setText(wanted);
}

TextBox::TextBox(QLineEdit* w) : w_(w) {
    QObject::connect(w_, &QLineEdit::textChanged, w_, [this] {
        if (onChange) onChange();
    });
}

std::string TextBox::text() const {
    return w_->text().toStdString();
}

void TextBox::setText(const std::string& text) {
    w_->setText(q(text));
}

Button::Button(QPushButton* w) : w_(w) {
    QObject::connect(w_, &QPushButton::clicked, w_, [this] {
        if (onClick) onClick();
    });
}

std::string Button::caption() const {
    return w_->text().toStdString();
}
void Button::setCaption(const std::string& text) {
    w_->setText(q(text));
}
std::string Button::tooltip() const {
    return w_->toolTip().toStdString();
}
void Button::setTooltip(const std::string& text) {
    w_->setToolTip(q(text));
}
bool Button::enabled() const {
    return w_->isEnabled();
}
void Button::setEnabled(bool on) {
    w_->setEnabled(on);
}

UpDown::UpDown(QWidget* parent, const QRect& r, const std::string& name) : box_(new QWidget(parent)) {
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

void Browser::navigate(const std::string& address) {
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

Timer::Timer(QObject* parent) : t_(new QTimer(parent)) {
    t_->setTimerType(Qt::PreciseTimer);
    QObject::connect(t_, &QTimer::timeout, t_, [this] {
        if (onTimer) onTimer();
    });
}

void Timer::setEnabled(bool on) {
    if (on && !enabled_) t_->start(static_cast<int>(interval_));
    if (!on) t_->stop();
    enabled_ = on;
}

void Timer::setInterval(std::uint32_t ms) {
    interval_ = ms;
    if (enabled_) t_->start(static_cast<int>(ms)); // a new interval starts a fresh period
}

// A control made for the layout, with what the window does with it besides.
struct QtWindow::Made {
    QWidget* widget = nullptr; // none for timers and lines
    std::unique_ptr<ui::Control> control;
    KeyHandler* keys = nullptr; // where the control's own key presses go
    bool named = false;         // named for screen readers: it shows no text of its own
    bool focusable = false;     // takes the focus even off the tab order
    bool ownEvents = true;      // reports its mouse moves itself (an up-down's arrows report theirs)
};

QtWindow::Made QtWindow::make(const WindowLayout& layout, const ControlLayout& c, const PixelRect& place) {
    const QRect r(place.left, place.top, place.width, place.height);
    Made made;
    switch (c.kind) {
    case Kind::Label: {
        auto* label = makeLabel(widget_, c, r);
        made.widget = label;
        made.control = std::make_unique<Label>(label);
        break;
    }
    case Kind::TextBox: {
        auto* edit = new QLineEdit(widget_);
        edit->setGeometry(r);
        auto box = std::make_unique<TextBox>(edit);
        made = {edit, nullptr, &box->onKeyPress, true, true};
        made.control = std::move(box);
        break;
    }
    case Kind::Button: {
        auto* button = new QPushButton(q(c.caption), widget_);
        button->setGeometry(r);
        button->setToolTip(q(c.tooltip));
        button->setAutoDefault(false);
        auto control = std::make_unique<Button>(button);
        made = {button, nullptr, &control->onKeyPress, false, true};
        made.control = std::move(control);
        break;
    }
    case Kind::UpDown: {
        auto updown = std::make_unique<UpDown>(widget_, r, accessibleName(layout, c));
        made.widget = updown->widget();
        made.widget->setToolTip(q(c.tooltip));
        // The arrows report the mouse over them; the pair has no key presses of its own.
        for (auto* child : made.widget->findChildren<QWidget*>())
            child->installEventFilter(new ControlEvents(child, &updown->onMouseMove, nullptr));
        made.named = true;
        made.ownEvents = false;
        made.control = std::move(updown);
        break;
    }
    case Kind::Browser: {
        auto* browser = new QTextBrowser(widget_);
        browser->setGeometry(r);
        browser->setFocusPolicy(Qt::NoFocus);
        browser->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        browser->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        made.widget = browser;
        made.named = true;
        made.control = std::make_unique<Browser>(browser);
        break;
    }
    case Kind::Timer: {
        auto timer = std::make_unique<Timer>(widget_);
        timer->setInterval(c.interval);
        made.control = std::move(timer);
        return made;
    }
    case Kind::Line: {
        const LineEnds ends = lineEnds(place);
        widget_->lines.push_back({QLine(ends.x1, ends.y1, ends.x2, ends.y2),
                                  colourOf(c.foreground, widget_->palette()), c.lineWidth});
        made.control = std::make_unique<Line>();
        return made;
    }
    }
    return made;
}

void QtWindow::build(const WindowLayout& layout, const ScaledLayout& scaled) {
    std::vector<std::pair<int, QWidget*>> tabOrder;
    for (size_t i = 0; i < layout.controls.size(); ++i) {
        const ControlLayout& c = layout.controls[i];
        Made made = make(layout, c, scaled.controls[i]);
        if (QWidget* w = made.widget) {
            w->setObjectName(q(c.name));
            if (made.named) w->setAccessibleName(q(accessibleName(layout, c)));
            w->installEventFilter(keys_);
            // Installed last, so it sees each event first.
            if (made.ownEvents)
                w->installEventFilter(new ControlEvents(w, &made.control->onMouseMove, made.keys));
            if (c.tabStop) {
                tabOrder.emplace_back(c.tabIndex, w);
            } else if (!made.focusable) {
                w->setFocusPolicy(Qt::NoFocus);
            }
        }
        layouts_[std::string(c.name)] = &c;
        controls_.emplace(std::string(c.name), std::move(made.control));
    }
    std::sort(tabOrder.begin(), tabOrder.end());
    for (size_t i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    if (!tabOrder.empty()) tabOrder.front().second->setFocus();
}

} // namespace kivano::ui::qt
