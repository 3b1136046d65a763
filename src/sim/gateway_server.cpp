#include "sim/gateway_server.h"

#include <QTcpSocket>

namespace qtx52::sim {

GatewayServer::GatewayServer(forms::Clock& clock, std::vector<Station*> stations,
                             GatewayOptions options, std::function<void(const QString&)> log)
    : clock_(clock), stations_(std::move(stations)), options_(options), log_(std::move(log)) {
    connect(&server_, &QTcpServer::newConnection, this, &GatewayServer::accept);
}

GatewayServer::~GatewayServer() = default;

void GatewayServer::accept() {
    while (QTcpSocket* client = server_.nextPendingConnection()) {
        client->setParent(this);
        client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        auto* gateway = new Gateway(clock_, stations_, options_);
        gateway->log = log_;
        gateway->send = [client](const QByteArray& bytes) { client->write(bytes); };
        // Closed from the event loop, never inside the read that asked for it.
        gateway->close = [client] {
            QMetaObject::invokeMethod(
                client, [client] { client->abort(); }, Qt::QueuedConnection);
        };
        connect(client, &QTcpSocket::readyRead, client,
                [client, gateway] { gateway->receive(client->readAll()); });
        // The gateway lives as long as its connection.
        connect(client, &QObject::destroyed, [gateway] { delete gateway; });
        connect(client, &QTcpSocket::disconnected, this, [this, client] {
            if (log_)
                log_(QStringLiteral("qtx52-sim: gateway client gone"));
            client->deleteLater();
        });
        if (log_)
            log_(QStringLiteral("qtx52-sim: gateway client %1 connected")
                     .arg(client->peerAddress().toString()));
    }
}

} // namespace qtx52::sim
