// qtx52-sim: the room unit on a serial device, for trying the program against something that
// answers without the hardware, for example over a pseudo-terminal pair.

#include "forms/clock.h"
#include "sim/devicerunner.h"
#include "sim/gateway_server.h"
#include "sim/station.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>

#include <csignal>
#include <cstdio>
#include <memory>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace qtx52;

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    if (::write(signalPipe[0], &c, 1) < 0) {
        // Nothing to be done inside a signal handler; a second signal will try again.
    }
}

void printLine(const QString& line) {
    std::fprintf(stderr, "%s\n", qPrintable(line));
    std::fflush(stderr);
}

// Quits the event loop on SIGTERM or SIGINT. The handler only writes to a socket; the loop reads it
// and leaves in the ordinary way, so the device is closed properly.
bool quitOnSignals(QCoreApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return false;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char c;
        if (::read(signalPipe[1], &c, 1) < 0) {
            // Quit regardless.
        }
        app.quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 &&
           ::sigaction(SIGINT, &action, nullptr) == 0;
}

// A pseudo-terminal whose other end has closed reads as end of file forever, which the serial
// port reports only as a read error; the hang-up tells it apart from a passing fault.
bool hungUp(QSerialPort& port) {
    pollfd p{int(port.handle()), 0, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
}

int fail(const QString& message) {
    printLine(QStringLiteral("qtx52-sim: %1").arg(message));
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qtx52-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.5"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated QTX52 room unit: a Modbus RTU or ASCII slave on a serial "
                       "device, for example one end of a pseudo-terminal pair."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption deviceOpt(QStringLiteral("device"),
                                       QStringLiteral("Serial device to answer on."),
                                       QStringLiteral("path"));
    const QCommandLineOption modeOpt(QStringLiteral("mode"),
                                     QStringLiteral("Framing: rtu or ascii (default rtu)."),
                                     QStringLiteral("mode"), QStringLiteral("rtu"));
    const QCommandLineOption addressOpt(QStringLiteral("address"),
                                        QStringLiteral("Station address 1..63 (default 1)."),
                                        QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption baudOpt(QStringLiteral("baud"),
                                     QStringLiteral("Baud rate (default 9600)."),
                                     QStringLiteral("rate"), QStringLiteral("9600"));
    const QCommandLineOption parityOpt(QStringLiteral("parity"),
                                       QStringLiteral("Parity N, E or O (default E)."),
                                       QStringLiteral("p"), QStringLiteral("E"));
    const QCommandLineOption quietOpt(QStringLiteral("quiet"),
                                      QStringLiteral("Do not log requests and replies."));
    const QCommandLineOption echoOpt(QStringLiteral("echo"),
                                     QStringLiteral("Echo every request back before the answer, "
                                                    "as an adapter that echoes."));
    const QCommandLineOption listenOpt(
        QStringLiteral("listen"),
        QStringLiteral("Serve the unit over TCP instead, as a serial device server passes one "
                       "RS485 line: one client at a time, the bytes as on the line."),
        QStringLiteral("host:port"));
    const QCommandLineOption responseOpt(
        QStringLiteral("response-time"),
        QStringLiteral("Min-Response-Time the unit starts with, 0..3000 ms (register 6; default "
                       "the factory value)."),
        QStringLiteral("ms"));
    const QCommandLineOption refuseOpt(
        QStringLiteral("refuse"),
        QStringLiteral("Refuse every write that includes register REG with exception 03 (value "
                       "refused), as a unit whose own checks reject the value."),
        QStringLiteral("REG"));
    const QCommandLineOption mbapOpt(
        QStringLiteral("listen-mbap"),
        QStringLiteral("Serve the stations as a Modbus TCP gateway in front of their RS485 line "
                       "(RTU at --baud and --parity): MBAP on the TCP side."),
        QStringLiteral("host:port"));
    const QCommandLineOption stationsOpt(
        QStringLiteral("stations"),
        QStringLiteral("With --listen-mbap: the stations on the line, for example 1-40 or 3,17,40 "
                       "(default: --address)."),
        QStringLiteral("list"));
    const QCommandLineOption varyOpt(
        QStringLiteral("vary"),
        QStringLiteral("Make the stations differ: response time, firmware, location, setpoint."));
    const QCommandLineOption delayOpt(QStringLiteral("gateway-delay"),
                                      QStringLiteral("The gateway's own time per request, each "
                                                     "way, in ms (default 5)."),
                                      QStringLiteral("ms"), QStringLiteral("5"));
    const QCommandLineOption gwTimeoutOpt(
        QStringLiteral("gateway-timeout"),
        QStringLiteral("How long the gateway waits for a station before it answers exception 0x0B, "
                       "in ms (default 1000)."),
        QStringLiteral("ms"), QStringLiteral("1000"));
    const QCommandLineOption noEchoIdOpt(
        QStringLiteral("no-echo-id"),
        QStringLiteral("The gateway answers with transaction id 0 instead of the request's."));
    const QCommandLineOption busyOpt(
        QStringLiteral("gateway-busy"),
        QStringLiteral("Answer the first N requests of each connection with exception 0x06 (busy); "
                       "a request that comes while one is served is always answered so."),
        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption dropOpt(
        QStringLiteral("gateway-drop-after"),
        QStringLiteral("Close each connection when request N+1 comes (N answered)."),
        QStringLiteral("n"));
    parser.addOptions({deviceOpt, listenOpt, mbapOpt, modeOpt, addressOpt, stationsOpt, varyOpt,
                       baudOpt, parityOpt, echoOpt, responseOpt, refuseOpt, delayOpt, gwTimeoutOpt,
                       noEchoIdOpt, busyOpt, dropOpt, quietOpt});
    parser.process(app);

    if (int(parser.isSet(deviceOpt)) + int(parser.isSet(listenOpt)) + int(parser.isSet(mbapOpt)) !=
        1)
        return fail(
            QStringLiteral("give one of --device, --listen and --listen-mbap (see --help)"));
    const QString mode = parser.value(modeOpt).toLower();
    if (mode != QLatin1String("rtu") && mode != QLatin1String("ascii"))
        return fail(QStringLiteral("--mode must be rtu or ascii"));
    const bool ascii = mode == QLatin1String("ascii");
    bool ok = false;
    const int address = parser.value(addressOpt).toInt(&ok);
    if (!ok || address < 1 || address > 63)
        return fail(QStringLiteral("--address must be 1..63"));
    const QString parity = parser.value(parityOpt).toUpper();
    if (parity != QLatin1String("N") && parity != QLatin1String("E") &&
        parity != QLatin1String("O"))
        return fail(QStringLiteral("--parity must be N, E or O"));
    // Modbus ASCII uses 7 data bits, RTU 8.
    link::LineSettings line;
    const QString text =
        QStringLiteral("%1,%2,%3,1").arg(parser.value(baudOpt), parity, ascii ? "7" : "8");
    if (!link::LineSettings::parse(text, &line))
        return fail(QStringLiteral("--baud must be a positive number"));

    int responseMs = -1;
    if (parser.isSet(responseOpt)) {
        responseMs = parser.value(responseOpt).toInt(&ok);
        if (!ok || responseMs < 0 || responseMs > 3000)
            return fail(QStringLiteral("--response-time must be 0..3000"));
    }
    int refused = -1;
    if (parser.isSet(refuseOpt)) {
        refused = parser.value(refuseOpt).toInt(&ok);
        if (!ok || refused < 0 || refused > 0xFFFF)
            return fail(QStringLiteral("--refuse takes a register address 0..65535"));
    }

    forms::QtClock clock;
    sim::Station station(clock);
    station.setAddress(address);
    if (responseMs >= 0)
        station.unit().setReg(sim::reg::MinResponseTime, quint16(responseMs));
    if (refused >= 0)
        station.faults().setRefusedRegister(refused);
    station.setFraming(ascii ? sim::Framing::Ascii : sim::Framing::Rtu);
    station.setLineSettings(line);

    const bool quiet = parser.isSet(quietOpt);
    if (parser.isSet(mbapOpt)) {
        if (ascii)
            return fail(QStringLiteral("a gateway's line is RTU: leave --mode out"));
        const QList<int> addresses = parser.isSet(stationsOpt)
                                         ? sim::parseStationList(parser.value(stationsOpt))
                                         : QList<int>{address};
        if (addresses.isEmpty())
            return fail(QStringLiteral("--stations takes addresses 1..63, for example 1-40 or "
                                       "3,17,40"));
        sim::GatewayOptions o;
        o.line = line;
        auto number = [&](const QCommandLineOption& opt, int lo, int hi, int* out) {
            bool good = false;
            *out = parser.value(opt).toInt(&good);
            return good && *out >= lo && *out <= hi;
        };
        if (!number(delayOpt, 0, 10000, &o.delayMs))
            return fail(QStringLiteral("--gateway-delay must be 0..10000"));
        if (!number(gwTimeoutOpt, 1, 60000, &o.timeoutMs))
            return fail(QStringLiteral("--gateway-timeout must be 1..60000"));
        if (!number(busyOpt, 0, 1000000, &o.busyReplies))
            return fail(QStringLiteral("--gateway-busy must be 0 or more"));
        if (parser.isSet(dropOpt) && !number(dropOpt, 0, 1000000, &o.dropAfter))
            return fail(QStringLiteral("--gateway-drop-after must be 0 or more"));
        o.echoId = !parser.isSet(noEchoIdOpt);
        const auto stations = sim::makeStations(clock, addresses, parser.isSet(varyOpt));
        std::vector<sim::Station*> line;
        for (const auto& s : stations) {
            if (!parser.isSet(varyOpt) && responseMs >= 0)
                s->unit().setReg(sim::reg::MinResponseTime, quint16(responseMs));
            if (refused >= 0)
                s->faults().setRefusedRegister(refused);
            line.push_back(s.get());
        }
        const QString where = parser.value(mbapOpt);
        const qsizetype colon = where.lastIndexOf(QLatin1Char(':'));
        const int tcpPort = colon < 0 ? 0 : where.mid(colon + 1).toInt(&ok);
        if (colon <= 0 || !ok || tcpPort < 1 || tcpPort > 65535)
            return fail(
                QStringLiteral("--listen-mbap takes host:port, for example 127.0.0.1:5020"));
        sim::GatewayServer server(clock, line, o,
                                  quiet ? std::function<void(const QString&)>() : printLine);
        if (!server.listen(QHostAddress(where.left(colon)), quint16(tcpPort)))
            return fail(QStringLiteral("cannot listen on %1: %2").arg(where, server.errorString()));
        if (!quitOnSignals(app))
            printLine(QStringLiteral("qtx52-sim: warning: cannot catch SIGTERM/SIGINT"));
        if (!quiet)
            printLine(QStringLiteral("qtx52-sim: gateway on %1, %2 station(s) on its line at %3")
                          .arg(where)
                          .arg(addresses.size())
                          .arg(line.empty() ? QString() : o.line.toText()));
        return app.exec();
    }
    if (parser.isSet(listenOpt)) {
        const QString where = parser.value(listenOpt);
        const qsizetype colon = where.lastIndexOf(QLatin1Char(':'));
        const int tcpPort = colon < 0 ? 0 : where.mid(colon + 1).toInt(&ok);
        if (colon <= 0 || !ok || tcpPort < 1 || tcpPort > 65535)
            return fail(QStringLiteral("--listen takes host:port, for example 127.0.0.1:4001"));
        QTcpServer server;
        if (!server.listen(QHostAddress(where.left(colon)), quint16(tcpPort)))
            return fail(QStringLiteral("cannot listen on %1: %2").arg(where, server.errorString()));
        QTcpSocket* client = nullptr;
        std::unique_ptr<sim::DeviceRunner> runner;
        QObject::connect(&server, &QTcpServer::newConnection, &app, [&] {
            while (QTcpSocket* next = server.nextPendingConnection()) {
                if (client) {
                    // The line has one master: a second one is turned away.
                    next->disconnectFromHost();
                    next->deleteLater();
                    continue;
                }
                client = next;
                runner = std::make_unique<sim::DeviceRunner>(clock, station, *client);
                runner->setEcho(parser.isSet(echoOpt));
                if (!quiet) {
                    runner->setLogger(printLine);
                    printLine(QStringLiteral("qtx52-sim: client %1 connected")
                                  .arg(client->peerAddress().toString()));
                }
                QObject::connect(client, &QTcpSocket::disconnected, &app, [&, gone = client] {
                    if (gone != client)
                        return;
                    runner.reset();
                    client->deleteLater();
                    client = nullptr;
                    if (!quiet)
                        printLine(QStringLiteral("qtx52-sim: client gone"));
                });
            }
        });
        if (!quitOnSignals(app))
            printLine(QStringLiteral("qtx52-sim: warning: cannot catch SIGTERM/SIGINT"));
        if (!quiet)
            printLine(QStringLiteral("qtx52-sim: station %1, %2, %3 listening on %4:%5")
                          .arg(address)
                          .arg(ascii ? QStringLiteral("ASCII") : QStringLiteral("RTU"),
                               line.toText(), server.serverAddress().toString())
                          .arg(server.serverPort()));
        const int rc = app.exec();
        runner.reset();
        return rc;
    }

    QSerialPort port;
    QStringList warnings;
    QString error;
    if (!sim::openSerialDevice(port, parser.value(deviceOpt), line, &warnings, &error))
        return fail(error);
    for (const QString& w : warnings)
        printLine(QStringLiteral("qtx52-sim: warning: %1").arg(w));

    // The other end going away (socat ended, adapter unplugged) leaves nothing to answer.
    int rcOnError = 0;
    QObject::connect(&port, &QSerialPort::errorOccurred, &app, [&](QSerialPort::SerialPortError e) {
        const bool gone = e == QSerialPort::ResourceError;
        if (!gone && !(e == QSerialPort::ReadError && hungUp(port)))
            return;
        printLine(QStringLiteral("qtx52-sim: %1: %2")
                      .arg(parser.value(deviceOpt),
                           gone ? port.errorString() : QStringLiteral("the line has hung up")));
        rcOnError = 1;
        app.quit();
    });

    sim::DeviceRunner runner(clock, station, port);
    runner.setEcho(parser.isSet(echoOpt));
    if (!quiet)
        runner.setLogger(printLine);
    if (!quitOnSignals(app))
        printLine(QStringLiteral("qtx52-sim: warning: cannot catch SIGTERM/SIGINT"));

    if (!quiet)
        printLine(QStringLiteral("qtx52-sim: station %1, %2, %3 on %4%5")
                      .arg(address)
                      .arg(ascii ? QStringLiteral("ASCII") : QStringLiteral("RTU"), line.toText(),
                           parser.value(deviceOpt),
                           parser.isSet(echoOpt) ? QStringLiteral(", echoing") : QString()));
    const int rc = app.exec();
    port.close();
    return rc != 0 ? rc : rcOnError;
}
