// Reply reception: takes what the port has received, assembles it into a reply frame (RTU bytes or
// an ASCII line) and hands a reply that answers the request in flight to the decoder.
//
// A reply is taken only when it is whole, its checksum is right and it is the normal answer to the
// request in flight: same station and function, the expected byte count or write echo. Anything
// else is dropped as if it had never arrived, so the repeat and failure timers keep running for
// the request and nothing reaches the editor. Each request starts the assembly afresh (send).

#include "app/global.h"
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
                if (acceptHeld()) {
                    completed = true;
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
            if (b != request_.function)
                return Step::Mismatch; // another function, or an exception reply
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

    bool acceptHeld() {
        const QByteArray frame(reinterpret_cast<const char*>(g_.rtuRxBuffer.data()),
                               qsizetype(g_.rtuRxCount));
        if (!link::crcMatches(frame) || !link::answersRequest(frame.chopped(2), request_))
            return false;
        g_.replyHex = QString::fromLatin1(frame.toHex().toUpper());
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
bool assembleAscii(app::Global& g, QByteArray& line, const QByteArray& input,
                   const std::optional<PendingRequest>& request) {
    bool completed = false;
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
            if (link::lrcMatches(bytes) && link::answersRequest(bytes.chopped(1), *request)) {
                g.replyHex = QString::fromLatin1(hex);
                completed = true;
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
    return completed;
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
    if (rtu) {
        if (request)
            completed = RtuAssembly(g, rtuExpectedLength, *request).feed(input);
    } else {
        completed = assembleAscii(g, rxLine, input, request);
    }
    if (!completed)
        return;

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
