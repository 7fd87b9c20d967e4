#include "support/harness.h"

#include <atomic>

#ifdef _WIN32
#include "ui/win32/registry.h"
#else
#include "settings/file_registry.h"

#include <unistd.h>
#endif

namespace kivano::testing {

namespace fs = std::filesystem;

TempDir::TempDir(const std::string& name) {
    static std::atomic<int> counter{0};
    path_ = fs::temp_directory_path() / ("kivano-test-" + name + "-" +
                                         std::to_string(
#ifdef _WIN32
                                             0
#else
                                             ::getpid()
#endif
                                             ) +
                                         "-" + std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::unique_ptr<settings::RegistryApi> makeTestRegistry(const fs::path& dir) {
#ifdef _WIN32
    (void)dir;
    auto api = std::make_unique<win32::Registry>();
    api->RegDeleteKeyA(settings::kHkeyCurrentUser, "Software\\Olberin\\Kivano\\Settings");
    return api;
#else
    return std::make_unique<settings::FileRegistry>(std::vector<settings::RootFile>{
        {settings::kHkeyCurrentUser, "HKEY_CURRENT_USER", dir / "user.reg", true},
        {settings::kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", dir / "machine.reg", true},
    });
#endif
}

Harness::Harness(const std::string& testName)
    : dir(testName), registry(makeTestRegistry(dir.path())), services{desktop.toolkit, desktop.screen,
                                                                      desktop.system, *registry, random} {}

app::frmMain& Harness::load() {
    form = std::make_unique<app::frmMain>(services);
    form->Form_Load();
    form->window().show();
    return *form;
}

app::frmMain& Harness::loadMoving() {
    desktop.screen.position = {300, 300};
    auto& f = load();
    win().paste("edDelay", "0.1");
    win().click("cbStart");
    return f;
}

std::string Harness::lastPage() {
    const auto& navs = win().control<ui::headless::Browser>("wbMain").navigations;
    return navs.empty() ? std::string{} : navs.back();
}

void Harness::startSchedule(const std::string& work, const std::string& pause) {
    desktop.toolkit.onNextModal([=](ui::headless::Window& d) {
        d.paste("edWork", work);
        d.paste("edPeriod", pause);
        d.click("OKButton");
    });
    win().click("cbTimer");
}

} // namespace kivano::testing
