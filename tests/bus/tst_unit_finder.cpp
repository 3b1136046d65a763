// The unit finder against the simulated unit in virtual time: found at its own station and line
// settings only, read for its details, in the order the settings are probed, within the time the
// probes take, cancelled at any moment with the port closed, refused while the port is in use,
// and never a write on the line.

#include "bus/unit_finder.h"
#include "cli/scan.h"
#include "forms/clock.h"
#include "link/tcp_port.h"
#include "sim/roomunit.h"
#include "sim/simcommport.h"
#include "sim/station.h"
#include "support/silent_server.h"

#include <QElapsedTimer>
#include <QTest>

using namespace qtx52;
using bus::FinderOptions;
using bus::FoundUnit;
using bus::LineChoice;
using bus::UnitFinder;

Q_DECLARE_METATYPE(bus::LineChoice)

namespace {

struct Rig {
    forms::ManualClock clock;
    sim::Station station{clock};
    sim::SimCommPort port{clock, station};
    UnitFinder finder{clock, port};
    int finishedCalls = 0;

    Rig() {
        finder.onFinished = [this] { ++finishedCalls; };
    }

    // The unit on its own line settings and station, with a coding, firmware and response time
    // of its own so that the details read can be told from defaults.
    void unitAt(const LineChoice& line, int address, int responseTime = 10) {
        station.setLineSettings(line.lineSettings());
        station.setFraming(line.ascii ? sim::Framing::Ascii : sim::Framing::Rtu);
        QVERIFY(station.setAddress(address));
        station.unit().setReg(sim::reg::DeviceCoding, 82);
        station.unit().setReg(sim::reg::FirmwareVersion, 261);
        station.unit().setReg(sim::reg::MinResponseTime, quint16(responseTime));
    }

    bool runToEnd(qint64 maxMs = 3'600'000) {
        return clock.advanceUntil([this] { return !finder.running(); }, maxMs);
    }

    // Whether every frame on the line was a read of holding registers.
    bool onlyReads() const {
        for (const auto& s : port.sent()) {
            const QByteArray& f = s.frame;
            // Station 58 in RTU also begins with ':'; an ASCII line also ends in CR LF.
            const bool ascii = f.startsWith(':') && f.endsWith("\r\n");
            const QByteArray head = ascii ? QByteArray::fromHex(f.mid(3, 2)) : f.mid(1, 1);
            const int function = head.isEmpty() ? -1 : quint8(head.at(0));
            if (function != 0x03)
                return false;
        }
        return true;
    }
};

FinderOptions everything(const std::optional<LineChoice>& current = LineChoice{false, 9600, 'E'}) {
    FinderOptions o;
    o.lines = bus::probeOrder(current);
    return o;
}

qint64 sweepFloor(const QList<LineChoice>& lines, int stations, qint64 timeoutMs) {
    qint64 sum = 0;
    for (const LineChoice& l : lines)
        sum += stations * bus::probeTimeMs(l, timeoutMs);
    return sum;
}

} // namespace

class TestUnitFinder : public QObject {
    Q_OBJECT
private slots:
    void order_data();
    void order();
    void findsAtItsSettingOnly_data();
    void findsAtItsSettingOnly();
    void findAllSweepsEverySetting();
    void cancelAtAnyMoment_data();
    void cancelAtAnyMoment();
    void refusals();
    void detailsUnansweredStillReported();
    void foundBehindGarbage();
    void scanLineAndOptions_data();
    void scanLineAndOptions();
    void opensALineOverTheNetworkWithoutWaiting_data();
    void opensALineOverTheNetworkWithoutWaiting();
};

void TestUnitFinder::order_data() {
    QTest::addColumn<std::optional<LineChoice>>("current");
    QTest::addColumn<bus::LineNarrowing>("narrowing");
    QTest::addColumn<int>("count");
    QTest::addColumn<LineChoice>("first");
    QTest::addColumn<LineChoice>("second");
    const LineChoice rtu9600E{false, 9600, 'E'};
    const LineChoice ascii19200N{true, 19200, 'N'};
    QTest::newRow("factory settings now") << std::optional(rtu9600E) << bus::LineNarrowing{} << 24
                                          << rtu9600E << LineChoice{false, 9600, 'N'};
    QTest::newRow("other settings now")
        << std::optional(ascii19200N) << bus::LineNarrowing{} << 24 << ascii19200N << rtu9600E;
    QTest::newRow("none now") << std::optional<LineChoice>() << bus::LineNarrowing{} << 24
                              << rtu9600E << LineChoice{false, 9600, 'N'};
    QTest::newRow("ASCII only") << std::optional(rtu9600E) << bus::LineNarrowing{{true}, {}, {}}
                                << 12 << LineChoice{true, 9600, 'E'} << LineChoice{true, 9600, 'N'};
    QTest::newRow("one baud rate")
        << std::optional(ascii19200N) << bus::LineNarrowing{{}, {38400}, {}} << 6
        << LineChoice{false, 38400, 'E'} << LineChoice{false, 38400, 'N'};
    QTest::newRow("all fixed") << std::optional(rtu9600E)
                               << bus::LineNarrowing{{true}, {57600}, {'O'}} << 1
                               << LineChoice{true, 57600, 'O'} << LineChoice{};
}

void TestUnitFinder::order() {
    QFETCH(std::optional<LineChoice>, current);
    QFETCH(bus::LineNarrowing, narrowing);
    QFETCH(int, count);
    QFETCH(LineChoice, first);
    QFETCH(LineChoice, second);
    const QList<LineChoice> order = bus::probeOrder(current, narrowing);
    QCOMPARE(order.size(), count);
    QCOMPARE(order.value(0), first);
    if (count > 1)
        QCOMPARE(order.value(1), second);
    for (int i = 0; i < order.size(); ++i)
        QCOMPARE(order.indexOf(order[i]), i); // each setting once
}

void TestUnitFinder::findsAtItsSettingOnly_data() {
    QTest::addColumn<LineChoice>("line");
    QTest::addColumn<int>("station");
    QTest::addColumn<int>("responseTime");
    // Every line setting, with the unit at stations across the range.
    const QList<int> stations{1, 37, 63, 2, 17, 50};
    int i = 0;
    for (const LineChoice& l : bus::probeOrder(LineChoice{false, 9600, 'E'})) {
        const int station = stations[i % stations.size()];
        const int response = QList<int>{0, 10, 50, 100}[i % 4];
        QTest::addRow("%s station %d", qPrintable(l.describe()), station)
            << l << station << response;
        ++i;
    }
}

void TestUnitFinder::findsAtItsSettingOnly() {
    QFETCH(LineChoice, line);
    QFETCH(int, station);
    QFETCH(int, responseTime);
    Rig rig;
    rig.unitAt(line, station, responseTime);
    FinderOptions o = everything();
    // The probe must wait out a slow unit's answer.
    o.probeTimeoutMs = 150;
    QCOMPARE(rig.finder.start(o), UnitFinder::Refusal::None);
    QVERIFY(rig.runToEnd());

    QCOMPARE(rig.finder.found().size(), 1);
    const FoundUnit u = rig.finder.found().first();
    QCOMPARE(u.line, line);
    QCOMPARE(u.station, station);
    QCOMPARE(u.coding, 82);
    QCOMPARE(u.firmware, 261);
    QCOMPARE(u.responseTime, responseTime);
    QCOMPARE(rig.finishedCalls, 1);
    QVERIFY(!rig.port.portOpen());
    QVERIFY(rig.onlyReads());
    QCOMPARE(rig.station.unit().reg(sim::reg::MinResponseTime), quint16(responseTime));

    // It stopped at the first unit: no setting after the unit's was probed, and the time taken
    // is that of the silent probes before it plus two answered reads.
    const int at = int(o.lines.indexOf(line));
    const qint64 before = sweepFloor(o.lines.mid(0, at), 63, o.probeTimeoutMs) +
                          (station - 1) * bus::probeTimeMs(line, o.probeTimeoutMs);
    QVERIFY2(rig.clock.nowMs() >= before, qPrintable(QString::number(rig.clock.nowMs())));
    QVERIFY2(rig.clock.nowMs() <= before + 2 * (responseTime + 60) + 2 * 63,
             qPrintable(QStringLiteral("%1 vs %2").arg(rig.clock.nowMs()).arg(before)));
    QCOMPARE(rig.port.activeSettings().baud, line.baud);
}

void TestUnitFinder::findAllSweepsEverySetting() {
    Rig rig;
    const LineChoice line{true, 19200, 'O'};
    rig.unitAt(line, 5);
    FinderOptions o = everything();
    o.findAll = true;
    o.firstStation = 1;
    o.lastStation = 8;
    QList<FoundUnit> reported;
    rig.finder.onFound = [&](const FoundUnit& u) { reported.append(u); };
    QCOMPARE(rig.finder.start(o), UnitFinder::Refusal::None);
    QVERIFY(rig.runToEnd());
    QCOMPARE(reported.size(), 1);
    QCOMPARE(reported.first().line, line);
    QCOMPARE(reported.first().station, 5);
    // Every station at every setting was asked, once, and the found one once more.
    QCOMPARE(rig.port.sent().size(), 24 * 8 + 1);
    const qint64 floor = sweepFloor(o.lines, 8, o.probeTimeoutMs);
    QVERIFY(rig.clock.nowMs() >= floor - bus::probeTimeMs(line, o.probeTimeoutMs));
    QVERIFY2(rig.clock.nowMs() <= floor + 24 * 8 * 3,
             qPrintable(QStringLiteral("%1 vs floor %2").arg(rig.clock.nowMs()).arg(floor)));
}

void TestUnitFinder::cancelAtAnyMoment_data() {
    QTest::addColumn<qint64>("atMs");
    QTest::addColumn<bool>("found");
    // The unit is at station 3 of the second setting; a probe at 9600 RTU takes 166 ms.
    const qint64 probe = bus::probeTimeMs({false, 9600, 'E'}, 150);
    QTest::newRow("at once") << qint64(0) << false;
    QTest::newRow("request on the wire") << qint64(5) << false;
    QTest::newRow("waiting for a reply") << qint64(100) << false;
    QTest::newRow("between two probes") << probe << false;
    QTest::newRow("changing the setting") << 63 * probe << false;
    QTest::newRow("probe answered, details read") << 63 * probe + 2 * probe + 40 << false;
    QTest::newRow("after the end") << qint64(60'000) << true;
}

void TestUnitFinder::cancelAtAnyMoment() {
    QFETCH(qint64, atMs);
    QFETCH(bool, found);
    Rig rig;
    rig.unitAt({false, 9600, 'N'}, 3, 10);
    QCOMPARE(rig.finder.start(everything()), UnitFinder::Refusal::None);
    rig.clock.advance(atMs);
    const bool wasRunning = rig.finder.running();
    rig.finder.cancel();
    QCOMPARE(rig.finder.cancelled(), wasRunning);
    QVERIFY(!rig.finder.running());
    QVERIFY(!rig.port.portOpen());
    QCOMPARE(rig.finishedCalls, 1);
    const qsizetype sentAtCancel = rig.port.sent().size();
    rig.clock.advance(10'000);
    QCOMPARE(rig.port.sent().size(), sentAtCancel); // nothing more went out
    QCOMPARE(rig.finder.found().size(), found ? 1 : 0);
    QCOMPARE(rig.finishedCalls, 1);
    // A new search can start after a cancel.
    QCOMPARE(rig.finder.start(everything()), UnitFinder::Refusal::None);
    QVERIFY(rig.runToEnd());
    QCOMPARE(rig.finder.found().size(), 1);
}

void TestUnitFinder::refusals() {
    Rig rig;
    rig.unitAt({false, 9600, 'E'}, 1);
    QVERIFY(!rig.port.setPortOpen(true)); // the main window holds the port
    QCOMPARE(rig.finder.start(everything()), UnitFinder::Refusal::PortOpen);
    QVERIFY(rig.port.sent().isEmpty());
    QVERIFY(rig.port.portOpen()); // left as it was
    QVERIFY(!rig.port.setPortOpen(false));

    FinderOptions none = everything();
    none.lines.clear();
    QCOMPARE(rig.finder.start(none), UnitFinder::Refusal::NothingToProbe);
    FinderOptions backwards = everything();
    backwards.firstStation = 10;
    backwards.lastStation = 9;
    QCOMPARE(rig.finder.start(backwards), UnitFinder::Refusal::NothingToProbe);
    QCOMPARE(rig.finishedCalls, 0);

    // The adapter is gone: the search ends with the port's error.
    rig.port.setPortGone(true);
    QCOMPARE(rig.finder.start(everything()), UnitFinder::Refusal::None);
    QVERIFY(!rig.finder.running());
    QVERIFY(rig.finder.portError());
    QCOMPARE(rig.finishedCalls, 1);
}

void TestUnitFinder::detailsUnansweredStillReported() {
    Rig rig;
    rig.unitAt({false, 9600, 'E'}, 4, 10);
    // The probe is answered, both detail reads are not.
    rig.finder.onFound = [](const FoundUnit&) {};
    QCOMPARE(rig.finder.start(everything()), UnitFinder::Refusal::None);
    rig.clock.advanceUntil([&] { return rig.port.sent().size() == 5; }, 100'000);
    rig.station.faults().setNoReply(2);
    QVERIFY(rig.runToEnd());
    QCOMPARE(rig.finder.found().size(), 1);
    const FoundUnit u = rig.finder.found().first();
    QCOMPARE(u.station, 4);
    QCOMPARE(u.coding, -1);
    QCOMPARE(u.responseTime, 10);
    QVERIFY(u.scanLine().contains(QLatin1String("coding=? firmware=?")));
}

void TestUnitFinder::foundBehindGarbage() {
    Rig rig;
    rig.unitAt({true, 38400, 'E'}, 9, 10);
    rig.station.faults().setGarbageBefore(QByteArray("\x00\xff:zz\r\n", 7), 2);
    FinderOptions o = everything();
    o.lines = bus::probeOrder(std::nullopt, bus::LineNarrowing{{true}, {38400}, {'E'}});
    QCOMPARE(rig.finder.start(o), UnitFinder::Refusal::None);
    QVERIFY(rig.runToEnd());
    QCOMPARE(rig.finder.found().size(), 1);
    QCOMPARE(rig.finder.found().first().coding, 82);
}

void TestUnitFinder::scanLineAndOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("settings");
    QTest::addColumn<LineChoice>("first");
    QTest::addColumn<int>("firstStation");
    QTest::addColumn<int>("lastStation");
    QTest::addColumn<int>("preferred");
    QTest::newRow("defaults") << QStringList{"--scan"} << 24 << LineChoice{false, 9600, 'E'} << 1
                              << 63 << 1;
    QTest::newRow("narrowed to ASCII")
        << QStringList{"--scan", "--mode", "ascii", "--address", "37"} << 12
        << LineChoice{true, 9600, 'E'} << 1 << 63 << 37;
    QTest::newRow("one setting, a range")
        << QStringList{"--scan", "--mode",          "RTU",  "--baud", "19200", "--parity",
                       "O",      "--scan-stations", "10-20"}
        << 1 << LineChoice{false, 19200, 'O'} << 10 << 20 << 1;
    QTest::newRow("one station") << QStringList{"--scan", "--scan-stations", "7"} << 24
                                 << LineChoice{false, 9600, 'E'} << 7 << 7 << 1;
}

void TestUnitFinder::scanLineAndOptions() {
    QFETCH(QStringList, args);
    QFETCH(int, settings);
    QFETCH(LineChoice, first);
    QFETCH(int, firstStation);
    QFETCH(int, lastStation);
    QFETCH(int, preferred);
    args.prepend(QStringLiteral("qtx52-config"));
    const cli::CommandLine cl = cli::parseCommandLine(args);
    QVERIFY2(cl.error.isEmpty(), qPrintable(cl.error));
    QCOMPARE(cl.command, cli::CommandLine::Command::Scan);
    const FinderOptions o = cli::scanOptions(cl);
    QCOMPARE(o.lines.size(), settings);
    QCOMPARE(o.lines.first(), first);
    QCOMPARE(o.firstStation, firstStation);
    QCOMPARE(o.lastStation, lastStation);
    QCOMPARE(o.preferredStation, preferred);
    QCOMPARE(o.probeTimeoutMs, 150);

    const FoundUnit u{37, LineChoice{true, 19200, 'E'}, 82, 261, 10};
    QCOMPARE(
        u.scanLine(),
        QStringLiteral(
            "station=37 mode=ASCII baud=19200 parity=E coding=82 firmware=261 response-time=10"));
}

void TestUnitFinder::opensALineOverTheNetworkWithoutWaiting_data() {
    QTest::addColumn<bool>("cancel"); // during the connect
    QTest::newRow("nobody answers") << false;
    QTest::newRow("cancelled while connecting") << true;
}

// A line whose host does not answer: start() returns at once, the search ends within the connect
// bound with the reason, or at the cancel without one and with the attempt ended.
void TestUnitFinder::opensALineOverTheNetworkWithoutWaiting() {
    QFETCH(bool, cancel);
    testing::SilentServer silent;
    QVERIFY(silent.port() != 0);
    forms::ManualClock clock;
    link::TcpCommPort port(QStringLiteral("tcp://127.0.0.1:%1").arg(silent.port()));
    constexpr int kBoundMs = 500;
    port.setConnectTimeoutMs(kBoundMs);
    UnitFinder finder{clock, port};
    int finished = 0;
    finder.onFinished = [&] { ++finished; };
    FinderOptions o;
    o.lines = {LineChoice{}};
    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(int(finder.start(o)), int(UnitFinder::Refusal::None));
    QVERIFY(finder.running());
    QCOMPARE(finished, 0);
    if (cancel) {
        finder.cancel();
        QCOMPARE(finished, 1);
        QTest::qWait(kBoundMs + 200);
        QCOMPARE(finished, 1);
        QVERIFY(!finder.portError());
        QVERIFY(!port.portOpen());
        return;
    }
    QVERIFY(QTest::qWaitFor([&] { return finished > 0; }, 3 * kBoundMs));
    QVERIFY2(elapsed.elapsed() < kBoundMs + 300, qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(int(finder.portError().cause), int(link::CommCause::ConnectFailed));
    QVERIFY(finder.found().isEmpty());
}

QTEST_GUILESS_MAIN(TestUnitFinder)
#include "tst_unit_finder.moc"
