#pragma once

#include "forms/clock.h"
#include "link/commport.h"
#include "sim/asciiframing.h"
#include "sim/rtuframing.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QIODevice;
class QSerialPort;

namespace qtx52::sim {

class Station;

// Opens a serial device (one end of a pseudo-terminal pair, or a real adapter) with the station's
// line settings. A pseudo-terminal may refuse parity or seven data bits; bytes pass all the same,
// so such refusals come back as warnings and the device stays open. False (with *error) only when
// the device cannot be opened or refuses the baud rate.
bool openSerialDevice(QSerialPort& port, const QString& path, const link::LineSettings& settings,
                      QStringList* warnings, QString* error);

// Runs a station, or several stations on one line, on a byte stream: cuts requests out of what
// arrives, answers each one by the station it addresses after that station's response time and
// writes the reply (in pieces when a fault splits it). The stations share the framing and line
// settings of the first. Every request and every reply, and every request left unanswered, is
// reported to the logger as one line.
class DeviceRunner : public QObject {
    Q_OBJECT
public:
    DeviceRunner(forms::Clock& clock, Station& station, QIODevice& device,
                 QObject* parent = nullptr);
    DeviceRunner(forms::Clock& clock, std::vector<Station*> stations, QIODevice& device,
                 QObject* parent = nullptr);
    ~DeviceRunner() override;

    void setLogger(std::function<void(const QString&)> logger) { logger_ = std::move(logger); }
    // Writes every byte received straight back, before any reply, as an RS485 adapter that hears
    // its own transmission does.
    void setEcho(bool on) { echo_ = on; }
    // Renders a frame for the log: hex bytes for RTU, the text without CR LF for ASCII.
    static QString describe(const QByteArray& frame, bool ascii);

private:
    struct Piece {
        qint64 dueMs;
        QByteArray bytes;
        QByteArray wholeReply; // set on the last piece of a reply, for the log
    };

    void readAvailable();
    void handle(const QByteArray& frame);
    void sendDue();
    void armSend();
    void log(const QString& line);
    bool ascii() const;

    forms::Clock* clock_;
    Station* station_;
    std::vector<Station*> stations_;
    QIODevice* device_;
    rtu::RequestFramer rtuFramer_;
    ascii::LineFramer asciiFramer_;
    std::unique_ptr<forms::ClockTimer> silence_;
    std::unique_ptr<forms::ClockTimer> sendTimer_;
    QList<Piece> queue_;
    std::function<void(const QString&)> logger_;
    bool echo_ = false;
};

} // namespace qtx52::sim
