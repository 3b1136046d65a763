#pragma once

// qtx52-sim as a server on a free loopback port, for the end-to-end tests over TCP: started with
// the test's options, taken as listening once a connection goes through (bounded: 5 s), and
// ended with the test.

#include <QProcess>
#include <QStringList>

namespace qtx52::testing {

class SimServer {
public:
    SimServer();
    ~SimServer() { stop(); }
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // `listen` is "--listen" (a device server) or "--listen-mbap" (a gateway); the options follow.
    bool start(const QString& listen, const QStringList& options);
    // Ends the server if it runs: asked first, killed if it does not go.
    void stop();
    // The port chosen (0 when no free port was found).
    quint16 port() const { return port_; }
    QProcess& process() { return process_; }

private:
    QProcess process_;
    quint16 port_ = 0;
};

} // namespace qtx52::testing
