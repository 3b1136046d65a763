#include "forms/timer.h"

namespace qtx52::forms {

Timer::Timer(Clock& clock, const QString& name, qint64 intervalMs, QObject* parent)
    : QObject(parent), name_(name), interval_(intervalMs) {
    setObjectName(name);
    timer_ = clock.createTimer([this] { emit tick(); });
}

Timer::~Timer() = default;

void Timer::arm() {
    if (enabled_ && interval_ > 0)
        timer_->start(interval_);
    else
        timer_->stop();
}

void Timer::setEnabled(bool on) {
    if (on == enabled_)
        return;
    enabled_ = on;
    arm();
}

void Timer::setInterval(qint64 ms) {
    interval_ = ms < 0 ? 0 : ms;
    arm();
}

bool Timer::running() const {
    return timer_->isActive();
}

} // namespace qtx52::forms
