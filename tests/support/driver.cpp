#include "support/driver.h"

#include <stdexcept>

#include "widgets/message_box.h"

namespace tv::test {

using platform::Event;
using platform::EventType;
using platform::MouseButton;

Driver::Driver(platform::HeadlessPlatform& platform, TApplication& app)
    : platform_(platform), app_(app) {
    platform_.setIdleHook([this](std::optional<std::uint64_t> d) { onIdle(d); });
}

Driver::~Driver() {
    if (thread_.joinable()) stop();
    platform_.setIdleHook(nullptr);
}

void Driver::start() {
    thread_ = std::thread([this] {
        app_.run();
        std::lock_guard<std::mutex> l(m_);
        finished_ = true;
        idle_ = true;
        cv_.notify_all();
    });
    std::unique_lock<std::mutex> l(m_);
    cv_.wait(l, [this] { return idle_; });
}

void Driver::stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> l(m_);
        if (!finished_) {
            commands_.push_back({Command::Stop, {}, 0});
            idle_ = false;
            cv_.notify_all();
        }
    }
    thread_.join();
}

void Driver::onIdle(std::optional<std::uint64_t> deadline) {
    std::unique_lock<std::mutex> l(m_);
    idle_ = true;
    wakeAt_ = deadline;
    cv_.notify_all();
    cv_.wait(l, [this] { return !commands_.empty(); });
    Command& c = commands_.front();
    switch (c.kind) {
        case Command::Post:
            platform_.post(c.event);
            commands_.pop_front();
            break;
        case Command::Advance: {
            if (deadline && *deadline <= c.target) {
                platform_.setNow(std::max(*deadline, platform_.now()));
                if (*deadline == c.target) commands_.pop_front();
            } else {
                platform_.setNow(c.target);
                commands_.pop_front();
            }
            // Wake the loop so it looks at its timers and damage again: the test may have
            // changed either while the loop was idle.
            Event wake;
            wake.type = EventType::None;
            platform_.post(wake);
            break;
        }
        case Command::Stop: {
            Event q;
            q.type = EventType::Quit;
            platform_.post(q);
            commands_.pop_front();
            break;
        }
    }
    idle_ = false;
}

void Driver::submit(const Command& c) {
    std::unique_lock<std::mutex> l(m_);
    if (finished_) throw std::runtime_error("the program has ended");
    commands_.push_back(c);
    idle_ = false;
    cv_.notify_all();
    cv_.wait(l, [this] { return finished_ || (idle_ && commands_.empty()); });
}

Event Driver::mouseEvent(TForm& f, EventType t, Point p) {
    Event e;
    e.type = t;
    e.window = f.window().id();
    e.pos = p;
    e.screen = f.window().position() + Point{p.x * f.window().scale(), p.y * f.window().scale()};
    e.shift = buttons_;
    return e;
}

void Driver::move(TForm& f, Point p, std::uint16_t shift) {
    Event e = mouseEvent(f, EventType::MouseMove, p);
    e.shift |= shift;
    submit({Command::Post, e, 0});
}

static std::uint16_t bit(MouseButton b) {
    return b == MouseButton::Left    ? platform::kLeftButton
           : b == MouseButton::Right ? platform::kRightButton
                                     : platform::kMiddleButton;
}

void Driver::press(TForm& f, Point p, MouseButton b, int clicks) {
    buttons_ |= bit(b);
    Event e = mouseEvent(f, EventType::MouseDown, p);
    e.button = b;
    e.clicks = std::uint8_t(clicks);
    if (clicks % 2 == 0) e.shift |= platform::kDoubleClick;
    submit({Command::Post, e, 0});
}

void Driver::release(TForm& f, Point p, MouseButton b) {
    buttons_ &= std::uint16_t(~bit(b));
    Event e = mouseEvent(f, EventType::MouseUp, p);
    e.button = b;
    e.clicks = 1;
    submit({Command::Post, e, 0});
}

void Driver::click(TForm& f, Point p) {
    move(f, p);
    press(f, p);
    release(f, p);
}

void Driver::doubleClick(TForm& f, Point p) {
    move(f, p);
    press(f, p, MouseButton::Left, 1);
    release(f, p);
    press(f, p, MouseButton::Left, 2);
    release(f, p);
}

void Driver::wheel(TForm& f, Point p, int notches) {
    Event e = mouseEvent(f, EventType::MouseWheel, p);
    e.wheel = notches;
    submit({Command::Post, e, 0});
}

void Driver::moveTo(TControl& c, Point offset) {
    Rect r = c.windowRect();
    Point p =
        offset.x < 0 ? Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2} : r.topLeft() + offset;
    move(c.form(), p);
}

void Driver::click(TControl& c) {
    Rect r = c.windowRect();
    click(c.form(), {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

void Driver::key(TForm& f, platform::Key k, std::uint16_t shift) {
    Event e;
    e.type = EventType::KeyDown;
    e.window = f.window().id();
    e.key = k;
    e.shift = shift;
    submit({Command::Post, e, 0});
    e.type = EventType::KeyUp;
    submit({Command::Post, e, 0});
}

void Driver::type(TForm& f, const std::string& utf8) {
    compose(f, utf8, -1);
}

void Driver::compose(TForm& f, const std::string& utf8, int cursor) {
    Event e;
    e.type = cursor < 0 ? EventType::TextInput : EventType::TextEditing;
    e.window = f.window().id();
    e.editCursor = cursor < 0 ? 0 : cursor;
    std::size_t n = std::min(utf8.size(), sizeof e.text - 1);
    utf8.copy(e.text, n);
    e.text[n] = 0;
    submit({Command::Post, e, 0});
}

void Driver::closeRequest(TForm& f) {
    Event e;
    e.type = EventType::CloseRequest;
    e.window = f.window().id();
    submit({Command::Post, e, 0});
}

void Driver::wake() {
    submit({Command::Post, Event{}, 0});
}

void Driver::windowFocus(TForm& f, bool gained) {
    Event e;
    e.type = gained ? EventType::FocusGained : EventType::FocusLost;
    e.window = f.window().id();
    submit({Command::Post, e, 0});
}

void Driver::colorsChanged(TForm& f) {
    Event e;
    e.type = EventType::ColorsChanged;
    e.window = f.window().id();
    submit({Command::Post, e, 0});
}

void Driver::advance(std::uint64_t ms) {
    submit({Command::Advance, {}, platform_.now() + ms});
}

TForm* Driver::topBox() const {
    const auto& boxes = app_.openBoxes();
    return boxes.empty() ? nullptr : boxes.back();
}

void Driver::dismissBox() {
    auto* box = dynamic_cast<TMessageForm*>(topBox());
    if (!box) throw std::runtime_error("no message box is open");
    Rect r = box->buttonRect();
    click(*box, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

}  // namespace tv::test
