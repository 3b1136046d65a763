// The bus watchers of the windowless commands on a real serial line: qtx52-config run as a
// process against qtx52-sim over a pseudo-terminal pair. --scan finds the unit at its own station
// and line settings (narrowed so it runs in seconds), and --trace writes every request of a
// read-out with the reply taken for it. Real time, so every wait is bounded, none exact.

#include "support/config_process.h"
#include "support/pty_pair.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace qtx52;

namespace {

constexpr int kReadOutRequests = 10; // read device and the nine steps

} // namespace

class TstE2eBus : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void scan_data();
    void scan();
    void traceOfReadOut_data();
    void traceOfReadOut();

private:
    testing::ConfigRun run(const QStringList& arguments) {
        return testing::runConfig(arguments + QStringList{"--device", pty_.masterEnd()},
                                  dir_.filePath(QStringLiteral("config")), 30000);
    }

    testing::PtyPair pty_;
    QTemporaryDir dir_;
};

void TstE2eBus::initTestCase() {
    if (qEnvironmentVariableIsEmpty("QTX52_CONFIG"))
        QSKIP("QTX52_CONFIG does not name the qtx52-config executable");
    QVERIFY(dir_.isValid());
    QVERIFY(QDir().mkpath(dir_.filePath(QStringLiteral("config/qtx52-config"))));
}

void TstE2eBus::init() {
    if (!pty_.start())
        QSKIP(qPrintable(pty_.error()));
}

void TstE2eBus::cleanup() {
    pty_.stop();
}

void TstE2eBus::scan_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("station");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<QString>("stations"); // probed
    QTest::addColumn<bool>("found");
    QTest::newRow("RTU station 37") << "RTU" << 37 << "9600"
                                    << "E"
                                    << "30-40" << true;
    QTest::newRow("ASCII station 5 at 19200 odd") << "ASCII" << 5 << "19200"
                                                  << "O"
                                                  << "1-8" << true;
    // The unit is not among the stations probed: nothing found, exit 3.
    QTest::newRow("RTU, unit outside the range") << "RTU" << 12 << "9600"
                                                 << "E"
                                                 << "1-4" << false;
}

void TstE2eBus::scan() {
    QFETCH(QString, mode);
    QFETCH(int, station);
    QFETCH(QString, baud);
    QFETCH(QString, parity);
    QFETCH(QString, stations);
    QFETCH(bool, found);
    QVERIFY2(pty_.startSim({"--mode", mode.toLower(), "--address", QString::number(station),
                            "--baud", baud, "--parity", parity}),
             qPrintable(pty_.error()));
    const testing::ConfigRun r = run({"--scan", "--scan-stations", stations, "--mode", mode,
                                      "--baud", baud, "--parity", parity});
    if (!found) {
        QVERIFY2(r.exitCode == 3, qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        return;
    }
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    // The unit's own registers: device coding 82, firmware 261, response time 10 ms.
    QCOMPARE(r.out.trimmed(),
             QStringLiteral("station=%1 mode=%2 baud=%3 parity=%4 coding=82 firmware=261 "
                            "response-time=10")
                 .arg(station)
                 .arg(mode, baud, parity));
    QVERIFY2(r.err.contains(QStringLiteral("1 Gerät gefunden")), qPrintable(r.err));
    // Nothing was written to the unit: every request the simulator received is a read of
    // registers (03), in RTU as bytes, in ASCII as the line.
    QString simLog;
    QTRY_VERIFY_WITH_TIMEOUT(
        (simLog = QString::fromLocal8Bit(pty_.simLog())).contains(QStringLiteral("tx ")), 3000);
    const QRegularExpression request(QStringLiteral("rx :?[0-9A-F]{2} ?([0-9A-F]{2})"));
    int requests = 0;
    for (auto it = request.globalMatch(simLog); it.hasNext(); ++requests)
        QCOMPARE(it.next().captured(1), QStringLiteral("03"));
    QVERIFY2(requests >= 1, qPrintable(simLog));
}

void TstE2eBus::traceOfReadOut_data() {
    QTest::addColumn<QString>("mode");
    QTest::newRow("rtu") << "rtu";
    QTest::newRow("ascii") << "ascii";
}

// Every request of the read-out is in the trace, each followed by the reply taken for its first
// try, and nothing was dropped.
void TstE2eBus::traceOfReadOut() {
    QFETCH(QString, mode);
    QVERIFY2(pty_.startSim({"--mode", mode}), qPrintable(pty_.error()));
    const QString trace = dir_.filePath(mode + QStringLiteral(".trace"));
    const testing::ConfigRun r = run({"--read-out", dir_.filePath(mode + QStringLiteral(".txt")),
                                      "--trace", trace, "--mode", mode.toUpper(), "--stats"});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));

    QFile f(trace);
    QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines =
        QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2 * kReadOutRequests);
    const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d"));
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        QVERIFY2(stamp.match(line).hasMatch(), qPrintable(line));
        QVERIFY2(line.contains(QStringLiteral("station 1,")), qPrintable(line));
        QVERIFY2(line.contains(QStringLiteral("checksum ok")), qPrintable(line));
        if (i % 2 == 0)
            QVERIFY2(line.contains(QStringLiteral(" -> ")) &&
                         line.endsWith(QStringLiteral("try first")),
                     qPrintable(line));
        else
            QVERIFY2(line.contains(QStringLiteral(" <- ")) &&
                         line.endsWith(QStringLiteral("taken, answered try first")),
                     qPrintable(line));
    }
    // The first request is the read of register 6 that the read device sends.
    QVERIFY2(lines.first().contains(QStringLiteral("read holding registers 6,")),
             qPrintable(lines.first()));
    QVERIFY2(r.err.contains(QStringLiteral("Bus: Anfragen 10 | Wiederholungen 0 | angenommen 10")),
             qPrintable(r.err));
}

QTEST_GUILESS_MAIN(TstE2eBus)
#include "tst_e2e_bus.moc"
