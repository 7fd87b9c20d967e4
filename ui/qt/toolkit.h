#pragma once
// The Qt toolkit: creates the windows from their layouts, shows message boxes, runs the event loop.

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

} // namespace kivano::ui::qt
