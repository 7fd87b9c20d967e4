#pragma once
// A Qt top-level window built from a layout: its widget, its state, its controls and the keys it routes.
// Its members are written in window.cpp (life, placement, keys and painting) and controls.cpp (creating
// the controls).

#include "ui/ui.h"

#include <QColor>
#include <QFont>
#include <QLine>
#include <QPixmap>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QEventLoop;
class QKeyEvent;

namespace kivano::ui::qt {

class QtToolkit;
class QtWindow;

// The top-level widget: draws the lines and background picture, and routes the keys that the platform
// leaves to the window (Enter, Esc, characters typed while no control has the focus).
class WindowWidget final : public QWidget {
  public:
    explicit WindowWidget(QtWindow& owner) : owner_(owner) {}
    void setPicture(const QPixmap& picture) { picture_ = picture; }
    struct LineSpec {
        QLine line;
        QColor colour;
        int width;
    };
    std::vector<LineSpec> lines;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    QtWindow& owner_;
    QPixmap picture_;
};

class QtWindow final : public ui::Window {
  public:
    QtWindow(QtToolkit& toolkit, const WindowLayout& layout);
    ~QtWindow() override;
    QtWindow(const QtWindow&) = delete;
    QtWindow& operator=(const QtWindow&) = delete;

    [[nodiscard]] std::string caption() const override;
    void setCaption(const std::string& text) override;
    [[nodiscard]] WindowState state() const override;
    void setState(WindowState state) override;
    [[nodiscard]] Rect outerRect() const override;
    void show() override { widget_->show(); }
    void showModal() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override { return open_; }

    // The close box, or any other close request of the platform.
    void finish();
    // Enter and Esc, from the window or one of its controls: true when taken.
    bool handleKey(QObject* target, QKeyEvent* e);
    // A character typed with no control focused.
    void windowKey(QKeyEvent* e);
    void setRunLoop(QEventLoop* loop) { runLoop_ = loop; }
    [[nodiscard]] QWidget* widget() const { return widget_; }

  protected:
    ui::Control* find(std::string_view name) override {
        const auto it = controls_.find(std::string(name));
        return it == controls_.end() ? nullptr : it->second.get();
    }

  private:
    void pressRole(bool wantDefault);
    // Controls (controls.cpp).
    struct Made;
    Made make(const WindowLayout& layout, const ControlLayout& c, const PixelRect& place);
    void build(const WindowLayout& layout, const ScaledLayout& scaled);
    static QFont fittingFont(const WindowLayout& layout, const ScaledLayout& scaled);

    QtToolkit& toolkit_;
    WindowWidget* widget_;
    QObject* keys_; // routes the controls' Enter and Esc to handleKey
    std::map<std::string, std::unique_ptr<ui::Control>> controls_;
    std::map<std::string, const ControlLayout*> layouts_;
    QEventLoop* modalLoop_ = nullptr;
    QEventLoop* runLoop_ = nullptr;
    bool open_ = true;
};

} // namespace kivano::ui::qt
