#pragma once

// The unit finder: looks for room units on the line by station address and line settings, with
// nothing but reads. Each probe is the read of holding register 6 that "Gerät auslesen" sends; a
// unit that answers is read once more for its device coding, firmware and response time
// (registers 0, 1 and 6). It speaks through the serial port interface and the link's framing and
// checksums, on the program's clock; it knows nothing of the windows.

#include "link/commport.h"
#include "link/link_events.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace qtx52::forms {
class Clock;
class ClockTimer;
} // namespace qtx52::forms

namespace qtx52::bus {

// One way the line can be run: framing, baud rate and parity (ASCII with 7 data bits, RTU with 8,
// always 1 stop bit, as the program opens its port).
struct LineChoice {
    bool ascii = false;
    qint32 baud = 9600;
    char parity = 'E';

    bool operator==(const LineChoice&) const = default;
    QString modeText() const { return ascii ? QStringLiteral("ASCII") : QStringLiteral("RTU"); }
    // The port's settings text, for example "9600,E,8,1".
    QString settingsText() const;
    link::LineSettings lineSettings() const;
    // "RTU 9600 E".
    QString describe() const;
};

// What may be probed. An empty list means every value.
struct LineNarrowing {
    QList<bool> ascii;
    QList<qint32> bauds;
    QList<char> parities;
};

// The line settings in the order they are probed: the current ones first (when they pass the
// narrowing), then 9600 baud even parity RTU, then the rest, RTU before ASCII, slower before
// faster, even before none before odd. Each at most once.
QList<LineChoice> probeOrder(const std::optional<LineChoice>& current,
                             const LineNarrowing& narrowing = {});

// Time a probe at this setting takes when nobody answers: the request and the reply on the wire
// plus the probe timeout, rounded up to whole milliseconds.
qint64 probeTimeMs(const LineChoice& line, qint64 probeTimeoutMs);

struct FoundUnit {
    int station = 0;
    LineChoice line;
    int coding = -1;       // register 0, -1 when the second read went unanswered
    int firmware = -1;     // register 1
    int responseTime = -1; // register 6, Min-Response-Time in ms

    bool operator==(const FoundUnit&) const = default;
    // station=37 mode=ASCII baud=19200 parity=E coding=82 firmware=261 response-time=10
    QString scanLine() const;
};

struct FinderOptions {
    QList<LineChoice> lines; // in probe order; see probeOrder
    int firstStation = 1;
    int lastStation = 63;
    // Probed first at the first line setting (the station now chosen); 0 for none.
    int preferredStation = 0;
    qint64 probeTimeoutMs = 150;
    bool findAll = false;
    // Behind a Modbus TCP gateway (set by the finder from its port): the line settings are the
    // gateway's, so only the stations are probed at the first line setting, in RTU; a unit counts
    // only with its identity read back; the gateway's own "no answer" ends a probe at once, and a
    // probe waits the gateway's timeout besides its own.
    bool gateway = false;
    // A serial device server (set by the finder from its port): the server sets the line's baud
    // rate and parity itself, so the finder keeps its one connection through every setting and
    // probes one setting per framing.
    bool deviceServer = false;
    // Fast reads: a reply is taken as soon as its bytes arrive rather than at the finder's next
    // poll, so the identity read follows the probe's answer once the line has been silent.
    bool fast = false;
};

struct FinderProgress {
    int probesDone = 0;
    int probesTotal = 0;
    qint64 remainingMs = 0;
    LineChoice line;
    int station = 0;
};

class UnitFinder {
public:
    UnitFinder(forms::Clock& clock, link::CommPort& port);
    ~UnitFinder();
    UnitFinder(const UnitFinder&) = delete;
    UnitFinder& operator=(const UnitFinder&) = delete;

    enum class Refusal { None, PortOpen, NothingToProbe };
    // Starts the search. Refused while the port is open (the main window uses it) or when there
    // is nothing to probe; nothing is sent then.
    Refusal start(const FinderOptions& options);
    // Stops at once; the port the finder opened is closed again. finished() is called.
    void cancel();

    bool running() const { return running_; }
    bool cancelled() const { return cancelled_; }
    const QList<FoundUnit>& found() const { return found_; }
    const FinderProgress& progress() const { return progress_; }
    // The options of the search under way or last run, as the finder narrowed them to its port.
    const FinderOptions& options() const { return options_; }
    // Where the finder reports the frames it sends and the replies it takes (the scan's trace and
    // counters); nullptr for nowhere.
    void setLinkEvents(link::LinkEvents* events) { events_ = events; }
    // A port error that ended the search (the port could not be opened with a setting).
    const link::CommError& portError() const { return portError_; }

    std::function<void(const FinderProgress&)> onProgress;
    std::function<void(const FoundUnit&)> onFound;
    std::function<void()> onFinished;

private:
    enum class Stage { Probe, Details };
    void nextProbe();
    // Opens the port at the line's settings; the probes go on once it is open (at once for a
    // device, from the event loop for a line over the network), or the search ends.
    void openAt(const LineChoice& line);
    void probeStation();
    bool gatewayHadNoAnswer() const;
    void send(const QString& requestHex, int replyChars);
    void poll();
    void timedOut();
    void replied(const QByteArray& pdu);
    void reportFound();
    void finish();
    void closePort();
    void updateProgress();

    forms::Clock& clock_;
    link::CommPort& port_;
    std::unique_ptr<forms::ClockTimer> pollTimer_;
    std::unique_ptr<forms::ClockTimer> deadline_;
    std::unique_ptr<forms::ClockTimer> holdTimer_; // a read held back for the line's silence
    QString heldHex_;
    int heldReplyChars_ = 0;
    qint64 quietAtMs_ = 0; // no request before this: the silence after the last bytes received

    FinderOptions options_;
    QList<int> stations_; // of the setting being probed
    int lineIndex_ = -1;
    int stationIndex_ = -1;
    bool running_ = false;
    bool cancelled_ = false;
    bool opened_ = false;
    bool opening_ = false;    // an open is under way in the event loop
    quint64 openAttempt_ = 0; // which open an outcome belongs to
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    Stage stage_ = Stage::Probe;
    int detailTries_ = 0;
    int expectedStation_ = 0;
    quint16 expectedStart_ = 0, expectedCount_ = 0;
    QByteArray received_;
    FoundUnit candidate_;
    QList<FoundUnit> found_;
    FinderProgress progress_;
    link::CommError portError_;
    link::LinkEvents* events_ = nullptr;
    bool reportedOpen_ = false;
};

} // namespace qtx52::bus
