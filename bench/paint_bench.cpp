// Prints what painting and pointer moves cost in the main window, headlessly with the real
// fonts, layout and pictures: a full repaint, a move over an item whose colour does not
// change (paints and heap allocations), and a move that lights one item and dims another
// (the rectangles presented). Each at scale 1 and at scale 2, where every presented
// rectangle is also enlarged into the device buffer. Figures only; nothing is asserted.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "about/form3.h"
#include "host/recording_host.h"
#include "mainwindow/form1.h"
#include "platform/headless/headless_platform.h"
#include "resources/embedded.h"
#include "resources/picture_library.h"
#include "widgets/application.h"

namespace {
std::atomic<long> gAllocations{0};
}

void* operator new(std::size_t n) {
    ++gAllocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using Clock = std::chrono::steady_clock;

// The median full repaint at this scale, in microseconds.
double bench(int scale) {
    using namespace tv;
    platform::HeadlessPlatform platform;
    platform.setScale(scale);
    auto fonts = FontEngine::create();
    TApplication app(platform, *fonts, "tolvane");
    RecordingHost host;
    resources::PictureLibrary pictures;
    PictureSource source = [&](const std::string& n) { return pictures.get(n); };
    LayoutDocument mainLayout(resources::text("main.json"), "main.json");
    LayoutDocument aboutLayout(resources::text("about.json"), "about.json");
    TForm1 form(app, host, mainLayout, source);
    TForm3 about(app, aboutLayout, source);
    form.show();
    form.paintDamage();
    auto& win = *platform.window(form.window().id());

    // A full repaint of the 601 x 439 window.
    std::vector<double> us;
    for (int i = 0; i < 200; ++i) {
        const auto t0 = Clock::now();
        form.paintAll();
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    std::sort(us.begin(), us.end());
    std::printf("S = %d: full repaint of the main window: median %.0f us, min %.0f us (%zu runs)\n",
                scale, us[us.size() / 2], us.front(), us.size());

    auto move = [&](TControl& c, int dx, int dy) {
        platform::Event e;
        e.type = platform::EventType::MouseMove;
        e.window = form.window().id();
        e.pos = c.windowOrigin() + Point{dx, dy};
        e.screen = form.screenPos() + e.pos;
        form.handleEvent(e);
        form.paintDamage();
    };

    // Moves inside an item that is already lit: no colour changes.
    move(*form.Panel9, 40, 10);
    const int paintsBefore = form.paintCount();
    const long allocBefore = gAllocations.load();
    const auto t0 = Clock::now();
    const int moves = 10000;
    for (int i = 0; i < moves; ++i) move(*form.Panel9, 40 + i % 20, 10 + i % 7);
    const double perMove =
        std::chrono::duration<double, std::nano>(Clock::now() - t0).count() / moves;
    std::printf(
        "S = %d: move over a lit item: %.0f ns a move, %d paints and %ld heap allocations in %d "
        "moves\n",
        scale, perMove, form.paintCount() - paintsBefore, gAllocations.load() - allocBefore, moves);

    // From one item onto its neighbour: two items change colour.
    win.clearPresented();
    const long alloc2 = gAllocations.load();
    move(*form.Panel10, 40, 10);
    std::printf("S = %d: move onto the neighbour: %zu rectangles presented:", scale,
                win.presented().size());
    for (const Rect& r : win.presented())
        std::printf(" %dx%d+%d+%d", r.width(), r.height(), r.left, r.top);
    std::printf("; %ld heap allocations\n", gAllocations.load() - alloc2);
    return us[us.size() / 2];
}

}  // namespace

int main() {
    const double one = bench(1);
    const double two = bench(2);
    std::printf("a full repaint at S = 2 costs %.0f us more than at S = 1\n", two - one);
    return 0;
}
