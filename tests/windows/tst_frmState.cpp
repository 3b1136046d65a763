#include "editor/frm_config.h"
#include "support/test_program.h"
#include "windows/frmState.h"

#include <QTest>

using namespace qtx52;
using windows::frmState;

namespace {

// The program with its main window (German, port closed); the status window is opened the way
// the main window opens it for a transfer.
struct Rig {
    testing::TestProgram tp;
    app::Program& p = tp.program();
    app::Global& g = tp.g();
    editor::frm_config& f = start(p);

    static editor::frm_config& start(app::Program& p) {
        app::Main(p);
        return p.frm_config();
    }
    frmState& open(qint32 state, const QString& baud = QStringLiteral("9600"), qint16 mrt = 0) {
        g.commState = state;
        g.baudRate = baud;
        g.minResponseTime = mrt;
        f.responseTimeKnown = true;
        f.ShowMsgWindow();
        return p.frmState();
    }
    bool shown() const { return p.frmStateLoaded() && p.frmState().form.visible(); }
};

} // namespace

class TestFrmState : public QObject {
    Q_OBJECT
private slots:
    void timeLimit_data();
    void timeLimit();
    void closing_data();
    void closing();
    void noTransferClosesAtOnce();
    void progressStopsAtFullAndLimitRestarts();
    void cancel();
    void reopenStartsFromDesignState();
    void configurationWriteEndsAtTheLimit();
    void titleBarCloseEndsStalledTransfer();
};

void TestFrmState::timeLimit_data() {
    QTest::addColumn<QString>("baud");
    QTest::addColumn<qint16>("mrt");
    QTest::addColumn<qint32>("state");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<qint64>("tick");
    // Never shorter than the link needs to give up on one request: repeat 1000, failure 500
    // (RTU), two polls and the longest exchange on the wire.
    QTest::newRow("9600, 0 ms, input write") << "9600" << qint16(0) << 5 << 1662LL << 166LL;
    QTest::newRow("19200, 0 ms, configuration write")
        << "19200" << qint16(0) << 2 << 1631LL << 163LL;
    QTest::newRow("9600, 10 ms") << "9600" << qint16(10) << 1 << 2359LL << 236LL;
    QTest::newRow("negative response time as 0") << "9600" << qint16(-5) << 8 << 1662LL << 166LL;
    QTest::newRow("past the 16-bit product")
        << "9600" << qint16(32767) << 4 << 4915909LL << 491591LL;
    // 1/32 and 1/16 are exact, so these limits fall exactly on halves.
    QTest::newRow("limit tie to even") << "32" << qint16(0) << 1 << 257812LL << 25781LL;
    QTest::newRow("tick tie to even") << "16" << qint16(0) << 1 << 515625LL << 51562LL;
}

void TestFrmState::timeLimit() {
    QFETCH(QString, baud);
    QFETCH(qint16, mrt);
    QFETCH(qint32, state);
    QFETCH(qint64, limit);
    QFETCH(qint64, tick);
    Rig r;
    frmState& w = r.open(state, baud, mrt);
    QCOMPARE(w.Timer1SW.interval(), limit);
    QCOMPARE(w.Timer2SW.interval(), tick);
    QVERIFY(!r.f.form.enabled());

    r.tp.clock.advance(limit - 1);
    QVERIFY(r.shown());
    r.tp.clock.advance(1);
    // None of these chains has reached its last step: the limit stops it and says so, and no
    // read-out follows.
    QCOMPARE(r.g.commState, 0);
    QVERIFY(!r.shown());
    QVERIFY(r.f.form.enabled());
    QVERIFY(r.f.lbl_desc(16).visible());
    QCOMPARE(r.tp.ui.messages().size(), 1);
    QVERIFY2(r.tp.ui.messages().first().text.contains(QStringLiteral("unvollständig")),
             qPrintable(r.tp.ui.messages().first().text));
}

// A configuration-only write waits for the limit after its last coil group: that close is the
// intended end and starts the read-out without a message.
void TestFrmState::configurationWriteEndsAtTheLimit() {
    Rig r;
    frmState& w = r.open(4);
    r.f.alreadyWriteCoils = 14;
    r.f.inputsChanged = false;
    r.g.linkReady = true;
    r.tp.clock.advance(w.Timer1SW.interval());
    QCOMPARE(r.g.commState, 1);
    QVERIFY(r.shown());
    QVERIFY(r.tp.ui.messages().isEmpty());
}

void TestFrmState::closing_data() {
    QTest::addColumn<qint32>("state");
    for (qint32 s = 0; s <= 9; ++s)
        QTest::addRow("state %d", s) << s;
}

void TestFrmState::closing() {
    QFETCH(qint32, state);
    Rig r;
    frmState& w = r.open(state == 0 ? 1 : state);
    QCOMPARE(w.Abbruch.visible(), state == 2);
    QString text;
    bool endShown = false;
    connect(&w.form, &forms::Control::changed, &w, [&] {
        if (!w.form.loaded()) {
            text = w.lblTxt.caption();
            endShown = w.cmdOK.visible() && !w.frameProgress.visible();
        }
    });
    r.g.commState = state;
    w.CloseWindow();

    const bool readOut = state == 4 || state == 5 || state == 8;
    QCOMPARE(text, state == 0 ? QStringLiteral("Invalid state") : QStringLiteral("Warten ..."));
    QVERIFY(endShown);
    QCOMPARE(r.f.Timer6.enabled(), readOut);
    QCOMPARE(r.g.commState, readOut ? 1 : 0);
    QCOMPARE(r.shown(), readOut);
}

void TestFrmState::noTransferClosesAtOnce() {
    Rig r;
    r.g.commState = 0;
    r.f.ShowMsgWindow();
    QVERIFY(!r.p.frmStateLoaded()); // and not shown again as an empty window
    QVERIFY(r.f.form.enabled());
}

void TestFrmState::progressStopsAtFullAndLimitRestarts() {
    Rig r;
    windows::restartTimeLimit(r.p); // loads no window
    QVERIFY(!r.p.frmStateLoaded());
    frmState& w = r.open(5); // limit 1662, tick 166
    r.tp.clock.advance(166 * 9);
    QCOMPARE(w.ProgressFile.value(), 9);
    windows::restartTimeLimit(r.p); // a reply at 1494: the limit now ends at 3156
    r.tp.clock.advance(3155 - 1494);
    QCOMPARE(w.ProgressFile.value(), 10);
    QCOMPARE(r.g.commState, 5);
    r.tp.clock.advance(1);
    QCOMPARE(r.g.commState, 0); // stalled: ended as incomplete
}

void TestFrmState::cancel() {
    Rig r;
    r.f.Combo_Port(6).setListIndex(1); // port open: a timer left running would send
    frmState& w = r.open(2);
    r.g.requestHex = QStringLiteral("01100002000A14");
    for (forms::Timer* t : {&r.f.Timer1, &r.f.Timer3, &r.f.Timer5, &r.f.Timer6})
        t->setEnabled(true);
    r.g.linkReady = false;
    w.Abbruch.userClick();

    QCOMPARE(r.g.commState, 0);
    for (forms::Timer* t : {&r.f.Timer1, &r.f.Timer3, &r.f.Timer5, &r.f.Timer6})
        QVERIFY2(!t->enabled(), qPrintable(t->name()));
    QVERIFY(r.g.linkReady);
    QVERIFY(r.f.form.enabled());
    r.tp.clock.advance(5000);
    QVERIFY(!r.p.frmStateLoaded());
    QVERIFY(r.tp.port.outputs().isEmpty());
}

void TestFrmState::reopenStartsFromDesignState() {
    Rig r;
    r.open(2);
    r.tp.clock.advance(166 * 5);
    QCOMPARE(r.p.frmState().ProgressFile.value(), 5);
    r.p.frmState().Abbruch.userClick();

    frmState& w = r.open(1);
    QCOMPARE(w.ProgressFile.value(), 0);
    QVERIFY(!w.Abbruch.visible() && !w.cmdOK.visible() && w.frameProgress.visible());
}

// The title-bar box on a running write: nothing more is sent and the message names what the
// unit acknowledged (nothing yet).
void TestFrmState::titleBarCloseEndsStalledTransfer() {
    Rig r;
    r.open(2);
    r.f.Timer1.setEnabled(true);
    r.p.frmState().form.userClose();
    QVERIFY(!r.p.frmStateLoaded());
    QVERIFY(r.f.form.enabled());
    QCOMPARE(r.g.commState, 0);
    QVERIFY(!r.f.Timer1.enabled());
    QVERIFY(!r.f.Timer5.enabled());
    QCOMPARE(r.tp.ui.messages().size(), 1);
    QVERIFY(r.tp.ui.messages().first().text.contains(QStringLiteral("nichts bestätigt")));
}

QTEST_GUILESS_MAIN(TestFrmState)
#include "tst_frmState.moc"
