#pragma once
// The application object: the one event loop and its nested modal loops, the timers,
// the forms, the message box under every notice, the display of errors that escape a
// handler, and minimising the application as a whole.
//
// The loop, and every nested loop, repeats: paint what is damaged, wait for the next
// event or the next due timer, handle it, fire the timers that are due. It never polls.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gfx/font.h"
#include "platform/platform.h"
#include "widgets/accessibility.h"
#include "widgets/hint.h"

namespace tv {

class TForm;
class TTimer;
class TControl;

// Message-box flags and results, with the platform's values.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr int IDOK = 1;

// An error raised by the widget set with a message for the user.
class EWidgetError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class TApplication {
  public:
    TApplication(platform::Platform& platform, FontEngine& fonts, std::string title);
    ~TApplication();

    platform::Platform& platform() const { return platform_; }
    FontEngine& fonts() const { return fonts_; }
    // The task-bar text and the caption of error boxes.
    const std::string& title() const { return title_; }
    static std::string titleFromExecutable(const std::string& path);

    // Forms register themselves; the first one is the main form.
    void addForm(TForm* f);
    void removeForm(TForm* f);
    TForm* mainForm() const { return mainForm_; }
    const std::vector<TForm*>& forms() const { return forms_; }
    TForm* formOf(platform::WindowId id) const;
    TForm* activeForm() const { return active_; }
    void setActiveForm(TForm* f);
    // The application is active while one of its windows is.
    bool active() const;

    // Runs the loop until the main form closes or terminate() is called.
    void run();
    // Runs a nested loop until `done` returns true or the application ends.
    void runNested(const std::function<bool()>& done);
    void terminate() { terminated_ = true; }
    bool terminated() const { return terminated_; }

    // Timers.
    void timerChanged(TTimer* t);
    void removeTimer(TTimer* t);
    // The most timers the platform grants; more raise "Not enough timers available".
    void setTimerLimit(std::size_t n) { timerLimit_ = n; }

    // The one message box: returns the pressed button's code.
    int messageBox(const std::string& text, const std::string& caption, unsigned flags);
    // Moves top-most windows out of the way of a box, and back; calls nest.
    void normalizeTopMosts();
    void restoreTopMosts();
    int topMostLevel() const { return topMostLevel_; }

    // Shows an error that escaped a handler and cancels any mouse capture.
    void handleException(const std::exception& e);
    static std::string errorText(const std::string& message);
    // Observers for tests: every box shown, with its caption, text and flags.
    struct BoxRecord {
        std::string caption;
        std::string text;
        unsigned flags;
    };
    std::function<void(const BoxRecord&)> onMessageBox;
    // Open message boxes, innermost last.
    const std::vector<TForm*>& openBoxes() const { return boxes_; }

    HintController& hints() { return hints_; }

    // Minimising the application as a whole.
    void minimize();
    void restore();
    bool minimized() const { return minimized_; }

    // Called once after the first complete frame of the main form is presented.
    std::function<void()> onFirstFrame;

    // Paints and presents what is damaged on every form, as the loop does before it waits.
    void paintAll();

    // Assistive technology: the observer told of every change (none by default), and
    // work handed to the loop, run right after the wait in which it was posted (an action
    // asked for from outside answers at once and is done from the loop).
    void setAccessObserver(AccessObserver* o) { access_ = o; }
    AccessObserver* accessObserver() const { return access_; }
    void accessChanged(TControl& c, AccessChange what, int item = -1) {
        if (access_) access_->accessChanged(c, what, item);
    }
    void post(std::function<void()> task) { posted_.push_back(std::move(task)); }
    bool hasPosted() const { return !posted_.empty(); }

  private:
    void step();
    // A message box closed: the windows it disabled take input again, and the window that
    // was active before it is active again, its focus where it was.
    void restoreAfterBox(const std::vector<TForm*>& disabled, TForm* previous,
                         TControl* previousFocus);
    void dispatch(const platform::Event& e);
    void fireDueTimers();
    void runPosted();
    std::optional<std::uint64_t> nextDue() const;

    platform::Platform& platform_;
    FontEngine& fonts_;
    std::string title_;
    std::vector<TForm*> forms_;
    TForm* mainForm_ = nullptr;
    TForm* active_ = nullptr;
    std::vector<TTimer*> timers_;
    std::size_t timerLimit_ = 1000;
    std::vector<TForm*> boxes_;
    int topMostLevel_ = 0;
    bool terminated_ = false;
    bool minimized_ = false;
    bool firstFramePresented_ = false;
    HintController hints_{*this};
    AccessObserver* access_ = nullptr;
    std::vector<std::function<void()>> posted_;
};

}  // namespace tv
