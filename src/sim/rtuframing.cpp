#include "sim/rtuframing.h"

#include <algorithm>

namespace qtx52::sim::rtu {

namespace {
// Longest RTU frame Modbus allows; a byte count that would go beyond it cannot be a request.
constexpr int MaxFrame = 256;
} // namespace

quint16 crc16(QByteArrayView bytes) {
    quint16 crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

QByteArray encode(quint8 address, const QByteArray& pdu) {
    QByteArray frame;
    frame.reserve(pdu.size() + 3);
    frame.append(char(address));
    frame.append(pdu);
    const quint16 crc = crc16(frame);
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    return frame;
}

bool decode(const QByteArray& frame, quint8* address, QByteArray* pdu) {
    if (frame.size() < 4)
        return false;
    const qsizetype body = frame.size() - 2;
    const quint16 sent = quint16(quint8(frame[body]) | (quint8(frame[body + 1]) << 8));
    if (crc16(QByteArrayView(frame).first(body)) != sent)
        return false;
    *address = quint8(frame[0]);
    *pdu = frame.mid(1, body - 1);
    return true;
}

int requestLength(QByteArrayView start) {
    if (start.size() < 2)
        return 0;
    const quint8 function = quint8(start[1]);
    if (function == 0x0F || function == 0x10) {
        if (start.size() < 7)
            return 0;
        return 9 + quint8(start[6]);
    }
    return 8;
}

QList<QByteArray> RequestFramer::feed(QByteArrayView bytes) {
    buffer_.append(bytes);
    QList<QByteArray> frames;
    for (;;) {
        const int length = requestLength(buffer_);
        if (length == 0 || (length <= MaxFrame && buffer_.size() < length))
            break;
        const QByteArray candidate = buffer_.first(std::min<qsizetype>(length, buffer_.size()));
        quint8 address;
        QByteArray pdu;
        if (length <= MaxFrame && decode(candidate, &address, &pdu)) {
            frames.append(candidate);
            buffer_.remove(0, length);
        } else {
            buffer_.remove(0, 1);
            ++discarded_;
        }
    }
    return frames;
}

} // namespace qtx52::sim::rtu
