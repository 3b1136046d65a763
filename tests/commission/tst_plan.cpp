// The commissioning plan: every good plan gives its units with their line's settings, every bad
// one is refused with each fault on its plan line.

#include "commission/plan.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace qtx52;
using commission::PlanFault;

namespace {

// The saved sample with the value on a line (counted from 1) replaced.
QByteArray setWith(int line, const QByteArray& value) {
    QFile file(QStringLiteral(QT_TESTCASE_SOURCEDIR "/files/data/parameters_de.txt"));
    file.open(QIODevice::ReadOnly);
    QList<QByteArray> lines = file.readAll().split('\n');
    QList<QByteArray> pieces = lines[line - 1].split(';');
    pieces[2] = value + "\r";
    lines[line - 1] = pieces.join(';');
    return lines.join('\n');
}

// The sample holds a coil the write cannot send (2, as a unit may report it).
QByteArray goodSet() {
    return setWith(65, " 1 ");
}

// The sample with the lines of two fields exchanged: by position each value would land on the
// other's register.
QByteArray swappedSet() {
    QList<QByteArray> lines = goodSet().split('\n');
    lines.swapItemsAt(32, 33); // Register 19 and 20
    return lines.join('\n');
}

const QByteArray kHeader = "line;station;mode;baud;parity;room;set\n";

} // namespace

class TestPlan : public QObject {
    Q_OBJECT
private slots:
    void plans_data();
    void plans();
};

void TestPlan::plans_data() {
    QTest::addColumn<QByteArray>("plan");
    // "room station mode baud parity" per row without fault, in plan order, with " fast" when
    // its line reads fast (a plan with any fault is refused whole all the same).
    QTest::addColumn<QStringList>("units");
    // "planline:fault" per problem.
    QTest::addColumn<QStringList>("problems");

    const auto f = [](int line, PlanFault fault) {
        return QStringLiteral("%1:%2").arg(line).arg(int(fault));
    };
    QTest::newRow("settings once per line, comma, German names in another order")
        << QByteArray("Raum,Linie,Station,Modus,Baudrate,Parität,Satz\n"
                      "R1,/dev/ttyUSB0,1,ASCII,19200,N,good.txt\n"
                      "R2,/dev/ttyUSB0,2,,,,good.txt\n"
                      "R3,tcp://10.0.0.5:4001,1,,,,sub/../good.txt\n"
                      "R4,mbap://10.0.0.6,1,,,,good.txt\n")
        << QStringList{"R1 1 ASCII 19200 N", "R2 2 ASCII 19200 N", "R3 1 RTU 9600 E",
                       "R4 1 RTU 9600 E"}
        << QStringList{};
    QTest::newRow("spreadsheet quotes, Latin-1 room, CRLF, a blank row, coding")
        << (QByteArray("\"line\";\"station\";\"room\";\"set\";\"coding\";\"firmware\"\r\n"
                       "\"sim:a\";\"7\";\"Büro \"\"Nord\"\"; 2.OG\";good.txt;82;261\r\n;;;;;\r\n"
                       "3;8;\"Flur\nOst\";good.txt;;\r\n")
                .replace("ü", "\xFC"))
        << QStringList{"Büro \"Nord\"; 2.OG 7 RTU 9600 E", "Flur\nOst 8 RTU 9600 E"}
        << QStringList{};
    QTest::newRow("header faults")
        << QByteArray("line;station;room;Stockwerk;room\nx;1;a\n") << QStringList{}
        << QStringList{f(1, PlanFault::UnknownColumn), f(1, PlanFault::DoubledColumn),
                       f(1, PlanFault::MissingColumn)};
    QTest::newRow("every row fault with its line")
        << kHeader + "/dev/a;1;RTU;9600;E;A;good.txt\n"
                     "/dev/a;1;RTU;9600;E;B;good.txt\n" // 3 station twice
                     "COM9;64;rtu;9601;X;C;good.txt\n"  // 4 line, station, baud, parity
                     "/dev/a;2;ASCII;;;a;good.txt\n"    // 5 mode differs, room twice (case)
                     ";3;;;;;\n"                        // 6 no line, room, set
                     "/dev/b;3;;;;D;missing.txt\n"      // 7 set unreadable
                     "/dev/b;4;;;;E;bad.txt\n"          // 8 bad value
                     "/dev/b;5;;;;F;short.txt;x\n"      // 9 too many fields
                     "/dev/b;6;;;;G/H;good.txt\n"       // fine
                     "/dev/b;7;;;;G:H;good.txt\n"       // 11 same results file as G/H
        << QStringList{"A 1 RTU 9600 E", "G/H 6 RTU 9600 E"}
        << QStringList{f(3, PlanFault::StationTwice),  f(4, PlanFault::BadLine),
                       f(4, PlanFault::BadStation),    f(4, PlanFault::BadBaud),
                       f(4, PlanFault::BadParity),     f(5, PlanFault::SettingsDiffer),
                       f(5, PlanFault::RoomTwice),     f(6, PlanFault::NoLine),
                       f(6, PlanFault::NoRoom),        f(6, PlanFault::SetMissing),
                       f(7, PlanFault::SetUnreadable), f(8, PlanFault::SetValues),
                       f(9, PlanFault::FieldCount),    f(11, PlanFault::RoomTwice)};
    QTest::newRow("incomplete set, bad coding, lines exchanged")
        << QByteArray("line,station,room,set,coding\n1,1,A,short.txt,\n1,2,B,good.txt,-1\n"
                      "1,3,C,swapped.txt,\n")
        << QStringList{}
        << QStringList{f(2, PlanFault::SetIncomplete), f(3, PlanFault::BadCoding),
                       f(4, PlanFault::SetIncomplete)};
    QTest::newRow("open quote") << kHeader + "/dev/a;1;;;;\"A;good.txt\n"
                                << QStringList{} << QStringList{f(2, PlanFault::OpenQuote)};
    QTest::newRow("fast once per line, either language; a contradiction and a bad word")
        << QByteArray("line;station;room;set;Schnell lesen\n"
                      "/dev/a;1;A;good.txt;ja\n/dev/a;2;B;good.txt;\n/dev/b;1;C;good.txt;no\n"
                      "/dev/c;1;D;good.txt;x\n/dev/c;2;E;good.txt;0\n/dev/d;1;F;good.txt;fast\n")
        << QStringList{"A 1 RTU 9600 E fast", "B 2 RTU 9600 E fast", "C 1 RTU 9600 E",
                       "D 1 RTU 9600 E fast"}
        << QStringList{f(6, PlanFault::SettingsDiffer), f(7, PlanFault::BadFast)};
    QTest::newRow("header only") << kHeader << QStringList{} << QStringList{f(0, PlanFault::Empty)};
}

void TestPlan::plans() {
    QFETCH(QByteArray, plan);
    QFETCH(QStringList, units);
    QFETCH(QStringList, problems);
    QTemporaryDir dir;
    const auto write = [&dir](const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write(QStringLiteral("good.txt"), goodSet());
    write(QStringLiteral("bad.txt"), setWith(23, "1e9"));
    write(QStringLiteral("short.txt"), goodSet().left(900));
    write(QStringLiteral("swapped.txt"), swappedSet());
    write(QStringLiteral("plan.csv"), plan);

    const commission::Plan read = commission::readPlan(dir.filePath(QStringLiteral("plan.csv")),
                                                       QStringLiteral(","), QStringLiteral("1033"));
    QStringList gotUnits, gotProblems;
    for (const commission::PlanUnit& u : read.units) {
        gotUnits << QStringLiteral("%1 %2 %3 %4 %5")
                            .arg(u.room)
                            .arg(u.station)
                            .arg(u.mode, u.baud, u.parity) +
                        (u.fast ? QStringLiteral(" fast") : QString());
        QCOMPARE(u.setPath, dir.filePath(QStringLiteral("good.txt")));
        QCOMPARE(u.set.sha256.size(), 64);
    }
    for (const commission::PlanProblem& p : read.problems) {
        gotProblems << QStringLiteral("%1:%2").arg(p.planLine).arg(int(p.fault));
        if (p.planLine > 0)
            QVERIFY(commission::problemText(p, app::Language::English)
                        .startsWith(QStringLiteral("line %1: ").arg(p.planLine)));
    }
    QCOMPARE(gotUnits, units);
    QCOMPARE(gotProblems, problems);
    QCOMPARE(read.ok(), problems.isEmpty());
    if (plan.contains(";82;"))
        QCOMPARE(read.units.front().coding, std::optional<int>(82));
}

QTEST_GUILESS_MAIN(TestPlan)
#include "tst_plan.moc"
