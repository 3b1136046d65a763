#include "link/reply_verdicts.h"

#include <utility>

namespace qtx52::link {

namespace {

// The longest RTU frame a station can send: a read of 255 data bytes with its header and CRC.
constexpr qsizetype kRtuLongestFrame = 255 + 5;

bool knownFunction(quint8 f) {
    return f == kReadCoils || f == kReadHoldingRegisters || f == kWriteMultipleCoils ||
           f == kWriteMultipleRegisters;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Length of the RTU frame that would begin at `at`: 0 while the bytes that tell it have not all
// arrived, -1 when no frame of a function this program uses can begin there.
qsizetype rtuFrameLength(const QByteArray& b, qsizetype at) {
    if (at + 1 >= b.size())
        return 0;
    const quint8 f = quint8(b[at + 1]);
    if (f == kReadCoils || f == kReadHoldingRegisters) {
        if (at + 2 >= b.size())
            return 0;
        const int count = quint8(b[at + 2]);
        return count == 0 ? -1 : count + 5;
    }
    if (f == kWriteMultipleCoils || f == kWriteMultipleRegisters)
        return 8;
    if ((f & 0x80) && knownFunction(quint8(f & 0x7F)))
        return 5;
    return -1;
}

// The exception code when the frame (checksum removed) is an exception reply of any station.
quint8 exceptionIn(const QByteArray& pdu) {
    return pdu.size() == 3 && (quint8(pdu[1]) & 0x80) ? quint8(pdu[2]) : 0;
}

} // namespace

void ReplyVerdicts::setContext(const VerdictContext& context) {
    if (context.framing != context_.framing)
        close(); // what was under way belongs to the other framing
    context_ = context;
}

void ReplyVerdicts::dropped(char byte, ByteSeen seen) {
    run_ += byte;
    runSeen_.push_back(seen);
}

void ReplyVerdicts::recognised(const QByteArray& bytes, Verdict verdict, quint8 exceptionCode,
                               int attempt, qint64 firstByteMs) {
    // The frame ends every frame let go before it.
    judge(true);
    flushNoise();
    report(bytes, verdict, exceptionCode, attempt, firstByteMs);
}

void ReplyVerdicts::settle() {
    judge(false);
    flushNoise();
}

void ReplyVerdicts::close() {
    judge(true);
    flushNoise();
}

void ReplyVerdicts::judge(bool closing) {
    wholeAt_ = -2;
    qsizetype i = 0;
    while (i < run_.size()) {
        const bool decided =
            context_.framing == Framing::Rtu ? judgeRtuAt(i, closing) : judgeAsciiAt(i, closing);
        if (!decided)
            break;
    }
    run_.remove(0, i);
    runSeen_.erase(runSeen_.begin(), runSeen_.begin() + i);
}

// The start of a reply of our station to the request in flight: its address and its function,
// plain or as an exception.
bool ReplyVerdicts::oursHeader(qsizetype at) const {
    if (!context_.request || at + 1 >= run_.size())
        return false;
    return quint8(run_[at]) == context_.request->station &&
           (quint8(run_[at + 1]) & 0x7F) == context_.request->function;
}

// The earliest position from `from` on where a whole RTU frame with a right CRC begins; -1 for
// none. The run does not change while it is judged, so one search serves until it is passed.
qsizetype ReplyVerdicts::nextWholeRtu(qsizetype from) {
    if (wholeAt_ == -1 || wholeAt_ >= from)
        return wholeAt_;
    for (qsizetype j = from; j < run_.size(); ++j) {
        const qsizetype len = rtuFrameLength(run_, j);
        if (len > 0 && j + len <= run_.size() && crcMatches(run_.mid(j, len))) {
            wholeAt_ = j;
            return j;
        }
    }
    wholeAt_ = -1;
    return -1;
}

bool ReplyVerdicts::judgeRtuAt(qsizetype& i, bool closing) {
    const qsizetype whole = nextWholeRtu(i);
    const qsizetype len = rtuFrameLength(run_, i);
    if (whole == i) {
        const QByteArray pdu = run_.mid(i, len - 2);
        frame(i, len, wholeFrame(pdu), exceptionIn(pdu));
        i += len;
        return true;
    }
    // Nothing after a whole frame further on can belong to what begins here.
    const qsizetype end = whole < 0 ? run_.size() : whole;
    if (oursHeader(i) && len >= 0) {
        if (len > 0 && i + len <= end) {
            frame(i, len, Verdict::BadChecksum, 0);
            i += len;
            return true;
        }
        if (whole < 0 && !closing)
            return false; // the rest of it may still come
        frame(i, end - i, Verdict::Incomplete, 0);
        i = end;
        return true;
    }
    // Another station's frame may still complete behind what has come.
    if (whole < 0 && !closing && (len == 0 || (len > 0 && i + len > run_.size())) &&
        run_.size() - i < kRtuLongestFrame)
        return false;
    noise(i, 1);
    ++i;
    return true;
}

bool ReplyVerdicts::judgeAsciiAt(qsizetype& i, bool closing) {
    const qsizetype at = i;
    if (run_[at] != ':') {
        noise(at, 1);
        ++i;
        return true;
    }
    qsizetype j = at + 1;
    while (j < run_.size() && run_[j] != ':' && run_[j] != '\n')
        ++j;
    if (j == run_.size() || run_[j] == ':') {
        if (j == run_.size() && !closing && j - at < kAsciiLineMax)
            return false; // the line may still end
        // A line that a new ":" or the end of the exchange broke off.
        bool digits = j - at >= 3;
        for (qsizetype k = at + 1; k < j && digits; ++k)
            digits = isHexDigit(run_[k]) || (run_[k] == '\r' && k == j - 1);
        if (digits)
            frame(at, j - at, Verdict::Incomplete, 0);
        else
            noise(at, j - at);
        i = j;
        return true;
    }
    // A line feed ends the line.
    const qsizetype length = j + 1 - at;
    i = j + 1;
    bool wellFormed =
        length <= kAsciiLineMax && length >= 5 && run_[j - 1] == '\r' && (length - 3) % 2 == 0;
    for (qsizetype k = at + 1; k < j - 1 && wellFormed; ++k)
        wellFormed = isHexDigit(run_[k]);
    if (!wellFormed) {
        noise(at, length);
        return true;
    }
    const QByteArray bytes = QByteArray::fromHex(run_.mid(at + 1, length - 3));
    if (bytes.size() < 3) {
        noise(at, length);
        return true;
    }
    if (!lrcMatches(bytes)) {
        frame(at, length, Verdict::BadChecksum, 0);
        return true;
    }
    const QByteArray pdu = bytes.chopped(1);
    frame(at, length, wholeFrame(pdu), exceptionIn(pdu));
    return true;
}

// A whole frame with a right checksum that the assembly did not take.
Verdict ReplyVerdicts::wholeFrame(const QByteArray& pdu) const {
    if (!context_.request)
        return Verdict::Stale; // nothing was asked
    const PendingRequest& now = *context_.request;
    if (quint8(pdu[0]) != now.station)
        return Verdict::OtherStation;
    // An answer to the request in flight that the assembly let go: it came after the one taken.
    if (answersRequest(pdu, now) || exceptionCode(pdu, now))
        return Verdict::Stale;
    for (const PendingRequest& before : context_.earlier)
        if (answersRequest(pdu, before) || exceptionCode(pdu, before))
            return Verdict::Stale;
    return Verdict::NotTheAnswer;
}

void ReplyVerdicts::frame(qsizetype at, qsizetype length, Verdict verdict, quint8 code) {
    flushNoise();
    const ByteSeen seen = runSeen_[std::size_t(at)];
    // Only what came for the request in flight answers one of its tries.
    const bool forTheRequest = verdict == Verdict::BadChecksum || verdict == Verdict::Incomplete ||
                               verdict == Verdict::NotTheAnswer;
    report(run_.mid(at, length), verdict, code, forTheRequest ? seen.attempt : 0, seen.ms);
}

void ReplyVerdicts::noise(qsizetype at, qsizetype length) {
    if (noise_.isEmpty())
        noiseSeen_ = runSeen_[std::size_t(at)];
    noise_ += run_.mid(at, length);
}

void ReplyVerdicts::flushNoise() {
    if (noise_.isEmpty())
        return;
    report(std::exchange(noise_, QByteArray()), Verdict::Noise, 0, 0, noiseSeen_.ms);
}

void ReplyVerdicts::report(const QByteArray& bytes, Verdict verdict, quint8 code, int attempt,
                           qint64 firstByteMs) {
    ReceivedFrame f;
    f.bytes = bytes;
    f.verdict = verdict;
    f.exceptionCode = code;
    f.attempt = attempt;
    f.firstByteMs = firstByteMs;
    if (verdict == Verdict::Taken || verdict == Verdict::Exception)
        f.transactionId = transactionId;
    f.framing = context_.framing;
    out_->frameReceived(f);
}

} // namespace qtx52::link
