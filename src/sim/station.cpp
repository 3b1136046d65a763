#include "sim/station.h"

#include "sim/asciiframing.h"
#include "sim/modbusserver.h"
#include "sim/rtuframing.h"

#include <algorithm>

namespace qtx52::sim {

Station::Station(forms::Clock& clock) : unit_(clock) {}

bool Station::setAddress(int address) {
    if (address < 1 || address > 63)
        return false;
    address_ = quint8(address);
    return true;
}

bool Station::understands(const link::LineSettings& master) const {
    return master.baud == line_.baud && master.parity == line_.parity &&
           master.dataBits == line_.dataBits;
}

qint64 Station::responseTimeMs() {
    return std::max<qint64>(0, qint16(unit_.reg(reg::MinResponseTime)));
}

std::optional<Station::Reply> Station::answer(const QByteArray& frame, QString* why) {
    auto none = [why](const char* reason) -> std::optional<Reply> {
        if (why)
            *why = QString::fromLatin1(reason);
        return std::nullopt;
    };
    quint8 to = 0;
    QByteArray pdu;
    const bool ok =
        framing_ == Framing::Rtu ? rtu::decode(frame, &to, &pdu) : ascii::decode(frame, &to, &pdu);
    if (!ok)
        return none("not a valid frame");
    if (to != 0 && to != address_)
        return none("for another station");
    ++served_;
    if (to == 0) {
        // A broadcast: writes are carried out, nobody answers.
        serveRequest(unit_, pdu);
        return none("broadcast");
    }
    const FaultPlan::Decision fault = faults_.next(frame);
    if (fault.drop)
        return none("reply withheld");

    const std::optional<quint8> code = fault.exception ? fault.exception : faults_.refusal(pdu);
    const QByteArray replyPdu =
        code ? exceptionPdu(quint8(pdu[0]), *code) : serveRequest(unit_, pdu);
    const quint8 from = fault.fromStation.value_or(address_);
    QByteArray bytes =
        framing_ == Framing::Rtu ? rtu::encode(from, replyPdu) : ascii::encode(from, replyPdu);
    if (fault.badChecksum) {
        // The last checksum byte (RTU) or the LRC's low hex digit (ASCII) comes out wrong.
        const qsizetype at = framing_ == Framing::Rtu ? bytes.size() - 1 : bytes.size() - 3;
        if (framing_ == Framing::Rtu)
            bytes[at] = char(quint8(bytes[at]) ^ 0xFF);
        else
            bytes[at] = bytes[at] == '0' ? '1' : '0';
    }
    Reply reply;
    reply.bytes = fault.garbage + bytes;
    if (fault.truncateTo >= 0)
        reply.bytes.truncate(fault.truncateTo);
    reply.splits = fault.splits;
    reply.delayMs = responseTimeMs() + std::max<qint64>(0, fault.extraDelayMs);
    return reply;
}

} // namespace qtx52::sim
