#include "ui/qt/toolkit.h"

#include "ui/qt/text.h"
#include "ui/qt/window.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>

namespace kivano::ui::qt {

std::unique_ptr<ui::Window> QtToolkit::createWindow(const WindowLayout& layout) {
    return std::make_unique<QtWindow>(*this, layout);
}

QWidget* QtToolkit::mainWidget() const {
    return windows_.empty() ? nullptr : windows_.front()->widget();
}

void QtToolkit::messageBox(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, q(caption), q(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void QtToolkit::run(ui::Window& main) {
    auto& window = dynamic_cast<QtWindow&>(main);
    QEventLoop loop;
    window.setRunLoop(&loop);
    if (window.isOpen()) loop.exec();
    window.setRunLoop(nullptr);
}

} // namespace kivano::ui::qt
