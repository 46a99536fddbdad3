#pragma once
// A timer fires OnTimer every Interval milliseconds while it runs: while Enabled is true,
// Interval is not 0 and OnTimer is bound. Enabling a running timer does not restart its
// interval; enabling a stopped one starts a full interval; ticks never queue up.

#include <cstdint>

#include "widgets/control.h"

namespace tv {

class TTimer : public TComponent {
  public:
    explicit TTimer(TForm& form);
    ~TTimer() override;

    bool enabled() const { return enabled_; }
    // Throws EWidgetError "Not enough timers available" when the platform has no timer
    // left; Enabled then reads true although no tick arrives.
    void setEnabled(bool v);
    unsigned interval() const { return interval_; }
    void setInterval(unsigned ms);
    void setOnTimer(TNotifyEvent handler);
    const TNotifyEvent& onTimer() const { return onTimer_; }

    bool running() const { return running_; }
    std::uint64_t due() const { return due_; }

  private:
    friend class TApplication;
    void update();

    bool enabled_ = true;
    unsigned interval_ = 1000;
    TNotifyEvent onTimer_;
    bool running_ = false;
    std::uint64_t due_ = 0;
};

}  // namespace tv
