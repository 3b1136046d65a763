#include "link/transaction.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace qtx52::link {

namespace {

constexpr qint32 kReplyMarginMs = 100;
constexpr int kLongestBlock = 10; // registers in one block
// Earlier requests a late answer is recognised for: more than a unit answers late in one chain.
constexpr std::size_t kEarlierKept = 8;

bool english(const QString& languageId) {
    return languageId == QLatin1String("1033");
}

qint32 pollMs(Framing f) {
    return f == Framing::Rtu ? kRtuPollMs : kAsciiPollMs;
}

qint32 responseMs(const LinkTiming& t) {
    return std::max<qint32>(0, t.minResponseTimeMs);
}

// Bytes of a frame before framing: the ASCII line carries each as two characters between ":" and
// CR LF with an LRC, RTU as one with a two-byte CRC.
int frameChars(Framing f, int bytes) {
    return f == Framing::Rtu ? bytes + 2 : 1 + 2 * (bytes + 1) + 2;
}

bool isReadFunction(quint8 fn) {
    return fn == kReadCoils || fn == kReadHoldingRegisters;
}

} // namespace

qint32 wireTimeMs(const LinkTiming& t, int characters) {
    // With a parity bit whatever the line's parity, so the intervals hold for every setting.
    LineSettings line;
    line.baud = t.baud;
    line.parity = 'E';
    line.dataBits = t.framing == Framing::Rtu ? 8 : 7;
    line.stopBits = 1;
    return qint32(std::ceil(lineTimeMs(line, characters)));
}

int longestRequestChars(Framing framing) {
    return frameChars(framing, 7 + 2 * kLongestBlock);
}

int longestReplyChars(Framing framing) {
    return frameChars(framing, 3 + 2 * kLongestBlock);
}

qint32 replyTimeMs(const LinkTiming& t) {
    return responseMs(t) +
           wireTimeMs(t, longestRequestChars(t.framing) + longestReplyChars(t.framing)) +
           2 * pollMs(t.framing) + kReplyMarginMs;
}

qint32 repeatIntervalMs(const LinkTiming& t) {
    const qint32 gateway = std::max<qint32>(0, t.gatewayTimeoutMs);
    if (!t.responseTimeKnown || responseMs(t) <= kClassicTimingUpToMs)
        return kRepeatMs + gateway;
    return std::max(kRepeatMs, replyTimeMs(t)) + gateway;
}

namespace {
qint32 failureWithoutGatewayMs(const LinkTiming& t);
}

qint32 failureIntervalMs(const LinkTiming& t) {
    // The repeat's answer through a gateway may be its own 0x0B, which comes at its timeout.
    return failureWithoutGatewayMs(t) + std::max<qint32>(0, t.gatewayTimeoutMs);
}

namespace {
qint32 failureWithoutGatewayMs(const LinkTiming& t) {
    if (!t.responseTimeKnown) {
        LinkTiming slowest = t;
        slowest.minResponseTimeMs = kLongestResponseMs;
        const qint32 classic = t.framing == Framing::Rtu ? kRtuFailureMs : kAsciiFailureMs;
        return std::max(classic, replyTimeMs(slowest));
    }
    if (responseMs(t) <= kClassicTimingUpToMs)
        return t.framing == Framing::Rtu ? kRtuFailureMs : kAsciiFailureMs;
    LinkTiming serial = t;
    serial.gatewayTimeoutMs = 0;
    const qint32 repeat = repeatIntervalMs(serial);
    // RTU: the reply to the one repeat still has the time a reply can take, less one poll, and the
    // failure comes before a second repeat would go out.
    return t.framing == Framing::Rtu ? repeat - pollMs(t.framing) : repeat;
}
} // namespace

qint32 giveUpMs(const LinkTiming& t) {
    return repeatIntervalMs(t) + failureIntervalMs(t) + 2 * pollMs(t.framing) +
           wireTimeMs(t, longestRequestChars(t.framing) + longestReplyChars(t.framing)) +
           (t.responseTimeKnown ? responseMs(t) : kLongestResponseMs);
}

std::optional<quint8> exceptionCode(const QByteArray& frame, const PendingRequest& request) {
    if (frame.size() != 3)
        return std::nullopt;
    if (quint8(frame[0]) != request.station || quint8(frame[1]) != (request.function | 0x80))
        return std::nullopt;
    return quint8(frame[2]);
}

void Transaction::keepAsEarlier() {
    if (request_ && (earlier_.empty() || earlier_.front() != *request_)) {
        earlier_.insert(earlier_.begin(), *request_);
        if (earlier_.size() > kEarlierKept)
            earlier_.pop_back();
    }
}

int Transaction::begin(const QString& requestHex, qint64 nowMs) {
    keepAsEarlier();
    firstTryMs_ = nowMs;
    lastTryMs_ = nowMs;
    request_ = pendingRequest(requestHex);
    answered_ = false;
    ended_ = false;
    busy_ = false;
    gatewayNoAnswer_ = false;
    attempt_ = 1;
    return attempt_;
}

int Transaction::repeat(qint64 nowMs) {
    lastTryMs_ = nowMs;
    return ++attempt_;
}

void Transaction::noteTaken(const QString& replyHex, qint64 waitMs, qint64 replyMs) {
    if (attempt_ <= 1)
        return;
    owedReply_ = replyHex;
    owed_ = attempt_ - 1;
    owedSinceMs_ = firstTryMs_;
    owedUntilMs_ = std::max(firstTryMs_ + waitMs, lastTryMs_ + replyMs);
}

bool Transaction::owedAnswer(const QString& replyHex, qint64 nowMs, qint64 waitMs) {
    if (owed_ <= 0 || nowMs > owedUntilMs(waitMs) || replyHex != owedReply_)
        return false;
    --owed_;
    return true;
}

void Transaction::end() {
    keepAsEarlier();
    answered_ = true;
    ended_ = true;
}

QString exceptionMeaning(quint8 code, const QString& languageId) {
    return exceptionWords(code, english(languageId));
}

QString exceptionWords(quint8 code, bool en) {
    switch (code) {
    case 0x01:
        return en ? QStringLiteral("function not supported")
                  : QStringLiteral("Funktion nicht unterstützt");
    case 0x02:
        return en ? QStringLiteral("address not available")
                  : QStringLiteral("Adresse nicht vorhanden");
    case 0x03:
        return en ? QStringLiteral("value refused") : QStringLiteral("Wert abgelehnt");
    case 0x04:
        return en ? QStringLiteral("device failure") : QStringLiteral("Gerätefehler");
    case 0x05:
        return en ? QStringLiteral("request accepted, still working")
                  : QStringLiteral("Anfrage angenommen, noch in Bearbeitung");
    case 0x06:
        return en ? QStringLiteral("device busy") : QStringLiteral("Gerät beschäftigt");
    case 0x0A:
        return en ? QStringLiteral("gateway has no path to the line")
                  : QStringLiteral("Gateway ohne Verbindung zur Linie");
    case 0x0B:
        return en ? QStringLiteral("no answer from the unit behind the gateway")
                  : QStringLiteral("keine Antwort vom Gerät hinter dem Gateway");
    default:
        return en ? QStringLiteral("unknown code") : QStringLiteral("unbekannter Code");
    }
}

QString requestSubject(const PendingRequest& r, const QString& languageId) {
    const bool en = english(languageId);
    const bool coils = r.function == kReadCoils || r.function == kWriteMultipleCoils;
    // Counted from 1, as the parameter file and the editor's messages name them: the
    // configuration coils as the file's configuration bits.
    constexpr int kConfigCoils = 14;
    const QString kind =
        coils ? (r.start < kConfigCoils ? (en ? QStringLiteral("configuration bits")
                                              : QStringLiteral("Konfigurationsbits"))
                                        : (en ? QStringLiteral("coils") : QStringLiteral("Coils")))
              : QStringLiteral("Register");
    const int first = r.start + 1;
    const int last = first + std::max<int>(1, r.quantity) - 1;
    return QStringLiteral("%1 %2..%3").arg(kind).arg(first).arg(last);
}

namespace {

QString acknowledgedLines(const std::vector<PendingRequest>& acknowledged,
                          const QString& languageId) {
    const bool en = english(languageId);
    if (acknowledged.empty())
        return en ? QStringLiteral("The unit acknowledged nothing of this write.")
                  : QStringLiteral("Das Gerät hat von diesem Schreibvorgang nichts bestätigt.");
    QStringList parts;
    for (const PendingRequest& r : acknowledged)
        parts << requestSubject(r, languageId);
    return (en ? QStringLiteral("The unit acknowledged: ")
               : QStringLiteral("Das Gerät hat bestätigt: ")) +
           parts.join(QStringLiteral(", "));
}

} // namespace

QString refusedMessage(quint8 code, const PendingRequest& refused,
                       const std::vector<PendingRequest>& acknowledged, const QString& languageId) {
    const bool en = english(languageId);
    const QString code2 = QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
    QString text = en ? QStringLiteral("The unit refused the request for %1: code %2, %3.")
                      : QStringLiteral("Das Gerät hat die Anfrage für %1 abgelehnt: Code %2, %3.");
    text = text.arg(requestSubject(refused, languageId), code2, exceptionMeaning(code, languageId));
    if (!isReadFunction(refused.function))
        text += QLatin1Char('\n') + acknowledgedLines(acknowledged, languageId);
    return text;
}

QString incompleteMessage(bool write, const std::vector<PendingRequest>& acknowledged,
                          const QString& languageId) {
    const bool en = english(languageId);
    QString text = en ? QStringLiteral("The transfer is incomplete: the unit did not answer every "
                                       "request in time.")
                      : QStringLiteral("Die Übertragung ist unvollständig: das Gerät hat nicht "
                                       "rechtzeitig auf jede Anfrage geantwortet.");
    if (write)
        text += QLatin1Char('\n') + acknowledgedLines(acknowledged, languageId);
    return text;
}

QString lostDuringWriteMessage(const std::optional<PendingRequest>& awaited,
                               const std::vector<PendingRequest>& acknowledged,
                               const QString& languageId) {
    const bool en = english(languageId);
    QString text = en ? QStringLiteral("The line was lost during the write.")
                      : QStringLiteral("Die Verbindung ging während des Schreibens verloren.");
    text += QLatin1Char('\n') + acknowledgedLines(acknowledged, languageId);
    if (awaited && !isReadFunction(awaited->function))
        text += QLatin1Char('\n') +
                (en ? QStringLiteral("Whether the unit took %1 is not known.")
                    : QStringLiteral("Ob das Gerät %1 übernommen hat, ist nicht bekannt."))
                    .arg(requestSubject(*awaited, languageId));
    return text;
}

QString readOutFailedMessage(int station, const QString& why, const QString& languageId) {
    // The editor keeps what it held: nothing of it passes for this unit's values.
    return (english(languageId)
                ? QStringLiteral("The unit at station %1 could not be read; values are sent only "
                                 "after a complete read-out.")
                : QStringLiteral("Das Gerät an Station %1 konnte nicht ausgelesen werden; Werte "
                                 "werden erst nach einem vollständigen Auslesen übertragen."))
               .arg(station) +
           QLatin1Char('\n') + why;
}

QString gatewayNotice(int station, const QString& languageId) {
    return english(languageId)
               ? QStringLiteral("The gateway had no answer from station %1!").arg(station)
               : QStringLiteral("Das Gateway hatte keine Antwort von Station %1!").arg(station);
}

QString busyNotice(const QString& languageId) {
    return english(languageId)
               ? QStringLiteral("The unit stayed busy, please try again later!")
               : QStringLiteral("Das Gerät war beschäftigt, bitte später erneut versuchen!");
}

QString refusedNotice(quint8 code, const QString& languageId) {
    const QString code2 = QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
    return (english(languageId)
                ? QStringLiteral("The unit refused the request: code %1, %2.")
                : QStringLiteral("Das Gerät hat die Anfrage abgelehnt: Code %1, %2."))
        .arg(code2, exceptionMeaning(code, languageId));
}

} // namespace qtx52::link
