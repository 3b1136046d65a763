#pragma once

#include "link/commport.h"
#include "sim/faults.h"
#include "sim/roomunit.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace qtx52::sim {

enum class Framing { Rtu, Ascii };

// The room unit as a bus station: its memory, station address, framing and line settings, and
// the faults it is to show. It turns a request frame into the reply frame it puts on the line;
// when and how the bytes travel is up to the line it hangs on (SimLine in process, DeviceRunner on
// a real serial device).
class Station {
public:
    // A station leaves the factory as address 1, RTU, 9600 baud, even parity, 8 data bits.
    explicit Station(forms::Clock& clock);

    RoomUnit& unit() { return unit_; }
    FaultPlan& faults() { return faults_; }

    quint8 address() const { return address_; }
    // The unit takes addresses 1..63; returns false and keeps the old one otherwise.
    bool setAddress(int address);
    Framing framing() const { return framing_; }
    void setFraming(Framing framing) { framing_ = framing; }
    const link::LineSettings& lineSettings() const { return line_; }
    void setLineSettings(const link::LineSettings& settings) { line_ = settings; }

    // Whether a master with these settings gets through: baud rate, parity and data bits must
    // match; anything else reaches the unit as noise.
    bool understands(const link::LineSettings& master) const;
    // Time from the end of a request to the start of the reply: register 6, below 0 taken as 0.
    qint64 responseTimeMs();

    struct Reply {
        QByteArray bytes;   // everything that goes on the line, garbage included
        QList<int> splits;  // where the master is to see it in pieces
        qint64 delayMs = 0; // from the end of the request to the first byte
    };
    // The reply to one whole frame received with the station's own settings, or nothing (not
    // understood, bad checksum, another station, a broadcast, or a fault that swallows it). The
    // reason for no reply goes to *why when asked for.
    std::optional<Reply> answer(const QByteArray& frame, QString* why = nullptr);

    // How many requests the station has taken as its own, broadcasts included.
    int requestsServed() const { return served_; }

    // Requests that began before the line had been silent for its interval after this station's
    // own reply (3.5 characters, at least 1.75 ms): a real unit is not listening yet and never
    // hears them, and neither does this one. A master that follows replies too closely shows here.
    int requestsTooEarly() const { return tooEarly_; }
    void countTooEarly() { ++tooEarly_; }

private:
    RoomUnit unit_;
    FaultPlan faults_;
    quint8 address_ = 1;
    Framing framing_ = Framing::Rtu;
    link::LineSettings line_;
    int served_ = 0;
    int tooEarly_ = 0;
};

} // namespace qtx52::sim
