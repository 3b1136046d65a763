#include "forms/clock.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace qtx52::forms {

namespace {

class QtClockTimer final : public ClockTimer {
public:
    QtClockTimer(std::function<void()> onTick, bool singleShot) {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setSingleShot(singleShot);
        QObject::connect(&timer_, &QTimer::timeout, [fn = std::move(onTick)] { fn(); });
    }
    void start(qint64 intervalMs) override {
        if (intervalMs <= 0) {
            timer_.stop();
            return;
        }
        timer_.start(int(std::min<qint64>(intervalMs, std::numeric_limits<int>::max())));
    }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

} // namespace

QtClock::QtClock() : elapsed_(std::make_unique<QElapsedTimer>()) {
    elapsed_->start();
}
QtClock::~QtClock() = default;

qint64 QtClock::nowMs() const {
    return elapsed_->elapsed();
}

std::unique_ptr<ClockTimer> QtClock::createTimer(std::function<void()> onTick, bool singleShot) {
    return std::make_unique<QtClockTimer>(std::move(onTick), singleShot);
}

class ManualClock::Timer final : public ClockTimer {
public:
    Timer(ManualClock& clock, std::function<void()> onTick, bool singleShot)
        : clock_(&clock), onTick_(std::move(onTick)), singleShot_(singleShot) {}
    ~Timer() override {
        if (clock_)
            clock_->remove(this);
    }
    void start(qint64 intervalMs) override {
        if (intervalMs <= 0 || !clock_) {
            active_ = false;
            return;
        }
        interval_ = intervalMs;
        deadline_ = clock_->now_ + intervalMs;
        order_ = ++clock_->sequence_;
        active_ = true;
    }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }

    ManualClock* clock_;
    std::function<void()> onTick_;
    bool singleShot_;
    bool active_ = false;
    qint64 interval_ = 0;
    qint64 deadline_ = 0;
    quint64 order_ = 0;
};

ManualClock::~ManualClock() {
    // Timers may outlive the clock in a test's teardown order; they then simply stop.
    for (Timer* t : timers_)
        t->clock_ = nullptr;
}

std::unique_ptr<ClockTimer> ManualClock::createTimer(std::function<void()> onTick,
                                                     bool singleShot) {
    auto t = std::make_unique<Timer>(*this, std::move(onTick), singleShot);
    timers_.push_back(t.get());
    return t;
}

void ManualClock::remove(Timer* t) {
    timers_.erase(std::remove(timers_.begin(), timers_.end(), t), timers_.end());
}

ManualClock::Timer* ManualClock::nextDue(qint64 limit) const {
    Timer* best = nullptr;
    for (Timer* t : timers_) {
        if (!t->active_ || t->deadline_ > limit)
            continue;
        if (!best || t->deadline_ < best->deadline_ ||
            (t->deadline_ == best->deadline_ && t->order_ < best->order_))
            best = t;
    }
    return best;
}

qint64 ManualClock::nextDeadline() const {
    Timer* t = nextDue(std::numeric_limits<qint64>::max());
    return t ? t->deadline_ : -1;
}

void ManualClock::advanceTo(qint64 timeMs) {
    while (Timer* t = nextDue(timeMs)) {
        now_ = std::max(now_, t->deadline_);
        if (t->singleShot_) {
            t->active_ = false;
        } else {
            t->deadline_ += t->interval_;
            t->order_ = ++sequence_;
        }
        // The handler may stop, restart or destroy this or any other timer; the next due timer is
        // searched afresh after it returns.
        auto fn = t->onTick_;
        fn();
    }
    now_ = std::max(now_, timeMs);
}

bool ManualClock::advanceUntil(const std::function<bool()>& cond, qint64 maxMs) {
    const qint64 end = now_ + maxMs;
    while (!cond()) {
        qint64 next = nextDeadline();
        if (next < 0 || next > end) {
            advanceTo(end);
            return cond();
        }
        advanceTo(next);
    }
    return true;
}

} // namespace qtx52::forms
