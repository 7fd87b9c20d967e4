#pragma once
// A Win32 top-level window built from a layout: its state, its controls and what it does with messages.
// Its members are written in window.cpp (life and painting), window_procedure.cpp (messages),
// controls.cpp (creating the controls) and dpi_layout.cpp (scale and relayout).

#include "ui/ui.h"
#include "ui/win32/controls.h"
#include "ui/win32/text.h"

#include <map>
#include <memory>
#include <ocidl.h>
#include <string>
#include <string_view>
#include <vector>
#include <windows.h>

namespace kivano::win32 {

class Toolkit;

inline constexpr wchar_t kWindowClass[] = L"KivanoWindow";
inline constexpr int kFirstControlId = 100; // above IDOK and IDCANCEL, which the dialog manager sends

DWORD windowStyle(bool tool);
DWORD windowExStyle(bool tool);
int screenDpi();

class Win32Window final : public ui::Window {
  public:
    Win32Window(Toolkit& toolkit, const ui::WindowLayout& layout);
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    [[nodiscard]] std::string caption() const override { return narrow(windowText(hwnd_)); }
    void setCaption(const std::string& text) override { SetWindowTextW(hwnd_, widen(text).c_str()); }
    [[nodiscard]] ui::WindowState state() const override {
        if (IsIconic(hwnd_)) return ui::WindowState::Minimized;
        if (IsZoomed(hwnd_)) return ui::WindowState::Maximized;
        return ui::WindowState::Normal;
    }
    void setState(ui::WindowState state) override {
        ShowWindow(hwnd_, state == ui::WindowState::Minimized   ? SW_MINIMIZE
                          : state == ui::WindowState::Maximized ? SW_MAXIMIZE
                                                                : SW_RESTORE);
    }
    [[nodiscard]] ui::Rect outerRect() const override {
        RECT r{};
        GetWindowRect(hwnd_, &r);
        return {r.left, r.top, r.right, r.bottom};
    }
    void show() override {
        ShowWindow(hwnd_, SW_SHOW);
        focusFirst();
    }
    void showModal() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override { return open_; }
    [[nodiscard]] HWND hwnd() const { return hwnd_; }
    [[nodiscard]] const bool& openFlag() const { return open_; }

  protected:
    ui::Control* find(std::string_view name) override {
        const auto it = byName_.find(std::string(name));
        return it == byName_.end() ? nullptr : controls_[it->second].get();
    }

  public:
    // The one window procedure of the class: `this` is kept in GWLP_USERDATA.
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  private:
    // Messages (window_procedure.cpp).
    static LRESULT CALLBACK controlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR index,
                                        DWORD_PTR self);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handleControl(HWND hwnd, size_t index, UINT msg, WPARAM wp, LPARAM lp);
    void command(int id, int code);
    void notify(const NMHDR& header);
    void tick(WPARAM id);
    void pressRole(bool wantDefault);
    void sessionChanged(WPARAM event);
    void destroyed();

    // Controls (controls.cpp).
    void build();
    HWND createControl(const ui::ControlLayout& c, size_t index);
    static IWebBrowser2* hostedBrowser(HWND host);
    void addTooltip(HWND control, std::string_view text);

    // Scale and relayout (dpi_layout.cpp).
    void createFonts();
    void fitLabel(HWND label, const ui::ControlLayout& c);
    void fitToMonitor();
    void rescale(int dpi, const RECT& suggested);
    [[nodiscard]] RECT frameFor(int dpi) const;

    // Life and painting (window.cpp).
    void paint();
    LRESULT labelColours(HDC dc, HWND label);
    void focusFirst();

    Toolkit& toolkit_;
    const ui::WindowLayout& layout_;
    HWND hwnd_ = nullptr;
    HWND tips_ = nullptr;
    HFONT font_ = nullptr;
    HFONT boldFont_ = nullptr;
    IPicture* picture_ = nullptr;
    std::vector<std::unique_ptr<ui::Control>> controls_; // by layout index
    std::vector<HWND> handles_;                          // by layout index, null for timers and lines
    std::map<std::string, size_t> byName_;
    ui::ScaledLayout scaled_;
    bool open_ = true;
    bool watchesSession_ = false; // the main window is told of the session's lock and unlock
    bool locked_ = false;
    bool disconnected_ = false;
};

} // namespace kivano::win32
