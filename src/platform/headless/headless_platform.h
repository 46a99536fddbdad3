#pragma once
// The headless backend: windows are buffers in memory, the clock is virtual and events
// come from whoever drives the program (tests, the snapshot tool). When no event is
// queued, waitEvent asks the idle hook what happens next: it may post events, move the
// clock, or leave both alone, in which case the clock jumps to the deadline.

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/platform.h"
#include "platform/scale.h"

namespace tv::platform {

class HeadlessPlatform;

class HeadlessWindow final : public NativeWindow {
  public:
    HeadlessWindow(HeadlessPlatform& owner, WindowId id, const WindowSpec& spec);
    ~HeadlessWindow() override;

    WindowId id() const override { return id_; }
    Pixel* pixels() override { return pixels_.data(); }
    int stride() const override { return size_.width; }
    Size size() const override { return size_; }
    void present(const Rect* rects, int count) override;
    Point position() const override { return position_; }
    void setPosition(Point p) override { position_ = p; }
    void show() override { visible_ = true; }
    void hide() override { visible_ = false; }
    bool visible() const override { return visible_ && !minimized_; }
    void raise() override;
    void minimize() override {
        ++minimizeRequests_;
        if (!refusesMinimize_) minimized_ = true;
    }
    void restore() override { minimized_ = false; }
    bool minimized() const override { return minimized_; }
    void setTitle(const std::string& utf8) override { title_ = utf8; }
    void setIcon(const Image&) override { hasIcon_ = true; }
    void setTransientFor(NativeWindow* owner) override { owner_ = owner; }
    void setCursor(Cursor c) override { cursor_ = c; }
    void captureMouse(bool on) override { captured_ = on; }
    void setTextInputRect(const Rect&) override {}
    int scale() const override { return device_.scale(); }

    // What tests look at.
    const std::string& title() const { return title_; }
    WindowRole role() const { return role_; }
    Cursor cursor() const { return cursor_; }
    bool captured() const { return captured_; }
    bool hasIcon() const { return hasIcon_; }
    NativeWindow* transientFor() const { return owner_; }
    int minimizeRequests() const { return minimizeRequests_; }
    // As a window manager that never iconifies (or none at all).
    void setRefusesMinimize(bool on) { refusesMinimize_ = on; }
    const Pixel* buffer() const { return pixels_.data(); }
    Pixel pixelAt(int x, int y) const { return pixels_[std::size_t(y * size_.width + x)]; }
    // What the screen shows, device pixels: the presented rectangles enlarged S x S.
    const DeviceSurface& device() const { return device_; }
    const Pixel* deviceBuffer() const { return device_.pixels(pixels_.data()); }
    // Rectangles presented so far, and their count.
    const std::vector<Rect>& presented() const { return presented_; }
    void clearPresented() { presented_.clear(); }
    int presentCount() const { return presentCount_; }

  private:
    HeadlessPlatform& owner_platform_;
    WindowId id_;
    WindowRole role_;
    std::string title_;
    Size size_;
    Point position_;
    std::vector<Pixel> pixels_;
    DeviceSurface device_;
    std::vector<Rect> presented_;
    int presentCount_ = 0;
    bool visible_ = false;
    bool minimized_ = false;
    bool refusesMinimize_ = false;
    int minimizeRequests_ = 0;
    bool captured_ = false;
    bool hasIcon_ = false;
    Cursor cursor_ = Cursor::Arrow;
    NativeWindow* owner_ = nullptr;
};

class HeadlessPlatform final : public Platform {
  public:
    // The hook runs when the queue is empty; see the class comment.
    using IdleHook = std::function<void(std::optional<std::uint64_t> deadline)>;

    // `scale`: the scale of the windows made, as a backend reads it from the screen.
    explicit HeadlessPlatform(Size screen = {1024, 768}, int scale = 1);
    ~HeadlessPlatform() override;

    std::unique_ptr<NativeWindow> createWindow(const WindowSpec& spec) override;
    const SystemColors& systemColors() const override { return colors_; }
    std::uint64_t now() override { return now_; }
    bool waitEvent(Event& out, std::optional<std::uint64_t> deadline) override;
    Point cursorPos() override { return cursor_; }
    int pointerDrop() override { return pointerDrop_; }
    Rect desktopRect() override;
    Rect monitorRect(std::optional<Point> p) override;
    std::string clipboardText() override { return clipboard_; }
    void setClipboardText(const std::string& utf8) override { clipboard_ = utf8; }
    void startTextInput() override {}
    void stopTextInput() override {}

    // Driving.
    void post(const Event& e) { queue_.push_back(e); }
    bool queueEmpty() const { return queue_.empty(); }
    void setNow(std::uint64_t t) { now_ = t; }
    void setCursorPos(Point p) { cursor_ = p; }
    void setPointerDrop(int pixels) { pointerDrop_ = pixels; }
    // Monitors in screen coordinates; the first is the primary one. By default one
    // monitor of the size given to the constructor, at the origin.
    void setMonitors(std::vector<Rect> monitors) { monitors_ = std::move(monitors); }
    // The scale of the windows made from now on.
    void setScale(int s) { scale_ = s; }
    void setIdleHook(IdleHook hook) { idle_ = std::move(hook); }
    // The desktop's colour scheme gives system colour `c` a new value, in place (the
    // windows hear of it by a ColorsChanged of their own).
    void setSystemColor(TColor c, Pixel p) { colors_.colors.at(c & 0xFF) = p; }
    // Windows alive now, in creation order.
    const std::vector<HeadlessWindow*>& windows() const { return windows_; }
    HeadlessWindow* window(WindowId id) const;
    HeadlessWindow* focused() const { return focused_; }
    void setFocused(HeadlessWindow* w) { focused_ = w; }

  private:
    friend class HeadlessWindow;
    void forget(HeadlessWindow* w);

    std::vector<Rect> monitors_;
    SystemColors colors_ = SystemColors::classic();
    int pointerDrop_ = 20;
    int scale_ = 1;
    std::uint64_t now_ = 1000;
    Point cursor_{-1, -1};
    std::deque<Event> queue_;
    IdleHook idle_;
    std::vector<HeadlessWindow*> windows_;
    HeadlessWindow* focused_ = nullptr;
    WindowId nextId_ = 1;
    std::string clipboard_;
};

}  // namespace tv::platform
