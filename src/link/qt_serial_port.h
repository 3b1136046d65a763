#pragma once

#include "link/commport.h"
#include "link/port_map.h"

#include <QSet>

#include <functional>
#include <memory>

class QSerialPort;

namespace qtx52::link {

class LinkObserver;
class MbapPort;
class TcpCommPort;

// The serial port on a real device, through QSerialPort, or, when the port number is mapped to
// "tcp://HOST:PORT", a line over TCP, or to "mbap://HOST[:PORT]", a Modbus TCP gateway. Received
// bytes are taken in by the event loop; the program polls them with its receive timer.
class QtSerialCommPort final : public CommPort {
public:
    // map: the port mapping as built at start; rediscover, when given, lists the machine's
    // serial devices again (at every open and when the technician looks at the port list).
    explicit QtSerialCommPort(PortMap map, std::function<PortMap()> rebuild = {});
    ~QtSerialCommPort() override;

    int commPort() const override { return number_; }
    CommError setCommPort(int number) override;
    QString settings() const override { return settingsText_; }
    CommError setSettings(const QString& settings) override;
    InputMode inputMode() const override { return inputMode_; }
    void setInputMode(InputMode mode) override { inputMode_ = mode; }
    bool portOpen() const override;
    CommError setPortOpen(bool open) override;
    void startOpen(OpenDone done) override;
    CommError output(const QByteArray& frame) override;
    int inBufferCount() override;
    QByteArray input() override;
    int sentTransactionId() const override;
    int receivedTransactionId() const override;
    bool throughGateway(int number) const override;
    int gatewayTimeoutMs(int number) const override;
    // The gateway timeout of numbers whose store gives none (--gateway-timeout).
    void setGatewayTimeoutMs(int ms) { gatewayTimeoutMs_ = ms; }
    void setLinkObserver(LinkObserver* observer) override;

    QString describePort(int number) const override;
    void rescanDevices() override;
    // The device behind the current port number (empty when none).
    QString device() const { return map_.deviceFor(number_); }
    const PortMap& portMap() const { return map_; }

    // The device a path means: symbolic links (a /dev/serial/by-id name, a pty's link) followed
    // to the device itself. The path as given when it does not exist.
    static QString resolveDevice(const QString& path);
    // Pseudo-terminals (a socat pair, a terminal emulator) pass bytes whatever the settings, and
    // refuse 7 data bits or parity; real adapters must not be opened with other settings than
    // asked. Told by the device (Unix98 pty slave major numbers, or below /dev/pts), never by
    // the error.
    static bool isPseudoTerminal(const QString& path);
    // The /dev/serial/by-id name whose link leads to the device, or the empty text.
    static QString byIdNameOf(const QString& device, const QString& byIdFolder);

    // Where the by-id links are looked for (tests point it elsewhere).
    void setByIdFolder(const QString& folder) { byIdFolder_ = folder; }

private:
    bool applySettings();
    CommError openSerial(const QString& dev);
    // The line over TCP for a device address, made ready to open.
    CommPort& networkLine(const QString& dev);
    void onSerialError(int error);
    void serialLost();

    PortMap map_;
    std::function<PortMap()> rebuild_;
    std::unique_ptr<QSerialPort> port_;
    std::unique_ptr<TcpCommPort> tcp_;        // tcp:// lines
    std::unique_ptr<TcpCommPort> gatewayTcp_; // mbap:// lines, under mbap_
    std::unique_ptr<MbapPort> mbap_;
    CommPort* net_ = nullptr; // tcp_ or mbap_ while a line over TCP is open or opening
    LinkObserver* gatewayObserver_ = nullptr;
    int gatewayTimeoutMs_ = 1000;
    QString openDevice_; // the resolved device while the serial port is open
    bool lossPending_ = false;
    int number_ = 1;
    QString settingsText_ = QStringLiteral("9600,N,8,1");
    LineSettings line_;
    InputMode inputMode_ = InputMode::Text;
    QString byIdFolder_ = QStringLiteral("/dev/serial/by-id");
};

} // namespace qtx52::link
