// The recording of the monitor's values, in virtual time against the simulated unit: what the
// header and the lines hold in both languages, one line per full cycle, the time stamps, a
// recording continued in the same file, and every way the file can fail.

#include "app/csv.h"
#include "app/global.h"
#include "app/program.h"
#include "editor/frm_config.h"
#include "monitor/monitor_recorder.h"
#include "monitor/record_control.h"
#include "sim/simcommport.h"
#include "sim/station.h"
#include "support/test_program.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <sys/resource.h>

#include <csignal>
#include <memory>

using namespace qtx52;

namespace {

const QString kHeaderDe = QStringLiteral(
    "Zeit;Taster Status;Taster Speicher;Temperatur [°C];Sollwert Offset [K];Sollwert Effektiv "
    "[°C];Feuchte [%rH];Lüfterstufe;Raumbelegung;Stellgrösse Heizen;Stellgrösse Kühlen;Lokale "
    "Reglersperre;Ausgang1 Wert/Status;Ausgang2 Wert/Status;Digital Eingang 1;Digital Eingang "
    "2;Zähler DI1;Zähler DI2;Reglermodus;Lüfterstufe (Text);Raumbelegung (Text);Lokale "
    "Reglersperre (Text);Reglermodus (Text)");
const QString kHeaderEn = QStringLiteral(
    "Time;Button state;Button memory;Temperature [°C];Setpoint offset [K];Setpoint effective "
    "[°C];Humidity [%rH];Fan stage;Occupancy mode;Ctrl var heating;Ctrl var cooling;Local "
    "Controller lock;Value output 1;Value output 2;Digital input 1;Digital input 2;Counter value "
    "DI1;Counter value DI2;Controller mode;Fan stage (text);Occupancy mode (text);Local "
    "Controller lock (text);Controller mode (text)");
constexpr int kColumns = 1 + 18 + 4;
const QStringList kBauds = {"9600", "19200", "38400", "57600"};

struct Rig {
    testing::TestProgram tp;
    sim::Station station{tp.clock};
    sim::SimCommPort port{tp.clock, station};
    app::Program p;
    editor::frm_config* f = nullptr;
    monitor::MonitorRecorder recorder{(app::Main(p), p)};
    const QDateTime base{QDate(2026, 3, 1), QTime(8, 0), Qt::OffsetFromUTC, 3600};
    QList<qint64> cycleTimes;

    // With `readOut` the unit is read out first, as a technician does before watching it: the
    // unit captions then follow its settings (°C here) instead of the window's design state.
    explicit Rig(const testing::StoreValues& values = {}, bool ascii = false,
                 const QString& baud = QStringLiteral("9600"), bool readOut = true)
        : tp(values),
          p(tp.clock, port, tp.ui,
            settings::StorePaths{tp.dir.filePath("machine.ini"), tp.dir.filePath("user.ini")}) {
        f = &p.frm_config();
        recorder.now = [this] { return base.addMSecs(tp.clock.nowMs()); };
        QObject::connect(&recorder, &monitor::MonitorRecorder::cycle,
                         [this] { cycleTimes << tp.clock.nowMs(); });
        station.unit().setLiveMotion(false);
        station.setFraming(ascii ? sim::Framing::Ascii : sim::Framing::Rtu);
        station.setLineSettings({baud.toInt(), 'E', ascii ? 7 : 8, 1});
        f->Combo_Port(1).setListIndex(int(kBauds.indexOf(baud)));
        f->Combo_Port(5).setListIndex(ascii ? 0 : 1);
        f->Combo_Port(6).setListIndex(1);
        if (readOut) {
            f->cmd_read_device->userClick();
            if (!settle())
                qFatal("the read-out did not end");
            port.clearSent();
        }
    }
    QString path(const QString& name) const { return tp.dir.filePath(name); }
    void monitorOn() { f->chk_read_out->userClick(); }
    bool cycles(int n) {
        const qsizetype before = cycleTimes.size();
        return tp.clock.advanceUntil([&] { return cycleTimes.size() >= before + n; }, 60000);
    }
    // Runs until nothing is outstanding and no pacing timer runs.
    bool settle() {
        return tp.clock.advanceUntil(
            [this] {
                return p.g.linkReady && !f->Timer6.enabled() && !f->Timer1.enabled() &&
                       !p.frmStateLoaded();
            },
            60000);
    }
    int requestsFor(int firstRegister) const {
        int n = 0;
        for (const auto& s : port.sent()) {
            const QByteArray& fr = s.frame;
            const QByteArray hex = fr.startsWith(':') ? fr.mid(1, 8) : fr.left(4).toHex().toUpper();
            if (hex == QStringLiteral("0103%1")
                           .arg(firstRegister, 4, 16, QLatin1Char('0'))
                           .toUpper()
                           .toLatin1())
                ++n;
        }
        return n;
    }
};

QStringList fileLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("cannot read %1").arg(path)};
    const QString text = QString::fromUtf8(file.readAll());
    QStringList lines = text.split(QStringLiteral("\r\n"));
    // A whole file ends with its last line's end.
    if (lines.last().isEmpty())
        lines.removeLast();
    else
        lines.last() += QStringLiteral("<cut>");
    return lines;
}

} // namespace

class TestMonitorRecorder : public QObject {
    Q_OBJECT
private slots:
    void linesOfFullCycles_data();
    void linesOfFullCycles();
    void readOutIsNoCycleAndNewUnitsGetANewHeader();
    void continuesARecording_data();
    void continuesARecording();
    void failures_data();
    void failures();
    void quoting_data();
    void quoting();
    void controlAsksForTheFile();
};

void TestMonitorRecorder::linesOfFullCycles_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<bool>("ascii");
    QTest::addColumn<QString>("baud");
    QTest::newRow("German RTU 9600") << "1031"
                                     << "," << false << "9600";
    QTest::newRow("German ASCII 19200") << "1031"
                                        << "," << true << "19200";
    QTest::newRow("English RTU 38400") << "1033"
                                       << "." << false << "38400";
    QTest::newRow("English ASCII 57600") << "1033"
                                         << "," << true << "57600";
}

void TestMonitorRecorder::linesOfFullCycles() {
    QFETCH(QString, language);
    QFETCH(QString, separator);
    QFETCH(bool, ascii);
    QFETCH(QString, baud);
    testing::StoreValues values;
    values.language = language;
    values.decimalSeparator = separator;
    Rig r(values, ascii, baud);
    const bool english = language == QLatin1String("1033");
    sim::RoomUnit& unit = r.station.unit();
    unit.setReg(258, quint16(-35)); // -3.5 °C
    unit.setReg(261, 456);          // 45.6 %rH
    unit.setReg(262, 0xFF00);       // fan stage automatic
    unit.setReg(263, 1);            // occupied
    unit.setReg(266, 0);            // local lock off
    unit.setReg(267, 5);            // a value without a word in a column without words
    unit.setReg(273, 3);            // auto heating

    const QString file = r.path("live.csv");
    QVERIFY(r.recorder.start(file));
    r.monitorOn();
    QVERIFY(r.cycles(3));
    r.recorder.stop();
    QCOMPARE(r.recorder.lines(), 3);
    // One line per pass over the range: three reads of each block (the fourth of 256 may have
    // gone out), none of the lines from half a pass.
    QCOMPARE(r.requestsFor(266), 3);
    QVERIFY(r.requestsFor(256) >= 3 && r.requestsFor(256) <= 4);

    const QStringList lines = fileLines(file);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.first(), english ? kHeaderEn : kHeaderDe);
    const QString minus = QStringLiteral("-3") + separator + QStringLiteral("5");
    const QString humidity = QStringLiteral("45") + separator + QStringLiteral("6");
    const QStringList words = english ? QStringList{"auto", "occupied", "OFF", "Auto Heating"}
                                      : QStringList{"Auto", "belegt", "AUS", "Auto Heizen"};
    const QRegularExpression stamp(
        QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}(Z|[+-]\d\d:\d\d)$)"));
    for (int i = 1; i <= 3; ++i) {
        const QStringList fields = lines.at(i).split(';');
        QCOMPARE(fields.size(), kColumns);
        QVERIFY2(stamp.match(fields.at(0)).hasMatch(), qPrintable(fields.at(0)));
        // The time the cycle's last value arrived, in local time with its offset.
        const QDateTime when = QDateTime::fromString(fields.at(0), Qt::ISODateWithMs);
        QCOMPARE(when, r.base.addMSecs(r.cycleTimes.at(i - 1)));
        QVERIFY(fields.at(0).endsWith(QLatin1String("+01:00")));
        QCOMPARE(fields.at(1 + 2), minus);
        QCOMPARE(fields.at(1 + 5), humidity);
        QCOMPARE(fields.at(1 + 6), QStringLiteral("65280"));
        QCOMPARE(fields.at(1 + 11), QStringLiteral("5"));
        QCOMPARE(fields.at(1 + 17), QStringLiteral("3"));
        QCOMPARE(fields.mid(19), words);
        // The values are what the Monitor tab shows.
        for (int k = 0; k < 18; ++k)
            QCOMPARE(fields.at(1 + k), r.f->txt_data_out(k).text());
    }
    // The cycles come at the monitor's pace, and the stamps follow them.
    QVERIFY(r.cycleTimes.at(1) > r.cycleTimes.at(0));
}

void TestMonitorRecorder::readOutIsNoCycleAndNewUnitsGetANewHeader() {
    Rig r({}, false, QStringLiteral("9600"), false);
    const QString file = r.path("units.csv");
    // Before the unit is read the window shows its design units.
    const QString design = r.recorder.header();
    QVERIFY(r.recorder.start(file));
    // A read-out reads the monitor's range once, but it is no cycle of the monitor.
    r.f->cmd_read_device->userClick();
    QVERIFY(r.settle());
    QCOMPARE(r.recorder.lines(), 0);
    const QString celsius = r.recorder.header();
    QVERIFY2(celsius.contains(QStringLiteral("Temperatur [°C]")), qPrintable(celsius));

    r.monitorOn();
    QVERIFY(r.cycles(1));
    r.monitorOn(); // off again
    QVERIFY(r.settle());
    // The unit now shows Fahrenheit; the next read-out brings the coil.
    r.station.unit().setCoil(6, !r.station.unit().coil(6));
    r.f->cmd_read_device->userClick();
    QVERIFY(r.settle());
    const QString fahrenheit = r.recorder.header();
    QVERIFY2(fahrenheit.contains(QStringLiteral("Temperatur [°F]")), qPrintable(fahrenheit));
    r.monitorOn();
    QVERIFY(r.cycles(1));
    r.recorder.stop();

    // Each line under the header of the units it was read in.
    const QStringList lines = fileLines(file);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.at(0), design);
    QCOMPARE(lines.at(1), celsius);
    QCOMPARE(lines.at(2).split(';').size(), kColumns);
    QCOMPARE(lines.at(3), fahrenheit);
    QCOMPARE(lines.at(4).split(';').size(), kColumns);
    QCOMPARE(r.recorder.lines(), 2);
}

void TestMonitorRecorder::continuesARecording_data() {
    // What the file holds after the German header.
    QTest::addColumn<QByteArray>("before");
    QTest::newRow("whole recording") << QByteArray("2026-03-01T08:00:00.000+01:00;1\r\n");
    QTest::newRow("last line cut off") << QByteArray("2026-03-01T08:00:00.000+01:00;1");
}

void TestMonitorRecorder::continuesARecording() {
    QFETCH(QByteArray, before);
    Rig r;
    const QString file = r.path("again.csv");
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kHeaderDe.toUtf8() + "\r\n" + before);
    }
    QVERIFY(r.recorder.start(file));
    r.monitorOn();
    QVERIFY(r.cycles(2));
    r.recorder.stop();
    const QStringList lines = fileLines(file);
    // One header only; what was there stays, and the new lines start on lines of their own.
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), kHeaderDe);
    QCOMPARE(lines.at(1).toUtf8(), before.endsWith("\r\n") ? before.chopped(2) : before);
    QCOMPARE(lines.at(2).split(';').size(), kColumns);
    QCOMPARE(lines.at(3).split(';').size(), kColumns);

    // A recording made under the other language is continued under a header of this one.
    testing::StoreValues english;
    english.language = QStringLiteral("1033");
    Rig e(english);
    QFile::copy(file, e.path("again.csv"));
    QVERIFY(e.recorder.start(e.path("again.csv")));
    e.monitorOn();
    QVERIFY(e.cycles(1));
    e.recorder.stop();
    const QStringList more = fileLines(e.path("again.csv"));
    QCOMPARE(more.size(), 6);
    QCOMPARE(more.at(4), kHeaderEn);
}

void TestMonitorRecorder::failures_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("linesKept"); // complete lines of values left in the file
    QTest::addColumn<QString>("message");
    QTest::newRow("disk full at the start")
        << "1031"
        << "/dev/full" << -1 << "Die Aufzeichnung kann nicht in /dev/full geschrieben werden: ";
    QTest::newRow("disk full at the start, English")
        << "1033"
        << "/dev/full" << -1 << "Cannot record to /dev/full: ";
    QTest::newRow("no such folder") << "1031"
                                    << "missing" << -1 << "Die Aufzeichnung kann nicht in ";
    QTest::newRow("not a recording")
        << "1031"
        << "foreign" << -1 << "enthält keine Aufzeichnung der Ausgaberegister";
    QTest::newRow("not a recording, English")
        << "1033"
        << "foreign" << -1 << "does not hold a recording of the live values";
    QTest::newRow("disk full while recording")
        << "1031"
        << "limit" << 2 << "Die Aufzeichnung wurde beendet: ";
    QTest::newRow("disk full while recording, English") << "1033"
                                                        << "limit" << 2 << "Recording stopped: ";
    QTest::newRow("file deleted while recording") << "1031"
                                                  << "delete" << 2 << "ist nicht mehr vorhanden.";
}

void TestMonitorRecorder::failures() {
    QFETCH(QString, language);
    QFETCH(QString, how);
    QFETCH(int, linesKept);
    QFETCH(QString, message);
    testing::StoreValues values;
    values.language = language;
    Rig r(values);
    const QByteArray foreign = "Parameter;1;2\r\n";
    QString file = r.path("rec.csv");
    if (how == QLatin1String("/dev/full"))
        file = how;
    else if (how == QLatin1String("missing"))
        file = r.path("no/such/folder/rec.csv");
    else if (how == QLatin1String("foreign")) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(foreign);
    }

    const bool started = r.recorder.start(file);
    QCOMPARE(started, linesKept >= 0);
    r.monitorOn();
    if (!started) {
        QVERIFY(!r.recorder.recording());
        QCOMPARE(r.tp.ui.messages().size(), 1);
        QVERIFY2(r.tp.ui.messages().first().text.contains(message),
                 qPrintable(r.tp.ui.messages().first().text));
        QVERIFY(r.cycles(1));
        if (how == QLatin1String("foreign")) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), foreign);
        }
        return;
    }

    QVERIFY(r.cycles(linesKept));
    QCOMPARE(r.recorder.lines(), linesKept);
    rlimit saved{};
    if (how == QLatin1String("limit")) {
        // The disk fills up halfway through the next line.
        getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = rlim_t(QFileInfo(file).size() + 40);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    } else {
        QVERIFY(QFile::remove(file));
    }
    QVERIFY(r.cycles(1));
    if (how == QLatin1String("limit"))
        setrlimit(RLIMIT_FSIZE, &saved);
    QVERIFY(!r.recorder.recording());
    // The message waits until the reply that failed to be recorded has been dealt with.
    QCOMPARE(r.tp.ui.messages().size(), 0);
    r.tp.clock.advance(1);
    QCOMPARE(r.tp.ui.messages().size(), 1);
    QVERIFY2(r.tp.ui.messages().first().text.contains(message),
             qPrintable(r.tp.ui.messages().first().text));
    QCOMPARE(r.tp.ui.messages().first().title, app::kAppTitle);
    if (how == QLatin1String("limit")) {
        QVERIFY2(r.tp.ui.messages().first().text.contains(QString::number(linesKept)),
                 qPrintable(r.tp.ui.messages().first().text));
        const QStringList lines = fileLines(file);
        QCOMPARE(lines.size(), 1 + linesKept + 1);
        QVERIFY(lines.last().endsWith(QLatin1String("<cut>")));
        for (int i = 1; i <= linesKept; ++i)
            QCOMPARE(lines.at(i).split(';').size(), kColumns);
    }
    // The monitor goes on; only the recording stopped.
    QCOMPARE(r.f->chk_read_out->value(), 1);
    QVERIFY(r.cycles(1));
    QCOMPARE(r.tp.ui.messages().size(), 1);
}

void TestMonitorRecorder::quoting_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain") << "21,5"
                           << "21,5";
    QTest::newRow("separator") << "a;b"
                               << "\"a;b\"";
    QTest::newRow("quote") << "say \"on\""
                           << "\"say \"\"on\"\"\"";
    QTest::newRow("line break") << "a\nb"
                                << "\"a\nb\"";
    QTest::newRow("carriage return") << "a\rb"
                                     << "\"a\rb\"";
    QTest::newRow("empty") << ""
                           << "";
}

void TestMonitorRecorder::quoting() {
    QFETCH(QString, text);
    QTEST(app::csvField(text), "field");
}

void TestMonitorRecorder::controlAsksForTheFile() {
    Rig r;
    monitor::RecordControl control(r.p);
    QCOMPARE(control.cmd_record.caption(), QStringLiteral("Aufzeichnen…"));
    // Cancelled: nothing starts.
    r.tp.ui.queueSaveFileName(std::nullopt);
    control.cmd_record.userClick();
    QVERIFY(!control.recorder.recording());
    QCOMPARE(r.tp.ui.fileFilters().last(), QStringLiteral("CSV-Datei (*.csv)|*.csv"));

    r.tp.ui.queueSaveFileName(r.path("tab.csv"));
    control.cmd_record.userClick();
    QVERIFY(control.recorder.recording());
    QCOMPARE(control.cmd_record.caption(), QStringLiteral("Stopp"));
    r.monitorOn();
    QVERIFY(r.cycles(2));
    QCOMPARE(control.lbl_record.caption(), QStringLiteral("Aufzeichnung in tab.csv: 2 Zeilen"));
    control.cmd_record.userClick();
    QVERIFY(!control.recorder.recording());
    QCOMPARE(control.cmd_record.caption(), QStringLiteral("Aufzeichnen…"));
    QCOMPARE(control.lbl_record.caption(), QStringLiteral("tab.csv: 2 Zeilen aufgezeichnet"));
    QCOMPARE(fileLines(r.path("tab.csv")).size(), 3);

    // Recording again into the same file continues it; the window closing ends the recording.
    auto again = std::make_unique<monitor::RecordControl>(r.p);
    r.tp.ui.queueSaveFileName(r.path("tab.csv"));
    again->cmd_record.userClick();
    QVERIFY(r.cycles(1));
    again.reset();
    QCOMPARE(fileLines(r.path("tab.csv")).size(), 4);
}

QTEST_GUILESS_MAIN(TestMonitorRecorder)
#include "tst_monitor_recorder.moc"
