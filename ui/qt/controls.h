#pragma once
// The controls of a Qt window: each wraps its widget (or a QTimer) behind ui's interface.

#include "ui/ui.h"

#include <QString>
#include <cstdint>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QRect;
class QTextBrowser;
class QTimer;
class QWidget;
class QObject;

namespace kivano::ui::qt {

class Label final : public ui::Label {
  public:
    explicit Label(QLabel* w) : w_(w) {}
    [[nodiscard]] std::string caption() const override;
    // The hint line is rewritten on every mouse move; the same text needs no repaint.
    void setCaption(const std::string& text) override;

  private:
    QLabel* w_;
};

class TextBox final : public ui::TextBox {
  public:
    // Qt emits textChanged for the user's edits and, synchronously, for the program's writes of a
    // different text: onChange runs before setText returns.
    explicit TextBox(QLineEdit* w);
    [[nodiscard]] std::string text() const override;
    void setText(const std::string& text) override;

  private:
    QLineEdit* w_;
};

class Button final : public ui::Button {
  public:
    explicit Button(QPushButton* w);
    [[nodiscard]] std::string caption() const override;
    void setCaption(const std::string& text) override;
    [[nodiscard]] std::string tooltip() const override;
    void setTooltip(const std::string& text) override;
    [[nodiscard]] bool enabled() const override;
    void setEnabled(bool on) override;
    [[nodiscard]] QPushButton* widget() const { return w_; }

  private:
    QPushButton* w_;
};

// Two arrow buttons that report clicks and hold no value of their own.
class UpDown final : public ui::UpDown {
  public:
    UpDown(QWidget* parent, const QRect& r, const std::string& name);
    [[nodiscard]] QWidget* widget() const { return box_; }

  private:
    QWidget* box_;
};

// Like the system's browser control, the pane loads its page on its own, once the event loop runs:
// the window shows without waiting for it, and of several quick navigations only the last is loaded.
class Browser final : public ui::Browser {
  public:
    explicit Browser(QTextBrowser* w) : w_(w) {}
    void navigate(const std::string& address) override;

  private:
    QTextBrowser* w_;
    QString pending_;
};

class Timer final : public ui::Timer {
  public:
    explicit Timer(QObject* parent);
    [[nodiscard]] bool enabled() const override { return enabled_; }
    void setEnabled(bool on) override;
    [[nodiscard]] std::uint32_t interval() const override { return interval_; }
    void setInterval(std::uint32_t ms) override;

  private:
    QTimer* t_;
    bool enabled_ = false;
    std::uint32_t interval_ = 0;
};

class Line final : public ui::Line {};

} // namespace kivano::ui::qt
