#pragma once

#include <QByteArray>

namespace qtx52::sim {

class RoomUnit;

namespace modbus {
inline constexpr quint8 ReadCoils = 0x01;
inline constexpr quint8 ReadHoldingRegisters = 0x03;
inline constexpr quint8 WriteMultipleCoils = 0x0F;
inline constexpr quint8 WriteMultipleRegisters = 0x10;

inline constexpr quint8 IllegalFunction = 0x01;
inline constexpr quint8 IllegalDataAddress = 0x02;
inline constexpr quint8 IllegalDataValue = 0x03;

// Quantity limits of one request, from the Modbus application protocol.
inline constexpr int MaxReadCoils = 2000;
inline constexpr int MaxReadRegisters = 125;
inline constexpr int MaxWriteCoils = 1968;
inline constexpr int MaxWriteRegisters = 123;
} // namespace modbus

// The exception reply to a request with the given function code.
QByteArray exceptionPdu(quint8 function, quint8 code);

// Carries out one request PDU on the unit and returns the reply PDU, the way the unit checks a
// request: function code first (exception 01), then the quantity, byte count and request length
// (03), then the address range and write access (02), then the values (03). A request that fails
// a check changes nothing.
QByteArray serveRequest(RoomUnit& unit, const QByteArray& pdu);

} // namespace qtx52::sim
