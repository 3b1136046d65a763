#pragma once

// Conversions between bytes and hex text. Every request and reply is held as upper-case hex
// text, two digits per byte, high nibble first.

#include <QString>

namespace qtx52::link {

// Two upper-case hex digits of a byte: 0 gives "00", 10 gives "0A".
QString ByteToHex(quint8 b);

// A byte from the first two characters of a text. Only '0'-'9' and 'A'-'F' are digits; lower-case
// letters are not. One character gives its digit value; with two, a non-digit second character
// counts as 0 and a non-digit first character is left out ("1G" gives 16, "a5" gives 5).
quint8 HexToByte(const QString& s);

} // namespace qtx52::link
