#pragma once

#include "link/commport.h"

#include <memory>

class QTcpSocket;
class QTimer;

namespace qtx52::link {

// A line over TCP: a serial device server that passes the bytes of one RS485 line to and from a
// TCP port, or the byte stream to a Modbus TCP gateway (mbap://, which MbapPort frames). The
// settings text is kept (the window's baud rate still paces the link and is the line speed behind
// the server) but does not reach the server. Opening runs in the event loop and ends within the
// connect bound, the host lookup included; a connection that drops while open is a lost device.
class TcpCommPort final : public CommPort {
public:
    static constexpr int kDefaultConnectTimeoutMs = 3000;

    explicit TcpCommPort(QString address = {});
    ~TcpCommPort() override;

    // "tcp://HOST:PORT" or "mbap://HOST[:PORT]".
    void setAddress(const QString& address) { address_ = address; }
    const QString& address() const { return address_; }
    void setConnectTimeoutMs(int ms) { connectTimeoutMs_ = ms; }

    // Splits "tcp://HOST:PORT" or "mbap://HOST[:PORT]" (port 502 when left out); HOST may be a
    // name, an IPv4 address or [IPv6]. False for anything else.
    static bool parseAddress(const QString& text, QString* host, quint16* port);
    // Either kind of line over TCP.
    static bool isTcpAddress(const QString& text) {
        return text.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive) || isMbapAddress(text);
    }
    // A line through a Modbus TCP gateway.
    static bool isMbapAddress(const QString& text) {
        return text.startsWith(QLatin1String("mbap://"), Qt::CaseInsensitive);
    }

    int commPort() const override { return number_; }
    CommError setCommPort(int number) override;
    QString settings() const override { return settingsText_; }
    CommError setSettings(const QString& settings) override;
    InputMode inputMode() const override { return inputMode_; }
    void setInputMode(InputMode mode) override { inputMode_ = mode; }
    bool portOpen() const override { return open_; }
    // Opening waits in a local event loop for startOpen's outcome (for the windowless commands).
    CommError setPortOpen(bool open) override;
    void startOpen(OpenDone done) override;
    CommError output(const QByteArray& frame) override;
    int inBufferCount() override;
    QByteArray input() override;
    QString describePort(int) const override { return address_; }

private:
    void connectionLost(const QString& why);
    void finishOpen(const QString& failure);

    QString address_;
    std::unique_ptr<QTcpSocket> socket_;
    std::unique_ptr<QTimer> bound_;
    OpenDone pending_; // the open under way, until it ends
    QString host_;
    quint16 tcpPort_ = 0;
    int number_ = 1;
    int connectTimeoutMs_ = kDefaultConnectTimeoutMs;
    QString settingsText_ = QStringLiteral("9600,N,8,1");
    InputMode inputMode_ = InputMode::Text;
    bool open_ = false;
};

} // namespace qtx52::link
