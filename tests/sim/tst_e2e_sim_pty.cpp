// The qtx52-sim executable on one end of a pseudo-terminal pair, a serial port on the other: the
// requests travel through the kernel in real time, so waits are bounded, not exact.

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTest>

#include <memory>

namespace {

// Reads a process's stderr until `pattern` matches somewhere in it or the time is up.
QRegularExpressionMatch awaitStderr(QProcess& process, QByteArray& seen,
                                    const QRegularExpression& pattern, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    process.setReadChannel(QProcess::StandardError);
    for (;;) {
        seen += process.readAllStandardError();
        const QRegularExpressionMatch m = pattern.match(QString::fromLocal8Bit(seen));
        if (m.hasMatch() || deadline.hasExpired() || process.state() == QProcess::NotRunning)
            return m;
        process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

void stop(QProcess* process) {
    if (process && process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(3000);
    }
}

} // namespace

class TstE2eSimPty : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void answersOverPty_data();
    void answersOverPty();

private:
    std::unique_ptr<QProcess> socat_;
    std::unique_ptr<QProcess> sim_;
    QString unitEnd_;
    QString masterEnd_;
};

void TstE2eSimPty::init() {
    const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
    if (socat.isEmpty())
        QSKIP("socat is not installed");
    if (qEnvironmentVariableIsEmpty("QTX52_SIM"))
        QSKIP("QTX52_SIM does not name the qtx52-sim executable");
    socat_ = std::make_unique<QProcess>();
    socat_->start(socat, {"-d", "-d", "pty,raw,echo=0", "pty,raw,echo=0"});
    QVERIFY(socat_->waitForStarted(5000));
    QByteArray seen;
    const QRegularExpression twoPtys(QStringLiteral("PTY is (\\S+).*\\n.*PTY is (\\S+)"));
    const QRegularExpressionMatch m = awaitStderr(*socat_, seen, twoPtys, 5000);
    QVERIFY2(m.hasMatch(), seen.constData());
    unitEnd_ = m.captured(1);
    masterEnd_ = m.captured(2);
}

void TstE2eSimPty::cleanup() {
    stop(sim_.get());
    stop(socat_.get());
    sim_.reset();
    socat_.reset();
}

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

    sim_ = std::make_unique<QProcess>();
    sim_->start(qEnvironmentVariable("QTX52_SIM"),
                {"--device", unitEnd_, "--mode", mode, "--address", QString::number(address),
                 "--baud", "9600", "--parity", "E"});
    QVERIFY(sim_->waitForStarted(5000));
    QByteArray log;
    QVERIFY2(awaitStderr(*sim_, log, QRegularExpression("station \\d+"), 5000).hasMatch(),
             log.constData());

    QSerialPort master;
    master.setPortName(masterEnd_);
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

    sim_->terminate();
    QVERIFY(sim_->waitForFinished(5000));
    QCOMPARE(sim_->exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim_->exitCode(), 0);
    log += sim_->readAllStandardError();
    QVERIFY2(log.contains("rx ") && log.contains("tx "), log.constData());
}

QTEST_GUILESS_MAIN(TstE2eSimPty)
#include "tst_e2e_sim_pty.moc"
