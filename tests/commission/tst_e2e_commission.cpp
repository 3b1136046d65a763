// A building commissioned by the real program over real lines: qtx52-sim with three stations on
// one end of a pseudo-terminal pair and another with two stations behind a TCP device server on
// loopback, one plan over both, run to the end, resumed, and run again with Ctrl+C. Real
// processes in real time, so every wait is bounded, none exact.

#include "support/config_process.h"
#include "support/pty_pair.h"
#include "support/sim_server.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// The saved sample (its coil 13 made sendable) with the location number (register 4) set.
QByteArray setWithLocation(const QByteArray& value) {
    QFile file(QStringLiteral(QT_TESTCASE_SOURCEDIR "/files/data/parameters_de.txt"));
    file.open(QIODevice::ReadOnly);
    QList<QByteArray> lines = file.readAll().split('\n');
    for (const auto& [at, text] : {std::pair{65, QByteArray(" 1 ")}, std::pair{18, value}}) {
        QList<QByteArray> pieces = lines[at - 1].split(';');
        pieces[2] = text + "\r";
        lines[at - 1] = pieces.join(';');
    }
    return lines.join('\n');
}

QStringList results(const QString& dir) {
    QFile json(dir + "/commissioning.json");
    if (!json.open(QIODevice::ReadOnly))
        return {};
    QStringList out;
    for (const QJsonValue& row : QJsonDocument::fromJson(json.readAll()).array())
        out << row.toObject().value("room").toString() + " " +
                   row.toObject().value("result").toString();
    return out;
}

} // namespace

class TstE2eCommission : public QObject {
    Q_OBJECT
private slots:
    void twoLines();
    void cleanup();

private:
    qtx52::testing::PtyPair pty_;
    qtx52::testing::SimServer server_;
};

void TstE2eCommission::cleanup() {
    pty_.stop();
    server_.stop();
}

void TstE2eCommission::twoLines() {
    QTemporaryDir dir;
    QVERIFY(pty_.start());
    QVERIFY2(pty_.startSim({"--stations", "1-3", "--parity", "N"}), qPrintable(pty_.error()));
    QVERIFY(server_.start(QStringLiteral("--listen"), {"--stations", "5,9", "--parity", "N"}));
    const quint16 port = server_.port();

    const auto write = [&dir](const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write("a.txt", setWithLocation("7"));
    write("b.txt", setWithLocation("42"));
    const QString tcp = QStringLiteral("tcp://127.0.0.1:%1").arg(port);
    write("plan.csv", ("Linie;Station;Parität;Raum;Satz\n" + pty_.masterEnd() + ";1;N;A1;a.txt\n" +
                       pty_.masterEnd() + ";2;;A2;a.txt\n" + pty_.masterEnd() + ";3;;A3;a.txt\n" +
                       tcp + ";5;N;B5;b.txt\n" + tcp + ";9;;B9;b.txt\n")
                          .toUtf8());
    const QString out = dir.filePath("out");
    const QStringList args{"--commission", dir.filePath("plan.csv"), "--out", out, "--progress"};
    const QString config = dir.filePath("config");
    // The sample set writes its numbers with ",".
    QVERIFY(QDir().mkpath(config + "/qtx52-config"));
    write("config/qtx52-config/user.ini", "[Control Panel\\International]\n\"sDecimal\"=\",\"\n");

    qtx52::testing::ConfigRun r = qtx52::testing::runConfig(args, config, 120000);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QStringList got = results(out);
    got.sort();
    QCOMPARE(got, QStringList(
                      {"A1 verified", "A2 verified", "A3 verified", "B5 verified", "B9 verified"}));
    QVERIFY2(r.err.contains("Geräte fertig nach"), qPrintable(r.err));
    for (const QString& room : QStringList{"A1", "A2", "A3", "B5", "B9"})
        QVERIFY(QFile::exists(out + "/sheets/" + room + ".pdf"));
    QVERIFY(QFile::exists(out + "/commissioning.pdf"));

    // The same plan again: everything is done and nothing is sent.
    pty_.simLog(); // the simulator's log read, so its pipe never fills
    r = qtx52::testing::runConfig(args, config, 60000);
    QVERIFY2(r.exitCode == 0 && r.err.contains("5 schon früher fertig"), qPrintable(r.err));
    QCOMPARE(results(out).size(), 5);

    // Again, stopped by Ctrl+C once the first unit has ended: each line's unit under way ends,
    // the rest are recorded as cancelled.
    std::unique_ptr<QProcess> p =
        qtx52::testing::startConfig(args + QStringList{"--again"}, config);
    QVERIFY(p->waitForStarted(5000));
    p->setReadChannel(QProcess::StandardError);
    QByteArray err;
    for (int i = 0; i < 600 && !err.contains("): "); ++i) {
        p->waitForReadyRead(100);
        err += p->readAllStandardError();
    }
    QVERIFY2(err.contains("): "), err.constData());
    ::kill(pid_t(p->processId()), SIGINT);
    r = qtx52::testing::finishConfig(*p, 60000);
    r.err = QString::fromUtf8(err) + r.err;
    QVERIFY2(r.exitCode == 3, qPrintable(r.err));
    const QStringList last = results(out).mid(5);
    QCOMPARE(last.size(), 5);
    QVERIFY2(last.filter(" already").size() >= 1 && last.filter(" cancelled").size() >= 1,
             qPrintable(last.join(", ")));
}

QTEST_GUILESS_MAIN(TstE2eCommission)
#include "tst_e2e_commission.moc"
