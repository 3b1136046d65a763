// Through a Modbus TCP gateway end to end: qtx52-sim --listen-mbap with three stations on its
// line and qtx52-config's windowless commands with --device mbap://127.0.0.1:PORT. Real processes
// in real time, so every wait is bounded, none exact.

#include "support/config_process.h"
#include "support/sim_server.h"

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using Run = qtx52::testing::ConfigRun;

} // namespace

class TstE2eGateway : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void commands_data();
    void commands();
    void scanFindsExactlyThePresent();

private:
    bool startGateway(const QStringList& extra);

    QTemporaryDir dir_;
    std::unique_ptr<qtx52::testing::SimServer> sim_;
};

void TstE2eGateway::init() {
    QVERIFY(dir_.isValid());
    sim_ = std::make_unique<qtx52::testing::SimServer>();
    QVERIFY(sim_->port() != 0);
}

void TstE2eGateway::cleanup() {
    sim_.reset();
}

bool TstE2eGateway::startGateway(const QStringList& extra) {
    return sim_->start(
        QStringLiteral("--listen-mbap"),
        QStringList{"--stations", "3,17,40", "--response-time", "10", "--gateway-timeout", "300"} +
            extra);
}

void TstE2eGateway::commands_data() {
    QTest::addColumn<QStringList>("gateway"); // the simulated gateway's own options
    QTest::addColumn<QStringList>("program"); // qtx52-config's, besides --device
    QTest::addColumn<bool>("write");          // read-out, then write + verify of one coil
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");      // on standard error when it fails
    QTest::addColumn<QString>("writeSays"); // on standard error when the write fails
    const QStringList at17{"--address", "17", "--gateway-timeout", "300"};
    QTest::newRow("read-out and write + verify") << QStringList() << at17 << true << 0 << ""
                                                 << "";
    // Each run has a connection of its own: the write's 10 reads and two blocks go through.
    QTest::newRow("connection dropped mid-write")
        << QStringList{"--gateway-drop-after", "12"} << at17 << true << 0 << ""
        << "Das Gerät hat bestätigt: Register 3..12, Register 13..22\nOb das Gerät Register "
           "23..32 übernommen hat, ist nicht bekannt.";
    QTest::newRow("busy at first") << QStringList{"--gateway-busy", "2"} << at17 << false << 0 << ""
                                   << "";
    QTest::newRow("id not echoed, any id")
        << QStringList{"--no-echo-id"} << at17 + QStringList{"--mbap-any-id"} << false << 0 << ""
        << "";
    QTest::newRow("id not echoed, strict")
        << QStringList{"--no-echo-id"} << at17 << false << 3 << "Kommunikationsprobleme"
        << "";
    QTest::newRow("station not on the line")
        << QStringList() << QStringList{"--address", "9", "--gateway-timeout", "300"} << false << 3
        << "Das Gateway hatte keine Antwort von Station 9"
        << "";
    QTest::newRow("connection dropped")
        << QStringList{"--gateway-drop-after", "3"} << at17 << false << 3 << "mbap://127.0.0.1"
        << "";
}

void TstE2eGateway::commands() {
    QFETCH(QStringList, gateway);
    QFETCH(QStringList, program);
    QFETCH(bool, write);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    QFETCH(QString, writeSays);
    QVERIFY(startGateway(gateway));
    const QStringList link =
        program + QStringList{"--device", QStringLiteral("mbap://127.0.0.1:%1").arg(sim_->port())};
    const QString config = dir_.filePath(QStringLiteral("config"));
    const QString file = dir_.filePath(QStringLiteral("u.txt"));
    Run r = qtx52::testing::runConfig(QStringList{"--read-out", file} + link, config, 60000);
    QVERIFY2(r.exitCode == exitCode, qPrintable(r.out + r.err));
    QVERIFY2(r.err.contains(says), qPrintable(r.err));
    if (!write)
        return;
    // The humidity display coil (line 54) switched on, written and verified through the gateway.
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
    r = qtx52::testing::runConfig(QStringList{"--write", file} + link, config, 60000);
    if (!writeSays.isEmpty()) {
        QVERIFY2(r.exitCode == 3 && r.err.contains(writeSays), qPrintable(r.out + r.err));
        return;
    }
    QVERIFY2(r.exitCode == 0 && r.out.contains(QStringLiteral("geprüft")),
             qPrintable(r.out + r.err));
}

// Three stations among 63 behind the gateway: exactly those three, each with its identity.
void TstE2eGateway::scanFindsExactlyThePresent() {
    QVERIFY(startGateway({"--gateway-timeout", "100"}));
    const Run r =
        qtx52::testing::runConfig({"--scan", "--scan-all", "--gateway-timeout", "100", "--device",
                                   QStringLiteral("mbap://127.0.0.1:%1").arg(sim_->port())},
                                  dir_.filePath(QStringLiteral("config")), 120000);
    QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    QStringList found;
    for (const QString& line : r.out.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("station=")))
            found << line.section(QLatin1Char(' '), 0, 0);
    QCOMPARE(found, (QStringList{"station=3", "station=17", "station=40"}));
    QVERIFY2(!r.out.contains(QStringLiteral("coding=-1")), qPrintable(r.out));
}

QTEST_GUILESS_MAIN(TstE2eGateway)
#include "tst_e2e_gateway.moc"
