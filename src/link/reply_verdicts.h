#pragma once

// What became of every received byte the reply assembly did not take. The assembly hands over
// each byte it lets go, in the order received, and each frame it recognises (taken, an exception,
// a second answer); the bytes let go between two recognised frames are sorted here into what they
// were: a frame with a wrong checksum, another station's frame, a frame of our station that does
// not answer the request, a late answer to an earlier request, the start of a frame that never
// completed, or noise. Each is reported once to the link's watchers, in the order it came.
//
// Nothing here decides what the link does: the assembly has already taken or dropped the bytes.
// Bytes that may still turn out to be the start of a frame wait for the bytes after them, or
// until the exchange ends (a new request, the port closes).

#include "link/exchange.h"
#include "link/link_events.h"
#include "link/transaction.h"

#include <QByteArray>

#include <optional>
#include <vector>

namespace qtx52::link {

// When a received byte began to arrive, and which try was waiting for its answer then.
struct ByteSeen {
    qint64 ms = -1;  // on the program's clock; -1 unknown
    int attempt = 0; // the try in flight still awaiting its answer; 0 when none was
};

// The requests the dropped bytes are judged against.
struct VerdictContext {
    Framing framing = Framing::Rtu;
    std::optional<PendingRequest> request; // the one in flight (the last one sent)
    std::vector<PendingRequest> earlier;   // the ones sent before it, the latest first
};

class ReplyVerdicts {
public:
    explicit ReplyVerdicts(LinkObserver& out) : out_(&out) {}

    // The requests as they stand for the bytes handed over from now on. A change of framing
    // ends what was under way.
    void setContext(const VerdictContext& context);

    // A byte the assembly let go.
    void dropped(char byte, ByteSeen seen);
    // A frame the assembly recognised; whatever was let go before it is judged first.
    void recognised(const QByteArray& bytes, Verdict verdict, quint8 exceptionCode, int attempt,
                    qint64 firstByteMs);
    // Reports what can be judged now. Bytes that may still become a frame wait.
    void settle();
    // Nothing more can join the bytes let go (the exchange ended): everything is judged.
    void close();

    // Where and when each byte of the frame the RTU assembly holds arrived, kept beside the
    // assembly's own buffer; and the same for the ":" of the ASCII line under way.
    std::vector<ByteSeen> rtuHeld;
    // Through a Modbus TCP gateway: the transaction id of the reply the port handed over last,
    // told with the frames recognised; -1 otherwise.
    int transactionId = -1;
    ByteSeen asciiLine;

private:
    void judge(bool closing);
    bool judgeRtuAt(qsizetype& i, bool closing);
    bool judgeAsciiAt(qsizetype& i, bool closing);
    qsizetype nextWholeRtu(qsizetype from);
    void frame(qsizetype at, qsizetype length, Verdict verdict, quint8 code);
    void noise(qsizetype at, qsizetype length);
    void flushNoise();
    void report(const QByteArray& bytes, Verdict verdict, quint8 code, int attempt,
                qint64 firstByteMs);
    Verdict wholeFrame(const QByteArray& pdu) const;
    bool oursHeader(qsizetype at) const;

    LinkObserver* out_;
    VerdictContext context_;
    QByteArray run_;                // let go, not judged yet
    std::vector<ByteSeen> runSeen_; // beside run_
    QByteArray noise_;              // judged noise, reported with the next verdict
    ByteSeen noiseSeen_;
    qsizetype wholeAt_ = -2; // the next whole RTU frame in run_ from the scan position
};

} // namespace qtx52::link
