#pragma once
// The Win32 toolkit: the window class, the common controls, OLE for the browser pane, the message loop.

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

} // namespace kivano::win32
