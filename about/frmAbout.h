#pragma once
// The About box: title, version and description beside a picture, and a way to the system
// information tool.

#include "app/services.h"
#include "ui/ui.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kivano::about {

class frmAbout {
  public:
    explicit frmAbout(app::Services& services) : services_(services) {}

    // Builds the window afresh, runs the load step and shows it modally; returns once it has closed.
    void Show();

    // The open window, or null while the box is closed.
    [[nodiscard]] ui::Window* window() { return window_.get(); }

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();
    bool GetKeyValue(std::int32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                     std::string& KeyVal);

  private:
    // The lookups and the start; false where the tool was not found or did not start.
    bool TryStartSysInfo();

    app::Services& services_;
    std::unique_ptr<ui::Window> window_;
};

} // namespace kivano::about
