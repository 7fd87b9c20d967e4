// A plain Wayland client for the end-to-end tests: a window that says "shown" once it is first drawn and
// prints every pointer motion the compositor sends it ("motion X Y", window coordinates, one a line), so
// that where the real pointer went is read from the compositor's own events, not from the program that
// moved it.

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <cstdio>

namespace {

class Probe final : public QWidget {
  protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        if (shown_) return;
        shown_ = true;
        std::printf("shown\n");
        std::fflush(stdout);
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint p = event->position().toPoint();
        std::printf("motion %d %d\n", p.x(), p.y());
        std::fflush(stdout);
    }

  private:
    bool shown_ = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    Probe probe;
    probe.setWindowTitle(QStringLiteral("pointer probe"));
    probe.setMouseTracking(true);
    probe.show();
    return QApplication::exec();
}
