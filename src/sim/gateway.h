#pragma once

// A Modbus TCP gateway in front of an RS485 line with several simulated stations, for the suite
// and for a technician's own trials. It reads MBAP frames from one client's byte stream, passes
// each request to the line as an RTU frame (one at a time, as a gateway without a queue), and
// answers with the station's reply, or itself: exception 0x0B when no station answers within its
// own timeout, 0x06 when it is busy. Its MBAP code is its own, written apart from the program's.

#include "forms/clock.h"
#include "link/commport.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace qtx52::sim {

class Station;

// The stations of one line, each with its own register image. With vary, no two are alike:
// response time, firmware version, location number and base setpoint differ by address.
std::vector<std::unique_ptr<Station>> makeStations(forms::Clock& clock, const QList<int>& addresses,
                                                   bool vary);
// "1-40", "3,17,40" or "1-3,9": addresses 1..63 in the order given, each once; empty when the
// text is not such a list.
QList<int> parseStationList(const QString& text);

struct GatewayOptions {
    int delayMs = 5;      // the gateway's own time for each request, each way
    int timeoutMs = 1000; // how long it waits for a station before it answers 0x0B
    bool echoId = true;   // false: every reply carries transaction id 0
    int busyReplies = 0;  // the next this many requests are answered 0x06 (queue full)
    int dropAfter = -1;   // closes the connection after this many requests taken; -1 never
    link::LineSettings line{9600, 'E', 8, 1};
};

class Gateway {
public:
    Gateway(forms::Clock& clock, std::vector<Station*> stations, GatewayOptions options);
    ~Gateway();

    // Bytes from the client. Whole frames are served; a frame that breaks the MBAP rules ends
    // the connection, as a gateway does.
    void receive(const QByteArray& bytes);

    // Where replies go, and what closes the connection.
    std::function<void(const QByteArray&)> send;
    std::function<void()> close;
    std::function<void(const QString&)> log;

    // How many requests it has answered itself with 0x0B, and with 0x06.
    int noAnswers() const { return noAnswers_; }
    int busyAnswers() const { return busyAnswers_; }
    // The time it took over all requests, from each request's arrival to its answer.
    qint64 serviceMs() const { return serviceMs_; }

private:
    struct Request {
        quint16 id;
        quint8 unit;
        QByteArray pdu;
    };
    void serve(const Request& r);
    void answer(const Request& r, const QByteArray& pdu, qint64 afterMs);
    void finish();
    void note(const QString& line);

    forms::Clock& clock_;
    std::vector<Station*> stations_;
    GatewayOptions options_;
    QByteArray in_;
    bool serving_ = false;
    int taken_ = 0;
    int noAnswers_ = 0;
    int busyAnswers_ = 0;
    qint64 serviceMs_ = 0;
    std::unique_ptr<forms::ClockTimer> timer_;
    QByteArray pending_; // the reply due when the timer ticks
};

// The gateway on the in-process clock, as the program's TCP stream to it: what the program
// writes reaches the gateway, its replies wait to be read. A connection the gateway closes is a
// lost line.
class GatewayStreamPort final : public link::CommPort {
public:
    GatewayStreamPort(forms::Clock& clock, std::vector<Station*> stations, GatewayOptions options);
    ~GatewayStreamPort() override;

    Gateway& gateway() { return *gateway_; }

    int commPort() const override { return number_; }
    link::CommError setCommPort(int number) override;
    QString settings() const override { return settings_; }
    link::CommError setSettings(const QString& settings) override;
    link::InputMode inputMode() const override { return mode_; }
    void setInputMode(link::InputMode mode) override { mode_ = mode; }
    bool portOpen() const override { return open_; }
    link::CommError setPortOpen(bool open) override;
    link::CommError output(const QByteArray& frame) override;
    int inBufferCount() override { return int(rx_.size()); }
    QByteArray input() override;

private:
    void makeGateway();
    void lose();

    forms::Clock& clock_;
    std::vector<Station*> stations_;
    GatewayOptions options_;
    std::unique_ptr<Gateway> gateway_;
    int number_ = 1;
    QString settings_ = QStringLiteral("9600,E,8,1");
    link::InputMode mode_ = link::InputMode::Binary;
    bool open_ = false;
    QByteArray rx_;
    // The gateway's close reaches the program from the event loop, as a socket's would.
    std::unique_ptr<forms::ClockTimer> closing_;
};

} // namespace qtx52::sim
