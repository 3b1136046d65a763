#include "sim/wire.h"

#include "sim/station.h"

#include <algorithm>

namespace qtx52::sim {

double wireTimeMs(const link::LineSettings& settings, qint64 characters) {
    return double(characters) * settings.bitsPerCharacter() * 1000.0 / double(settings.baud);
}

qint64 silentInterval(const link::LineSettings& settings) {
    const LineTime line{settings.baud};
    // 3.5 characters: 7 half characters.
    return std::max(line.characters(7, settings.bitsPerCharacter()) / 2,
                    qint64(settings.baud) * 7 / 4); // 1.75 ms
}

SimLine::SimLine(forms::Clock& clock, Station& station)
    : clock_(&clock), station_(&station),
      timer_(clock.createTimer([this] { run(); }, /*singleShot=*/true)) {}

SimLine::~SimLine() = default;

void SimLine::transmit(const QByteArray& frame, const link::LineSettings& master) {
    if (frame.isEmpty() || master.baud <= 0)
        return;
    const LineTime line{master.baud};
    qint64 start = line.fromMs(clock_->nowMs());
    if (masterBaud_ == master.baud)
        start = std::max(start, masterFree_);
    const qint64 end = start + line.characters(frame.size(), master.bitsPerCharacter());
    masterFree_ = end;
    masterBaud_ = master.baud;
    if (echo_) {
        const QByteArray echo = echoShaper_ ? echoShaper_(frame) : frame;
        schedule(line.dueMs(end), [this, echo] {
            if (receiver_ && !echo.isEmpty())
                receiver_(echo);
        });
    }
    if (replyBaud_ == master.baud && replySeen_ && start >= replyEnd_ && start < replyQuietAt_) {
        // The line has not yet been silent long enough after the station's answer: it takes this
        // for the tail of the traffic before and does not hear it. (A request that starts while
        // the answer is still on the line, or before the master has had its last byte, is a
        // repeat that crossed it; the station hears it, as it always has.)
        schedule(line.dueMs(end), [this] { station_->countTooEarly(); });
        return;
    }
    schedule(line.dueMs(end), [this, frame, master, end] { deliver(frame, master, end); });
}

void SimLine::deliver(const QByteArray& frame, const link::LineSettings& master,
                      qint64 endOfRequest) {
    // With other settings the unit hears only framing and parity errors.
    if (!station_->understands(master))
        return;
    const std::optional<Station::Reply> reply = station_->answer(frame);
    if (!reply || reply->bytes.isEmpty())
        return;

    const link::LineSettings& unitLine = station_->lineSettings();
    const LineTime line{master.baud}; // the same rate, or the unit would not have understood
    const qint64 start = endOfRequest + line.fromMs(reply->delayMs);
    const int size = int(reply->bytes.size());

    QList<int> cuts;
    for (int at : reply->splits)
        if (at > 0 && at < size)
            cuts.append(at);
    if (chunkSize_ > 0)
        for (int at = chunkSize_; at < size; at += chunkSize_)
            cuts.append(at);
    cuts.append(size);
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

    replyEnd_ = start + line.characters(size, unitLine.bitsPerCharacter());
    replyQuietAt_ = replyEnd_ + silentInterval(unitLine);
    replyBaud_ = master.baud;
    replySeen_ = false;
    const int generation = ++replies_;

    int from = 0;
    for (int to : cuts) {
        const QByteArray piece = reply->bytes.sliced(from, to - from);
        const qint64 landed = start + line.characters(to, unitLine.bitsPerCharacter());
        schedule(line.dueMs(landed), [this, piece, last = to == size, generation] {
            if (last && generation == replies_)
                replySeen_ = true;
            if (receiver_)
                receiver_(piece);
        });
        from = to;
    }
}

void SimLine::cancel() {
    events_.clear();
    timer_->stop();
}

void SimLine::schedule(qint64 dueMs, std::function<void()> action) {
    events_.append(Event{dueMs, ++order_, std::move(action)});
    if (!running_)
        arm();
}

void SimLine::run() {
    running_ = true;
    for (;;) {
        auto next =
            std::min_element(events_.begin(), events_.end(), [](const Event& a, const Event& b) {
                return a.dueMs < b.dueMs || (a.dueMs == b.dueMs && a.order < b.order);
            });
        if (next == events_.end() || next->dueMs > clock_->nowMs())
            break;
        const std::function<void()> action = std::move(next->action);
        events_.erase(next);
        // The action may send, cancel or deliver; the queue is searched afresh afterwards.
        action();
    }
    running_ = false;
    arm();
}

void SimLine::arm() {
    if (events_.isEmpty()) {
        timer_->stop();
        return;
    }
    qint64 due = events_.front().dueMs;
    for (const Event& e : events_)
        due = std::min(due, e.dueMs);
    timer_->start(std::max<qint64>(1, due - clock_->nowMs()));
}

} // namespace qtx52::sim
