#include "sim/asciiframing.h"

namespace qtx52::sim::ascii {

namespace {

// ':' + 2 * (address + 252 PDU bytes + LRC) + CR LF; anything longer is not a frame.
constexpr int MaxFrame = 1 + 2 * 254 + 2;

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void appendHex(QByteArray& out, quint8 byte) {
    static const char digits[] = "0123456789ABCDEF";
    out.append(digits[byte >> 4]);
    out.append(digits[byte & 0x0F]);
}

} // namespace

quint8 lrc(QByteArrayView bytes) {
    quint8 sum = 0;
    for (char c : bytes)
        sum = quint8(sum + quint8(c));
    return quint8(-sum);
}

QByteArray encode(quint8 address, const QByteArray& pdu) {
    QByteArray body;
    body.append(char(address));
    body.append(pdu);
    QByteArray frame;
    frame.reserve(1 + 2 * (body.size() + 1) + 2);
    frame.append(':');
    for (char c : body)
        appendHex(frame, quint8(c));
    appendHex(frame, lrc(body));
    frame.append("\r\n");
    return frame;
}

bool decode(const QByteArray& frame, quint8* address, QByteArray* pdu) {
    if (frame.size() < 1 + 6 + 2 || frame.size() > MaxFrame || frame.front() != ':' ||
        !frame.endsWith("\r\n"))
        return false;
    const QByteArrayView hex = QByteArrayView(frame).sliced(1, frame.size() - 3);
    if (hex.size() % 2 != 0)
        return false;
    QByteArray bytes;
    bytes.reserve(hex.size() / 2);
    for (qsizetype i = 0; i < hex.size(); i += 2) {
        const int hi = hexValue(hex[i]);
        const int lo = hexValue(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        bytes.append(char(hi << 4 | lo));
    }
    const quint8 sent = quint8(bytes.back());
    bytes.chop(1);
    if (lrc(bytes) != sent)
        return false;
    *address = quint8(bytes[0]);
    *pdu = bytes.mid(1);
    return true;
}

QList<QByteArray> LineFramer::feed(QByteArrayView bytes) {
    QList<QByteArray> frames;
    for (char c : bytes) {
        if (c == ':') {
            buffer_ = QByteArray(1, ':');
            continue;
        }
        if (buffer_.isEmpty())
            continue;
        buffer_.append(c);
        if (c == '\n') {
            frames.append(buffer_);
            buffer_.clear();
        } else if (buffer_.size() > MaxFrame) {
            buffer_.clear();
        }
    }
    return frames;
}

} // namespace qtx52::sim::ascii
