#pragma once

// The link counters on one line at the bottom of the main window: requests, repeats, replies
// taken, bad checksums, frames of other stations, unexpected replies, exceptions, failures and
// the response times. It follows the counters as the link reports, at most once every 200 ms on
// the program's clock so that a fast line does not redraw for every frame, and at once when the
// port opens (which resets the counters).

#include "bus/link_stats.h"
#include "forms/controls.h"
#include "link/link_events.h"

#include <QObject>

#include <functional>
#include <memory>

namespace qtx52::forms {
class Clock;
class ClockTimer;
} // namespace qtx52::forms

namespace qtx52::bus {

// The counters in words, in the interface's language; `full` adds the incomplete frames and
// the exceptions by code (the bus monitor's line).
QString countersText(const LinkStats& stats, bool english, bool full = false);

class StatusLine final : public QObject, public link::LinkObserver {
    Q_OBJECT
public:
    static constexpr qint64 kRefreshMs = 200;

    // Watches `events` after `stats` has been added there, so the counters it shows are the
    // ones after each report.
    // `full` shows the longer line of the bus monitor (see countersText).
    StatusLine(forms::Clock& clock, const LinkStats& stats, link::LinkEvents& events,
               std::function<bool()> english, bool full = false);
    ~StatusLine() override;

    // The line as shown.
    forms::Label lbl_link_status;
    // Shows the counters now.
    void refresh();

    void portOpened() override;
    void portClosed() override { changedNow(); }
    void frameSent(const link::SentFrame&) override { changedNow(); }
    void frameReceived(const link::ReceivedFrame&) override { changedNow(); }
    void transactionFailed(link::Failure) override { changedNow(); }

private:
    void changedNow();
    void holdOver();

    const LinkStats& stats_;
    link::LinkEvents& events_;
    std::function<bool()> english_;
    bool full_;
    std::unique_ptr<forms::ClockTimer> hold_;
    bool pending_ = false;
};

} // namespace qtx52::bus
