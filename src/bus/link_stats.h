#pragma once

// Link counters: what went out, what came back and what became of it, and how long the unit took.
// Reset when the port opens. Only watches the link.

#include "link/link_events.h"

#include <QString>

#include <array>
#include <optional>

namespace qtx52::forms {
class Clock;
}

namespace qtx52::bus {

class LinkStats final : public link::LinkObserver {
public:
    explicit LinkStats(forms::Clock& clock);

    qint64 requests = 0; // first tries
    qint64 repeats = 0;
    qint64 taken = 0;
    qint64 badChecksum = 0;
    qint64 otherStation = 0;
    qint64 unexpected = 0;                // not the answer, stale, wrong or missing echo
    qint64 incomplete = 0;                // incomplete frames, noise, bytes after a wrong echo
    std::array<qint64, 256> exceptions{}; // the unit's own, by code
    qint64 gatewayNoAnswer = 0;           // a gateway's 0A/0B: it had no answer from the unit
    qint64 failures = 0;
    // From the last byte of the request on the line to the first byte of its reply taken, in ms;
    // requests that had to be repeated are not timed.
    std::optional<qint64> responseMin, responseMax;
    qint64 responseSum = 0;
    qint64 responseCount = 0;
    // Characters of every frame sent and received since the port opened.
    qint64 charactersOnLine = 0;

    // The share of the time from the port's opening to the last frame that frames were on the
    // line (0..1), from the character time the send path last told; none before that. Counted to
    // the last frame, so it holds still while the line is idle and between two redraws.
    std::optional<double> lineUse() const;
    // The same as "37 %", or "-" when not known.
    QString lineUseText() const;

    void reset();
    qint64 exceptionTotal() const;

    void portOpened() override { reset(); }
    void frameSent(const link::SentFrame& f) override;
    void frameReceived(const link::ReceivedFrame& f) override;
    void transactionFailed(link::Failure) override { ++failures; }

private:
    forms::Clock* clock_;
    qint64 lastByteMs_ = -1; // of the last frame sent
    bool timeable_ = false;  // the last frame sent was a first try, and no reply was timed yet
    qint64 sinceMs_ = 0;     // when the port opened (or the counters were made)
    qint64 untilMs_ = 0;     // the last frame sent or received
    double characterMs_ = 0;
};

} // namespace qtx52::bus
