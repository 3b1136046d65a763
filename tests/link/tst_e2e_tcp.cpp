// A line over TCP, as a serial device server passes it: qtx52-sim --listen on loopback and
// qtx52-config's windowless commands with --device tcp://127.0.0.1:PORT, in both framings. Real
// processes in real time, so every wait is bounded, none exact.

#include "support/config_process.h"
#include "support/sim_server.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using Run = qtx52::testing::ConfigRun;

} // namespace

class TstE2eTcp : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void readOutAndWrite_data();
    void readOutAndWrite();
    void portNumberMappedToServer();
    void serverGoneMidTransfer();
    void nobodyListening_data();
    void nobodyListening();
    void scanKeepsTheConnection_data();
    void scanKeepsTheConnection();

private:
    bool startSim(const QString& mode);
    Run run(const QStringList& arguments, int waitMs = 60000);
    QString device() const {
        return QStringLiteral("tcp://127.0.0.1:%1").arg(sim_ ? sim_->port() : 0);
    }
    QString path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    std::unique_ptr<qtx52::testing::SimServer> sim_;
};

void TstE2eTcp::init() {
    QVERIFY(dir_.isValid());
    sim_ = std::make_unique<qtx52::testing::SimServer>();
    QVERIFY(sim_->port() != 0);
}

void TstE2eTcp::cleanup() {
    sim_.reset();
}

bool TstE2eTcp::startSim(const QString& mode) {
    return sim_->start(QStringLiteral("--listen"), {"--mode", mode});
}

Run TstE2eTcp::run(const QStringList& arguments, int waitMs) {
    return qtx52::testing::runConfig(arguments + QStringList{"--device", device()},
                                     path(QStringLiteral("config")), waitMs);
}

void TstE2eTcp::readOutAndWrite_data() {
    QTest::addColumn<QString>("mode");
    QTest::newRow("rtu") << "rtu";
    QTest::newRow("ascii") << "ascii";
}

void TstE2eTcp::readOutAndWrite() {
    QFETCH(QString, mode);
    QVERIFY(startSim(mode));
    const QStringList link{"--mode", mode.toUpper()};
    const QString file = path(QStringLiteral("u.txt"));
    Run r = run(QStringList{"--read-out", file} + link);
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));

    // The humidity display coil (line 54) switched on, written and verified over TCP.
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"));
    f.close();
    QStringList pieces = lines[53].split(QLatin1Char(';'));
    QVERIFY(pieces.size() > 2);
    pieces[2] = QStringLiteral(" 1 ");
    lines[53] = pieces.join(QLatin1Char(';'));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(lines.join(QStringLiteral("\r\n")).toLatin1());
    f.close();
    r = run(QStringList{"--write", file} + link);
    QVERIFY2(r.exitCode == 0 && r.out.contains(QStringLiteral("geprüft")),
             qPrintable(r.out + r.err));

    const QString after = path(QStringLiteral("after.txt"));
    r = run(QStringList{"--read-out", after} + link);
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    QFile a(after);
    QVERIFY(a.open(QIODevice::ReadOnly));
    const QStringList got = QString::fromLatin1(a.readAll()).split(QStringLiteral("\r\n"));
    QCOMPARE(got.value(53).section(QLatin1Char(';'), 2, 2).trimmed(), QStringLiteral("1"));
}

// The port mapping of the user store sends a port number to the device server, as it does for
// the window's port selector: no --device anywhere.
void TstE2eTcp::portNumberMappedToServer() {
    QVERIFY(startSim(QStringLiteral("ascii")));
    const QString configHome = path(QStringLiteral("config"));
    QVERIFY(QDir().mkpath(configHome + QStringLiteral("/qtx52-config")));
    QFile store(configHome + QStringLiteral("/qtx52-config/user.ini"));
    QVERIFY(store.open(QIODevice::WriteOnly));
    store.write("[SOFTWARE\\Korvatek\\QTX52-RS485-MODBUS\\Ports]\n\"COM5\"=\"" +
                device().toLatin1() + "\"\n");
    store.close();
    const QString file = path(QStringLiteral("m.txt"));
    const Run r = qtx52::testing::runConfig({"--read-out", file, "--port", "5", "--mode", "ASCII"},
                                            configHome, 20000);
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    QVERIFY(QFileInfo(file).size() > 0);
}

// The server goes away while the read-out runs: the command ends as a failure within a few
// seconds instead of waiting or spinning, and says so.
void TstE2eTcp::serverGoneMidTransfer() {
    QVERIFY(startSim(QStringLiteral("rtu")));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("QTX52_CONFIG"),
            {"--read-out", path(QStringLiteral("g.txt")), "--device", device()});
    QVERIFY(p.waitForStarted(5000));
    QTest::qWait(500); // the read-out is under way (about 1.5 s in all)
    sim_->process().kill();
    QVERIFY(sim_->process().waitForFinished(3000));
    QElapsedTimer t;
    t.start();
    QVERIFY2(p.waitForFinished(10000), "the command did not end after the server went away");
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(p.exitCode() == 3, qPrintable(err));
    QVERIFY(!QFile::exists(path(QStringLiteral("g.txt"))));
    QVERIFY2(t.elapsed() < 8000, qPrintable(QString::number(t.elapsed())));
}

void TstE2eTcp::nobodyListening_data() {
    QTest::addColumn<QStringList>("command");
    QTest::newRow("read-out") << QStringList{"--read-out", path(QStringLiteral("n.txt"))};
    QTest::newRow("scan") << QStringList{"--scan", "--scan-stations", "1-2"};
}

// Refused until the connect bound runs out: the command says where and why, in the interface's
// words.
void TstE2eTcp::nobodyListening() {
    QFETCH(QStringList, command);
    const Run r = run(command, 20000);
    QVERIFY2(r.exitCode == 3, qPrintable(r.out + r.err));
    QVERIFY2(r.err.contains(
                 QStringLiteral("Keine Verbindung zu Host 127.0.0.1, Port %1: ").arg(sim_->port())),
             qPrintable(r.err));
}

void TstE2eTcp::scanKeepsTheConnection_data() {
    readOutAndWrite_data();
}

// A scan of every setting through a device server that takes one client at a time: one
// connection throughout, the server's own line settings said once, each framing probed, the unit
// found, and the trace and counters written as for the other commands.
void TstE2eTcp::scanKeepsTheConnection() {
    QFETCH(QString, mode);
    QVERIFY(startSim(mode));
    const QString trace = path(QStringLiteral("scan.trace"));
    const Run r = run({"--scan", "--scan-all", "--scan-stations", "1-3", "--probe-timeout", "60",
                       "--trace", trace, "--stats"});
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    QVERIFY2(r.out.contains(QStringLiteral("station=1 mode=%1 ").arg(mode.toUpper())),
             qPrintable(r.out));
    QCOMPARE(r.err.count(QStringLiteral("Geräteserver")), 1);
    QVERIFY2(r.err.contains(QStringLiteral("1 Gerät gefunden nach 6 Anfragen bei 2 Einstellungen")),
             qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("Bus: Anfragen ")), qPrintable(r.err));
    QFile f(trace);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString lines = QString::fromUtf8(f.readAll());
    QVERIFY2(lines.contains(QStringLiteral(" <- ")) && lines.contains(QStringLiteral("taken")),
             qPrintable(lines));
}

QTEST_GUILESS_MAIN(TstE2eTcp)
#include "tst_e2e_tcp.moc"
