// Load and unload, the stored settings, the hint line, the minimise button and the mouse over the window.

#include "app/frmMain.h"
#include "app/numtext.h"
#include "resources/strings.h"
#include "settings/CWinReestr.h"

namespace kivano::app {

using resources::LoadResString;
using resources::StringId;
using settings::kHkeyCurrentUser;

void frmMain::setStartValues() {
    DelayTicks = 1;
    Speed = 3.0;
    RandomizeAmount = 2.0;
    StepX = 1;
    StepY = 1;
    RestartPending = false;
    PeriodSeconds = 60;
    WorkSeconds = 60;
    WaitTicks = 1;
    TimerTicks = 1;
}

void frmMain::Form_Load() {
    setStartValues();
    restoreSettings();
    ShowIdlePage();
    tmMover.setInterval(kMoverInterval);
    tmTimer.setInterval(kScheduleInterval);
    // The boxes are still empty, so each validation fills its box from the restored member.
    edDelay_Change();
    edSpeed_Change();
    edRandomize_Change();
}

void frmMain::restoreSettings() {
    settings::CWinReestr reestr(services_.registry);
    const std::string key = LoadResString(StringId::kSettingsKey);
    // Stored texts carry the separator of the locale they were written under, so either one is read.
    const auto read = [&](int valueName) {
        std::string text;
        reestr.GetKeyValue(kHkeyCurrentUser, key, LoadResString(valueName), text);
        return parseNumberAnySeparator(text);
    };
    if (const auto delay = read(StringId::kValueTimeDelay)) {
        if (const auto ticks = toInt32(*delay)) DelayTicks = *ticks;
    }
    if (const auto speed = read(StringId::kValueSpeed)) Speed = *speed;
    if (const auto randomize = read(StringId::kValueRandomise)) RandomizeAmount = *randomize;
}

void frmMain::Form_Unload() {
    storeSettings();
    // The program ends with the window: no request to stay awake may outlive it.
    setAwake(false);
}

void frmMain::storeSettings() {
    settings::CWinReestr reestr(services_.registry);
    const std::string key = LoadResString(StringId::kSettingsKey);
    // A write that fails is lost without a word; the later ones are still made.
    std::string delay = std::to_string(DelayTicks);
    reestr.SetKeyValue(kHkeyCurrentUser, key, LoadResString(StringId::kValueTimeDelay), delay);
    std::string speed = numberText(Speed);
    reestr.SetKeyValue(kHkeyCurrentUser, key, LoadResString(StringId::kValueSpeed), speed);
    std::string randomize = numberText(RandomizeAmount);
    reestr.SetKeyValue(kHkeyCurrentUser, key, LoadResString(StringId::kValueRandomise), randomize);
}

void frmMain::showHint(int stringId) {
    lblTop.setCaption(LoadResString(stringId));
}

void frmMain::cbMinimize_Click() {
    window_->setState(ui::WindowState::Minimized);
}

void frmMain::Form_MouseMove() {
    // A hint passes; the refusal stays until the desktop grants the pointer.
    if (PointerRefused) showRefusalNotice();
    if (!tmMover.enabled()) return;
    RestartPending = true;
    WaitTicks = 0;
    restartMover();
}

} // namespace kivano::app
