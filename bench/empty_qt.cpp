// The baseline for memory and start-up time: an empty Qt window of the main window's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle("Empty");
    window.setFixedSize(253, 135);
    window.move(184, 247);
    window.show();
    return QApplication::exec();
}
