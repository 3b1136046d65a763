// A read-out and a write-back over a real pseudo-terminal pair against qtx52-sim, with the
// QSerialPort backend and real time: the whole chain as it runs on a desk.

#include "app/global.h"
#include "app/program.h"
#include "editor/frm_config.h"
#include "editor/numbers.h"
#include "forms/clock.h"
#include "link/port_map.h"
#include "link/qt_serial_port.h"
#include "support/pty_pair.h"
#include "support/scripted_ui.h"

#include <QTemporaryDir>
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
    QTest::addColumn<int>("modePosition");
    QTest::newRow("RTU") << "rtu" << 1;
    QTest::newRow("ASCII") << "ascii" << 0;
}

void TestE2eTransfers::readOutAndWriteBack() {
    QFETCH(QString, mode);
    QFETCH(int, modePosition);
    testing::PtyPair pty;
    if (!pty.start())
        QSKIP(qPrintable(pty.error()));
    // Parity stays off: pseudo-terminals may refuse it, and both ends agree anyway.
    QVERIFY2(pty.startSim({"--mode", mode, "--address", "1", "--baud", "9600", "--parity", "N"}),
             qPrintable(pty.error()));

    QTemporaryDir dir;
    forms::QtClock clock;
    link::QtSerialCommPort port(link::PortMap::build({}, pty.masterEnd(), {}));
    testing::ScriptedUi ui;
    app::Program program(clock, port, ui, {dir.filePath("m.ini"), dir.filePath("u.ini")});
    app::Main(program);
    editor::frm_config& w = program.frm_config();
    const app::Global& g = program.g;
    w.Combo_Port(2).setListIndex(0); // None
    w.Combo_Port(5).setListIndex(modePosition);
    w.Combo_Port(6).setListIndex(1); // open
    QVERIFY2(port.portOpen(), qPrintable(ui.messageTexts().join('\n')));
    const auto idle = [&] { return g.commState == 0 && !program.frmStateLoaded(); };

    w.cmd_read_device->userClick();
    QVERIFY(QTest::qWaitFor([&] { return g.commState != 6; }, 5000));
    QVERIFY2(QTest::qWaitFor(idle, 20000), qPrintable(pty.simLog()));
    QVERIFY(ui.messages().isEmpty());
    QVERIFY(!w.lbl_desc(16).visible());
    const auto read = editor::parseNumber(w.txt_data_cfg(11).text(), g.decimalSeparator);
    QVERIFY(read.has_value());
    QCOMPARE(g.refDataCfg[11], *read);

    const double edited = *read + 0.5;
    w.txt_data_cfg(11).setText(editor::formatNumber(edited, g.decimalSeparator));
    QCOMPARE(w.txt_data_cfg(11).foreColor(), forms::ColorChanged);
    w.set_parameter->userClick();
    QVERIFY(program.frmStateLoaded());
    // The write-back, then the read-out that follows it.
    QVERIFY2(QTest::qWaitFor([&] { return g.commState == 1; }, 20000), qPrintable(pty.simLog()));
    QVERIFY2(QTest::qWaitFor(idle, 20000), qPrintable(pty.simLog()));
    // What the field shows now came back from the unit.
    QCOMPARE(editor::parseNumber(w.txt_data_cfg(11).text(), g.decimalSeparator), edited);
    QCOMPARE(g.refDataCfg[11], edited);
    QCOMPARE(w.txt_data_cfg(11).foreColor(), forms::ColorButtonText);
    QVERIFY(ui.messages().isEmpty());
    w.Combo_Port(6).setListIndex(0);
}

QTEST_GUILESS_MAIN(TestE2eTransfers)
#include "tst_e2e_transfers.moc"
