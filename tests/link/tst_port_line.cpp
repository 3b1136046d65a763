// The serial line's edges: a device that goes away at any step of a transfer, the open errors a
// technician reads, pseudo-terminals told apart by the device, one device under two names, and a
// line over TCP on loopback.

#include "app/global.h"
#include "app/program.h"
#include "editor/frm_config.h"
#include "params/register_map.h"
#include "link/link_events.h"
#include "link/port_texts.h"
#include "link/qt_serial_port.h"
#include "link/tcp_port.h"
#include "support/unit_rig.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <pty.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

Q_DECLARE_METATYPE(qtx52::link::CommError)

using namespace qtx52;

namespace {

// A listening socket whose queue of connections is full: the system drops every new connection
// attempt without an answer, as a host that does not answer.
class SilentServer {
public:
    SilentServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), len) != 0 ||
            ::listen(fd_, 0) != 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len))
            return;
        port_ = ntohs(a.sin_port);
        // Fill the queue: connections that go through wait there, never accepted.
        for (int i = 0; i < 4; ++i) {
            auto s = std::make_unique<QTcpSocket>();
            s->connectToHost(QHostAddress::LocalHost, port_);
            if (!s->waitForConnected(300))
                break;
            fillers_.push_back(std::move(s));
        }
    }
    ~SilentServer() {
        fillers_.clear();
        if (fd_ >= 0)
            ::close(fd_);
    }
    quint16 port() const { return port_; }

private:
    int fd_ = -1;
    quint16 port_ = 0;
    std::vector<std::unique_ptr<QTcpSocket>> fillers_;
};

using testing::kBauds;

struct Counting : link::LinkObserver {
    int closed = 0;
    int lost = 0;
    void portClosed() override { ++closed; }
    void transactionFailed(link::Failure why) override {
        if (why == link::Failure::DeviceLost)
            ++lost;
    }
};

struct Rig : testing::UnitRig {
    Counting events;

    Rig(bool rtu, const QString& baud)
        : UnitRig(rtu ? link::Framing::Rtu : link::Framing::Ascii, baud) {
        p.linkEvents.add(&events);
    }
    ~Rig() { p.linkEvents.remove(&events); }
};

// A pseudo-terminal pair held open for a test.
struct Pty {
    int master = -1;
    int slave = -1;
    QString slavePath;
    Pty() {
        char name[128] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0)
            slavePath = QString::fromLocal8Bit(name);
    }
    ~Pty() {
        if (slave >= 0)
            ::close(slave);
        if (master >= 0)
            ::close(master);
    }
};

} // namespace

class TestPortLine : public QObject {
    Q_OBJECT
private slots:
    void lostDeviceAtEveryStep_data();
    void lostDeviceAtEveryStep();
    void lostWhileIdleAndReopen();
    void failureTexts_data();
    void failureTexts();
    void pseudoTerminals();
    void oneDeviceUnderTwoNames();
    void tcpLineOverLoopback();
    void tcpOpenEndsWithinTheBound_data();
    void tcpOpenEndsWithinTheBound();
};

void TestPortLine::lostDeviceAtEveryStep_data() {
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<int>("afterRequests");
    QTest::addColumn<bool>("write");
    for (bool rtu : {true, false})
        for (const QString& baud : kBauds)
            for (bool write : {false, true})
                for (int k = 1; k <= (write ? 6 : 10); ++k)
                    QTest::addRow("%s %s %s after %d", rtu ? "RTU" : "ASCII", qPrintable(baud),
                                  write ? "write" : "read-out", k)
                        << rtu << baud << k << write;
}

void TestPortLine::lostDeviceAtEveryStep() {
    QFETCH(bool, rtu);
    QFETCH(QString, baud);
    QFETCH(int, afterRequests);
    QFETCH(bool, write);
    Rig rig(rtu, baud);
    editor::frm_config& f = *rig.f;
    if (write) {
        // A read-out first, so a changed field has something to be written over.
        f.cmd_read_device->userClick();
        QVERIFY(rig.tp.clock.advanceUntil(
            [&] { return rig.p.g.commState == 0 && !rig.p.frmStateLoaded(); }, 60000));
        f.txt_data_cfg(2).setText(QStringLiteral("7"));
        rig.port.clearSent();
        f.set_parameter->userClick();
    } else {
        rig.port.clearSent();
        f.cmd_read_device->userClick();
    }
    QVERIFY(
        rig.tp.clock.advanceUntil([&] { return rig.port.sent().size() >= afterRequests; }, 60000));
    rig.port.loseDevice();

    QCOMPARE(f.Combo_Port(6).listIndex(), 0);
    QVERIFY(!rig.p.g.portOpen);
    QVERIFY(!rig.port.portOpen());
    QVERIFY(f.lbl_desc(16).visible());
    QVERIFY2(f.lbl_desc(16).caption().contains(QStringLiteral("verloren")),
             qPrintable(f.lbl_desc(16).caption()));
    QVERIFY(!rig.p.frmStateLoaded());
    QVERIFY(f.form.enabled());
    QVERIFY(!f.cmd_read_device->enabled());
    QCOMPARE(rig.events.lost, 1);
    QCOMPARE(rig.events.closed, 1);
    // Nothing more is tried on the dead line, and no timer keeps running.
    const auto sentAtLoss = rig.port.sent().size();
    rig.tp.clock.advance(10000);
    QCOMPARE(rig.port.sent().size(), sentAtLoss);
    for (forms::Timer* t : {&f.Timer1, &f.Timer3, &f.Timer4, &f.Timer5, &f.Timer6})
        QVERIFY2(!t->enabled(), qPrintable(t->objectName()));
    QCOMPARE(rig.events.lost, 1);
}

void TestPortLine::lostWhileIdleAndReopen() {
    Rig rig(true, "19200");
    editor::frm_config& f = *rig.f;
    rig.port.loseDevice();
    QCOMPARE(f.Combo_Port(6).listIndex(), 0);
    QVERIFY(f.lbl_desc(16).visible());
    // Plugged back in: the port opens and the notice goes with the loss it told of.
    rig.port.setPortGone(false);
    f.Combo_Port(6).setListIndex(1);
    QVERIFY(rig.port.portOpen());
    QVERIFY(!f.lbl_desc(16).visible());
    QCOMPARE(f.lbl_desc(16).caption(),
             QStringLiteral("Kommunikationsprobleme, bitte Einstellungen überprüfen!"));
    // A loss after the technician closed the port changes nothing.
    f.Combo_Port(6).setListIndex(0);
    rig.port.loseDevice();
    QVERIFY(!f.lbl_desc(16).visible());
    QCOMPARE(rig.events.lost, 1);
}

void TestPortLine::failureTexts_data() {
    QTest::addColumn<link::CommError>("error");
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("text");
    using link::CommCause;
    link::CommError perm(8010, "denied", CommCause::PermissionDenied, "/dev/ttyUSB0", "EACCES");
    perm.group = QStringLiteral("uucp");
    QTest::newRow("permission, group named") << perm << false
                                             << "Keine Berechtigung für /dev/ttyUSB0. Das Gerät "
                                                "gehört der Gruppe \"uucp\"; Mitglied werden mit\n"
                                                "sudo usermod -aG uucp $USER\nund danach neu "
                                                "anmelden.";
    link::CommError permNoGroup = perm;
    permNoGroup.group.clear();
    QTest::newRow("permission, no group known")
        << permNoGroup << true
        << "Permission denied for /dev/ttyUSB0. The device belongs to the group \"dialout\"; "
           "join it with\nsudo usermod -aG dialout $USER\nand log in again.";
    QTest::newRow("no device") << link::CommError(8002, "x", CommCause::NoDevice, "/dev/ttyUSB3")
                               << true << "Device /dev/ttyUSB3 not found.";
    QTest::newRow("no device for number")
        << link::CommError(8002, "x", CommCause::NoDevice) << false
        << "Dieser Portnummer ist kein Gerät zugeordnet.";
    QTest::newRow("in use") << link::CommError(8005, "x", CommCause::InUse, "/dev/ttyUSB0",
                                               "already open in this program as /dev/ttyUSB0")
                            << true
                            << "/dev/ttyUSB0 is already in use (already open in this program as "
                               "/dev/ttyUSB0).";
    QTest::newRow("settings") << link::CommError(8015, "x", CommCause::SettingsRefused,
                                                 "/dev/ttyS0", "9600,E,7,1: unsupported")
                              << false
                              << "/dev/ttyS0 lehnt die Einstellungen ab (9600,E,7,1: unsupported).";
    QTest::newRow("connect") << link::CommError(8010, "x", CommCause::ConnectFailed,
                                                "gw.local:4001", "Connection refused")
                             << true
                             << "No connection to host gw.local, port 4001: Connection "
                                "refused.";
    QTest::newRow("lost") << link::CommError(8020, "x", CommCause::Lost, "/dev/ttyUSB0", "EIO")
                          << false
                          << "Verbindung zum Gerät /dev/ttyUSB0 verloren (EIO). Port "
                             "geschlossen.";
    QTest::newRow("other without device")
        << link::CommError(8010, "it broke") << true << "it broke";
}

void TestPortLine::failureTexts() {
    QFETCH(link::CommError, error);
    QFETCH(bool, english);
    QFETCH(QString, text);
    QCOMPARE(link::openFailureText(error, english), text);
}

void TestPortLine::pseudoTerminals() {
    Pty pty;
    QVERIFY(!pty.slavePath.isEmpty());
    QTemporaryDir dir;
    const QString alias = dir.filePath("ttyV0");
    QVERIFY(QFile::link(pty.slavePath, alias));
    QCOMPARE(link::QtSerialCommPort::resolveDevice(alias), pty.slavePath);
    QVERIFY(link::QtSerialCommPort::isPseudoTerminal(pty.slavePath));
    QVERIFY(link::QtSerialCommPort::isPseudoTerminal(alias));
    // Neither a character device that is no terminal, nor a plain file, nor nothing.
    QVERIFY(!link::QtSerialCommPort::isPseudoTerminal("/dev/null"));
    QVERIFY(!link::QtSerialCommPort::isPseudoTerminal(dir.filePath("none")));
    // A by-id style link names its device.
    QCOMPARE(link::QtSerialCommPort::byIdNameOf(pty.slavePath, dir.path()), QString("ttyV0"));
}

void TestPortLine::oneDeviceUnderTwoNames() {
    Pty pty;
    QTemporaryDir dir;
    const QString alias = dir.filePath("by-id-adapter");
    QVERIFY(QFile::link(pty.slavePath, alias));
    link::QtSerialCommPort first(link::PortMap::build({}, pty.slavePath, {}));
    link::QtSerialCommPort second(link::PortMap::build({}, alias, {}));
    QVERIFY(!first.setSettings("9600,E,7,1"));
    QVERIFY(!second.setSettings("9600,E,7,1"));
    // The pseudo-terminal refuses 7E1 and is opened as 8N1.
    QCOMPARE(first.setPortOpen(true).number, 0);
    const link::CommError e = second.setPortOpen(true);
    QCOMPARE(e.number, link::commerr::PortAlreadyOpen);
    QCOMPARE(e.cause, link::CommCause::InUse);
    QVERIFY(!second.portOpen());
    first.setPortOpen(false);
    QCOMPARE(second.setPortOpen(true).number, 0);
    second.setPortOpen(false);
}

void TestPortLine::tcpLineOverLoopback() {
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    link::TcpCommPort port(QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort()));
    int lost = 0;
    link::CommError why;
    port.setLostHandler([&](const link::CommError& e) {
        ++lost;
        why = e;
    });
    QCOMPARE(port.setPortOpen(true).number, 0);
    // The open goes on in the event loop (host lookup, connect): wait with the loop running.
    QVERIFY(QTest::qWaitFor([&] { return server.hasPendingConnections(); }, 2000));
    QTcpSocket* peer = server.nextPendingConnection();
    const QByteArray request = QByteArray::fromHex("010300060001640B");
    QVERIFY(!port.output(request));
    QVERIFY(QTest::qWaitFor([&] { return peer->bytesAvailable() >= 8; }, 2000));
    QCOMPARE(peer->readAll(), request);
    const QByteArray reply = QByteArray::fromHex("010302000A");
    peer->write(reply);
    QVERIFY(QTest::qWaitFor([&] { return port.inBufferCount() >= reply.size(); }, 2000));
    QCOMPARE(port.input(), reply);
    // The server goes away: a lost device, told once, the port closed.
    peer->close();
    QVERIFY(QTest::qWaitFor([&] { return lost > 0; }, 2000));
    QTest::qWait(50);
    QCOMPARE(lost, 1);
    QVERIFY(!port.portOpen());
    QCOMPARE(why.cause, link::CommCause::Lost);
    QVERIFY(why.device.contains("127.0.0.1"));
}

void TestPortLine::tcpOpenEndsWithinTheBound_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("cause");
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const quint16 freePort = server.serverPort();
    server.close();
    const int failed = int(link::CommCause::ConnectFailed);
    QTest::newRow("refused") << QStringLiteral("tcp://127.0.0.1:%1").arg(freePort) << failed;
    QTest::newRow("gateway refused")
        << QStringLiteral("mbap://127.0.0.1:%1").arg(freePort) << failed;
    // A name that never resolves, and a server that never completes a connection.
    QTest::newRow("host not found") << QStringLiteral("mbap://qtx52-gateway.invalid") << failed;
    QTest::newRow("host silent") << QStringLiteral("tcp://127.0.0.1:%1") << failed;
    QTest::newRow("no port") << QStringLiteral("tcp://nohost") << int(link::CommCause::NoDevice);
    QTest::newRow("not a line") << QStringLiteral("mbap://[::1") << int(link::CommCause::NoDevice);
}

// Every open that cannot succeed ends once, with its reason, within the connect bound (the host
// lookup inside it), and the event loop runs on meanwhile.
void TestPortLine::tcpOpenEndsWithinTheBound() {
    QFETCH(QString, address);
    QFETCH(int, cause);
    SilentServer silent;
    if (address.contains(QLatin1String("%1")))
        address = address.arg(silent.port());
    QVERIFY(!address.contains(QLatin1String("%1")));
    link::TcpCommPort port(address);
    int ends = 0;
    link::CommError outcome;
    QElapsedTimer elapsed;
    elapsed.start();
    port.startOpen([&](const link::CommError& e) {
        ++ends;
        outcome = e;
    });
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(10);
    QVERIFY(QTest::qWaitFor([&] { return ends > 0; }, 6000));
    const qint64 took = elapsed.elapsed();
    QTest::qWait(50);
    QCOMPARE(ends, 1);
    QCOMPARE(int(outcome.cause), cause);
    QVERIFY(!outcome.reason.isEmpty());
    QVERIFY(!port.portOpen());
    QVERIFY2(took < link::TcpCommPort::kDefaultConnectTimeoutMs + 500,
             qPrintable(QString::number(took)));
    if (took > 200)
        QVERIFY2(ticks > took / 40, qPrintable(QStringLiteral("%1 ticks").arg(ticks)));
}

QTEST_GUILESS_MAIN(TestPortLine)
#include "tst_port_line.moc"
