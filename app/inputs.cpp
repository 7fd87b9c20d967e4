// The three parameter boxes and their spinners. Each validation rewrites its own box from inside its
// change event; every text it writes is valid, so the nested pass only confirms it.

#include "app/frmMain.h"
#include "app/numtext.h"

#include <algorithm>
#include <limits>

namespace kivano::app {

namespace {

constexpr double kTick = 0.1; // seconds per tick of the movement timer
constexpr double kStep = 0.1; // a spinner click, in the box's unit

} // namespace

void frmMain::edDelay_Change() {
    const auto seconds = parseNumber(edDelay.text(), services_.system.decimalSeparator());
    const auto ticks = seconds ? toInt32(*seconds / kTick) : std::nullopt;
    if (!ticks) {
        edDelay.setText(numberText(DelayTicks * kTick));
        return;
    }
    DelayTicks = *ticks;
    if (DelayTicks < kTick) {
        edDelay.setText(numberText(kTick));
        if (tmMover.enabled()) {
            tmMover.setEnabled(false);
            tmMover.setEnabled(true);
        }
        edDelay.setText(numberText(DelayTicks * kTick));
    }
}

void frmMain::applySpeedLike(ui::TextBox& box, double& member) {
    const auto value = parseNumber(box.text(), services_.system.decimalSeparator());
    if (value) {
        member = *value;
        if (member < 0) {
            box.setText("0");
            member = 0;
        }
    }
    box.setText(numberText(member));
}

void frmMain::edSpeed_Change() {
    applySpeedLike(edSpeed, Speed);
}

void frmMain::edRandomize_Change() {
    applySpeedLike(edRandomize, RandomizeAmount);
}

void frmMain::udDelay_DownClick() {
    DelayTicks = std::max(toInt32(DelayTicks - kStep / kTick).value_or(1), std::int32_t{1});
    edDelay.setText(numberText(DelayTicks * kTick));
}

void frmMain::udDelay_UpClick() {
    // Saturates at the top of the 32-bit range instead of wrapping around.
    DelayTicks = toInt32(DelayTicks + kStep / kTick).value_or(std::numeric_limits<std::int32_t>::max());
    edDelay.setText(numberText(DelayTicks * kTick));
}

void frmMain::writeSpeedLike(ui::TextBox& box, double& member, double value) {
    member = value < 0 ? 0 : value;
    box.setText(numberText(member));
    StepX = toStep(Speed);
}

void frmMain::udSpeed_DownClick() {
    writeSpeedLike(edSpeed, Speed, Speed - kStep);
}

void frmMain::udSpeed_UpClick() {
    writeSpeedLike(edSpeed, Speed, Speed + kStep);
}

void frmMain::udRandomize_DownClick() {
    writeSpeedLike(edRandomize, RandomizeAmount, RandomizeAmount - kStep);
}

void frmMain::udRandomize_UpClick() {
    writeSpeedLike(edRandomize, RandomizeAmount, RandomizeAmount + kStep);
}

} // namespace kivano::app
