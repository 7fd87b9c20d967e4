#pragma once
// The cursor and the system's services (paths, locale, files, processes, staying awake, the pointer's
// grant) on Linux.

#include "ui/ui.h"

#include <QProcessEnvironment>
#include <memory>
#include <string>

namespace kivano::ui::qt {

class X11Motion;

// The pointer on X11: moved as device input where the server offers XTest, else warped through
// QCursor; either way clipped to the screens.
class QtCursor final : public ui::Cursor {
  public:
    QtCursor();
    QtCursor(const QtCursor&) = delete;
    QtCursor& operator=(const QtCursor&) = delete;
    ~QtCursor() override;
    bool get(Point& where) override;
    bool set(Point where) override;

  private:
    std::unique_ptr<X11Motion> motion_;
};

class IdleInhibitor;
class RemoteDesktop;
class VirtualPointer;
class WaylandIdleInhibit;

// What a Wayland session adds: the ways to the pointer, and the compositor's own idle inhibitor.
struct WaylandServices {
    // Where the compositor offers it (wlroots), Start asks nobody; elsewhere the portal's session is
    // asked for, the first time and after a refusal.
    VirtualPointer& pointer;
    RemoteDesktop& remote;
    WaylandIdleInhibit& surfaceInhibit; // held beside the bus's inhibitor
};

class QtSystem final : public ui::System {
  public:
    // With an inhibitor, the request to stay awake holds one on the session bus. The programs it starts
    // get `children`: the environment Kivano itself was started with.
    explicit QtSystem(IdleInhibitor* inhibitor = nullptr, const WaylandServices* wayland = nullptr,
                      const QProcessEnvironment& children = QProcessEnvironment::systemEnvironment())
        : inhibitor_(inhibitor), wayland_(wayland), children_(children) {}
    [[nodiscard]] std::string exeFolder() const override;
    [[nodiscard]] std::string decimalSeparator() const override;
    [[nodiscard]] bool fileExists(const std::string& path) const override;
    bool startProcess(const std::string& path) override;
    void keepAwake(bool on) override;
    void requestPointer() override;

  private:
    IdleInhibitor* inhibitor_;
    const WaylandServices* wayland_;
    QProcessEnvironment children_;
};

} // namespace kivano::ui::qt
