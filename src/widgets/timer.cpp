#include "widgets/timer.h"

#include "widgets/application.h"
#include "widgets/form.h"

namespace tv {

TTimer::TTimer(TForm& form) : TComponent(form) {}

TTimer::~TTimer() {
    form().application().removeTimer(this);
}

void TTimer::setEnabled(bool v) {
    if (v == enabled_) return;
    enabled_ = v;
    update();
}

void TTimer::setInterval(unsigned ms) {
    if (ms == interval_) return;
    interval_ = ms;
    running_ = false;  // a new interval starts from now
    update();
}

void TTimer::setOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    update();
}

void TTimer::update() {
    form().application().timerChanged(this);
}

}  // namespace tv
