#include "platform/headless/headless_platform.h"

#include "platform/monitors.h"

#include <algorithm>

namespace tv::platform {

HeadlessWindow::HeadlessWindow(HeadlessPlatform& owner, WindowId id, const WindowSpec& spec)
    : owner_platform_(owner),
      id_(id),
      role_(spec.role),
      title_(spec.title),
      size_(spec.size),
      position_(spec.position),
      pixels_(std::size_t(std::max(spec.size.width, 1) * std::max(spec.size.height, 1)),
              0xFF000000u) {
    presented_.reserve(256);
    device_.reset(size_, owner.scale_);
}

HeadlessWindow::~HeadlessWindow() {
    owner_platform_.forget(this);
}

void HeadlessWindow::present(const Rect* rects, int count) {
    ++presentCount_;
    // Keep a bounded record: tests look at the latest presents.
    if (presented_.size() > 4096) presented_.clear();
    for (int i = 0; i < count; ++i) {
        presented_.push_back(rects[i]);
        device_.update(pixels_.data(), stride(), rects[i]);
    }
}

void HeadlessWindow::raise() {
    if (role_ != WindowRole::Tooltip) owner_platform_.setFocused(this);
}

HeadlessPlatform::HeadlessPlatform(Size screen, int scale)
    : monitors_{Rect::fromXYWH(0, 0, screen.width, screen.height)}, scale_(scale) {}

Rect HeadlessPlatform::desktopRect() {
    return unionOf(monitors_, {});
}

Rect HeadlessPlatform::monitorRect(std::optional<Point> p) {
    return chooseMonitor(monitors_, 0, p, {});
}
HeadlessPlatform::~HeadlessPlatform() = default;

std::unique_ptr<NativeWindow> HeadlessPlatform::createWindow(const WindowSpec& spec) {
    auto w = std::make_unique<HeadlessWindow>(*this, nextId_++, spec);
    windows_.push_back(w.get());
    return w;
}

HeadlessWindow* HeadlessPlatform::window(WindowId id) const {
    for (auto* w : windows_)
        if (w->id() == id) return w;
    return nullptr;
}

void HeadlessPlatform::forget(HeadlessWindow* w) {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), w), windows_.end());
    if (focused_ == w) focused_ = nullptr;
}

bool HeadlessPlatform::waitEvent(Event& out, std::optional<std::uint64_t> deadline) {
    for (;;) {
        if (!queue_.empty()) {
            out = queue_.front();
            queue_.pop_front();
            if (out.type == EventType::MouseMove || out.type == EventType::MouseDown ||
                out.type == EventType::MouseUp || out.type == EventType::MouseWheel)
                cursor_ = out.screen;
            return true;
        }
        if (deadline && now_ >= *deadline) return false;
        const std::uint64_t before = now_;
        const std::size_t queued = queue_.size();
        if (idle_) idle_(deadline);
        if (queue_.size() != queued || now_ != before) continue;
        // Nobody moved anything: time passes until the deadline, or the loop is told to end.
        if (deadline) {
            now_ = *deadline;
            return false;
        }
        out = Event{};
        out.type = EventType::Quit;
        return true;
    }
}

}  // namespace tv::platform
