#pragma once
// The in-memory backend: exact control semantics, a clock the tests advance, a virtual screen, and the
// user's actions (clicks, typing, hovering, the close box) as calls.

#include "ui/ui.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kivano::ui::headless {

class Timer;

// Virtual time in milliseconds. Due timers fire in order of their due time (ties in creation order),
// as many as fall within one advance.
class Clock {
  public:
    [[nodiscard]] std::int64_t now() const { return now_; }
    void advance(std::int64_t ms);
    // Advances until `pred` holds, at most `limitMs`; returns whether it held.
    bool advanceUntil(const std::function<bool()>& pred, std::int64_t limitMs, std::int64_t stepMs = 1);

  private:
    friend class Timer;
    void add(Timer* timer);
    void remove(Timer* timer);
    [[nodiscard]] Timer* nextDue(std::int64_t until) const;

    std::int64_t now_ = 0;
    std::uint64_t nextSerial_ = 0;
    std::vector<Timer*> timers_;
};

// The virtual screen and its cursor. A position outside every monitor is clipped to the nearest point
// of the nearest monitor, as the platform does.
class Screen final : public ui::Cursor {
  public:
    Screen() : monitors_{{0, 0, 1024, 768}} {}
    // Monitors as rectangles with exclusive right and bottom edges; the first is the primary one.
    void setMonitors(std::vector<Rect> monitors) { monitors_ = std::move(monitors); }
    [[nodiscard]] const std::vector<Rect>& monitors() const { return monitors_; }
    [[nodiscard]] Point clip(Point p) const;

    bool get(Point& where) override;
    bool set(Point where) override;

    Point position;
    bool failReads = false; // a failing GetCursorPos leaves the caller's point untouched
    std::size_t setCount = 0;

  private:
    std::vector<Rect> monitors_;
};

class System final : public ui::System {
  public:
    [[nodiscard]] std::string exeFolder() const override { return folder; }
    [[nodiscard]] std::string decimalSeparator() const override { return separator; }
    [[nodiscard]] bool fileExists(const std::string& path) const override { return files.contains(path); }
    bool startProcess(const std::string& path) override;
    void keepAwake(bool on) override { awakeRequests.push_back(on); }
    void requestPointer() override { ++pointerRequests; }

    std::string folder = "C:\\Program Files\\Kivano";
    std::string separator = ".";
    std::set<std::string> files;      // ordinary files that exist
    std::set<std::string> programs;   // files that also start as programs
    std::set<std::string> throwing;   // programs whose start raises an exception
    std::vector<std::string> started; // every program started, in order
    std::vector<bool> awakeRequests;  // every keep-awake request, in order
    int pointerRequests = 0;          // how often the desktop was asked for the pointer
};

class Window;

class Toolkit final : public ui::Toolkit {
  public:
    explicit Toolkit(Clock& clock, Screen& screen) : clock_(clock), screen_(screen) {}

    std::unique_ptr<ui::Window> createWindow(const WindowLayout& layout) override;
    void messageBox(const std::string& text, const std::string& caption) override;
    void run(ui::Window& main) override;

    // A script run once the next modal window is up; it may act on the window, advance the clock and
    // close it. A modal window still open after its script is closed as by its close box.
    void onNextModal(std::function<void(Window&)> script) { modalScripts_.push_back(std::move(script)); }

    struct MessageBox {
        std::string text;
        std::string caption;
    };
    std::vector<MessageBox> messageBoxes;
    std::vector<std::string> modalShown; // layout names, in order
    std::vector<bool> loops;             // each run of the event loop: whether its main window was shown
    int dpi = 96;

    [[nodiscard]] Clock& clock() { return clock_; }
    [[nodiscard]] Screen& screen() { return screen_; }

  private:
    friend class Window;
    void runModal(Window& window);
    [[nodiscard]] bool inputBlocked(const Window& window) const;

    Clock& clock_;
    Screen& screen_;
    std::vector<Window*> windows_;
    std::vector<Window*> modalStack_;
    std::deque<std::function<void(Window&)>> modalScripts_;
};

class Label final : public ui::Label {
  public:
    [[nodiscard]] std::string caption() const override { return caption_; }
    void setCaption(const std::string& text) override { caption_ = text; }

  private:
    std::string caption_;
};

class TextBox final : public ui::TextBox {
  public:
    [[nodiscard]] std::string text() const override { return text_; }
    void setText(const std::string& text) override;

  private:
    std::string text_;
};

class Button final : public ui::Button {
  public:
    [[nodiscard]] std::string caption() const override { return caption_; }
    void setCaption(const std::string& text) override { caption_ = text; }
    [[nodiscard]] std::string tooltip() const override { return tooltip_; }
    void setTooltip(const std::string& text) override { tooltip_ = text; }
    [[nodiscard]] bool enabled() const override { return enabled_; }
    void setEnabled(bool on) override { enabled_ = on; }

  private:
    friend class Window;
    std::string caption_;
    std::string tooltip_;
    bool enabled_ = true;
};

class UpDown final : public ui::UpDown {
  public:
    // The spinner's own position, 0 to 10, which the program never reads.
    int position = 0;
};

class Browser final : public ui::Browser {
  public:
    void navigate(const std::string& address) override { navigations.push_back(address); }
    std::vector<std::string> navigations;
};

class Timer final : public ui::Timer {
  public:
    explicit Timer(Clock& clock) : clock_(clock) { clock_.add(this); }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer() override { clock_.remove(this); }

    [[nodiscard]] bool enabled() const override { return enabled_; }
    void setEnabled(bool on) override;
    [[nodiscard]] std::uint32_t interval() const override { return interval_; }
    void setInterval(std::uint32_t ms) override;
    [[nodiscard]] std::int64_t due() const { return due_; }

  private:
    friend class Clock;
    Clock& clock_;
    bool enabled_ = false;
    std::uint32_t interval_ = 0;
    std::int64_t due_ = 0;
    std::uint64_t serial_ = 0;
};

class Line final : public ui::Line {};

class Window final : public ui::Window {
  public:
    Window(Toolkit& toolkit, const WindowLayout& layout);
    ~Window() override;

    [[nodiscard]] std::string caption() const override { return caption_; }
    void setCaption(const std::string& text) override { caption_ = text; }
    [[nodiscard]] WindowState state() const override { return state_; }
    void setState(WindowState state) override { state_ = state; }
    [[nodiscard]] Rect outerRect() const override;
    void show() override { visible_ = true; }
    void showModal() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override { return open_; }

    // The user's side. Each returns false, doing nothing, while the window takes no input.
    bool click(std::string_view name);
    bool clickUp(std::string_view name);
    bool clickDown(std::string_view name);
    bool paste(std::string_view name, const std::string& text); // replaces the whole text at once
    bool type(std::string_view text);                           // keys to the focused control
    bool pressKey(char16_t key);
    bool hover(std::string_view name); // "" is the bare client area
    bool focus(std::string_view name); // "" leaves no control focused
    bool closeBox();
    // Puts the client area's top-left corner at a screen position, as a user dragging the window would.
    void moveClientTo(Point origin) { clientOrigin_ = origin; }

    [[nodiscard]] const WindowLayout& layout() const { return layout_; }
    [[nodiscard]] std::string focused() const { return focused_; }
    [[nodiscard]] bool visible() const { return visible_; }
    [[nodiscard]] bool acceptsInput() const;
    [[nodiscard]] Rect clientRect() const;                       // screen pixels
    [[nodiscard]] Rect controlRect(std::string_view name) const; // client pixels

    template <typename T> T& control(std::string_view name) { return get<T>(name); }

  protected:
    ui::Control* find(std::string_view name) override;

  private:
    [[nodiscard]] const ControlLayout* layoutOf(std::string_view name) const;
    [[nodiscard]] std::string firstTabStop() const;
    Button* roleButton(bool wantDefault);

    Toolkit& toolkit_;
    const WindowLayout& layout_;
    std::map<std::string, std::unique_ptr<ui::Control>, std::less<>> controls_;
    std::string caption_;
    WindowState state_ = WindowState::Normal;
    Point clientOrigin_;
    std::string focused_;
    bool open_ = true;
    bool visible_ = false;
};

// Everything a behaviour test needs in one place.
struct Desktop {
    Clock clock;
    Screen screen;
    System system;
    Toolkit toolkit{clock, screen};
};

} // namespace kivano::ui::headless
