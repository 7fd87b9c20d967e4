#pragma once
// The controls of a Win32 window: each wraps its child window (or the owner's timer) behind ui's interface.

#include "ui/ui.h"

#include <cstdint>
#include <exdisp.h>
#include <string>
#include <utility>
#include <windows.h>

namespace kivano::win32 {

std::wstring windowText(HWND h);

class Label final : public ui::Label {
  public:
    explicit Label(HWND h) : h_(h) {}
    [[nodiscard]] std::string caption() const override;
    void setCaption(const std::string& text) override;

  private:
    HWND h_;
};

class TextBox final : public ui::TextBox {
  public:
    explicit TextBox(HWND h) : h_(h) {}
    [[nodiscard]] std::string text() const override;
    // The edit control sends EN_CHANGE, and so onChange runs, before SetWindowText returns.
    void setText(const std::string& text) override;

  private:
    HWND h_;
};

class Button final : public ui::Button {
  public:
    Button(HWND h, HWND tips, std::string tooltip) : h_(h), tips_(tips), tooltip_(std::move(tooltip)) {}
    [[nodiscard]] std::string caption() const override;
    void setCaption(const std::string& text) override;
    [[nodiscard]] std::string tooltip() const override { return tooltip_; }
    void setTooltip(const std::string& text) override;
    [[nodiscard]] bool enabled() const override { return IsWindowEnabled(h_) != FALSE; }
    void setEnabled(bool on) override { EnableWindow(h_, on ? TRUE : FALSE); }

  private:
    HWND h_;
    HWND tips_;
    std::string tooltip_;
};

class UpDown final : public ui::UpDown {};

class Browser final : public ui::Browser {
  public:
    explicit Browser(IWebBrowser2* browser) : browser_(browser) {}
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;
    ~Browser() override;
    // The control loads the page on its own; nothing waits for it.
    void navigate(const std::string& address) override;

  private:
    IWebBrowser2* browser_;
};

class Timer final : public ui::Timer {
  public:
    Timer(HWND owner, UINT_PTR id) : owner_(owner), id_(id) {}
    [[nodiscard]] bool enabled() const override { return enabled_; }
    void setEnabled(bool on) override;
    [[nodiscard]] std::uint32_t interval() const override { return interval_; }
    void setInterval(std::uint32_t ms) override;

  private:
    HWND owner_;
    UINT_PTR id_;
    bool enabled_ = false;
    std::uint32_t interval_ = 0;
};

class Line final : public ui::Line {};

} // namespace kivano::win32
