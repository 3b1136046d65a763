// A read-out and a write-back over a real pseudo-terminal pair against qtx52-sim, with the
// QSerialPort backend and real time: the whole chain as it runs on a desk.

#include "app/global.h"
#include "app/program.h"
#include "editor/frm_config.h"
#include "params/numbers.h"
#include "support/serial_rig.h"
#include <QTest>

using namespace qtx52;

class TestE2eTransfers : public QObject {
    Q_OBJECT
private slots:
    void readOutAndWriteBack_data();
    void readOutAndWriteBack();
};

void TestE2eTransfers::readOutAndWriteBack_data() {
    QTest::addColumn<QString>("mode");
    QTest::newRow("RTU") << "rtu";
    QTest::newRow("ASCII") << "ascii";
}

void TestE2eTransfers::readOutAndWriteBack() {
    QFETCH(QString, mode);
    testing::SerialRig rig;
    if (!rig.start(mode))
        QSKIP(qPrintable(rig.error()));
    QVERIFY2(rig.open(), qPrintable(rig.ui.messageTexts().join('\n')));
    app::Program& program = *rig.program;
    editor::frm_config& w = rig.window();
    testing::ScriptedUi& ui = rig.ui;
    testing::PtyPair& pty = rig.pty;
    const app::Global& g = program.g;
    const auto idle = [&] { return g.commState == 0 && !program.frmStateLoaded(); };

    w.cmd_read_device->userClick();
    QVERIFY(QTest::qWaitFor([&] { return g.commState != 6; }, 5000));
    QVERIFY2(QTest::qWaitFor(idle, 20000), qPrintable(pty.simLog()));
    QVERIFY(ui.messages().isEmpty());
    QVERIFY(!w.lbl_desc(16).visible());
    const auto read = params::parseNumber(w.txt_data_cfg(11).text(), g.decimalSeparator);
    QVERIFY(read.has_value());
    QCOMPARE(g.refDataCfg[11], *read);

    const double edited = *read + 0.5;
    w.txt_data_cfg(11).setText(params::formatNumber(edited, g.decimalSeparator));
    QCOMPARE(w.txt_data_cfg(11).foreColor(), forms::ColorChanged);
    w.set_parameter->userClick();
    QVERIFY(program.frmStateLoaded());
    // The write-back, then the read-out that follows it.
    QVERIFY2(QTest::qWaitFor([&] { return g.commState == 1; }, 20000), qPrintable(pty.simLog()));
    QVERIFY2(QTest::qWaitFor(idle, 20000), qPrintable(pty.simLog()));
    // What the field shows now came back from the unit.
    QCOMPARE(params::parseNumber(w.txt_data_cfg(11).text(), g.decimalSeparator), edited);
    QCOMPARE(g.refDataCfg[11], edited);
    QCOMPARE(w.txt_data_cfg(11).foreColor(), forms::ColorButtonText);
    QVERIFY(ui.messages().isEmpty());
    w.Combo_Port(6).setListIndex(0);
}

QTEST_GUILESS_MAIN(TestE2eTransfers)
#include "tst_e2e_transfers.moc"
