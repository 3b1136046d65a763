#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace qtx52::link {

// How a port to the built-in simulated unit describes itself; the windows say it in their words.
inline const QString kSimulatedUnitPort = QStringLiteral("simulated unit");

class LinkObserver;

// What went wrong, so the program can tell the technician in the interface's language.
enum class CommCause {
    Other,            // reason says it
    NoDevice,         // nothing behind the port number or path
    PermissionDenied, // the device's group (in group) may use it, this user may not
    InUse,            // another program, or this one under another name, has it open
    SettingsRefused,  // the device refuses baud rate, parity or data bits
    ConnectFailed,    // a line over TCP: no connection to host:port
    Lost,             // the device went away while open
};

// With CommCause::ConnectFailed: what the network said, so the message can say it in the
// interface's language.
enum class ConnectFault {
    Other,        // detail says it
    HostNotFound, // the name does not resolve
    Refused,      // the host answered that nobody listens on the port
    NoAnswer,     // nothing within the connect bound (a host that does not answer or a lookup that
                  // hangs)
};

// An error of the serial port: a positive number that identifies it and a reason a technician can
// read. A default-constructed CommError (number 0) means success.
struct CommError {
    CommError() = default;
    CommError(int n, QString why, CommCause c = CommCause::Other, QString dev = {},
              QString systemWords = {})
        : number(n), reason(std::move(why)), cause(c), device(std::move(dev)),
          detail(std::move(systemWords)) {}

    int number = 0;
    QString reason;
    CommCause cause = CommCause::Other;
    QString device; // the device path or tcp://host:port the error concerns
    QString detail; // the system's own words, when it gave any
    QString group;  // with PermissionDenied: the group that owns the device
    ConnectFault fault = ConnectFault::Other; // with ConnectFailed
    int boundMs = 0;                          // with ConnectFault::NoAnswer: the bound waited

    explicit operator bool() const { return number != 0; }
};

// Error numbers of the serial port, kept in the range the program has always shown.
namespace commerr {
inline constexpr int InvalidPortNumber = 8002;   // no device behind the port number
inline constexpr int PortAlreadyOpen = 8005;     // in use by another program
inline constexpr int HardwareUnavailable = 8010; // permission denied or the device failed
inline constexpr int PortNotOpen = 8012;         // write or read on a closed port
inline constexpr int SettingsRejected = 8015;    // baud rate, parity or framing refused
inline constexpr int WriteFailed = 8020;         // the device went away while open
} // namespace commerr

// Input modes of the port: how Input() hands the received data over.
enum class InputMode { Text = 0, Binary = 1 };

// What the program asks of its serial port: a numbered port with a settings text, opened and
// closed on demand, written a whole frame at a time and polled for received bytes. Nothing here
// blocks. CommPort, Settings and InputMode are set while the port is closed.
class CommPort {
public:
    virtual ~CommPort() = default;

    virtual int commPort() const = 0;
    virtual CommError setCommPort(int number) = 0;

    // Settings text "baud,parity,data,stop", for example "9600,E,8,1".
    virtual QString settings() const = 0;
    virtual CommError setSettings(const QString& settings) = 0;

    virtual InputMode inputMode() const = 0;
    virtual void setInputMode(InputMode mode) = 0;

    virtual bool portOpen() const = 0;
    virtual CommError setPortOpen(bool open) = 0;

    // Opens without holding up the event loop: done runs once with the outcome (a default
    // CommError when the port is open). Ports that open at once have called it when this returns;
    // a line over the network calls it from the event loop, within its connect bound. Closing the
    // port before then ends the attempt: done is told it failed.
    using OpenDone = std::function<void(const CommError& error)>;
    virtual void startOpen(OpenDone done) { done(setPortOpen(true)); }

    // Hands a whole frame to the port; returns at once.
    virtual CommError output(const QByteArray& frame) = 0;
    // Number of received bytes waiting.
    virtual int inBufferCount() = 0;
    // Takes and returns every waiting byte, in arrival order.
    virtual QByteArray input() = 0;

    // What a port number reaches on this machine, for the technician to see beside the port
    // selector (a device path, or the empty text when the number reaches nothing).
    virtual QString describePort(int number) const {
        Q_UNUSED(number);
        return {};
    }
    // Reads the machine's devices again, so an adapter plugged in since shows up.
    virtual void rescanDevices() {}

    // Through a Modbus TCP gateway: the transaction id the last frame written went out with, and
    // the one the last reply handed over came with; -1 on any other line.
    virtual int sentTransactionId() const { return -1; }
    virtual int receivedTransactionId() const { return -1; }
    // Whether the line ends in a Modbus TCP gateway (the port number's line is an mbap:// one):
    // RTU frames only, and the line settings are the gateway's own.
    virtual bool throughGateway(int number) const {
        Q_UNUSED(number);
        return false;
    }
    // Whether the line of a port number is a serial device server's (tcp://): the server runs the
    // line at the baud rate and parity set on it, whatever the settings text says.
    virtual bool deviceServer(int number) const {
        Q_UNUSED(number);
        return false;
    }
    // How long the gateway behind a port number waits for its unit before it answers 0x0B
    // itself; 0 when the number's line has no gateway.
    virtual int gatewayTimeoutMs(int number) const {
        Q_UNUSED(number);
        return 0;
    }
    // Where a port that drops received frames itself (a gateway's stale reply) reports them;
    // nullptr for nowhere.
    virtual void setLinkObserver(LinkObserver* observer) { Q_UNUSED(observer); }

    // Told once when the device goes away while the port is open (adapter pulled, line hung up,
    // read or write error, connection dropped). The port has closed itself when this runs, so
    // nothing keeps polling a dead device; the error names the device and the reason.
    using LostHandler = std::function<void(const CommError& why)>;
    void setLostHandler(LostHandler handler) { lostHandler_ = std::move(handler); }

    // Told each time received bytes are waiting, as they arrive, for a user that takes a reply as
    // soon as it is in rather than at its next poll. A port that cannot tell never calls it; the
    // user's polling still finds the bytes.
    using ArrivalHandler = std::function<void()>;
    void setArrivalHandler(ArrivalHandler handler) { arrivalHandler_ = std::move(handler); }

protected:
    void reportLost(const CommError& why) {
        if (lostHandler_)
            lostHandler_(why);
    }
    void reportArrival() {
        if (arrivalHandler_)
            arrivalHandler_();
    }

private:
    LostHandler lostHandler_;
    ArrivalHandler arrivalHandler_;
};

// Parsed form of a settings text.
struct LineSettings {
    qint32 baud = 9600;
    char parity = 'E'; // 'N', 'E' or 'O'
    int dataBits = 8;
    int stopBits = 1;

    // Bits on the wire per character: start bit, data bits, parity bit if any, stop bits.
    int bitsPerCharacter() const { return 1 + dataBits + (parity == 'N' ? 0 : 1) + stopBits; }
    QString toText() const;
    // Parses "9600,E,8,1"; returns false (and leaves *out alone) for anything else.
    static bool parse(const QString& text, LineSettings* out);
};

// How long `characters` characters take on the line at these settings, in milliseconds: the one
// wire time of a frame that the link's timing, the unit finder and the benchmarks share (the
// simulated unit keeps its own, so each checks the other).
double lineTimeMs(const LineSettings& line, qint64 characters);

// A parity in the words of the parity selector, the parameter file and the command line: "None",
// "Even" or "Odd" for 'N', 'E' and 'O'; anything else is the line's default, even parity.
QString parityName(char parity);

} // namespace qtx52::link
