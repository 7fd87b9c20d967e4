// The baselines for memory and start-up time: an empty Qt window of the main window's size, and with
// `--text` the same window with one line of text, which makes Qt load its font database before the
// window first shows, as any window that draws text must.
#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle("Empty");
    window.setFixedSize(253, 135);
    window.move(184, 247);
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0) {
        auto* label = new QLabel("Time delay:", &window);
        label->adjustSize();
    }
    window.show();
    return QApplication::exec();
}
