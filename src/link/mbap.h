#pragma once

// The Modbus TCP application header (MBAP) of a gateway: transaction id, protocol id 0, the
// length of what follows, the unit id, then the PDU. The link speaks RTU frames; these turn one
// into the other, so framing, decoding and the traffic log above the port stay as they are.

#include <QByteArray>

#include <optional>

namespace qtx52::link::mbap {

inline constexpr int kHeaderSize = 7;        // id, protocol, length (2 bytes each), unit id
inline constexpr int kMaxPdu = 253;          // the longest PDU Modbus allows
inline constexpr quint16 kDefaultPort = 502; // where gateways listen unless told otherwise

// Exception codes only a gateway sends: no path to the line, or the unit behind it did not
// answer within the gateway's own timeout.
inline constexpr quint8 kPathUnavailable = 0x0A;
inline constexpr quint8 kTargetNoResponse = 0x0B;
inline bool isGatewayCode(quint8 code) {
    return code == kPathUnavailable || code == kTargetNoResponse;
}

struct Adu {
    quint16 transactionId = 0;
    quint8 unitId = 0;
    QByteArray pdu; // function code and data
};

// The MBAP frame for a PDU.
QByteArray encode(const Adu& adu);

// The RTU request frame (station, PDU, CRC) as an ADU with the given id; nothing when the frame
// is too short or its CRC is wrong.
std::optional<Adu> fromRtu(const QByteArray& rtuFrame, quint16 transactionId);
// The RTU frame of an ADU: unit id as the station, PDU, CRC low byte first.
QByteArray toRtu(const Adu& adu);

// Cuts whole frames off the front of a received stream. Returns one frame and removes it from
// *stream; nothing while the frame at the front is incomplete. A header that cannot begin a
// frame (protocol id other than 0, a length that no PDU has) makes *corrupt true: the stream has
// lost its framing and nothing in it can be trusted.
std::optional<Adu> takeFrame(QByteArray* stream, bool* corrupt);

} // namespace qtx52::link::mbap
