#pragma once

// Hex text of numbers and the two checksums of the Modbus serial line: the LRC of ASCII framing
// and the CRC-16 of RTU framing.

#include <QByteArray>
#include <QString>

namespace qtx52::link {

// Upper-case hex of vlLong without leading zeros (a negative number as its 32-bit two's
// complement), left-padded with "0" to 2 x vlBytes digits. A longer text is never cut.
QString LongToHexStr(qint32 vlLong, qint32 vlBytes);

// LRC of the frame content (station address through data, no ":" and no CR LF) as two hex digits:
// the two's complement of the byte sum. An odd last digit counts as a byte of its own.
QString CalculateLRC(const QString& sMessage);

// CRC-16 of RTU framing (initial 0xFFFF, reflected polynomial 0xA001) as four hex digits, high
// byte first; the frame carries the low byte first.
QString CalculateCRC(const QByteArray& bytes);

// One byte into the CRC register.
void UpdateCRC(quint16& crc, quint8 b);

// The 16-bit pattern shifted right by one with a zero entering at the top.
quint16 ShiftRightWord(quint16 v);

} // namespace qtx52::link
