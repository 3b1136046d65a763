// Transfers through an adapter that echoes, in virtual time: the simulated line echoes every
// request, the echo check strips it, and the program runs as on a quiet line, in both framings at
// every baud rate; a wrong echo counts as a bad reply and is reported.

#include "app/global.h"
#include "app/program.h"
#include "editor/frm_config.h"
#include "params/numbers.h"
#include "params/register_map.h"
#include "link/echo_port.h"
#include "link/link_events.h"
#include "support/unit_rig.h"

#include <QTest>

#include <memory>

using namespace qtx52;

namespace {

using Mode = link::Framing;
using testing::kBauds;
const QString kReadResponseTime = QStringLiteral("010300060001");

struct Watch : link::LinkObserver {
    int wrongEchoes = 0;
    void frameReceived(const link::ReceivedFrame& f) override {
        if (f.verdict == link::Verdict::WrongEcho)
            ++wrongEchoes;
    }
};

struct Rig : testing::UnitRig {
    Watch watch;

    // strip: the program's port checks and drops the echo (as the setting "Echo" makes it).
    Rig(Mode m, const QString& baud, quint16 responseTimeMs, bool strip = true)
        : UnitRig(m, baud, responseTimeMs, strip) {
        p.linkEvents.add(&watch);
    }
    ~Rig() { p.linkEvents.remove(&watch); }

    bool notice() const { return f->lbl_desc(16).visible(); }
    // Clicks "Gerät auslesen" and runs until the read-out is over or the notice shows.
    bool readDevice(int requestCount) {
        port.clearSent();
        f->cmd_read_device->userClick();
        return tp.clock.advanceUntil(
            [&] { return notice() || (idle() && port.sent().size() >= requestCount); }, 60000);
    }
    std::optional<double> shown(int i) const { return UnitRig::shown(f->txt_data_cfg(i)); }
};

// Requests of a whole read-out: response time, the six register blocks and the three further
// groups.
constexpr int kReadOutRequests = 10;

void setUnitValues(sim::Station& station) {
    station.unit().setReg(7, quint16(qint16(-15)));
    station.unit().setReg(11, 215);
    station.unit().setCoil(2, true);
}

} // namespace

Q_DECLARE_METATYPE(Mode)

class TestEchoTransfers : public QObject {
    Q_OBJECT
private slots:
    void readOut_data();
    void readOut();
    void writeBack_data();
    void writeBack();
    void wrongEcho_data();
    void wrongEcho();
};

void TestEchoTransfers::readOut_data() {
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<int>("responseTime");
    for (const QString& b : kBauds)
        for (int rt : {0, 250}) {
            QTest::addRow("RTU %s, %d ms", qPrintable(b), rt) << Mode::Rtu << b << rt;
            QTest::addRow("ASCII %s, %d ms", qPrintable(b), rt) << Mode::Ascii << b << rt;
        }
}

void TestEchoTransfers::readOut() {
    QFETCH(Mode, mode);
    QFETCH(QString, baud);
    QFETCH(int, responseTime);

    Rig r(mode, baud, quint16(responseTime));
    setUnitValues(r.station);
    QVERIFY(r.readDevice(kReadOutRequests));
    QVERIFY(!r.notice());
    // Every request went out once: no echo was taken for a bad reply.
    QCOMPARE(r.requests().size(), kReadOutRequests);
    QCOMPARE(r.requests().first(), kReadResponseTime);
    for (int i : {7, 11}) {
        QCOMPARE(r.shown(i), r.unitValue(i));
        QCOMPARE(r.p.g.refDataCfg[i], r.unitValue(i));
    }
    QCOMPARE(r.f->chk_cfg(2).value(), 1);
    QCOMPARE(r.watch.wrongEchoes, 0);
    QVERIFY(r.tp.ui.messages().isEmpty());
}

void TestEchoTransfers::writeBack_data() {
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("baud");
    QTest::newRow("RTU 9600") << Mode::Rtu << "9600";
    QTest::newRow("ASCII 57600") << Mode::Ascii << "57600";
}

void TestEchoTransfers::writeBack() {
    QFETCH(Mode, mode);
    QFETCH(QString, baud);
    Rig r(mode, baud, 10);
    QVERIFY(r.readDevice(kReadOutRequests));
    const double setpoint = *r.shown(11) + 1.5;
    r.f->txt_data_cfg(11).setText(params::formatNumber(setpoint, r.p.g.decimalSeparator));
    r.port.clearSent();
    r.f->set_parameter->userClick();
    // The write-back, then the read-out after it.
    QVERIFY(r.tp.clock.advanceUntil([&] { return r.notice() || r.p.g.commState == 1; }, 60000));
    QVERIFY(r.tp.clock.advanceUntil([&] { return r.notice() || r.idle(); }, 60000));
    QVERIFY(!r.notice());
    QCOMPARE(r.unitValue(11), setpoint);
    QCOMPARE(r.p.g.refDataCfg[11], setpoint);
    QCOMPARE(r.f->txt_data_cfg(11).foreColor(), forms::ColorButtonText);
    QCOMPARE(r.watch.wrongEchoes, 0);
}

void TestEchoTransfers::wrongEcho_data() {
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<int>("badEchoes"); // how many echoes come back wrong; -1: all
    QTest::addColumn<bool>("cutShort"); // the wrong echo is cut short, not changed
    for (Mode m : {Mode::Rtu, Mode::Ascii}) {
        const char* name = m == Mode::Rtu ? "RTU" : "ASCII";
        QTest::addRow("%s, one echo changed", name) << m << 1 << false;
        QTest::addRow("%s, one echo cut short", name) << m << 1 << true;
        QTest::addRow("%s, every echo changed", name) << m << -1 << false;
    }
}

void TestEchoTransfers::wrongEcho() {
    QFETCH(Mode, mode);
    QFETCH(int, badEchoes);
    QFETCH(bool, cutShort);

    Rig r(mode, "19200", 10);
    setUnitValues(r.station);
    int echoes = 0;
    r.port.line().setEcho(true, [&](const QByteArray& frame) {
        if (badEchoes >= 0 && echoes++ >= badEchoes)
            return frame;
        if (cutShort)
            return frame.left(3);
        QByteArray bad = frame;
        bad[1] = char(bad[1] ^ 0x04);
        return bad;
    });
    QVERIFY(r.readDevice(kReadOutRequests + 1));
    if (badEchoes < 0) {
        // Every try's answer was dropped: the unit counts as silent.
        QVERIFY(r.notice());
        QVERIFY(r.watch.wrongEchoes >= 2);
        const QStringList sent = r.requests();
        QCOMPARE(QSet<QString>(sent.begin(), sent.end()).size(), 1);
        QCOMPARE(r.p.g.refDataCfg[11], 0.0);
        return;
    }
    QVERIFY(!r.notice());
    QCOMPARE(r.watch.wrongEchoes, badEchoes);
    // The first request's answer was dropped with its echo and the request repeated.
    QCOMPARE(r.requests().mid(0, 2), (QStringList{kReadResponseTime, kReadResponseTime}));
    QCOMPARE(r.requests().size(), kReadOutRequests + 1);
    QCOMPARE(r.shown(11), r.unitValue(11));
    QCOMPARE(r.shown(7), r.unitValue(7));
}

QTEST_GUILESS_MAIN(TestEchoTransfers)
#include "tst_echo_transfers.moc"
