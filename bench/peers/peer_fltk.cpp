// A start-up peer: the minimal FLTK program a user might run instead, a 601 x 439 window
// with a button and a label. It prints the bench's first-frame line once the window has
// been drawn and the X server has taken the drawing.

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <cstdio>

namespace {

// Runs once the loop is idle again, that is after the flush that drew the window.
void report(void*) {
    Fl::remove_idle(report);
    XSync(fl_display, False);
    std::fprintf(stderr, "tolvane: first frame presented\n");
}

// Knows when its first draw has happened; show() alone only asks for one. The draw runs
// inside the loop's flush, just before it blocks; an idle callback added there keeps it
// from blocking.
class PeerWindow : public Fl_Window {
  public:
    PeerWindow(int width, int height, const char* title) : Fl_Window(width, height, title) {}

  protected:
    void draw() override {
        Fl_Window::draw();
        if (!drawn_) Fl::add_idle(report);
        drawn_ = true;
    }

  private:
    bool drawn_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    PeerWindow window(601, 439, "tolvane-peer-fltk");
    Fl_Box label(20, 20, 561, 40, "A minimal FLTK window");
    Fl_Button button(250, 200, 100, 30, "Button");
    window.end();
    window.show(argc, argv);
    return Fl::run();
}
