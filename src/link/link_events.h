#pragma once

// What happens on the link, told to whoever watches the bus (the traffic log, the link counters).
// The send path and the reply path report here as they act; they neither know nor care who
// listens, and nothing a listener does changes how a transfer runs.

#include <QByteArray>

#include <algorithm>
#include <optional>
#include <vector>

namespace qtx52::link {

// How frames are written on the line: RTU bytes with a CRC, or Modbus ASCII lines.
enum class Framing { Rtu, Ascii };

// What the reply path did with bytes it received.
enum class Verdict {
    Taken,        // the answer to the request in flight, handed to the decoder
    Exception,    // a well-formed exception reply (function | 0x80) to the request in flight
    BadChecksum,  // a whole frame whose CRC or LRC is wrong
    OtherStation, // a whole frame with another station's address
    NotTheAnswer, // a whole frame of our station that does not answer the request in flight
    Stale,        // a reply that arrived when no request was in flight, or for an earlier one
    Incomplete,   // the start of a frame that never completed
    Noise,        // bytes that do not begin a frame
    WrongEcho,    // an adapter's echo of our request that differs from what was sent
    AfterEcho,    // bytes let go after a wrong echo, up to the next request
    NoEcho,       // the echo of our request never came (no bytes)
};

// Why a transaction ended without its answer (the notice shows).
enum class Failure {
    NoReply,         // every try went unanswered
    Busy,            // the unit answered busy (exception 05/06) until the tries ran out
    GatewayNoAnswer, // a gateway answered 0A/0B (no answer from the unit) until the tries ran out
    Exception,       // the unit refused the request (exception 01..04)
    DeviceLost,      // the port's device went away
    WriteFailed      // the frame could not be handed to the port
};

struct SentFrame {
    QByteArray bytes; // the frame as written to the port (RTU bytes with CRC, or the ASCII line)
    int attempt = 1;  // 1 for the first try of a request, 2 and on for its repeats
    // When its last byte is on the line: the time it was handed to the port plus its time on the
    // wire at the line's baud rate, on the program's clock; -1 when not known.
    qint64 lastByteMs = -1;
    // Time one character takes on the line at its settings, in ms; 0 when not known.
    double characterMs = 0;
    Framing framing = Framing::Rtu;
    int transactionId = -1; // through a Modbus TCP gateway: the MBAP transaction id
};

struct ReceivedFrame {
    QByteArray bytes; // as received: RTU bytes with CRC, or the ASCII line from ":" to LF
    Verdict verdict = Verdict::Noise;
    quint8 exceptionCode = 0; // with Verdict::Exception
    int attempt = 0;          // the try of the request in flight it answered; 0 for none
    // When its first byte began to arrive, on the program's clock, as near as the reply path can
    // tell from the time it took the bytes from the port; -1 when not known.
    qint64 firstByteMs = -1;
    // The line's framing; none when the reporter cannot tell (an adapter's echo), which is then
    // the framing of the request it follows.
    std::optional<Framing> framing = std::nullopt;
    int transactionId = -1; // through a Modbus TCP gateway: the MBAP transaction id
};

class LinkObserver {
public:
    virtual ~LinkObserver() = default;
    virtual void portOpened() {}
    virtual void portClosed() {}
    virtual void frameSent(const SentFrame&) {}
    virtual void frameReceived(const ReceivedFrame&) {}
    virtual void transactionFailed(Failure) {}
};

// Hands every report on to each observer added, in the order they were added. The program holds
// one; an observer outlives its registration or removes itself.
class LinkEvents final : public LinkObserver {
public:
    void add(LinkObserver* o) { observers_.push_back(o); }
    void remove(LinkObserver* o) { std::erase(observers_, o); }

    void portOpened() override {
        for (auto* o : observers_)
            o->portOpened();
    }
    void portClosed() override {
        for (auto* o : observers_)
            o->portClosed();
    }
    void frameSent(const SentFrame& f) override {
        for (auto* o : observers_)
            o->frameSent(f);
    }
    void frameReceived(const ReceivedFrame& f) override {
        for (auto* o : observers_)
            o->frameReceived(f);
    }
    void transactionFailed(Failure why) override {
        for (auto* o : observers_)
            o->transactionFailed(why);
    }

private:
    std::vector<LinkObserver*> observers_;
};

} // namespace qtx52::link
