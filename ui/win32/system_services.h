#pragma once
// The cursor and the system's services (paths, locale, files, processes, staying awake) on Win32.

#include "ui/ui.h"

#include <string>
#include <windows.h>

namespace kivano::win32 {

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
