// The whole program through a Modbus TCP gateway in front of a line of several stations, in
// virtual time: read-out and write + verify of one station among them, with the gateway echoing
// the transaction id or not and busy at first; a station that is not on the line; a connection
// the gateway drops in the middle of a write.

#include "app/global.h"
#include "app/program.h"
#include "bus/link_stats.h"
#include "bus/traffic_log.h"
#include "editor/frm_config.h"
#include "link/echo_port.h"
#include "link/mbap_port.h"
#include "link/transaction.h"
#include "params/numbers.h"
#include "sim/gateway.h"
#include "sim/station.h"
#include "support/test_program.h"

#include <QTest>

using namespace qtx52;

namespace {

const QList<int> kLine = {3, 17, 40};

struct GatewayRig {
    explicit GatewayRig(sim::GatewayOptions options, bool anyId)
        : stations(sim::makeStations(tp.clock, kLine, true)),
          stream(tp.clock, raw(stations), options), mbap(stream), front(mbap),
          p(tp.clock, front, tp.ui,
            settings::StorePaths{tp.dir.filePath("machine.ini"), tp.dir.filePath("user.ini")}) {
        mbap.setAnyId(anyId);
        mbap.setGatewayTimeoutMs(options.timeoutMs);
        p.linkEvents.add(&log);
        p.linkEvents.add(&stats);
        for (auto& s : stations)
            s->unit().setLiveMotion(false);
        app::Main(p);
        f = &p.frm_config();
        f->Combo_Port(1).setListIndex(0); // 9600: the gateway's line speed
        f->Combo_Port(5).setListIndex(0); // ASCII, which a gateway's line cannot be
    }
    ~GatewayRig() {
        p.linkEvents.remove(&log);
        p.linkEvents.remove(&stats);
    }
    static std::vector<sim::Station*> raw(const std::vector<std::unique_ptr<sim::Station>>& all) {
        std::vector<sim::Station*> out;
        for (const auto& s : all)
            out.push_back(s.get());
        return out;
    }
    sim::Station* station(int address) {
        for (auto& s : stations)
            if (s->address() == address)
                return s.get();
        return nullptr;
    }
    void choose(int address) {
        f->txt_Modbus_adress->setText(QString::number(address));
        f->Combo_Port(6).setListIndex(1); // open
    }
    bool idle() const { return p.g.commState == 0 && !p.frmStateLoaded(); }
    bool run(qint64 maxMs = 120000) {
        tp.clock.advance(1);
        return tp.clock.advanceUntil([&] { return idle(); }, maxMs);
    }
    double shown(int reg) const {
        return params::parseNumber(f->txt_data_cfg(reg).text(), p.g.decimalSeparator).value_or(-1);
    }

    testing::TestProgram tp;
    std::vector<std::unique_ptr<sim::Station>> stations;
    sim::GatewayStreamPort stream;
    link::MbapPort mbap;
    link::EchoPort front;
    app::Program p;
    editor::frm_config* f = nullptr;
    bus::TrafficLog log{tp.clock};
    bus::LinkStats stats{tp.clock};
};

} // namespace

class TestGatewayTransfers : public QObject {
    Q_OBJECT
private slots:
    void transfers_data();
    void transfers();
};

void TestGatewayTransfers::transfers_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<bool>("echoId");
    QTest::addColumn<int>("busy");
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("cutAfter"); // write requests taken before the gateway drops; -1 none
    // Station 9 is not on the line: the gateway answers 0x0B for it.
    for (int address : {3, 40, 9})
        for (bool echoId : {true, false})
            for (int busy : {0, 1})
                for (bool write : {false, true})
                    if (!(write && address == 9))
                        QTest::addRow("station %d, %s, busy %d, %s", address,
                                      echoId ? "id echoed" : "id not echoed", busy,
                                      write ? "write + verify" : "read-out")
                            << address << echoId << busy << write << -1;
    for (int cut : {0, 2})
        QTest::addRow("station 40, connection dropped after %d write requests", cut)
            << 40 << true << 0 << true << cut;
}

// The station's own values come back, and a write reaches that station alone.
void TestGatewayTransfers::transfers() {
    QFETCH(int, address);
    QFETCH(bool, echoId);
    QFETCH(int, busy);
    QFETCH(bool, write);
    QFETCH(int, cutAfter);
    constexpr int kReadOutRequests = 10;
    sim::GatewayOptions o;
    o.echoId = echoId;
    o.busyReplies = busy;
    if (cutAfter >= 0)
        o.dropAfter = kReadOutRequests + cutAfter;
    GatewayRig r(o, !echoId);
    r.choose(address);
    QVERIFY(r.p.port.portOpen());
    QCOMPARE(r.f->Combo_Port(5).listIndex(), 1); // RTU, and it stays so
    QVERIFY(!r.f->Combo_Port(5).enabled());
    r.f->cmd_read_device->userClick();
    if (address == 9)
        QVERIFY(r.tp.clock.advanceUntil([&] { return r.f->lbl_desc(16).visible(); }, 60000));
    else
        QVERIFY(r.run());
    // The repeats wait for the gateway's own answer: none overtakes it and finds it busy.
    QCOMPARE(r.stream.gateway().busyAnswers(), busy);
    if (address == 9) {
        // Repeated as for no reply, each answer counted as the gateway's, none as the unit's.
        QVERIFY(r.stream.gateway().noAnswers() >= 2);
        QVERIFY(r.stats.gatewayNoAnswer >= 2);
        QCOMPARE(r.stats.exceptionTotal(), busy); // its 0x06, the one it may say of itself
        QVERIFY(r.f->lbl_desc(16).visible());
        QCOMPARE(r.f->lbl_desc(16).caption(),
                 QStringLiteral("Das Gateway hatte keine Antwort von Station 9!"));
        // The failed read-out says so once, with the gateway's words.
        QCOMPARE(r.tp.ui.messageTexts(),
                 QStringList{link::readOutFailedMessage(9, r.f->lbl_desc(16).caption(), "1031")});
        return;
    }
    QVERIFY(r.log.entries().size() > 2);
    QVERIFY(r.log.line(r.log.entries().front()).contains(QStringLiteral("MBAP transaction")));
    QVERIFY(r.log.line(r.log.entries().back()).contains(QStringLiteral(", unit %1").arg(address)));
    QVERIFY2(r.tp.ui.messages().isEmpty(), qPrintable(r.tp.ui.messages().value(0).text));
    QVERIFY(!r.f->lbl_desc(16).visible());
    sim::Station* s = r.station(address);
    QCOMPARE(r.shown(3), double(s->unit().reg(3)));
    QCOMPARE(r.shown(6), double(s->unit().reg(6)));
    QCOMPARE(r.shown(11), qint16(s->unit().reg(11)) / 10.0);
    if (!write)
        return;
    const double setpoint = r.shown(11) + 1.5;
    r.f->txt_data_cfg(11).setText(params::formatNumber(setpoint, r.p.g.decimalSeparator));
    r.f->set_parameter->userClick();
    if (cutAfter >= 0) {
        // The line is lost: the message says which blocks the unit acknowledged and that the one
        // awaited may or may not have been taken.
        QVERIFY(r.tp.clock.advanceUntil([&] { return !r.tp.ui.messages().isEmpty(); }, 60000));
        QVERIFY(!r.p.port.portOpen());
        const QString said = r.tp.ui.messages().first().text;
        const QString taken = said.section(QLatin1Char('\n'), 1, 1);
        QVERIFY2(cutAfter == 0
                     ? taken.contains(QStringLiteral("nichts bestätigt"))
                     : taken.section(QStringLiteral(": "), 1).split(", ").size() == cutAfter,
                 qPrintable(said));
        QVERIFY2(said.contains(QStringLiteral("nicht bekannt")), qPrintable(said));
        return;
    }
    QVERIFY(r.run());
    QVERIFY(r.tp.ui.messages().isEmpty());
    QCOMPARE(qint16(s->unit().reg(11)) / 10.0, setpoint);
    QCOMPARE(r.shown(11), setpoint);
    QCOMPARE(r.f->txt_data_cfg(11).foreColor(), forms::ColorButtonText);
    for (auto& other : r.stations)
        if (other.get() != s)
            QVERIFY(qint16(other->unit().reg(11)) / 10.0 != setpoint);
}

QTEST_GUILESS_MAIN(TestGatewayTransfers)
#include "tst_gateway_transfers.moc"
