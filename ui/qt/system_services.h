#pragma once
// The cursor and the system's services (paths, locale, files, processes, staying awake, the pointer's
// grant) on Linux.

#include "ui/ui.h"

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

class QtSystem final : public ui::System {
  public:
    // With an inhibitor, the request to stay awake holds one on the session bus; with a remote-desktop
    // session (Wayland), the user's Start asks the desktop for it, the first time and after a refusal.
    // With the compositor's virtual pointer (wlroots), Start asks nobody where the compositor offers
    // one; with the compositor's idle inhibitor, the request to stay awake holds one there too.
    explicit QtSystem(IdleInhibitor* inhibitor = nullptr, RemoteDesktop* remote = nullptr,
                      VirtualPointer* pointer = nullptr, WaylandIdleInhibit* surfaceInhibit = nullptr)
        : inhibitor_(inhibitor), remote_(remote), pointer_(pointer), surfaceInhibit_(surfaceInhibit) {}
    [[nodiscard]] std::string exeFolder() const override;
    [[nodiscard]] std::string decimalSeparator() const override;
    [[nodiscard]] bool fileExists(const std::string& path) const override;
    bool startProcess(const std::string& path) override;
    void keepAwake(bool on) override;
    void requestPointer() override;

  private:
    IdleInhibitor* inhibitor_;
    RemoteDesktop* remote_;
    VirtualPointer* pointer_;
    WaylandIdleInhibit* surfaceInhibit_;
};

} // namespace kivano::ui::qt
