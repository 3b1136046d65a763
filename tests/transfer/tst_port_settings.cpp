#include "editor/main_window_rig.h"
#include "link/commport.h"

#include <QTest>

using namespace qtx52;
using editor::frm_config;

namespace {

struct Rig : testing::MainWindowRig {
    // The controls that need an open port.
    bool portControlsEnabled() const {
        return f.cmd_read_device->enabled() && f.read_out_parameter->enabled() &&
               f.chk_read_out->enabled();
    }
    bool portControlsDisabled() const {
        return !f.cmd_read_device->enabled() && !f.read_out_parameter->enabled() &&
               !f.chk_read_out->enabled() && !f.set_parameter->enabled();
    }
    bool settingsSelectorsEnabled(bool on) const {
        for (int s : {0, 1, 2, 5})
            if (f.Combo_Port(s).enabled() != on)
                return false;
        return true;
    }
};

} // namespace

class TestPortSettings : public QObject {
    Q_OBJECT
private slots:
    void selectionsReachThePort_data();
    void selectionsReachThePort();
    void openingAndClosing();
    void closingStopsTheMonitor();
    void portNumberChangeWhileOpen();
    void openFailureReturnsToClose_data();
    void openFailureReturnsToClose();
    void stationKeys_data();
    void stationKeys();
    void stationRange_data();
    void stationRange();
    void stationHex_data();
    void stationHex();
    void openingKeepsLoadedCoils_data();
    void openingKeepsLoadedCoils();
};

void TestPortSettings::selectionsReachThePort_data() {
    QTest::addColumn<int>("portEntry");
    QTest::addColumn<int>("baudEntry");
    QTest::addColumn<int>("parityEntry");
    QTest::addColumn<int>("modeEntry");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("pollMs");
    QTest::addColumn<int>("failureMs");
    QTest::addColumn<bool>("binary");

    QTest::newRow("ASCII, Odd, 19200") << 0 << 1 << 2 << 0 << "19200,O,7,1" << 100 << 1000 << false;
    QTest::newRow("RTU, None, 57600") << 0 << 3 << 0 << 1 << "57600,N,8,1" << 50 << 500 << true;
    QTest::newRow("ASCII, Even, 38400, COM8")
        << 7 << 2 << 1 << 0 << "38400,E,7,1" << 100 << 1000 << false;
    QTest::newRow("RTU, Odd, 9600, COM3") << 2 << 0 << 2 << 1 << "9600,O,8,1" << 50 << 500 << true;
}

void TestPortSettings::selectionsReachThePort() {
    QFETCH(int, portEntry);
    QFETCH(int, baudEntry);
    QFETCH(int, parityEntry);
    QFETCH(int, modeEntry);
    QFETCH(QString, settings);
    QFETCH(int, pollMs);
    QFETCH(int, failureMs);
    QFETCH(bool, binary);
    Rig rig;
    frm_config& f = rig.f;
    // Leave the start's mode first, so every row sees the mode's switch.
    f.Combo_Port(5).setListIndex(1 - modeEntry);
    f.Combo_Port(0).setListIndex(portEntry);
    f.Combo_Port(1).setListIndex(baudEntry);
    f.Combo_Port(2).setListIndex(parityEntry);
    f.Combo_Port(5).setListIndex(modeEntry);

    QCOMPARE(rig.port.settings(), settings);
    QCOMPARE(rig.port.commPort(), portEntry + 1);
    QCOMPARE(int(rig.g.commPort), portEntry + 1);
    QCOMPARE(f.Timer4.interval(), qint64(pollMs));
    // Before the unit's response time is known the failure waits for the slowest unit; once it
    // is known (and up to 800 ms) the framing's classic interval holds. Another line setting may
    // reach another unit, whose response time is not known.
    QVERIFY(f.Timer3.interval() >= 3000);
    f.responseTimeKnown = true;
    f.applyLinkTiming();
    QCOMPARE(f.Timer3.interval(), qint64(failureMs));
    f.Combo_Port(5).setListIndex(1 - modeEntry);
    f.Combo_Port(5).setListIndex(modeEntry);
    QVERIFY(f.Timer3.interval() >= 3000);
    QCOMPARE(rig.port.inputMode(), binary ? link::InputMode::Binary : link::InputMode::Text);
    QCOMPARE(rig.g.modbusMode, binary ? QString("RTU") : QString("ASCII"));
    QCOMPARE(rig.g.dataBits, binary ? QString("8") : QString("7"));
    QVERIFY(!rig.port.portOpen());
    QVERIFY(rig.ui.messages().isEmpty());
}

void TestPortSettings::openingAndClosing() {
    Rig rig;
    frm_config& f = rig.f;
    QVERIFY(rig.portControlsDisabled());

    rig.selectPortState(true);
    QVERIFY(rig.port.portOpen());
    QVERIFY(rig.g.portOpen);
    QVERIFY(rig.portControlsEnabled());
    QVERIFY(f.Timer4.enabled());
    QVERIFY(rig.settingsSelectorsEnabled(false));
    QVERIFY(f.txt_Modbus_adress->enabled());
    QVERIFY(rig.ui.messages().isEmpty());

    rig.selectPortState(false);
    QVERIFY(!rig.port.portOpen());
    QVERIFY(!rig.g.portOpen);
    QVERIFY(rig.portControlsDisabled());
    QVERIFY(!f.Timer4.enabled());
    QVERIFY(rig.settingsSelectorsEnabled(true));
    QVERIFY(f.txt_Modbus_adress->enabled());
}

void TestPortSettings::closingStopsTheMonitor() {
    Rig rig;
    frm_config& f = rig.f;
    rig.selectPortState(true);
    f.chk_read_out->setValue(1);
    QVERIFY(f.Timer6.enabled());
    // A monitor cycle half way: the second block requested, its reply outstanding.
    rig.g.commState = 3;
    rig.g.linkReady = false;
    rig.g.startAddress = 266;
    f.alreadyRead = 10;
    f.countReadRegister = 8;
    rig.g.monitorBlock = 1;
    f.Timer1.setEnabled(true);
    f.Timer5.setEnabled(true);

    rig.selectPortState(false);
    QCOMPARE(f.chk_read_out->value(), 0);
    for (const forms::Timer* t : {&f.Timer1, &f.Timer3, &f.Timer4, &f.Timer5, &f.Timer6})
        QVERIFY2(!t->enabled(), qPrintable(t->name()));
    QCOMPARE(rig.g.commState, 1);
    QVERIFY(rig.g.linkReady);
    QCOMPARE(int(rig.g.startAddress), 0);
    QCOMPARE(int(f.alreadyRead), 0);
    QCOMPARE(int(f.countReadRegister), 0);
    QCOMPARE(int(rig.g.monitorBlock), 0);
    QVERIFY(rig.portControlsDisabled());
}

void TestPortSettings::portNumberChangeWhileOpen() {
    Rig rig;
    rig.selectPortState(true);
    QCOMPARE(rig.port.openCount(), 1);
    // The selectors are disabled while open; a program selection still goes through.
    rig.f.Combo_Port(0).setListIndex(3);
    QCOMPARE(rig.port.commPort(), 4);
    QVERIFY(rig.port.portOpen());
    QCOMPARE(rig.port.openCount(), 2);
}

void TestPortSettings::openFailureReturnsToClose_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("message");
    QTest::newRow("no such port") << link::commerr::InvalidPortNumber
                                  << "COM-Port not available,  8002";
    QTest::newRow("port in use") << link::commerr::PortAlreadyOpen
                                 << "COM-Port not available,  8005";
    QTest::newRow("negative number has no blank") << -3 << "COM-Port not available, -3";
}

void TestPortSettings::openFailureReturnsToClose() {
    QFETCH(int, error);
    QFETCH(QString, message);
    Rig rig;
    frm_config& f = rig.f;
    rig.port.failOpenWith(error);
    rig.selectPortState(true);

    // The first line as the program has always shown it; the reason follows on its own line.
    QCOMPARE(rig.ui.messageTexts().size(), 1);
    const QStringList lines = rig.ui.messageTexts().first().split(QLatin1Char('\n'));
    QCOMPARE(lines.first(), message);
    QVERIFY(lines.size() >= 2 && !lines.at(1).isEmpty());
    QCOMPARE(rig.ui.messages().first().title, app::kAppTitle);
    QCOMPARE(f.Combo_Port(6).listIndex(), 0);
    QVERIFY(!rig.g.portOpen);
    QVERIFY(!rig.port.portOpen());
    QVERIFY(rig.portControlsDisabled());
    QVERIFY(!f.Timer4.enabled());
    QVERIFY(rig.settingsSelectorsEnabled(true));

    // The port works again once the cause is gone.
    rig.port.failOpenWith(0);
    rig.selectPortState(true);
    QVERIFY(rig.port.portOpen());
    QVERIFY(rig.portControlsEnabled());
    QCOMPARE(rig.ui.messages().size(), 1);
}

void TestPortSettings::stationKeys_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("messages");

    // clang-format off
    QTest::newRow("letters swallowed") << "ab" << "1" << 0;
    QTest::newRow("minus swallowed") << "-" << "1" << 0;
    QTest::newRow("Enter swallowed") << "\r" << "1" << 0;
    QTest::newRow("blank swallowed") << " " << "1" << 0;
    QTest::newRow("digit taken") << "2" << "12" << 0;
    QTest::newRow("third digit beyond 63") << "23" << "1" << 1;
    QTest::newRow("emptied by backspace") << "\b" << "1" << 1;
    QTest::newRow("backspace, then a digit") << "\b5" << "15" << 1;
    // clang-format on
}

void TestPortSettings::stationKeys() {
    QFETCH(QString, keys);
    QFETCH(QString, text);
    QFETCH(int, messages);
    Rig rig;
    QCOMPARE(rig.f.txt_Modbus_adress->text(), QString("1"));
    rig.f.txt_Modbus_adress->typeText(keys);
    QCOMPARE(rig.f.txt_Modbus_adress->text(), text);
    QCOMPARE(rig.ui.messages().size(), messages);
}

void TestPortSettings::stationRange_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    // clang-format off
    QTest::newRow("0") << "0" << "1";
    QTest::newRow("64") << "64" << "1";
    QTest::newRow("empty") << "" << "1";
    QTest::newRow("no leading digit") << "x7" << "1";
    QTest::newRow("1") << "1" << "1";
    QTest::newRow("63") << "63" << "63";
    QTest::newRow("leading digits count") << "7x" << "7x";
    // clang-format on
}

void TestPortSettings::stationRange() {
    QFETCH(QString, text);
    QFETCH(QString, result);
    Rig rig;
    rig.f.txt_Modbus_adress->setText("5");
    rig.f.txt_Modbus_adress->setText(text);
    QCOMPARE(rig.f.txt_Modbus_adress->text(), result);
    const bool refused = result != text;
    if (refused) {
        QCOMPARE(rig.ui.messageTexts(), QStringList{"Nur Werte zwischen 1 und 63 erlaubt!"});
        QCOMPARE(rig.ui.messages().first().title, app::kAppTitle);
    } else {
        QVERIFY(rig.ui.messages().isEmpty());
    }
}

void TestPortSettings::stationHex_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hex");
    // clang-format off
    QTest::newRow("1") << "1" << "01";
    QTest::newRow("15") << "15" << "0F";
    QTest::newRow("16") << "16" << "10";
    QTest::newRow("63") << "63" << "3F";
    QTest::newRow("with a trailing letter") << "42a" << "2A";
    // clang-format on
}

void TestPortSettings::stationHex() {
    QFETCH(QString, text);
    QFETCH(QString, hex);
    Rig rig;
    rig.f.txt_Modbus_adress->setText(text);
    QCOMPARE(rig.f.stationHex(), hex);
}

// Coil states put into the check boxes while the port is closed (as a parameter file does) must
// survive opening the port, and the lists must show them.
void TestPortSettings::openingKeepsLoadedCoils_data() {
    QTest::addColumn<QList<int>>("coils"); // chk_cfg 4..13

    QTest::newRow("all set") << QList<int>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    QTest::newRow("alternating") << QList<int>{1, 0, 1, 0, 1, 0, 1, 0, 1, 0};
    QTest::newRow("potentiometer only") << QList<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    QTest::newRow("undetermined state") << QList<int>{0, 1, 0, 1, 2, 0, 0, 0, 0, 0};
}

void TestPortSettings::openingKeepsLoadedCoils() {
    QFETCH(QList<int>, coils);
    Rig rig;
    frm_config& f = rig.f;
    for (int i = 4; i <= 13; ++i)
        f.chk_cfg(i).setValue(coils[i - 4]);

    rig.selectPortState(true);
    for (int i = 4; i <= 13; ++i) {
        const int state = coils[i - 4];
        QCOMPARE(f.chk_cfg(i).value(), state);
        if (state == 0 || state == 1)
            QCOMPARE(f.cmb_bit_cfg(i).listIndex(), state);
    }
    // The second view of coil 13 shows the coil, not its own stale check box.
    QCOMPARE(f.cmb_bit_cfg(99).listIndex(), coils[9]);
    QCOMPARE(f.lbl_unit(0).caption(), coils[2] == 1 ? QString("°C") : QString("°F"));
    QVERIFY(rig.ui.messages().isEmpty());
}

QTEST_GUILESS_MAIN(TestPortSettings)
#include "tst_port_settings.moc"
