#pragma once

// The traffic log: every frame out and in as the link reports it, kept in a ring of the last
// frames with a count of the ones it had to let go, and each turned into one line of text or CSV.
// It only watches: nothing it does reaches the link.

#include "bus/frame_meaning.h"
#include "link/link_events.h"

#include <QDateTime>

#include <deque>
#include <functional>

namespace qtx52::forms {
class Clock;
}

namespace qtx52::bus {

struct TrafficEntry {
    // When the frame's first byte was on the line, since the port was opened (or the log began):
    // a frame sent when it was handed to the port, a frame received when its bytes began to
    // arrive as the link tells it.
    qint64 ms = 0;
    QDateTime wall;   // wall-clock time, for saved files
    qint64 gapMs = 0; // to the frame before; 0 for the first
    Direction direction = Direction::Out;
    link::Framing framing = link::Framing::Rtu; // the line's, whatever the bytes look like
    QByteArray bytes;
    int attempt = 0; // out: the try of the request; in: the try it answered (0 none)
    link::Verdict verdict = link::Verdict::Taken; // in only
    int transactionId = -1; // through a Modbus TCP gateway: the frame's MBAP transaction id
    FrameMeaning meaning;
};

class TrafficLog final : public link::LinkObserver {
public:
    explicit TrafficLog(forms::Clock& clock, int capacity = 10000);

    const std::deque<TrafficEntry>& entries() const { return entries_; }
    qint64 droppedCount() const { return dropped_; }
    int capacity() const { return capacity_; }
    void clear();

    // Called for every entry as it is added (the trace of a windowless command, a live view).
    std::function<void(const TrafficEntry&)> onEntry;

    // One line: time, gap, direction, hex (ASCII frames also as text), meaning, verdict, try.
    static QString line(const TrafficEntry& e);
    static QString csvHeader();
    static QString csvLine(const TrafficEntry& e);

    void portOpened() override;
    void frameSent(const link::SentFrame& f) override;
    void frameReceived(const link::ReceivedFrame& f) override;

private:
    // `atMs`: when the frame's first byte was on the line, on the clock; -1 for now.
    void add(TrafficEntry e, qint64 atMs = -1);

    forms::Clock& clock_;
    int capacity_;
    qint64 startMs_;
    qint64 lastMs_ = -1;
    link::Framing framing_ = link::Framing::Rtu; // of the last frame sent
    qint64 dropped_ = 0;
    std::deque<TrafficEntry> entries_;
};

// The verdict in words ("taken", "dropped: checksum", ...).
QString verdictWords(link::Verdict v);

} // namespace qtx52::bus
