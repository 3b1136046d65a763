#pragma once

#include "forms/clock.h"
#include "link/commport.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <memory>

namespace qtx52::sim {

class Station;

// Instants on a line at a given baud rate, counted in 1/baud milliseconds. A bit lasts exactly
// 1000 of these units, so character times add up without rounding, and an event is due at the
// first whole millisecond of the clock at or after its exact instant.
struct LineTime {
    qint64 baud;

    qint64 fromMs(qint64 ms) const { return ms * baud; }
    qint64 characters(qint64 count, int bitsPerCharacter) const {
        return count * bitsPerCharacter * 1000;
    }
    qint64 dueMs(qint64 t) const { return (t + baud - 1) / baud; }
};

// Time a number of characters take on the line, in milliseconds (not rounded).
double wireTimeMs(const link::LineSettings& settings, qint64 characters);

// The silence that ends a frame on the line: 3.5 characters, at least 1.75 ms (fast rates), in
// LineTime units at the settings' baud rate.
qint64 silentInterval(const link::LineSettings& settings);

// The simulated RS485 line between one master and a station, on the program's clock. A frame the
// master sends reaches the station when its last character is on the line; the station's reply
// starts after its response time (counted from the request's last character) and its bytes are
// handed to the receiver as they arrive: all at once when the last byte is in, or in pieces where
// the station (a split fault) or the receiving side's chunk size cuts it, each piece when its own
// last byte is in.
class SimLine {
public:
    using Receiver = std::function<void(const QByteArray&)>;

    SimLine(forms::Clock& clock, Station& station);
    ~SimLine();
    SimLine(const SimLine&) = delete;
    SimLine& operator=(const SimLine&) = delete;

    void setReceiver(Receiver receiver) { receiver_ = std::move(receiver); }
    // Hands received bytes over in pieces of at most this many bytes, like a serial driver that
    // wakes its reader every few characters; 0 keeps whole replies (or the station's own pieces).
    void setChunkSize(int bytes) { chunkSize_ = bytes < 0 ? 0 : bytes; }
    int chunkSize() const { return chunkSize_; }

    // An adapter that hears its own transmission: every frame the master sends comes back to the
    // receiver as its last character is on the line, before any reply. The shaper, when given,
    // makes the echo from the frame (a faulty adapter that mangles or cuts it).
    using EchoShaper = std::function<QByteArray(const QByteArray&)>;
    void setEcho(bool on, EchoShaper shaper = {}) {
        echo_ = on;
        echoShaper_ = std::move(shaper);
    }
    bool echo() const { return echo_; }

    // The master sends a frame with its settings. Frames sent back to back queue up on the line.
    void transmit(const QByteArray& frame, const link::LineSettings& master);
    // Drops everything under way (the port was closed or is gone).
    void cancel();
    bool busy() const { return !events_.empty(); }

private:
    struct Event {
        qint64 dueMs;
        quint64 order;
        std::function<void()> action;
    };
    void schedule(qint64 dueMs, std::function<void()> action);
    void run();
    void arm();
    void deliver(const QByteArray& frame, const link::LineSettings& master, qint64 endOfRequest);

    forms::Clock* clock_;
    Station* station_;
    Receiver receiver_;
    int chunkSize_ = 0;
    bool echo_ = false;
    EchoShaper echoShaper_;
    std::unique_ptr<forms::ClockTimer> timer_;
    QList<Event> events_;
    quint64 order_ = 0;
    bool running_ = false;
    // When the master's last frame ends, in its LineTime units, and the baud rate they count in.
    qint64 masterFree_ = 0;
    qint64 masterBaud_ = 0;
    // The end of the station's last reply on the line and of the silence after it, in LineTime
    // units at replyBaud_: a request starting between them goes unheard.
    qint64 replyEnd_ = 0;
    qint64 replyQuietAt_ = 0;
    qint64 replyBaud_ = 0;
    // Whether the master has had the last byte of the latest reply (the replies_-th).
    bool replySeen_ = false;
    int replies_ = 0;
};

} // namespace qtx52::sim
