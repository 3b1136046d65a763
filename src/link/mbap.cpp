#include "link/mbap.h"

#include "link/checksum.h"

namespace qtx52::link::mbap {

namespace {

quint16 crcOf(const QByteArray& bytes) {
    quint16 crc = 0xFFFF;
    for (char c : bytes)
        UpdateCRC(crc, quint8(c));
    return crc;
}

quint16 word(const QByteArray& b, int at) {
    return quint16((quint8(b[at]) << 8) | quint8(b[at + 1]));
}

void appendWord(QByteArray& b, quint16 w) {
    b.append(char(w >> 8));
    b.append(char(w & 0xFF));
}

} // namespace

QByteArray encode(const Adu& adu) {
    QByteArray out;
    out.reserve(kHeaderSize + adu.pdu.size());
    appendWord(out, adu.transactionId);
    appendWord(out, 0);
    appendWord(out, quint16(adu.pdu.size() + 1));
    out.append(char(adu.unitId));
    out.append(adu.pdu);
    return out;
}

std::optional<Adu> fromRtu(const QByteArray& rtuFrame, quint16 transactionId) {
    if (rtuFrame.size() < 4 || rtuFrame.size() - 3 > kMaxPdu)
        return std::nullopt;
    const QByteArray body = rtuFrame.left(rtuFrame.size() - 2);
    const quint16 crc = crcOf(body);
    if (quint8(rtuFrame[rtuFrame.size() - 2]) != (crc & 0xFF) ||
        quint8(rtuFrame[rtuFrame.size() - 1]) != (crc >> 8))
        return std::nullopt;
    return Adu{transactionId, quint8(body[0]), body.mid(1)};
}

QByteArray toRtu(const Adu& adu) {
    QByteArray out;
    out.append(char(adu.unitId));
    out.append(adu.pdu);
    const quint16 crc = crcOf(out);
    out.append(char(crc & 0xFF));
    out.append(char(crc >> 8));
    return out;
}

std::optional<Adu> takeFrame(QByteArray* stream, bool* corrupt) {
    *corrupt = false;
    if (stream->size() < 6)
        return std::nullopt;
    const quint16 length = word(*stream, 4);
    if (word(*stream, 2) != 0 || length < 2 || length > kMaxPdu + 1) {
        *corrupt = true;
        return std::nullopt;
    }
    if (stream->size() < 6 + length)
        return std::nullopt;
    Adu adu{word(*stream, 0), quint8((*stream)[6]), stream->mid(kHeaderSize, length - 1)};
    stream->remove(0, 6 + length);
    return adu;
}

} // namespace qtx52::link::mbap
