#pragma once

// What a frame on the line means, read from its bytes alone: station, function, addresses,
// values, whether its checksum is right, an exception in words. Used by the traffic log; it reads
// any bytes safely, however short or damaged.

#include "link/link_events.h"

#include <QByteArray>
#include <QString>

namespace qtx52::bus {

enum class Direction { Out, In };

struct FrameMeaning {
    bool ascii = false; // a Modbus ASCII line (":" ... CR LF) rather than RTU bytes
    bool checksumOk = false;
    bool whole = false; // long enough to carry station, function and checksum
    int station = -1;
    int function = -1;
    int exceptionCode = 0; // function | 0x80 with this code
    QString text;          // "read holding registers 0..9", "10 values: 1, 2, ...", ...
};

// Frames we send are requests; frames we receive are replies to them. The line's framing says
// how the bytes are to be read: an RTU frame may well begin with ':' (station 58). The text is
// English unless `german` asks for the German words (the bus monitor under the German interface).
FrameMeaning describeFrame(const QByteArray& bytes, Direction direction, link::Framing framing,
                           bool german = false);

// The exception code in words, English and German ("value refused" / "Wert abgelehnt").
QString exceptionWords(int code, bool german);

} // namespace qtx52::bus
