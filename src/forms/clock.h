#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

class QElapsedTimer;

namespace qtx52::forms {

// One expiry source of a clock. A running timer calls its tick function every interval (or once,
// for a single-shot timer) until it is stopped or destroyed.
class ClockTimer {
public:
    virtual ~ClockTimer() = default;
    // Arms the timer: the first tick comes intervalMs from now; a running count is restarted.
    // An interval of 0 or less leaves the timer stopped.
    virtual void start(qint64 intervalMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// Where the program's time comes from. The desktop program runs on the Qt clock (real time, ticks
// delivered by the event loop); tests run on the manual clock, where time moves only when the test
// advances it, so every pacing, repeat and time limit can be checked to the millisecond.
class Clock {
public:
    virtual ~Clock() = default;
    virtual qint64 nowMs() const = 0;
    virtual std::unique_ptr<ClockTimer> createTimer(std::function<void()> onTick,
                                                    bool singleShot = false) = 0;
};

// Real time: one QTimer per clock timer, ticking on the thread that created it (the user-interface
// thread).
class QtClock final : public Clock {
public:
    QtClock();
    ~QtClock() override;
    qint64 nowMs() const override;
    std::unique_ptr<ClockTimer> createTimer(std::function<void()> onTick,
                                            bool singleShot = false) override;

private:
    std::unique_ptr<QElapsedTimer> elapsed_;
};

// Virtual time for tests. advance() moves time forward and fires every tick that falls due on the
// way, in deadline order. Ticks due at the same instant fire in the order in which their deadlines
// were set (the timer armed first fires first); a repeating timer's next deadline counts as set
// when its tick fires. Timers armed by a tick handler during an advance take part in the same
// advance.
class ManualClock final : public Clock {
public:
    ManualClock() = default;
    ~ManualClock() override;
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;

    qint64 nowMs() const override { return now_; }
    std::unique_ptr<ClockTimer> createTimer(std::function<void()> onTick,
                                            bool singleShot = false) override;

    void advance(qint64 ms) { advanceTo(now_ + ms); }
    void advanceTo(qint64 timeMs);
    // Advances tick by tick until cond() holds or maxMs have passed; returns cond()'s final value.
    bool advanceUntil(const std::function<bool()>& cond, qint64 maxMs);
    // The earliest pending deadline, or -1 when no timer runs.
    qint64 nextDeadline() const;

    class Timer;

private:
    friend class Timer;
    Timer* nextDue(qint64 limit) const;
    void remove(Timer* t);

    qint64 now_ = 0;
    quint64 sequence_ = 0;
    std::vector<Timer*> timers_;
};

} // namespace qtx52::forms
