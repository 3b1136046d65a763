#include "link/exchange.h"

#include "link/checksum.h"

#include <cmath>

namespace qtx52::link {

namespace {

// Value of an upper-case hex digit, or -1.
int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// The number in `digits` hex digits from `at`, or -1 when one of them is not a digit.
qint32 hexField(const QString& text, qsizetype at, int digits) {
    qint32 v = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = hexDigit(text[at + i]);
        if (d < 0)
            return -1;
        v = v * 16 + d;
    }
    return v;
}

quint16 wordAt(const QByteArray& bytes, qsizetype at) {
    return quint16(quint8(bytes[at]) << 8 | quint8(bytes[at + 1]));
}

bool isRead(quint8 function) {
    return function == kReadCoils || function == kReadHoldingRegisters;
}

bool isWrite(quint8 function) {
    return function == kWriteMultipleCoils || function == kWriteMultipleRegisters;
}

} // namespace

std::optional<PendingRequest> pendingRequest(const QString& requestHex) {
    constexpr int kHeaderDigits = 12; // station, function, start, quantity
    if (requestHex.size() < kHeaderDigits)
        return std::nullopt;
    const qint32 station = hexField(requestHex, 0, 2);
    const qint32 function = hexField(requestHex, 2, 2);
    const qint32 start = hexField(requestHex, 4, 4);
    const qint32 quantity = hexField(requestHex, 8, 4);
    if (station < 0 || function < 0 || start < 0 || quantity < 0)
        return std::nullopt;
    if (!isRead(quint8(function)) && !isWrite(quint8(function)))
        return std::nullopt;
    return PendingRequest{quint8(station), quint8(function), quint16(start), quint16(quantity)};
}

int replyByteCount(const PendingRequest& request) {
    if (request.function == kReadHoldingRegisters)
        return 2 * request.quantity;
    if (request.function == kReadCoils)
        return (request.quantity + 7) / 8;
    return 0;
}

int replyLength(const PendingRequest& request) {
    if (isRead(request.function))
        return 3 + replyByteCount(request);
    if (isWrite(request.function))
        return 6;
    return 0;
}

bool answersRequest(const QByteArray& frame, const PendingRequest& request) {
    if (replyLength(request) == 0 || frame.size() != replyLength(request))
        return false;
    if (quint8(frame[0]) != request.station || quint8(frame[1]) != request.function)
        return false;
    if (isRead(request.function))
        return quint8(frame[2]) == replyByteCount(request);
    return wordAt(frame, 2) == request.start && wordAt(frame, 4) == request.quantity;
}

bool crcMatches(const QByteArray& frameWithCrc) {
    if (frameWithCrc.size() < 2)
        return false;
    const qsizetype n = frameWithCrc.size() - 2;
    quint16 crc = 0xFFFF;
    for (qsizetype i = 0; i < n; ++i)
        UpdateCRC(crc, quint8(frameWithCrc[i]));
    return quint8(frameWithCrc[n]) == (crc & 0xFF) && quint8(frameWithCrc[n + 1]) == (crc >> 8);
}

bool lrcMatches(const QByteArray& frameWithLrc) {
    if (frameWithLrc.isEmpty())
        return false;
    quint8 sum = 0;
    for (char c : frameWithLrc)
        sum = quint8(sum + quint8(c));
    // The LRC is the two's complement of the byte sum, so everything together sums to zero.
    return sum == 0;
}

} // namespace qtx52::link
