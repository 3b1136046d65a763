// qtx52-config --monitor 0 --log FILE as a process against its simulated unit, ended by Ctrl+C or
// SIGTERM: it exits 0 with the file whole, holding exactly the lines it printed. Runs in real time
// (the program's own clock), bounded to a few seconds.

#include "support/config_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class TestE2eMonitorLog : public QObject {
    Q_OBJECT
private slots:
    void endsCleanlyOnASignal_data();
    void endsCleanlyOnASignal();
    void unwritableLogEndsTheCommand();
};

void TestE2eMonitorLog::endsCleanlyOnASignal_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("Ctrl+C") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
}

void TestE2eMonitorLog::endsCleanlyOnASignal() {
    QFETCH(int, signal);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("live.csv"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("QTX52_CONFIG"),
            {"--monitor", "0", "--log", file, "--simulate", "--quiet"});
    QVERIFY2(p.waitForStarted(10000), qPrintable(p.errorString()));

    // The header and three cycles.
    QByteArray out;
    QElapsedTimer waited;
    waited.start();
    while (out.count('\n') < 4 && waited.elapsed() < 20000) {
        p.waitForReadyRead(1000);
        out += p.readAllStandardOutput();
    }
    QVERIFY2(out.count('\n') >= 4, out.constData());
    QCOMPARE(::kill(pid_t(p.processId()), signal), 0);
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    out += p.readAllStandardOutput();

    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    // Every line whole, the last one included.
    QVERIFY(bytes.endsWith("\r\n"));
    const QStringList written = QString::fromUtf8(bytes.chopped(2)).split(QStringLiteral("\r\n"));
    const QStringList printed = QString::fromLocal8Bit(out).trimmed().split(QLatin1Char('\n'));
    QCOMPARE(written, printed);
    QVERIFY(written.first().startsWith(QLatin1String("Zeit;Taster Status;")));
    QVERIFY(written.size() >= 4);
    for (const QString& line : written)
        QCOMPARE(line.split(QLatin1Char(';')).size(), 23);
}

void TestE2eMonitorLog::unwritableLogEndsTheCommand() {
    QTemporaryDir dir;
    const qtx52::testing::ConfigRun r = qtx52::testing::runConfig(
        {"--monitor", "2", "--log", "/dev/full", "--simulate"}, dir.path(), 20000);
    QCOMPARE(r.exitCode, 5);
    QVERIFY2(r.err.contains(
                 QStringLiteral("Die Aufzeichnung kann nicht in /dev/full geschrieben werden")),
             qPrintable(r.err));
    // Not even the header: no line goes out that the file does not have.
    QVERIFY2(r.out.isEmpty(), qPrintable(r.out));
}

QTEST_GUILESS_MAIN(TestE2eMonitorLog)
#include "tst_e2e_monitor_log.moc"
