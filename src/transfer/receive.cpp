// Reply reception: takes what the port has received, assembles it into a reply frame (RTU bytes or
// an ASCII line) and hands a reply that answers the request in flight to the decoder.
//
// A reply is taken only when it is whole, its checksum is right and it is the normal answer to the
// request in flight: same station and function, the expected byte count or write echo. Anything
// else is dropped as if it had never arrived, so the repeat and failure timers keep running for
// the request and nothing reaches the editor. A new request starts the assembly afresh, a repeat
// keeps a reply that has begun to arrive (send). A well-formed exception reply to the request in
// flight is never taken as an answer: busy repeats, any other code ends the transaction.

#include "app/global.h"
#include "app/program.h"
#include "link/commport.h"
#include "link/exchange.h"
#include "transfer/chain_pacing.h"
#include "transfer/decode.h"
#include "transfer/main_window_transfer.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace qtx52::transfer {

namespace {

using link::PendingRequest;

bool isReadFunction(quint8 function) {
    return function == link::kReadCoils || function == link::kReadHoldingRegisters;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// A received byte and when it came.
struct InByte {
    quint8 value;
    link::ByteSeen seen;
};

// RTU assembly over the shared receive buffer, byte by byte: station address, function code,
// byte count (reads), then data and CRC up to the expected length.
//
// Whenever a reply started so far turns out not to be one (a byte that is not the expected
// function or byte count, or a wrong CRC at the end), its first byte is dropped and the bytes
// after it are looked at again, so that a reply behind noise that happened to begin like one is
// still found. Every byte dropped and every frame recognised goes to the verdicts in the order it
// came. Returns whether a valid reply completed; the last one is in replyHex.
class RtuAssembly {
public:
    RtuAssembly(app::Global& g, qint32& expectedLength, const PendingRequest& request,
                link::ReplyVerdicts& verdicts, link::Transaction& transaction, qint64 nowMs,
                qint64 waitMs)
        : g_(g), expected_(expectedLength), request_(request), verdicts_(verdicts),
          held_(verdicts.rtuHeld), transaction_(transaction), nowMs_(nowMs), waitMs_(waitMs) {
        // The times kept beside the buffer follow it; anything else touching the buffer leaves
        // them unknown rather than out of step.
        held_.resize(g_.rtuRxCount);
    }

    // The exception code of the last exception reply completed, if it came after the last
    // normal reply; -1 for none.
    int exceptionCode = -1;

    bool feed(std::deque<InByte> queue) {
        const int frameLength = link::replyLength(request_) + 2;
        if (frameLength > link::kRtuFrameMax) {
            // A request this program never sends: nothing could answer it.
            for (const InByte& in : queue)
                verdicts_.dropped(char(in.value), in.seen);
            return false;
        }
        bool completed = false;
        while (!queue.empty()) {
            const InByte in = queue.front();
            queue.pop_front();
            switch (step(in)) {
            case Step::Taken:
                break;
            case Step::Dropped:
                verdicts_.dropped(char(in.value), in.seen);
                break;
            case Step::Mismatch:
                queue.push_front(in);
                restartAfterFirst(queue);
                break;
            case Step::Complete: {
                const bool answers = heldAnswers();
                const std::optional<quint8> code = heldException();
                if (answers && takenBefore()) {
                    recognise(link::Verdict::Stale, 0);
                    reset();
                } else if (code && !transaction_.answered()) {
                    recognise(link::Verdict::Exception, *code);
                    exceptionCode = *code;
                    completed = false;
                    reset();
                } else if (answers) {
                    g_.replyHex = QString::fromLatin1(held().toHex().toUpper());
                    recognise(link::Verdict::Taken, 0);
                    transaction_.noteAnswered();
                    completed = true;
                    exceptionCode = -1;
                    reset();
                } else {
                    restartAfterFirst(queue);
                }
                break;
            }
            }
        }
        return completed;
    }

private:
    enum class Step { Taken, Dropped, Mismatch, Complete };

    Step step(const InByte& in) {
        const quint8 b = in.value;
        quint8& count = g_.rtuRxCount;
        auto& buffer = g_.rtuRxBuffer;
        if (count == 0) {
            if (b != request_.station)
                return Step::Dropped;
            buffer[0] = b;
            count = 1;
            held_.assign(1, in.seen);
            expected_ = 0;
            return Step::Taken;
        }
        if (count == 1) {
            if (b == (request_.function | 0x80)) {
                // An exception reply: station, function | 0x80, code and CRC.
                buffer[1] = b;
                count = 2;
                held_.push_back(in.seen);
                expected_ = 5;
                return Step::Taken;
            }
            if (b != request_.function)
                return Step::Mismatch; // another function
            buffer[1] = b;
            count = 2;
            held_.push_back(in.seen);
            // Reads announce their length in the byte count; write echoes are always 8 bytes.
            expected_ = isReadFunction(b) ? 0 : 8;
            return Step::Taken;
        }
        if (count == 2 && isReadFunction(buffer[1])) {
            if (b != link::replyByteCount(request_))
                return Step::Mismatch;
            buffer[2] = b;
            count = 3;
            held_.push_back(in.seen);
            expected_ = b + 5;
            return Step::Taken;
        }
        if (count >= buffer.size())
            return Step::Mismatch; // cannot happen: expected lengths are checked to fit
        buffer[count] = b;
        ++count;
        held_.push_back(in.seen);
        return count >= expected_ ? Step::Complete : Step::Taken;
    }

    QByteArray held() const {
        return QByteArray(reinterpret_cast<const char*>(g_.rtuRxBuffer.data()),
                          qsizetype(g_.rtuRxCount));
    }

    std::optional<quint8> heldException() const {
        const QByteArray whole = held();
        if (!link::crcMatches(whole))
            return std::nullopt;
        return link::exceptionCode(whole.chopped(2), request_);
    }

    bool heldAnswers() const {
        const QByteArray whole = held();
        return link::crcMatches(whole) && link::answersRequest(whole.chopped(2), request_);
    }

    // This is the unit's answer to another try of a request answered already (this one or the
    // one before), the same bytes again, and is counted off; or the request has had its answer.
    bool takenBefore() const {
        return transaction_.owedAnswer(QString::fromLatin1(held().toHex().toUpper()), nowMs_,
                                       waitMs_) ||
               transaction_.answered();
    }

    void recognise(link::Verdict verdict, quint8 code) {
        const bool answer = verdict == link::Verdict::Taken || verdict == link::Verdict::Exception;
        verdicts_.recognised(held(), verdict, code, answer ? transaction_.attempt() : 0,
                             held_.empty() ? -1 : held_.front().ms);
    }

    // Gives up the reply held so far: its first byte is dropped, the rest goes back in front of the
    // bytes still to come.
    void restartAfterFirst(std::deque<InByte>& queue) {
        for (int i = g_.rtuRxCount - 1; i >= 1; --i)
            queue.push_front({g_.rtuRxBuffer[std::size_t(i)], seenOf(i)});
        verdicts_.dropped(char(g_.rtuRxBuffer[0]), seenOf(0));
        reset();
    }

    link::ByteSeen seenOf(int i) const {
        return std::size_t(i) < held_.size() ? held_[std::size_t(i)] : link::ByteSeen{};
    }

    void reset() {
        g_.rtuRxBuffer[0] = 0;
        g_.rtuRxBuffer[1] = 0;
        g_.rtuRxBuffer[2] = 0;
        g_.rtuRxCount = 0;
        held_.clear();
        expected_ = 0;
    }

    app::Global& g_;
    qint32& expected_;
    const PendingRequest& request_;
    link::ReplyVerdicts& verdicts_;
    std::vector<link::ByteSeen>& held_;
    link::Transaction& transaction_;
    qint64 nowMs_;
    qint64 waitMs_;
};

// ASCII assembly, character by character. The line in progress is held in `line` from its ":"
// on; a ":" always starts a new one, and characters while none is in progress are dropped. A line
// is taken at its line feed when it holds hex digits only, ends in CR LF, fits the longest Modbus
// ASCII line, has the right LRC and answers the request. Returns whether a valid reply completed;
// replyHex then holds the last one, upper case, without ":" and CR LF. Every character dropped
// and every line recognised goes to the verdicts in the order it came.
struct AsciiOutcome {
    bool completed = false;
    std::optional<quint8> exception; // after the last normal reply
};

AsciiOutcome assembleAscii(app::Global& g, QByteArray& line, const std::vector<InByte>& input,
                           const std::optional<PendingRequest>& request,
                           link::ReplyVerdicts& verdicts, link::Transaction& transaction,
                           qint64 nowMs, qint64 waitMs) {
    AsciiOutcome out;
    bool& completed = out.completed;
    link::ByteSeen& lineSeen = verdicts.asciiLine;
    const auto dropLine = [&](const QByteArray& chars) {
        for (const char c : chars)
            verdicts.dropped(c, lineSeen);
    };
    const auto recognise = [&](const QByteArray& whole, link::Verdict verdict, quint8 code) {
        const bool answer = verdict == link::Verdict::Taken || verdict == link::Verdict::Exception;
        verdicts.recognised(whole, verdict, code, answer ? transaction.attempt() : 0, lineSeen.ms);
    };
    for (const InByte& in : input) {
        const char c = char(in.value);
        if (c == ':') {
            dropLine(line); // broken off: the verdicts tell it as incomplete
            line = QByteArrayLiteral(":");
            lineSeen = in.seen;
            continue;
        }
        if (line.isEmpty()) {
            verdicts.dropped(c, in.seen);
            continue;
        }
        const bool crSeen = line.endsWith('\r');
        if (c == '\n') {
            const QByteArray whole = std::exchange(line, QByteArray()) + '\n';
            if (!crSeen || !request) {
                dropLine(whole);
                continue;
            }
            const QByteArray hex = whole.mid(1, whole.size() - 3).toUpper();
            if (hex.size() % 2 != 0) {
                dropLine(whole);
                continue;
            }
            const QByteArray bytes = QByteArray::fromHex(hex);
            if (!link::lrcMatches(bytes)) {
                dropLine(whole);
                continue;
            }
            const bool answers = link::answersRequest(bytes.chopped(1), *request);
            const std::optional<quint8> code = link::exceptionCode(bytes.chopped(1), *request);
            if (answers && (transaction.owedAnswer(QString::fromLatin1(hex), nowMs, waitMs) ||
                            transaction.answered())) {
                // Another try's answer to a request answered already (counted off), or the
                // request has had its answer.
                recognise(whole, link::Verdict::Stale, 0);
            } else if (code && !transaction.answered()) {
                recognise(whole, link::Verdict::Exception, *code);
                out.exception = code;
                completed = false;
            } else if (answers) {
                g.replyHex = QString::fromLatin1(hex);
                recognise(whole, link::Verdict::Taken, 0);
                transaction.noteAnswered();
                completed = true;
                out.exception.reset();
            } else {
                dropLine(whole);
            }
            continue;
        }
        const bool fits = line.size() + 1 < link::kAsciiLineMax; // room for the line feed
        if (crSeen || !fits || (c != '\r' && !isHexDigit(c))) {
            // Not a Modbus ASCII line: wait for the next ":".
            dropLine(std::exchange(line, QByteArray()) + c);
            continue;
        }
        line += c;
    }
    return out;
}

} // namespace

void MainWindowTransfer::receive_reply() {
    const bool rtu = g.modbusMode == QLatin1String("RTU");
    const bool ascii = g.modbusMode == QLatin1String("ASCII");
    if (!rtu && !ascii)
        return;
    if (rtu)
        Timer4.setEnabled(true);

    // Count and data in one step: every byte is seen exactly once.
    const QByteArray input = MSComm1.input();
    replyVerdicts.transactionId = MSComm1.receivedTransactionId();
    // A transaction that has ended waits for nothing: an answer to it is stale.
    const std::optional<PendingRequest> request =
        transaction.ended() ? std::nullopt : link::pendingRequest(g.requestHex);
    replyVerdicts.setContext(
        {rtu ? link::Framing::Rtu : link::Framing::Ascii, request, transaction.earlier()});

    // The bytes came back to back, the last of them at the latest now: each began to arrive at
    // the latest the line time of itself and those after it before now.
    const qint64 now = program.clock.nowMs();
    // How long the link waits from a first try for its answer, as it knows the unit now.
    const link::LinkTiming timing = linkTiming();
    const qint64 waitMs = link::repeatIntervalMs(timing) + link::failureIntervalMs(timing);
    const double charMs = characterMs();
    // With fast reads the line's silence counts from the bytes taken, also on a port that does not
    // tell when they arrive.
    if (fastReads && !input.isEmpty())
        quietAtMs = std::max(quietAtMs, now + silentIntervalMs(charMs));
    const int waiting = transaction.answered() ? 0 : transaction.attempt();
    std::vector<InByte> bytes;
    bytes.reserve(std::size_t(input.size()));
    for (qsizetype i = 0; i < input.size(); ++i)
        bytes.push_back({quint8(input[i]),
                         {now - qint64(std::llround(charMs * double(input.size() - i))), waiting}});

    bool completed = false;
    std::optional<quint8> exception;
    if (rtu) {
        if (request) {
            RtuAssembly assembly(g, rtuExpectedLength, *request, replyVerdicts, transaction, now,
                                 waitMs);
            completed = assembly.feed(std::deque<InByte>(bytes.begin(), bytes.end()));
            if (assembly.exceptionCode >= 0)
                exception = quint8(assembly.exceptionCode);
        } else {
            // Nothing was asked: whatever comes is let go.
            for (const InByte& in : bytes)
                replyVerdicts.dropped(char(in.value), in.seen);
        }
    } else {
        const AsciiOutcome out =
            assembleAscii(g, rxLine, bytes, request, replyVerdicts, transaction, now, waitMs);
        completed = out.completed;
        exception = out.exception;
    }
    replyVerdicts.settle();

    if (exception) {
        // Never taken as an answer. Busy and acknowledge ask for the same request later: the
        // repeat goes on as for no reply. Any other code ends the transaction.
        if (link::isBusyCode(*exception)) {
            transaction.noteBusy();
        } else if (link::isGatewayCode(*exception)) {
            // The gateway's word that the unit did not answer: no reply, repeated as such.
            transaction.noteGatewayNoAnswer();
        } else {
            transaction.noteAnswered();
            refusedByUnit(*exception);
        }
        return;
    }
    if (!completed)
        return;

    // A try's reply takes the unit's response time, the longest while it is not known.
    link::LinkTiming slowest = timing;
    if (!timing.responseTimeKnown)
        slowest.minResponseTimeMs = link::kLongestResponseMs;
    transaction.noteTaken(g.replyHex, waitMs, link::replyTimeMs(slowest));
    if (request && (request->function == link::kWriteMultipleCoils ||
                    request->function == link::kWriteMultipleRegisters)) {
        transaction.noteAcknowledged(*request);
        // With fast reads the next request follows at once, but the unit may still be storing
        // what it acknowledged.
        if (fastReads)
            quietAtMs =
                std::max(quietAtMs, now + quietAfterReplyMs(charMs, true, true, g.minResponseTime));
    }

    g.linkReady = true;
    Timer5.setEnabled(false);
    Timer3.setEnabled(false);
    // A repeat held back for the silence after this very reply is answered already.
    dropHeldRequest();
    lbl_desc(16).setVisible(false);
    chk_read_out->setEnabled(true);
    if (chk_read_out->value() == 0) {
        read_out_parameter->setEnabled(true);
        update_apply_button(0);
    }
    decodeReply(*this);
}

} // namespace qtx52::transfer
