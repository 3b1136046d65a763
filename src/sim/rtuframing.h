#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// RTU framing as the room unit does it. This is written apart from the program's own codec on
// purpose: the simulator and the program check each other, so neither may borrow from the other.
namespace qtx52::sim::rtu {

// CRC-16 of an RTU frame: start value 0xFFFF, reflected polynomial 0xA001. On the wire it follows
// the frame low byte first.
quint16 crc16(QByteArrayView bytes);

// Address, PDU and CRC.
QByteArray encode(quint8 address, const QByteArray& pdu);

// Splits a whole frame into address and PDU. False when it is too short to hold an address, a
// function code and a CRC, or when the CRC does not match.
bool decode(const QByteArray& frame, quint8* address, QByteArray* pdu);

// Length of the request that starts the given bytes, 0 while too few bytes are there to tell.
// Functions the unit does not know are taken as eight bytes long, the length of every
// fixed-size request, so that the unit can still answer them with an exception.
int requestLength(QByteArrayView start);

// Cuts requests out of a byte stream where the silence between frames cannot be relied on (a
// pseudo-terminal or a USB adapter delivers bytes in bursts of its own). A request's length
// follows from its function code; a candidate whose CRC does not match costs one byte, and the
// search starts again at the next one until the stream is back in step.
class RequestFramer {
public:
    QList<QByteArray> feed(QByteArrayView bytes);
    // Forgets a partial request, for example once the line has been silent for too long for it
    // ever to be completed.
    void reset() { buffer_.clear(); }
    int pending() const { return int(buffer_.size()); }
    // Bytes given up so far while getting back in step.
    qint64 discarded() const { return discarded_; }

private:
    QByteArray buffer_;
    qint64 discarded_ = 0;
};

} // namespace qtx52::sim::rtu
