#pragma once
// The Win32 backend: the windowing layer over the real Windows controls.

#include "ui/ui.h"

#include <memory>
#include <string>
#include <vector>
#include <windows.h>

namespace kivano::win32 {

class Win32Window;

class Toolkit final : public ui::Toolkit {
  public:
    explicit Toolkit(HINSTANCE instance);
    ~Toolkit() override;
    Toolkit(const Toolkit&) = delete;
    Toolkit& operator=(const Toolkit&) = delete;

    std::unique_ptr<ui::Window> createWindow(const ui::WindowLayout& layout) override;
    void messageBox(const std::string& text, const std::string& caption) override;
    void run(ui::Window& main) override;

    [[nodiscard]] HINSTANCE instance() const { return instance_; }
    [[nodiscard]] HWND mainWindow() const;
    // Runs the message loop while `open` holds (a window's own flag, cleared when it closes).
    void pump(const bool& open);

  private:
    friend class Win32Window;
    HINSTANCE instance_;
    std::vector<Win32Window*> windows_;
    bool oleReady_ = false;
};

// SetCursorPos moves the cursor but bypasses the input stream, which the system's idle timer watches
// (screen saver, lock, display sleep). Each move therefore also sends a zero-length relative mouse move.
class Cursor final : public ui::Cursor {
  public:
    using SendInputFn = UINT(WINAPI*)(UINT, LPINPUT, int);
    explicit Cursor(SendInputFn sendInput = ::SendInput) : sendInput_(sendInput) {}
    bool get(ui::Point& where) override;
    bool set(ui::Point where) override;

  private:
    SendInputFn sendInput_;
};

class System final : public ui::System {
  public:
    using ExecutionStateFn = EXECUTION_STATE(WINAPI*)(EXECUTION_STATE);
    explicit System(ExecutionStateFn setState = ::SetThreadExecutionState) : setState_(setState) {}
    [[nodiscard]] std::string exeFolder() const override;
    [[nodiscard]] std::string decimalSeparator() const override;
    [[nodiscard]] bool fileExists(const std::string& path) const override;
    bool startProcess(const std::string& path) override;
    void keepAwake(bool on) override;

  private:
    ExecutionStateFn setState_;
};

} // namespace kivano::win32
