#include "sim/faults.h"

namespace qtx52::sim {

bool FaultPlan::take(int& count) {
    if (count == 0)
        return false;
    if (count > 0)
        --count;
    return true;
}

bool FaultPlan::any() const {
    return noReply_ || firstAttempt_ || badChecksum_ || exception_ || split_ || garbage_ ||
           otherStation_ || late_ || truncated_ || refusedRegister_ >= 0;
}

std::optional<quint8> FaultPlan::refusal(const QByteArray& pdu) const {
    // Write multiple registers: function, start, quantity.
    if (refusedRegister_ < 0 || pdu.size() < 5 || quint8(pdu[0]) != 0x10)
        return std::nullopt;
    const int start = quint8(pdu[1]) << 8 | quint8(pdu[2]);
    const int count = quint8(pdu[3]) << 8 | quint8(pdu[4]);
    if (refusedRegister_ < start || refusedRegister_ >= start + count)
        return std::nullopt;
    return refusedCode_;
}

FaultPlan::Decision FaultPlan::next(const QByteArray& request) {
    Decision d;
    if (take(noReply_)) {
        d.drop = true;
        return d;
    }
    if (firstAttempt_ != 0) {
        if (!swallowed_.isEmpty() && request == swallowed_) {
            swallowed_.clear();
        } else {
            take(firstAttempt_);
            swallowed_ = request;
            d.drop = true;
            return d;
        }
    }
    if (take(exception_))
        d.exception = exceptionCode_;
    d.badChecksum = take(badChecksum_);
    if (take(otherStation_))
        d.fromStation = otherAddress_;
    if (take(garbage_))
        d.garbage = garbageBytes_;
    if (take(split_))
        d.splits = splitOffsets_;
    if (take(late_))
        d.extraDelayMs = lateMs_;
    if (take(truncated_))
        d.truncateTo = truncateTo_;
    return d;
}

} // namespace qtx52::sim
