#pragma once

// The request in flight, apart from the editor and the windows: which try of it is on the line,
// how long a reply to it can take at the unit's response time, when it is repeated and given up,
// and what an exception reply to it says. The timer handlers of the main window ask it and act on
// its answers; the traffic log learns the same try numbers and verdicts through the link events.

#include "link/commport.h"
#include "link/exchange.h"
#include "link/link_events.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <optional>
#include <vector>

namespace qtx52::link {

// What the link's timing depends on.
struct LinkTiming {
    Framing framing = Framing::Rtu;
    qint32 baud = 9600;
    qint32 minResponseTimeMs = 0; // as the unit reports it; negative counts as 0
    // False until the unit's response time has been read or written: a reply may then take the
    // longest response time a unit can be set to.
    bool responseTimeKnown = true;
    // Through a Modbus TCP gateway: how long it waits for the unit before it answers 0x0B itself.
    // Added to the repeat and failure intervals, so a repeat never overtakes the gateway's answer.
    qint32 gatewayTimeoutMs = 0;
};

// The longest response time a unit can be set to.
inline constexpr qint32 kLongestResponseMs = 3000;

// Intervals as they are while the response time is unknown or at most this long.
inline constexpr qint32 kRepeatMs = 1000;
inline constexpr qint32 kRtuFailureMs = 500;
inline constexpr qint32 kAsciiFailureMs = 1000;
inline constexpr qint32 kRtuPollMs = 50;
inline constexpr qint32 kAsciiPollMs = 100;
inline constexpr qint32 kClassicTimingUpToMs = 800;

// Time on the wire of `characters` characters: 11 bit times each in RTU (8 data, parity or second
// stop), 10 in ASCII (7 data, parity), rounded up to whole milliseconds.
qint32 wireTimeMs(const LinkTiming& t, int characters);

// The longest request (a write of ten registers) and the longest reply (a read of ten registers)
// the program exchanges, in characters on the wire.
int longestRequestChars(Framing framing);
int longestReplyChars(Framing framing);

// How long a reply can take: response time, both frames on the wire, two poll intervals and a
// margin for the adapter.
qint32 replyTimeMs(const LinkTiming& t);
// The repeat interval: 1000 ms up to a response time of 800 ms, then the larger of 1000 ms and the
// time a reply can take.
qint32 repeatIntervalMs(const LinkTiming& t);
// The failure interval, counted from the first repeat. RTU gives up before a second repeat would
// go out; ASCII at the same time as the second repeat, so one or two repeats as before. While the
// response time is unknown it lasts until a reply to the first repeat at the longest response
// time has had its time.
qint32 failureIntervalMs(const LinkTiming& t);
// The time the link needs at most to give up on one request, from its first try on.
qint32 giveUpMs(const LinkTiming& t);

// The exception code of a well-formed exception reply to the request (checksum removed): same
// station, function | 0x80 and one code byte. Nothing for any other frame.
std::optional<quint8> exceptionCode(const QByteArray& frame, const PendingRequest& request);
// Codes 05 (acknowledge: still working) and 06 (busy) ask for the same request again later.
inline bool isBusyCode(quint8 code) {
    return code == 0x05 || code == 0x06;
}
// Codes 0A (no path to the line) and 0B (the unit behind it did not answer) are a gateway
// speaking, not the unit: they count as no reply.
inline bool isGatewayCode(quint8 code) {
    return code == 0x0A || code == 0x0B;
}

// The running request and the chain it belongs to.
class Transaction {
public:
    // A new request goes out at `nowMs`: its first try. Returns the try number (1).
    int begin(const QString& requestHex, qint64 nowMs = -1);
    // The same request goes out again at `nowMs`. Returns the try number.
    int repeat(qint64 nowMs = -1);
    int attempt() const { return attempt_; }
    const std::optional<PendingRequest>& request() const { return request_; }
    // The requests sent before this one, the latest first (a few): a late answer to one of them
    // is stale.
    const std::vector<PendingRequest>& earlier() const { return earlier_; }

    // The request has had its answer (a reply taken, or a refusal acted on): bytes that come
    // after it no longer belong to one of its tries.
    void noteAnswered() { answered_ = true; }
    bool answered() const { return answered_; }

    // A reply was taken for the request, the link waiting `waitMs` from the first try for its
    // answer, and a reply to a try taking up to `replyMs`. After more than one try the unit may
    // still answer the others, with the same bytes: a late first try until the link would have
    // given up on it, the last try its reply time after it went out. By then the next request
    // may be out, and a read's answer does not say which registers it holds.
    void noteTaken(const QString& replyHex, qint64 waitMs, qint64 replyMs);
    // Whether a whole reply at `nowMs` is one of those answers still owed, the link now waiting
    // `waitMs` from a first try for its answer; it is counted off.
    bool owedAnswer(const QString& replyHex, qint64 nowMs, qint64 waitMs);
    // Whether one of those answers may still come at `nowMs`: until it has come, a request sent
    // now could be taken for answered by it.
    bool answerOwed(qint64 nowMs, qint64 waitMs) const {
        return owed_ > 0 && nowMs <= owedUntilMs(waitMs);
    }
    // The last moment one of them may come.
    qint64 owedUntilMs(qint64 waitMs) const {
        return std::max(owedSinceMs_ + waitMs, owedUntilMs_);
    }

    // The transaction is over without waiting any longer (its failure handling, a refusal, a
    // cancel, the port closing): the request joins the earlier ones, so whatever still comes for
    // it is stale and nothing revives it. The next request begins afresh.
    void end();
    bool ended() const { return ended_; }

    // The unit answered the request busy; the failure notice then says so.
    void noteBusy() { busy_ = true; }
    bool busy() const { return busy_; }
    // A gateway answered that it had no answer from the unit; the failure notice then says so.
    void noteGatewayNoAnswer() { gatewayNoAnswer_ = true; }
    bool gatewayNoAnswer() const { return gatewayNoAnswer_; }

    // A new chain starts (the status window opens): nothing acknowledged yet.
    void startChain() { acknowledged_.clear(); }
    // The unit acknowledged this write.
    void noteAcknowledged(const PendingRequest& write) { acknowledged_.push_back(write); }
    const std::vector<PendingRequest>& acknowledged() const { return acknowledged_; }

private:
    void keepAsEarlier();

    std::optional<PendingRequest> request_;
    std::vector<PendingRequest> earlier_;
    bool answered_ = false;
    bool ended_ = false;
    QString owedReply_;
    int owed_ = 0;
    qint64 firstTryMs_ = -1;
    qint64 lastTryMs_ = -1;
    qint64 owedSinceMs_ = -1;
    // The tries went out while the link waited as long as it did when the reply was taken (the
    // response time unknown, say), however long it waits now that it knows the unit better.
    qint64 owedUntilMs_ = -1;
    int attempt_ = 0;
    bool busy_ = false;
    bool gatewayNoAnswer_ = false;
    std::vector<PendingRequest> acknowledged_;
};

// Texts for the person at the window, German ("1031") or English ("1033").
// An exception code in words: the one table the message box, the notice, the traffic log, the
// trace and the command line all quote.
QString exceptionMeaning(quint8 code, const QString& languageId);
QString exceptionWords(quint8 code, bool english);
// "Register 3..12", "Konfigurationsbits 1..14", "Coils 257..261": what a request reads or writes,
// counted from 1 as the parameter file counts.
QString requestSubject(const PendingRequest& request, const QString& languageId);
// The message after the unit refused a request.
QString refusedMessage(quint8 code, const PendingRequest& refused,
                       const std::vector<PendingRequest>& acknowledged, const QString& languageId);
// The message after a transfer ended before its last step.
QString incompleteMessage(bool write, const std::vector<PendingRequest>& acknowledged,
                          const QString& languageId);
// The message after the line was lost during a write: what the unit acknowledged, and the write
// whose answer was still awaited (it may or may not have been taken), if any.
QString lostDuringWriteMessage(const std::optional<PendingRequest>& awaited,
                               const std::vector<PendingRequest>& acknowledged,
                               const QString& languageId);
// The message after a read-out of `station` failed, with `why` (the notice or the message above)
// on the lines below.
QString readOutFailedMessage(int station, const QString& why, const QString& languageId);
// The failure notice when the unit stayed busy.
QString busyNotice(const QString& languageId);
// The failure notice when a gateway had no answer from the station.
QString gatewayNotice(int station, const QString& languageId);
// The notice after the unit refused a request: the refusal, not a fault of the settings.
QString refusedNotice(quint8 code, const QString& languageId);

} // namespace qtx52::link
