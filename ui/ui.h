#pragma once
// The windowing layer: the few controls Kivano's windows use, with the semantics the handlers rely on.
// Each backend (headless, win32, qt) implements these; the windows' behaviour is written once against them.

#include "ui/layout.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kivano::ui {

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

enum class WindowState { Normal, Minimized, Maximized };

using Handler = std::function<void()>;
// Character codes are UTF-16 units, as the platform's key-press events deliver them.
using KeyHandler = std::function<void(char16_t)>;

class Control {
  public:
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    Handler onMouseMove;
};

class Label : public Control {
  public:
    [[nodiscard]] virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& text) = 0;
};

// A single-line text box. A write from the program raises onChange before it returns, and raises
// nothing when the text is already the same.
class TextBox : public Control {
  public:
    [[nodiscard]] virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;

    Handler onChange;
    KeyHandler onKeyPress;
};

class Button : public Control {
  public:
    [[nodiscard]] virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& text) = 0;
    [[nodiscard]] virtual std::string tooltip() const = 0;
    virtual void setTooltip(const std::string& text) = 0;
    [[nodiscard]] virtual bool enabled() const = 0;
    virtual void setEnabled(bool on) = 0;

    Handler onClick;
    KeyHandler onKeyPress;
};

// A pair of arrows that only reports clicks; it holds no value and never writes into a box.
class UpDown : public Control {
  public:
    Handler onDownClick;
    Handler onUpClick;
};

class Browser : public Control {
  public:
    virtual void navigate(const std::string& address) = 0;
};

// An event-loop timer. Disabling then enabling it, or setting its interval, starts its period afresh.
class Timer : public Control {
  public:
    [[nodiscard]] virtual bool enabled() const = 0;
    virtual void setEnabled(bool on) = 0;
    [[nodiscard]] virtual std::uint32_t interval() const = 0;
    virtual void setInterval(std::uint32_t ms) = 0;

    Handler onTimer;
};

class Line : public Control {};

class Window {
  public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window() = default;

    [[nodiscard]] virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& text) = 0;
    [[nodiscard]] virtual WindowState state() const = 0;
    virtual void setState(WindowState state) = 0;
    // The outer rectangle, frame included, in screen pixels.
    [[nodiscard]] virtual Rect outerRect() const = 0;

    virtual void show() = 0;
    // Shows the window modally: every other window of the program takes no input meanwhile, timers keep
    // firing, and the call returns once the window has closed.
    virtual void showModal() = 0;
    // Closes the window as a close request would; onUnload runs first.
    virtual void close() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;

    template <typename T> T& get(std::string_view name) {
        auto* found = dynamic_cast<T*>(find(name));
        if (found == nullptr) {
            throw std::logic_error("no control named " + std::string(name));
        }
        return *found;
    }

    Handler onUnload;
    KeyHandler onKeyPress;
    Handler onMouseMove; // over the bare client area
    // The user's session was locked (true) or unlocked (false), as the system tells it; a remote
    // session's disconnect counts as a lock. Where the system tells nothing it is never raised.
    std::function<void(bool)> onSessionLock;

  protected:
    virtual Control* find(std::string_view name) = 0;
};

// The cursor. A position outside the screen is clipped to the nearest point on it.
class Cursor {
  public:
    virtual ~Cursor() = default;
    virtual bool get(Point& where) = 0;
    virtual bool set(Point where) = 0;
};

// What the program asks of its host system.
class System {
  public:
    virtual ~System() = default;
    // The folder holding the executable, in the platform's own form, without a trailing separator.
    [[nodiscard]] virtual std::string exeFolder() const = 0;
    [[nodiscard]] virtual std::string decimalSeparator() const = 0;
    // True for an existing ordinary file only.
    [[nodiscard]] virtual bool fileExists(const std::string& path) const = 0;
    // Starts the program at `path` itself, without arguments and without a shell; true if it started.
    virtual bool startProcess(const std::string& path) = 0;
    // Asks the system to keep the display and the machine awake while `on`, as user input would.
    virtual void keepAwake(bool on) = 0;
    // The user asked to start moving. Where the desktop must grant the pointer first, it is asked now:
    // once, and again at the next request after a refusal. Elsewhere there is nothing to ask.
    virtual void requestPointer() {}
};

class Toolkit {
  public:
    virtual ~Toolkit() = default;
    virtual std::unique_ptr<Window> createWindow(const WindowLayout& layout) = 0;
    // A modal message box with an OK button only and no icon.
    virtual void messageBox(const std::string& text, const std::string& caption) = 0;
    // Runs the event loop until `main` has closed.
    virtual void run(Window& main) = 0;
};

} // namespace kivano::ui
