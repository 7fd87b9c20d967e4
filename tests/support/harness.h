#pragma once
// A main window on the headless backend, with a scripted random source and a registry of its own.

#include "app/frmMain.h"
#include "app/random.h"
#include "settings/registry_api.h"
#include "ui/headless/headless.h"

#include <deque>
#include <filesystem>
#include <memory>
#include <string>

namespace kivano::testing {

// Returns the queued draws in order, then 0.5 (a draw that changes nothing).
class ScriptedRandom final : public app::RandomSource {
  public:
    float next() override {
        ++draws;
        if (queue.empty()) return 0.5F;
        const float v = queue.front();
        queue.pop_front();
        return v;
    }
    std::deque<float> queue;
    int draws = 0;
};

// A folder of its own for one test, removed with it.
class TempDir {
  public:
    explicit TempDir(const std::string& name);
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// A fresh, empty registry for one test: files in `dir`, or the real registry on Windows with the
// program's settings key removed.
std::unique_ptr<settings::RegistryApi> makeTestRegistry(const std::filesystem::path& dir);

struct Harness {
    explicit Harness(const std::string& testName = "harness");

    // Creates the main window and runs its load handler.
    app::frmMain& load();
    // Loads with the cursor inside the window and starts moving a step every other tick.
    app::frmMain& loadMoving();
    ui::headless::Window& win() { return dynamic_cast<ui::headless::Window&>(form->window()); }
    // Advances the clock by whole ticks of the movement timer.
    void ticks(int n) { desktop.clock.advance(static_cast<std::int64_t>(n) * 100); }
    [[nodiscard]] std::string lastPage();
    // Opens Timer..., types the two lengths (minutes) and confirms with Start.
    void startSchedule(const std::string& work, const std::string& pause);

    ui::headless::Desktop desktop;
    ScriptedRandom random;
    TempDir dir;
    std::unique_ptr<settings::RegistryApi> registry;
    app::Services services;
    std::unique_ptr<app::frmMain> form;
};

} // namespace kivano::testing
