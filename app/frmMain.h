#pragma once
// The main window: its controls, the movement engine's state and every handler of its events.
// The handlers are spread over a few files by subject: mover.cpp (Start/Stop and the tick), inputs.cpp
// (the three boxes and their spinners), lifecycle.cpp (load, unload, hints), timer/scheduler.cpp (the
// work/pause schedule) and about/keys.cpp (the keys that open the About box).

#include "app/services.h"
#include "ui/ui.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kivano::timer {
class dlgTimer;
}
namespace kivano::about {
class frmAbout;
}

namespace kivano::app {

class frmMain {
  public:
    explicit frmMain(Services& services);
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;
    ~frmMain();

    [[nodiscard]] ui::Window& window() { return *window_; }
    [[nodiscard]] timer::dlgTimer& timerDialog();
    [[nodiscard]] about::frmAbout& aboutBox();

    // Lifecycle and hints.
    void Form_Load();
    void Form_Unload();
    void Form_MouseMove();
    void cbMinimize_Click();
    void showHint(int stringId);

    // Movement.
    void cbStart_Click();
    void tmMover_Timer();
    void ShowIdlePage();
    void ShowMovingPage();
    // The desktop's answer where it must grant the pointer first (Wayland): a refusal is shown on the
    // status pane and the hint line until it is granted; the next Start asks again.
    void Pointer_Refused();
    void Pointer_Granted();
    // Nothing on the desktop keeps the session awake for Kivano (Wayland): said on the hint line if the
    // request to stay awake still stands.
    void Awake_Refused();
    // The session locked and unlocked. While it is locked nothing moves and nothing keeps the display
    // on; at unlock moving resumes by itself, and a pointer the desktop took back meanwhile is asked
    // for again, once.
    void Session_Lock();
    void Session_Unlock();

    // Parameter inputs.
    void edDelay_Change();
    void edSpeed_Change();
    void edRandomize_Change();
    void udDelay_DownClick();
    void udDelay_UpClick();
    void udSpeed_DownClick();
    void udSpeed_UpClick();
    void udRandomize_DownClick();
    void udRandomize_UpClick();

    // Work/pause schedule.
    void cbTimer_Click();
    void tmTimer_Timer();

    // Keys that open the About box.
    void Form_KeyPress(char16_t keyAscii);
    void cbStart_KeyPress(char16_t keyAscii);

    static constexpr std::uint32_t kMoverInterval = 100;     // ms
    static constexpr std::uint32_t kScheduleInterval = 1000; // ms

    // Movement state.
    std::int16_t StepX = 0;
    std::int16_t StepY = 0;
    std::int32_t DelayTicks = 0;
    double ExtraDelay = 0;
    double Speed = 0;
    double RandomizeAmount = 0;
    std::int32_t WaitTicks = 0;
    bool RestartPending = false;
    bool PointerRefused = false; // the desktop said no to the last request for the pointer
    bool SessionLocked = false;
    // Schedule state.
    bool IsPaused = false;
    double WorkSeconds = 0;
    double PeriodSeconds = 0;
    std::int32_t TimerTicks = 0;

  private:
    void bindHandlers();
    void setStartValues();
    void restoreSettings();
    void storeSettings();
    void showPage(int pageStringId);
    // The page for a period that moves: the moving page, or the refusal while the pointer is refused.
    void showActivePage();
    void showRefusalNotice();
    void clearRefusal();
    void applySpeedLike(ui::TextBox& box, double& member);
    void writeSpeedLike(ui::TextBox& box, double& member, double value);
    void restartMover();
    // Moving is tmMover running, or held off while the session is locked.
    [[nodiscard]] bool moving() const { return tmMover.enabled() || heldByLock_; }
    void setMoving(bool on);
    // The tick's three random draws: the extra wait, then the horizontal and vertical steps.
    void applyDraws();
    // Turns the steps back at the window's edges (normal state) or where the screens clipped the move
    // (otherwise), judged from the position `p` the cursor had before this tick's move by `step`.
    void bounce(ui::Point p, ui::Rect r, ui::Point step);
    // The step for an axis on which a move by `moved` from coordinate `at` had no effect; `forward` is
    // the step away from the low side.
    [[nodiscard]] static std::int16_t turnedBack(std::int32_t at, std::int32_t moved, std::int16_t step,
                                                 std::int16_t forward);
    // Keeps the machine awake exactly while the cursor is being moved.
    void updateAwake();
    void setAwake(bool on); // asks the system only when the request changes
    [[nodiscard]] std::string numberText(double value) const;

    Services& services_;
    std::unique_ptr<ui::Window> window_;

  public:
    // The controls, by their layout names.
    ui::Label& lblTop;
    ui::TextBox& edDelay;
    ui::UpDown& udDelay;
    ui::TextBox& edSpeed;
    ui::UpDown& udSpeed;
    ui::TextBox& edRandomize;
    ui::UpDown& udRandomize;
    ui::Browser& wbMain;
    ui::Button& cbTimer;
    ui::Button& cbStart;
    ui::Button& cbMinimize;
    ui::Timer& tmMover;
    ui::Timer& tmTimer;

  private:
    bool awake_ = false;
    bool heldByLock_ = false;      // moving, with the mover's ticks stopped until the unlock
    bool lostWhileLocked_ = false; // the desktop took the pointer back while the session was locked
    std::unique_ptr<timer::dlgTimer> dlgTimer_;
    std::unique_ptr<about::frmAbout> frmAbout_;
};

} // namespace kivano::app
