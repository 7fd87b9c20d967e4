// The movement engine: the Start/Stop toggle, the movement tick and the status pages.

#include "app/frmMain.h"
#include "app/numtext.h"
#include "resources/strings.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace kivano::app {

using resources::LoadResString;
using resources::StringId;

namespace {

constexpr std::int32_t kEdge = 10;

// Keeps the extra wait finite, so that growing and shrinking it can never meet as inf - inf.
double finite(double value) {
    constexpr double kMax = std::numeric_limits<double>::max();
    return std::clamp(value, -kMax, kMax);
}

} // namespace

void frmMain::cbStart_Click() {
    if (!moving()) {
        clearRefusal(); // asked afresh below
        ExtraDelay = 0;
        IsPaused = false;
        setMoving(true);
        cbTimer.setEnabled(false);
        cbStart.setCaption(LoadResString(StringId::kStop));
        cbStart.setTooltip(LoadResString(StringId::kStopMoving));
        // Only the user's own Start asks the desktop for the pointer, never a period of the schedule.
        services_.system.requestPointer();
        showActivePage();
        updateAwake();
        return;
    }
    edDelay_Change();
    edSpeed_Change();
    edRandomize_Change();
    cbTimer.setEnabled(true);
    setMoving(false);
    tmTimer.setEnabled(false);
    cbStart.setCaption(LoadResString(StringId::kStart));
    cbStart.setTooltip(LoadResString(StringId::kStartMoving));
    ShowIdlePage();
    if (PointerRefused) showRefusalNotice();
    updateAwake();
}

void frmMain::setMoving(bool on) {
    if (SessionLocked) {
        heldByLock_ = on;
    } else {
        tmMover.setEnabled(on);
    }
}

void frmMain::Session_Lock() {
    if (SessionLocked) return;
    SessionLocked = true;
    // No tick at all while locked: the cursor calls would fail or wake the lock screen's display.
    heldByLock_ = tmMover.enabled();
    tmMover.setEnabled(false);
    updateAwake();
}

void frmMain::Session_Unlock() {
    if (!SessionLocked) return;
    SessionLocked = false;
    const bool lost = std::exchange(lostWhileLocked_, false);
    const bool resume = std::exchange(heldByLock_, false);
    if (resume) tmMover.setEnabled(true);
    if (lost && resume) {
        // The desktop may end the session for the lock's sake; the user, just back, can answer it.
        clearRefusal();
        services_.system.requestPointer();
    } else if (lost) {
        Pointer_Refused();
    }
    updateAwake();
}

void frmMain::updateAwake() {
    setAwake(tmMover.enabled() && !IsPaused);
}

void frmMain::setAwake(bool on) {
    if (on == awake_) return;
    awake_ = on;
    services_.system.keepAwake(on);
}

void frmMain::tmMover_Timer() {
    if (IsPaused) return;
    if (RestartPending) {
        RestartPending = false;
        restartMover();
    }
    if (static_cast<double>(WaitTicks) < static_cast<double>(DelayTicks) + ExtraDelay) {
        if (WaitTicks < std::numeric_limits<std::int32_t>::max()) ++WaitTicks;
        return;
    }
    WaitTicks = 0;

    // A failed cursor read leaves zeros in place; the tick goes on regardless.
    const ui::Rect r = window_->outerRect();
    ui::Point p{};
    const bool seen = services_.cursor.get(p);
    const ui::Point step{StepX, StepY};
    services_.cursor.set({p.x + step.x, p.y + step.y});
    applyDraws();
    // Where the cursor could not be read, which way it was blocked is unknown: judged as a still step.
    bounce(p, r, seen ? step : ui::Point{});
}

void frmMain::applyDraws() {
    const float a = services_.random.next();
    const double h = static_cast<double>(DelayTicks) * RandomizeAmount * 0.5;
    if (a < 0.1F) {
        ExtraDelay = finite(ExtraDelay + h);
    } else if (a > 0.9F) {
        ExtraDelay = finite(ExtraDelay - h);
        if (static_cast<double>(DelayTicks) + ExtraDelay <= 0) ExtraDelay = 0;
    }
    const float b = services_.random.next();
    if (b < 0.05F) StepX = toStep(StepX + RandomizeAmount);
    if (b > 0.95F) StepX = toStep(StepX - RandomizeAmount);
    const float c = services_.random.next();
    if (c < 0.05F) StepY = toStep(StepY + RandomizeAmount);
    if (c > 0.95F) StepY = toStep(StepY - RandomizeAmount);
}

void frmMain::bounce(ui::Point p, ui::Rect r, ui::Point step) {
    const std::int16_t forward = toStep(Speed);
    // Speed is never negative, so this stays exactly the reverse even where the forward step is clamped.
    const auto backward = static_cast<std::int16_t>(-forward);
    if (window_->state() == ui::WindowState::Normal) {
        // Held inside the window's rectangle and off the screen's top and left edges; later rules win.
        if (p.x < kEdge || p.x < r.left) StepX = forward;
        if (p.x > r.right) StepX = backward;
        if (p.y < kEdge || p.y < r.top) {
            StepY = forward;
            ExtraDelay = 0;
        }
        if (p.y > r.bottom) {
            StepY = backward;
            ExtraDelay = 0;
        }
        return;
    }
    // Minimised or maximised: roam the screen and turn back where the platform clipped the move.
    ui::Point q{};
    if (!services_.cursor.get(q)) step = {};
    if (q.x == p.x) StepX = turnedBack(q.x, step.x, StepX, forward);
    if (q.y == p.y) StepY = turnedBack(q.y, step.y, StepY, forward);
    if ((q.x < kEdge && q.x == p.x) || (q.y < kEdge && q.y == p.y)) ExtraDelay = 0;
}

std::int16_t frmMain::turnedBack(std::int32_t at, std::int32_t moved, std::int16_t step,
                                 std::int16_t forward) {
    const auto backward = static_cast<std::int16_t>(-forward);
    // A step that was moving turns away from the side that blocked it, wherever that side lies: beside
    // another monitor's missing area the left or top side can be far from 0, the right or bottom one
    // below 0. A still step is judged by where it stands: near 0 it sets off forward, elsewhere back.
    if (moved < 0) return forward;
    if (moved > 0) return backward;
    if (at < kEdge) return forward;
    if (at > kEdge) return backward;
    return step;
}

void frmMain::restartMover() {
    tmMover.setEnabled(false);
    tmMover.setInterval(kMoverInterval);
    tmMover.setEnabled(true);
}

void frmMain::showPage(int pageStringId) {
    wbMain.navigate(LoadResString(StringId::kFilePrefix) + services_.system.exeFolder() +
                    LoadResString(StringId::kSlash) + LoadResString(pageStringId));
}

void frmMain::ShowIdlePage() {
    showPage(StringId::kIdlePage);
}

void frmMain::ShowMovingPage() {
    showPage(StringId::kMovingPage);
}

void frmMain::showActivePage() {
    if (PointerRefused) {
        showPage(StringId::kDeniedPage);
    } else {
        ShowMovingPage();
    }
}

void frmMain::showRefusalNotice() {
    showHint(moving() ? StringId::kNoticeRefusedMoving : StringId::kNoticeRefusedStopped);
}

void frmMain::Pointer_Refused() {
    PointerRefused = true;
    // Nobody sees it under the lock; the unlock asks again or shows it.
    if (SessionLocked) {
        lostWhileLocked_ = true;
        return;
    }
    showRefusalNotice();
    if (moving() && !IsPaused) showActivePage();
}

void frmMain::Awake_Refused() {
    if (awake_) showHint(StringId::kNoticeNoAwake);
}

void frmMain::Pointer_Granted() {
    lostWhileLocked_ = false;
    clearRefusal();
}

void frmMain::clearRefusal() {
    if (!PointerRefused) return;
    PointerRefused = false;
    lblTop.setCaption({});
    if (moving() && !IsPaused) showActivePage();
}

} // namespace kivano::app
