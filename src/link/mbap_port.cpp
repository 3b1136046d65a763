#include "link/mbap_port.h"

#include "link/link_events.h"

namespace qtx52::link {

MbapPort::MbapPort(CommPort& stream) : stream_(stream) {
    stream_.setLostHandler([this](const CommError& why) {
        // The gateway closed the connection: whatever was awaited goes with it.
        reset();
        reportLost(why);
    });
    stream_.setArrivalHandler([this] { reportArrival(); });
}

void MbapPort::reset() {
    inFlight_ = {};
    received_.clear();
    ready_.clear();
    sentId_ = -1;
    receivedId_ = -1;
}

CommError MbapPort::setPortOpen(bool open) {
    if (!open || !stream_.portOpen())
        reset();
    return stream_.setPortOpen(open);
}

void MbapPort::startOpen(OpenDone done) {
    reset();
    stream_.startOpen(std::move(done));
}

CommError MbapPort::output(const QByteArray& frame) {
    if (!stream_.portOpen())
        return {commerr::PortNotOpen, QStringLiteral("port not open")};
    const std::optional<mbap::Adu> adu = mbap::fromRtu(frame, nextId_);
    if (!adu)
        return {commerr::SettingsRejected,
                QStringLiteral("a Modbus TCP gateway takes RTU frames only")};
    // Whatever came for the request before is judged against it first; from now on only the
    // answer to this one is taken (a late answer to the one before is stale).
    pump();
    const CommError error = stream_.output(mbap::encode(*adu));
    if (error)
        return error;
    inFlight_ = {adu->transactionId, adu->unitId, quint8(adu->pdu[0]), false};
    sentId_ = adu->transactionId;
    nextId_ = quint16(nextId_ + 1);
    return {};
}

void MbapPort::pump() {
    if (!stream_.portOpen())
        return;
    received_ += stream_.input();
    bool corrupt = false;
    while (const std::optional<mbap::Adu> adu = mbap::takeFrame(&received_, &corrupt))
        judge(*adu);
    if (corrupt) {
        // No frame boundary can be found again in a stream that has lost it: what is there is
        // reported as noise, and the next request starts on whatever comes after.
        if (observer_) {
            ReceivedFrame f;
            f.bytes = received_;
            f.verdict = Verdict::Noise;
            observer_->frameReceived(f);
        }
        received_.clear();
    }
}

void MbapPort::judge(const mbap::Adu& adu) {
    const quint8 function = quint8(adu.pdu[0]) & 0x7F;
    const bool idMatches = anyId_ || adu.transactionId == inFlight_.id;
    if (!inFlight_.answered && idMatches && adu.unitId == inFlight_.unit &&
        function == inFlight_.function) {
        inFlight_.answered = true;
        receivedId_ = adu.transactionId;
        ready_ += mbap::toRtu(adu);
        return;
    }
    Verdict verdict = Verdict::Stale; // an earlier request's id, or a second answer
    if (!inFlight_.answered && idMatches)
        verdict = adu.unitId != inFlight_.unit ? Verdict::OtherStation : Verdict::NotTheAnswer;
    report(adu, verdict);
}

void MbapPort::report(const mbap::Adu& adu, Verdict verdict) {
    if (!observer_)
        return;
    ReceivedFrame f;
    f.bytes = mbap::toRtu(adu);
    f.verdict = verdict;
    f.transactionId = adu.transactionId;
    observer_->frameReceived(f);
}

int MbapPort::inBufferCount() {
    pump();
    return int(ready_.size());
}

QByteArray MbapPort::input() {
    pump();
    QByteArray out;
    out.swap(ready_);
    return out;
}

} // namespace qtx52::link
