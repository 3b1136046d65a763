// The program's own send path and QSerialPort backend against qtx52-sim on a real
// pseudo-terminal pair: the request the program frames reaches the unit through the kernel and
// the reply comes back byte for byte.

#include "app/program.h"
#include "editor/frm_config.h"
#include "forms/clock.h"
#include "link/checksum.h"
#include "link/qt_serial_port.h"
#include "link/wandeln.h"
#include "support/scripted_ui.h"
#include "support/serial_rig.h"

#include <QTemporaryDir>
#include <QTest>

using namespace qtx52;

class TestE2eSerialPort : public QObject {
    Q_OBJECT
private slots:
    void sendReachesUnitAndReplyReadsBack_data();
    void sendReachesUnitAndReplyReadsBack();
    void missingDeviceIsReportedWithNumber();
};

void TestE2eSerialPort::sendReachesUnitAndReplyReadsBack_data() {
    QTest::addColumn<QString>("mode");
    QTest::newRow("RTU") << "rtu";
    QTest::newRow("ASCII") << "ascii";
}

void TestE2eSerialPort::sendReachesUnitAndReplyReadsBack() {
    QFETCH(QString, mode);
    testing::SerialRig rig;
    if (!rig.start(mode))
        QSKIP(qPrintable(rig.error()));
    QVERIFY2(rig.open(), qPrintable(rig.ui.messageTexts().join('\n')));
    app::Program& program = *rig.program;
    editor::frm_config& w = rig.window();
    link::QtSerialCommPort& port = *rig.port;
    testing::ScriptedUi& ui = rig.ui;
    // The test reads the reply itself: no polling, no decoding.
    w.Timer4.setEnabled(false);

    program.g.requestHex = QStringLiteral("010300060001");
    w.send();
    QVERIFY(w.Timer5.enabled());

    const QByteArray expected =
        mode == "rtu"
            ? QByteArray::fromHex("010302000A") +
                  [] {
                      const QString crc = link::CalculateCRC(QByteArray::fromHex("010302000A"));
                      QByteArray low_high;
                      low_high.append(char(link::HexToByte(crc.mid(2, 2))));
                      low_high.append(char(link::HexToByte(crc.mid(0, 2))));
                      return low_high;
                  }()
            : QByteArray(":010302000A") + link::CalculateLRC("010302000A").toLatin1() + "\r\n";
    QByteArray got;
    QVERIFY(QTest::qWaitFor(
        [&] {
            if (port.inBufferCount() > 0)
                got += port.input();
            return got.size() >= expected.size();
        },
        3000));
    QCOMPARE(got.toHex(' '), expected.toHex(' '));
    QVERIFY(ui.messages().isEmpty());
    w.Combo_Port(6).setListIndex(0);
    QVERIFY(!port.portOpen());
}

void TestE2eSerialPort::missingDeviceIsReportedWithNumber() {
    QTemporaryDir dir;
    forms::QtClock clock;
    link::QtSerialCommPort port(link::PortMap::build({}, dir.filePath("no-such-tty"), {}));
    testing::ScriptedUi ui;
    app::Program program(clock, port, ui, {dir.filePath("m.ini"), dir.filePath("u.ini")});
    app::Main(program);
    editor::frm_config& w = program.frm_config();
    // --device reaches the same device whatever number is chosen; the selector shows it.
    QCOMPARE(w.portDevice(0), dir.filePath("no-such-tty"));
    QCOMPARE(w.portDevice(7), dir.filePath("no-such-tty"));
    w.Combo_Port(6).setListIndex(1);
    QVERIFY(!port.portOpen());
    QCOMPARE(ui.messageTexts(),
             QStringList{QStringLiteral("COM-Port not available,  8002\nGerät %1 nicht gefunden.")
                             .arg(dir.filePath("no-such-tty"))});
    QCOMPARE(w.lbl_port_device->caption(),
             QStringLiteral("Gerät: %1").arg(dir.filePath("no-such-tty")));
    QCOMPARE(w.Combo_Port(6).listIndex(), 0);
    QVERIFY(!w.cmd_read_device->enabled());
}

QTEST_GUILESS_MAIN(TestE2eSerialPort)
#include "tst_e2e_serial_port.moc"
