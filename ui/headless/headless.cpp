#include "ui/headless/headless.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace kivano::ui::headless {

// ---- Clock ----

void Clock::add(Timer* timer) {
    timer->serial_ = nextSerial_++;
    timers_.push_back(timer);
}

void Clock::remove(Timer* timer) {
    std::erase(timers_, timer);
}

Timer* Clock::nextDue(std::int64_t until) const {
    Timer* best = nullptr;
    for (Timer* t : timers_) {
        if (!t->enabled_ || t->interval_ == 0 || t->due_ > until) continue;
        if (best == nullptr || t->due_ < best->due_ ||
            (t->due_ == best->due_ && t->serial_ < best->serial_)) {
            best = t;
        }
    }
    return best;
}

void Clock::advance(std::int64_t ms) {
    const std::int64_t target = now_ + ms;
    while (Timer* t = nextDue(target)) {
        now_ = std::max(now_, t->due_);
        t->due_ = now_ + t->interval_;
        if (t->onTimer) t->onTimer();
    }
    // A handler may itself have advanced the clock further (a modal script, say).
    now_ = std::max(now_, target);
}

bool Clock::advanceUntil(const std::function<bool()>& pred, std::int64_t limitMs, std::int64_t stepMs) {
    for (std::int64_t waited = 0; waited < limitMs; waited += stepMs) {
        if (pred()) return true;
        advance(stepMs);
    }
    return pred();
}

// ---- Timer ----

void Timer::setEnabled(bool on) {
    if (on && !enabled_) due_ = clock_.now() + interval_;
    enabled_ = on;
}

void Timer::setInterval(std::uint32_t ms) {
    interval_ = ms;
    due_ = clock_.now() + interval_;
}

// ---- Screen ----

Point Screen::clip(Point p) const {
    Point best = p;
    long long bestDistance = std::numeric_limits<long long>::max();
    for (const Rect& m : monitors_) {
        const Point c{std::clamp(p.x, m.left, m.right - 1), std::clamp(p.y, m.top, m.bottom - 1)};
        const long long dx = static_cast<long long>(c.x) - p.x;
        const long long dy = static_cast<long long>(c.y) - p.y;
        const long long distance = dx * dx + dy * dy;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = c;
        }
    }
    return best;
}

bool Screen::get(Point& where) {
    if (failReads) return false;
    where = position;
    return true;
}

bool Screen::set(Point where) {
    position = clip(where);
    ++setCount;
    return true;
}

// ---- System ----

bool System::startProcess(const std::string& path) {
    if (throwing.contains(path)) throw std::runtime_error("the process could not be created");
    if (!programs.contains(path)) return false;
    started.push_back(path);
    return true;
}

// ---- Text box ----

void TextBox::setText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    if (onChange) onChange();
}

// ---- Toolkit ----

std::unique_ptr<ui::Window> Toolkit::createWindow(const WindowLayout& layout) {
    return std::make_unique<Window>(*this, layout);
}

void Toolkit::messageBox(const std::string& text, const std::string& caption) {
    messageBoxes.push_back({text, caption});
}

void Toolkit::run(ui::Window& main) {
    loops.push_back(dynamic_cast<Window&>(main).visible());
    // Nothing drives a headless loop but the test: closing is all that is left to do.
    if (main.isOpen()) main.close();
}

bool Toolkit::inputBlocked(const Window& window) const {
    return !modalStack_.empty() && modalStack_.back() != &window;
}

void Toolkit::runModal(Window& window) {
    modalShown.emplace_back(window.layout().name);
    modalStack_.push_back(&window);
    // Pops the modal window however the script ends, a throw included.
    const std::unique_ptr<Toolkit, void (*)(Toolkit*)> pop(this,
                                                           [](Toolkit* t) { t->modalStack_.pop_back(); });
    if (!modalScripts_.empty()) {
        auto script = std::move(modalScripts_.front());
        modalScripts_.pop_front();
        script(window);
    }
    if (window.isOpen()) window.close();
}

// ---- Window ----

namespace {

std::unique_ptr<ui::Control> makeControl(const ControlLayout& c, Clock& clock) {
    switch (c.kind) {
    case Kind::Label: {
        auto label = std::make_unique<Label>();
        label->setCaption(std::string(c.caption));
        return label;
    }
    case Kind::TextBox:
        return std::make_unique<TextBox>();
    case Kind::Button: {
        auto button = std::make_unique<Button>();
        button->setCaption(std::string(c.caption));
        button->setTooltip(std::string(c.tooltip));
        return button;
    }
    case Kind::UpDown:
        return std::make_unique<UpDown>();
    case Kind::Browser:
        return std::make_unique<Browser>();
    case Kind::Timer: {
        auto timer = std::make_unique<Timer>(clock);
        timer->setInterval(c.interval);
        return timer;
    }
    case Kind::Line:
        return std::make_unique<Line>();
    }
    return nullptr;
}

// Frame thickness around the client area: left, caption and top, right, bottom.
Rect frameOf(Frame frame) {
    return frame == Frame::ToolWindow ? Rect{3, 20, 3, 3} : Rect{3, 25, 3, 3};
}

} // namespace

Window::Window(Toolkit& toolkit, const WindowLayout& layout)
    : toolkit_(toolkit), layout_(layout), caption_(layout.caption) {
    for (const ControlLayout& c : layout.controls)
        controls_.emplace(std::string(c.name), makeControl(c, toolkit.clock_));
    const int dpi = toolkit.dpi;
    if (layout.centreOnOwner) {
        const Rect screen = toolkit.screen_.monitors().front();
        const Rect owner = toolkit.windows_.empty() ? screen : toolkit.windows_.front()->outerRect();
        clientOrigin_ = {(owner.left + owner.right - twipsToPixels(layout.clientWidth, dpi)) / 2,
                         (owner.top + owner.bottom - twipsToPixels(layout.clientHeight, dpi)) / 2};
    } else {
        clientOrigin_ = {twipsToPixels(layout.left, dpi), twipsToPixels(layout.top, dpi)};
    }
    focused_ = firstTabStop();
    toolkit.windows_.push_back(this);
}

Window::~Window() {
    std::erase(toolkit_.windows_, this);
}

std::string Window::firstTabStop() const {
    const ControlLayout* first = nullptr;
    for (const ControlLayout& c : layout_.controls) {
        if (c.tabStop && (first == nullptr || c.tabIndex < first->tabIndex)) first = &c;
    }
    return first == nullptr ? std::string{} : std::string(first->name);
}

ui::Control* Window::find(std::string_view name) {
    const auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second.get();
}

const ControlLayout* Window::layoutOf(std::string_view name) const {
    const auto it = std::find_if(layout_.controls.begin(), layout_.controls.end(),
                                 [name](const ControlLayout& c) { return c.name == name; });
    return it == layout_.controls.end() ? nullptr : &*it;
}

Rect Window::clientRect() const {
    const int dpi = toolkit_.dpi;
    return {clientOrigin_.x, clientOrigin_.y, clientOrigin_.x + twipsToPixels(layout_.clientWidth, dpi),
            clientOrigin_.y + twipsToPixels(layout_.clientHeight, dpi)};
}

Rect Window::controlRect(std::string_view name) const {
    const ControlLayout* c = layoutOf(name);
    if (c == nullptr) return {};
    const int dpi = toolkit_.dpi;
    const int left = twipsToPixels(c->left, dpi);
    const int top = twipsToPixels(c->top, dpi);
    return {left, top, left + twipsToPixels(c->width, dpi), top + twipsToPixels(c->height, dpi)};
}

Rect Window::outerRect() const {
    if (state_ == WindowState::Minimized) return {-32000, -32000, -31840, -31972}; // where Windows parks them
    if (state_ == WindowState::Maximized) return toolkit_.screen_.monitors().front();
    const Rect client = clientRect();
    const Rect f = frameOf(layout_.frame);
    return {client.left - f.left, client.top - f.top, client.right + f.right, client.bottom + f.bottom};
}

void Window::showModal() {
    visible_ = true;
    toolkit_.runModal(*this);
}

void Window::close() {
    if (!open_) return;
    if (onUnload) onUnload();
    open_ = false;
    visible_ = false;
}

bool Window::acceptsInput() const {
    return open_ && !toolkit_.inputBlocked(*this);
}

bool Window::click(std::string_view name) {
    auto* button = dynamic_cast<Button*>(find(name));
    if (!acceptsInput() || button == nullptr || !button->enabled()) return false;
    focused_ = std::string(name);
    if (button->onClick) button->onClick();
    return true;
}

bool Window::clickUp(std::string_view name) {
    auto* upDown = dynamic_cast<UpDown*>(find(name));
    if (!acceptsInput() || upDown == nullptr) return false;
    upDown->position = std::min(upDown->position + 1, 10);
    if (upDown->onUpClick) upDown->onUpClick();
    return true;
}

bool Window::clickDown(std::string_view name) {
    auto* upDown = dynamic_cast<UpDown*>(find(name));
    if (!acceptsInput() || upDown == nullptr) return false;
    upDown->position = std::max(upDown->position - 1, 0);
    if (upDown->onDownClick) upDown->onDownClick();
    return true;
}

bool Window::paste(std::string_view name, const std::string& text) {
    auto* box = dynamic_cast<TextBox*>(find(name));
    if (!acceptsInput() || box == nullptr) return false;
    focused_ = std::string(name);
    box->setText(text);
    return true;
}

bool Window::type(std::string_view text) {
    if (!acceptsInput()) return false;
    for (const char c : text)
        pressKey(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return true;
}

Button* Window::roleButton(bool wantDefault) {
    for (const ControlLayout& c : layout_.controls) {
        if (wantDefault ? c.isDefault : c.isCancel) return dynamic_cast<Button*>(find(c.name));
    }
    return nullptr;
}

bool Window::pressKey(char16_t key) {
    if (!acceptsInput()) return false;
    ui::Control* target = focused_.empty() ? nullptr : find(focused_);
    auto* button = dynamic_cast<Button*>(target);
    if (key == u'\r' || key == u'\x1b') {
        // Enter presses the focused button, or else the default one; Esc presses the cancel button.
        Button* pressed = key == u'\r' && button != nullptr ? button : roleButton(key == u'\r');
        if (pressed != nullptr && pressed->enabled() && pressed->onClick) pressed->onClick();
        return true;
    }
    if (auto* box = dynamic_cast<TextBox*>(target)) {
        if (box->onKeyPress) box->onKeyPress(key);
        std::string text = box->text();
        if (key == u'\b') {
            if (!text.empty()) text.pop_back();
        } else {
            text.push_back(static_cast<char>(key));
        }
        box->setText(text);
    } else if (button != nullptr) {
        if (button->onKeyPress) button->onKeyPress(key);
    } else if (target == nullptr && onKeyPress) {
        onKeyPress(key);
    }
    return true;
}

bool Window::hover(std::string_view name) {
    if (!acceptsInput()) return false; // a disabled window gets no mouse moves
    ui::Control* c = name.empty() ? nullptr : find(name);
    const Handler& h = c == nullptr ? onMouseMove : c->onMouseMove;
    if (h) h();
    return true;
}

bool Window::focus(std::string_view name) {
    if (!acceptsInput()) return false;
    focused_ = std::string(name);
    return true;
}

bool Window::closeBox() {
    if (!acceptsInput()) return false;
    close();
    return true;
}

} // namespace kivano::ui::headless
