#include "support/sim_server.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace qtx52::testing {

SimServer::SimServer() {
    // A loopback port nobody listens on right now.
    QTcpServer probe;
    if (probe.listen(QHostAddress::LocalHost, 0))
        port_ = probe.serverPort();
}

bool SimServer::start(const QString& listen, const QStringList& options) {
    if (port_ == 0)
        return false;
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(qEnvironmentVariable("QTX52_SIM"),
                   QStringList{listen, QStringLiteral("127.0.0.1:%1").arg(port_)} + options +
                       QStringList{QStringLiteral("--quiet")});
    if (!process_.waitForStarted(5000))
        return false;
    for (int i = 0; i < 100; ++i) {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, port_);
        if (s.waitForConnected(50)) {
            s.disconnectFromHost();
            QTest::qWait(50); // the server sees this client leave before the program comes
            return true;
        }
        QTest::qWait(50);
    }
    return false;
}

void SimServer::stop() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
}

} // namespace qtx52::testing
