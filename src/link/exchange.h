#pragma once

// One exchange with the unit as the link sees it: the request in flight, read back from its hex
// text and what a reply must look like to answer it. Pure functions.

#include <QByteArray>
#include <QString>

#include <optional>

namespace qtx52::link {

// Modbus function codes the program uses.
inline constexpr quint8 kReadCoils = 0x01;
inline constexpr quint8 kReadHoldingRegisters = 0x03;
inline constexpr quint8 kWriteMultipleCoils = 0x0F;
inline constexpr quint8 kWriteMultipleRegisters = 0x10;

// Longest reply frame the RTU assembly holds (the receive buffer), and the longest Modbus ASCII
// line, from ":" to the closing line feed.
inline constexpr int kRtuFrameMax = 51;
inline constexpr int kAsciiLineMax = 513;

// The request in flight: station, function, first coil or register and quantity.
struct PendingRequest {
    quint8 station = 0;
    quint8 function = 0;
    quint16 start = 0;
    quint16 quantity = 0;

    bool operator==(const PendingRequest&) const = default;
};

// Reads the request back from its hex text. Nothing for a text that is not a request of one of the
// four functions with station, function, start and quantity in upper-case hex.
std::optional<PendingRequest> pendingRequest(const QString& requestHex);

// Data bytes of the normal reply to a read: two per register, one per eight coils. 0 for writes.
int replyByteCount(const PendingRequest& request);

// Length in bytes of the normal reply, checksum excluded: station, function, byte count and data
// for reads; station, function, start and quantity for writes.
int replyLength(const PendingRequest& request);

// Whether a reply frame (checksum removed) is the normal reply to the request: same station and
// function (so no exception reply), the byte count the request asks for, and for writes the echo
// of start and quantity.
bool answersRequest(const QByteArray& frame, const PendingRequest& request);

// Whether the last two bytes are the CRC-16 of the bytes before them, low byte first.
bool crcMatches(const QByteArray& frameWithCrc);
// Whether the last byte is the LRC of the bytes before it.
bool lrcMatches(const QByteArray& frameWithLrc);

} // namespace qtx52::link
