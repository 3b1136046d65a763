#pragma once

// What the window's settings make of an exchange: the pacing of the read and write timers and the
// word a register value is written as. Pure functions; the window's state is passed in.

#include <QString>

#include <optional>

namespace qtx52::transfer {

// The pacing interval of the read and write timers in milliseconds: the time of a 55-character
// exchange at the baud rate plus 15 response times, rounded half to even. A negative response
// time counts as 0. Nothing when the baud rate text holds no positive number.
std::optional<qint32> pacingIntervalMs(const QString& baudRate, qint16 minResponseTime);

// The four hex digits of a register value as written: the number (already scaled) rounded half
// to even and written as 16-bit two's complement. Nothing for a value outside -32768..65535 after
// rounding, which no register can take.
std::optional<QString> valueWord(double value);

} // namespace qtx52::transfer
