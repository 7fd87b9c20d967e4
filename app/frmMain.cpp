#include "app/frmMain.h"

#include "about/frmAbout.h"
#include "app/numtext.h"
#include "resources/layouts.h"
#include "resources/strings.h"
#include "timer/dlgTimer.h"

namespace kivano::app {

using resources::StringId;

frmMain::frmMain(Services& services)
    : services_(services), window_(services.toolkit.createWindow(resources::frmMainLayout())),
      lblTop(window_->get<ui::Label>("lblTop")), edDelay(window_->get<ui::TextBox>("edDelay")),
      udDelay(window_->get<ui::UpDown>("udDelay")), edSpeed(window_->get<ui::TextBox>("edSpeed")),
      udSpeed(window_->get<ui::UpDown>("udSpeed")), edRandomize(window_->get<ui::TextBox>("edRandomize")),
      udRandomize(window_->get<ui::UpDown>("udRandomize")), wbMain(window_->get<ui::Browser>("wbMain")),
      cbTimer(window_->get<ui::Button>("cbTimer")), cbStart(window_->get<ui::Button>("cbStart")),
      cbMinimize(window_->get<ui::Button>("cbMinimize")), tmMover(window_->get<ui::Timer>("tmMover")),
      tmTimer(window_->get<ui::Timer>("tmTimer")) {
    bindHandlers();
}

frmMain::~frmMain() = default;

void frmMain::bindHandlers() {
    window_->onUnload = [this] { Form_Unload(); };
    window_->onMouseMove = [this] { Form_MouseMove(); };
    window_->onKeyPress = [this](char16_t c) { Form_KeyPress(c); };
    window_->onSessionLock = [this](bool locked) { locked ? Session_Lock() : Session_Unlock(); };

    cbStart.onClick = [this] { cbStart_Click(); };
    cbStart.onKeyPress = [this](char16_t c) { cbStart_KeyPress(c); };
    cbTimer.onClick = [this] { cbTimer_Click(); };
    cbMinimize.onClick = [this] { cbMinimize_Click(); };
    tmMover.onTimer = [this] { tmMover_Timer(); };
    tmTimer.onTimer = [this] { tmTimer_Timer(); };

    edDelay.onChange = [this] { edDelay_Change(); };
    edSpeed.onChange = [this] { edSpeed_Change(); };
    edRandomize.onChange = [this] { edRandomize_Change(); };
    udDelay.onDownClick = [this] { udDelay_DownClick(); };
    udDelay.onUpClick = [this] { udDelay_UpClick(); };
    udSpeed.onDownClick = [this] { udSpeed_DownClick(); };
    udSpeed.onUpClick = [this] { udSpeed_UpClick(); };
    udRandomize.onDownClick = [this] { udRandomize_DownClick(); };
    udRandomize.onUpClick = [this] { udRandomize_UpClick(); };

    const auto hint = [this](int id) { return [this, id] { showHint(id); }; };
    cbStart.onMouseMove = hint(StringId::kHintStart);
    cbMinimize.onMouseMove = hint(StringId::kHintMinimize);
    edDelay.onMouseMove = udDelay.onMouseMove = hint(StringId::kHintDelay);
    edSpeed.onMouseMove = udSpeed.onMouseMove = hint(StringId::kHintSpeed);
    edRandomize.onMouseMove = udRandomize.onMouseMove = hint(StringId::kHintRandomize);
    cbTimer.onMouseMove = hint(StringId::kHintTimer);
}

std::string frmMain::numberText(double value) const {
    return formatNumber(value, services_.system.decimalSeparator());
}

timer::dlgTimer& frmMain::timerDialog() {
    if (!dlgTimer_) dlgTimer_ = std::make_unique<timer::dlgTimer>(services_);
    return *dlgTimer_;
}

about::frmAbout& frmMain::aboutBox() {
    if (!frmAbout_) frmAbout_ = std::make_unique<about::frmAbout>(services_);
    return *frmAbout_;
}

} // namespace kivano::app
