// The work/pause schedule: handlers of the main window's Timer... button and its one-second timer.
// During a work period the cursor is left alone (IsPaused); during a pause period it moves.

#include "app/frmMain.h"
#include "resources/strings.h"
#include "timer/dlgTimer.h"

#include <limits>

namespace kivano::app {

using resources::LoadResString;
using resources::StringId;

namespace {
constexpr double kSecondsPerMinute = 60;
} // namespace

void frmMain::cbTimer_Click() {
    try {
        auto& dialog = timerDialog();
        dialog.Period(PeriodSeconds / kSecondsPerMinute);
        dialog.Work(WorkSeconds / kSecondsPerMinute);
        dialog.Show();
        if (!dialog.IsOk()) return;
        PeriodSeconds = dialog.Period() * kSecondsPerMinute;
        WorkSeconds = dialog.Work() * kSecondsPerMinute;
        cbStart_Click();
        IsPaused = true;
        updateAwake();
        TimerTicks = 1;
        cbStart.setTooltip(LoadResString(StringId::kStopTimer));
        ShowIdlePage();
        tmTimer.setEnabled(true);
    } catch (const std::exception&) {
        // Whatever failed, toggle the movement so that Stop remains the way out.
        cbStart_Click();
        cbStart.setTooltip(LoadResString(StringId::kStopTimer));
    }
}

void frmMain::tmTimer_Timer() {
    const double length = IsPaused ? WorkSeconds : PeriodSeconds;
    if (static_cast<double>(TimerTicks) < length) {
        if (TimerTicks < std::numeric_limits<std::int32_t>::max()) ++TimerTicks;
        return;
    }
    TimerTicks = 1;
    IsPaused = !IsPaused;
    updateAwake();
    if (IsPaused) {
        ShowIdlePage();
    } else {
        showActivePage();
    }
}

} // namespace kivano::app
