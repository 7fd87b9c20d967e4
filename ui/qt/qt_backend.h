#pragma once
// The Qt 6 Widgets backend: the windowing layer over real widgets, for Linux.

#include "ui/ui.h"

#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace kivano::ui::qt {

class QtWindow;

class QtToolkit final : public ui::Toolkit {
  public:
    std::unique_ptr<ui::Window> createWindow(const WindowLayout& layout) override;
    void messageBox(const std::string& text, const std::string& caption) override;
    void run(ui::Window& main) override;

    // The first window created owns the later ones: dialogs centre on it.
    [[nodiscard]] QWidget* mainWidget() const;

  private:
    friend class QtWindow;
    std::vector<QtWindow*> windows_;
};

// The pointer through QCursor; on X11 each warp moves the real pointer and is clipped to the screen.
class QtCursor final : public ui::Cursor {
  public:
    bool get(Point& where) override;
    bool set(Point where) override;
    // False where the platform cannot warp the pointer (a Wayland session).
    [[nodiscard]] static bool canWarp();
};

class IdleInhibitor;

class QtSystem final : public ui::System {
  public:
    // With an inhibitor, the request to stay awake holds one on the session bus.
    explicit QtSystem(IdleInhibitor* inhibitor = nullptr) : inhibitor_(inhibitor) {}
    [[nodiscard]] std::string exeFolder() const override;
    [[nodiscard]] std::string decimalSeparator() const override;
    [[nodiscard]] bool fileExists(const std::string& path) const override;
    bool startProcess(const std::string& path) override;
    void keepAwake(bool on) override;

  private:
    IdleInhibitor* inhibitor_;
};

} // namespace kivano::ui::qt
