#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// ASCII framing as the room unit does it: ':' , the address, PDU and LRC as upper-case hex digit
// pairs, then CR LF. Written apart from the program's own codec (see rtuframing.h).
namespace qtx52::sim::ascii {

// Longitudinal redundancy check: the two's complement of the byte sum, over the binary address
// and PDU (not over the hex characters).
quint8 lrc(QByteArrayView bytes);

QByteArray encode(quint8 address, const QByteArray& pdu);

// Splits a whole frame into address and PDU. False unless the frame is ':' + an even number of
// upper-case hex digits (at least address, function code and LRC) + CR LF with a matching LRC.
// The unit takes upper-case digits only, so a master that sends lower case is not understood.
bool decode(const QByteArray& frame, quint8* address, QByteArray* pdu);

// Cuts frames out of a character stream: everything from ':' up to and including LF. A ':' in
// the middle starts the frame afresh (the master gave up and began again); characters before
// the first ':' are line noise and are dropped.
class LineFramer {
public:
    QList<QByteArray> feed(QByteArrayView bytes);
    void reset() { buffer_.clear(); }
    int pending() const { return int(buffer_.size()); }

private:
    QByteArray buffer_;
};

} // namespace qtx52::sim::ascii
