#include "about/frmAbout.h"

#include "resources/layouts.h"
#include "resources/version.h"
#include "settings/CWinReestr.h"

namespace kivano::about {

namespace {
constexpr const char* kUnavailable = "System Information Is Unavailable At This Time";
} // namespace

void frmAbout::Show() {
    window_ = services_.toolkit.createWindow(resources::frmAboutLayout());
    window_->get<ui::Button>("cmdOK").onClick = [this] { cmdOK_Click(); };
    window_->get<ui::Button>("cmdSysInfo").onClick = [this] { cmdSysInfo_Click(); };
    Form_Load();
    window_->showModal();
    window_.reset();
}

void frmAbout::Form_Load() {
    const std::string title = resources::kAppTitle;
    window_->setCaption("About " + title);
    window_->get<ui::Label>("lblVersion")
        .setCaption("Version " + std::to_string(resources::kVersionMajor) + "." +
                    std::to_string(resources::kVersionMinor) + "." +
                    std::to_string(resources::kVersionRevision));
    window_->get<ui::Label>("lblTitle").setCaption(title);
}

void frmAbout::cmdOK_Click() {
    window_->close();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

bool frmAbout::GetKeyValue(std::int32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                           std::string& KeyVal) {
    return settings::readValue(services_.registry, KeyRoot, KeyName, SubKeyRef, KeyVal);
}

void frmAbout::StartSysInfo() {
    // Every failure, an exception of a lookup or of the start included, ends at the one message.
    try {
        if (TryStartSysInfo()) return;
    } catch (...) { // NOLINT(bugprone-empty-catch): the message below is the handling
    }
    services_.toolkit.messageBox(kUnavailable, resources::kAppTitle);
}

bool frmAbout::TryStartSysInfo() {
    std::string path;
    bool found =
        GetKeyValue(settings::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", path);
    if (!found) {
        std::string folder;
        if (GetKeyValue(settings::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO",
                        folder)) {
            path = folder + "\\MSINFO32.EXE";
            found = services_.system.fileExists(path);
        }
    }
    // The path is started as the program itself, never split at blanks or handed to a shell.
    return found && !path.empty() && services_.system.startProcess(path);
}

} // namespace kivano::about
