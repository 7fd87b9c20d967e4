#include "timer/dlgTimer.h"

#include "app/numtext.h"
#include "resources/layouts.h"

namespace kivano::timer {

namespace {
constexpr double kStep = 0.1;    // minutes a spinner click adds or takes
constexpr double kFloor = 0.001; // minutes a down click never goes below
} // namespace

std::string dlgTimer::numberText(double value) const {
    return app::formatNumber(value, services_.system.decimalSeparator());
}

ui::Window& dlgTimer::ensureWindow() {
    if (window_) return *window_;
    window_ = services_.toolkit.createWindow(resources::dlgTimerLayout());
    auto& w = *window_;
    w.get<ui::TextBox>("edWork").onChange = [this] { edWork_Change(); };
    w.get<ui::TextBox>("edPeriod").onChange = [this] { edPeriod_Change(); };
    w.get<ui::UpDown>("udWork").onDownClick = [this] { udWork_DownClick(); };
    w.get<ui::UpDown>("udWork").onUpClick = [this] { udWork_UpClick(); };
    w.get<ui::UpDown>("udPeriod").onDownClick = [this] { udPeriod_DownClick(); };
    w.get<ui::UpDown>("udPeriod").onUpClick = [this] { udPeriod_UpClick(); };
    w.get<ui::Button>("OKButton").onClick = [this] { OKButton_Click(); };
    w.get<ui::Button>("CancelButton").onClick = [this] { CancelButton_Click(); };
    Form_Load();
    return w;
}

void dlgTimer::Form_Load() {
    isOk_ = false;
    // A failure here ends the load step quietly; the dialog still opens.
    try {
        edPeriod().setText(numberText(period_));
        edWork().setText(numberText(work_));
    } catch (const std::exception&) { // NOLINT(bugprone-empty-catch)
    }
}

void dlgTimer::Work(double minutes) {
    work_ = minutes;
    ensureWindow();
    edWork().setText(numberText(work_));
}

void dlgTimer::Period(double minutes) {
    period_ = minutes;
    ensureWindow();
    edPeriod().setText(numberText(period_));
}

void dlgTimer::Show() {
    try {
        ensureWindow().showModal();
    } catch (...) {
        window_.reset(); // the next use builds the window afresh
        throw;
    }
    window_.reset();
}

void dlgTimer::applyChange(ui::TextBox& box, double& member) {
    const double remembered = member;
    if (const auto value = app::parseNumber(box.text(), services_.system.decimalSeparator())) {
        member = *value;
        if (!(member > 0)) member = remembered;
    }
    box.setText(numberText(member));
}

void dlgTimer::edWork_Change() {
    applyChange(edWork(), work_);
}

void dlgTimer::edPeriod_Change() {
    applyChange(edPeriod(), period_);
}

void dlgTimer::step(ui::TextBox& box, double& member, double delta) {
    member += delta;
    if (!(member > 0)) member = kFloor;
    // The box's change rule re-reads the shown text, so rounding errors of repeated steps never build up.
    box.setText(numberText(member));
}

void dlgTimer::udWork_DownClick() {
    step(edWork(), work_, -kStep);
}

void dlgTimer::udWork_UpClick() {
    step(edWork(), work_, kStep);
}

void dlgTimer::udPeriod_DownClick() {
    step(edPeriod(), period_, -kStep);
}

void dlgTimer::udPeriod_UpClick() {
    step(edPeriod(), period_, kStep);
}

void dlgTimer::OKButton_Click() {
    isOk_ = true;
    window_->close();
}

void dlgTimer::CancelButton_Click() {
    isOk_ = false;
    window_->close();
}

} // namespace kivano::timer
