// The commands without a window, in process on virtual time against the simulated unit: the cases
// that need the unit's insides (faults, pinned live values, its address) or exact timing.

#include "app/cli.h"
#include "editor/numbers.h"
#include "editor/register_map.h"
#include "forms/clock.h"
#include "sim/simcommport.h"
#include "sim/station.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace qtx52;

namespace {

struct Rig {
    forms::ManualClock clock;
    sim::Station station{clock};
    sim::SimCommPort port{clock, station};
    QTemporaryDir dir;
    QStringList out;
    QStringList err;

    Rig() {
        QFile user(path("user.ini"));
        if (!user.open(QIODevice::WriteOnly))
            qFatal("cannot write the user settings");
        user.write("[Control Panel\\International]\n\"sDecimal\"=\",\"\n");
        user.close();
        // The unit takes whatever line settings the program opens with.
        port.setOpenObserver([this](const link::LineSettings& line) {
            station.setLineSettings(line);
            station.setFraming(line.dataBits == 7 ? sim::Framing::Ascii : sim::Framing::Rtu);
        });
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    int run(const QStringList& arguments) {
        out.clear();
        err.clear();
        const app::CommandLine cl = app::parseCommandLine(QStringList{"qtx52-config"} + arguments);
        // No machine settings: German texts.
        const settings::StorePaths stores{path("machine.ini"), path("user.ini")};
        app::CommandRunner runner(
            cl, clock, port, stores,
            {[this](const QString& l) { out << l; }, [this](const QString& l) { err << l; }});
        runner.start();
        clock.advanceUntil([&runner] { return runner.finished(); }, 600'000);
        return runner.finished() ? runner.exitCode() : -1;
    }

    // Reads the unit out to a file and changes the third piece of one line of it.
    void readOutAndChange(const QString& file, int line, const QString& value) {
        QCOMPARE(run({"--read-out", file}), 0);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromLatin1(f.readAll()).split("\r\n");
        f.close();
        QStringList pieces = lines[line - 1].split(';');
        pieces[2] = value;
        lines[line - 1] = pieces.join(';');
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(lines.join("\r\n").toLatin1());
    }
};

} // namespace

class TstCli : public QObject {
    Q_OBJECT
private slots:
    void refusedValueIsALinkFailure();
    void lateRepliesDoNotCutTheReadOut();
    void monitorLinesHoldTheLiveRegisters();
    void writesToTheStationOfTheCommandLine();
};

void TstCli::refusedValueIsALinkFailure() {
    Rig r;
    const QString file = r.path("a.txt");
    // Maximum heating limit 150 %: the unit answers exception 03, which the link never takes.
    r.readOutAndChange(file, 15 + 18, "150");
    QCOMPARE(r.run({"--write", file}), 6);
    QVERIFY2(r.err.join('\n').contains(QStringLiteral("Wert abgelehnt")),
             qPrintable(r.err.join('\n')));
    // A failed command always ends with the link counters, which saw the refusal.
    QVERIFY2(r.err.last().startsWith("link: requests "), qPrintable(r.err.join('\n')));
    QVERIFY2(r.err.last().contains("exceptions 03x1"), qPrintable(r.err.last()));
    QCOMPARE(r.station.unit().reg(18), quint16(100));
    QVERIFY(!r.port.portOpen());
}

void TstCli::lateRepliesDoNotCutTheReadOut() {
    Rig r;
    // No response time at 57600 baud: the status window's limit is still never shorter than the
    // link needs to give up on a request, so replies 300 ms late do not cut the read-out.
    r.station.unit().setReg(6, 0);
    r.station.faults().setLateReply(300, 2);
    QCOMPARE(r.run({"--read-out", r.path("b.txt"), "--baud", "57600"}), 0);
    QVERIFY(QFile::exists(r.path("b.txt")));
}

void TstCli::monitorLinesHoldTheLiveRegisters() {
    Rig r;
    r.station.unit().setLiveMotion(false);
    r.station.unit().setReg(258, quint16(-35)); // -3,5 °C
    QCOMPARE(r.run({"--monitor", "2", "--quiet"}), 0);
    QVERIFY(r.err.isEmpty());
    QCOMPARE(r.out.size(), 2);
    QStringList expected;
    for (int k = 0; k < 18; ++k) {
        const quint16 raw = r.station.unit().reg(256 + k);
        const bool tenths = editor::monitorEncoding(256 + k) == editor::Encoding::SignedTenths;
        expected << editor::formatNumber(tenths ? qint16(raw) / 10.0 : raw, ",");
    }
    QCOMPARE(expected.at(2), QStringLiteral("-3,5"));
    for (const QString& line : std::as_const(r.out))
        QCOMPARE(line.split(';').mid(1), expected);
}

void TstCli::writesToTheStationOfTheCommandLine() {
    Rig r;
    const QString file = r.path("c.txt");
    r.readOutAndChange(file, 15 + 35, "90"); // bypass time
    QVERIFY(r.station.setAddress(5));
    QCOMPARE(r.run({"--write", file, "--address", "5"}), 0);
    QCOMPARE(r.station.unit().reg(35), quint16(90));
    QVERIFY2(r.err.join('\n').contains("von Station \"1\" gespeichert; geschrieben wird Station 5"),
             qPrintable(r.err.join('\n')));
    QVERIFY(r.out.last().startsWith(QStringLiteral("geprüft")));
}

QTEST_GUILESS_MAIN(TstCli)
#include "tst_cli.moc"
