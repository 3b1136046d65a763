#include "sim/modbusserver.h"

#include "sim/roomunit.h"

namespace qtx52::sim {

namespace {

int word(const QByteArray& pdu, int at) {
    return quint8(pdu[at]) << 8 | quint8(pdu[at + 1]);
}

void appendWord(QByteArray& out, int value) {
    out.append(char(value >> 8));
    out.append(char(value & 0xFF));
}

QByteArray readCoils(RoomUnit& unit, const QByteArray& pdu) {
    const quint8 fn = quint8(pdu[0]);
    if (pdu.size() != 5)
        return exceptionPdu(fn, modbus::IllegalDataValue);
    const int start = word(pdu, 1);
    const int count = word(pdu, 3);
    if (count < 1 || count > modbus::MaxReadCoils)
        return exceptionPdu(fn, modbus::IllegalDataValue);
    if (!RoomUnit::coilsExist(start, count))
        return exceptionPdu(fn, modbus::IllegalDataAddress);
    const QList<bool> coils = unit.readCoils(start, count);
    QByteArray data((count + 7) / 8, '\0');
    for (int i = 0; i < count; ++i)
        if (coils[i])
            data[i / 8] = char(quint8(data[i / 8]) | (1 << (i % 8)));
    QByteArray reply;
    reply.append(char(fn));
    reply.append(char(data.size()));
    reply.append(data);
    return reply;
}

QByteArray readRegisters(RoomUnit& unit, const QByteArray& pdu) {
    const quint8 fn = quint8(pdu[0]);
    if (pdu.size() != 5)
        return exceptionPdu(fn, modbus::IllegalDataValue);
    const int start = word(pdu, 1);
    const int count = word(pdu, 3);
    if (count < 1 || count > modbus::MaxReadRegisters)
        return exceptionPdu(fn, modbus::IllegalDataValue);
    if (!RoomUnit::registersExist(start, count))
        return exceptionPdu(fn, modbus::IllegalDataAddress);
    QByteArray reply;
    reply.append(char(fn));
    reply.append(char(2 * count));
    for (quint16 v : unit.readRegisters(start, count))
        appendWord(reply, v);
    return reply;
}

// Header of both write requests: start, quantity, byte count; data follows.
bool writeHeaderOk(const QByteArray& pdu, int maxCount, int bytesFor(int), int* start, int* count) {
    if (pdu.size() < 6)
        return false;
    *start = word(pdu, 1);
    *count = word(pdu, 3);
    const int byteCount = quint8(pdu[5]);
    return *count >= 1 && *count <= maxCount && byteCount == bytesFor(*count) &&
           pdu.size() == 6 + byteCount;
}

QByteArray writeReply(const QByteArray& pdu) {
    return pdu.left(5);
}

QByteArray writeCoils(RoomUnit& unit, const QByteArray& pdu) {
    const quint8 fn = quint8(pdu[0]);
    int start = 0;
    int count = 0;
    if (!writeHeaderOk(
            pdu, modbus::MaxWriteCoils, [](int n) { return (n + 7) / 8; }, &start, &count))
        return exceptionPdu(fn, modbus::IllegalDataValue);
    if (!RoomUnit::coilsWritable(start, count))
        return exceptionPdu(fn, modbus::IllegalDataAddress);
    QList<bool> values;
    for (int i = 0; i < count; ++i)
        values.append(quint8(pdu[6 + i / 8]) >> (i % 8) & 1);
    unit.writeCoils(start, values);
    return writeReply(pdu);
}

QByteArray writeRegisters(RoomUnit& unit, const QByteArray& pdu) {
    const quint8 fn = quint8(pdu[0]);
    int start = 0;
    int count = 0;
    if (!writeHeaderOk(
            pdu, modbus::MaxWriteRegisters, [](int n) { return 2 * n; }, &start, &count))
        return exceptionPdu(fn, modbus::IllegalDataValue);
    if (!RoomUnit::registersWritable(start, count))
        return exceptionPdu(fn, modbus::IllegalDataAddress);
    QList<quint16> values;
    for (int i = 0; i < count; ++i) {
        const quint16 v = quint16(word(pdu, 6 + 2 * i));
        if (!RoomUnit::acceptsValue(start + i, v))
            return exceptionPdu(fn, modbus::IllegalDataValue);
        values.append(v);
    }
    unit.writeRegisters(start, values);
    return writeReply(pdu);
}

} // namespace

QByteArray exceptionPdu(quint8 function, quint8 code) {
    QByteArray pdu;
    pdu.append(char(function | 0x80));
    pdu.append(char(code));
    return pdu;
}

QByteArray serveRequest(RoomUnit& unit, const QByteArray& pdu) {
    if (pdu.isEmpty())
        return {};
    switch (quint8(pdu[0])) {
    case modbus::ReadCoils:
        return readCoils(unit, pdu);
    case modbus::ReadHoldingRegisters:
        return readRegisters(unit, pdu);
    case modbus::WriteMultipleCoils:
        return writeCoils(unit, pdu);
    case modbus::WriteMultipleRegisters:
        return writeRegisters(unit, pdu);
    default:
        return exceptionPdu(quint8(pdu[0]), modbus::IllegalFunction);
    }
}

} // namespace qtx52::sim
