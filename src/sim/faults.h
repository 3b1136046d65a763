#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

namespace qtx52::sim {

// Line and unit faults to put before a master, each for the next `count` replies (Always: until
// cleared; 0: off). Setting a fault again replaces its parameters and count.
//
// A dropped reply counts only against the fault that dropped it, so "no reply once, then a bad
// checksum once" hits two successive replies. The first-attempt fault counts the requests whose
// first attempt it swallows: with a count of 1 the first request goes unanswered and its repeat
// gets the reply. Broadcasts and frames meant for other stations never touch the plan.
class FaultPlan {
public:
    static constexpr int Always = -1;

    void setNoReply(int count = 1) { noReply_ = count; }
    void setNoReplyToFirstAttempt(int count = 1) {
        firstAttempt_ = count;
        swallowed_.clear();
    }
    void setBadChecksum(int count = 1) { badChecksum_ = count; }
    void setExceptionReply(quint8 code, int count = 1) {
        exceptionCode_ = code;
        exception_ = count;
    }
    // The reply reaches the master in pieces, cut before each offset (in bytes from the start,
    // counting any garbage in front).
    void setSplitReply(const QList<int>& offsets, int count = 1) {
        splitOffsets_ = offsets;
        split_ = count;
    }
    void setGarbageBefore(const QByteArray& bytes, int count = 1) {
        garbageBytes_ = bytes;
        garbage_ = count;
    }
    void setReplyFromStation(quint8 address, int count = 1) {
        otherAddress_ = address;
        otherStation_ = count;
    }
    // Only the first `keepBytes` bytes of the reply go on the line (counting any garbage in
    // front); the rest never comes, as when the unit is reset in the middle of its answer.
    void setTruncatedReply(int keepBytes, int count = 1) {
        truncateTo_ = keepBytes < 0 ? 0 : keepBytes;
        truncated_ = count;
    }
    void setLateReply(qint64 extraMs, int count = 1) {
        lateMs_ = extraMs;
        late_ = count;
    }
    // A unit whose own checks refuse one register: every write that includes it is answered with
    // the exception code, and nothing of that write is carried out. Stays until cleared.
    void setRefusedRegister(int address, quint8 code = 0x03) {
        refusedRegister_ = address;
        refusedCode_ = code;
    }
    // The exception a request PDU draws from the refused register, if any.
    std::optional<quint8> refusal(const QByteArray& pdu) const;
    void clear() { *this = FaultPlan(); }
    bool any() const;

    // What happens to one reply.
    struct Decision {
        bool drop = false;
        std::optional<quint8> exception;
        bool badChecksum = false;
        std::optional<quint8> fromStation;
        QByteArray garbage;
        QList<int> splits;
        qint64 extraDelayMs = 0;
        int truncateTo = -1; // bytes kept; -1 for all
    };
    // Decides and counts down; `request` is the frame as received, to recognise a repeat.
    Decision next(const QByteArray& request);

private:
    static bool take(int& count);

    int noReply_ = 0;
    int firstAttempt_ = 0;
    QByteArray swallowed_;
    int badChecksum_ = 0;
    int exception_ = 0;
    quint8 exceptionCode_ = 0;
    int split_ = 0;
    QList<int> splitOffsets_;
    int garbage_ = 0;
    QByteArray garbageBytes_;
    int otherStation_ = 0;
    quint8 otherAddress_ = 0;
    int late_ = 0;
    qint64 lateMs_ = 0;
    int refusedRegister_ = -1;
    quint8 refusedCode_ = 0;
    int truncated_ = 0;
    int truncateTo_ = 0;
};

} // namespace qtx52::sim
