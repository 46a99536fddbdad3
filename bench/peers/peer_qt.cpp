// A start-up peer: the minimal Qt 5 Widgets program a user might run instead, a 601 x 439
// window with a button and a label. It prints the bench's first-frame line once the
// first paint has been flushed to the X server and the server has taken it.

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <QX11Info>

// After Qt: Xlib's macros (Bool, Status) break Qt's headers.
#include <X11/Xlib.h>

#include <cstdio>

namespace {

class PeerWindow : public QWidget {
  protected:
    void paintEvent(QPaintEvent* event) override {
        QWidget::paintEvent(event);
        if (reported_) return;
        reported_ = true;
        // The backing store reaches the window after this paint returns; a zero timer
        // runs once that flush is done.
        QTimer::singleShot(0, [] {
            if (Display* display = QX11Info::display()) XSync(display, False);
            std::fprintf(stderr, "tolvane: first frame presented\n");
        });
    }

  private:
    bool reported_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    PeerWindow window;
    window.setWindowTitle("tolvane-peer-qt");
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel("A minimal Qt 5 Widgets window"));
    layout->addWidget(new QPushButton("Button"));
    window.resize(601, 439);
    window.show();
    return app.exec();
}
