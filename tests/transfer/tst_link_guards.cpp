// The guards of the link's timers: no pacing tick sends once a transfer has ended, and a request
// the port refuses to write leaves the link free with nothing armed behind it.

#include "app/global.h"
#include "app/program.h"
#include "editor/frm_config.h"
#include "support/fake_port.h"
#include "support/test_program.h"

#include <QTest>

#include <functional>

using namespace qtx52;
using editor::frm_config;

namespace {

struct Rig {
    testing::TestProgram tp;
    app::Global& g = tp.g();
    frm_config& f = start(tp.program());
    static frm_config& start(app::Program& p) {
        app::Main(p);
        frm_config& f = p.frm_config();
        f.Combo_Port(5).setListIndex(1); // RTU
        f.Combo_Port(6).setListIndex(1); // open
        return f;
    }
};

} // namespace

class TestLinkGuards : public QObject {
    Q_OBJECT
private slots:
    void noPacingSendInStateZero_data();
    void noPacingSendInStateZero();
    void failedWriteFreesTheLink_data();
    void failedWriteFreesTheLink();
};

void TestLinkGuards::noPacingSendInStateZero_data() {
    QTest::addColumn<int>("timer"); // 1 write pacing, 6 read pacing
    QTest::newRow("Timer1") << 1;
    QTest::newRow("Timer6") << 6;
}

void TestLinkGuards::noPacingSendInStateZero() {
    QFETCH(int, timer);
    Rig r;
    r.g.commState = 0;
    r.g.linkReady = true;
    forms::Timer& t = timer == 1 ? r.f.Timer1 : r.f.Timer6;
    t.setEnabled(true);
    r.tp.clock.advance(5000);
    QVERIFY(r.tp.port.outputs().isEmpty());
    QVERIFY(!t.enabled());
}

void TestLinkGuards::failedWriteFreesTheLink_data() {
    QTest::addColumn<QString>("sender");
    QTest::newRow("read pacing") << "Timer6";
    QTest::newRow("builder") << "send_read_cfg_coils";
    QTest::newRow("repeat") << "Timer5";
}

// The port refuses the write: the failure handling ran, the link is free, and the repeat does
// not arm the failure timer behind it.
void TestLinkGuards::failedWriteFreesTheLink() {
    QFETCH(QString, sender);
    Rig r;
    r.g.commState = 1;
    r.g.linkReady = true;
    r.g.requestHex = QStringLiteral("01030000000A");
    r.tp.port.failOutputWith(8020);
    if (sender == "Timer6")
        r.f.Timer6_Timer();
    else if (sender == "send_read_cfg_coils")
        r.f.send_read_cfg_coils();
    else
        r.f.Timer5_Timer();
    QVERIFY(r.g.linkReady);
    QVERIFY(r.f.lbl_desc(16).visible());
    QVERIFY(!r.f.Timer3.enabled());
    QVERIFY(!r.f.Timer5.enabled());
    QVERIFY(r.tp.port.outputs().isEmpty());
}

QTEST_GUILESS_MAIN(TestLinkGuards)
#include "tst_link_guards.moc"
