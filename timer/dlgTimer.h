#pragma once
// The work/pause set-up dialog. One object lives for the whole run; its window is built when a property
// write or a show needs it (running the load step) and destroyed when it closes.

#include "app/services.h"
#include "ui/ui.h"

#include <memory>
#include <string>

namespace kivano::timer {

class dlgTimer {
  public:
    explicit dlgTimer(app::Services& services) : services_(services) {}

    // Lengths in minutes.
    [[nodiscard]] double Work() const { return work_; }
    void Work(double minutes);
    [[nodiscard]] double Period() const { return period_; }
    void Period(double minutes);
    [[nodiscard]] bool IsOk() const { return isOk_; }

    // Shows the dialog modally; returns once it has closed.
    void Show();

    // The open window, or null while the dialog is closed.
    [[nodiscard]] ui::Window* window() { return window_.get(); }

    void Form_Load();
    void edWork_Change();
    void edPeriod_Change();
    void udWork_DownClick();
    void udWork_UpClick();
    void udPeriod_DownClick();
    void udPeriod_UpClick();
    void OKButton_Click();
    void CancelButton_Click();

  private:
    ui::Window& ensureWindow();
    void applyChange(ui::TextBox& box, double& member);
    void step(ui::TextBox& box, double& member, double delta);
    [[nodiscard]] std::string numberText(double value) const;
    ui::TextBox& edWork() { return window_->get<ui::TextBox>("edWork"); }
    ui::TextBox& edPeriod() { return window_->get<ui::TextBox>("edPeriod"); }

    app::Services& services_;
    std::unique_ptr<ui::Window> window_;
    double work_ = 0;
    double period_ = 0;
    bool isOk_ = false;
};

} // namespace kivano::timer
