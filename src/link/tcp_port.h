#pragma once

#include "link/commport.h"

#include <memory>

class QTcpSocket;

namespace qtx52::link {

// A line over TCP: a serial device server that passes the bytes of one RS485 line to and from a
// TCP port. The settings text is kept (the window's baud rate still paces the link and is the
// server's line speed) but does not reach the server. Opening waits a bounded time for the
// connection; a connection that drops while open is a lost device.
class TcpCommPort final : public CommPort {
public:
    static constexpr int kDefaultConnectTimeoutMs = 3000;

    explicit TcpCommPort(QString address = {});
    ~TcpCommPort() override;

    // "tcp://HOST:PORT".
    void setAddress(const QString& address) { address_ = address; }
    const QString& address() const { return address_; }
    void setConnectTimeoutMs(int ms) { connectTimeoutMs_ = ms; }

    // Splits "tcp://HOST:PORT" (HOST may be a name, an IPv4 address or [IPv6]); false for
    // anything else.
    static bool parseAddress(const QString& text, QString* host, quint16* port);
    static bool isTcpAddress(const QString& text) {
        return text.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive);
    }

    int commPort() const override { return number_; }
    CommError setCommPort(int number) override;
    QString settings() const override { return settingsText_; }
    CommError setSettings(const QString& settings) override;
    InputMode inputMode() const override { return inputMode_; }
    void setInputMode(InputMode mode) override { inputMode_ = mode; }
    bool portOpen() const override { return open_; }
    CommError setPortOpen(bool open) override;
    CommError output(const QByteArray& frame) override;
    int inBufferCount() override;
    QByteArray input() override;
    QString describePort(int) const override { return address_; }

private:
    void connectionLost(const QString& why);

    QString address_;
    std::unique_ptr<QTcpSocket> socket_;
    int number_ = 1;
    int connectTimeoutMs_ = kDefaultConnectTimeoutMs;
    QString settingsText_ = QStringLiteral("9600,N,8,1");
    InputMode inputMode_ = InputMode::Text;
    bool open_ = false;
};

} // namespace qtx52::link
