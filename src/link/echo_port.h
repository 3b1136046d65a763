#pragma once

// A serial port whose adapter echoes what is sent (many USB-RS485 adapters hear their own
// transmission). Wraps the real port: after each frame written, the bytes that come back first
// are the echo; they are checked against the frame and dropped, so the reply path sees only what
// the unit sent. The link's own logic stays as it is.

#include "link/commport.h"
#include "link/link_events.h"

#include <functional>

namespace qtx52::link {

class EchoPort final : public CommPort {
public:
    // echoFor tells for a port number whether its adapter echoes; it is asked each time the port
    // opens. Without it no port number echoes.
    explicit EchoPort(CommPort& inner, std::function<bool(int)> echoFor = {});

    // Where a wrong echo is reported (the program's link events), and the frames the port below
    // drops itself; nullptr for nowhere.
    void setObserver(LinkObserver* observer) {
        observer_ = observer;
        inner_.setLinkObserver(observer);
    }
    LinkObserver* observer() const { return observer_; }
    // Whether the open port strips an echo.
    bool echoing() const { return echoing_; }

    int commPort() const override { return inner_.commPort(); }
    CommError setCommPort(int number) override { return inner_.setCommPort(number); }
    QString settings() const override { return inner_.settings(); }
    CommError setSettings(const QString& settings) override { return inner_.setSettings(settings); }
    InputMode inputMode() const override { return inner_.inputMode(); }
    void setInputMode(InputMode mode) override { inner_.setInputMode(mode); }
    bool portOpen() const override { return inner_.portOpen(); }
    CommError setPortOpen(bool open) override;
    CommError output(const QByteArray& frame) override;
    int inBufferCount() override;
    QByteArray input() override;
    QString describePort(int number) const override { return inner_.describePort(number); }
    void rescanDevices() override { inner_.rescanDevices(); }
    void startOpen(OpenDone done) override;
    int sentTransactionId() const override { return inner_.sentTransactionId(); }
    int receivedTransactionId() const override { return inner_.receivedTransactionId(); }
    bool throughGateway(int number) const override { return inner_.throughGateway(number); }
    int gatewayTimeoutMs(int number) const override { return inner_.gatewayTimeoutMs(number); }
    void setLinkObserver(LinkObserver* observer) override { setObserver(observer); }

private:
    void take();
    void opened(bool wasOpen);
    void endEcho();
    void reportWrongEcho();
    void report(const QByteArray& bytes, Verdict verdict);

    CommPort& inner_;
    std::function<bool(int)> echoFor_;
    LinkObserver* observer_ = nullptr;
    bool echoing_ = false;
    // The frame whose echo is awaited, and the bytes of the echo received so far.
    QByteArray expected_;
    QByteArray echo_;
    bool mismatch_ = false;
    // After a wrong echo nothing more belongs to the request that went out: dropped up to the
    // next frame written.
    bool discarding_ = false;
    // Bytes for the reply path.
    QByteArray ready_;
};

} // namespace qtx52::link
