// The logic of the bus windows, headless in virtual time: the status line follows the counters at
// most every 200 ms and starts again when the port opens; the bus monitor follows the log, stands
// still when paused while the log goes on, clears, stays bounded and saves what it shows; the
// unit finder window finds the simulated unit at its own settings, cancels with the port closed,
// refuses while the main window has the port open or the input is wrong, and "Use" sets the main
// window's controls so that a read-out with them succeeds.

#include "app/program.h"
#include "bus/bus_desk.h"
#include "bus/bus_monitor_form.h"
#include "bus/bus_texts.h"
#include "bus/finder_form.h"
#include "editor/frm_config.h"
#include "forms/clock.h"
#include "link/framing.h"
#include "sim/simcommport.h"
#include "sim/station.h"
#include "support/sim_program.h"
#include "support/test_program.h"

#include <QFile>
#include <QTest>

using namespace qtx52;
using bus::BusText;
using bus::LineChoice;

Q_DECLARE_METATYPE(bus::LineChoice)

namespace {

// A started program on the simulated unit, with the bus windows beside its main window.
struct Rig : testing::SimProgram {
    std::unique_ptr<bus::BusDesk> desk;

    explicit Rig(const QString& language = QStringLiteral("1031"))
        : SimProgram(language), desk(std::make_unique<bus::BusDesk>(p)) {}
    bus::FinderForm& finder() { return desk->finder(); }

    void unitAt(const LineChoice& line, int address) {
        station.setLineSettings(line.lineSettings());
        station.setFraming(line.ascii ? sim::Framing::Ascii : sim::Framing::Rtu);
        QVERIFY(station.setAddress(address));
        station.unit().setReg(sim::reg::DeviceCoding, 82);
        station.unit().setReg(sim::reg::FirmwareVersion, 261);
        station.unit().setReg(sim::reg::MinResponseTime, 10);
    }
    void openPort(bool open) { w().Combo_Port(6).setListIndex(open ? 1 : 0); }
    bool searchDone(qint64 maxMs = 3'600'000) {
        return tp.clock.advanceUntil([this] { return !finder().running(); }, maxMs);
    }
    // Runs until the read-out's chain has ended.
    bool readOutDone() {
        return tp.clock.advanceUntil(
            [this] {
                return p.g.commState == 0 && !p.frmStateLoaded() && p.g.linkReady &&
                       !w().Timer6.enabled();
            },
            600'000);
    }
};

// Feeds the log and the counters directly.
struct Feed {
    forms::ManualClock clock;
    link::LinkEvents events;
    bus::LinkStats stats{clock};
    Feed() { events.add(&stats); }
    void request(int attempt = 1) {
        // One character a millisecond.
        events.frameSent({link::frameRtu(QStringLiteral("010300060001")), attempt, -1, 1.0});
    }
    void reply(link::Verdict v = link::Verdict::Taken) {
        events.frameReceived({link::frameRtu(QStringLiteral("0103020000")), v, 0, 1});
    }
};

QString readFile(const QString& name) {
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing>");
    return QString::fromUtf8(f.readAll());
}

} // namespace

class TestBusWindows : public QObject {
    Q_OBJECT
private slots:
    void countersInWords_data();
    void countersInWords();
    void statusLineThrottled();
    void statusLineResetOnOpen();
    void monitorFollowsPausesClears();
    void monitorBounded();
    void monitorSaves_data();
    void monitorSaves();
    void monitorColumnsInLanguage_data();
    void monitorColumnsInLanguage();
    void finderFindsAndUses_data();
    void finderFindsAndUses();
    void finderCancelClosesPort();
    void finderRefuses_data();
    void finderRefuses();
    void finderPortCannotOpen();
    void remainingTime_data();
    void remainingTime();
};

void TestBusWindows::countersInWords_data() {
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("expected");
    QTest::newRow("German") << false
                            << "Anfragen 2 | Wiederholungen 1 | angenommen 1 | Prüfsumme falsch 1 "
                               "| andere Station 0 | unerwartet 0 | Ausnahmen 0 | Fehlschläge 1 | "
                               "Antwortzeit min/mittel/max 30/30/30 ms | Leitung belegt 95 %";
    QTest::newRow("English") << true
                             << "Requests 2 | Repeats 1 | taken 1 | bad checksum 1 | other "
                                "station 0 | unexpected 0 | exceptions 0 | failures 1 | response "
                                "time min/mean/max 30/30/30 ms | line use 95 %";
}

void TestBusWindows::countersInWords() {
    QFETCH(bool, english);
    QFETCH(QString, expected);
    Feed f;
    f.request();
    f.clock.advance(30);
    f.reply(); // answered at the first try: timed
    f.request();
    f.clock.advance(10);
    f.reply(link::Verdict::BadChecksum);
    f.request(2);
    f.events.transactionFailed(link::Failure::NoReply);
    QCOMPARE(bus::countersText(f.stats, english), expected);
    // Nothing answered yet: no response time to show.
    f.stats.reset();
    QVERIFY(bus::countersText(f.stats, english).endsWith(QStringLiteral(" -")));
}

void TestBusWindows::statusLineThrottled() {
    Feed f;
    bus::StatusLine line(f.clock, f.stats, f.events, [] { return false; });
    int redraws = 0;
    connect(&line.lbl_link_status, &forms::Control::changed, [&] { ++redraws; });
    // A request every 10 ms for a second.
    for (int i = 0; i < 100; ++i) {
        f.request();
        f.clock.advance(10);
    }
    QVERIFY2(redraws <= 1000 / bus::StatusLine::kRefreshMs + 1,
             qPrintable(QString::number(redraws)));
    QVERIFY(redraws >= 1000 / bus::StatusLine::kRefreshMs - 1);
    // The last change shows within one refresh time.
    f.clock.advance(bus::StatusLine::kRefreshMs);
    QCOMPARE(line.lbl_link_status.caption(), bus::countersText(f.stats, false));
    QVERIFY(line.lbl_link_status.caption().startsWith(QStringLiteral("Anfragen 100 |")));
    // A lone change after a quiet time shows at once.
    f.clock.advance(1000);
    f.request();
    QVERIFY(line.lbl_link_status.caption().startsWith(QStringLiteral("Anfragen 101 |")));
}

void TestBusWindows::statusLineResetOnOpen() {
    Rig r;
    r.unitAt(LineChoice{false, 9600, 'E'}, 1);
    r.w().Combo_Port(6).setListIndex(1);
    r.w().cmd_read_device->userClick();
    QVERIFY(r.readOutDone());
    r.tp.clock.advance(bus::StatusLine::kRefreshMs);
    const QString& shown = r.desk->statusLine.lbl_link_status.caption();
    QVERIFY2(shown.startsWith(QStringLiteral("Anfragen 10 | Wiederholungen 0 | angenommen 10")),
             qPrintable(shown));
    QVERIFY(!shown.endsWith(QStringLiteral(" -")));
    r.openPort(false);
    r.openPort(true);
    QVERIFY2(shown.startsWith(QStringLiteral("Anfragen 0 | Wiederholungen 0 | angenommen 0")),
             qPrintable(shown));
}

void TestBusWindows::monitorFollowsPausesClears() {
    Rig r;
    r.unitAt(LineChoice{false, 9600, 'E'}, 1);
    bus::BusMonitorForm& m = r.desk->monitor();
    int appended = 0;
    connect(&m, &bus::BusMonitorForm::rowsAppended, [&] { ++appended; });
    r.openPort(true);
    r.w().cmd_read_device->userClick();
    QVERIFY(r.readOutDone());
    const auto& log = r.desk->watch.log.entries();
    QCOMPARE(qsizetype(log.size()), 20); // 10 requests, 10 replies
    QCOMPARE(m.rowCount(), 20);
    QCOMPARE(appended, 20); // row by row, never all again
    QCOMPARE(m.cell(0, bus::BusMonitorForm::Dir), QStringLiteral("gesendet"));
    QCOMPARE(m.cell(0, bus::BusMonitorForm::Hex), QStringLiteral("01 03 00 06 00 01 64 0B"));
    QCOMPARE(m.cell(0, bus::BusMonitorForm::Meaning), QStringLiteral("Halteregister lesen 6"));
    QCOMPARE(m.cell(0, bus::BusMonitorForm::Try), QStringLiteral("erster"));
    QCOMPARE(m.cell(1, bus::BusMonitorForm::VerdictColumn), QStringLiteral("angenommen"));
    QCOMPARE(m.cell(1, bus::BusMonitorForm::Ascii), QString()); // RTU bytes have no text

    // Paused: the table stands, the log goes on.
    m.cmdPause.userClick();
    QCOMPARE(m.cmdPause.caption(), QStringLiteral("Weiter"));
    r.w().cmd_read_device->userClick();
    QVERIFY(r.readOutDone());
    QCOMPARE(m.rowCount(), 20);
    QCOMPARE(qsizetype(log.size()), 40);
    // Resumed: what was recorded meanwhile is there.
    m.cmdPause.userClick();
    QCOMPARE(m.cmdPause.caption(), QStringLiteral("Anhalten"));
    QCOMPARE(m.rowCount(), 40);
    QCOMPARE(m.entry(39).bytes, log.back().bytes);

    m.cmdClear.userClick();
    QCOMPARE(m.rowCount(), 0);
    QVERIFY(log.empty());
    r.w().cmd_read_device->userClick();
    QVERIFY(r.readOutDone());
    QCOMPARE(m.rowCount(), 20);
}

void TestBusWindows::monitorBounded() {
    Rig r;
    bus::TrafficLog small(r.tp.clock, 5);
    r.p.linkEvents.add(&small);
    {
        bus::BusMonitorForm m(r.p, small, r.desk->watch.stats, r.p.linkEvents);
        int removed = 0;
        connect(&m, &bus::BusMonitorForm::frontRowsRemoved, [&] { ++removed; });
        for (int i = 0; i < 12; ++i)
            r.p.linkEvents.frameSent(
                {link::frameRtu(QStringLiteral("0103000%1").arg(i % 10) + QStringLiteral("0001")),
                 1});
        QCOMPARE(m.rowCount(), 5);
        QCOMPARE(removed, 7);
        QCOMPARE(m.entry(4).bytes, small.entries().back().bytes);
        QVERIFY(m.lblDropped.visible());
        QCOMPARE(m.lblDropped.caption(), QStringLiteral("7 ältere Telegramme verworfen"));
    }
    r.p.linkEvents.remove(&small);
}

void TestBusWindows::monitorSaves_data() {
    QTest::addColumn<bool>("csv");
    QTest::addColumn<QString>("where"); // "ok", "cancel", "no folder"
    QTest::newRow("text") << false << "ok";
    QTest::newRow("CSV") << true << "ok";
    QTest::newRow("text cancelled") << false << "cancel";
    QTest::newRow("CSV to a missing folder") << true << "no folder";
    QTest::newRow("text to a missing folder") << false << "no folder";
}

void TestBusWindows::monitorSaves() {
    QFETCH(bool, csv);
    QFETCH(QString, where);
    Rig r;
    r.unitAt(LineChoice{true, 9600, 'E'}, 1);
    r.w().Combo_Port(5).setListIndex(0); // ASCII
    r.openPort(true);
    r.w().cmd_read_device->userClick();
    QVERIFY(r.readOutDone());
    bus::BusMonitorForm& m = r.desk->monitor();
    QCOMPARE(m.rowCount(), 20);
    QCOMPARE(m.cell(0, bus::BusMonitorForm::Ascii), QStringLiteral(":010300060001F5\\r\\n"));

    const QString file = r.tp.dir.filePath(where == "no folder" ? "none/bus.out" : "bus.out");
    r.tp.ui.queueSaveFileName(where == "cancel" ? std::nullopt : std::optional(file));
    (csv ? m.cmdSaveCsv : m.cmdSaveText).userClick();
    QCOMPARE(r.tp.ui.fileFilters().last(), csv ? QStringLiteral("CSV-Datei (*.csv)|*.csv")
                                               : QStringLiteral("Textdatei (*.txt)|*.txt"));
    if (where == "cancel") {
        QVERIFY(!QFile::exists(file));
        QVERIFY(r.tp.ui.messages().isEmpty());
        return;
    }
    if (where == "no folder") {
        QCOMPARE(r.tp.ui.messages().size(), 1);
        QVERIFY(r.tp.ui.messages().first().text.startsWith(
            QStringLiteral("Datei konnte nicht geschrieben werden: ") + file));
        QCOMPARE(m.rowCount(), 20); // nothing lost
        return;
    }
    QVERIFY(r.tp.ui.messages().isEmpty());
    const QString content = readFile(file);
    QCOMPARE(content, csv ? m.csvContent() : m.textContent());
    const QStringList lines = content.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), csv ? 21 : 20);
    if (csv) {
        QCOMPARE(lines.first(), bus::TrafficLog::csvHeader());
        QVERIFY(lines.at(1).contains(QStringLiteral(";out;3A 30 31 30 33")));
        QVERIFY(lines.at(2).contains(QStringLiteral(";in;")));
    } else {
        QVERIFY2(lines.first().contains(QStringLiteral("-> 3A 30 31")), qPrintable(lines.first()));
        QVERIFY(lines.first().contains(QStringLiteral("\":010300060001F5\\r\\n\"")));
        QVERIFY(lines.at(1).contains(QStringLiteral("taken, answered try first")));
    }
}

void TestBusWindows::monitorColumnsInLanguage_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("meaning");
    QTest::addColumn<QString>("caption");
    QTest::newRow("German") << "1031"
                            << QStringList{"Zeit [ms]", "Richtung",  "Abstand [ms]", "Bytes (hex)",
                                           "ASCII",     "Bedeutung", "Ergebnis",     "Versuch"}
                            << "Halteregister lesen, 2 Bytes: 10"
                            << "Busmonitor";
    QTest::newRow("English") << "1033"
                             << QStringList{"Time [ms]", "Direction", "Gap [ms]", "Bytes (hex)",
                                            "ASCII",     "Meaning",   "Verdict",  "Try"}
                             << "read holding registers, 2 bytes: 10"
                             << "Bus monitor";
}

void TestBusWindows::monitorColumnsInLanguage() {
    QFETCH(QString, language);
    QFETCH(QStringList, titles);
    QFETCH(QString, meaning);
    QFETCH(QString, caption);
    Rig r(language);
    r.unitAt(LineChoice{false, 9600, 'E'}, 1);
    bus::BusMonitorForm& m = r.desk->monitor();
    QCOMPARE(m.form.caption(), caption);
    QCOMPARE(r.desk->mnuBusMonitor.caption(), caption);
    QCOMPARE(m.columnTitles(), titles);
    r.openPort(true);
    r.w().cmd_read_device->userClick();
    QVERIFY(r.readOutDone());
    QCOMPARE(m.cell(1, bus::BusMonitorForm::Meaning), meaning);
}

void TestBusWindows::finderFindsAndUses_data() {
    QTest::addColumn<LineChoice>("line");
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("parityEntry");
    QTest::newRow("factory setting") << LineChoice{false, 9600, 'E'} << 1 << "Even";
    QTest::newRow("ASCII 19200 N, 37") << LineChoice{true, 19200, 'N'} << 37 << "None";
    QTest::newRow("RTU 57600 O, 63") << LineChoice{false, 57600, 'O'} << 63 << "Odd";
    QTest::newRow("ASCII 38400 E, 2") << LineChoice{true, 38400, 'E'} << 2 << "Even";
}

void TestBusWindows::finderFindsAndUses() {
    QFETCH(LineChoice, line);
    QFETCH(int, address);
    QFETCH(QString, parityEntry);
    Rig r;
    r.unitAt(line, address);
    bus::FinderForm& f = r.finder();
    // All 24 settings and stations 1..63 at first.
    for (const auto& array : {&f.chk_mode, &f.chk_baud, &f.chk_parity})
        for (const auto& [i, box] : *array)
            QCOMPARE(box->value(), 1);
    QCOMPARE(f.txt_first.text(), QStringLiteral("1"));
    QCOMPARE(f.txt_last.text(), QStringLiteral("63"));
    QCOMPARE(f.txt_timeout.text(), QStringLiteral("150"));
    QCOMPARE(f.chk_all.value(), 0);
    QVERIFY(!f.cmd_use.enabled());

    f.cmd_start.userClick();
    QVERIFY(f.running());
    QVERIFY(!r.w().form.enabled()); // the main window waits
    QVERIFY(!f.cmd_start.enabled());
    QVERIFY(f.cmd_cancel.enabled());
    QVERIFY(f.lbl_progress.caption().contains(QStringLiteral("RTU 9600 E, Station")));
    QVERIFY(r.searchDone());
    QVERIFY(r.w().form.enabled());
    QVERIFY(!r.port.portOpen());
    QCOMPARE(f.results().size(), 1);
    QCOMPARE(f.resultCells(0),
             (QStringList{QString::number(address), line.modeText(), QString::number(line.baud),
                          QString(QLatin1Char(line.parity)), "82", "261", "10"}));
    QCOMPARE(f.lbl_state.caption(), QStringLiteral("1 Gerät(e) gefunden"));
    QCOMPARE(f.prg_search.value(), f.prg_search.max());
    QCOMPARE(f.selected(), 0);
    QVERIFY(f.cmd_use.enabled());

    // "Use": the main window's own handlers take the settings, as from the person's choice.
    int portClicks = 0;
    for (int s : {1, 2, 5})
        connect(&r.w().Combo_Port(s), &forms::ListBox::click, [&] { ++portClicks; });
    f.cmd_use.userClick();
    QCOMPARE(r.w().Combo_Port(5).text(), line.modeText());
    QCOMPARE(r.w().Combo_Port(1).text(), QString::number(line.baud));
    QCOMPARE(r.w().Combo_Port(2).text(), parityEntry);
    QCOMPARE(r.w().txt_Modbus_adress->text(), QString::number(address));
    QCOMPARE(r.p.g.modbusMode, line.modeText());
    QCOMPARE(r.p.g.baudRate, QString::number(line.baud));
    QCOMPARE(r.p.g.parity, QString(QLatin1Char(line.parity)));
    QCOMPARE(r.p.g.dataBits, line.ascii ? QStringLiteral("7") : QStringLiteral("8"));
    QVERIFY(portClicks >= (line == LineChoice{false, 9600, 'E'} ? 0 : 1));
    QVERIFY(r.tp.ui.messages().isEmpty());
    // And the unit answers the main window at them.
    r.openPort(true);
    r.w().cmd_read_device->userClick();
    QVERIFY(r.readOutDone());
    QCOMPARE(r.w().lbl_cfg_val(0).caption(), QStringLiteral("82"));
    QVERIFY(r.w().lbl_desc(16).visible() == false);
}

void TestBusWindows::finderCancelClosesPort() {
    Rig r;
    r.unitAt(LineChoice{true, 57600, 'O'}, 63);
    bus::FinderForm& f = r.finder();
    f.cmd_start.userClick();
    // Cancel at several moments of a probe, never with the port left open.
    for (qint64 after : {0, 1, 7, 151, 500}) {
        if (!f.running())
            f.cmd_start.userClick();
        QVERIFY(f.running());
        r.tp.clock.advance(after);
        QVERIFY(r.port.portOpen());
        f.cmd_cancel.userClick();
        QVERIFY(!f.running());
        QVERIFY(!r.port.portOpen());
        QVERIFY(r.w().form.enabled());
        QCOMPARE(f.lbl_state.caption(), QStringLiteral("Suche abgebrochen"));
        QVERIFY(f.results().isEmpty());
    }
    // The title-bar box cancels a search as well and hides the window.
    f.form.setVisible(true);
    f.cmd_start.userClick();
    r.tp.clock.advance(100);
    f.form.userClose();
    QVERIFY(!f.running());
    QVERIFY(!r.port.portOpen());
    QVERIFY(!f.form.visible());
    // Nothing is left running on the clock that could touch the port.
    const int sent = int(r.port.sent().size());
    r.tp.clock.advance(10'000);
    QCOMPARE(int(r.port.sent().size()), sent);
}

void TestBusWindows::finderRefuses_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("message");
    QTest::newRow("port open") << "open" << bus::busText(BusText::PortInUse, false);
    QTest::newRow("station 0") << "first=0" << bus::busText(BusText::BadStations, false);
    QTest::newRow("station 64") << "last=64" << bus::busText(BusText::BadStations, false);
    QTest::newRow("first above last") << "first=10" << bus::busText(BusText::BadStations, false);
    QTest::newRow("empty station") << "last=" << bus::busText(BusText::BadStations, false);
    QTest::newRow("timeout 5 ms") << "timeout=5" << bus::busText(BusText::BadTimeout, false);
    QTest::newRow("timeout 9999 ms") << "timeout=9999" << bus::busText(BusText::BadTimeout, false);
    QTest::newRow("no mode") << "mode" << bus::busText(BusText::NothingToProbe, false);
    QTest::newRow("no parity") << "parity" << bus::busText(BusText::NothingToProbe, false);
}

void TestBusWindows::finderRefuses() {
    QFETCH(QString, setup);
    QFETCH(QString, message);
    Rig r;
    bus::FinderForm& f = r.finder();
    if (setup == "open")
        r.openPort(true);
    if (setup == "first=0")
        f.txt_first.setText("0");
    if (setup == "last=64")
        f.txt_last.setText("64");
    if (setup == "first=10") {
        f.txt_first.setText("10");
        f.txt_last.setText("9");
    }
    if (setup == "last=")
        f.txt_last.setText("");
    if (setup == "timeout=5")
        f.txt_timeout.setText("5");
    if (setup == "timeout=9999")
        f.txt_timeout.setText("9999");
    if (setup == "mode")
        for (const auto& [i, box] : f.chk_mode)
            box->userClick();
    if (setup == "parity")
        for (const auto& [i, box] : f.chk_parity)
            box->userClick();
    const int opened = r.port.portOpen() ? 1 : 0;
    r.port.clearSent();
    f.cmd_start.userClick();
    QVERIFY(!f.running());
    QCOMPARE(r.tp.ui.messageTexts(), QStringList{message});
    QCOMPARE(f.lbl_state.caption(), message);
    r.tp.clock.advance(5000);
    QVERIFY(r.port.sent().isEmpty());
    QCOMPARE(r.port.portOpen() ? 1 : 0, opened);
    QVERIFY(r.w().form.enabled());
    // Typed keys other than digits never reach the boxes.
    f.txt_timeout.setText("");
    f.txt_timeout.typeText("1x5-0");
    QCOMPARE(f.txt_timeout.text(), QStringLiteral("150"));
}

void TestBusWindows::finderPortCannotOpen() {
    Rig r;
    r.port.setPortGone(true);
    bus::FinderForm& f = r.finder();
    f.cmd_start.userClick();
    QVERIFY(!f.running());
    QVERIFY(r.w().form.enabled());
    const QStringList messages = r.tp.ui.messageTexts();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(bus::busText(BusText::PortFailed, false) + "\n"),
             qPrintable(messages.first()));
    QVERIFY(f.lbl_state.caption().startsWith(bus::busText(BusText::PortFailed, false)));
    QVERIFY(f.cmd_start.enabled());
    // Plugged back in, the next search runs.
    r.port.setPortGone(false);
    f.cmd_start.userClick();
    QVERIFY(f.running());
    f.cmd_cancel.userClick();
}

void TestBusWindows::remainingTime_data() {
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << qint64(0) << "0:00";
    QTest::newRow("part of a second") << qint64(1) << "0:01";
    QTest::newRow("one minute") << qint64(60'000) << "1:00";
    QTest::newRow("just over") << qint64(60'001) << "1:01";
    QTest::newRow("full sweep") << qint64(24 * 63 * 168) << "4:15";
}

void TestBusWindows::remainingTime() {
    QFETCH(qint64, ms);
    QFETCH(QString, text);
    QCOMPARE(bus::remainingText(ms), text);
}

QTEST_GUILESS_MAIN(TestBusWindows)
#include "tst_bus_windows.moc"
