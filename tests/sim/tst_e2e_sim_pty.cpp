// The qtx52-sim executable on one end of a pseudo-terminal pair, a serial port on the other: the
// requests travel through the kernel in real time, so waits are bounded, not exact.

#include "support/pty_pair.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QTest>

class TstE2eSimPty : public QObject {
    Q_OBJECT
private slots:
    void answersOverPty_data();
    void answersOverPty();
};

void TstE2eSimPty::answersOverPty_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("address");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("rtu read reg 6") << "rtu" << 1 << QByteArray::fromHex("010300060001640B")
                                    << QByteArray::fromHex("010302000A3843");
    QTest::newRow("ascii read reg 6")
        << "ascii" << 1 << QByteArray(":010300060001F5\r\n") << QByteArray(":010302000AF0\r\n");
    // Station 17 writes 0 to occupancy (516); the reply echoes start and quantity.
    QTest::newRow("rtu write at station 17")
        << "rtu" << 17 << QByteArray::fromHex("11100204000102000049D4")
        << QByteArray::fromHex("1110020400014320");
}

void TstE2eSimPty::answersOverPty() {
    QFETCH(QString, mode);
    QFETCH(int, address);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);

    qtx52::testing::PtyPair pty;
    if (!pty.start())
        QSKIP(qPrintable(pty.error()));
    QVERIFY2(pty.startSim({"--mode", mode, "--address", QString::number(address), "--baud", "9600",
                           "--parity", "E"}),
             qPrintable(pty.error()));

    QSerialPort master;
    master.setPortName(pty.masterEnd());
    QVERIFY2(master.open(QIODevice::ReadWrite), qPrintable(master.errorString()));
    master.setBaudRate(9600);
    master.write(request);
    QVERIFY(master.waitForBytesWritten(2000));
    QByteArray got;
    QDeadlineTimer deadline(3000);
    while (got.size() < reply.size() && !deadline.hasExpired()) {
        master.waitForReadyRead(50);
        got += master.readAll();
    }
    QCOMPARE(got.toHex(' '), reply.toHex(' '));

    QProcess* sim = pty.sim();
    sim->terminate();
    QVERIFY(sim->waitForFinished(5000));
    QCOMPARE(sim->exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim->exitCode(), 0);
    const QByteArray log = pty.simLog() + sim->readAllStandardError();
    QVERIFY2(log.contains("rx ") && log.contains("tx "), log.constData());
}

QTEST_GUILESS_MAIN(TstE2eSimPty)
#include "tst_e2e_sim_pty.moc"
