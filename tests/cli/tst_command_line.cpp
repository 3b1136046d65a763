#include "cli/command_line.h"

#include <QTest>

using namespace qtx52::cli;

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void linkOptions();
    void helpNamesTheProgram();
    void usageErrorsInBothLanguages_data();
    void usageErrorsInBothLanguages();
};

void TestCommandLine::parse_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("bad");
    using C = CommandLine::Command;
    QTest::newRow("window") << QStringList{} << int(C::Window) << false;
    QTest::newRow("help") << QStringList{"--help"} << int(C::Help) << false;
    QTest::newRow("read-out") << QStringList{"--read-out", "a.txt", "--simulate"} << int(C::ReadOut)
                              << false;
    QTest::newRow("write") << QStringList{"--write", "a.txt", "--device", "/dev/pts/3"}
                           << int(C::Write) << false;
    QTest::newRow("monitor") << QStringList{"--monitor", "3", "--port", "2"} << int(C::Monitor)
                             << false;
    QTest::newRow("two commands") << QStringList{"--read-out", "a", "--monitor", "2"} << 0 << true;
    QTest::newRow("monitor without end")
        << QStringList{"--monitor", "0", "--log", "a.csv"} << int(C::Monitor) << false;
    QTest::newRow("monitor negative") << QStringList{"--monitor", "-1"} << 0 << true;
    QTest::newRow("log without monitor")
        << QStringList{"--read-out", "a", "--log", "b"} << 0 << true;
    QTest::newRow("log without file") << QStringList{"--monitor", "1", "--log", ""} << 0 << true;
    QTest::newRow("monitor word") << QStringList{"--monitor", "many"} << 0 << true;
    QTest::newRow("two targets") << QStringList{"--simulate", "--device", "/dev/x"} << 0 << true;
    QTest::newRow("port 9") << QStringList{"--port", "9"} << 0 << true;
    QTest::newRow("baud 4800") << QStringList{"--baud", "4800"} << 0 << true;
    QTest::newRow("parity X") << QStringList{"--parity", "X"} << 0 << true;
    QTest::newRow("mode TCP") << QStringList{"--mode", "TCP"} << 0 << true;
    QTest::newRow("address 64") << QStringList{"--address", "64"} << 0 << true;
    QTest::newRow("address 0") << QStringList{"--address", "0"} << 0 << true;
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 0 << true;
    QTest::newRow("stray word") << QStringList{"file.txt"} << 0 << true;
}

void TestCommandLine::parse() {
    QFETCH(QStringList, args);
    QFETCH(int, command);
    QFETCH(bool, bad);
    args.prepend("qtx52-config");
    const CommandLine cl = parseCommandLine(args);
    QCOMPARE(!cl.error.isEmpty(), bad);
    if (!bad)
        QCOMPARE(int(cl.command), command);
}

void TestCommandLine::linkOptions() {
    const CommandLine cl = parseCommandLine(
        {"qtx52-config", "--read-out", "out.txt", "--device", "/dev/ttyUSB1", "--baud", "38400",
         "--parity", "o", "--mode", "ascii", "--address", "17", "--echo", "--quiet"});
    QVERIFY2(cl.error.isEmpty(), qPrintable(cl.error));
    QCOMPARE(cl.file, QString("out.txt"));
    QCOMPARE(cl.link.device, QString("/dev/ttyUSB1"));
    QCOMPARE(cl.link.baud, QString("38400"));
    QCOMPARE(cl.link.parity, QChar('O'));
    QCOMPARE(cl.link.mode, QString("ASCII"));
    QCOMPARE(cl.link.address, 17);
    QVERIFY(cl.link.echo);
    QVERIFY(cl.quiet);
    const CommandLine defaults = parseCommandLine({"qtx52-config"});
    QCOMPARE(defaults.link.baud, QString("9600"));
    QCOMPARE(defaults.link.parity, QChar('E'));
    QCOMPARE(defaults.link.mode, QString("RTU"));
    QCOMPARE(defaults.link.address, 1);
    QVERIFY(!defaults.link.simulate);
    QVERIFY(!defaults.link.echo);
}

// The test program has a name of its own; the help always speaks of qtx52-config.
void TestCommandLine::helpNamesTheProgram() {
    const CommandLine cl = parseCommandLine({QStringLiteral("some/other-name"), "--help"});
    QVERIFY2(cl.helpText.startsWith(QStringLiteral("Usage: qtx52-config [options]\n")),
             qPrintable(cl.helpText.left(60)));
}

void TestCommandLine::usageErrorsInBothLanguages_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("de");
    QTest::addColumn<QString>("en");
    QTest::newRow("unknown option")
        << QStringList{"--frobnicate"} << "unbekannte Option: --frobnicate"
        << "unknown option: --frobnicate";
    QTest::newRow("missing value") << QStringList{"--write"} << "--write braucht einen Wert"
                                   << "--write needs a value";
    QTest::newRow("value to a switch") << QStringList{"--quiet=yes"} << "--quiet nimmt keinen Wert"
                                       << "--quiet takes no value";
    QTest::newRow("stray word") << QStringList{"a%1b"} << "unerwartetes Argument: a%1b"
                                << "unexpected argument: a%1b";
    QTest::newRow("baud") << QStringList{"--baud", "4800"}
                          << "--baud nimmt 9600, 19200, 38400 oder 57600"
                          << "--baud takes 9600, 19200, 38400 or 57600";
}

void TestCommandLine::usageErrorsInBothLanguages() {
    QFETCH(QStringList, args);
    QFETCH(QString, de);
    QFETCH(QString, en);
    const CommandLine cl = parseCommandLine(QStringList{"qtx52-config"} + args);
    QCOMPARE(usageError(cl, Language::German), de);
    QCOMPARE(usageError(cl, Language::English), en);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
