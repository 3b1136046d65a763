#pragma once

// The simulated gateway on a TCP port (qtx52-sim --listen-mbap): each client that connects meets
// a gateway of its own in front of the same stations.

#include "sim/gateway.h"

#include <QObject>
#include <QTcpServer>

#include <functional>

namespace qtx52::sim {

class GatewayServer : public QObject {
    Q_OBJECT
public:
    GatewayServer(forms::Clock& clock, std::vector<Station*> stations, GatewayOptions options,
                  std::function<void(const QString&)> log);
    ~GatewayServer() override;

    bool listen(const QHostAddress& address, quint16 port) { return server_.listen(address, port); }
    QString errorString() const { return server_.errorString(); }
    quint16 port() const { return server_.serverPort(); }

private:
    void accept();

    forms::Clock& clock_;
    std::vector<Station*> stations_;
    GatewayOptions options_;
    std::function<void(const QString&)> log_;
    QTcpServer server_;
};

} // namespace qtx52::sim
