// The trend: what survives the decimation to pixel columns (spikes, gaps where the monitor
// stopped), the live ring against the recording of the same cycles read back from its file in
// both languages, and damaged recordings, which are refused or shown without the lines that
// cannot be read.

#include "app/program.h"
#include "editor/frm_config.h"
#include "monitor/monitor_recorder.h"
#include "sim/simcommport.h"
#include "sim/station.h"
#include "support/test_program.h"
#include "trend/decimate.h"
#include "trend/recording_reader.h"
#include "trend/trend_model.h"

#include <QFile>
#include <QTest>

#include <cmath>

using namespace qtx52;
using trend::Column;
using trend::TrendBuffer;

namespace {

// A series described in words: "flat 20 x1000 spike 537=35 dip 900=-5 gap 400..600 nan 700
// break 800 step 1000" over rows one second apart.
struct SeriesShape {
    int rows = 1000;
    float level = 20;
    std::vector<std::pair<int, float>> spikes;
    std::pair<int, int> gap{-1, -1}; // rows left out
    int nan = -1;                    // a row without a value
    int broken = -1;                 // the monitor stopped before this row
    qint64 stepMs = 1000;
};

TrendBuffer build(const SeriesShape& s) {
    TrendBuffer b(1, s.rows);
    for (int i = 0; i < s.rows; ++i) {
        if (i >= s.gap.first && i < s.gap.second)
            continue;
        float v = s.level;
        for (const auto& [row, value] : s.spikes)
            if (row == i)
                v = value;
        if (i == s.nan)
            v = trend::kNoValue;
        if (i == s.broken)
            b.breakLine();
        b.append(i * s.stepMs, {v});
    }
    return b;
}

// What a column must show: its index, min, max and whether the line breaks before it.
struct Expect {
    int column;
    float min;
    float max;
    bool breakBefore;
};

const QString kHeaderDe = QStringLiteral(
    "Zeit;Taster Status;Taster Speicher;Temperatur [°C];Sollwert Offset [K];Sollwert Effektiv "
    "[°C];Feuchte [%rH];Lüfterstufe;Raumbelegung;Stellgrösse Heizen;Stellgrösse Kühlen;Lokale "
    "Reglersperre;Ausgang1 Wert/Status;Ausgang2 Wert/Status;Digital Eingang 1;Digital Eingang "
    "2;Zähler DI1;Zähler DI2;Reglermodus;Lüfterstufe (Text);Raumbelegung (Text);Lokale "
    "Reglersperre (Text);Reglermodus (Text)");

QString line(const QString& time, const QString& temperature) {
    return time + QStringLiteral(";0;0;") + temperature +
           QStringLiteral(";0;21,5;45,6;0;1;0;0;0;0;0;0;0;0;0;3;Auto;belegt;AUS;\"Auto; Heizen\"");
}

} // namespace

Q_DECLARE_METATYPE(SeriesShape)
Q_DECLARE_METATYPE(std::vector<Expect>)

class TestTrend : public QObject {
    Q_OBJECT
private slots:
    void decimation_data();
    void decimation();
    void liveRingMatchesItsRecording_data();
    void liveRingMatchesItsRecording();
    void damagedRecordings_data();
    void damagedRecordings();
};

void TestTrend::decimation_data() {
    QTest::addColumn<SeriesShape>("shape");
    QTest::addColumn<int>("width");
    QTest::addColumn<std::vector<Expect>>("expect");
    // 1000 rows into 10 columns: 100 rows a column.
    QTest::newRow("one-row spike up")
        << SeriesShape{1000, 20, {{537, 35}}} << 10
        << std::vector<Expect>{{5, 20, 35, false}, {4, 20, 20, false}};
    QTest::newRow("one-row dip and spike in one column")
        << SeriesShape{1000, 20, {{901, -5}, {950, 80}}} << 10
        << std::vector<Expect>{{9, -5, 80, false}};
    QTest::newRow("spike in the first and in the last row")
        << SeriesShape{1000, 20, {{0, 99}, {999, -99}}} << 10
        << std::vector<Expect>{{0, 20, 99, true}, {9, -99, 20, false}};
    QTest::newRow("monitor stopped for 200 s")
        << SeriesShape{1000, 20, {}, {400, 600}} << 10
        << std::vector<Expect>{{3, 20, 20, false}, {4, 0, 0, false}, {6, 20, 20, true}};
    QTest::newRow("monitor switched off and on")
        << SeriesShape{1000, 20, {}, {-1, -1}, -1, 800} << 10
        << std::vector<Expect>{{8, 20, 20, true}, {7, 20, 20, false}};
    QTest::newRow("unknown value breaks the line")
        << SeriesShape{1000, 20, {}, {-1, -1}, 700} << 10 << std::vector<Expect>{{7, 20, 20, true}};
    // Fewer rows than columns: empty columns between, the line joined across them.
    QTest::newRow("zoomed in: 10 rows, 100 columns")
        << SeriesShape{10, 20, {{5, 30}}} << 100
        << std::vector<Expect>{{50, 30, 30, false}, {51, 0, 0, false}, {60, 20, 20, false}};
    // Rows 2 s apart are one stretch, 11 s apart are not.
    QTest::newRow("rows 2 s apart") << SeriesShape{100, 20, {}, {-1, -1}, -1, -1, 2000} << 10
                                    << std::vector<Expect>{{5, 20, 20, false}};
    QTest::newRow("rows 11 s apart") << SeriesShape{100, 20, {}, {-1, -1}, -1, -1, 11000} << 10
                                     << std::vector<Expect>{{5, 20, 20, true}};
}

void TestTrend::decimation() {
    QFETCH(SeriesShape, shape);
    QFETCH(int, width);
    QFETCH(std::vector<Expect>, expect);
    const TrendBuffer b = build(shape);
    const std::vector<Column> columns =
        trend::decimate(b, 0, 0, qint64(shape.rows) * shape.stepMs, width);
    QCOMPARE(int(columns.size()), width);
    for (const Expect& e : expect) {
        const Column& c = columns.at(std::size_t(e.column));
        const QByteArray where = QByteArray::number(e.column);
        if (e.min == 0 && e.max == 0) {
            QVERIFY2(!c.any, where);
            continue;
        }
        QVERIFY2(c.any, where);
        QCOMPARE(c.min, e.min);
        QCOMPARE(c.max, e.max);
        QVERIFY2(c.breakBefore == e.breakBefore, where);
    }
    // Every known value lies within its column's span.
    for (int i = 0; i < b.size(); ++i) {
        const float v = b.value(0, i);
        if (std::isnan(v))
            continue;
        const int x =
            std::min(int(b.time(i) * width / (qint64(shape.rows) * shape.stepMs)), width - 1);
        QVERIFY(v >= columns[std::size_t(x)].min && v <= columns[std::size_t(x)].max);
    }
}

void TestTrend::liveRingMatchesItsRecording_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("separator");
    QTest::newRow("German") << "1031"
                            << ",";
    QTest::newRow("English") << "1033"
                             << ".";
}

void TestTrend::liveRingMatchesItsRecording() {
    QFETCH(QString, language);
    QFETCH(QString, separator);
    testing::StoreValues values;
    values.language = language;
    values.decimalSeparator = separator;
    testing::TestProgram tp(values);
    sim::Station station{tp.clock};
    sim::SimCommPort port{tp.clock, station};
    app::Program p(
        tp.clock, port, tp.ui,
        settings::StorePaths{tp.dir.filePath("machine.ini"), tp.dir.filePath("user.ini")});
    app::Main(p);
    editor::frm_config& w = p.frm_config();
    const QDateTime base(QDate(2026, 3, 1), QTime(8, 0), Qt::OffsetFromUTC, 3600);
    monitor::MonitorRecorder recorder(p);
    trend::TrendModel model(p);
    recorder.now = model.now = [&] { return base.addMSecs(tp.clock.nowMs()); };
    station.unit().setReg(258, quint16(-35));
    w.Combo_Port(6).setListIndex(1);
    w.cmd_read_device->userClick();
    QVERIFY(tp.clock.advanceUntil([&] { return !p.frmStateLoaded() && p.g.linkReady; }, 60000));
    QCOMPARE(model.buffer().size(), 0); // a read-out is no cycle

    const QString file = tp.dir.filePath("live.csv");
    QVERIFY(recorder.start(file));
    w.chk_read_out->userClick();
    QVERIFY(tp.clock.advanceUntil([&] { return recorder.lines() >= 3; }, 60000));
    w.chk_read_out->userClick(); // off: a gap before the next run
    tp.clock.advance(30000);
    w.chk_read_out->userClick();
    QVERIFY(tp.clock.advanceUntil([&] { return recorder.lines() >= 5; }, 60000));
    recorder.stop();

    const trend::ReadResult r = trend::readRecording(file, language == QLatin1String("1033"));
    QVERIFY2(r.recording && r.message.isEmpty(), qPrintable(r.message));
    const TrendBuffer& live = model.buffer();
    const TrendBuffer& read = *r.recording->buffer;
    QCOMPARE(read.size(), live.size());
    QCOMPARE(int(r.recording->series.size()), live.seriesCount());
    QCOMPARE(r.recording->series.at(2).unit, QStringLiteral("°C"));
    QCOMPARE(model.series().at(2).unit, QStringLiteral("°C"));
    for (int i = 0; i < live.size(); ++i) {
        QCOMPARE(read.time(i), live.time(i));
        QCOMPARE(read.startsStretch(i), live.startsStretch(i));
        for (int k = 0; k < live.seriesCount(); ++k)
            QCOMPARE(read.value(k, i), live.value(k, i));
    }
    QCOMPARE(live.value(2, 0), -3.5f);
    QVERIFY(!live.startsStretch(2) && live.startsStretch(3));

    // The window follows the last row; the whole session spans every row.
    QCOMPARE(model.span(), std::make_pair(live.lastTime() - 30 * 60'000, live.lastTime()));
    model.cmb_window.setListIndex(int(trend::Window::Session));
    QCOMPARE(model.span(), std::make_pair(live.firstTime(), live.lastTime()));

    // The cursor reads the shown values at the nearest row, in the interface's words.
    model.setCursor(live.time(1) + 1);
    QVERIFY2(model.lbl_cursor.caption().contains(QStringLiteral(" -3") + separator +
                                                 QStringLiteral("5 °C")),
             qPrintable(model.lbl_cursor.caption()));
}

void TestTrend::damagedRecordings_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("skipped");
    QTest::addColumn<int>("firstSkipped");
    QTest::addColumn<int>("series");
    QTest::addColumn<QString>("message");
    const QString h = kHeaderDe + QStringLiteral("\r\n");
    const QString a = line(QStringLiteral("2026-03-01T08:00:00.000+01:00"), "21,5") + "\r\n";
    const QString b = line(QStringLiteral("2026-03-01T08:00:01.000+01:00"), "21,6") + "\r\n";
    const QString c = line(QStringLiteral("2026-03-01T08:00:02.000+01:00"), "21,7") + "\r\n";
    auto bytes = [](const QString& s) { return s.toUtf8(); };
    QTest::newRow("whole") << bytes(h + a + b + c) << true << 3 << 0 << 0 << 18 << "";
    QTest::newRow("last line cut off")
        << bytes(h + a + b + c.left(40)) << true << 2 << 1 << 4 << 18 << "Zeile 4";
    QTest::newRow("a field too few")
        << bytes(h + a + b.section(';', 1) + c) << true << 2 << 1 << 3 << 18 << "1 Zeilen";
    QTest::newRow("a value that is no number")
        << bytes(h + a + QString(b).replace("21,6", "21,x") + c) << true << 2 << 1 << 3 << 18
        << "Zeile 3";
    QTest::newRow("a time that is none")
        << bytes(h + a + QString(b).replace("08:00:01", "8 Uhr") + c) << true << 2 << 1 << 3 << 18
        << "Zeile 3";
    QTest::newRow("time going back")
        << bytes(h + a + c + b) << true << 2 << 1 << 4 << 18 << "Zeile 4";
    QTest::newRow("a quote not closed") << bytes(h + a + QString(b).replace("Heizen\"", "Heizen"))
                                        << true << 1 << 1 << 3 << 18 << "Zeile 3";
    // The unit showed °F after a read-out: the temperatures go on as a series of their own.
    QTest::newRow("units changed in the middle")
        << bytes(h + a + QString(h).replace("Temperatur [°C]", "Temperatur [°F]") + c) << true << 2
        << 0 << 0 << 19 << "";
    QTest::newRow("a parameter file") << QByteArray("Korvatek\r\n\r\nQTX52-LCD-RS485-Modbus\r\n")
                                      << false << 0 << 0 << 0 << 0 << "keine Aufzeichnung";
    QTest::newRow("empty") << QByteArray() << false << 0 << 0 << 0 << 0 << "keine Aufzeichnung";
    QTest::newRow("header only") << bytes(h) << false << 0 << 0 << 0 << 0 << "keine lesbare";
}

void TestTrend::damagedRecordings() {
    QFETCH(QByteArray, content);
    QFETCH(bool, shown);
    QFETCH(int, lines);
    QFETCH(int, skipped);
    QFETCH(int, firstSkipped);
    QFETCH(int, series);
    QFETCH(QString, message);
    const trend::ReadResult r = trend::parseRecording(content, QStringLiteral("x.csv"), false);
    QVERIFY2(r.message.contains(message), qPrintable(r.message));
    QCOMPARE(r.recording.has_value(), shown);
    if (!shown)
        return;
    QCOMPARE(r.recording->lines, lines);
    QCOMPARE(r.recording->buffer->size(), lines);
    QCOMPARE(r.recording->skipped, skipped);
    QCOMPARE(r.recording->firstSkipped, firstSkipped);
    QCOMPARE(int(r.recording->series.size()), series);
    // Nothing drawn wrong: every temperature taken is one of the file's.
    for (int i = 0; i < r.recording->buffer->size(); ++i) {
        float t = r.recording->buffer->value(2, i);
        if (std::isnan(t) && series > 18)
            t = r.recording->buffer->value(18, i);
        QVERIFY2(t == 21.5f || t == 21.6f || t == 21.7f, QByteArray::number(t));
    }
}

QTEST_GUILESS_MAIN(TestTrend)
#include "tst_trend.moc"
