// Commissioning runs in virtual time on simulated lines behind gateways: each plan's results as
// recorded, the exit code, and what the units hold afterwards.

#include "commission/run.h"
#include "commission/sim_building.h"
#include "support/sample_set.h"
#include "support/test_program.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace qtx52;

namespace {

using testing::sampleSetWith;

const QByteArray kPlan = "line;station;room;set;coding\n"
                         "sim:a;1;A1;a.txt;\n"
                         "sim:a;2;A2;a.txt;\n"
                         "sim:b;1;B1;b.txt;\n";

} // namespace

class TestRun : public QObject {
    Q_OBJECT
private slots:
    void plans_data();
    void plans();
};

void TestRun::plans_data() {
    QTest::addColumn<QByteArray>("plan");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QStringList>("results"); // of the last run, in plan order
    QTest::addColumn<int>("exitCode");

    QTest::newRow("all verified") << kPlan << ""
                                  << QStringList{"A1 verified", "A2 verified", "B1 verified"} << 0;
    QTest::newRow("resume skips what is done") << kPlan << "twice" << QStringList{} << 0;
    QTest::newRow("an earlier version's results file")
        << kPlan << "older csv" << QStringList{"A1 verified", "A2 verified", "B1 verified"} << 0;
    QTest::newRow("again: already commissioned")
        << kPlan << "twice again" << QStringList{"A1 already", "A2 already", "B1 already"} << 0;
    QTest::newRow("bad value: nothing sent anywhere") << kPlan + "sim:b;2;B2;bad.txt;\n"
                                                      << "" << QStringList{} << 5;
    QTest::newRow("a unit absent")
        << kPlan + "sim:b;9;B9;b.txt;\n"
        << "" << QStringList{"A1 verified", "A2 verified", "B1 verified", "B9 no answer"} << 3;
    QTest::newRow("another coding")
        << QByteArray(kPlan).replace("A2;a.txt;", "A2;a.txt;999") << ""
        << QStringList{"A1 verified", "A2 wrong unit", "B1 verified"} << 7;
    QTest::newRow("a refusal") << kPlan << "refuse A2"
                               << QStringList{"A1 verified", "A2 refused", "B1 verified"} << 6;
    QTest::newRow("line lost mid-unit")
        << kPlan << "drop a" << QStringList{"A1 line lost", "A2 line lost", "B1 verified"} << 3;
    QTest::newRow("cancel after the first unit")
        << kPlan << "cancel" << QStringList{"A1 verified", "A2 cancelled", "B1 verified"} << 3;
    QTest::newRow("cancel during the first write")
        << kPlan << "cancel mid-write" << QStringList{"A1 verified", "A2 cancelled", "B1 verified"}
        << 3;
}

void TestRun::plans() {
    QFETCH(QByteArray, plan);
    QFETCH(QString, setup);
    QFETCH(QStringList, results);
    QFETCH(int, exitCode);

    testing::TestProgram tp;
    const settings::StorePaths stores{tp.dir.filePath("machine.ini"), tp.dir.filePath("user.ini")};
    const auto write = [&tp](const QString& name, const QByteArray& bytes) {
        QFile file(tp.dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    // The two lines get different sets, so a frame of one line on the other would show.
    write("a.txt", sampleSetWith(18, "7")); // register 4, the location number
    write("b.txt", sampleSetWith(18, "42"));
    write("bad.txt", sampleSetWith(23, "1e9"));
    write("plan.csv", plan);
    const QString out = tp.dir.filePath("out");
    const QByteArray older = "time;room;result\r\n2026-01-01T10:00:00+01:00;A1;verified\r\n";
    if (setup == "older csv") {
        QVERIFY(QDir().mkpath(out));
        write("out/commissioning.csv", older);
    }

    commission::Building building(tp.clock);
    building.addStations("sim:a", {1, 2});
    building.addStations("sim:b", {1});
    if (setup == "refuse A2")
        building.station("sim:a", 2)->faults().setRefusedRegister(20);
    if (setup == "drop a")
        building.options("sim:a").dropAfter = 14; // in the middle of the first unit's write

    std::vector<commission::UnitRecord> last;
    int code = -1;
    for (int runNo = 0; runNo < (setup.startsWith("twice") ? 2 : 1); ++runNo) {
        commission::RunOptions options;
        options.again = runNo == 1 && setup.endsWith("again");
        commission::Run run(tp.clock, stores, building.maker(), options);
        if (setup == "cancel")
            run.onUnit = [&run](const commission::UnitRecord&) { run.cancel(); };
        const commission::Plan p = commission::readPlan(tp.dir.filePath("plan.csv"), ",", "1031");
        run.start(p, out);
        if (setup == "cancel mid-write") {
            // Stopped while A1's first block is on its way: it ends its write and read-back.
            sim::Station* a1 = building.station("sim:a", 1);
            QVERIFY(
                tp.clock.advanceUntil([a1] { return !a1->unit().writes().isEmpty(); }, 3600000));
            run.cancel();
        }
        QVERIFY(tp.clock.advanceUntil([&run] { return run.finished(); }, 3600000));
        last = run.records();
        code = run.exitCode();
        if (setup == "twice")
            QCOMPARE(run.skipped(), runNo == 1 ? 3 : 0);
    }

    QStringList got;
    for (const commission::UnitRecord& r : last)
        got << r.room + " " + commission::resultWord(r.result);
    got.sort();
    QCOMPARE(got, results);
    QCOMPARE(code, exitCode);
    if (exitCode == 5)
        QVERIFY(!building.stream("sim:a") && !building.stream("sim:b"));

    // Every unit verified holds its own line's set, and its read-back is on file.
    for (const commission::UnitRecord& r : last) {
        if (r.result != commission::Result::Verified && r.result != commission::Result::Already)
            continue;
        sim::Station* s = building.station(r.line, r.station);
        QCOMPARE(int(s->unit().reg(3)), r.line == "sim:a" ? 7 : 42);
        QVERIFY(QFile::exists(out + "/units/" + r.room + ".txt"));
        QCOMPARE(r.sheet, "sheets/" + r.room + ".pdf");
        QVERIFY(QFile::exists(out + "/" + r.sheet));
        // Its sheet names the line it is on, as the plan does.
        QProcess text;
        text.start("pdftotext", {"-layout", out + "/" + r.sheet, "-"});
        QVERIFY(text.waitForFinished(20000));
        QVERIFY(
            QString::fromUtf8(text.readAllStandardOutput())
                .contains(QRegularExpression("Leitung\\s+" + QRegularExpression::escape(r.line))));
    }
    if (setup == "another coding")
        QVERIFY(building.station("sim:a", 2)->unit().writes().isEmpty());
    // One row per unit recorded, as each unit ended (a reason may span lines in the CSV file).
    if (exitCode != 5) {
        QFile json(out + "/commissioning.json");
        QVERIFY(json.open(QIODevice::ReadOnly));
        const QJsonArray rows = QJsonDocument::fromJson(json.readAll()).array();
        QCOMPARE(rows.size(), setup.startsWith("twice") ? 3 + results.size() : results.size());
        for (const QJsonValue& row : rows)
            QVERIFY(row["time"].toString().contains(QRegularExpression("T..:..:..[+-]..:..$")));
        // Rows go under this version's columns; a file begun with other columns is kept beside.
        QFile csv(out + "/commissioning.csv");
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.peek(24).startsWith("time;room;line;station;"));
        // Separators per record, outside quotes (a reason may span lines).
        QList<int> records{0};
        bool quoted = false;
        for (const char c : csv.readAll()) {
            if (c == '"')
                quoted = !quoted;
            else if (!quoted && c == ';')
                ++records.last();
            else if (!quoted && c == '\n')
                records.append(0);
        }
        records.removeLast(); // after the last line's end
        QCOMPARE(records.size(), 1 + rows.size());
        for (int separators : records)
            QCOMPARE(separators, records.first());
        QFile earlier(out + "/commissioning-earlier.csv");
        QCOMPARE(earlier.exists(), setup == "older csv");
        if (earlier.exists()) {
            QVERIFY(earlier.open(QIODevice::ReadOnly));
            QCOMPARE(earlier.readAll(), older);
        }
        // The building's sheet: a row per unit of the plan with its last result.
        QProcess text;
        text.start("pdftotext", {"-layout", out + "/commissioning.pdf", "-"});
        QVERIFY(text.waitForFinished(20000));
        const QString sheet = QString::fromUtf8(text.readAllStandardOutput());
        for (const commission::UnitRecord& r : last) {
            const QRegularExpression row(
                "\\n\\s*" + r.room + "\\s+" + QRegularExpression::escape(r.line) + "\\s+" +
                QString::number(r.station) + "\\s.*" + commission::resultText(r.result, false));
            QVERIFY2(sheet.contains(row), qPrintable(r.room + "\n" + sheet));
        }
    }
}

// A GUI application (offscreen) for the sheets' layout.
QTEST_MAIN(TestRun)
#include "tst_run.moc"
