#pragma once

#include "forms/clock.h"

#include <QObject>
#include <QString>

#include <memory>

namespace qtx52::forms {

// A timer of a window, as the window logic sees it: Enabled, Interval in milliseconds and a tick
// event. While enabled it ticks every Interval; an Interval of 0 never ticks. Setting Interval
// restarts the count. Enabling a timer that already runs keeps its deadline, so a failure timer
// cannot be pushed back by the repeats that enable it again.
class Timer : public QObject {
    Q_OBJECT
public:
    Timer(Clock& clock, const QString& name, qint64 intervalMs, QObject* parent = nullptr);
    ~Timer() override;

    const QString& name() const { return name_; }
    bool enabled() const { return enabled_; }
    void setEnabled(bool on);
    qint64 interval() const { return interval_; }
    void setInterval(qint64 ms);
    // True while a tick is pending (enabled with an interval above 0).
    bool running() const;

signals:
    void tick();

private:
    void arm();

    QString name_;
    qint64 interval_;
    bool enabled_ = false;
    std::unique_ptr<ClockTimer> timer_;
};

} // namespace qtx52::forms
