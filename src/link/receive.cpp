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
#include "editor/frm_config.h"
#include "link/commport.h"
#include "link/decode.h"
#include "link/exchange.h"

#include <deque>
#include <optional>
#include <utility>

namespace qtx52::editor {

namespace {

using link::PendingRequest;

bool isReadFunction(quint8 function) {
    return function == link::kReadCoils || function == link::kReadHoldingRegisters;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// RTU assembly over the shared receive buffer, byte by byte: station address, function code,
// byte count (reads), then data and CRC up to the expected length.
//
// Whenever a reply started so far turns out not to be one (a byte that is not the expected
// function or byte count, or a wrong CRC at the end), its first byte is dropped and the bytes
// after it are looked at again, so that a reply behind noise that happened to begin like one is
// still found. Returns whether a valid reply completed; the last one is in replyHex.
class RtuAssembly {
public:
    RtuAssembly(app::Global& g, qint32& expectedLength, const PendingRequest& request)
        : g_(g), expected_(expectedLength), request_(request) {}

    // The exception code of the last exception reply completed, if it came after the last
    // normal reply.
    std::optional<quint8> exception;
    // The last whole frame completed, with its CRC.
    QByteArray frame;

    bool feed(const QByteArray& input) {
        const int frameLength = link::replyLength(request_) + 2;
        if (frameLength > link::kRtuFrameMax)
            return false; // a request this program never sends: nothing could answer it
        std::deque<quint8> queue(input.begin(), input.end());
        bool completed = false;
        while (!queue.empty()) {
            const quint8 b = queue.front();
            queue.pop_front();
            switch (step(b)) {
            case Step::Taken:
                break;
            case Step::Dropped:
                break;
            case Step::Mismatch:
                queue.push_front(b);
                restartAfterFirst(queue);
                break;
            case Step::Complete:
                if (const std::optional<quint8> code = heldException()) {
                    exception = code;
                    completed = false;
                    reset();
                } else if (acceptHeld()) {
                    completed = true;
                    exception.reset();
                    reset();
                } else {
                    restartAfterFirst(queue);
                }
                break;
            }
        }
        return completed;
    }

private:
    enum class Step { Taken, Dropped, Mismatch, Complete };

    Step step(quint8 b) {
        quint8& count = g_.rtuRxCount;
        auto& buffer = g_.rtuRxBuffer;
        if (count == 0) {
            if (b != request_.station)
                return Step::Dropped;
            buffer[0] = b;
            count = 1;
            expected_ = 0;
            return Step::Taken;
        }
        if (count == 1) {
            if (b == (request_.function | 0x80)) {
                // An exception reply: station, function | 0x80, code and CRC.
                buffer[1] = b;
                count = 2;
                expected_ = 5;
                return Step::Taken;
            }
            if (b != request_.function)
                return Step::Mismatch; // another function
            buffer[1] = b;
            count = 2;
            // Reads announce their length in the byte count; write echoes are always 8 bytes.
            expected_ = isReadFunction(b) ? 0 : 8;
            return Step::Taken;
        }
        if (count == 2 && isReadFunction(buffer[1])) {
            if (b != link::replyByteCount(request_))
                return Step::Mismatch;
            buffer[2] = b;
            count = 3;
            expected_ = b + 5;
            return Step::Taken;
        }
        if (count >= buffer.size())
            return Step::Mismatch; // cannot happen: expected lengths are checked to fit
        buffer[count] = b;
        ++count;
        return count >= expected_ ? Step::Complete : Step::Taken;
    }

    QByteArray held() const {
        return QByteArray(reinterpret_cast<const char*>(g_.rtuRxBuffer.data()),
                          qsizetype(g_.rtuRxCount));
    }

    std::optional<quint8> heldException() {
        const QByteArray whole = held();
        if (!link::crcMatches(whole))
            return std::nullopt;
        const std::optional<quint8> code = link::exceptionCode(whole.chopped(2), request_);
        if (code)
            frame = whole;
        return code;
    }

    bool acceptHeld() {
        const QByteArray whole = held();
        if (!link::crcMatches(whole) || !link::answersRequest(whole.chopped(2), request_))
            return false;
        g_.replyHex = QString::fromLatin1(whole.toHex().toUpper());
        frame = whole;
        return true;
    }

    // Gives up the reply held so far: its first byte is dropped, the rest goes back in front of the
    // bytes still to come.
    void restartAfterFirst(std::deque<quint8>& queue) {
        for (int i = g_.rtuRxCount - 1; i >= 1; --i)
            queue.push_front(g_.rtuRxBuffer[std::size_t(i)]);
        reset();
    }

    void reset() {
        g_.rtuRxBuffer[0] = 0;
        g_.rtuRxBuffer[1] = 0;
        g_.rtuRxBuffer[2] = 0;
        g_.rtuRxCount = 0;
        expected_ = 0;
    }

    app::Global& g_;
    qint32& expected_;
    const PendingRequest& request_;
};

// ASCII assembly, character by character. The line in progress is held in `line` from its ":"
// on; a ":" always starts a new one, and characters while none is in progress are dropped. A line
// is taken at its line feed when it holds hex digits only, ends in CR LF, fits the longest Modbus
// ASCII line, has the right LRC and answers the request. Returns whether a valid reply completed;
// replyHex then holds the last one, upper case, without ":" and CR LF.
struct AsciiOutcome {
    bool completed = false;
    std::optional<quint8> exception; // after the last normal reply
    QByteArray frame;                // the last line taken, ":" to LF
};

AsciiOutcome assembleAscii(app::Global& g, QByteArray& line, const QByteArray& input,
                           const std::optional<PendingRequest>& request) {
    AsciiOutcome out;
    bool& completed = out.completed;
    for (const char c : input) {
        if (c == ':') {
            line = QByteArrayLiteral(":");
            continue;
        }
        if (line.isEmpty())
            continue;
        const bool crSeen = line.endsWith('\r');
        if (c == '\n') {
            const QByteArray whole = std::exchange(line, QByteArray());
            if (!crSeen || !request)
                continue;
            const QByteArray hex = whole.mid(1, whole.size() - 2).toUpper();
            if (hex.size() % 2 != 0)
                continue;
            const QByteArray bytes = QByteArray::fromHex(hex);
            if (!link::lrcMatches(bytes))
                continue;
            if (const std::optional<quint8> code =
                    link::exceptionCode(bytes.chopped(1), *request)) {
                out.exception = code;
                out.frame = whole + '\n';
                completed = false;
            } else if (link::answersRequest(bytes.chopped(1), *request)) {
                g.replyHex = QString::fromLatin1(hex);
                completed = true;
                out.exception.reset();
                out.frame = whole + '\n';
            }
            continue;
        }
        const bool fits = line.size() + 1 < link::kAsciiLineMax; // room for the line feed
        if (crSeen || !fits || (c != '\r' && !isHexDigit(c))) {
            line.clear(); // not a Modbus ASCII line: wait for the next ":"
            continue;
        }
        line += c;
    }
    return out;
}

} // namespace

void frm_config::receive_reply() {
    const bool rtu = g.modbusMode == QLatin1String("RTU");
    const bool ascii = g.modbusMode == QLatin1String("ASCII");
    if (!rtu && !ascii)
        return;
    if (rtu)
        Timer4.setEnabled(true);

    // Count and data in one step: every byte is seen exactly once.
    const QByteArray input = MSComm1.input();
    const std::optional<PendingRequest> request = link::pendingRequest(g.requestHex);

    bool completed = false;
    std::optional<quint8> exception;
    QByteArray frame;
    if (rtu) {
        if (request) {
            RtuAssembly assembly(g, rtuExpectedLength, *request);
            completed = assembly.feed(input);
            exception = assembly.exception;
            frame = assembly.frame;
        }
    } else {
        const AsciiOutcome out = assembleAscii(g, rxLine, input, request);
        completed = out.completed;
        exception = out.exception;
        frame = out.frame;
    }

    if (exception) {
        // Never taken as an answer. Busy and acknowledge ask for the same request later: the
        // repeat goes on as for no reply. Any other code ends the transaction.
        link::ReceivedFrame r{frame, link::Verdict::Exception, *exception, transaction.attempt()};
        program.linkEvents.frameReceived(r);
        if (link::isBusyCode(*exception))
            transaction.noteBusy();
        else
            refusedByUnit(*exception);
        return;
    }
    if (!completed)
        return;

    program.linkEvents.frameReceived({frame, link::Verdict::Taken, 0, transaction.attempt()});
    if (request && (request->function == link::kWriteMultipleCoils ||
                    request->function == link::kWriteMultipleRegisters))
        transaction.noteAcknowledged(*request);

    g.linkReady = true;
    Timer5.setEnabled(false);
    Timer3.setEnabled(false);
    lbl_desc(16).setVisible(false);
    chk_read_out->setEnabled(true);
    if (chk_read_out->value() == 0) {
        read_out_parameter->setEnabled(true);
        update_apply_button(0);
    }
    decodeReply(*this);
}

} // namespace qtx52::editor
