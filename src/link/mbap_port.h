#pragma once

// A line through a Modbus TCP gateway. The link writes and reads RTU frames as on a serial line;
// this port turns each request into an MBAP frame (the station becomes the unit id, the CRC is
// left off) on the TCP byte stream below it, and each reply back into an RTU frame with its CRC.
// One request is in flight at a time and each gets the next transaction id; a reply whose id,
// unit id or function does not answer it never reaches the link, and is reported to the link's
// watchers with its reason (stale, another unit, not the answer).

#include "link/commport.h"
#include "link/link_events.h"
#include "link/mbap.h"

namespace qtx52::link {

class MbapPort final : public CommPort {
public:
    // stream: the TCP connection to the gateway; it outlives this port.
    explicit MbapPort(CommPort& stream);

    // For gateways that do not echo the transaction id: replies are matched by unit id and
    // function alone.
    void setAnyId(bool on) { anyId_ = on; }
    bool anyId() const { return anyId_; }

    int commPort() const override { return stream_.commPort(); }
    CommError setCommPort(int number) override { return stream_.setCommPort(number); }
    QString settings() const override { return stream_.settings(); }
    CommError setSettings(const QString& settings) override {
        return stream_.setSettings(settings);
    }
    InputMode inputMode() const override { return stream_.inputMode(); }
    void setInputMode(InputMode mode) override { stream_.setInputMode(mode); }
    bool portOpen() const override { return stream_.portOpen(); }
    CommError setPortOpen(bool open) override;
    void startOpen(OpenDone done) override;
    CommError output(const QByteArray& frame) override;
    int inBufferCount() override;
    QByteArray input() override;
    QString describePort(int number) const override { return stream_.describePort(number); }
    int sentTransactionId() const override { return sentId_; }
    int receivedTransactionId() const override { return receivedId_; }
    bool throughGateway(int) const override { return true; }
    int gatewayTimeoutMs(int) const override { return gatewayTimeoutMs_; }
    void setGatewayTimeoutMs(int ms) { gatewayTimeoutMs_ = ms; }
    static constexpr int kDefaultGatewayTimeoutMs = 1000;
    void setLinkObserver(LinkObserver* observer) override { observer_ = observer; }

private:
    struct InFlight {
        quint16 id = 0;
        quint8 unit = 0;
        quint8 function = 0;
        bool answered = true; // nothing awaits an answer
    };

    void reset();
    void pump();
    void judge(const mbap::Adu& adu);
    void report(const mbap::Adu& adu, Verdict verdict);

    CommPort& stream_;
    LinkObserver* observer_ = nullptr;
    bool anyId_ = false;
    int gatewayTimeoutMs_ = kDefaultGatewayTimeoutMs;
    quint16 nextId_ = 1;
    InFlight inFlight_;
    QByteArray received_; // received, not yet a whole frame
    QByteArray ready_;    // RTU replies for the link
    int sentId_ = -1;
    int receivedId_ = -1;
};

} // namespace qtx52::link
