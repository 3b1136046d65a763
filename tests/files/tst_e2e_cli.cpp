// qtx52-config's commands without a window, run as a process against qtx52-sim over a
// pseudo-terminal pair: the whole program on a real serial line in real time, so every wait is
// bounded, none exact.

#include "forms/clock.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "sim/roomunit.h"
#include "support/config_process.h"
#include "support/pty_pair.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace qtx52;

namespace {

using Run = testing::ConfigRun;

// The lines of a parameter file; the third ";" piece of line 15 + i is register i, of line
// 53 + i coil i.
QStringList fileLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"));
}

QString piece(const QStringList& lines, int line) {
    return lines.value(line - 1).section(QLatin1Char(';'), 2, 2).trimmed();
}

// The unit's factory configuration as the editor shows it, under the decimal comma.
QStringList factoryTexts() {
    forms::ManualClock clock;
    sim::RoomUnit unit(clock);
    QStringList out;
    for (int i = 0; i < 38; ++i) {
        const quint16 raw = unit.reg(i);
        double v = raw;
        if (params::configEncoding(i) == params::Encoding::Signed)
            v = qint16(raw);
        else if (params::configEncoding(i) == params::Encoding::SignedTenths)
            v = qint16(raw) / 10.0;
        out << params::formatNumber(v, QStringLiteral(","));
    }
    for (int i = 0; i < 14; ++i)
        out << QString::number(unit.coil(i) ? 1 : 0);
    return out;
}

QStringList valuesIn(const QString& path) {
    const QStringList lines = fileLines(path);
    QStringList out;
    for (int i = 0; i < 38 + 14; ++i)
        out << piece(lines, 15 + i);
    return out;
}

} // namespace

class TstE2eCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void readOut_data();
    void readOut();
    void write_data();
    void write();
    void monitor_data();
    void monitor();
    void failures_data();
    void failures();

private:
    Run run(const QStringList& arguments, bool onPty = true);
    QString path(const QString& name) const { return dir_.filePath(name); }

    testing::PtyPair pty_;
    QTemporaryDir dir_;
};

void TstE2eCli::initTestCase() {
    if (qEnvironmentVariableIsEmpty("QTX52_CONFIG"))
        QSKIP("QTX52_CONFIG does not name the qtx52-config executable");
    QVERIFY(dir_.isValid());
    // The user's settings: the decimal comma, whatever the locale of the machine.
    QVERIFY(QDir().mkpath(path(QStringLiteral("config/qtx52-config"))));
    QFile user(path(QStringLiteral("config/qtx52-config/user.ini")));
    QVERIFY(user.open(QIODevice::WriteOnly));
    user.write("[Control Panel\\International]\n\"sDecimal\"=\",\"\n");
}

void TstE2eCli::init() {
    if (!pty_.start())
        QSKIP(qPrintable(pty_.error()));
}

void TstE2eCli::cleanup() {
    pty_.stop();
}

Run TstE2eCli::run(const QStringList& arguments, bool onPty) {
    return testing::runConfig(
        arguments + (onPty ? QStringList{"--device", pty_.masterEnd()} : QStringList()),
        path(QStringLiteral("config")));
}

void TstE2eCli::readOut_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<bool>("echo"); // qtx52-sim echoes like an adapter, the program strips it
    QTest::newRow("rtu") << "rtu" << false << false;
    QTest::newRow("ascii, quiet") << "ascii" << true << false;
    QTest::newRow("rtu, echo") << "rtu" << false << true;
    QTest::newRow("ascii, echo") << "ascii" << true << true;
}

void TstE2eCli::readOut() {
    QFETCH(QString, mode);
    QFETCH(bool, quiet);
    QFETCH(bool, echo);
    const QStringList echoArg = echo ? QStringList{"--echo"} : QStringList();
    QVERIFY2(pty_.startSim(QStringList{"--mode", mode} + echoArg), qPrintable(pty_.error()));
    const QString file = path(mode + QStringLiteral(".txt"));
    const Run r = run(QStringList{"--read-out", file, "--mode", mode.toUpper()} + echoArg +
                      (quiet ? QStringList{"--quiet"} : QStringList()));
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(valuesIn(file), factoryTexts());
    QCOMPARE(fileLines(file).size(), 66 + 1); // the last line ends in CR LF as well
    QVERIFY(r.out.contains(file));
    QCOMPARE(r.err.isEmpty(), quiet);
}

void TstE2eCli::write_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QStringList>("unit"); // further arguments of qtx52-sim
    QTest::addColumn<int>("line"); // whose third piece is changed in the read-out file (0: none)
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // on standard output or standard error
    QTest::addColumn<QString>("held"); // by the unit afterwards (none: what it held before)
    QTest::newRow("base setpoint") << "rtu" << QStringList() << 15 + 11 << "22,5" << 0 << "geprüft"
                                   << "22,5";
    QTest::newRow("humidity display coil")
        << "ascii" << QStringList() << 53 + 1 << " 1 " << 0 << "geprüft"
        << "1";
    QTest::newRow("unchanged") << "rtu" << QStringList() << 0 << QString() << 0
                               << "nichts zu schreiben" << QString();
    // The temperature offset holds tenths: 1,55 would be held as 1,6, so it is not sent.
    QTest::newRow("more digits than the unit keeps")
        << "rtu" << QStringList() << 15 + 7 << "1,55" << 5
        << "Register 8 (Temperatur-Offset [K]): \"1,55\" hat mehr Nachkommastellen, als das "
           "Register speichert: das Gerät speichert 1,6"
        << QString();
    // A unit whose own checks refuse a value the program finds good: exit 6 with the code in
    // words, the refused block, and what the unit had taken before.
    QTest::newRow("first block refused")
        << "rtu" << QStringList{"--refuse", "11"} << 15 + 11 << "22,5" << 6
        << "Register 3..12 abgelehnt: Code 03, Wert abgelehnt" << QString();
    QTest::newRow("last block refused, three taken")
        << "ascii" << QStringList{"--refuse", "35"} << 15 + 35 << "90" << 6
        << "bestätigt: Register 3..12, Register 13..22, Register 23..32" << QString();
}

void TstE2eCli::write() {
    QFETCH(QString, mode);
    QFETCH(QStringList, unit);
    QFETCH(int, line);
    QFETCH(QString, value);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QString, held);
    QVERIFY2(pty_.startSim(QStringList{"--mode", mode} + unit), qPrintable(pty_.error()));
    const QStringList link{"--mode", mode.toUpper()};
    const QString file = path(QStringLiteral("w.txt"));
    QCOMPARE(run(QStringList{"--read-out", file} + link).exitCode, 0);
    if (line > 0) {
        QStringList lines = fileLines(file);
        QStringList pieces = lines[line - 1].split(QLatin1Char(';'));
        pieces[2] = value;
        lines[line - 1] = pieces.join(QLatin1Char(';'));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(lines.join(QStringLiteral("\r\n")).toLatin1());
    }

    const QString sheet = path(QStringLiteral("w.pdf"));
    QFile::remove(sheet);
    const Run r = run(QStringList{"--write", file, "--report", sheet} + link);
    QVERIFY2(r.exitCode == exitCode, qPrintable(r.out + r.err));
    QVERIFY2((r.out + r.err).contains(said), qPrintable(r.out + r.err));
    // The sheet follows every write that compared the unit with the file, nothing to write too.
    QCOMPARE(QFile::exists(sheet), exitCode == 0 || exitCode == 4);

    // What the unit holds now, read out afresh.
    const QString after = path(QStringLiteral("after.txt"));
    QCOMPARE(run(QStringList{"--read-out", after} + link).exitCode, 0);
    QStringList expected = factoryTexts();
    if (line > 0 && !held.isNull())
        expected[line - 15] = held;
    QCOMPARE(valuesIn(after), expected);
}

void TstE2eCli::monitor_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QStringList>("unit"); // further arguments of qtx52-sim
    QTest::newRow("rtu") << "rtu" << QStringList();
    QTest::newRow("ascii") << "ascii" << QStringList();
    // A unit at 1500 ms answers every request after its first repeat, while the command does not
    // know the response time: the answers to both tries come, one is taken, the other dropped.
    // (A whole read-out of such a unit paces each request at 15 response times: minutes.)
    QTest::newRow("rtu, unit at 1500 ms") << "rtu" << QStringList{"--response-time", "1500"};
    QTest::newRow("ascii, unit at 1500 ms") << "ascii" << QStringList{"--response-time", "1500"};
}

void TstE2eCli::monitor() {
    QFETCH(QString, mode);
    QFETCH(QStringList, unit);
    QVERIFY2(pty_.startSim(QStringList{"--mode", mode} + unit), qPrintable(pty_.error()));
    QElapsedTimer t;
    t.start();
    const Run r = run({"--monitor", "3", "--mode", mode.toUpper()});
    qInfo("three monitor cycles: %lld ms", static_cast<long long>(t.elapsed()));
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1 + 3);
    QVERIFY2(lines.takeFirst().startsWith(QLatin1String("Zeit;")), qPrintable(r.out));
    for (const QString& line : std::as_const(lines)) {
        const QStringList fields = line.split(QLatin1Char(';'));
        QCOMPARE(fields.size(), 1 + 18 + 4);
        QVERIFY2(QDateTime::fromString(fields.at(0), Qt::ISODateWithMs).isValid(),
                 qPrintable(line));
        // Registers 258 and 261: the room temperature and humidity as the unit measures them.
        const double temperature = params::parseNumber(fields.at(1 + 2), ",").value_or(0);
        const double humidity = params::parseNumber(fields.at(1 + 5), ",").value_or(0);
        QVERIFY2(temperature > 15 && temperature < 30 && humidity > 30 && humidity < 60,
                 qPrintable(line));
    }
}

void TstE2eCli::failures_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("simulated"); // qtx52-sim answers at station 1
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // on standard error
    QTest::newRow("no device") << QStringList{"--read-out", "x.txt", "--device", "/dev/nothing"}
                               << false << 3 << "COM-Port not available";
    QTest::newRow("silent unit") << QStringList{"--read-out", "x.txt", "--address", "7"} << true
                                 << 3 << "Kommunikationsprobleme, bitte Einstellungen überprüfen!";
    // The real main() speaks the interface's language (German without a machine store) in usage
    // errors as well.
    QTest::newRow("bad usage") << QStringList{"--monitor", "-1"} << false << 2
                               << "qtx52-config: --monitor braucht eine Anzahl Zyklen, 0 für kein "
                                  "Ende\nHilfe mit 'qtx52-config --help'.";
    QTest::newRow("unknown option")
        << QStringList{"--frobnicate"} << false << 2 << "unbekannte Option: --frobnicate";
    QTest::newRow("missing file") << QStringList{"--write", "missing.txt"} << true << 5
                                  << "missing.txt\" gibt es nicht";
    QTest::newRow("save into a missing folder")
        << QStringList{"--read-out", "no/such/folder/x.txt"} << true << 5 << "x.txt";
}

void TstE2eCli::failures() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, simulated);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    if (simulated)
        QVERIFY2(pty_.startSim({"--mode", "rtu"}), qPrintable(pty_.error()));
    for (QString& a : arguments)
        if (a.endsWith(QLatin1String(".txt")))
            a = path(a);
    const bool ownDevice = arguments.contains(QStringLiteral("--device"));
    const Run r = run(arguments, !ownDevice);
    QVERIFY2(r.exitCode == exitCode, qPrintable(r.err));
    QVERIFY2(r.err.contains(said), qPrintable(r.err));
    QVERIFY(!QFile::exists(path(QStringLiteral("x.txt"))));
}

QTEST_GUILESS_MAIN(TstE2eCli)
#include "tst_e2e_cli.moc"
